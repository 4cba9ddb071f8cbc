#pragma once
// Runs a function tree the way the evaluator does: a start pulse of 1 on
// "Ein" with the unary arguments on "Edata1".. for exactly one step, then
// synchronous steps until the done neuron shows 1. Reports the step of the
// done pulse (counted from the start pulse's step, 0) and the result.

#include <optional>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"

namespace vantorb::testing {

struct PulseRun {
  std::optional<int> doneStep;  // none when no done pulse came in time
  std::string result;           // the result neuron's unary count
  bool resultIsCode = false;    // the result neuron held a valid unary code
  bool restAfter = false;       // one step later every neuron held 0
};

class PulseHarness {
 public:
  // Builds the tree's network on fresh input neurons and keeps both.
  explicit PulseHarness(std::unique_ptr<ProofObj> tree);
  // Runs a network built elsewhere, such as a compiled program's.
  PulseHarness(ProofObj& tree, const TargetNetwork& network);

  // Starts the network from whatever state it is in (no Reset), so that a
  // second Run checks that the network came back to rest by itself.
  PulseRun Run(const std::vector<int>& arguments, int maxSteps = 20000);

  ProofObj& Tree() { return *tree_; }
  const TargetNetwork& Network() const { return *network_; }
  // Every neuron of the tree, in subtree order.
  NeuronList AllNeurons() const;
  void Step();

 private:
  std::unique_ptr<ProofObj> ownTree_;
  TargetNetwork ownNetwork_;
  ProofObj* tree_;
  const TargetNetwork* network_;
};

bool IsZero(const Number& n);

}  // namespace vantorb::testing
