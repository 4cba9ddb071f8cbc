#include "compiler/minimization.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr auto Connect = NeuronContainer::Connect;

// The fixed circuit's wiring, by neuron number (1 = "in", 9 = "out",
// 13 = "res"); the order decides the equation lines.
constexpr std::array<Wire, 20> kWires{{
    {1, 2, 1},    {1, 4, 0.1},  {2, 3, 1},    {2, 10, 1},     {4, 4, 1},
    {4, 10, 1},   {4, 12, 0.1}, {4, 13, 1},   {5, 6, 2},      {5, 8, 2},
    {6, 11, 1},   {7, 6, 100},  {7, 8, -100}, {8, 9, 1},      {8, 13, 1},
    {9, 4, -1},   {11, 4, -1},  {11, 12, 1},  {12, 2, 10},    {12, 4, 1},
}};

std::string FixedName(int number) {
  switch (number) {
    case 1: return "in";
    case 9: return "out";
    case 13: return "res";
    default: return "hid" + std::to_string(number);
  }
}

std::string WrongChildCount(std::size_t count) {
  return "Minimalization with " + std::to_string(count) +
         " parameters, should have only 1";
}

}  // namespace

Minim::Minim(ProofObjContainer children)
    : Rule("M", FirstArity(children) - 1,
           static_cast<std::int32_t>(children.Count())) {
  AddChildren(std::move(children));
}

std::unique_ptr<ProofObj> Minim::Clone() const {
  return std::make_unique<Minim>(Children().CloneAll());
}

NetworkSize Minim::PlannedOwnSize() const {
  const std::size_t n = static_cast<std::size_t>(std::max(Arity(), 0));
  return {13 + 2 * n, kWires.size() + 1 + 5 * n + 2};
}

void Minim::CheckArguments() const {
  if (Children().Count() != 1)
    throw RecursionException(WrongChildCount(Children().Count()));
  if (Arity() < 0)
    throw RecursionException(
        "Minimalization of 0-arity expression is not allowed");
}

void Minim::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  CheckArguments();
  const auto a = static_cast<std::size_t>(Arity());
  RequireInputs(inputs, a + 1);

  const std::vector<Neuron*> n = NewCircuit(13, FixedName);
  n[6]->SetBias("-2");
  n[7]->SetBias(DecimalText("-0", "1"));
  n[8]->SetBias("-1");
  n[10]->SetBias("-1");
  n[12]->SetBias(DecimalText("-0", "9"));
  n[13]->SetBias("-1");
  ConnectAll(n, kWires);
  Connect(inputs[0], n[1], 1);

  Neuron* restart = n[2];
  Neuron* out = n[9];
  NeuronList innerInputs{n[3]};
  for (std::size_t k = 1; k <= a; ++k) {
    Neuron* held = NewNeuron("data" + std::to_string(k));
    Neuron* gate = NewNeuron("hid" + std::to_string(k + 13));
    held->Reset();
    gate->Reset();
    gate->SetBias("-1");
    Connect(held, gate, 1);
    Connect(held, held, 1);
    Connect(restart, gate, 1);
    Connect(out, held, -1);
    Connect(inputs[k], held, 1);
    innerInputs.push_back(gate);
  }
  innerInputs.push_back(n[10]);

  NeuronList innerOutputs;
  MutableChildren().Get(0).BuildNetwork(innerInputs, innerOutputs);
  Connect(innerOutputs.at(0), n[5], 1);
  Connect(innerOutputs.at(1), n[7], 1);
  outputs.push_back(out);
  outputs.push_back(n[13]);
}

}  // namespace vantorb
