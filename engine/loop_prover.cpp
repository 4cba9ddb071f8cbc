#include "engine/loop_prover.hpp"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <unordered_map>
#include <type_traits>
#include <utility>

#include "network/exceptions.hpp"
#include "network/run_number.hpp"
#include "engine/neuron_update.hpp"
#include "engine/round_polynomial.hpp"

namespace vantorb {
namespace {

// Inner loops proved during one proof at most, and how deep.
constexpr int kMaxInnerProofs = 16;
constexpr int kMaxNesting = 2;
// An update with unknown lengths costs as many as a few dozen plain ones.
constexpr std::int64_t kSymbolicWeight = 24;
// Iterations of a proof between two questions to its stop request.
constexpr std::int64_t kStopCheckInterval = 32;
// The longest period whose states a decline lists.
constexpr std::size_t kMostListedPhases = 4096;

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

// Whether two values are the same: the same runs with the same lengths.
// Lengths of different forms that are equal at the witness are made so
// by the conditions (a value recomputed at rest, say a zero of one limb
// against the unknown length it started with), so that a neuron that
// does not change at the witness changes nowhere the rule holds.
bool SameLength(std::uint64_t a, std::uint64_t b) { return a == b; }
bool SameLength(const SymbolicCount& a, const SymbolicCount& b) { return a == b; }

// Whether the lengths of two values that are the same have the same forms
// too (always, for plain lengths).
bool SameForms(const RunValue<std::uint64_t>&, const RunValue<std::uint64_t>&) { return true; }
bool SameForms(const RunValue<SymbolicCount>& a, const RunValue<SymbolicCount>& b) {
  for (std::size_t r = 0; r < a.runs.size(); ++r)
    if (!(a.runs[r].count.Form() == b.runs[r].count.Form())) return false;
  return true;
}

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
  // `parts`: the parts of the network whose hashes the course keeps up
  // to date (PartHash), as the engine does.
  Course(const ProverNetwork& net, std::vector<RunsValue<Count>> start,
         const std::vector<std::vector<std::uint32_t>>& parts = {})
      : net_(net) {
    state_ = std::move(start);
    for (const auto& input : net.inputs) state_.push_back(Constant<Count>(input));
    for (std::uint32_t n = 0; n < net.computed; ++n) bias_.push_back(Constant<Count>((*net.bias)[n]));
    next_ = state_;
    mark_.assign(net.computed, 0);
    everComputed_.assign(net.computed, 0);
    neuronHash_.resize(net.computed);
    partsOf_.resize(net.computed);
    partHash_.assign(parts.size(), 0);
    for (std::uint32_t p = 0; p < parts.size(); ++p)
      for (const std::uint32_t n : parts[p]) partsOf_[n].push_back(p);
    for (std::uint32_t n = 0; n < net.computed; ++n) Rehash(n);
  }

  // The hash of the present state's shape, kept up to date by Step: most
  // states are told apart from the one sought without looking at them.
  std::uint64_t Hash() const { return hash_; }

  // The shape of the present state, of every neuron or of a part (as
  // StateShape::neurons), and where its lengths are.
  const StateShape& Look(const std::vector<std::uint32_t>& part = {}) {
    ShapeBuilder builder(shape_);
    lengths_.clear();
    const auto read = [this, &builder](std::uint32_t n) {
      for (auto& run : state_[n].v.runs) {
        builder.AddRun(run.value);
        lengths_.push_back(&run.count);
      }
    };
    if (part.empty()) {
      for (std::uint32_t n = 0; n < net_.computed; ++n) {
        builder.AddNeuron(state_[n].v.sign, state_[n].v.integerPart);
        read(n);
      }
    } else {
      for (const std::uint32_t n : part) {
        builder.AddNeuronOf(n, state_[n].v.sign, state_[n].v.integerPart);
        read(n);
      }
    }
    builder.Finish();
    return shape_;
  }
  std::uint64_t PartHash(std::size_t part) const { return partHash_[part]; }
  // The hash of the present shape of some neurons (sorted or not).
  std::uint64_t HashOf(const std::vector<std::uint32_t>& neurons) const {
    std::uint64_t hash = 0;
    for (const std::uint32_t n : neurons) hash += neuronHash_[n];
    return hash;
  }
  std::size_t Parts() const { return partHash_.size(); }
  // The neurons the next iteration computes, sorted: false where that is
  // every one.
  bool Due(std::vector<std::uint32_t>& due) const {
    due.clear();
    if (everything_) return false;
    if (haveFirst_) {
      due = first_;
      return true;
    }
    for (std::uint32_t source : changed_)
      for (auto k = (*net_.feedStart)[source]; k < (*net_.feedStart)[source + 1]; ++k)
        due.push_back((*net_.feedTarget)[k]);
    std::sort(due.begin(), due.end());
    due.erase(std::unique(due.begin(), due.end()), due.end());
    return true;
  }
  std::vector<Count*>& Lengths() { return lengths_; }

  bool EndSignal() const {
    return net_.endNeuron >= 0 && IsExactlyOne(state_[static_cast<std::size_t>(net_.endNeuron)].v);
  }

  // After an inner loop's periods were crossed at once (its lengths moved
  // through Lengths()): as after a leap, the next iteration computes what
  // the inner period's last iteration changed; the neurons the inner loop
  // may have computed on the way count as computed (every one, but for a
  // rule over a part).
  void Crossed(const LoopRule& inner) {
    Retally();
    if (inner.shape.neurons.empty()) {
      everComputed_.assign(net_.computed, 1);
    } else {
      for (const std::uint32_t n : inner.shape.neurons) everComputed_[n] = 1;
    }
    haveFirst_ = false;
    everything_ = inner.changedAtEnd.size() == net_.computed;
    if (!everything_) changed_ = inner.changedAtEnd;
  }
  // Only these are, at the start: the rest are at rest, their values what
  // their sources make.
  void ComputeFirst(const std::vector<std::uint32_t>& neurons) {
    everything_ = false;
    first_ = neurons;
    haveFirst_ = true;
  }
  // Every neuron computed so far, in order.
  std::vector<std::uint32_t> Computed() const {
    std::vector<std::uint32_t> computed;
    for (std::uint32_t n = 0; n < net_.computed; ++n)
      if (everComputed_[n]) computed.push_back(n);
    return computed;
  }

  // One iteration: the neurons fed by a change are computed, and those
  // whose value changed commit it. Returns how many were computed.
  std::size_t Step() {
    ++generation_;
    dirty_.clear();
    // The first iteration over every neuron (where the neurons due are
    // not known) computes most of them at rest: only those it changes
    // count as computed.
    const bool blanket = everything_ && !started_;
    started_ = true;
    if (everything_) {
      for (std::uint32_t n = 0; n < net_.computed; ++n) dirty_.push_back(n);
    } else if (haveFirst_) {
      dirty_ = first_;
      haveFirst_ = false;
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
    if (!blanket)
      for (std::uint32_t n : dirty_) everComputed_[n] = 1;
    for (std::uint32_t n : dirty_)
      UpdateNeuron(
          next_[n], term_, (*net_.synapseStart)[n], (*net_.synapseStart)[n + 1],
          net_.synapseSource->data(), net_.synapseWeight->data(),
          [this](std::uint32_t node) -> const RunsValue<Count>& { return state_[node]; },
          bias_[n], [](const RunsValue<Count>&) {});
    changed_.clear();
    for (std::uint32_t n : dirty_) {
      if (!Identical(next_[n].v, state_[n].v)) {
        std::swap(state_[n], next_[n]);
        changed_.push_back(n);
        everComputed_[n] = 1;
        Rehash(n);
      } else if (!SameForms(next_[n].v, state_[n].v)) {
        // The same value wherever the rule holds, in the forms it was
        // computed with: those say what the conditions pinned (a length
        // that is 1), so that what reads it later reads a constant.
        std::swap(state_[n], next_[n]);
      }
    }
    return dirty_.size();
  }
  const RunValue<Count>& Now(std::uint32_t n) const { return state_[n].v; }
  // The neurons the last Step changed.
  const std::vector<std::uint32_t>& Changed() const { return changed_; }

 private:
  // After lengths were moved through Lengths(): each value's limb count is
  // the sum of its runs' lengths again.
  void Retally() {
    for (std::uint32_t n = 0; n < net_.computed; ++n) {
      RunValue<Count>& value = state_[n].v;
      value.limbCount = Count(0);
      for (const auto& run : value.runs) value.limbCount += run.count;
    }
  }

  const ProverNetwork& net_;
  std::vector<RunsValue<Count>> state_, next_, bias_;
  RunsValue<Count> term_;
  bool everything_ = true, haveFirst_ = false, started_ = false;
  std::vector<std::uint32_t> dirty_, changed_, first_;
  std::vector<char> everComputed_;
  std::vector<std::uint64_t> mark_;
  std::uint64_t generation_ = 0;
  void Rehash(std::uint32_t n) {
    const RunValue<Count>& value = state_[n].v;
    NeuronShapeHasher hasher(n, value.sign, value.integerPart);
    for (const auto& run : value.runs) hasher.Add(run.value);
    const std::uint64_t h = hasher.Finish();
    hash_ += h - neuronHash_[n];
    for (const std::uint32_t part : partsOf_[n]) partHash_[part] += h - neuronHash_[n];
    neuronHash_[n] = h;
  }

  StateShape shape_;
  std::vector<Count*> lengths_;
  std::vector<std::uint64_t> neuronHash_;
  std::uint64_t hash_ = 0;
  std::vector<std::vector<std::uint32_t>> partsOf_;  // per neuron
  std::vector<std::uint64_t> partHash_;
};

// What an inner loop's rule does at a state of its shape.
enum class Crossing {
  kCrossed,
  kEnds,       // fewer than a period is left: the loop's last iterations
  kElsewhere,  // the rule holds for other lengths than these
  kNotLinear,  // its periods or their iterations are no count of the unknowns here
};

// A count where the lengths are known: the plain pass's, in 127 bits so
// that differences may be negative; past them the proof gives up.
struct ConcreteCount {
  Wide value = 0;
  ConcreteCount() = default;
  ConcreteCount(std::uint64_t v) : value(static_cast<Wide>(v)) {}  // NOLINT: as a count
  ConcreteCount(int v) : value(v) {}                                // NOLINT
  explicit ConcreteCount(Wide v) : value(v) {}
  ConcreteCount& operator+=(const ConcreteCount& other) {
    if (__builtin_add_overflow(value, other.value, &value)) throw NumberException("Too many iterations to prove");
    return *this;
  }
  friend ConcreteCount operator+(ConcreteCount a, const ConcreteCount& b) { return a += b; }
  friend ConcreteCount operator-(ConcreteCount a, const ConcreteCount& b) {
    return a += ConcreteCount(-b.value);
  }
  ConcreteCount Scaled(std::int64_t factor) const { return Times(ConcreteCount(static_cast<Wide>(factor))); }
  ConcreteCount Times(const ConcreteCount& other) const {
    Wide product = 0;
    if (__builtin_mul_overflow(value, other.value, &product)) throw NumberException("Too many iterations to prove");
    return ConcreteCount(product);
  }
  ConcreteCount DividedBy(std::int64_t divisor) const { return ConcreteCount(value / divisor); }
};

template <class Count>
struct CrossingValue {
  using Type = SymbolicCount;
};
template <>
struct CrossingValue<std::uint64_t> {
  using Type = ConcreteCount;
};

}  // namespace

// The crossing of inner loops, the one reader of a count's witness: which
// bound of an inner loop ends it is known only at the witness, and the
// conditions it records make that so wherever they hold.
class CrossingAccess {
 public:
  static Wide WitnessOf(const ConcreteCount& count) { return count.value; }
  static Wide WitnessOf(const SymbolicCount& count) { return count.Witness(WitnessKey()); }
  // A form of the rule's lengths at lengths that are counts, whose
  // witnesses are `at`.
  static ConcreteCount Evaluated(const PolyForm& form, const std::vector<ConcreteCount>&,
                                 const std::vector<Wide>& at) {
    const auto value = form.At(at);
    if (!value) throw NumberException("Too many iterations to prove");
    return ConcreteCount(*value);
  }
  static SymbolicCount Evaluated(const PolyForm& form, const std::vector<SymbolicCount>& y,
                                 const std::vector<Wide>& at) {
    const auto value = form.At(at);
    if (!value) throw NumberException("Too many iterations to prove");
    return SymbolicCount(
        form.SubstitutedWith([&y](std::uint32_t i) -> const PolyForm& { return y[i].Form(); }),
        *value);
  }
  // The witnesses of counts.
  template <class Value>
  static std::vector<Wide> Witnesses(const std::vector<Value>& counts) {
    std::vector<Wide> witnesses;
    witnesses.reserve(counts.size());
    for (const Value& count : counts) witnesses.push_back(WitnessOf(count));
    return witnesses;
  }
};

namespace {

// A crossing's result as the lengths count.
std::uint64_t Back(const ConcreteCount& count, std::uint64_t) {
  if (count.value < 0 || count.value > static_cast<Wide>(UINT64_MAX))
    throw NumberException("Too many iterations to prove");
  return static_cast<std::uint64_t>(count.value);
}
const SymbolicCount& Back(const SymbolicCount& count, const SymbolicCount&) { return count; }

// Most periods an inner loop is followed for: one that goes on longer
// never ends as far as a proof can tell.
constexpr Wide kEndless = static_cast<Wide>(1) << 62;

// The lengths after k = 0, 1, .. periods, and their witnesses.
template <class Value>
struct Periods {
  std::vector<std::vector<Value>> lengths;
  std::vector<std::vector<Wide>> witnesses;
};

// A form's values after k = 0, 1, .. periods, as the Newton coefficients of
// a polynomial in k: for counts of the unknowns, each a count.
template <class Value>
std::vector<Value> AlongPeriods(const PolyForm& form, const Periods<Value>& periods) {
  const std::size_t degree = static_cast<std::size_t>(form.Degree());
  std::vector<Value> values;
  for (std::size_t k = 0; k <= degree; ++k)
    values.push_back(CrossingAccess::Evaluated(form, periods.lengths[k], periods.witnesses[k]));
  std::vector<Value> coefficients;
  while (!values.empty()) {
    coefficients.push_back(values[0]);
    for (std::size_t i = 0; i + 1 < values.size(); ++i) values[i] = values[i + 1] - values[i];
    values.pop_back();
  }
  return coefficients;
}

// C(n, m) for a count n.
template <class Count>
Count Choose(const Count& n, int m) {
  Count product(1);
  std::int64_t factorial = 1;
  for (int i = 0; i < m; ++i) {
    product = product.Times(n - Count(static_cast<std::uint64_t>(i)));
    factorial *= i + 1;
  }
  return product.DividedBy(factorial);
}

// The course of every bound that ends a run of an inner loop's periods,
// at the witness: the conditions, every run at least a limb long, every
// period at least an iteration; each as a polynomial in the period's
// number, from the lengths w moving by dw a period.
std::vector<std::vector<Wide>> WitnessCourses(const LoopRule& rule, const std::vector<Wide>& w,
                                              const std::vector<Wide>& dw, int degree) {
  std::vector<std::vector<Wide>> at(1, w);
  for (int k = 1; k <= degree; ++k) {
    at.push_back(at.back());
    for (std::size_t i = 0; i < w.size(); ++i) at.back()[i] += dw[i];
  }
  const auto course = [&at](const PolyForm& form, Wide less) {
    std::vector<Wide> values;
    for (int k = 0; k <= form.Degree(); ++k) {
      const auto value = form.At(at[static_cast<std::size_t>(k)]);
      if (!value) throw NumberException("Too many iterations to prove");
      values.push_back(*value - less);
    }
    const auto polynomial = RoundPolynomial::FromValues(values);
    if (!polynomial) throw NumberException("Too many iterations to prove");
    return polynomial->Coefficients();
  };
  std::vector<std::vector<Wide>> courses;
  for (const PolyForm& condition : rule.conditions) courses.push_back(course(condition, 0));
  for (std::size_t i = 0; i < w.size(); ++i) courses.push_back({w[i] - 1, dw[i]});
  courses.push_back(course(rule.period, 1));
  return courses;
}

// Most periods of an inner loop taken one by one before its lengths follow
// polynomials in the period's number (a length reset in the first period
// follows one from the second on).
constexpr int kMaxSettlePeriods = 2;

// Whether a period of `rule` starts at lengths x: every condition holds,
// every run is at least a limb long and the period takes an iteration.
bool StartsAt(const LoopRule& rule, const std::vector<Wide>& x) {
  for (const PolyForm& condition : rule.conditions) {
    const auto value = condition.At(x);
    if (!value || *value < 0) return false;
  }
  for (const Wide length : x)
    if (length < 1) return false;
  const auto busy = rule.period.At(x);
  return busy && *busy >= 1;
}

// The closed-form part of a crossing, from settled lengths y (witnesses
// wy): the periods until the `binding` one of the bounds `witnessed` at
// the witness ends the loop, where every other bound holds all the way.
// On success adds their iterations to `total` and moves y past them.
template <class Value>
bool CrossClosed(const LoopRule& rule, const std::vector<std::vector<Wide>>& witnessed,
                 std::size_t binding, int degree, std::vector<Value>& y,
                 const std::vector<Wide>& wy, Value& total) {
  constexpr bool kSymbolic = std::is_same_v<Value, SymbolicCount>;
  std::vector<Value> dy;
  for (const PolyForm& change : rule.delta) dy.push_back(CrossingAccess::Evaluated(change, y, wy));
  Periods<Value> periods{{y}, {wy}};
  for (int k = 1; k <= degree; ++k) {
    std::vector<Value> next;
    for (std::size_t i = 0; i < y.size(); ++i) next.push_back(periods.lengths.back()[i] + dy[i]);
    periods.witnesses.push_back(CrossingAccess::Witnesses(next));
    periods.lengths.push_back(std::move(next));
  }
  const auto courseOf = [&](std::size_t b) -> std::vector<Value> {
    const std::size_t conditions = rule.conditions.size();
    if (b < conditions) return AlongPeriods(rule.conditions[b], periods);
    if (b < conditions + y.size()) return {y[b - conditions] - Value(1), dy[b - conditions]};
    std::vector<Value> busy = AlongPeriods(rule.period, periods);
    busy[0] = busy[0] - Value(1);
    return busy;
  };
  const std::vector<Value> ending = courseOf(binding);
  if constexpr (kSymbolic) {
    if (!ending[1].Form().IsConstant()) return false;
  }
  // n periods: the ending bound goes from ending[0] down to 0.
  const Value count = ending[0] + Value(1);
  if constexpr (kSymbolic) {
    if (!(ending[0] >= 0)) return false;
    for (std::size_t b = 0; b < witnessed.size(); ++b) {
      if (b == binding) continue;
      const std::vector<Value> course = courseOf(b);
      if (!(course[0] >= 0)) return false;
      if (course.size() == 2) {
        // Linear in the period's number: its last period too.
        if (!(course[0] + course[1].Times(count - Value(1)) >= 0)) return false;
      } else {
        // Every difference at least 0: it never falls.
        for (std::size_t j = 1; j < course.size(); ++j)
          if (!(course[j] >= 0)) return false;
      }
    }
  }
  const std::vector<Value> busy = AlongPeriods(rule.period, periods);
  for (std::size_t j = 0; j < busy.size(); ++j)
    total += busy[j].Times(Choose(count, static_cast<int>(j) + 1));
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = y[i] + dy[i].Times(count);
  return true;
}

// Crosses as many periods of an inner loop's rule as the lengths allow,
// when that number is a count of the unknowns. The rule's first periods,
// while some of its lengths settle, are taken one by one, each where the
// rule holds; after them its lengths move by the same amount every period
// (they are linear in the period's number), the bound that ends the loop
// first falls by one each period, and every other bound holds all the way
// (checked at both ends where it is linear in the period's number, by its
// differences where it is more). A loop that ends as it settles, or whose
// later periods have no such count, is crossed over the periods taken one
// by one only. Adds the conditions that make the crossing the same
// everywhere (for counts that record them), moves the lengths and adds the
// iterations; any other outcome changes nothing. Which bound ends the loop
// is found at the witness alone; the counts are made only for a loop that
// is crossed.
template <class Count>
Crossing Cross(const LoopRule& rule, std::vector<Count*>& lengths, Count& iterations) {
  using Value = typename CrossingValue<Count>::Type;
  constexpr bool kSymbolic = std::is_same_v<Count, SymbolicCount>;
  if (!rule.Summable() || rule.LengthDegree() > 1 || rule.SettleRounds() > kMaxSettlePeriods)
    return Crossing::kNotLinear;
  std::vector<Wide> w;
  for (const Count* length : lengths) w.push_back(CrossingAccess::WitnessOf(Value(*length)));
  const auto moved = [&rule](const std::vector<Wide>& x) -> std::optional<std::vector<Wide>> {
    std::vector<Wide> next = x;
    for (std::size_t i = 0; i < x.size(); ++i) {
      const auto by = rule.delta[i].At(x);
      if (!by) return std::nullopt;
      next[i] += *by;
    }
    return next;
  };
  // The settling periods that start at the witness. A rule that does not
  // hold here at all is for other lengths, unless its bounds are falling
  // (the loop is ending, and is stepped through).
  std::vector<Wide> settledAt = w;
  int taken = 0;
  for (; taken < rule.SettleRounds(); ++taken) {
    const auto next = moved(settledAt);
    if (!StartsAt(rule, settledAt) || !next) break;
    settledAt = *next;
  }
  if (taken == 0 && rule.SettleRounds() > 0) {
    const auto next = moved(w);
    for (const PolyForm& condition : rule.conditions) {
      const auto now = condition.At(w);
      const auto then = next ? condition.At(*next) : std::nullopt;
      if (now && then && *now < 0 && *then < *now) return Crossing::kEnds;
    }
    return Crossing::kElsewhere;
  }
  // The closed form after them: how many periods, ended by which bound.
  bool closed = taken == rule.SettleRounds();
  std::vector<Wide> dw;
  int degree = rule.period.Degree();
  for (const PolyForm& condition : rule.conditions) degree = std::max(degree, condition.Degree());
  std::vector<std::vector<Wide>> witnessed;
  std::size_t binding = 0;
  if (closed) {
    const auto dwAt = moved(settledAt);
    if (dwAt) {
      for (std::size_t i = 0; i < w.size(); ++i) dw.push_back((*dwAt)[i] - settledAt[i]);
      witnessed = WitnessCourses(rule, settledAt, dw, degree);
    }
    binding = witnessed.size();
    Wide firstFailing = kEndless;
    for (std::size_t b = 0; b < witnessed.size() && closed; ++b) {
      const std::vector<Wide>& course = witnessed[b];
      const Wide first = RoundPolynomial(course).FirstNegative(kEndless);
      if (first == 0) {
        if (taken == 0) return course.size() > 1 && course[1] < 0 ? Crossing::kEnds : Crossing::kElsewhere;
        closed = false;  // it ends as it settles
      }
      // On a tie the bound that falls by one each period is the one that
      // counts them.
      const bool byOne = course.size() == 2 && course[1] == -1;
      if (first < firstFailing || (first == firstFailing && byOne)) {
        firstFailing = first;
        binding = b;
      }
    }
    closed = closed && binding < witnessed.size() && witnessed[binding].size() == 2 &&
             witnessed[binding][1] == -1;
  }
  if (!closed && taken == 0) return Crossing::kNotLinear;

  // The settling periods as counts of the unknowns, each starting where
  // the rule holds.
  std::vector<Value> y;
  for (const Count* length : lengths) y.push_back(Value(*length));
  std::vector<Wide> wy = w;
  Value total(0);
  for (int j = 0; j < taken; ++j) {
    const Value busy = CrossingAccess::Evaluated(rule.period, y, wy);
    if constexpr (kSymbolic) {
      for (const PolyForm& condition : rule.conditions)
        if (!(CrossingAccess::Evaluated(condition, y, wy) >= 0)) return Crossing::kNotLinear;
      for (const Value& length : y)
        if (!(length >= 1)) return Crossing::kNotLinear;
      if (!(busy >= 1)) return Crossing::kNotLinear;
    }
    total += busy;
    std::vector<Value> next;
    for (std::size_t i = 0; i < y.size(); ++i)
      next.push_back(y[i] + CrossingAccess::Evaluated(rule.delta[i], y, wy));
    y = std::move(next);
    wy = CrossingAccess::Witnesses(y);
  }
  if (closed && !CrossClosed(rule, witnessed, binding, degree, y, wy, total)) {
    if (taken == 0) return Crossing::kNotLinear;
  }
  iterations += Back(total, iterations);
  for (std::size_t i = 0; i < lengths.size(); ++i) *lengths[i] = Back(y[i], *lengths[i]);
  return Crossing::kCrossed;
}

// Proves a rule for an inner loop met on the way, at the course's present
// state, within a budget of iterations, and keeps it in the book; null
// when there is none.
template <class Count>
using InnerProof = std::function<const LoopRule*(Course<Count>& course, std::int64_t budget)>;

// Where an inner loop's shape was seen on a pass, to tell a loop the pass
// is in: a shape seen three times at equal distances.
struct InnerSighting {
  std::int64_t step = 0, distance = 0;
  int repeats = 0;
  bool tried = false;
};

// An inner loop crossed on the way: at which step of a period, by which
// rule.
struct CrossedLoop {
  std::int64_t step = 0;
  const LoopRule* rule = nullptr;
};

// What a period does, step by step or loop by loop, until the state has
// `shape` again: false when it does not within maxIterations, or the end
// signal comes first. `lastWasStep` tells how the period ended. With
// `prove`, an inner loop that has no rule that crosses it here gets one,
// proved where the pass meets it. The inner loops crossed are listed in
// `crossings`; with `replay`, the pass crosses those and no others, where
// the list says (the pass with unknowns takes the plain pass's way: rules
// proved on that way may be for other lengths at places it stepped).
template <class Count>
bool RunPeriod(Course<Count>& course, const StateShape& shape, RuleBook& book,
               std::int64_t maxIterations, Count& iterations, bool& lastWasStep,
               std::vector<std::uint64_t>* phases, std::int64_t& work, const StopRequest& stop,
               bool& stopped, std::vector<CrossedLoop>& crossings, bool replay,
               const InnerProof<Count>* prove = nullptr) {
  lastWasStep = false;
  std::unordered_map<std::uint64_t, InnerSighting> sightings;
  std::vector<std::uint32_t> dueNext;
  std::size_t nextCrossing = 0;
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
      if (replay) {
        if (nextCrossing < crossings.size() && crossings[nextCrossing].step == steps) {
          const LoopRule& inner = *crossings[nextCrossing++].rule;
          if (course.Look(inner.shape.neurons) != inner.shape ||
              !inner.StartsWith(course.Due(dueNext) ? &dueNext : nullptr) ||
              Cross(inner, course.Lengths(), iterations) != Crossing::kCrossed)
            return false;
          book.Used(&inner);
          course.Crossed(inner);
          lastWasStep = false;
          continue;
        }
      } else {
      // An inner loop is crossed by a rule, or stepped through to its end
      // when less than a period of it is left; one that would be stepped
      // through whole makes no period worth proving.
      bool crossed = false, ending = false, known = false;
      const auto cross = [&](const LoopRule& inner) {
        const Crossing crossing = Cross(inner, course.Lengths(), iterations);
        // A rule over a part that holds for other lengths says nothing of
        // the loop here: the part may hold an outer loop's counts too, and
        // the loop gets a rule of its own as one without.
        known = known || inner.shape.neurons.empty() || crossing != Crossing::kElsewhere;
        if (crossing == Crossing::kCrossed) {
          book.Used(&inner);
          course.Crossed(inner);
          crossings.push_back({steps, &inner});
          crossed = true;
        }
        ending = ending || crossing == Crossing::kEnds;
      };
      if (book.Knows(hash)) {
        const std::vector<const LoopRule*> rules = book.Find(course.Look());
        const bool due = course.Due(dueNext);
        for (const LoopRule* inner : rules) {
          if (!inner->StartsWith(due ? &dueNext : nullptr)) continue;
          cross(*inner);
          if (crossed) break;
        }
      }
      // Rules over a part of the network, where the neurons due next are
      // ones their proofs computed first.
      for (std::size_t part = 0; part < course.Parts() && !crossed; ++part) {
        if (!book.Knows(course.PartHash(part))) continue;
        const std::vector<const LoopRule*> rules = book.Find(course.Look(book.Parts()[part]));
        const bool due = course.Due(dueNext);
        for (const LoopRule* inner : rules) {
          if (!inner->StartsWith(due ? &dueNext : nullptr)) continue;
          cross(*inner);
          if (crossed) break;
        }
      }
      if (prove != nullptr && !known) {
        // A loop met here that has no rule yet and has come round (inside
        // a proof loops are innermost, or crossed, and their periods the
        // same; the third sighting lets lengths that start out equal grow
        // apart first). A loop whose rules are for other lengths is left
        // to the engine, which proves it where it meets it.
        InnerSighting& seen = sightings[hash];
        const std::int64_t distance = steps - seen.step;
        seen.repeats = seen.repeats > 0 && distance == seen.distance ? seen.repeats + 1 : 1;
        seen.distance = distance;
        seen.step = steps;
        if (!seen.tried && seen.repeats >= 3) {
          seen.tried = true;
          if (const LoopRule* inner = (*prove)(course, 2 * distance + 16)) cross(*inner);
          if (stopped) return false;
        }
      }
      if (known && !crossed && !ending) return false;
      if (crossed) {
        lastWasStep = false;
        continue;  // a crossing counts as a step of the budget
      }
      }
    }
    constexpr std::int64_t kWeight = std::is_same_v<Count, SymbolicCount> ? kSymbolicWeight : 1;
    work += kWeight * static_cast<std::int64_t>(course.Step());
    iterations += Count(1);
    lastWasStep = true;
  }
  return false;
}

// The lengths that the conditions hold to a single value (a run that is
// one limb long whenever the rule applies, say), as constants, and every
// other as itself: a length so held changes by what its change is at that
// value, which is what makes a loop that resets such a run to the same
// length every period a plain loop for it.
std::vector<PolyForm> HeldLengths(const std::vector<PolyForm>& conditions, std::size_t count) {
  std::vector<std::optional<Wide>> least(count), most(count);
  for (const PolyForm& condition : conditions) {
    if (!condition.IsLinear() || condition.Linear().size() != 1) continue;
    // a * x + c >= 0: x >= ceil(-c / a) for a > 0, x <= floor(c / -a) for a < 0.
    const auto [variable, a] = *condition.Linear().begin();
    const Wide c = condition.Constant();
    if (a > 0) {
      const Wide bound = -c >= 0 ? (-c + a - 1) / a : -(c / a);
      if (!least[variable] || *least[variable] < bound) least[variable] = bound;
    } else {
      const Wide bound = c >= 0 ? c / -a : -((-c + -a - 1) / -a);
      if (!most[variable] || *most[variable] > bound) most[variable] = bound;
    }
  }
  std::vector<PolyForm> replacements;
  for (std::uint32_t i = 0; i < count; ++i)
    replacements.push_back(least[i] && most[i] && *least[i] == *most[i] ? PolyForm(*least[i])
                                                                      : PolyForm::Unknown(i));
  return replacements;
}

// Whether a condition follows from every run being at least one limb long
// at the start of every period a leap covers (Reachable sees to it), as
// "x_r - 1 >= 0" or "x_a + x_b - 2 >= 0" do.
bool FollowsFromRuns(const PolyForm& condition) {
  if (!condition.IsLinear()) return false;
  Wide least = condition.Constant();
  for (const auto& [variable, coefficient] : condition.Linear()) {
    if (coefficient < 0) return false;
    least += coefficient;
  }
  return least >= 0;
}

// The same conditions, without those the others imply: a proof records
// one for every comparison it made, and most of them say again what a
// length held to one value (a run that is one limb long whenever the rule
// applies) or a stronger condition on the same lengths already says. Kept
// in every rule they would be most of it, and every leap would check them.
// A held length is put in as its value (its bounds stay); of conditions
// that differ by a constant only the strongest stays; what follows from
// the runs' being at least a limb long goes. The lengths that satisfy the
// conditions are the same (every run at least one limb long), so is every
// leap's reach: the rule is as sound, and smaller.
std::vector<PolyForm> WithoutImplied(std::vector<PolyForm> conditions, std::size_t lengths) {
  const std::vector<PolyForm> held = HeldLengths(conditions, lengths);
  std::vector<PolyForm> kept;
  for (std::uint32_t i = 0; i < lengths; ++i) {
    if (!held[i].IsConstant()) continue;
    const Wide value = held[i].Constant();
    kept.push_back(PolyForm(value) - PolyForm::Unknown(i));
    if (value > 1) kept.push_back(PolyForm::Unknown(i) + PolyForm(-value));
  }
  const auto holdsOne = [&held](const PolyForm& form) {
    for (const std::uint32_t variable : form.Variables())
      if (held[variable].IsConstant()) return true;
    return false;
  };
  struct ByTerms {
    std::size_t operator()(const PolyForm& form) const { return form.Hash(); }
  };
  std::unordered_map<PolyForm, std::size_t, ByTerms> strongest;  // terms alone: where in `kept`
  for (std::size_t k = 0; k < kept.size(); ++k)
    strongest.emplace(kept[k] + PolyForm(-kept[k].Constant()), k);
  for (PolyForm& condition : conditions) {
    PolyForm form =
        holdsOne(condition) ? condition.Substituted(held).Reduced() : std::move(condition);
    if (form.IsConstant()) {
      // True wherever the held lengths have their values, as it is at the
      // witness; a false one would be a fault of the prover.
      if (form.Constant() < 0) throw std::logic_error("A rule's conditions hold nowhere");
      continue;
    }
    if (FollowsFromRuns(form)) continue;
    // Reduced: the denominator is 1, the constant an integer.
    const Wide constant = form.Constant();
    const auto [at, added] = strongest.emplace(form + PolyForm(-constant), kept.size());
    if (added) {
      kept.push_back(std::move(form));
    } else if (constant < kept[at->second].Constant()) {
      kept[at->second] = std::move(form);
    }
  }
  return kept;
}

// The most periods a leap from `lengths` could cover, every run at least
// one limb long at the end; -1 where no run shrinks.
Wide MostPeriods(const std::vector<std::uint64_t>& lengths, const std::vector<Wide>& direction) {
  Wide periods = -1;
  for (std::size_t r = 0; r < lengths.size(); ++r) {
    if (direction[r] >= 0) continue;
    const Wide most = (static_cast<Wide>(lengths[r]) - 1) / -direction[r];
    periods = periods < 0 ? most : std::min(periods, most);
  }
  return periods;
}

// Whether those periods save more updates than proving them with unknowns
// costs (a few dozen times the plain period's `plainWork`).
bool WorthProving(const std::vector<std::uint64_t>& lengths, const std::vector<Wide>& direction,
                  std::uint64_t periodIterations, std::int64_t plainWork, double updatesPerIteration) {
  const Wide periods = MostPeriods(lengths, direction);
  if (periods < 0) return true;
  const double saved = static_cast<double>(periods) * static_cast<double>(periodIterations) *
                       updatesPerIteration;
  return saved >= static_cast<double>(kSymbolicWeight) * static_cast<double>(plainWork);
}

// The neurons a period computes and the neurons they read: the part of
// the network a rule needs to hold.
std::vector<std::uint32_t> PartRead(const ProverNetwork& net,
                                    const std::vector<std::uint32_t>& computed) {
  std::vector<char> in(net.computed, 0);
  for (const std::uint32_t n : computed) {
    in[n] = 1;
    for (auto k = (*net.synapseStart)[n]; k < (*net.synapseStart)[n + 1]; ++k)
      if ((*net.synapseSource)[k] < net.computed) in[(*net.synapseSource)[k]] = 1;
  }
  std::vector<std::uint32_t> part;
  for (std::uint32_t n = 0; n < net.computed; ++n)
    if (in[n]) part.push_back(n);
  return part;
}

// The rule over `part` alone (sorted neurons), its lengths renumbered. The
// rule stays whole where a condition, the period or a change reads a
// length outside the part, or a length outside moves: it is as sound, for
// the same neurons due first, but holds beside those lengths only.
void RestrictToPart(LoopRule& rule, const std::vector<std::uint32_t>& part) {
  const StateShape& whole = rule.shape;
  std::vector<PolyForm> renamed(whole.Runs());
  std::vector<char> kept(whole.Runs(), 0);
  std::uint32_t next = 0;
  for (const std::uint32_t n : part)
    for (std::uint32_t r = whole.firstRun[n]; r < whole.firstRun[n + 1]; ++r) {
      kept[r] = 1;
      renamed[r] = PolyForm::Unknown(next++);
    }
  const auto inside = [&kept](const PolyForm& form) {
    for (const std::uint32_t variable : form.Variables())
      if (!kept[variable]) return false;
    return true;
  };
  for (std::size_t r = 0; r < whole.Runs(); ++r)
    if (kept[r] ? !inside(rule.delta[r]) : !(rule.delta[r].IsConstant() && rule.delta[r].Constant() == 0))
      return;
  if (!inside(rule.period)) return;
  for (const PolyForm& condition : rule.conditions)
    if (!inside(condition)) return;

  StateShape shape;
  ShapeBuilder builder(shape);
  for (const std::uint32_t n : part) {
    builder.AddNeuronOf(n, whole.signs[n], whole.integers[n]);
    for (std::uint32_t r = whole.firstRun[n]; r < whole.firstRun[n + 1]; ++r)
      builder.AddRun(whole.runValues[r]);
  }
  builder.Finish();
  std::vector<PolyForm> delta;
  for (std::size_t r = 0; r < whole.Runs(); ++r)
    if (kept[r]) delta.push_back(rule.delta[r].Substituted(renamed));
  for (PolyForm& condition : rule.conditions) condition = condition.Substituted(renamed);
  rule.period = rule.period.Substituted(renamed);
  rule.delta = std::move(delta);
  rule.shape = std::move(shape);
}

}  // namespace

std::optional<LoopRule> LoopProver::Prove(const StateShape& shape,
                                          const std::vector<std::uint64_t>& lengths,
                                          RuleBook& book, std::int64_t maxIterations,
                                          std::int64_t& work, double updatesPerIteration,
                                          const StopRequest& stop,
                                          const std::vector<std::uint32_t>* dueFirst) {
  const ProverNetwork& net = network_;
  stopped_ = false;
  lastDeclined_ = false;
  declinedPhases_.clear();
  declinedSpan_ = 0;
  // Inner loops the plain pass meets without a rule that crosses them get
  // one there, a few levels deep: the outer loop's rule needs them.
  int innerProofs = 0;
  const InnerProof<std::uint64_t> proveInner = [&](Course<std::uint64_t>& inner,
                                                   std::int64_t budget) -> const LoopRule* {
    if (innerProofs == kMaxInnerProofs) return nullptr;
    ++innerProofs;
    const StateShape innerShape = inner.Look();
    std::vector<std::uint64_t> innerLengths;
    for (const std::uint64_t* length : inner.Lengths()) innerLengths.push_back(*length);
    LoopProver nested(net, depth_ + 1);
    std::optional<LoopRule> rule = nested.Prove(innerShape, innerLengths, book,
                                                std::min(budget, maxIterations), work, 0, stop);
    stopped_ = nested.Stopped();
    innerRules_ += nested.innerRules_;
    innerRoundRules_ += nested.innerRoundRules_;
    if (!rule) return nullptr;
    ++innerRules_;
    const LoopRule* added = book.Add(std::move(*rule));
    if (added->Grows()) ++innerRoundRules_;
    return added;
  };
  try {
    // First the period itself, on plain lengths: whether the shape comes
    // back, and how far each length moves. It costs what the iterations
    // cost, so a loop that is ending is found out cheaply.
    std::vector<RunsValue<std::uint64_t>> plainStart(net.computed);
    for (std::uint32_t n = 0; n < net.computed; ++n) plainStart[n].v = NeuronValue(shape, n, lengths);
    Course<std::uint64_t> plain(net, std::move(plainStart), book.Parts());
    // The states of the period, listed for a loop that may be declined.
    std::vector<std::uint64_t> plainPhases{shape.hash};
    const bool weighing = updatesPerIteration > 0 && declined_ != nullptr;
    std::uint64_t plainIterations = 0;
    bool lastWasStep = false;
    const std::int64_t workBefore = work;
    std::vector<CrossedLoop> crossings;
    if (!RunPeriod(plain, shape, book, maxIterations, plainIterations, lastWasStep,
                   weighing ? &plainPhases : nullptr, work, stop, stopped_, crossings, false,
                   depth_ < kMaxNesting ? &proveInner : nullptr))
      return std::nullopt;
    std::vector<Wide> direction;
    for (std::size_t r = 0; r < lengths.size(); ++r)
      direction.push_back(static_cast<Wide>(*plain.Lengths()[r]) - static_cast<Wide>(lengths[r]));
    if (updatesPerIteration > 0) {
      // The part's shape is the one it started with: the period came back.
      const std::uint64_t part = weighing ? plain.HashOf(PartRead(net, plain.Computed())) : 0;
      std::uint32_t before = 0;
      if (weighing)
        if (const auto found = declined_->find(part); found != declined_->end()) before = found->second;
      if (!WorthProving(lengths, direction, plainIterations, work - workBefore,
                        updatesPerIteration * (1.0 + before))) {
        lastDeclined_ = true;
        if (weighing) {
          ++(*declined_)[part];
          // The loop's other phases, met before it ends, are the same loop
          // at the same meeting, and would be declined alike.
          const Wide periods = MostPeriods(lengths, direction);
          if (plainPhases.size() <= kMostListedPhases && periods >= 0) {
            declinedPhases_ = std::move(plainPhases);
            declinedSpan_ = static_cast<std::int64_t>(
                std::min<Wide>((periods + 1) * static_cast<Wide>(plainIterations), INT64_MAX / 4));
          }
        }
        return std::nullopt;
      }
    }

    // Then the same period with every length an unknown, at least 1.
    Conditions conditions;
    Conditions::Scope scope(conditions);
    conditions.SetDirection(std::vector<Wide>(lengths.begin(), lengths.end()), direction);
    std::vector<RunsValue<SymbolicCount>> start(net.computed);
    for (std::uint32_t n = 0; n < net.computed; ++n) {
      RunValue<SymbolicCount>& value = start[n].v;
      value.sign = shape.signs[n];
      value.integerPart = shape.integers[n];
      value.limbCount = SymbolicCount(0);
      for (std::uint32_t r = shape.firstRun[n]; r < shape.firstRun[n + 1]; ++r) {
        const SymbolicCount length(PolyForm::Unknown(r), static_cast<Wide>(lengths[r]));
        value.runs.push_back({shape.runValues[r], length});
        value.limbCount += length;
        PolyForm atLeastOne = PolyForm::Unknown(r);
        atLeastOne += -1;
        conditions.Require(atLeastOne);
      }
    }
    Course<SymbolicCount> course(net, std::move(start));
    // With unknowns, the first iteration computes every neuron the plain
    // pass computed at all: each must come out as it did for any lengths,
    // so that the rule holds wherever the neurons due are among them.
    std::vector<std::uint32_t> firstComputed;
    if (dueFirst != nullptr) {
      const std::vector<std::uint32_t> computed = plain.Computed();
      std::set_union(computed.begin(), computed.end(), dueFirst->begin(), dueFirst->end(),
                     std::back_inserter(firstComputed));
      course.ComputeFirst(firstComputed);
    }
    SymbolicCount iterations(0);
    std::vector<std::uint64_t> phases;
    if (!RunPeriod(course, shape, book, maxIterations, iterations, lastWasStep, &phases, work, stop,
                   stopped_, crossings, true))
      return std::nullopt;

    // Each length moved by what it moved at the witness, as a form of the
    // lengths: a constant for a plain loop, an amount that depends on
    // other lengths for a round rule.
    LoopRule rule;
    const std::vector<SymbolicCount*>& moved = course.Lengths();
    const std::vector<Wide> witness(lengths.begin(), lengths.end());
    for (std::size_t r = 0; r < moved.size(); ++r) {
      PolyForm change = moved[r]->Form() - PolyForm::Unknown(static_cast<std::uint32_t>(r));
      if (change.At(witness) != direction[r]) return std::nullopt;  // the two passes disagree
      rule.delta.push_back(std::move(change));
    }
    rule.shape = shape;
    rule.period = iterations.Form();
    if (lastWasStep) {
      rule.changedAtEnd = course.Changed();
    } else {
      for (std::uint32_t n = 0; n < net.computed; ++n) rule.changedAtEnd.push_back(n);
    }
    rule.conditions = conditions.All();
    const std::vector<PolyForm> held = HeldLengths(rule.conditions, rule.delta.size());
    for (std::size_t r = 0; r < rule.delta.size(); ++r)
      if (!rule.delta[r].IsConstant()) rule.delta[r] = rule.delta[r].Substituted(held);
    if (!rule.period.IsConstant()) rule.period = rule.period.Substituted(held);
    rule.phases = std::move(phases);
    rule.Prepare();
    if (!rule.Summable()) {
      // Lengths that feed back into themselves (or rounds too far from a
      // closed form): each moves by what it moved here, as a plain loop's
      // do, where the conditions make it so.
      for (std::size_t r = 0; r < rule.delta.size(); ++r) {
        if (rule.delta[r].IsConstant()) continue;
        PolyForm pinned = rule.delta[r];
        pinned += -direction[r];
        conditions.Require(pinned);
        conditions.Require(-pinned);
        rule.delta[r] = PolyForm(direction[r]);
      }
      rule.conditions = conditions.All();
    }
    rule.conditions = WithoutImplied(std::move(rule.conditions), rule.delta.size());
    // A period that computes part of the network leaves the rest as it
    // is, whatever it holds: the rule is for that part, and so holds for
    // a loop met again beside other values (a minimization's inner loops
    // come back beside every phase of its outer counts).
    if (dueFirst != nullptr) {
      rule.firstComputed = std::move(firstComputed);
      std::vector<std::uint32_t> part = PartRead(net, course.Computed());
      // The end signal is always in the part: a leap crosses no state
      // where it holds 1, whatever the part's loop does.
      if (net.endNeuron >= 0) {
        const auto end = static_cast<std::uint32_t>(net.endNeuron);
        const auto at = std::lower_bound(part.begin(), part.end(), end);
        if (at == part.end() || *at != end) part.insert(at, end);
      }
      if (part.size() < net.computed) RestrictToPart(rule, part);
    }
    rule.conditions.shrink_to_fit();
    rule.Prepare();
    return rule;
  } catch (const NumberException&) {
    // A value or a length out of range on the way: no rule. The engine
    // goes on step by step and meets the error there if it is real.
    return std::nullopt;
  }
}

}  // namespace vantorb
