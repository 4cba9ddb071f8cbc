#pragma once
// Rule: the base of composition, primitive recursion and minimization. A
// rule shows itself as a node labelled with its name and its argument
// functions beneath it. The parser creates a rule unchecked and calls
// CheckArguments at once; BuildNetwork checks again, so that a tree put
// together without the parser fails with the same message instead of
// building a circuit on the wrong inputs.

#include <span>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

// One synapse of a rule's fixed circuit, by neuron number (from 1).
struct Wire {
  int source, target;
  double weight;
};

class Rule : public ProofObj {
 public:
  using ProofObj::ProofObj;
  void AddToTree(FunctionTreeNodes& nodes,
                 std::optional<TreeNodeHandle> parent) const override;
  // Throws CompositionException or RecursionException with the first fault
  // of the argument functions; changes nothing.
  virtual void CheckArguments() const = 0;

 protected:
  // Creates the neurons 1..count of a fixed circuit, named by `name`, in the
  // own container, resets it and returns them by number (entry 0 unused).
  std::vector<Neuron*> NewCircuit(int count, std::string (*name)(int));
  // Adds the circuit's synapses in the order listed.
  static void ConnectAll(const std::vector<Neuron*>& circuit,
                         std::span<const Wire> wires);
};

}  // namespace vantorb
