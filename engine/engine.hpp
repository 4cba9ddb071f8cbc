#pragma once
// Engines: three ways of doing one synchronous iteration of a network, with
// the same values to the last limb.
//
// ReferenceEngine is the update as defined: every neuron, every iteration,
// each source value copied through its decimal text, the bias read anew.
// DenseEngine computes only the neurons fed by a value that changed in the
// last commit (or by an input neuron set from outside), since every other
// neuron's next value equals its value; it works on flat arrays built once,
// with weights split once and no allocation once its numbers have grown.
// EventEngine does the same, and keeps every value that is long and falls
// into few runs of equal limbs in a slot of its own, as a RunNumber, so that
// an iteration costs what the values' runs cost, not their length; the
// other values stay in the neurons and are computed as the dense engine
// computes them, at its cost in time and memory.
// All leave every neuron's value and next value as the definition does, so
// Changed() and everything read from neurons give the same answers; an
// engine told to defer neuron values does so only after Synchronize.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"
#include "network/run_number.hpp"
#include "network/stop_request.hpp"

namespace vantorb {

class Engine {
 public:
  virtual ~Engine() = default;
  // The network to update from now on: the tree's neurons and its input
  // neurons, with the values they hold now. `endSignal`, when given, is
  // the neuron a run reads after every pass: its value follows every
  // Commit even when deferring, and a macro-step engine never leaps across
  // a state where it holds exactly 1. It is named with the network, so
  // that it always belongs to the network bound.
  void Bind(const ProofObj& tree, const NeuronList& inputs, const Neuron* endSignal = nullptr) {
    BindNetwork(tree, inputs, endSignal);
  }
  // Every neuron's next value from the current values.
  virtual void ComputeNext() = 0;
  // Every next value becomes current.
  virtual void Commit() = 0;
  // When deferring, an engine that keeps values of its own may leave the
  // neurons' values and next values behind until Synchronize (those named
  // the end signal excepted, whose value follows every Commit). Not
  // deferring, the default, every neuron is in step after ComputeNext and
  // after Commit.
  virtual void DeferNeuronValues(bool defer) { (void)defer; }
  virtual void Synchronize() {}
  // A macro-step engine covers whole periods of a loop it has proved at
  // once, when nobody watches each iteration: Leap does at most `most`
  // iterations in one go and returns how many (0: none; the next iteration
  // is to be computed on its own). The step-by-step engines never leap.
  // Proving a loop may take long: the proof asks `stop` every few dozen
  // of its iterations and, when it answers true, is given up (it counts as
  // neither proved nor failed) and Leap returns 0.
  virtual std::int64_t Leap(std::int64_t most, const StopRequest& stop = {}) {
    (void)most;
    (void)stop;
    return 0;
  }
  // The run is over: what the engine keeps only for iterations to come
  // (proved loops, shapes seen) is let go; every value stays as it is and
  // readable. The next Bind starts afresh in any case.
  virtual void ReleaseWorkingMemory() {}
  // Values left with the engine for good: until the next Bind nobody reads
  // a neuron's value but the end signal's, the read-out through
  // ResultText and the sizes through Sizes, and nobody calls Synchronize.
  // An engine that holds values as runs may then take arguments as runs
  // (SetInputCode) and let values grow far past what limbs could hold. Set
  // before Bind; returns whether the engine does so (the step-by-step
  // engines that keep values in neurons do not).
  virtual bool KeepValues(bool keep) {
    (void)keep;
    return false;
  }
  // Whether KeepValues(true) would keep them.
  virtual bool CanKeepValues() const { return false; }
  // After Bind: the input neuron holds the unary code of n for the next
  // iteration, from the neuron or, when values are kept and the code is
  // long, from the engine alone (the neuron's value then stays as it is);
  // from the iteration after, the neuron's own value counts again.
  virtual void SetInputCode(Neuron& input, std::int64_t n);
  // The read-out of a neuron (Neuron::ResultText), wherever its value is
  // held.
  virtual std::string ResultText(const Neuron& neuron) const { return neuron.ResultText(); }
  // The size of the values now: the longest in limbs (with its runs of
  // equal limbs, the most runs for equal lengths) and the most runs in one
  // value, wherever they are held.
  struct ValueSizes {
    std::uint64_t longest = 0, longestRuns = 0, mostRuns = 0;
    void Add(std::uint64_t limbs, std::uint64_t runs);
  };
  virtual ValueSizes Sizes() const = 0;
  // For an observer that follows some neurons at every iteration while the
  // others may be deferred (the window's waveforms): handles on those
  // neurons, valid until the next Bind (kNoHandle for one the engine does
  // not compute); whether a neuron's value changed in the last Commit; and
  // its value now, wherever it is held, without bringing its neuron in
  // step.
  static constexpr std::uint32_t kNoHandle = UINT32_MAX;
  virtual std::vector<std::uint32_t> Handles(const NeuronList& neurons) const = 0;
  virtual bool ChangedAtLastCommit(std::uint32_t handle) const = 0;
  virtual void ReadValue(std::uint32_t handle, RunNumber& out) const = 0;
  // What leaping did so far: the rules proved, the leaps made and the
  // iterations they covered.
  struct LeapCounts {
    std::uint64_t rulesProved = 0, leaps = 0;
    std::int64_t iterationsLeapt = 0;
    // Of those, the rules whose rounds grow, and the rounds their leaps
    // covered.
    std::uint64_t roundRulesProved = 0;
    std::int64_t roundsLeapt = 0;
  };
  virtual LeapCounts Leaps() const { return {}; }
  // Synapse terms evaluated so far, and the limbs of their source values:
  // measures of the work done.
  std::uint64_t SynapseEvaluations() const { return evaluations_; }
  std::uint64_t LimbsProcessed() const { return limbs_; }
  // Limbs of values the engine holds in its own form copied into neurons:
  // the cost of bringing neurons in step.
  std::uint64_t LimbsPublished() const { return published_; }

 protected:
  virtual void BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                           const Neuron* endSignal) = 0;
  std::uint64_t evaluations_ = 0, limbs_ = 0, published_ = 0;
};

class ReferenceEngine : public Engine {
 public:
  void ComputeNext() override;
  void Commit() override;
  ValueSizes Sizes() const override;
  std::vector<std::uint32_t> Handles(const NeuronList& neurons) const override;
  bool ChangedAtLastCommit(std::uint32_t handle) const override {
    return changed_[handle] != 0;
  }
  void ReadValue(std::uint32_t handle, RunNumber& out) const override {
    out.Assign(neurons_[handle]->Value());
  }

 protected:
  void BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                   const Neuron* endSignal) override;

 private:
  NeuronList neurons_;
  std::vector<char> changed_;  // per neuron, in the last Commit
};

// What the dense and the event engine share: the network as flat arrays
// built once (nodes 0 .. computed_ - 1 are the tree's neurons, the rest
// sources set from outside, the inputs, watched through a copy of their
// value; incoming synapses per neuron and outgoing ones per node; biases
// read from their texts), and the neurons to compute in an iteration: every
// one the first time, then those fed by a value that changed.
class ChangeDrivenEngine : public Engine {
 public:
  ValueSizes Sizes() const override;
  std::vector<std::uint32_t> Handles(const NeuronList& neurons) const override;
  bool ChangedAtLastCommit(std::uint32_t handle) const override {
    return committedAt_[handle] == commits_;
  }
  void ReadValue(std::uint32_t handle, RunNumber& out) const override {
    out.Assign(nodes_[handle]->Value());
  }

 protected:
  void BuildLayout(const ProofObj& tree, const NeuronList& inputs);
  // Fills dirty_ for the iteration about to be computed; an outside node
  // whose value was set since is handed to OutsideChanged first.
  void CollectDirty();
  virtual void OutsideChanged(std::uint32_t /*node*/) {}
  // The neurons the next iteration computes, sorted, where only those fed
  // by a change are: false where every neuron is, or an outside node's
  // value was set since the last iteration.
  bool DueNext(std::vector<std::uint32_t>& due);

  std::vector<Neuron*> nodes_;
  std::uint32_t computed_ = 0;
  std::vector<Number> lastSeen_;  // per outside node
  // Per outside node: whether the engine, not its neuron, holds its value
  // for the next iteration (SetInputCode) or held it for the last one.
  static constexpr char kNotHeld = 0, kHeldNext = 1, kHeldNow = 2;
  std::vector<char> heldOutside_;
  std::vector<std::uint32_t> synapseStart_, synapseSource_;
  std::vector<Number::WeightParts> synapseWeight_;
  std::vector<std::uint32_t> feedStart_, feedTarget_;
  std::vector<Number> bias_;
  // This iteration's neurons to compute, and the ones whose value changed.
  std::vector<std::uint32_t> dirty_, changed_;
  // The commits so far, and per neuron the last one that changed it; set
  // by NoteCommit from changed_ at the end of every Commit.
  std::uint64_t commits_ = 0;
  std::vector<std::uint64_t> committedAt_;
  void NoteCommit() {
    ++commits_;
    for (auto n : changed_) committedAt_[n] = commits_;
  }
  bool everything_ = true;

  // The definition's update of one neuron from the values in the neurons,
  // into its next value, which it returns; its commit, which tells whether
  // the value changed.
  const Number& ComputeInNeuron(std::uint32_t neuron);
  bool CommitInNeuron(std::uint32_t neuron);
  static bool UnitWeight(const Number::WeightParts& weight) {
    return weight.integer == 1 && weight.places == 0;
  }
  // The term a synapse of the given weight adds for a source value that is
  // not added as it is (a unit weight on a value Normalize leaves alone),
  // made in a scratch number that the next call reuses.
  const Number& Term(const Number& value, const Number::WeightParts& weight);

 private:
  void MarkTargets(std::uint32_t node);
  std::vector<std::uint64_t> dirtyMark_;
  std::uint64_t generation_ = 0;
  Number term_;  // the scratch number every product is made in
};

class DenseEngine : public ChangeDrivenEngine {
 public:
  void ComputeNext() override;
  void Commit() override;

 protected:
  void BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                   const Neuron* endSignal) override;
};

class EventEngine : public ChangeDrivenEngine {
 public:
  void ComputeNext() override;
  void Commit() override;
  void DeferNeuronValues(bool defer) override;
  void Synchronize() override;
  bool KeepValues(bool keep) override {
    keepValues_ = keep;
    return true;
  }
  bool CanKeepValues() const override { return true; }
  void SetInputCode(Neuron& input, std::int64_t n) override;
  std::string ResultText(const Neuron& neuron) const override;
  ValueSizes Sizes() const override;
  void ReadValue(std::uint32_t handle, RunNumber& out) const override;
  // The nodes whose value the engine holds in a slot of its own now: long
  // values held as runs, and for a few commits values that were.
  std::size_t SlotsInUse() const { return slotsInUse_; }

 protected:
  void BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                   const Neuron* endSignal) override;
  // Neuron n's value := value, out of the course of iterations (a leap):
  // its Neuron follows as a committed value does, and the value takes or
  // leaves a slot as a computed one would.
  void Replace(std::uint32_t n, RunValue<std::uint64_t> value);
  // Node n's value, wherever it is held: its sign, integer part, and
  // f(limb value, count) for each run of equal limbs, most significant
  // first.
  int SignOf(std::uint32_t n) const {
    return HasSlot(n) ? slots_[slotOf_[n]].value.Sign() : nodes_[n]->Value().Sign();
  }
  std::int64_t IntegerPartOf(std::uint32_t n) const {
    return HasSlot(n) ? slots_[slotOf_[n]].value.IntegerPart() : nodes_[n]->Value().IntegerPart();
  }
  template <class F>
  void ForEachRunOf(std::uint32_t n, F&& f) const {
    if (HasSlot(n)) {
      slots_[slotOf_[n]].value.ForEachRun(f);
    } else {
      RunNumber::ForEachLimbRun(nodes_[n]->Value(), f);
    }
  }
  bool HasSlot(std::uint32_t node) const { return slotOf_[node] != kNoSlot; }

 private:
  void OutsideChanged(std::uint32_t node) override;
  // next's value into the neuron's next value.
  void WriteNext(std::uint32_t neuron, const RunNumber& next);
  // The dense engine's update, after which a long value takes a slot.
  void ComputePlain(std::uint32_t neuron) {
    if (RunNumber::HeldAsRuns(ComputeInNeuron(neuron))) GiveSlot(neuron);
  }
  // A slot for a neuron without one whose next value was just computed in
  // it.
  void GiveSlot(std::uint32_t neuron);
  // Compute for a neuron that has a slot or reads one.
  void ComputeRuns(std::uint32_t neuron);
  // The neuron's value := the engine's, its next value reading as it; a
  // neuron leaving its slot takes the slot's value without a copy.
  void Publish(std::uint32_t neuron, bool leaving = false);
  void MarkStale(std::uint32_t neuron);
  // A slot for the node, whose value the caller sets; and its return once
  // the node's value is in its neuron again.
  std::uint32_t TakeSlot(std::uint32_t node);
  void FreeSlot(std::uint32_t node);

 protected:
  // The value of a node held as runs and, for a neuron, its next value, side
  // by side as every commit reads them. A neuron whose value has been held
  // as limbs for kLeaveAfter commits in a row leaves its slot, so that
  // slots go to long values without a neuron whose value is long every
  // other iteration taking and leaving one each time.
  struct Slot {
    RunNumber value, next;
    std::uint32_t plainCommits = 0;
  };
  static constexpr std::uint32_t kLeaveAfter = 16;
  static constexpr std::uint32_t kNoSlot = UINT32_MAX;
  std::vector<std::uint32_t> slotOf_;  // per node
  // Per neuron, its synapses whose source has a slot.
  std::vector<std::uint32_t> slotSources_;
  std::deque<Slot> slots_;             // a deque: slots stay where they are
  std::vector<std::uint32_t> freeSlots_;
  std::uint32_t slotsInUse_ = 0;  // none: the dense engine's work alone
  RunNumber runTerm_, spare_;
  // Neurons with a slot whose Number lags behind (deferring), and the ones
  // never to lag.
  bool defer_ = false;
  bool keepValues_ = false;
  std::vector<std::uint32_t> stale_;
  std::vector<char> staleMark_, keep_;
};

}  // namespace vantorb
