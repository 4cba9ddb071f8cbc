#pragma once
// What a loop is made of, as plain data. A network's state is the value of
// every computed neuron held as runs of equal limbs; its StateShape is the
// state with the run lengths left out (each neuron's sign, integer part and
// the values of its runs), and its lengths are the run lengths in that
// order, the unknowns x_0, x_1, ... of a LoopRule.
//
// A LoopRule is a proved fact: from any state of its shape whose lengths x
// satisfy every condition (each a linear form >= 0), `period` iterations
// lead to the state of the same shape with lengths x + delta, and the end
// signal is given in none of the states in between. It is proved once, by
// LoopProver, and applied to any state of its shape: Reach tells how many
// periods in a row keep the lengths inside the conditions. Rules can be
// printed (Text) and checked against the step-by-step engine.
//
// Not thread-safe; rules are never changed once made, so a RuleBook may be
// read from several threads if nobody adds to it.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "network/run_arithmetic.hpp"
#include "engine/linear_count.hpp"

namespace vantorb {

struct StateShape {
  std::vector<std::int32_t> signs;        // per neuron
  std::vector<std::int64_t> integers;     // per neuron
  std::vector<std::uint32_t> firstRun;    // per neuron, and one past the last
  std::vector<std::uint32_t> runValues;   // every run's limb value, in order
  std::uint64_t hash = 0;                 // of all the above

  std::size_t Neurons() const { return signs.size(); }
  std::size_t Runs() const { return runValues.size(); }
  friend bool operator==(const StateShape&, const StateShape&) = default;
};

// The hash a neuron's part of a shape adds to the state's: the state's hash
// is the sum over its neurons, so that it follows a change of a few neurons
// at the cost of those. Made run by run: Start, Add each run's value,
// Finish. Only the first kHashedRuns runs count: a value of more runs is
// told apart from others by those (equal hashes are always checked against
// the whole shape), so that hashing a long value without runs costs little.
class NeuronShapeHasher {
 public:
  static constexpr std::uint64_t kHashedRuns = 64;

  NeuronShapeHasher(std::uint32_t neuron, std::int32_t sign, std::int64_t integer);
  // False once further runs no longer count.
  bool Add(std::uint32_t runValue);
  std::uint64_t Finish() const;

 private:
  std::uint64_t hash_;
  std::uint64_t runs_ = 0;
};

// Splits values into their shape and their lengths.
void ShapeOf(const std::vector<RunValue<std::uint64_t>>& values, StateShape& shape,
             std::vector<std::uint64_t>& lengths);
// The values of a shape with the given lengths.
RunValue<std::uint64_t> NeuronValue(const StateShape& shape, std::size_t neuron,
                                    const std::vector<std::uint64_t>& lengths);

struct LoopRule {
  StateShape shape;
  std::vector<LinearForm> conditions;  // each >= 0, over the lengths x
  std::vector<std::int64_t> delta;     // per length: its change in one period
  LinearForm period;                   // iterations of one period, over x
  // Neurons whose value may change in a period's last iteration: after a
  // leap, the ones an engine must treat as just changed.
  std::vector<std::uint32_t> changedAtEnd;
  // The hashes of the shapes a period passes through after its first
  // state: a state of one of them is inside this loop.
  std::vector<std::uint64_t> phases;

  // The longest value a leap makes, in limbs, where neurons show values
  // as plain limbs: 2^26 limbs, 537 million digits (the sum of two of the
  // largest arguments, or the code of factorial 12), 256 MB as limbs.
  static constexpr std::uint64_t kMaxValueLimbs = std::uint64_t{1} << 26;
  // The same where values stay with the engine as runs (Engine::KeepValues):
  // 2^50 limbs, far past any argument, with room for lengths times
  // coefficients in a Wide.
  static constexpr std::uint64_t kMaxHeldLimbs = std::uint64_t{1} << 50;

  struct Reach {
    std::int64_t periods = 0;
    std::int64_t iterations = 0;
    // No period: a condition that periods do not bring closer fails, so
    // the rule is for other lengths (rather than a loop that ends here).
    bool elsewhere = false;
  };
  // From lengths x: the most periods in a row, each starting inside the
  // conditions, whose iterations together are at most `most` and whose
  // values stay within maxLimbs limbs; and those iterations.
  Reach Reachable(const std::vector<std::uint64_t>& x, std::int64_t most,
                  std::uint64_t maxLimbs = kMaxValueLimbs) const;
  std::string Text() const;
};

// The rules proved for a network, found by shape.
class RuleBook {
 public:
  const LoopRule* Add(LoopRule rule);
  // The rules for exactly this shape (none, or a few).
  std::vector<const LoopRule*> Find(const StateShape& shape) const;
  // Whether some rule's shape has this hash.
  bool Knows(std::uint64_t hash) const { return byHash_.count(hash) != 0; }
  std::size_t Size() const { return rules_.size(); }
  void Clear();

 private:
  std::vector<std::unique_ptr<LoopRule>> rules_;
  std::unordered_multimap<std::uint64_t, const LoopRule*> byHash_;
};

}  // namespace vantorb
