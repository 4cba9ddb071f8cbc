#include "engine/macro_engine.hpp"

#include <algorithm>

namespace vantorb {
namespace {

// Shapes are remembered in a table of 2^kSightingBits places, a shape in
// the place its hash picks: a loop's shapes stay there while it runs, and
// a run that never repeats keeps a table of that size.
constexpr int kSightingBits = 15;
// A proof runs at most this many iterations, and at most this many neuron
// updates in all: a loop longer than that is left to the steps.
constexpr std::int64_t kMaxProofIterations = 200000;
constexpr std::int64_t kMaxProofUpdates = 50'000'000;
// Steps without a leap after which a run counts as one without loops, and
// how far apart it then looks at its shape.
constexpr std::int64_t kColdAfter = 1 << 12;
constexpr std::int64_t kColdStride = 16;
constexpr std::int64_t kColdestStride = 256;
// Rules kept for one shape at most.
constexpr std::size_t kMaxRulesPerShape = 16;
// The most steps between tries at new shapes while they fail.
constexpr std::int64_t kLongestQuiet = 1 << 16;
// Proof work allowed before any iteration paid for it, and the share of the
// engine's own work proofs may take besides what their leaps saved.
constexpr std::int64_t kFreeProofUpdates = 50'000;
constexpr std::int64_t kProofShare = 20;  // one twentieth
// How many times its allowance a proof may take the proofs to before it is
// given up (a proof that pays for itself may cost more than the run has
// paid so far: multiplication 400 x 400 took 2.5 times the instructions
// with none).
constexpr std::int64_t kOverdraft = 4;
// Loops found not worth proving that are remembered at most.
constexpr std::size_t kMostDeclined = 1 << 14;

}  // namespace

void MacroEngine::BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                              const Neuron* endSignal) {
  EventEngine::BindNetwork(tree, inputs, endSignal);
  network_ = ProverNetwork();
  network_.computed = computed_;
  network_.synapseStart = &synapseStart_;
  network_.synapseSource = &synapseSource_;
  network_.synapseWeight = &synapseWeight_;
  network_.feedStart = &feedStart_;
  network_.feedTarget = &feedTarget_;
  network_.bias = &bias_;
  for (std::uint32_t n = 0; n < computed_; ++n)
    if (nodes_[n] == endSignal) network_.endNeuron = n;
  book_.Clear();
  seen_.assign(std::size_t{1} << kSightingBits, Sighting());
  attempts_.clear();
  declined_.clear();
  declinedUntil_.clear();
  covered_.clear();
  covering_.clear();
  proofWork_ = 0;
  stepWork_ = 0;
  quietUntil_ = 0;
  quietSpan_ = 1;
  heldUntil_ = 0;
  steps_ = 0;
  counts_ = LeapCounts();
  neuronHash_.assign(computed_, 0);
  manyRuns_.assign(computed_, 0);
  manyRunNeurons_ = 0;
  pendingMark_.assign(computed_, 0);
  pending_.clear();
  lastLeap_ = 0;
  stateHash_ = 0;
  parts_.clear();
  partsOf_.assign(computed_, {});
  for (std::uint32_t n = 0; n < computed_; ++n) Rehash(n);
}

void MacroEngine::Commit() {
  stepWork_ += static_cast<std::int64_t>(dirty_.size());
  EventEngine::Commit();
  // The hash follows the changes when it is next looked at.
  for (auto n : changed_)
    if (!pendingMark_[n]) {
      pendingMark_[n] = 1;
      pending_.push_back(n);
    }
  ++steps_;
}

void MacroEngine::BringHashUp() {
  for (auto n : pending_) {
    pendingMark_[n] = 0;
    Rehash(n);
  }
  pending_.clear();
}

void MacroEngine::Rehash(std::uint32_t n) {
  NeuronShapeHasher hasher(n, SignOf(n), IntegerPartOf(n));
  bool many = false;
  ForEachRunOf(n, [&hasher, &many](std::uint32_t limb, std::uint64_t) {
    many = !hasher.Add(limb);
    return !many;
  });
  if (many != static_cast<bool>(manyRuns_[n])) {
    manyRuns_[n] = many;
    manyRunNeurons_ += many ? 1 : -1;
  }
  const std::uint64_t hash = hasher.Finish();
  stateHash_ += hash - neuronHash_[n];
  for (const std::uint32_t part : partsOf_[n]) parts_[part].hash += hash - neuronHash_[n];
  neuronHash_[n] = hash;
}

void MacroEngine::FollowParts() {
  const auto& parts = book_.Parts();
  for (std::size_t p = parts_.size(); p < parts.size(); ++p) {
    Part part{parts[p], 0};
    for (const std::uint32_t n : part.neurons) {
      part.hash += neuronHash_[n];
      partsOf_[n].push_back(static_cast<std::uint32_t>(p));
    }
    parts_.push_back(std::move(part));
  }
}

void MacroEngine::ReadState(const std::vector<std::uint32_t>& part) {
  ShapeBuilder builder(shape_);
  lengths_.clear();
  const auto read = [this, &builder](std::uint32_t n) {
    ForEachRunOf(n, [this, &builder](std::uint32_t limb, std::uint64_t count) {
      builder.AddRun(limb);
      lengths_.push_back(count);
    });
  };
  if (part.empty()) {
    for (std::uint32_t n = 0; n < computed_; ++n) {
      builder.AddNeuron(SignOf(n), IntegerPartOf(n));
      read(n);
    }
  } else {
    for (const std::uint32_t n : part) {
      builder.AddNeuronOf(n, SignOf(n), IntegerPartOf(n));
      read(n);
    }
  }
  builder.Finish();
}

std::int64_t MacroEngine::LeapOverPart(std::int64_t most) {
  bool dueKnown = false, due = false;
  for (const Part& part : parts_) {
    if (!book_.Knows(part.hash)) continue;
    if (!dueKnown) {
      due = DueNext(due_);
      dueKnown = true;
    }
    ReadState(part.neurons);
    for (const LoopRule* rule : book_.Find(shape_)) {
      if (!rule->StartsWith(due ? &due_ : nullptr)) continue;
      const LoopRule::Reach reach = rule->Reachable(lengths_, most, LongestLeapValue());
      if (reach.periods > 0) return Apply(*rule, reach);
    }
  }
  return 0;
}

bool MacroEngine::JustDeclined() const {
  const auto found = declinedUntil_.find(stateHash_);
  return found != declinedUntil_.end() && Iterations() < found->second;
}

double MacroEngine::StepRate() const {
  return steps_ > 0 ? static_cast<double>(stepWork_) / static_cast<double>(steps_) : 0;
}

std::int64_t MacroEngine::ProofAllowance() const {
  // Proofs are paid for by leaps: what the iterations they covered would
  // have cost at the engine's going rate. A run where nothing repeats
  // spends at most a small share of its work on them.
  const auto saved =
      static_cast<std::int64_t>(static_cast<double>(counts_.iterationsLeapt) * StepRate());
  return kFreeProofUpdates + stepWork_ / kProofShare + saved;
}

bool MacroEngine::ProofAffordable() const { return Eager() || proofWork_ <= ProofAllowance(); }

void MacroEngine::ReleaseWorkingMemory() {
  book_.Clear();
  std::vector<Sighting>().swap(seen_);
  std::unordered_map<std::uint64_t, Attempts>().swap(attempts_);
  std::unordered_map<std::uint64_t, std::uint32_t>().swap(declined_);
  std::unordered_map<std::uint64_t, std::int64_t>().swap(declinedUntil_);
  std::unordered_set<std::uint64_t>().swap(covered_);
  std::unordered_set<const LoopRule*>().swap(covering_);
  std::vector<Part>().swap(parts_);
  std::vector<std::vector<std::uint32_t>>().swap(partsOf_);
  shape_ = StateShape();
  std::vector<std::uint64_t>().swap(lengths_);
  std::vector<std::uint32_t>().swap(due_);
}

std::int64_t MacroEngine::Leap(std::int64_t most, const StopRequest& stop) {
  if (most <= 0 || computed_ == 0 || seen_.empty()) return 0;
  // A run that has not leapt for long looks at its shape at every
  // kColdStride-th step only, a stride that doubles (up to kColdestStride)
  // for every further span without a leap: a loop's states recur at the
  // same steps of a power of two, a run without loops pays little.
  const std::int64_t quiet = steps_ - lastLeap_;
  if (quiet > kColdAfter && !Eager()) {
    std::int64_t stride = kColdStride;
    for (std::int64_t span = 2 * kColdAfter; span <= quiet && stride < kColdestStride; span *= 2)
      stride *= 2;
    if (steps_ % stride != 0) return 0;
  }
  if (book_.Bytes() > ruleMemory_) ForgetRules();
  BringHashUp();
  if (!parts_.empty())
    if (const std::int64_t leapt = LeapOverPart(most)) return leapt;
  Sighting& sighting = seen_[stateHash_ >> (64 - kSightingBits)];
  std::int64_t distance = 0;
  if (sighting.hash != stateHash_ || sighting.repeats == 0) {
    sighting.hash = stateHash_;
    sighting.repeats = 1;
  } else if (steps_ - sighting.step > 1) {
    // A loop comes round at equal distances, one whose rounds grow at
    // growing ones. (A leap lands on its own shape one step later: that is
    // no round.)
    distance = steps_ - sighting.step;
    sighting.repeats = sighting.repeats >= 2 && distance >= sighting.distance &&
                               distance <= 2 * sighting.distance + 16
                           ? sighting.repeats + 1
                           : 2;
    sighting.distance = distance;
  } else {
    distance = sighting.distance;
  }
  sighting.step = steps_;
  std::size_t known = 0;
  bool ending = false;            // a rule here ends: its loop is ending
  std::int64_t knownPeriod = 0;  // the longest period of those rules here
  if (book_.Knows(stateHash_)) {
    ReadState();
    const std::vector<const LoopRule*> rules = book_.Find(shape_);
    const bool due = DueNext(due_);
    for (const LoopRule* rule : rules) {
      if (!rule->StartsWith(due ? &due_ : nullptr)) continue;
      const LoopRule::Reach reach = rule->Reachable(lengths_, most, LongestLeapValue());
      if (reach.periods > 0) return Apply(*rule, reach);
      ending = ending || !reach.elsewhere;
    }
    known = rules.size();
    std::vector<Wide> x(lengths_.begin(), lengths_.end());
    for (const LoopRule* rule : rules)
      knownPeriod = std::max<std::int64_t>(
          knownPeriod, static_cast<std::int64_t>(
                           std::min<Wide>(rule->period.At(x).value_or(kMaxProofIterations),
                                          kMaxProofIterations)));
  }
  // A shape whose rules do not reach gets a rule of its own from here:
  // they may be for other lengths (proved in another turn of an outer
  // loop), or proved where a length happened to equal another, so that
  // they hold up to there and no further. Where the loop really ends, the
  // proof fails, and is tried ever more rarely.
  bool prove = known > 0 ? known < kMaxRulesPerShape
                         : sighting.repeats >= 3 && steps_ >= quietUntil_ &&
                               covered_.count(stateHash_) == 0 && !JustDeclined();
  // A value of as many runs as a hash counts is digits rather than runs:
  // a period over it costs the prover far more than the engine, and its
  // shape is seen again only through the runs hashed.
  if (manyRunNeurons_ > 0 && !Eager()) prove = false;
  // A shape whose proofs failed is tried again ever more rarely, unless
  // its rules are for other lengths.
  if (prove && !(known > 0 && !ending)) {
    const auto tried = attempts_.find(stateHash_);
    if (tried != attempts_.end() && tried->second.skip > 0) {
      --tried->second.skip;
      prove = false;
    }
  }
  // A loop whose period does not fit before the limit is not proved again
  // at each of its phases up to it: every rule from there would have a
  // period as long. (Loops inside it were crossed by rules in its proof.)
  if (Iterations() < heldUntil_) prove = false;
  if (prove && ProofAffordable()) {
    if (known == 0) ReadState();
    if (const LoopRule* rule =
            TryToProve(known > 0 ? knownPeriod : distance, known > 0 && !ending, stop)) {
      if (!rule->shape.neurons.empty()) ReadState(rule->shape.neurons);
      const LoopRule::Reach reach = rule->Reachable(lengths_, most, LongestLeapValue());
      if (reach.periods > 0) return Apply(*rule, reach);
      const std::vector<Wide> x(lengths_.begin(), lengths_.end());
      const std::optional<Wide> period = rule->period.At(x);
      if (period && *period > most)
        heldUntil_ = most > INT64_MAX - Iterations() ? INT64_MAX : Iterations() + most;
    }
  }
  return 0;
}

void MacroEngine::ForgetRules() {
  bool uncovered = false;
  // Down to three quarters, so that forgetting comes seldom; a loop met
  // again is proved again.
  for (const LoopRule* rule : book_.Forget(ruleMemory_ / 4 * 3))
    uncovered = covering_.erase(rule) > 0 || uncovered;
  if (!uncovered) return;
  // Only the loops whose rules are left keep their inner shapes from being
  // proved: a loop of the past whose rule is forgotten may be a loop of the
  // present's inner loops' shapes.
  covered_.clear();
  for (const LoopRule* rule : covering_) covered_.insert(rule->phases.begin(), rule->phases.end());
}

const LoopRule* MacroEngine::TryToProve(std::int64_t seenSteps, bool known,
                                        const StopRequest& stop) {
  // The inputs as they are now: a start pulse may have ended since the
  // engine last looked at them.
  network_.inputs.resize(nodes_.size() - computed_);
  for (std::size_t node = computed_; node < nodes_.size(); ++node) {
    RunNumber input;
    input.Assign(nodes_[node]->Value());
    input.CopyRuns(network_.inputs[node - computed_]);
  }
  // A period is about as long as the distance between the two sightings;
  // twice that leaves room for a loop whose period grows.
  std::int64_t budget = std::min(kMaxProofIterations, 2 * seenSteps + 16);
  budget = std::min<std::int64_t>(budget, kMaxProofUpdates / std::max<std::int64_t>(computed_, 1));
  // A proof spends at most a few times what proofs may have taken by now.
  // One that would cost more is given up on the way and counts as a failed
  // try: the run pays for it first. (A pass with unknowns through an outer
  // loop whose inner loops have no rules yet steps through them, at many
  // times what the rule it makes saves: 30 times the allowance, near round
  // 40 of the triangular numbers.)
  const std::int64_t allowance = Eager() ? 0 : kOverdraft * ProofAllowance();
  bool overspent = false;
  const StopRequest paidFor = [this, allowance, &stop, &overspent] {
    overspent = allowance > 0 && proofWork_ > allowance;
    return overspent || (stop && stop());
  };
  LoopProver prover(network_);
  // A run that meets ever new loops keeps a bounded table of them.
  if (declined_.size() > kMostDeclined) declined_.clear();
  if (declinedUntil_.size() > kMostDeclined) declinedUntil_.clear();
  prover.WeighDeclined(&declined_);
  const bool due = DueNext(due_);
  std::optional<LoopRule> rule = prover.Prove(shape_, lengths_, book_, budget, proofWork_,
                                              Eager() ? 0 : StepRate(), paidFor,
                                              due ? &due_ : nullptr);
  counts_.rulesProved += prover.InnerRules();
  counts_.roundRulesProved += prover.InnerRoundRules();
  if (!rule) {
    const std::int64_t span = prover.DeclinedSpan();
    const std::int64_t until = Iterations() > INT64_MAX - span ? INT64_MAX : Iterations() + span;
    for (const std::uint64_t phase : prover.DeclinedPhases()) declinedUntil_[phase] = until;
    if (known || (prover.Stopped() && !overspent)) return nullptr;
    Attempts& attempts = attempts_[stateHash_];
    attempts.failures = std::min<std::uint32_t>(attempts.failures + 1, 20);
    attempts.skip = (std::uint64_t{1} << attempts.failures) - 1;
    // The states that follow a failed one mostly fail alike: the next try
    // at a new shape comes ever later while they fail. A proof that failed
    // otherwise than by being declined (mostly a period that did not come
    // back within the budget: a loop that ends, or changes shape, before a
    // proof from its third sighting sees it round) keeps the next try a
    // budget away: the engine steps next through the states it went
    // through. Multiplication 40 x 40, whose inner loops of 40 rounds come
    // round every 8, tried seven of their phases in a row, each for its
    // whole budget.
    if (!prover.Declined()) quietSpan_ = std::max(quietSpan_, budget);
    quietUntil_ = steps_ + quietSpan_;
    quietSpan_ = std::min<std::int64_t>(2 * quietSpan_, kLongestQuiet);
    return nullptr;
  }
  quietSpan_ = 1;
  ++counts_.rulesProved;
  const LoopRule* added = book_.Add(std::move(*rule));
  if (added->Grows()) ++counts_.roundRulesProved;
  FollowParts();
  return added;
}

std::int64_t MacroEngine::Apply(const LoopRule& rule, const LoopRule::Reach& reach) {
  // A rule that leaps more than a period is a loop that goes on: the
  // shapes inside its period need no rules of their own. (One that holds
  // for a period only, where lengths happened to meet, must not keep the
  // loops inside it from being proved.)
  if (reach.periods > 1 && covering_.insert(&rule).second)
    covered_.insert(rule.phases.begin(), rule.phases.end());
  book_.Used(&rule);
  for (std::size_t k = 0; k < rule.shape.Neurons(); ++k) {
    bool moved = false;
    for (std::uint32_t r = rule.shape.firstRun[k]; r < rule.shape.firstRun[k + 1] && !moved; ++r)
      moved = reach.lengths[r] != lengths_[r];
    if (moved) Replace(rule.shape.NeuronAt(k), NeuronValue(rule.shape, k, reach.lengths));
  }
  lengths_ = reach.lengths;
  // The next iteration computes what a period's last iteration changed.
  if (rule.changedAtEnd.size() == computed_) {
    everything_ = true;
  } else {
    changed_ = rule.changedAtEnd;
  }
  ++counts_.leaps;
  counts_.iterationsLeapt += reach.iterations;
  if (rule.Grows()) counts_.roundsLeapt += reach.periods;
  lastLeap_ = steps_;
  ++steps_;
  return reach.iterations;
}

}  // namespace vantorb
