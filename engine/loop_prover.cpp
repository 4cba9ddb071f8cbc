#include "engine/loop_prover.hpp"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "network/exceptions.hpp"
#include "network/run_number.hpp"
#include "engine/neuron_update.hpp"

namespace vantorb {
namespace {

// An update with unknown lengths costs as many as a few dozen plain ones.
constexpr std::int64_t kSymbolicWeight = 24;
// Iterations of a proof between two questions to its stop request.
constexpr std::int64_t kStopCheckInterval = 32;

// A neuron's value held as runs whose lengths count with Count, with the
// operations UpdateNeuron asks for.
template <class Count>
class RunsValue {
 public:
  RunValue<Count> v;

  void Clear() { ClearRuns(v); }
  void Normalize() { NormalizeRuns(v); }
  bool NormalizeStable() const { return RunsNormalizeStable(v); }
  const Count& LimbCount() const { return v.limbCount; }
  void AddSigned(const RunsValue& other, bool negate) { RunsAddSigned(v, other.v, negate); }
  void Add(const RunsValue& other) { RunsAddSigned(v, other.v, false); }
  void AssignProduct(const RunsValue& source, const Number::WeightParts& weight) {
    RunsAssignProduct(v, source.v, weight);
  }
  void Saturate() { RunsSaturate(v); }
};

template <class Count>
RunsValue<Count> Constant(const RunValue<std::uint64_t>& value) {
  RunsValue<Count> constant;
  constant.v.sign = value.sign;
  constant.v.integerPart = value.integerPart;
  constant.v.limbCount = Count(value.limbCount);
  for (const auto& run : value.runs) constant.v.runs.push_back({run.value, Count(run.count)});
  return constant;
}

template <class Count>
RunsValue<Count> Constant(const Number& value) {
  RunsValue<Count> constant;
  constant.v.sign = value.Sign();
  constant.v.integerPart = value.IntegerPart();
  constant.v.limbCount = Count(value.Limbs().size());
  RunNumber::ForEachLimbRun(value, [&constant](std::uint32_t limb, std::uint64_t count) {
    constant.v.runs.push_back({limb, Count(count)});
  });
  return constant;
}

// Whether two values are the same for every value of the unknowns: the
// same runs with the same lengths (the same forms).
bool SameLength(std::uint64_t a, std::uint64_t b) { return a == b; }
bool SameLength(const LinearCount& a, const LinearCount& b) { return a.Form() == b.Form(); }

template <class Count>
bool Identical(const RunValue<Count>& a, const RunValue<Count>& b) {
  if (a.sign != b.sign || a.integerPart != b.integerPart || a.runs.size() != b.runs.size())
    return false;
  for (std::size_t r = 0; r < a.runs.size(); ++r)
    if (a.runs[r].value != b.runs[r].value || !SameLength(a.runs[r].count, b.runs[r].count))
      return false;
  return true;
}

// "Eout" holds exactly 1: a fact of the shape, the same for every length.
template <class Count>
bool IsExactlyOne(const RunValue<Count>& v) {
  if (v.sign < 0 || v.integerPart != 1) return false;
  for (const auto& run : v.runs)
    if (run.value != 0) return false;
  return true;
}

// The course of a period from a state of lengths counted with Count: steps
// computed neuron by neuron, inner loops crossed by their rules.
template <class Count>
class Course {
 public:
  Course(const ProverNetwork& net, std::vector<RunsValue<Count>> start) : net_(net) {
    state_ = std::move(start);
    for (const auto& input : net.inputs) state_.push_back(Constant<Count>(input));
    for (std::uint32_t n = 0; n < net.computed; ++n) bias_.push_back(Constant<Count>((*net.bias)[n]));
    next_ = state_;
    mark_.assign(net.computed, 0);
    neuronHash_.resize(net.computed);
    for (std::uint32_t n = 0; n < net.computed; ++n) Rehash(n);
  }

  // The hash of the present state's shape, kept up to date by Step: most
  // states are told apart from the one sought without looking at them.
  std::uint64_t Hash() const { return hash_; }

  // The shape of the present state, and where its lengths are.
  const StateShape& Look() {
    shape_ = StateShape();
    lengths_.clear();
    shape_.firstRun.push_back(0);
    for (std::uint32_t n = 0; n < net_.computed; ++n) {
      RunValue<Count>& value = state_[n].v;
      shape_.signs.push_back(value.sign);
      shape_.integers.push_back(value.integerPart);
      for (auto& run : value.runs) {
        shape_.runValues.push_back(run.value);
        lengths_.push_back(&run.count);
      }
      shape_.firstRun.push_back(static_cast<std::uint32_t>(shape_.runValues.size()));
      NeuronShapeHasher hasher(n, value.sign, value.integerPart);
      for (const auto& run : value.runs) hasher.Add(run.value);
      shape_.hash += hasher.Finish();
    }
    return shape_;
  }
  std::vector<Count*>& Lengths() { return lengths_; }
  // After lengths were moved through Lengths(): each value's limb count is
  // the sum of its runs' lengths again.
  void Retally() {
    for (std::uint32_t n = 0; n < net_.computed; ++n) {
      RunValue<Count>& value = state_[n].v;
      value.limbCount = Count(0);
      for (const auto& run : value.runs) value.limbCount += run.count;
    }
  }

  bool EndSignal() const {
    return net_.endNeuron >= 0 && IsExactlyOne(state_[static_cast<std::size_t>(net_.endNeuron)].v);
  }

  // Every neuron is to be computed in the next iteration (at the start, and
  // after lengths moved).
  void ComputeAll() { everything_ = true; }

  // One iteration: the neurons fed by a change are computed, and those
  // whose value changed commit it. Returns how many were computed.
  std::size_t Step() {
    ++generation_;
    dirty_.clear();
    if (everything_) {
      for (std::uint32_t n = 0; n < net_.computed; ++n) dirty_.push_back(n);
    } else {
      for (std::uint32_t source : changed_)
        for (auto k = (*net_.feedStart)[source]; k < (*net_.feedStart)[source + 1]; ++k) {
          const std::uint32_t target = (*net_.feedTarget)[k];
          if (mark_[target] == generation_) continue;
          mark_[target] = generation_;
          dirty_.push_back(target);
        }
    }
    everything_ = false;
    for (std::uint32_t n : dirty_)
      UpdateNeuron(
          next_[n], term_, (*net_.synapseStart)[n], (*net_.synapseStart)[n + 1],
          net_.synapseSource->data(), net_.synapseWeight->data(),
          [this](std::uint32_t node) -> const RunsValue<Count>& { return state_[node]; },
          bias_[n], [](const RunsValue<Count>&) {});
    changed_.clear();
    for (std::uint32_t n : dirty_)
      if (!Identical(next_[n].v, state_[n].v)) {
        std::swap(state_[n], next_[n]);
        changed_.push_back(n);
        Rehash(n);
      }
    return dirty_.size();
  }
  const RunValue<Count>& Now(std::uint32_t n) const { return state_[n].v; }
  // The neurons the last Step changed.
  const std::vector<std::uint32_t>& Changed() const { return changed_; }

 private:
  const ProverNetwork& net_;
  std::vector<RunsValue<Count>> state_, next_, bias_;
  RunsValue<Count> term_;
  bool everything_ = true;
  std::vector<std::uint32_t> dirty_, changed_;
  std::vector<std::uint64_t> mark_;
  std::uint64_t generation_ = 0;
  void Rehash(std::uint32_t n) {
    const RunValue<Count>& value = state_[n].v;
    NeuronShapeHasher hasher(n, value.sign, value.integerPart);
    for (const auto& run : value.runs) hasher.Add(run.value);
    const std::uint64_t h = hasher.Finish();
    hash_ += h - neuronHash_[n];
    neuronHash_[n] = h;
  }

  StateShape shape_;
  std::vector<Count*> lengths_;
  std::vector<std::uint64_t> neuronHash_;
  std::uint64_t hash_ = 0;
};

Wide SlopeOf(const LoopRule& rule, const LinearForm& form) {
  Wide slope = 0;
  for (const auto& [variable, coefficient] : form.Terms())
    slope += static_cast<Wide>(coefficient) * rule.delta[variable];
  return slope;
}

Wide WitnessOf(std::uint64_t count) { return static_cast<Wide>(count); }
Wide WitnessOf(const LinearCount& count) { return count.Witness(); }

// The count a form of an inner rule's unknowns takes at the lengths given
// as counts.
LinearCount Substitute(const LinearForm& form, const std::vector<LinearCount*>& lengths) {
  LinearCount value(LinearForm(form.Constant()), form.Constant());
  for (const auto& [variable, coefficient] : form.Terms())
    value += lengths[variable]->Scaled(coefficient);
  return value;
}

// What an inner loop's rule does at a state of its shape.
enum class Crossing {
  kCrossed,
  kEnds,       // fewer than a period is left: the loop's last iterations
  kElsewhere,  // the rule holds for other lengths than these
  kNotLinear,  // its periods or their iterations are no linear count here
};

// Crosses as many periods of an inner loop's rule as the lengths allow,
// when that number is linear in the unknowns: the bound that ends the loop
// falls by one each period and a period's iterations do not change. Adds
// the conditions that make the crossing the same everywhere (for counts
// that record them), moves the lengths and adds the iterations; any other
// outcome changes nothing.
template <class Count>
Crossing Cross(const LoopRule& rule, std::vector<Count*>& lengths, Count& iterations) {
  // Every bound on the periods: a form b(y) >= 0 of the rule's unknowns y
  // that moves by `slope` per period, so that periods j with
  // b(y) + j * slope >= 0 are allowed.
  struct Bound {
    LinearForm form;
    Wide slope;
  };
  std::vector<Bound> bounds;
  for (const LinearForm& condition : rule.conditions)
    bounds.push_back({condition, SlopeOf(rule, condition)});
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    LinearForm atLeastOne = LinearForm::Unknown(static_cast<std::uint32_t>(i));
    atLeastOne += -1;
    bounds.push_back({atLeastOne, rule.delta[i]});
  }
  if (SlopeOf(rule, rule.period) != 0) return Crossing::kNotLinear;
  std::vector<Wide> y;
  for (const Count* length : lengths) y.push_back(WitnessOf(*length));
  // The bound that ends the loop first, at the witness.
  std::size_t binding = bounds.size();
  Wide periods = 0;
  for (std::size_t b = 0; b < bounds.size(); ++b) {
    const Wide at = bounds[b].form.At(y);
    if (at < 0) return bounds[b].slope < 0 ? Crossing::kEnds : Crossing::kElsewhere;
    if (bounds[b].slope >= 0) continue;
    const Wide allowed = at / -bounds[b].slope + 1;
    if (binding == bounds.size() || allowed < periods ||
        (allowed == periods && bounds[b].slope == -1)) {
      binding = b;
      periods = allowed;
    }
  }
  if (binding == bounds.size() || bounds[binding].slope != -1) return Crossing::kNotLinear;
  if constexpr (std::is_same_v<Count, LinearCount>) {
    const LinearCount count = Substitute(bounds[binding].form, lengths) + LinearCount(1);
    const LinearCount period = Substitute(rule.period, lengths);
    if (!period.Form().IsConstant() && !count.Form().IsConstant()) return Crossing::kNotLinear;
    Conditions& conditions = Conditions::Current();
    for (const Bound& bound : bounds) {
      LinearForm at = Substitute(bound.form, lengths).Form();
      if (bound.slope < 0)
        at += (count - LinearCount(1)).Form().Scaled(static_cast<std::int64_t>(bound.slope));
      conditions.Require(at);
    }
    if (period.Form().IsConstant()) {
      iterations += count.Scaled(static_cast<std::int64_t>(period.Witness()));
    } else {
      iterations += period.Scaled(static_cast<std::int64_t>(count.Witness()));
    }
    for (std::size_t i = 0; i < lengths.size(); ++i)
      if (rule.delta[i] != 0) *lengths[i] += count.Scaled(rule.delta[i]);
  } else {
    const Wide count = periods;
    const Wide period = rule.period.At(y);
    iterations += static_cast<Count>(count * period);
    for (std::size_t i = 0; i < lengths.size(); ++i)
      *lengths[i] = static_cast<Count>(y[i] + count * rule.delta[i]);
  }
  return Crossing::kCrossed;
}

// What a period does, step by step or loop by loop, until the state has
// `shape` again: false when it does not within maxIterations, or the end
// signal comes first. `lastWasStep` tells how the period ended.
template <class Count>
bool RunPeriod(Course<Count>& course, const StateShape& shape, const RuleBook& book,
               std::int64_t maxIterations, Count& iterations, bool& lastWasStep,
               std::vector<std::uint64_t>* phases, std::int64_t& work, const StopRequest& stop,
               bool& stopped) {
  lastWasStep = false;
  for (std::int64_t steps = 0; steps <= maxIterations; ++steps) {
    if (stop && steps % kStopCheckInterval == 0 && stop()) {
      stopped = true;
      return false;
    }
    if (steps > 0) {
      const std::uint64_t hash = course.Hash();
      if (hash == shape.hash && course.Look() == shape) return true;
      if (phases != nullptr) phases->push_back(hash);
      if (course.EndSignal()) return false;  // the network answers within it
      // An inner loop is crossed by a rule, or stepped through to its end
      // when less than a period of it is left; one that would be stepped
      // through whole makes no period worth proving.
      bool crossed = false, ending = false, known = false;
      const std::vector<const LoopRule*> inners =
          book.Knows(hash) ? book.Find(course.Look()) : std::vector<const LoopRule*>();
      for (const LoopRule* inner : inners) {
        known = true;
        const Crossing crossing = Cross(*inner, course.Lengths(), iterations);
        if (crossing == Crossing::kCrossed) {
          course.Retally();
          course.ComputeAll();
          crossed = true;
          break;
        }
        ending = ending || crossing == Crossing::kEnds;
      }
      if (known && !crossed && !ending) return false;
      if (crossed) {
        lastWasStep = false;
        continue;  // a crossing counts as a step of the budget
      }
    }
    constexpr std::int64_t kWeight = std::is_same_v<Count, LinearCount> ? kSymbolicWeight : 1;
    work += kWeight * static_cast<std::int64_t>(course.Step());
    iterations += Count(1);
    lastWasStep = true;
  }
  return false;
}

// Whether the most periods a leap from `lengths` could cover, every run
// at least one limb long at the end, save more updates than proving them
// with unknowns costs (a few dozen times the plain period's `plainWork`).
bool WorthProving(const std::vector<std::uint64_t>& lengths, const std::vector<Wide>& direction,
                  std::uint64_t periodIterations, std::int64_t plainWork, double updatesPerIteration) {
  Wide periods = -1;  // none shrinks: no bound here
  for (std::size_t r = 0; r < lengths.size(); ++r) {
    if (direction[r] >= 0) continue;
    const Wide most = (static_cast<Wide>(lengths[r]) - 1) / -direction[r];
    periods = periods < 0 ? most : std::min(periods, most);
  }
  if (periods < 0) return true;
  const double saved = static_cast<double>(periods) * static_cast<double>(periodIterations) *
                       updatesPerIteration;
  return saved >= static_cast<double>(kSymbolicWeight) * static_cast<double>(plainWork);
}

}  // namespace

std::optional<LoopRule> LoopProver::Prove(const StateShape& shape,
                                          const std::vector<std::uint64_t>& lengths,
                                          const RuleBook& book, std::int64_t maxIterations,
                                          std::int64_t& work, double updatesPerIteration,
                                          const StopRequest& stop) {
  const ProverNetwork& net = network_;
  stopped_ = false;
  try {
    // First the period itself, on plain lengths: whether the shape comes
    // back, and how far each length moves. It costs what the iterations
    // cost, so a loop that is ending is found out cheaply.
    std::vector<RunsValue<std::uint64_t>> plainStart(net.computed);
    for (std::uint32_t n = 0; n < net.computed; ++n) plainStart[n].v = NeuronValue(shape, n, lengths);
    Course<std::uint64_t> plain(net, std::move(plainStart));
    std::uint64_t plainIterations = 0;
    bool lastWasStep = false;
    const std::int64_t workBefore = work;
    if (!RunPeriod(plain, shape, book, maxIterations, plainIterations, lastWasStep, nullptr, work,
                   stop, stopped_))
      return std::nullopt;
    std::vector<Wide> direction;
    for (std::size_t r = 0; r < lengths.size(); ++r)
      direction.push_back(static_cast<Wide>(*plain.Lengths()[r]) - static_cast<Wide>(lengths[r]));
    if (updatesPerIteration > 0 &&
        !WorthProving(lengths, direction, plainIterations, work - workBefore, updatesPerIteration))
      return std::nullopt;

    // Then the same period with every length an unknown, at least 1.
    Conditions conditions;
    Conditions::Scope scope(conditions);
    conditions.SetDirection(direction);
    std::vector<RunsValue<LinearCount>> start(net.computed);
    for (std::uint32_t n = 0; n < net.computed; ++n) {
      RunValue<LinearCount>& value = start[n].v;
      value.sign = shape.signs[n];
      value.integerPart = shape.integers[n];
      value.limbCount = LinearCount(0);
      for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r) {
        const LinearCount length(LinearForm::Unknown(r), static_cast<Wide>(lengths[r]));
        value.runs.push_back({shape.runValues[r], length});
        value.limbCount += length;
        LinearForm atLeastOne = LinearForm::Unknown(r);
        atLeastOne += -1;
        conditions.Require(atLeastOne);
      }
    }
    Course<LinearCount> course(net, std::move(start));
    LinearCount iterations(0);
    std::vector<std::uint64_t> phases;
    if (!RunPeriod(course, shape, book, maxIterations, iterations, lastWasStep, &phases, work, stop,
                   stopped_))
      return std::nullopt;

    // Each length moved by what it moved at the witness: a constant, or a
    // condition that makes it one (a run that is always one limb long).
    LoopRule rule;
    const std::vector<LinearCount*>& moved = course.Lengths();
    for (std::size_t r = 0; r < moved.size(); ++r) {
      LinearForm change = moved[r]->Form() - LinearForm::Unknown(static_cast<std::uint32_t>(r));
      const Wide by = direction[r];
      if (by > INT64_MAX || by < -INT64_MAX) return std::nullopt;
      if (!change.IsConstant()) {
        change += -by;
        conditions.Require(change);
        conditions.Require(-change);
      } else if (change.Constant() != by) {
        return std::nullopt;  // cannot be: the two passes disagree
      }
      rule.delta.push_back(static_cast<std::int64_t>(by));
    }
    rule.shape = shape;
    rule.period = iterations.Form();
    if (lastWasStep) {
      rule.changedAtEnd = course.Changed();
    } else {
      for (std::uint32_t n = 0; n < net.computed; ++n) rule.changedAtEnd.push_back(n);
    }
    rule.conditions = conditions.All();
    rule.phases = std::move(phases);
    return rule;
  } catch (const NumberException&) {
    // A value or a length out of range on the way: no rule. The engine
    // goes on step by step and meets the error there if it is real.
    return std::nullopt;
  }
}

}  // namespace vantorb
