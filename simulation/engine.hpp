#pragma once
// Engines: two ways of doing one synchronous iteration of a network, with
// the same values to the last limb.
//
// ReferenceEngine is the update as defined: every neuron, every iteration,
// each source value copied through its decimal text, the bias read anew.
// EventEngine computes only the neurons fed by a value that changed in the
// last commit (or by an input neuron set from outside), since every other
// neuron's next value equals its value; it works on flat arrays built once,
// with weights split once and no allocation once its numbers have grown.
// Both leave every neuron's value and next value as the definition does, so
// Changed() and everything read from neurons give the same answers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class Engine {
 public:
  virtual ~Engine() = default;
  // The network to update from now on: the tree's neurons and its input
  // neurons, with the values they hold now.
  virtual void Bind(const ProofObj& tree, const NeuronList& inputs) = 0;
  // Every neuron's next value from the current values.
  virtual void ComputeNext() = 0;
  // Every next value becomes current.
  virtual void Commit() = 0;
  // Synapse terms evaluated so far, and the limbs of their source values:
  // measures of the work done.
  std::uint64_t SynapseEvaluations() const { return evaluations_; }
  std::uint64_t LimbsProcessed() const { return limbs_; }

 protected:
  std::uint64_t evaluations_ = 0, limbs_ = 0;
};

enum class EngineKind { Event, Reference };
std::unique_ptr<Engine> MakeEngine(EngineKind kind);
// "event" or "reference"; throws NeuroException for anything else.
EngineKind EngineKindFromName(const std::string& name);

class ReferenceEngine : public Engine {
 public:
  void Bind(const ProofObj& tree, const NeuronList& inputs) override;
  void ComputeNext() override;
  void Commit() override;

 private:
  NeuronList neurons_;
};

class EventEngine : public Engine {
 public:
  void Bind(const ProofObj& tree, const NeuronList& inputs) override;
  void ComputeNext() override;
  void Commit() override;

 private:
  void MarkTargets(std::uint32_t node);
  void Compute(std::uint32_t neuron);

  // Nodes 0 .. computed_ - 1 are the tree's neurons; the rest are sources
  // set from outside (the inputs), watched through a copy of their value.
  std::vector<Neuron*> nodes_;
  std::uint32_t computed_ = 0;
  std::vector<Number> lastSeen_;  // per outside node
  // Incoming synapses per neuron and outgoing ones per node, flat.
  std::vector<std::uint32_t> synapseStart_, synapseSource_;
  std::vector<Number::WeightParts> synapseWeight_;
  std::vector<std::uint32_t> feedStart_, feedTarget_;
  std::vector<Number> bias_;
  // This iteration's neurons to compute, and the ones whose value changed.
  std::vector<std::uint32_t> dirty_, changed_;
  std::vector<std::uint64_t> dirtyMark_;
  std::uint64_t generation_ = 0;
  bool everything_ = true;
  Number term_;  // the scratch number every product is made in
};

}  // namespace vantorb
