#pragma once
// Minim ("M"): the least y with f(x1..xn, y) = 0, child f of arity n + 1.
// Its circuit (13 neurons plus 2 per parameter) runs f on the candidates
// 0, 1, 2, ... one run after the other: f first starts 3 steps after the
// start pulse; a result above 0 shown at step u restarts f at u + 6, a result
// of 0 at step u makes the done pulse at u + 3. Without such a y, or when f
// never finishes, it never answers. One step after its done pulse all its own
// neurons are 0 again.

#include "compiler/rule.hpp"

namespace vantorb {

class Minim : public Rule {
 public:
  explicit Minim(ProofObjContainer children);
  std::unique_ptr<ProofObj> Clone() const override;
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
  void CheckArguments() const override;
  NetworkSize PlannedOwnSize() const override;
};

}  // namespace vantorb
