#include "engine/loop_rule.hpp"

#include <algorithm>
#include <functional>
#include <type_traits>

#include "engine/round_polynomial.hpp"

namespace vantorb {
namespace {

// The iterations of periods [0, k) when one period takes first + j * step
// iterations for period j; false when that passes `most` (or 2^127).
bool Iterations(Wide first, Wide step, Wide k, Wide most, Wide& total) {
  // k * first + step * k * (k - 1) / 2, each product checked.
  Wide linear = 0, pairs = k % 2 == 0 ? (k / 2) * (k - 1) : k * ((k - 1) / 2), quadratic = 0;
  if (__builtin_mul_overflow(k, first, &linear)) return false;
  if (__builtin_mul_overflow(pairs, step, &quadratic)) return false;
  if (__builtin_add_overflow(linear, quadratic, &total)) return false;
  return total <= most;
}

}  // namespace

ShapeBuilder::ShapeBuilder(StateShape& shape) : shape_(shape) {
  shape_.neurons.clear();
  shape_.signs.clear();
  shape_.integers.clear();
  shape_.firstRun.assign(1, 0);
  shape_.runValues.clear();
  shape_.hash = 0;
}

void ShapeBuilder::AddNeuron(std::int32_t sign, std::int64_t integer) {
  CloseNeuron();
  hasher_ = NeuronShapeHasher(static_cast<std::uint32_t>(shape_.signs.size()), sign, integer);
  shape_.signs.push_back(sign);
  shape_.integers.push_back(integer);
  open_ = true;
}

void ShapeBuilder::AddNeuronOf(std::uint32_t neuron, std::int32_t sign, std::int64_t integer) {
  CloseNeuron();
  hasher_ = NeuronShapeHasher(neuron, sign, integer);
  shape_.neurons.push_back(neuron);
  shape_.signs.push_back(sign);
  shape_.integers.push_back(integer);
  open_ = true;
}

void ShapeBuilder::CloseNeuron() {
  if (!open_) return;
  shape_.firstRun.push_back(static_cast<std::uint32_t>(shape_.runValues.size()));
  shape_.hash += hasher_.Finish();
  open_ = false;
}

void ShapeBuilder::Finish() { CloseNeuron(); }

void ShapeOf(const std::vector<RunValue<std::uint64_t>>& values, StateShape& shape,
             std::vector<std::uint64_t>& lengths) {
  ShapeBuilder builder(shape);
  lengths.clear();
  for (const RunValue<std::uint64_t>& value : values) {
    builder.AddNeuron(value.sign, value.integerPart);
    for (const auto& run : value.runs) {
      builder.AddRun(run.value);
      lengths.push_back(run.count);
    }
  }
  builder.Finish();
}

RunValue<std::uint64_t> NeuronValue(const StateShape& shape, std::size_t neuron,
                                    const std::vector<std::uint64_t>& lengths) {
  RunValue<std::uint64_t> value;
  value.sign = shape.signs[neuron];
  value.integerPart = shape.integers[neuron];
  for (std::uint32_t r = shape.firstRun[neuron]; r < shape.firstRun[neuron + 1]; ++r) {
    value.runs.push_back({shape.runValues[r], lengths[r]});
    value.limbCount += lengths[r];
  }
  return value;
}

void LoopRule::Prepare() {
  plain_ = linear_ = true;
  for (const PolyForm& change : delta) plain_ = plain_ && change.IsConstant();
  linear_ = period.IsLinear();
  grows_ = false;
  for (const std::uint32_t variable : period.Variables())
    grows_ = grows_ || !delta[variable].IsConstant() || delta[variable].Constant() != 0;
  for (const PolyForm& condition : conditions) linear_ = linear_ && condition.IsLinear();
  // Fresh vectors rather than cleared ones: a rule cut down to a part of
  // the network is prepared again, and must not keep the room the whole
  // state's lengths took (a rule over 60 lengths kept 20 KiB for 1,700).
  degree_ = std::vector<int>(delta.size(), 1);
  settle_ = std::vector<int>(delta.size(), 0);
  conditionDegree_ = std::vector<int>();
  stillLength_ = std::vector<char>();
  stillCondition_ = std::vector<char>();
  summable_ = true;
  highest_ = 1;
  settled_ = 0;
  if (plain_ && linear_) return;
  // A length either adds a change that does not depend on itself (its
  // degree in the round counter one more than the change's), or takes a
  // new value that does not depend on itself (a register reset or moved
  // into: its degree the value's, from one round later on). Lengths are
  // followed in the order of what depends on what: a depth-first walk that
  // meets a length still on its path has found one that feeds back into
  // itself, and rounds have no closed form.
  const auto degreeOf = [this](const PolyForm& form) {
    int degree = 0;
    form.ForEachTerm([this, &degree](const Monomial& monomial, std::int64_t) {
      int sum = 0;
      for (int f = 0; f < monomial.Degree(); ++f) sum += degree_[monomial.factors[f]];
      degree = std::max(degree, sum);
    });
    return degree;
  };
  const auto settleOf = [this](const std::vector<std::uint32_t>& variables) {
    int settle = 0;
    for (const std::uint32_t variable : variables) settle = std::max(settle, settle_[variable]);
    return settle;
  };
  enum : char { kNew, kOnPath, kDone };
  std::vector<char> state(delta.size(), kNew);
  stillLength_.assign(delta.size(), 0);
  std::function<bool(std::uint32_t)> visit = [&](std::uint32_t r) {
    if (state[r] == kDone) return true;
    if (state[r] == kOnPath) return false;
    state[r] = kOnPath;
    // How x_r enters its own change: not at all (it adds), with -1 (its
    // new value leaves it out) or otherwise (no closed form).
    std::int64_t own = 0;
    bool ownProduct = false;
    delta[r].ForEachTerm([&](const Monomial& monomial, std::int64_t coefficient) {
      for (int f = 0; f < monomial.Degree(); ++f) {
        if (monomial.factors[f] != r) continue;
        if (monomial.IsLinear()) {
          own = coefficient;
        } else {
          ownProduct = true;
        }
      }
    });
    if (ownProduct || (own != 0 && own != -1)) return false;
    std::vector<std::uint32_t> others = delta[r].Variables();
    std::erase(others, r);
    for (const std::uint32_t variable : others)
      if (!visit(variable)) return false;
    state[r] = kDone;
    PolyForm rest = delta[r];
    if (own != 0) rest += PolyForm::Unknown(r);  // the new value itself
    const bool still = own == 0 && rest.IsConstant() && rest.Constant() == 0;
    stillLength_[r] = still;
    if (own == 0) {
      degree_[r] = still ? 0 : 1 + degreeOf(rest);
      settle_[r] = settleOf(others);
    } else {
      degree_[r] = degreeOf(rest);
      settle_[r] = 1 + settleOf(others);
    }
    return true;
  };
  for (std::uint32_t r = 0; r < delta.size(); ++r) summable_ = summable_ && visit(r);
  if (!summable_) {
    stillLength_.clear();
    return;
  }
  highest_ = std::max(highest_, degreeOf(period) + 1);  // its sum over rounds
  conditionDegree_.reserve(conditions.size());
  stillCondition_.reserve(conditions.size());
  for (const PolyForm& condition : conditions) {
    conditionDegree_.push_back(degreeOf(condition));
    highest_ = std::max(highest_, conditionDegree_.back());
  }
  for (std::size_t r = 0; r < delta.size(); ++r) {
    highest_ = std::max(highest_, degree_[r]);
    settled_ = std::max(settled_, settle_[r]);
  }
  summable_ = highest_ <= kMaxRoundDegree && settled_ <= kMaxRoundDegree;
  for (const PolyForm& condition : conditions) {
    bool still = true;
    condition.ForEachTerm([this, &still](const Monomial& monomial, std::int64_t) {
      for (int f = 0; f < monomial.Degree(); ++f) still = still && stillLength_[monomial.factors[f]];
    });
    stillCondition_.push_back(still);
  }
}

int LoopRule::LengthDegree() const {
  int degree = 0;
  for (const int d : degree_) degree = std::max(degree, d);
  return degree;
}

LoopRule::Reach LoopRule::Reachable(const std::vector<std::uint64_t>& lengths,
                                    std::int64_t most, std::uint64_t maxLimbs) const {
  if (plain_ && linear_) return ReachablePlain(lengths, most, maxLimbs);
  return ReachableRounds(lengths, most, maxLimbs);
}

LoopRule::Reach LoopRule::ReachablePlain(const std::vector<std::uint64_t>& lengths,
                                         std::int64_t most, std::uint64_t maxLimbs) const {
  std::vector<Wide> x(lengths.begin(), lengths.end());
  std::vector<Wide> step;
  for (const PolyForm& change : delta) step.push_back(change.Constant());
  // Each period takes at least one iteration.
  Wide periods = most;
  bool elsewhere = false;
  const auto bound = [&periods, &elsewhere](Wide at, Wide slope) {
    if (at < 0) {
      periods = 0;
      elsewhere = elsewhere || slope >= 0;
    } else if (slope < 0) {
      periods = std::min(periods, at / -slope + 1);
    }
  };
  const auto slopeOf = [&step](const PolyForm& form) {
    Wide slope = 0;
    for (const auto& [variable, coefficient] : form.Linear())
      slope += static_cast<Wide>(coefficient) * step[variable];
    return slope;
  };
  for (const PolyForm& condition : conditions) {
    const auto at = condition.At(x);
    bound(at ? *at : -1, slopeOf(condition));
  }
  if (periods <= 0) return {0, 0, elsewhere, {}};
  // Every run keeps at least one limb, every value grows to at most
  // maxLimbs, and every period takes an iteration.
  for (std::size_t i = 0; i < x.size() && periods > 0; ++i) bound(x[i] - 1, step[i]);
  for (std::size_t n = 0; n < shape.Neurons() && periods > 0; ++n) {
    Wide limbs = 0, growth = 0;
    for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r) {
      limbs += x[r];
      growth += step[r];
    }
    // Within bounds at the start and at the end of every period.
    bound(static_cast<Wide>(maxLimbs) - limbs - std::max<Wide>(growth, 0), -growth);
  }
  const auto first = period.At(x);
  if (!first) return {};
  const Wide slope = slopeOf(period);
  bound(*first - 1, slope);
  if (periods <= 0) return {};
  // The most periods whose iterations fit: the total grows with the count.
  Wide low = 0, high = periods, total = 0;
  while (low < high) {
    const Wide middle = low + (high - low + 1) / 2;
    if (Iterations(*first, slope, middle, most, total)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  if (low == 0) return {};
  Iterations(*first, slope, low, most, total);
  Reach reach{static_cast<std::int64_t>(low), static_cast<std::int64_t>(total), false, lengths};
  for (std::size_t i = 0; i < x.size(); ++i)
    reach.lengths[i] = static_cast<std::uint64_t>(x[i] + low * step[i]);
  return reach;
}

// The lengths round by round, x(k + 1) = x(k) + delta(x(k)), far enough to
// know every polynomial a leap follows. The first rounds, while some
// lengths are not yet polynomials in the round (settled_), are checked one
// by one; from there on each condition's first failing round, the rounds
// every run keeps a limb and every value its bound, and as many of those
// rounds as the iterations allow come in closed form.
LoopRule::Reach LoopRule::ReachableRounds(const std::vector<std::uint64_t>& lengths,
                                          std::int64_t most, std::uint64_t maxLimbs) const {
  const bool once = !summable_;
  const int stepped = once ? 1 : settled_;
  const int followed = once ? 0 : highest_;
  std::vector<std::vector<Wide>> xs(1, std::vector<Wide>(lengths.begin(), lengths.end()));
  for (int k = 0; k < stepped + std::max(followed, 1); ++k) {
    std::vector<Wide> next = xs.back();
    const bool tracked = stillLength_.size() == next.size();
    for (std::size_t r = 0; r < next.size(); ++r) {
      if (tracked && stillLength_[r]) continue;  // no period changes it
      const auto change = delta[r].At(xs.back());
      if (!change || __builtin_add_overflow(next[r], *change, &next[r])) {
        if (k < stepped + 1) return {};
        next.clear();
        break;
      }
    }
    if (next.empty()) break;
    xs.push_back(std::move(next));
  }
  const auto limbsOf = [this](const std::vector<Wide>& x, std::size_t n) {
    Wide limbs = 0;
    for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r) limbs += x[r];
    return limbs;
  };
  Reach reach;
  Wide iterations = 0;
  // What no round changes holds in every round or in none.
  const bool tracked = stillCondition_.size() == conditions.size();
  for (std::size_t c = 0; c < conditions.size() && tracked; ++c) {
    if (!stillCondition_[c]) continue;
    const auto value = conditions[c].At(xs[0]);
    if (!value || *value < 0) return {0, 0, true, {}};
  }
  const auto changing = [&](std::size_t c) { return !tracked || !stillCondition_[c]; };
  // The rounds checked one by one.
  for (int k = 0; k < stepped; ++k) {
    const std::vector<Wide>& x = xs[static_cast<std::size_t>(k)];
    bool starts = true;
    for (std::size_t c = 0; c < conditions.size(); ++c) {
      if (!changing(c)) continue;
      const PolyForm& condition = conditions[c];
      const auto value = condition.At(x);
      if (value && *value >= 0) continue;
      starts = false;
      if (k == 0 && value && xs.size() > 1) {
        // Not a bound the rounds run down: the rule is for other lengths.
        const auto next = condition.At(xs[1]);
        reach.elsewhere = reach.elsewhere || (next && *next >= *value);
      }
    }
    for (const Wide length : x) starts = starts && length >= 1;
    for (std::size_t n = 0; n < shape.Neurons() && starts; ++n)
      starts = limbsOf(x, n) <= static_cast<Wide>(maxLimbs) &&
               limbsOf(xs[static_cast<std::size_t>(k) + 1], n) <= static_cast<Wide>(maxLimbs);
    const auto busy = period.At(x);
    if (!starts || !busy || *busy < 1 || iterations + *busy > most) {
      if (k == 0) return {0, 0, reach.elsewhere, {}};
      reach.periods = k;
      reach.iterations = static_cast<std::int64_t>(iterations);
      for (const Wide length : x) reach.lengths.push_back(static_cast<std::uint64_t>(length));
      return reach;
    }
    iterations += *busy;
  }
  if (once) {
    reach.periods = 1;
    reach.iterations = static_cast<std::int64_t>(iterations);
    for (const Wide length : xs[1]) reach.lengths.push_back(static_cast<std::uint64_t>(length));
    return reach;
  }
  // In closed form from round `stepped` on: round j of these is round
  // stepped + j.
  const auto from = static_cast<std::size_t>(stepped);
  const auto along = [&](const auto& valueAt, int degree) -> std::optional<RoundPolynomial> {
    std::vector<Wide> values;
    for (int j = 0; j <= degree; ++j) {
      if (from + static_cast<std::size_t>(j) >= xs.size()) return std::nullopt;
      const auto value = valueAt(xs[from + static_cast<std::size_t>(j)]);
      if (!value) return std::nullopt;
      values.push_back(*value);
    }
    return RoundPolynomial::FromValues(values);
  };
  const Wide left = most - iterations;  // each round takes an iteration
  Wide allowed = left;
  for (std::size_t c = 0; c < conditions.size() && allowed > 0; ++c) {
    if (!changing(c)) continue;
    const auto course = along([&](const std::vector<Wide>& x) { return conditions[c].At(x); },
                              conditionDegree_[c]);
    const Wide first = course ? course->FirstNegative(allowed) : 0;
    if (first == 0 && stepped == 0 && course) {
      const auto& a = course->Coefficients();
      reach.elsewhere = reach.elsewhere || a.size() == 1 || a[1] >= 0;
    }
    allowed = std::min(allowed, first);
  }
  // Every run at least a limb long at the start of each round.
  for (std::size_t r = 0; r < xs[0].size() && allowed > 0; ++r) {
    if (tracked && stillLength_[r]) continue;  // a length of the state: at least one
    const auto course = along([r](const std::vector<Wide>& x) { return std::optional<Wide>(x[r] - 1); },
                              degree_[r]);
    allowed = course ? course->FirstNegative(allowed) : 0;
  }
  // Every value within maxLimbs limbs, the last round's end included.
  for (std::size_t n = 0; n < shape.Neurons() && allowed > 0; ++n) {
    int degree = 0;
    for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r)
      degree = std::max(degree, degree_[r]);
    const auto course = along(
        [&](const std::vector<Wide>& x) { return std::optional<Wide>(static_cast<Wide>(maxLimbs) - limbsOf(x, n)); },
        degree);
    allowed = course ? std::min(allowed, course->FirstNegative(allowed + 1) - 1) : 0;
  }
  // Every round takes an iteration; as many rounds as `most` has room for.
  const auto busy = along([this](const std::vector<Wide>& x) { return period.At(x); }, highest_ - 1);
  if (busy && allowed > 0) {
    std::vector<Wide> less = busy->Coefficients();
    less[0] -= 1;
    allowed = RoundPolynomial(less).FirstNegative(allowed);
  }
  Wide low = 0;
  if (busy && allowed > 0) {
    Wide high = allowed;
    while (low < high) {
      const Wide middle = low + (high - low + 1) / 2;
      const auto total = busy->SumBelow(middle);
      (total && *total <= left ? low : high) = total && *total <= left ? middle : middle - 1;
    }
  }
  const Wide periods = stepped + low;
  if (periods == 0) return {0, 0, reach.elsewhere, {}};
  reach.periods = static_cast<std::int64_t>(periods);
  reach.iterations = static_cast<std::int64_t>(iterations + (low > 0 ? *busy->SumBelow(low) : 0));
  for (std::size_t r = 0; r < lengths.size(); ++r) {
    if (tracked && stillLength_[r]) {
      reach.lengths.push_back(lengths[r]);
      continue;
    }
    const auto course =
        along([r](const std::vector<Wide>& x) { return std::optional<Wide>(x[r]); }, degree_[r]);
    const auto at = course ? course->At(low) : std::nullopt;
    if (!at || *at < 1) return {};
    reach.lengths.push_back(static_cast<std::uint64_t>(*at));
  }
  return reach;
}

std::string LoopRule::Text() const {
  std::string text = "rule over " + std::to_string(shape.Runs()) + " run lengths of " +
                     std::to_string(shape.Neurons()) + " neurons: period " + period.Text() +
                     " iterations;";
  for (std::size_t i = 0; i < delta.size(); ++i) {
    if (delta[i].IsConstant() && delta[i].Constant() == 0) continue;
    text += " x" + std::to_string(i);
    if (delta[i].IsConstant()) {
      const Wide by = delta[i].Constant();
      text += (by > 0 ? " += " : " -= ") + std::to_string(static_cast<long long>(by > 0 ? by : -by));
    } else {
      text += " += " + delta[i].Text();
    }
    text += ";";
  }
  text += " while";
  for (std::size_t c = 0; c < conditions.size(); ++c)
    text += (c == 0 ? " " : ", ") + conditions[c].Text() + " >= 0";
  return text;
}

std::size_t LoopRule::Bytes() const {
  const auto formsBytes = [](const std::vector<PolyForm>& forms) {
    std::size_t bytes = forms.capacity() * sizeof(PolyForm);
    for (const PolyForm& form : forms) bytes += form.HeapBytes();
    return bytes;
  };
  const auto bytesOf = [](const auto& vector) {
    return vector.capacity() * sizeof(typename std::decay_t<decltype(vector)>::value_type);
  };
  return sizeof(LoopRule) + bytesOf(shape.neurons) + bytesOf(firstComputed) + bytesOf(shape.signs) + bytesOf(shape.integers) +
         bytesOf(shape.firstRun) + bytesOf(shape.runValues) + formsBytes(conditions) +
         formsBytes(delta) + period.HeapBytes() + bytesOf(changedAtEnd) + bytesOf(phases) +
         bytesOf(degree_) + bytesOf(settle_) + bytesOf(conditionDegree_) +
         bytesOf(stillLength_) + bytesOf(stillCondition_);
}

bool LoopRule::StartsWith(const std::vector<std::uint32_t>* due) const {
  if (firstComputed.empty()) return true;
  return due != nullptr && std::includes(firstComputed.begin(), firstComputed.end(), due->begin(),
                                         due->end());
}

const LoopRule* RuleBook::Add(LoopRule rule) {
  rule.Prepare();
  auto owned = std::make_unique<LoopRule>(std::move(rule));
  const LoopRule* added = owned.get();
  Entry& entry = rules_[added];
  entry.rule = std::move(owned);
  entry.lastUse = ++uses_;
  entry.bytes = added->Bytes();
  bytes_ += entry.bytes;
  byHash_.emplace(added->shape.hash, added);
  const std::vector<std::uint32_t>& part = added->shape.neurons;
  if (!part.empty() && parts_.size() < kMaxParts &&
      std::find(parts_.begin(), parts_.end(), part) == parts_.end())
    parts_.push_back(part);
  return added;
}

std::vector<const LoopRule*> RuleBook::Find(const StateShape& shape) const {
  std::vector<const LoopRule*> found;
  const auto [first, last] = byHash_.equal_range(shape.hash);
  for (auto it = first; it != last; ++it)
    if (it->second->shape == shape) found.push_back(it->second);
  return found;
}

std::vector<const LoopRule*> RuleBook::All() const {
  std::vector<const LoopRule*> all;
  all.reserve(rules_.size());
  for (const auto& [rule, entry] : rules_) all.push_back(rule);
  return all;
}

void RuleBook::Used(const LoopRule* rule) {
  const auto entry = rules_.find(rule);
  if (entry != rules_.end()) entry->second.lastUse = ++uses_;
}

std::vector<const LoopRule*> RuleBook::Forget(std::size_t bytes) {
  std::vector<const LoopRule*> dropped;
  if (bytes_ <= bytes) return dropped;
  std::vector<std::pair<std::uint64_t, const LoopRule*>> byUse;
  for (const auto& [rule, entry] : rules_) byUse.emplace_back(entry.lastUse, rule);
  std::sort(byUse.begin(), byUse.end());
  for (const auto& [lastUse, rule] : byUse) {
    if (bytes_ <= bytes) break;
    const auto [first, last] = byHash_.equal_range(rule->shape.hash);
    for (auto it = first; it != last; ++it)
      if (it->second == rule) {
        byHash_.erase(it);
        break;
      }
    const auto entry = rules_.find(rule);
    bytes_ -= entry->second.bytes;
    rules_.erase(entry);
    dropped.push_back(rule);
  }
  return dropped;
}

void RuleBook::Clear() {
  parts_.clear();
  byHash_.clear();
  rules_.clear();
  bytes_ = 0;
}

}  // namespace vantorb
