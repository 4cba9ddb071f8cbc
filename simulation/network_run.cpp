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

std::int64_t LargestArgument(EngineKind engine, ValuesHeld held) {
  return held == ValuesHeld::InEngine && MakeEngine(engine)->CanKeepValues() ? kMaxArgumentAsRuns
                                                                             : kMaxArgument;
}

void NetworkRun::Start(ProofObj* target, const TargetNetwork& network,
                       const std::vector<std::string>& arguments, RunObserver* observer,
                       ValuesHeld held) {
  running_ = false;
  iteration_ = 0;
  for (const auto& argument : arguments) CheckArgumentSize(argument, LargestArgument(held));
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
  kept_ = held == ValuesHeld::InEngine && engine_->CanKeepValues();
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
  engine_->Bind(*runFunction_, network.InputList(), endNeuron_);
  {
    NeuronList tree;
    runFunction_->AppendNeurons(tree);
    const std::vector<std::uint32_t> handles = engine_->Handles(tree);
    handles_.clear();
    handles_.reserve(tree.size());
    for (std::size_t i = 0; i < tree.size(); ++i) handles_.emplace(tree[i], handles[i]);
  }
  if (kept_)
    for (std::size_t k = 1; k < inputs.size(); ++k)
      engine_->SetInputCode(*inputs[k], WideUnaryArgument(argument(k)));
  // An observer may read any neuron at any moment, unless the values are
  // kept; without one, neurons are read only between the calls here and
  // the end signal at every pass.
  engine_->DeferNeuronValues(kept_ || observer_ == nullptr);

  Iterate();
  iteration_ = 1;
  for (const auto& input : inputs) input->SetValueText("0");
  running_ = true;
  Synchronize();
}

void NetworkRun::Synchronize() {
  if (!kept_) engine_->Synchronize();
}

bool NetworkRun::EndSignal() const {
  return endNeuron_ != nullptr && IsExactlyOne(endNeuron_->Value());
}

bool NetworkRun::EndSignalNext() const {
  return endNeuron_ != nullptr && IsExactlyOne(endNeuron_->Next());
}

void NetworkRun::RunIteration() {
  Pass();
  Synchronize();
}

void NetworkRun::Pass(std::int64_t leapRoom) {
  if (runFunction_ == nullptr || endNeuron_ == nullptr) return;  // none started, or released
  if (!EndSignal()) {
    if (leapRoom > 1 && (observer_ == nullptr || !observer_->Watching())) {
      if (const std::int64_t leapt = engine_->Leap(leapRoom, stop_); leapt > 0) {
        iteration_ += leapt;
        if (observer_ != nullptr && observer_->Following())
          observer_->Leapt(*engine_, iteration_ - leapt, iteration_);
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
  // Kept values are never brought into the neurons: an observer reads
  // them through the engine.
  const bool watched = observer_ != nullptr && observer_->Watching() && !kept_;
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
    if (k > 0 && stop_ && stop_()) break;
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
  Synchronize();
  return running_ ? RunStatus::Running : RunStatus::Finished;
}

std::uint32_t NetworkRun::HandleOf(const Neuron& neuron) const {
  const auto found = handles_.find(&neuron);
  return found == handles_.end() ? Engine::kNoHandle : found->second;
}

void NetworkRun::ReadValue(const Neuron& neuron, RunNumber& out) const {
  const std::uint32_t handle = HandleOf(neuron);
  if (handle == Engine::kNoHandle) {
    out.Assign(neuron.Value());
  } else {
    engine_->ReadValue(handle, out);
  }
}

bool NetworkRun::ChangedAtLastCommit(const Neuron& neuron) const {
  const std::uint32_t handle = HandleOf(neuron);
  return handle != Engine::kNoHandle && engine_->ChangedAtLastCommit(handle);
}

void NetworkRun::Release() {
  running_ = false;
  handles_ = {};
  endNeuron_ = resultNeuron_ = nullptr;
  if (kind_) {
    engine_ = MakeEngine(*kind_);
  } else {
    engine_->ReleaseWorkingMemory();
  }
  // The neurons' values, stale where the engine kept its own, are the
  // last of the run's memory.
  if (runFunction_ != nullptr) runFunction_->Reset();
}

void NetworkRun::ReadResult() {
  Synchronize();
  if (resultNeuron_ == nullptr) throw NeuroException(kNoResultError);
  result_ = engine_->ResultText(*resultNeuron_);
}

RunStatus RunToEnd(NetworkRun& run, const Network& network,
                   const std::vector<std::string>& arguments, std::int64_t limit,
                   const StopRequest& stop, ValuesHeld held) {
  // Iterations between two questions to the stop request.
  constexpr std::int64_t kTick = 1000;
  // The request may hold the caller's locals: the run keeps it no longer
  // than this call, however it ends.
  struct Asking {
    NetworkRun& run;
    ~Asking() { run.SetStopRequest({}); }
  } asking{run};
  run.SetStopRequest(stop);
  run.Start(network, arguments, nullptr, held);
  RunStatus status = RunStatus::Running;
  // The limit never comes between two ticks: each pass tests it.
  while (status == RunStatus::Running && !(stop && stop())) status = run.Tick(kTick, limit);
  return status;
}

}  // namespace vantorb
