#pragma once
// NeuronContainer: the ordered neurons one function object creates. It owns
// them and destroys them last to first; positions never change once added.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "network/neuron.hpp"

namespace vantorb {

class NeuronContainer {
 public:
  NeuronContainer() = default;
  ~NeuronContainer();
  NeuronContainer(const NeuronContainer&) = delete;
  NeuronContainer& operator=(const NeuronContainer&) = delete;

  // Takes ownership; returns the neuron for wiring.
  Neuron* Add(std::unique_ptr<Neuron> neuron);
  // The neuron at position i, from 0; throws NeuroException past the end.
  Neuron* Get(std::size_t i) const;
  std::size_t Count() const { return neurons_.size(); }
  std::size_t SynapseCount() const;

  static void Connect(Neuron* source, Neuron* target, double weight);

  void ComputeNext();
  void Commit();
  void Reset();

  // Neuron k becomes "X" + prefix + its name + "_" + depth + "_" + (base + k).
  void Rename(std::string_view prefix, std::int64_t depth, std::int64_t base);
  // Appends every neuron's equation line, in order.
  void WriteEquations(std::vector<std::string>& lines) const;
  // Appends every neuron whose name contains text (an empty text matches
  // none); unless all, only those whose value and next differ.
  void CollectNeurons(std::vector<Neuron*>& list, std::string_view text,
                      bool all) const;

 private:
  std::vector<std::unique_ptr<Neuron>> neurons_;
};

}  // namespace vantorb
