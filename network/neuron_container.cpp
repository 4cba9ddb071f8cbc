#include "network/neuron_container.hpp"

#include "network/exceptions.hpp"

namespace vantorb {

NeuronContainer::~NeuronContainer() {
  while (!neurons_.empty()) neurons_.pop_back();
}

Neuron* NeuronContainer::Add(std::unique_ptr<Neuron> neuron) {
  if (!neuron) throw NeuroException("No neuron to add");
  neurons_.push_back(std::move(neuron));
  return neurons_.back().get();
}

Neuron* NeuronContainer::Get(std::size_t i) const {
  if (i >= neurons_.size())
    throw NeuroException("Neuron index out of range: " + std::to_string(i));
  return neurons_[i].get();
}

std::size_t NeuronContainer::SynapseCount() const {
  std::size_t count = 0;
  for (const auto& neuron : neurons_) count += neuron->SynapseCount();
  return count;
}

void NeuronContainer::Connect(Neuron* source, Neuron* target, double weight) {
  if (target == nullptr) throw NeuroException("Synapse without target neuron");
  target->AddSynapse(source, weight);
}

void NeuronContainer::ComputeNext() {
  for (const auto& neuron : neurons_) neuron->ComputeNext();
}

void NeuronContainer::Commit() {
  for (const auto& neuron : neurons_) neuron->Commit();
}

void NeuronContainer::Reset() {
  for (const auto& neuron : neurons_) neuron->Reset();
}

void NeuronContainer::Rename(std::string_view prefix, std::int64_t depth,
                             std::int64_t base) {
  for (std::size_t k = 0; k < neurons_.size(); ++k) {
    Neuron& neuron = *neurons_[k];
    std::string name = "X";
    name.append(prefix).append(neuron.Name()).append("_");
    name.append(std::to_string(depth)).append("_");
    name.append(std::to_string(base + static_cast<std::int64_t>(k)));
    neuron.SetName(std::move(name));
  }
}

void NeuronContainer::WriteEquations(std::vector<std::string>& lines) const {
  for (const auto& neuron : neurons_) lines.push_back(neuron->EquationText());
}

void NeuronContainer::CollectNeurons(std::vector<Neuron*>& list,
                                     std::string_view text, bool all) const {
  if (text.empty()) return;
  for (const auto& neuron : neurons_) {
    if (neuron->Name().find(text) == std::string::npos) continue;
    if (all || neuron->Changed()) list.push_back(neuron.get());
  }
}

}  // namespace vantorb
