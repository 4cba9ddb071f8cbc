#include "compiler/axioms.hpp"

#include <algorithm>

#include "network/utils.hpp"

namespace vantorb {
namespace {
constexpr auto Connect = NeuronContainer::Connect;
}

void Axiom::AddToTree(FunctionTreeNodes& nodes,
                      std::optional<TreeNodeHandle> parent) const {
  nodes.AddNode(parent, Name());
}

std::unique_ptr<ProofObj> Zero::Clone() const {
  return std::make_unique<Zero>();
}

void Zero::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  RequireInputs(inputs, 1);
  Neuron* in = NewNeuron("in");
  Neuron* res = NewNeuron("res");
  Neuron* out = NewNeuron("out");
  OwnNeurons().Reset();
  Connect(in, res, 0.1);
  Connect(in, out, 1);
  Connect(inputs[0], in, 1);
  outputs.push_back(out);
  outputs.push_back(res);
}

std::unique_ptr<ProofObj> UnaryZero::Clone() const {
  return std::make_unique<UnaryZero>();
}

void UnaryZero::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  RequireInputs(inputs, 2);
  Neuron* in = NewNeuron("in");
  Neuron* res = NewNeuron("res");
  Neuron* out = NewNeuron("out");
  Neuron* data = NewNeuron("data");  // absorbs the argument; nothing reads it
  OwnNeurons().Reset();
  Connect(in, res, 0.1);
  Connect(in, out, 1);
  Connect(inputs[0], in, 1);
  Connect(inputs[1], data, 1);
  outputs.push_back(out);
  outputs.push_back(res);
}

std::unique_ptr<ProofObj> Successor::Clone() const {
  return std::make_unique<Successor>();
}

void Successor::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  RequireInputs(inputs, 2);
  Neuron* in = NewNeuron("in");
  Neuron* out = NewNeuron("out");
  Neuron* data = NewNeuron("data");
  Neuron* res = NewNeuron("res");
  OwnNeurons().Reset();
  res->SetBias(DecimalText("-0", "9"));
  Connect(in, out, 1);
  Connect(in, res, 1);
  Connect(data, res, 0.1);
  Connect(inputs[0], in, 1);
  Connect(inputs[1], data, 1);
  outputs.push_back(out);
  outputs.push_back(res);
}

Projection::Projection(std::int32_t index, std::int32_t arity)
    : Axiom("U(" + std::to_string(index) + "," + std::to_string(arity) + ")",
            arity, 2),
      index_(index) {}

NetworkSize Projection::PlannedOwnSize() const {
  return {3, static_cast<std::size_t>(std::max(Arity(), 0)) + 1};
}

std::unique_ptr<ProofObj> Projection::Clone() const {
  return std::make_unique<Projection>(index_, Arity());
}

void Projection::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  RequireInputs(inputs, 1);
  Neuron* inout = NewNeuron("inout");
  Neuron* datares = NewNeuron("datares");
  Neuron* data = NewNeuron("data");  // absorbs the other arguments
  OwnNeurons().Reset();
  Connect(inputs[0], inout, 1);
  for (std::size_t k = 1; k < inputs.size(); ++k)
    Connect(inputs[k], static_cast<std::int64_t>(k) == index_ ? datares : data,
            1);
  outputs.push_back(inout);
  outputs.push_back(datares);
}

}  // namespace vantorb
