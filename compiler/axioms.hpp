#pragma once
// The axioms, leaves of every function tree: the zero of no arguments ("W"),
// the zero of one argument ("Z"), the successor ("S") and the projections
// ("U(i,n)"). Each builds a fixed handful of neurons:
//
//   axiom        done at step  result
//   Zero         2             0.1, the code of 0
//   UnaryZero    2             the code of 0
//   Successor    2             0.1 + 0.1 * x1, the code of x1 + 1
//   Projection   1             xi (0, no code, when i lies outside the inputs)
//
// counted from the start pulse; all their neurons are 0 at every other step.

#include <cstdint>

#include "compiler/proof_obj.hpp"

namespace vantorb {

// Shows itself as one leaf labelled with its name.
class Axiom : public ProofObj {
 public:
  using ProofObj::ProofObj;
  void AddToTree(FunctionTreeNodes& nodes,
                 std::optional<TreeNodeHandle> parent) const override;
};

class Zero : public Axiom {
 public:
  Zero() : Axiom("W", 0, 0) {}
  std::unique_ptr<ProofObj> Clone() const override;
  NetworkSize PlannedOwnSize() const override { return {3, 3}; }
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
};

class UnaryZero : public Axiom {
 public:
  UnaryZero() : Axiom("Z", 1, 0) {}
  std::unique_ptr<ProofObj> Clone() const override;
  NetworkSize PlannedOwnSize() const override { return {4, 4}; }
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
};

class Successor : public Axiom {
 public:
  Successor() : Axiom("S", 1, 0) {}
  std::unique_ptr<ProofObj> Clone() const override;
  NetworkSize PlannedOwnSize() const override { return {4, 5}; }
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
};

// Passes argument `index` (from 1) of `arity` on; no range check, so an
// index outside 1..arity wires no input to its result neuron.
class Projection : public Axiom {
 public:
  Projection(std::int32_t index, std::int32_t arity);
  std::int32_t Index() const { return index_; }
  std::unique_ptr<ProofObj> Clone() const override;
  // One synapse per input neuron, for the arity it was declared with.
  NetworkSize PlannedOwnSize() const override;
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;

 private:
  std::int32_t index_;
};

}  // namespace vantorb
