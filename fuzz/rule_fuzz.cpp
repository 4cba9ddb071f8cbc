// Leaps over rules against applying them period by period: a random rule
// over a few run lengths, from random lengths, under a random iteration
// limit and bound on a value's limbs. Most of the rules are round rules:
// a length's change depends on lengths before it (so that the rounds have
// closed forms), or it takes a new value each round, and the conditions
// and the period are polynomials in the lengths, products among them. The
// periods Reachable allows must each start where the rule holds, as
// applying the rule period after period finds, and end with the
// iterations and lengths that gives; a rule without closed forms is
// leapt one period at most. Any difference aborts.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/loop_rule.hpp"
#include "fuzz/input_bytes.hpp"
#include "tests/rule_stepping.hpp"

namespace {

using namespace vantorb;

using Bytes = fuzzing::InputBytes;

// One of the lengths before `i` (i > 0).
PolyForm Before(Bytes& bytes, std::uint32_t i) {
  return PolyForm::Unknown(static_cast<std::uint32_t>(bytes() % i));
}

// c + a * x_j + b * x_k * x_l over the lengths before `count`.
PolyForm Polynomial(Bytes& bytes, std::uint32_t count, Wide constant) {
  PolyForm form(constant);
  if (count == 0) return form;
  const std::uint8_t terms = static_cast<std::uint8_t>(bytes());
  if (terms & 1) form += Before(bytes, count).Times(PolyForm(bytes.Small()));
  if (terms & 2) form += Before(bytes, count).Times(Before(bytes, count)).Times(PolyForm(bytes.Small()));
  return form;
}

LoopRule RandomRule(Bytes& bytes, std::uint32_t lengths) {
  LoopRule rule;
  rule.shape.signs = {1};
  rule.shape.integers = {0};
  rule.shape.firstRun = {0, lengths};
  for (std::uint32_t r = 0; r < lengths; ++r) rule.shape.runValues.push_back(11111111 * (r + 1));
  for (std::uint32_t i = 0; i < lengths; ++i) {
    const std::uint8_t kind = static_cast<std::uint8_t>(bytes() % 16);
    PolyForm change = Polynomial(bytes, i, bytes.Small());
    // A new value each round: the length leaves itself out.
    if (kind == 1 || kind == 2) change += PolyForm::Unknown(i).Times(PolyForm(-1)) + PolyForm(3);
    // Rarely one that feeds back into itself: no closed form.
    if (kind == 15) change += PolyForm::Unknown(i);
    rule.delta.push_back(change);
  }
  const std::uint8_t conditions = static_cast<std::uint8_t>(bytes() % 4);
  for (std::uint8_t c = 0; c < conditions; ++c)
    rule.conditions.push_back(Polynomial(bytes, lengths, static_cast<Wide>(bytes() % 128) - 8) +
                              PolyForm::Unknown(static_cast<std::uint32_t>(bytes() % lengths))
                                  .Times(PolyForm(bytes.Small())));
  rule.period = Polynomial(bytes, lengths, 1 + static_cast<Wide>(bytes() % 5));
  return rule;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::uint32_t lengths = 1 + static_cast<std::uint32_t>(bytes() % 3);
  LoopRule rule;
  try {
    rule = RandomRule(bytes, lengths);
  } catch (const std::exception&) {
    return 0;  // coefficients out of range: no rule
  }
  rule.Prepare();
  std::vector<std::uint64_t> x;
  for (std::uint32_t r = 0; r < lengths; ++r) x.push_back(1 + bytes() % 64);
  const std::int64_t most = static_cast<std::int64_t>(bytes.TwoBytes());
  const std::uint64_t maxLimbs = bytes() % 2 ? LoopRule::kMaxValueLimbs : 16 + bytes() % 256;
  const LoopRule::Reach reach = rule.Reachable(x, most, maxLimbs);
  if (reach.periods < 0 || (!rule.Summable() && reach.periods > 1)) std::abort();
  const LoopRule::Reach stepped = testing::SteppedPeriods(
      rule, std::vector<Wide>(x.begin(), x.end()), most, maxLimbs, reach.periods);
  if (stepped.periods != reach.periods) std::abort();  // a period where the rule does not hold
  if (reach.periods > 0 && (stepped.iterations != reach.iterations || stepped.lengths != reach.lengths))
    std::abort();
  return 0;
}
