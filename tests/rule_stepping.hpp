#pragma once
// A rule applied period after period, the yardstick of what a leap over
// it may do: each period starts with every condition holding, every run at
// least a limb long and an iteration to do, every value within `maxLimbs`
// limbs at its start and its end, and all the periods together take at
// most `most` iterations. For the rule's tests and its fuzz target.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/loop_rule.hpp"

namespace vantorb::testing {

inline LoopRule::Reach SteppedPeriods(const LoopRule& rule, std::vector<Wide> x, std::int64_t most,
                                      std::uint64_t maxLimbs = LoopRule::kMaxValueLimbs,
                                      std::int64_t mostPeriods = -1) {
  const auto within = [&rule, maxLimbs](const std::vector<Wide>& lengths) {
    for (std::size_t n = 0; n < rule.shape.Neurons(); ++n) {
      Wide limbs = 0;
      for (std::uint32_t r = rule.shape.firstRun[n]; r < rule.shape.firstRun[n + 1]; ++r)
        limbs += lengths[r];
      if (limbs > static_cast<Wide>(maxLimbs)) return false;
    }
    return true;
  };
  LoopRule::Reach reach;
  while (mostPeriods < 0 || reach.periods < mostPeriods) {
    bool inside = within(x);
    for (const PolyForm& condition : rule.conditions) {
      const std::optional<Wide> value = condition.At(x);
      inside = inside && value && *value >= 0;
    }
    for (const Wide length : x) inside = inside && length >= 1;
    const std::optional<Wide> period = rule.period.At(x);
    std::vector<Wide> next = x;
    for (std::size_t i = 0; i < x.size() && inside; ++i) {
      const std::optional<Wide> change = rule.delta[i].At(x);
      if (!change) inside = false;
      if (inside) next[i] += *change;
    }
    if (!inside || !within(next) || !period || *period < 1 ||
        reach.iterations + *period > most)
      break;
    ++reach.periods;
    reach.iterations += static_cast<std::int64_t>(*period);
    x = std::move(next);
  }
  for (const Wide length : x) reach.lengths.push_back(static_cast<std::uint64_t>(length));
  return reach;
}

}  // namespace vantorb::testing
