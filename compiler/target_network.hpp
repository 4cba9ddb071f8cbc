#pragma once
// Building the network of a target function on fresh input neurons: "Ein"
// (the start neuron) and "Edata1".."EdataN", one per argument. The input
// neurons belong to the TargetNetwork, never to a function object; the
// output neurons belong to the tree that built them.

#include <memory>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

struct TargetNetwork {
  std::vector<std::unique_ptr<IOObj>> inputNeurons;
  NeuronList outputNeurons;  // the done neuron, then the result neuron

  NeuronList InputList() const;
};

// Replaces network's lists by new empty ones and creates the input neurons
// for `arity` arguments.
void CreateInputNeurons(std::int32_t arity, TargetNetwork& network);

// Replaces network's lists by new ones, creates the input neurons, builds
// target's network on them, renames the outputs "Eout" and "Eres" and
// numbers every neuron of the tree from depth 0 and index 0. On failure the
// new input list, the outputs appended so far and the partly built tree
// stay as they are.
void BuildTargetNetwork(ProofObj& target, TargetNetwork& network);

}  // namespace vantorb
