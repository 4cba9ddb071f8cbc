#include "compiler/proof_obj.hpp"

#include "network/exceptions.hpp"

namespace vantorb {
namespace {
constexpr std::size_t kMaxNameLength = 255;
}

ProofObjContainer& ProofObjContainer::operator=(ProofObjContainer&& other) {
  if (this != &other) {
    Clear();
    objects_ = std::move(other.objects_);
  }
  return *this;
}

ProofObjContainer::~ProofObjContainer() { Clear(); }

void ProofObjContainer::Clear() {
  while (!objects_.empty()) objects_.pop_back();
}

void ProofObjContainer::Add(std::unique_ptr<ProofObj> object) {
  if (!object) throw NeuroException("No function object to add");
  objects_.push_back(std::move(object));
}

void ProofObjContainer::TakeAll(ProofObjContainer&& other) {
  for (auto& object : other.objects_) objects_.push_back(std::move(object));
  other.objects_.clear();
}

ProofObj& ProofObjContainer::Get(std::size_t i) const {
  if (i >= objects_.size())
    throw NeuroException("Function object index out of range: " +
                         std::to_string(i));
  return *objects_[i];
}

ProofObjContainer ProofObjContainer::CloneAll() const {
  ProofObjContainer clones;
  for (const auto& object : objects_) clones.Add(object->Clone());
  return clones;
}

std::size_t ProofObjContainer::NeuronCount() const {
  std::size_t count = 0;
  for (const auto& object : objects_) count += object->NeuronCount();
  return count;
}

std::int32_t FirstArity(const ProofObjContainer& list) {
  return list.Empty() ? 0 : list.Get(0).Arity();
}

ProofObj::ProofObj(std::string_view name, std::int32_t arity,
                   std::int32_t componentCount)
    : name_(name.substr(0, kMaxNameLength)),
      arity_(arity),
      componentCount_(componentCount) {}

void ProofObj::AddChildren(ProofObjContainer&& list) {
  children_.TakeAll(std::move(list));
}

std::size_t ProofObj::NeuronCount() const {
  return neurons_.Count() + children_.NeuronCount();
}

NetworkSize ProofObj::PlannedSize() const {
  NetworkSize size = PlannedOwnSize();
  for (const auto& child : children_) {
    const NetworkSize part = child->PlannedSize();
    const auto saturated = [](std::size_t a, std::size_t b) {
      return a > SIZE_MAX - b ? SIZE_MAX : a + b;
    };
    size.neurons = saturated(size.neurons, part.neurons);
    size.synapses = saturated(size.synapses, part.synapses);
  }
  return size;
}

std::size_t ProofObj::ObjectCount() const {
  std::size_t count = 1;
  for (const auto& child : children_) count += child->ObjectCount();
  return count;
}

std::size_t ProofObj::SynapseCount() const {
  std::size_t count = neurons_.SynapseCount();
  for (const auto& child : children_) count += child->SynapseCount();
  return count;
}

void ProofObj::NumberNeurons(std::int64_t depth, std::int64_t base) {
  neurons_.Rename(name_, depth, base);
  std::int64_t childBase = base;
  for (const auto& child : children_) {
    child->NumberNeurons(depth + 1, childBase);
    childBase += static_cast<std::int64_t>(child->NeuronCount());
  }
}

void ProofObj::ComputeNext() {
  neurons_.ComputeNext();
  for (const auto& child : children_) child->ComputeNext();
}

void ProofObj::Commit() {
  neurons_.Commit();
  for (const auto& child : children_) child->Commit();
}

void ProofObj::Reset() {
  neurons_.Reset();
  for (const auto& child : children_) child->Reset();
}

void ProofObj::WriteEquations(std::vector<std::string>& lines) const {
  neurons_.WriteEquations(lines);
  for (const auto& child : children_) child->WriteEquations(lines);
}

void ProofObj::AppendNeurons(NeuronList& list) const {
  for (std::size_t i = 0; i < neurons_.Count(); ++i) list.push_back(neurons_.Get(i));
  for (const auto& child : children_) child->AppendNeurons(list);
}

void ProofObj::CollectNeurons(NeuronList& list, std::string_view text,
                              bool all) const {
  neurons_.CollectNeurons(list, text, all);
  for (const auto& child : children_) child->CollectNeurons(list, text, all);
}

Neuron* ProofObj::NewNeuron(std::string name) {
  return neurons_.Add(std::make_unique<Neuron>(std::move(name)));
}

void ProofObj::RequireInputs(const NeuronList& inputs,
                             std::size_t count) const {
  if (inputs.size() < count)
    throw NeuroClassException(name_ + " needs " + std::to_string(count) +
                              " input neurons but was given " +
                              std::to_string(inputs.size()));
}

Func::Func(std::string_view name, ProofObjContainer body)
    : ProofObj(name, FirstArity(body), 1) {
  AddChildren(std::move(body));
}

std::unique_ptr<ProofObj> Func::Clone() const {
  return std::make_unique<Func>(Name(), Children().CloneAll());
}

void Func::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  if (Children().Empty())
    throw NeuroClassException("Function " + Name() + " has no body");
  MutableChildren().Get(0).BuildNetwork(inputs, outputs);
}

void Func::AddToTree(FunctionTreeNodes& nodes,
                     std::optional<TreeNodeHandle> parent) const {
  const auto node = nodes.AddNode(parent, Name());
  if (!Children().Empty()) Children().Get(0).AddToTree(nodes, node);
}

}  // namespace vantorb
