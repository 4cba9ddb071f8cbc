#pragma once
// The network of a built function tree as a Graphviz DOT picture: one
// cluster per function object, labelled as the function browser labels it
// and nested as the tree is; a node per neuron labelled with its name and
// bias; an edge per synapse labelled with its weight as equation files
// write it. Input neurons stand outside every cluster.

#include <string>

#include "compiler/proof_obj.hpp"

namespace vantorb {

std::string NetworkDot(const ProofObj& target, const NeuronList& inputs);

}  // namespace vantorb
