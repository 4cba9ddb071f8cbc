#pragma once
// LoopProver: turns a state that has come back to its shape into a proved
// LoopRule, or into nothing. It runs the network's iterations once more
// from that state with every run length an unknown (LinearCount), through
// the very algorithms the engine uses (UpdateNeuron over run_arithmetic),
// so that each decision an operation takes is recorded as a condition on
// the lengths, until the state has its shape again. The rule holds if then
// every length is its start plus a constant: for any lengths satisfying the
// conditions, the same decisions are taken and the same iterations lead to
// the same shape with the lengths moved by those constants. As in the
// engines, an iteration computes only the neurons fed by a value that
// changed (for unknown lengths: whose form changed); every other neuron's
// next value is its value.
//
// The pass with unknowns crosses the inner loops the plain pass crossed,
// where it crossed them, and no others, and a length that comes out
// equal to what it was at the witness is made so by the conditions (a
// value at rest stays unchanged, rather than changing from an unknown
// length to a constant one): so the neurons it computes are the plain
// pass's, which a rule over a part needs.
//
// Inner loops that already have rules are crossed in one move when the
// number of periods they allow is itself linear in the lengths (the bound
// that ends them shrinks by one each period), so that an outer loop's rule
// covers its inner loops however long they are; the period's iterations
// must then stay linear too. Anything else (a bound shrinking faster, a
// value whose integer part would overflow, the end signal, a period longer
// than the budget) leaves no rule.
//
// Not thread-safe; distinct provers may be used from different threads.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "network/number.hpp"
#include "network/run_arithmetic.hpp"
#include "network/stop_request.hpp"
#include "engine/loop_rule.hpp"

namespace vantorb {

// A network as the prover reads it: neurons 0 .. computed - 1 are computed
// from the synapses (flat arrays, as the engines lay them out: incoming
// synapses per neuron, and per node the neurons it feeds), the others are
// inputs that keep their values.
struct ProverNetwork {
  std::uint32_t computed = 0;
  const std::vector<std::uint32_t>* synapseStart = nullptr;
  const std::vector<std::uint32_t>* synapseSource = nullptr;
  const std::vector<Number::WeightParts>* synapseWeight = nullptr;
  const std::vector<std::uint32_t>* feedStart = nullptr;
  const std::vector<std::uint32_t>* feedTarget = nullptr;
  const std::vector<Number>* bias = nullptr;     // per computed neuron
  std::vector<RunValue<std::uint64_t>> inputs;   // per input, in node order
  std::int64_t endNeuron = -1;                   // "Eout", or -1
};

class LoopProver {
 public:
  // `depth`: how many proofs this one is inside of (a proof proves the
  // inner loops it meets as it goes, a few levels deep).
  explicit LoopProver(const ProverNetwork& network, int depth = 0)
      : network_(network), depth_(depth) {}

  // A rule for the state of `shape` with `lengths`, proved by running at
  // most `maxIterations` single iterations (inner loops crossed by their
  // rules from `book` count as one), or nothing. Adds what it cost to
  // `work`, in neuron updates of the engine (one with unknown lengths
  // counts as the few dozen it costs). With `updatesPerIteration`, what
  // an iteration costs the engine, gives up before the unknowns when even
  // the longest leap the period allows from `lengths` (until a shrinking
  // run would be empty) would save less than they cost: such a rule cannot
  // pay for itself here. `stop` is asked every few dozen iterations; when
  // it answers true the proof ends with nothing, and Stopped() says so.
  // With `dueFirst` (sorted), the neurons the next iteration computes (the
  // rest being at rest, as an engine that computes the neurons fed by a
  // change knows), the rule covers only the part of the network its period
  // computes and reads (LoopRule::firstComputed); without, every neuron.
  std::optional<LoopRule> Prove(const StateShape& shape, const std::vector<std::uint64_t>& lengths,
                                RuleBook& book, std::int64_t maxIterations,
                                std::int64_t& work, double updatesPerIteration = 0,
                                const StopRequest& stop = {},
                                const std::vector<std::uint32_t>* dueFirst = nullptr);
  // Loops found not worth proving so far, by the shape of the part of the
  // network their period computes and reads: a loop declined k times is
  // weighed at k + 1 meetings, as a rule over a part is met again beside
  // other values and pays for itself over all of them. Declines are counted
  // in `declined`, which outlives the prover.
  void WeighDeclined(std::unordered_map<std::uint64_t, std::uint32_t>* declined) {
    declined_ = declined;
  }
  bool Stopped() const { return stopped_; }
  // Whether the last proof ended with its loop found not worth proving: its
  // period came back, unlike that of a proof that failed otherwise.
  bool Declined() const { return lastDeclined_; }
  // After a decline: the hashes of the states of the declined loop's
  // period, and the iterations it has left at most; tries at those states
  // before then would be declined alike. Empty for a period too long to
  // list.
  const std::vector<std::uint64_t>& DeclinedPhases() const { return declinedPhases_; }
  std::int64_t DeclinedSpan() const { return declinedSpan_; }
  // The rules for inner loops the proofs so far added to the book, and
  // how many of those are round rules.
  std::int64_t InnerRules() const { return innerRules_; }
  std::int64_t InnerRoundRules() const { return innerRoundRules_; }

 private:
  const ProverNetwork& network_;
  int depth_ = 0;
  bool stopped_ = false;
  bool lastDeclined_ = false;
  std::vector<std::uint64_t> declinedPhases_;
  std::int64_t declinedSpan_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t>* declined_ = nullptr;
  std::int64_t innerRules_ = 0, innerRoundRules_ = 0;
};

}  // namespace vantorb
