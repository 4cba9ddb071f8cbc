#pragma once
// Comp ("C"): h(x1..xn) = f(g1(x1..xn), ..., gm(x1..xn)), children g1..gm
// then f. Its circuit starts every gk at once on its own inputs, holds each
// result as it arrives, and starts f 3 steps after the last gk's done pulse
// with all m results at the same step; it finishes when f does. Its own
// 2 + 3m neurons are 0 again one step after f's start.

#include "compiler/rule.hpp"

namespace vantorb {

class Comp : public Rule {
 public:
  explicit Comp(ProofObjContainer children);
  std::unique_ptr<ProofObj> Clone() const override;
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
  void CheckArguments() const override;
  NetworkSize PlannedOwnSize() const override;
};

}  // namespace vantorb
