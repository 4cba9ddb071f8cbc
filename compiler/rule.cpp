#include "compiler/rule.hpp"

namespace vantorb {

void Rule::AddToTree(FunctionTreeNodes& nodes,
                     std::optional<TreeNodeHandle> parent) const {
  const auto node = nodes.AddNode(parent, Name());
  for (const auto& child : Children()) child->AddToTree(nodes, node);
}

std::vector<Neuron*> Rule::NewCircuit(int count, std::string (*name)(int)) {
  std::vector<Neuron*> circuit(count + 1, nullptr);
  for (int i = 1; i <= count; ++i) circuit[i] = NewNeuron(name(i));
  OwnNeurons().Reset();
  return circuit;
}

void Rule::ConnectAll(const std::vector<Neuron*>& circuit,
                      std::span<const Wire> wires) {
  for (const auto& wire : wires)
    NeuronContainer::Connect(circuit.at(wire.source), circuit.at(wire.target),
                             wire.weight);
}

}  // namespace vantorb
