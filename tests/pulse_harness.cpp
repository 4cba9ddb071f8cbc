#include "pulse_harness.hpp"

#include "network/unary.hpp"

namespace vantorb::testing {

bool IsZero(const Number& n) {
  if (n.IntegerPart() != 0) return false;
  for (auto limb : n.Limbs())
    if (limb.value != 0) return false;
  return true;
}

PulseHarness::PulseHarness(std::unique_ptr<ProofObj> tree)
    : ownTree_(std::move(tree)), tree_(ownTree_.get()), network_(&ownNetwork_) {
  BuildTargetNetwork(*tree_, ownNetwork_);
}

PulseHarness::PulseHarness(ProofObj& tree, const TargetNetwork& network)
    : tree_(&tree), network_(&network) {}

NeuronList PulseHarness::AllNeurons() const {
  NeuronList all;
  tree_->CollectNeurons(all, "X", true);  // every numbered name starts so
  return all;
}

void PulseHarness::Step() {
  tree_->ComputeNext();
  tree_->Commit();
}

PulseRun PulseHarness::Run(const std::vector<int>& arguments, int maxSteps) {
  const auto& inputs = network_->inputNeurons;
  inputs[0]->SetValueText("1");
  for (std::size_t k = 1; k < inputs.size(); ++k)
    inputs[k]->SetArgument(
        std::to_string(k - 1 < arguments.size() ? arguments[k - 1] : 0));

  PulseRun run;
  const Neuron& done = *network_->outputNeurons[0];
  const Neuron& result = *network_->outputNeurons[1];
  for (int step = 1; step <= maxSteps; ++step) {
    Step();
    if (step == 1)
      for (const auto& input : inputs) input->SetValueText("0");
    if (done.Value().IntegerPart() == 1) {
      run.doneStep = step;
      run.result = result.ResultText();
      run.resultIsCode = result.Value() == UnaryCode(std::stoi(run.result));
      break;
    }
  }
  if (!run.doneStep) return run;
  Step();
  run.restAfter = true;
  for (const Neuron* n : AllNeurons())
    if (!IsZero(n->Value())) run.restAfter = false;
  return run;
}

}  // namespace vantorb::testing
