#include "compiler/composition.hpp"

#include <string>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {
constexpr auto Connect = NeuronContainer::Connect;
}

Comp::Comp(ProofObjContainer children)
    : Rule("C", FirstArity(children),
           static_cast<std::int32_t>(children.Count())) {
  AddChildren(std::move(children));
}

std::unique_ptr<ProofObj> Comp::Clone() const {
  return std::make_unique<Comp>(Children().CloneAll());
}

NetworkSize Comp::PlannedOwnSize() const {
  const std::size_t m = Children().Empty() ? 0 : Children().Count() - 1;
  return {2 + 3 * m, 2 + 9 * m};
}

void Comp::CheckArguments() const {
  const auto count = static_cast<std::int64_t>(Children().Count());
  if (count < 2)
    throw CompositionException("Composition must have at least 2 arguments");
  const auto outerArity = Children().Get(count - 1).Arity();
  if (outerArity != count - 1)
    throw CompositionException("Composition of " + std::to_string(count - 1) +
                               " parameters on arity " +
                               std::to_string(outerArity) + " expression");
  for (std::int64_t k = 1; k + 1 < count; ++k)
    if (Children().Get(k - 1).Arity() != Children().Get(k).Arity())
      throw CompositionException(
          "Composition of expressions with different arities");
}

void Comp::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  CheckArguments();
  const auto m = static_cast<std::int64_t>(Children().Count()) - 1;

  Neuron* allDone = NewNeuron("hid1");
  Neuron* outerStart = NewNeuron("hid2");
  OwnNeurons().Reset();
  allDone->SetBias(std::to_string(1 - m));
  Connect(allDone, outerStart, 1);
  Connect(allDone, allDone, -1);

  NeuronList outerInputs{outerStart};
  for (std::int64_t k = 1; k <= m; ++k) {
    Neuron* held = NewNeuron("hid" + std::to_string(3 * k));
    Neuron* gate = NewNeuron("hid" + std::to_string(3 * k + 1));
    Neuron* finished = NewNeuron("hid" + std::to_string(3 * k + 2));
    for (Neuron* n : {held, gate, finished}) n->Reset();
    gate->SetBias("-1");
    Connect(held, gate, 1);
    Connect(gate, held, -1);
    Connect(finished, allDone, 1);
    Connect(allDone, finished, -1);
    Connect(allDone, gate, 1);
    Connect(held, held, 1);
    Connect(finished, finished, 1);

    NeuronList innerOutputs;
    MutableChildren().Get(k - 1).BuildNetwork(inputs, innerOutputs);
    Connect(innerOutputs.at(0), finished, 1);
    Connect(innerOutputs.at(1), held, 1);
    outerInputs.push_back(gate);
  }
  MutableChildren().Get(m).BuildNetwork(outerInputs, outputs);
}

}  // namespace vantorb
