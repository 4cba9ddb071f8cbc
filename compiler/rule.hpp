#pragma once
// Rule: the base of composition, primitive recursion and minimization. A
// rule shows itself as a node labelled with its name and its argument
// functions beneath it. The parser creates a rule unchecked and calls
// CheckArguments at once; BuildNetwork checks again, so that a tree put
// together without the parser fails with the same message instead of
// building a circuit on the wrong inputs.

#include "compiler/proof_obj.hpp"

namespace vantorb {

class Rule : public ProofObj {
 public:
  using ProofObj::ProofObj;
  void AddToTree(FunctionTreeNodes& nodes,
                 std::optional<TreeNodeHandle> parent) const override;
  // Throws CompositionException or RecursionException with the first fault
  // of the argument functions; changes nothing.
  virtual void CheckArguments() const = 0;
};

}  // namespace vantorb
