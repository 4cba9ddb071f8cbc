#include "engine/loop_rule.hpp"

#include <algorithm>

namespace vantorb {
namespace {

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
  hash ^= word + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
  hash *= 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 33);
}

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

NeuronShapeHasher::NeuronShapeHasher(std::uint32_t neuron, std::int32_t sign, std::int64_t integer)
    : hash_(Mix(Mix(neuron, static_cast<std::uint64_t>(sign)), static_cast<std::uint64_t>(integer))) {}

bool NeuronShapeHasher::Add(std::uint32_t runValue) {
  if (runs_ == kHashedRuns) return false;
  hash_ = Mix(hash_, runValue);
  return ++runs_ < kHashedRuns;
}

std::uint64_t NeuronShapeHasher::Finish() const { return Mix(hash_, runs_); }

void ShapeOf(const std::vector<RunValue<std::uint64_t>>& values, StateShape& shape,
             std::vector<std::uint64_t>& lengths) {
  shape = StateShape();
  lengths.clear();
  shape.firstRun.push_back(0);
  for (std::size_t n = 0; n < values.size(); ++n) {
    const RunValue<std::uint64_t>& value = values[n];
    shape.signs.push_back(value.sign);
    shape.integers.push_back(value.integerPart);
    for (const auto& run : value.runs) {
      shape.runValues.push_back(run.value);
      lengths.push_back(run.count);
    }
    shape.firstRun.push_back(static_cast<std::uint32_t>(shape.runValues.size()));
    NeuronShapeHasher hasher(static_cast<std::uint32_t>(n), value.sign, value.integerPart);
    for (const auto& run : value.runs) hasher.Add(run.value);
    shape.hash += hasher.Finish();
  }
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

LoopRule::Reach LoopRule::Reachable(const std::vector<std::uint64_t>& lengths,
                                    std::int64_t most, std::uint64_t maxLimbs) const {
  std::vector<Wide> x(lengths.begin(), lengths.end());
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
  const auto slopeOf = [this](const LinearForm& form) {
    Wide slope = 0;
    for (const auto& [variable, coefficient] : form.Terms())
      slope += static_cast<Wide>(coefficient) * delta[variable];
    return slope;
  };
  for (const LinearForm& condition : conditions) bound(condition.At(x), slopeOf(condition));
  if (periods <= 0) return {0, 0, elsewhere};
  // Every run keeps at least one limb, every value grows to at most
  // maxLimbs, and every period takes an iteration.
  for (std::size_t i = 0; i < x.size() && periods > 0; ++i) bound(x[i] - 1, delta[i]);
  for (std::size_t n = 0; n < shape.Neurons() && periods > 0; ++n) {
    Wide limbs = 0, growth = 0;
    for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r) {
      limbs += x[r];
      growth += delta[r];
    }
    bound(static_cast<Wide>(maxLimbs) - limbs, -growth);
  }
  const Wide first = period.At(x), step = slopeOf(period);
  bound(first - 1, step);
  if (periods <= 0) return {};
  // The most periods whose iterations fit: the total grows with the count.
  Wide low = 0, high = periods, total = 0;
  while (low < high) {
    const Wide middle = low + (high - low + 1) / 2;
    if (Iterations(first, step, middle, most, total)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  if (low == 0) return {};
  Iterations(first, step, low, most, total);
  return {static_cast<std::int64_t>(low), static_cast<std::int64_t>(total)};
}

std::string LoopRule::Text() const {
  std::string text = "rule over " + std::to_string(shape.Runs()) + " run lengths of " +
                     std::to_string(shape.Neurons()) + " neurons: period " + period.Text() +
                     " iterations;";
  for (std::size_t i = 0; i < delta.size(); ++i)
    if (delta[i] != 0)
      text += " x" + std::to_string(i) + (delta[i] > 0 ? " += " : " -= ") +
              std::to_string(delta[i] > 0 ? delta[i] : -delta[i]) + ";";
  text += " while";
  for (std::size_t c = 0; c < conditions.size(); ++c)
    text += (c == 0 ? " " : ", ") + conditions[c].Text() + " >= 0";
  return text;
}

const LoopRule* RuleBook::Add(LoopRule rule) {
  rules_.push_back(std::make_unique<LoopRule>(std::move(rule)));
  const LoopRule* added = rules_.back().get();
  byHash_.emplace(added->shape.hash, added);
  return added;
}

std::vector<const LoopRule*> RuleBook::Find(const StateShape& shape) const {
  std::vector<const LoopRule*> found;
  const auto [first, last] = byHash_.equal_range(shape.hash);
  for (auto it = first; it != last; ++it)
    if (it->second->shape == shape) found.push_back(it->second);
  return found;
}

void RuleBook::Clear() {
  byHash_.clear();
  rules_.clear();
}

}  // namespace vantorb
