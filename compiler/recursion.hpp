#pragma once
// Recur ("R"): primitive recursion on the last argument,
//   h(x1..xn, 0) = f(x1..xn),  h(x1..xn, y + 1) = g(x1..xn, y, h(x1..xn, y)),
// children f then g. Its circuit (21 neurons plus 3 per parameter) runs f
// once, then g once per unit of y with the counter and the previous value as
// g's last two arguments. With f's done pulse at step u it answers at u + 4
// when y = 0 and starts g at u + 4 otherwise; each run of g done at u leads
// to the answer or the next start of g at u + 6. One step after its done
// pulse all its own neurons are 0 again.

#include "compiler/rule.hpp"

namespace vantorb {

class Recur : public Rule {
 public:
  explicit Recur(ProofObjContainer children);
  std::unique_ptr<ProofObj> Clone() const override;
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
  void CheckArguments() const override;
  NetworkSize PlannedOwnSize() const override;
};

}  // namespace vantorb
