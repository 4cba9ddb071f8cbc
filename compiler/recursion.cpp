#include "compiler/recursion.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr auto Connect = NeuronContainer::Connect;
constexpr std::size_t kMaxMessageLength = 255;

// The fixed circuit's wiring, by neuron number (1 = "in", 8 = "res",
// 11 = "datay", 16 = "out");
// the order decides the equation lines.
constexpr std::array<Wire, 35> kWires{{
    {1, 2, 1},     {1, 3, 0.1},   {3, 3, 1},     {3, 4, 0.1},   {3, 7, 1},
    {4, 3, 1},     {5, 3, -1},    {5, 4, 1},     {5, 9, 1},     {6, 5, 1},
    {9, 10, 0.2},  {9, 11, -1},   {9, 12, 1},    {10, 11, 1},   {11, 10, 10},
    {11, 11, 1},   {11, 14, 1},   {12, 13, 2},   {12, 15, 2},   {13, 8, 1},
    {13, 16, 1},   {14, 13, -100}, {14, 15, 100}, {15, 7, 1},    {15, 17, 1},
    {15, 18, 1},   {16, 3, -1},   {16, 11, -1},  {16, 19, -1},  {19, 8, 1},
    {19, 18, 1},   {19, 19, 1},   {20, 19, -10}, {20, 21, 1},   {21, 19, 1},
}};

std::string FixedName(int number) {
  switch (number) {
    case 1: return "in";
    case 8: return "res";
    case 11: return "datay";
    case 16: return "out";
    default: return "hid" + std::to_string(number);
  }
}

}  // namespace

Recur::Recur(ProofObjContainer children)
    : Rule("R", FirstArity(children) + 1,
           static_cast<std::int32_t>(children.Count())) {
  AddChildren(std::move(children));
}

std::unique_ptr<ProofObj> Recur::Clone() const {
  return std::make_unique<Recur>(Children().CloneAll());
}

NetworkSize Recur::PlannedOwnSize() const {
  const std::size_t n = static_cast<std::size_t>(std::max(Arity() - 1, 0));
  return {21 + 3 * n, kWires.size() + 1 + 7 * n + 1 + 4};
}

void Recur::CheckArguments() const {
  if (Children().Count() != 2)
    throw RecursionException("Recursion with " +
                             std::to_string(Children().Count()) +
                             " should have 2!");
  const ProofObj& base = Children().Get(0);
  const ProofObj& step = Children().Get(1);
  if (step.Arity() != static_cast<std::int64_t>(base.Arity()) + 2) {
    std::string message = "Arity of " + step.Name() + " is not the arity of " +
                          base.Name() + " plus 2";
    throw RecursionException(message.substr(0, kMaxMessageLength));
  }
}

void Recur::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  CheckArguments();
  const auto a = static_cast<std::size_t>(Arity());
  RequireInputs(inputs, a + 1);

  const std::vector<Neuron*> n = NewCircuit(21, FixedName);
  n[4]->SetBias(DecimalText("-0", "9"));
  n[7]->SetBias("-1");
  n[8]->SetBias("-1");
  n[10]->SetBias(DecimalText("-1", "2"));
  n[13]->SetBias("-1");
  n[14]->SetBias(DecimalText("-0", "1"));
  n[15]->SetBias("-2");
  n[18]->SetBias("-1");
  ConnectAll(n, kWires);
  Connect(inputs[0], n[1], 1);

  Neuron* in = n[1];
  Neuron* out = n[16];
  Neuron* runStep = n[15];
  NeuronList baseInputs{n[2]};
  NeuronList stepInputs{n[17]};
  for (std::size_t k = 1; k < a; ++k) {
    Neuron* held = NewNeuron("data" + std::to_string(k));
    Neuron* baseGate = NewNeuron("hid" + std::to_string(2 * k + 20));
    Neuron* stepGate = NewNeuron("hid" + std::to_string(2 * k + 21));
    for (Neuron* x : {held, baseGate, stepGate}) x->Reset();
    baseGate->SetBias("-1");
    stepGate->SetBias("-1");
    Connect(held, held, 1);
    Connect(held, baseGate, 1);
    Connect(held, stepGate, 1);
    Connect(in, baseGate, 1);
    Connect(runStep, stepGate, 1);
    Connect(out, held, -1);
    Connect(inputs[k], held, 1);
    baseInputs.push_back(baseGate);
    stepInputs.push_back(stepGate);
  }
  stepInputs.push_back(n[7]);
  stepInputs.push_back(n[18]);
  Connect(inputs[a], n[11], 1);

  NeuronList baseOutputs, stepOutputs;
  MutableChildren().Get(0).BuildNetwork(baseInputs, baseOutputs);
  MutableChildren().Get(1).BuildNetwork(stepInputs, stepOutputs);
  Connect(baseOutputs.at(0), n[9], 1);
  Connect(baseOutputs.at(1), n[19], 1);
  Connect(stepOutputs.at(0), n[6], 1);
  Connect(stepOutputs.at(1), n[20], 1);
  outputs.push_back(out);
  outputs.push_back(n[8]);
}

}  // namespace vantorb
