#pragma once
// MacroEngine: the event engine, and leaps over loops it has proved. Every
// iteration it computes is the event engine's. Between iterations, when
// asked to Leap, it looks at the state's shape (the runs' values with
// their lengths left out, kept as a hash that follows each committed
// change):
//
// - a shape with a rule (RuleBook) whose conditions hold for the present
//   lengths: as many whole periods as the rule allows and `most` leaves
//   room for are done at once, the lengths moved by the rule's deltas;
// - a shape seen twice before, at equal distances: LoopProver tries to
//   prove a rule from the state as it is now, within a budget of
//   iterations that follows that distance (waiting for the third sighting
//   lets the loop's lengths grow past the small values where two of them
//   are often equal, a tie a rule would keep); a rule proved is kept for
//   every later visit of the
//   shape, and a shape whose proof failed is tried again ever more rarely;
//   after a failed proof that was not declined (most often a period that
//   did not come back), no shape is tried within its budget of iterations.
//   Shapes a proved loop passes through are not proved again (the loop's
//   own shape comes round within a period), nor is a shape that has rules
//   none of which reaches (the loop is ending).
//
// A proof made where the engine knows the neurons due next gives a rule
// over the part of the network the loop computes and reads: its shape
// and lengths are those neurons' only, so that it is found (by the hash
// of that part, kept up to date as the state's is) and leapt beside any
// values of the rest, while none of the rest is due.
//
// Proofs are paid for: all of them together take a start allowance, a
// twentieth of the work the engine's own iterations took, and what the
// iterations leapt would have cost; a proof is given up on the way once
// the proofs pass a few times that, and after its plain period when even
// the longest leap it could allow from here would save less than proving
// it costs. A run where nothing repeats, or whose
// loops are short, costs little more than the event engine's. A run
// looks at its shape ever more rarely while it has not leapt for long, and
// proves nothing new while a value has as many runs as a shape's hash
// counts (NeuronShapeHasher::kHashedRuns): such a value is digits, not
// runs.
//
// A leap never passes `most`, so a run stops at its limit with exactly the
// step-by-step state, and makes no value longer than the neurons can show
// as limbs unless the values are kept by the engine (KeepValues). Rules
// hold for the network bound; a new Bind forgets them, and so does a run
// whose rules outgrow a bound of memory, those used least recently first.
// No rule lets a leap cross a state where the end signal named at Bind
// holds exactly 1.
//
// Not thread-safe, as every engine.

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/engine.hpp"
#include "engine/loop_prover.hpp"
#include "engine/loop_rule.hpp"

namespace vantorb {

class MacroEngine : public EventEngine {
 public:
  void Commit() override;
  std::int64_t Leap(std::int64_t most, const StopRequest& stop = {}) override;
  void ReleaseWorkingMemory() override;
  LeapCounts Leaps() const override { return counts_; }

  // The rules proved so far (for tests and for printing them).
  const RuleBook& Rules() const { return book_; }
  // Eager: every loop seen is proved and leapt, whatever the proof costs
  // against what it saves, so that short runs leap too (for comparing
  // leaps with steps on small networks). With `mostProofWork`, only until
  // the proofs have taken that many neuron updates in all (ProofWork);
  // from then on proofs are paid for as in a run that is not eager, so
  // that a run whose loops are many, short and over many runs of limbs
  // does not spend without end on proofs that each leap one period. Kept
  // across Bind.
  void SetEager(bool eager, std::int64_t mostProofWork = 0) {
    eager_ = eager;
    mostEagerWork_ = mostProofWork;
  }
  // The memory the rules may take, in bytes (LoopRule::Bytes): past it
  // those used least recently are forgotten, down to three quarters of it.
  // Kept across Bind.
  static constexpr std::size_t kDefaultRuleMemory = std::size_t{16} << 20;
  void SetRuleMemory(std::size_t bytes) { ruleMemory_ = bytes; }
  // Neuron updates spent on proofs since Bind (one with unknown lengths
  // counts as the few dozen it costs).
  std::int64_t ProofWork() const { return proofWork_; }

 protected:
  void BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                   const Neuron* endSignal) override;

 private:
  struct Attempts {
    std::uint32_t failures = 0;
    std::uint64_t skip = 0;  // sightings to let pass before the next try
  };

  void Rehash(std::uint32_t n);
  // Rehashes the neurons changed since the hash was last looked at.
  void BringHashUp();
  // The present state's shape and lengths, of every neuron or of a part.
  void ReadState(const std::vector<std::uint32_t>& part = {});
  // Keeps the hashes of the book's parts up to date from now on.
  void FollowParts();
  // A leap by a rule over a part that holds here, or 0.
  std::int64_t LeapOverPart(std::int64_t most);
  // Whether proofs are still made whatever they cost (SetEager).
  bool Eager() const { return eager_ && (mostEagerWork_ == 0 || proofWork_ < mostEagerWork_); }
  // The neuron updates proofs may have taken by now, and whether the
  // proofs so far leave room for one more.
  std::int64_t ProofAllowance() const;
  bool ProofAffordable() const;
  // A rule for the present state, proved now, or null. `known`: the shape
  // has rules, for other lengths. A proof that `stop` ends counts as no
  // attempt; one given up for what it costs, as a failed one.
  const LoopRule* TryToProve(std::int64_t seenSteps, bool known, const StopRequest& stop);
  // Drops the rules used least recently when they take too much memory,
  // and what the engine kept about them.
  void ForgetRules();
  // Neuron updates per step so far: what an iteration costs.
  double StepRate() const;
  // Whether the present state is a phase of a loop declined at this
  // meeting of it.
  bool JustDeclined() const;
  std::int64_t Apply(const LoopRule& rule, const LoopRule::Reach& reach);
  // The longest value a leap may make, in limbs: values that stay with the
  // engine as runs may grow far past those a neuron is to show as limbs.
  std::uint64_t LongestLeapValue() const {
    return keepValues_ ? LoopRule::kMaxHeldLimbs : LoopRule::kMaxValueLimbs;
  }

  ProverNetwork network_;
  RuleBook book_;
  std::vector<std::uint64_t> neuronHash_;
  std::uint64_t stateHash_ = 0;
  std::vector<std::uint32_t> pending_;  // changed since the last rehash
  std::vector<char> pendingMark_;
  std::int64_t lastLeap_ = 0;  // the step of the last leap
  // Neurons whose value has as many runs as a shape's hash counts, or more.
  std::vector<char> manyRuns_;
  std::int64_t manyRunNeurons_ = 0;
  bool eager_ = false;
  std::size_t ruleMemory_ = kDefaultRuleMemory;
  std::int64_t mostEagerWork_ = 0;  // 0: eager to the end
  // A shape hash, the step it was last seen at and how often it was seen
  // in a row at the same distance.
  struct Sighting {
    std::uint64_t hash = 0;
    std::int64_t step = 0, distance = 0;
    std::uint32_t repeats = 0;
  };
  std::vector<Sighting> seen_;
  std::unordered_map<std::uint64_t, Attempts> attempts_;
  // Loops found not worth proving, by their part's shape (LoopProver::WeighDeclined).
  std::unordered_map<std::uint64_t, std::uint32_t> declined_;
  // The states of loops just declined, and the iteration until which a
  // try there would be declined alike (LoopProver::DeclinedPhases).
  std::unordered_map<std::uint64_t, std::int64_t> declinedUntil_;
  // Shapes inside the period of a proved loop.
  std::unordered_set<std::uint64_t> covered_;
  std::unordered_set<const LoopRule*> covering_;  // rules whose phases are in covered_
  // Neuron updates spent on proofs, and done by iterations.
  std::int64_t proofWork_ = 0, stepWork_ = 0;
  // No proof at a new shape before this step; how long the next wait is.
  std::int64_t quietUntil_ = 0, quietSpan_ = 1;
  // Iterations computed or leapt, and the one before which no proof is
  // made: the limit a rule proved did not fit before.
  std::int64_t Iterations() const {
    return steps_ - static_cast<std::int64_t>(counts_.leaps) + counts_.iterationsLeapt;
  }
  std::int64_t heldUntil_ = 0;
  std::int64_t steps_ = 0;  // iterations computed and leaps made
  LeapCounts counts_;
  // The parts of the network rules are over, each with its hash, and per
  // neuron the parts it is in.
  struct Part {
    std::vector<std::uint32_t> neurons;
    std::uint64_t hash = 0;
  };
  std::vector<Part> parts_;
  std::vector<std::vector<std::uint32_t>> partsOf_;
  // Scratch for ReadState, and the neurons due next (DueNext).
  StateShape shape_;
  std::vector<std::uint64_t> lengths_;
  std::vector<std::uint32_t> due_;
};

}  // namespace vantorb
