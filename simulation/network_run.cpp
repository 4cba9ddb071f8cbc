#include "simulation/network_run.hpp"

#include <algorithm>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

bool NameHas(const Neuron* neuron, const char* role) {
  return neuron != nullptr && neuron->Name().find(role) != std::string::npos;
}

bool IsExactlyOne(const Number& v) {
  if (v.Sign() < 0 || v.IntegerPart() != 1) return false;
  for (auto limb : v.Limbs())
    if (limb.value != 0) return false;
  return true;
}

}  // namespace

void NetworkRun::Start(ProofObj* target, const TargetNetwork& network,
                       const std::vector<std::string>& arguments,
                       RunObserver* observer) {
  running_ = false;
  iteration_ = 0;
  const std::int64_t largest = LargestArgument(observer != nullptr);
  for (const auto& argument : arguments) CheckArgumentSize(argument, largest);
  const auto& inputs = network.inputNeurons;
  const auto& outputs = network.outputNeurons;
  if (target == nullptr || inputs.empty() ||
      inputs.size() < static_cast<std::size_t>(target->Arity()) + 1 ||
      outputs.empty() || !NameHas(outputs[0], "Eout"))
    throw NeuroException(kStartError);

  runFunction_ = target;
  arguments_ = arguments;
  observer_ = observer;
  endNeuron_ = outputs[0];
  resultNeuron_ = outputs.size() > 1 && NameHas(outputs[1], "Eres") ? outputs[1]
                                                                   : nullptr;
  // Kept values come only with nobody watching the neurons.
  kept_ = keepValues_ && observer == nullptr;
  const auto argument = [&arguments](std::size_t k) -> std::string_view {
    return k - 1 < arguments.size() ? std::string_view(arguments[k - 1]) : "";
  };
  inputs[0]->SetValueText("1");
  for (std::size_t k = 1; k < inputs.size(); ++k) {
    if (kept_) {
      inputs[k]->SetValueText("0");  // the engine takes the code
    } else {
      inputs[k]->SetArgument(argument(k));
    }
  }
  runFunction_->Reset();
  endNeuron_->SetValueText("0");
  engine_->KeepValues(kept_);
  // Bound first: an engine still deferring from an earlier run would
  // otherwise bring the neurons just reset back to that run's values.
  engine_->Bind(*runFunction_, network.InputList());
  if (kept_)
    for (std::size_t k = 1; k < inputs.size(); ++k)
      engine_->SetInputCode(*inputs[k], WideUnaryArgument(argument(k)));
  // An observer may read any neuron at any moment; without one, neurons are
  // read only between the calls here and the end signal at every pass.
  engine_->DeferNeuronValues(observer_ == nullptr);
  engine_->KeepInStep(endNeuron_);

  Iterate();
  iteration_ = 1;
  for (const auto& input : inputs) input->SetValueText("0");
  running_ = true;
  Synchronize();
}

bool NetworkRun::EndSignal() const {
  return endNeuron_ != nullptr && IsExactlyOne(endNeuron_->Value());
}

bool NetworkRun::EndSignalNext() const {
  return endNeuron_ != nullptr && IsExactlyOne(endNeuron_->Next());
}

void NetworkRun::RunIteration() {
  Pass();
  if (!behind_) Synchronize();
}

void NetworkRun::LeaveNeuronsBehind(bool behind) {
  behind_ = behind;
  if (!behind_) Synchronize();
}

void NetworkRun::Pass(std::int64_t leapRoom) {
  if (runFunction_ == nullptr) return;
  if (!EndSignal()) {
    if (leapRoom > 1 &&
        (observer_ == nullptr || (!observer_->Watching() && !observer_->Following()))) {
      if (const std::int64_t leapt = engine_->Leap(leapRoom); leapt > 0) {
        iteration_ += leapt;
        return;
      }
    }
    Iterate();
    ++iteration_;
    return;
  }
  running_ = false;
  ReadResult();
}

void NetworkRun::Iterate() {
  const bool watched = observer_ != nullptr && observer_->Watching();
  engine_->DeferNeuronValues(!watched);
  engine_->ComputeNext();
  if (watched) observer_->Computed();
  engine_->Commit();
  if (observer_ != nullptr && observer_->Following()) observer_->Committed(*engine_);
}

RunStatus NetworkRun::Tick(std::int64_t stepSize, std::int64_t iterationLimit,
                           std::int64_t passRoom) {
  // Once a pass has read the result, the later passes of the tick would
  // read the same value again and test a limit that can no longer be
  // reached (the iteration stays): the tick ends there, however large the
  // step size.
  bool read = false;
  // A run without a limit stops at the largest iteration count there is.
  const std::int64_t last = iterationLimit != 0 ? iterationLimit : INT64_MAX;
  for (std::int64_t k = 0; k < stepSize && !read; ++k) {
    // iteration + 1 > limit, said so that the largest limit cannot overflow.
    if (iteration_ >= last) {
      running_ = false;
      Synchronize();
      result_ = resultNeuron_ ? engine_->ResultText(*resultNeuron_) : "";
      return RunStatus::LimitReached;
    }
    if (observer_) observer_->Pass();
    try {
      read = EndSignal();
      Pass(std::min(last - iteration_, passRoom));
    } catch (...) {
      Synchronize();
      throw;
    }
  }
  if (!behind_) Synchronize();
  return running_ ? RunStatus::Running : RunStatus::Finished;
}

void NetworkRun::ReadResult() {
  Synchronize();
  if (resultNeuron_ == nullptr) throw NeuroException(kNoResultError);
  result_ = engine_->ResultText(*resultNeuron_);
}

}  // namespace vantorb
