#include "simulation/simulator.hpp"

#include <algorithm>
#include <chrono>

#include "network/exceptions.hpp"
#include "network/unary.hpp"
#include "simulation/free_memory.hpp"
#include "network/utils.hpp"
#include "network/value_text.hpp"

namespace vantorb {
namespace {

constexpr std::size_t kMaxToken = 255;

// A run setting: any 64-bit integer, so that a typed limit or step size
// may be as large as a run can count. A text that is none is refused with
// the field's name.
std::int64_t ToInteger(const std::string& field, const std::string& text) {
  const auto value = ParseDecimalInteger(text, INT64_MIN, INT64_MAX);
  if (value) return *value;
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  const bool beyond = !digits.empty() && digits.find_first_not_of("0123456789") == digits.npos;
  const char* why = !beyond   ? "is not a whole number"
                    : negative ? "is below -9223372036854775808"
                               : "is above 9223372036854775807";
  throw NeuroException(field + ": '" + text + "' " + why);
}

// The spin buttons' step from a field's text, wrapping within [low, high];
// a text that is no integer starts from low. A typed value far out of the
// range wraps as any other, without overflowing.
std::string Spun(const std::string& text, int delta, int low, int high) {
  const auto value = ParseDecimalInteger(text, INT64_MIN, INT64_MAX);
  if (!value) return std::to_string(low);
  // Past the range before adding: only then could the sum overflow.
  if (delta > 0 && *value > high - delta) return std::to_string(low);
  if (delta < 0 && *value < low - delta) return std::to_string(high);
  const std::int64_t next = *value + delta;
  if (next > high) return std::to_string(low);
  if (next < low) return std::to_string(high);
  return std::to_string(next);
}

// Sets a flag for the length of a command, also when it ends by an error.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

// Counts a long call under way, also when it ends by an error.
class CountScope {
 public:
  explicit CountScope(int& count) : count_(count) { ++count_; }
  ~CountScope() { --count_; }
  CountScope(const CountScope&) = delete;
  CountScope& operator=(const CountScope&) = delete;

 private:
  int& count_;
};

}  // namespace

Simulator::Simulator(SimulatorView& view, CurrentNetwork& network)
    : view_(view), network_(network), rowsNetwork_(network.Id()),
      wavesNetwork_(network.Id()) {
  view_.SetIterationText("0");
  view_.SetStepSizeText("1");
  view_.SetStopAfterText("1000");
  view_.ShowInspectChoice(InspectChoice::None);
}

// --- run settings and progress ---

void Simulator::ReadRunSettings() {
  stepSize_ = ToInteger("Step size", view_.StepSizeText());
  iterationLimit_ = ToInteger("Stop after", view_.StopAfterText());
  const int p = view_.SliderPosition();
  timerInterval_ = p == 0 ? 0 : 1001 - 100 * p;
}

void Simulator::ShowRunProgress() {
  ApplyRunTimer();
  ShowFrame();
}

void Simulator::ApplyRunTimer() {
  if (computePressed_) runTimerEnabled_ = true;
  view_.SetRunTimer(timerInterval_, runTimerEnabled_);
  // A run in step-by-step mode waits for Step: the wheel stands still
  // rather than say that something goes on.
  view_.SetIndicatorTimer(computePressed_ && timerInterval_ > 0);
}

bool Simulator::FrameDue() const {
  return view_.Now() - lastFrame_ >= std::chrono::milliseconds(kFrameMs);
}

// Everything on screen that follows the run, at once: a frame.
void Simulator::ShowFrame() {
  lastFrame_ = view_.Now();
  frameStale_ = false;
  view_.SetIterationText(std::to_string(iteration_));
  if (computePressed_) view_.ShowIndicatorFrame(animationFrame_);
  view_.WaveformsChanged();
  FillStatusWindow();
}

void Simulator::ResetIterationCounter() {
  iteration_ = 0;
  view_.SetIterationText("0");
  ReadRunSettings();
  ShowRunProgress();
}

void Simulator::StartRun() {
  computePressed_ = true;
  view_.SetComputePressed(true);
  ReadRunSettings();
  ShowRunProgress();
}

void Simulator::StopRun() {
  runTimerEnabled_ = false;
  view_.SetRunTimer(timerInterval_, false);
  computePressed_ = false;
  view_.SetComputePressed(false);
  ShowRunProgress();
  view_.ClearIndicator();
  ReleaseRunMemory(false);
}

void Simulator::ReleaseRunMemory(bool whole) {
  if (Deferring()) {
    // The call under way may use what would go: after it.
    releaseWhenIdle_ = true;
    releaseWholeWhenIdle_ = releaseWholeWhenIdle_ || whole;
    return;
  }
  if (whole) {
    recording_ = false;  // the waveforms' handles are on the engine that goes
    network_.Run().Release();
  } else {
    network_.Run().ReleaseWorkingMemory();
  }
  GiveFreeMemoryBack();
}

void Simulator::Defer(std::function<void()> command) { waiting_.push_back(std::move(command)); }

void Simulator::RunWaitingCommands() {
  if (Deferring()) return;
  if (releaseWhenIdle_) {
    const bool whole = releaseWholeWhenIdle_;
    releaseWhenIdle_ = releaseWholeWhenIdle_ = false;
    ReleaseRunMemory(whole);
  }
  while (!waiting_.empty()) {
    const std::function<void()> command = std::move(waiting_.front());
    waiting_.pop_front();
    command();
  }
}

bool Simulator::PollLongCall(const std::function<std::string()>& progress) {
  // Timed apart from the frames: a run's frames come between its passes.
  if (view_.Now() - lastEvents_ >= std::chrono::milliseconds(kFrameMs)) {
    if (progress) view_.ShowStatusMessage(progress());
    if (computePressed_) {
      Pass();  // the wheel turns while the call goes on
      view_.ShowIndicatorFrame(animationFrame_);
    }
    // An error escaping the events must not unwind through the engine as
    // its own: the call ends, and the error goes on from its caller.
    try {
      TakeEvents();
    } catch (...) {
      pollError_ = std::current_exception();
    }
  }
  return stopRequested_ || shutDown_ || !waiting_.empty() || pollError_ != nullptr;
}

void Simulator::RethrowPollError() {
  if (pollError_ == nullptr) return;
  const std::exception_ptr error = pollError_;
  pollError_ = nullptr;
  std::rethrow_exception(error);
}

bool Simulator::RunResponsively(const std::function<void(const StopRequest&)>& work,
                                const std::function<std::string()>& progress) {
  bool stopped = false;
  {
    CountScope call(longCalls_);
    const bool wasBusy = busy_;
    FlagScope busy(busy_);  // run timer ticks wait
    if (!wasBusy) stopRequested_ = false;
    lastEvents_ = view_.Now();
    work([this, &progress, &stopped] { return stopped = PollLongCall(progress); });
  }
  view_.ShowStatusMessage("");
  RethrowPollError();
  RunWaitingCommands();
  return !stopped;
}

void Simulator::ReportError(const std::string& message) {
  view_.Message(MessageKind::Error, message, Answers::Ok);
}

// --- commands ---

void Simulator::Compute() {
  animationFrame_ = 0;
  // A click on the pressed toggle releases it: the run in progress is
  // abandoned, and a new one starts with the arguments in the grid now.
  const bool abandoning = computePressed_;
  if (abandoning) {
    computePressed_ = false;
    view_.SetComputePressed(false);
  }
  const Network* network = network_.Get();
  // Only the target's own rows count: a target without arguments leaves
  // the grid one unnamed row, which it ignores.
  const std::vector<std::string> values = view_.ParameterValues();
  const std::size_t rows =
      network ? std::min<std::size_t>(values.size(), network->Target().Arity()) : 0;
  const std::vector<std::string> arguments(values.begin(), values.begin() + rows);
  bool missing = false;
  for (const auto& value : arguments) missing = missing || value.empty();
  if (missing && view_.Message(MessageKind::Warning, kMissingParameters,
                               Answers::YesNo) != Answer::Yes) {
    if (abandoning) StopRun();
    return;
  }
  // A refused argument leaves no result on view that could pass for its.
  hasResult_ = false;
  try {
    for (std::size_t k = 0; k < arguments.size(); ++k) {
      const std::string& argument = arguments[k];
      if (!argument.empty() && !IsNaturalNumberText(argument))
        throw NeuroException("The argument X" + std::to_string(k + 1) + ", '" + argument +
                             "', is not a natural number");
      CheckArgumentSize(argument, network_.Run().LargestArgument(ValuesHeld::InEngine));
    }
  } catch (const NeuroException& e) {
    if (abandoning) StopRun();
    view_.SetResult("");
    view_.ShowResultKind(ResultKind::NotComputed);
    ReportError(e.what());
    return;
  }
  try {
    ResetIterationCounter();
    if (network == nullptr) {
      StopRun();
      ReportError(NetworkRun::kStartError);
      return;
    }
    NetworkRun& run = network_.Run();
    NeuronList& recorded = network_.Recorded();
    recorded.clear();
    recording_ = false;  // until the waveforms follow the engine bound now
    run.SetStopRequest([this] { return PollLongCall({}); });
    collectThisPass_ = true;  // the first iteration is shown at once
    run.Start(*network, arguments, this, ValuesHeld::InEngine);
    collectThisPass_ = false;
    iteration_ = run.Iteration();
    CollectInspectedNeurons(true);
    network->Target().CollectNeurons(recorded, inspectToken_, true);
    waves_.Begin(run.UsedEngine(), recorded, iteration_);
    recording_ = !recorded.empty();
    wavesNetwork_ = network_.Id();
    view_.WaveformsChanged();
    view_.SetIterationText(std::to_string(iteration_));
    view_.ShowTab(Tab::Simulator);
    StartRun();
  } catch (const std::exception& e) {
    collectThisPass_ = false;
    // The message says what went wrong: a setting that is no number, a
    // network that cannot start, a value out of range in the first
    // iteration.
    StopRun();
    ReportError(ErrorMessage(e));
  }
}

void Simulator::StepByStepMode() {
  view_.SetSliderPosition(0);
  stepSize_ = 1;
  view_.SetStepSizeText("1");
}

void Simulator::AutomaticMode() {
  view_.SetSliderPosition(10);
  stepSize_ = 10;
  view_.SetStepSizeText("10");
}

void Simulator::SpeedChanged() {
  try {
    ReadRunSettings();
  } catch (const NeuroException& e) {
    ReportError(e.what());
    return;
  }
  ShowRunProgress();
}

Simulator::PassOutcome Simulator::RunPass(std::int64_t room) {
  const PassOutcome outcome = RunOnePass(room);
  RethrowPollError();
  RunWaitingCommands();
  return outcome;
}

Simulator::PassOutcome Simulator::RunOnePass(std::int64_t room) {
  NetworkRun& run = network_.Run();
  if (run.RunFunction() == nullptr) {  // its network went
    StopRun();
    return PassOutcome::Stopped;
  }
  RunStatus status;
  try {
    CountScope call(longCalls_);
    status = run.Tick(1, iterationLimit_, room);
  } catch (const std::exception& e) {
    // An end without a result neuron, a value out of range, no memory: the
    // values are not to be trusted any further.
    iteration_ = run.Iteration();
    StopRun();
    ReportError(ErrorMessage(e));
    return PassOutcome::Stopped;
  }
  iteration_ = run.Iteration();
  switch (status) {
    case RunStatus::Running:
      return PassOutcome::Continue;
    case RunStatus::Finished:
      view_.SetResult(run.Result());
      view_.ShowResultKind(ResultKind::Finished);
      hasResult_ = true;
      view_.ShowTab(Tab::Browser);
      StopRun();
      return PassOutcome::Finished;
    case RunStatus::LimitReached:
      break;
  }
  const std::string result = run.Result();
  StopRun();
  ReportError(NetworkRun::LimitMessage(iterationLimit_));
  view_.SetResult(result);
  view_.ShowResultKind(ResultKind::AtLimit);
  return PassOutcome::Stopped;
}

void Simulator::RunTimerTick() {
  if (busy_) return;  // a tick inside a message box, a tick or a Finish waits
  FlagScope busy(busy_);
  stopRequested_ = false;
  Tick(TickKind::Timer);
}

// Up to stepSize passes. The neurons to list are collected only in the
// passes a frame follows; a tick that takes long shows frames and lets the
// window take events between its passes, and ends early when the run is
// stopped meanwhile.
bool Simulator::ReadSettingsOnce() {
  try {
    ReadRunSettings();
    settingsError_.clear();
    return true;
  } catch (const NeuroException& e) {
    // Reported once, not at every tick of a fast timer.
    if (settingsError_ != e.what()) {
      settingsError_ = e.what();
      ReportError(settingsError_);
    }
    return false;
  }
}

void Simulator::Tick(TickKind kind) {
  if (!computePressed_) return;
  // A Step or a timer tick goes by the step size and limit typed now: the
  // fields are read as it starts, and again as it ends.
  if (kind != TickKind::Finishing && !ReadSettingsOnce()) return;
  bool collected = false;
  // A Step or timer tick that outlasts its first frame goes on as Finish
  // does: only the passes a frame follows are watched, and the engine
  // leaves the neurons behind between them.
  struct LongTick {
    Simulator& simulator;
    ~LongTick() { simulator.EndLongTick(); }
  } longTick{*this};
  // Counted from 0, so that the largest step size ends the loop without
  // overflowing k.
  for (std::int64_t k = 0; k < stepSize_;) {
    const bool last = k + 1 == stepSize_;
    const bool frame = FrameDue();
    collected = frame || (kind != TickKind::Finishing && last);
    collectThisPass_ = collected;
    // A pass of a long Step nobody watches may leap, within the step but
    // its last iteration, which is watched; one of Finish as far as the
    // limit allows.
    const std::int64_t room = kind == TickKind::Finishing ? INT64_MAX : stepSize_ - k - 1;
    const std::int64_t before = network_.Run().Iteration();
    const PassOutcome outcome = RunPass(room);
    collectThisPass_ = false;
    // The status window lists what changed in the iteration it shows: the
    // last one of a frame, of a tick, of the run, or before the limit.
    if (collected || outcome != PassOutcome::Continue ||
        (iterationLimit_ > 0 && iteration_ >= iterationLimit_))
      CollectInspectedNeurons(true);
    k += kind == TickKind::Finishing ? 1 : std::max<std::int64_t>(1, iteration_ - before);
    if (outcome == PassOutcome::Stopped) return;
    if (outcome == PassOutcome::Finished) break;  // settings are read all the same
    if (stopRequested_) break;  // asked for while the pass took events
    if (frame && !last) {
      ShowFrame();
      TakeEvents();
      if (!computePressed_ || stopRequested_) break;
      if (kind != TickKind::Finishing) longTick_ = true;
    }
  }
  EndLongTick();  // what follows reads the neurons
  // Only events change the fields: Finish, which takes them once a frame,
  // reads the fields again only after it did.
  if (kind == TickKind::Finishing && !eventsTaken_) return;
  eventsTaken_ = false;
  if (!ReadSettingsOnce()) return;
  ApplyRunTimer();
  if (kind == TickKind::Step || (collected && FrameDue())) {
    ShowFrame();
  } else {
    // The next frame, or the indicator's tick, shows it.
    frameStale_ = true;
    if (kind == TickKind::Timer) view_.SetIterationText(std::to_string(iteration_));
  }
}

void Simulator::EndLongTick() { longTick_ = false; }

bool Simulator::Watching() { return (!finishPressed_ && !longTick_) || collectThisPass_; }

bool Simulator::Following() { return recording_; }

void Simulator::Committed(const Engine& engine) {
  waves_.RecordCommitted(engine, network_.Run().Iteration() + 1);
}

void Simulator::Leapt(const Engine& engine, std::int64_t from, std::int64_t to) {
  waves_.RecordLeap(engine, from, to);
}

void Simulator::SelectTrace(std::size_t trace) {
  const NeuronList& recorded = network_.Recorded();
  if (TracesLive() && trace < recorded.size())
    ShowEquation(recorded[trace]->EquationText());
}

void Simulator::Pass() {
  animationFrame_ = (animationFrame_ + 1) % kIndicatorFrames;
}

void Simulator::IndicatorTick() {
  Pass();
  if (frameStale_ && !busy_) {
    ShowFrame();  // what the throttled ticks did not show
  } else {
    view_.ShowIndicatorFrame(animationFrame_);
  }
}

void Simulator::Step() {
  if (computePressed_) {
    if (busy_) return;
    FlagScope busy(busy_);
    stopRequested_ = false;
    Tick(TickKind::Step);
    return;
  }
  view_.Message(MessageKind::Warning, kFirstPressCompute, Answers::Ok);
  view_.ShowTab(Tab::Browser);
}

void Simulator::Finish() {
  if (finishPressed_) {
    stopRequested_ = true;  // Finish again stops it
    return;
  }
  if (!computePressed_ || busy_ || shutDown_) return;
  FlagScope busy(busy_);
  finishPressed_ = true;
  stopRequested_ = false;
  eventsTaken_ = true;  // the fields as they are now
  view_.SetFinishPressed(true);
  const int slider = view_.SliderPosition();
  view_.SetSliderPosition(10);
  try {
    FinishLoop();
    ApplyInspectToken();
  } catch (...) {
    EndFinish(slider);  // the controls come back whatever stopped the loop
    throw;
  }
  EndFinish(slider);
  if (computePressed_) SpeedChanged();  // stopped early: the slider's pace again
}

void Simulator::EndFinish(int slider) {
  view_.SetSliderPosition(slider);
  finishPressed_ = false;
  view_.SetFinishPressed(false);
}

// Runs ticks until the run ends, showing a frame and letting the window
// take events every few milliseconds (and whenever a tick does nothing).
void Simulator::FinishLoop() {
  while (computePressed_ && !stopRequested_) {
    const std::int64_t before = iteration_;
    Tick(TickKind::Finishing);
    if (iteration_ == before || FrameDue()) {
      if (computePressed_) ShowFrame();
      TakeEvents();
    }
  }
}

void Simulator::TakeEvents() {
  lastEvents_ = view_.Now();
  view_.ProcessEvents();
  eventsTaken_ = true;
}

// Escape stops what runs on its own: a Finish, a long tick, or the timer
// (the slider goes to "Step-by-step", and Step goes on from there).
void Simulator::Interrupt() {
  if (finishPressed_ || busy_) {
    stopRequested_ = true;
    return;
  }
  if (!computePressed_ || view_.SliderPosition() == 0) return;
  view_.SetSliderPosition(0);
  SpeedChanged();
}

void Simulator::Shutdown() {
  shutDown_ = true;
  stopRequested_ = true;
  if (computePressed_) StopRun();
}

void Simulator::ResetRun() {
  const char* question = computePressed_ ? kResetWhileRunning : kResetIdle;
  if (view_.Message(MessageKind::Warning, question, Answers::YesCancel) != Answer::Yes)
    return;
  stopRequested_ = true;
  StopRun();
  // Nothing of the run stays on view: all it took goes back.
  ReleaseRunMemory(true);
  stepSize_ = 1;
  view_.SetStepSizeText("1");
  view_.SetStopAfterText("1000");
  iterationLimit_ = 1000;
  view_.SetResult("");
  view_.ShowResultKind(ResultKind::NotComputed);
  hasResult_ = false;
  iteration_ = 0;
  ShowRunProgress();
  ShowEquation("");
  EmptyStatusWindow();
  choice_ = InspectChoice::None;
  view_.ShowInspectChoice(choice_);
  view_.ShowTab(Tab::Browser);
}

void Simulator::SpinStopAfter(int delta) {
  view_.SetStopAfterText(Spun(view_.StopAfterText(), delta, 1, 32000));
}

void Simulator::SpinStepSize(int delta) {
  view_.SetStepSizeText(Spun(view_.StepSizeText(), delta, 1, 100));
}

void Simulator::LeaveNetwork() {
  stopRequested_ = true;
  recording_ = false;  // the waveforms' handles are on the engine that goes
  if (computePressed_) StopRun();
  if (!RowsLive()) return;
  frozenRows_.clear();
  RunNumber value;
  for (const Neuron* neuron : network_.Listed()) {
    network_.Run().ReadValue(*neuron, value);
    frozenRows_.push_back({neuron->Name(), ShortValueText(value)});
  }
  rowsNetwork_ = 0;  // no network has that number once one has been replaced
}

void Simulator::ForgetRun() {
  iteration_ = 0;
  view_.SetIterationText("0");
  EmptyStatusWindow();
  ShowEquation("");
  view_.WaveformsChanged();  // the traces stay, no longer live
}

// --- inspection ---

void Simulator::ChooseToken(InspectChoice choice, const std::string& token) {
  choice_ = choice_ == choice ? InspectChoice::Released : choice;
  view_.ShowInspectChoice(choice_);
  inspectToken_ = token.substr(0, kMaxToken);
  ApplyInspectToken();
}

void Simulator::InspectNone() {
  // Nothing is watched any more: the waveforms end here, and a run under
  // way goes on at the engine's own pace.
  recording_ = false;
  choice_ = InspectChoice::None;
  view_.ShowInspectChoice(choice_);
  inspectToken_.clear();
  ApplyInspectToken();
  EmptyStatusWindow();
}

void Simulator::InspectTypedToken() {
  const std::string token = view_.TokenFieldText();
  if (token.empty()) {
    choice_ = InspectChoice::None;
    view_.ShowInspectChoice(choice_);
    return;
  }
  ChooseToken(InspectChoice::Set, token);
}

void Simulator::InspectChanging() {
  inspectAlways_ = false;
  ApplyInspectToken();
}

void Simulator::InspectAlways() {
  inspectAlways_ = true;
  ApplyInspectToken();
}

void Simulator::ApplyInspectToken() {
  view_.SetTokenFieldText(inspectToken_);
  CollectInspectedNeurons();
  FillStatusWindow();
}

void Simulator::CollectInspectedNeurons(bool afterIteration) {
  const NetworkRun& run = network_.Run();
  const ProofObj* tree = run.RunFunction();
  if (choice_ == InspectChoice::None || tree == nullptr) return;
  NeuronList& inspected = network_.Inspected();
  inspected.clear();
  if (!inspectAlways_ && !afterIteration) return;
  tree->CollectNeurons(inspected, inspectToken_, true);
  if (inspectAlways_) return;
  std::erase_if(inspected, [&run](const Neuron* n) { return !run.ChangedAtLastCommit(*n); });
}

void Simulator::FillStatusWindow() {
  if (choice_ == InspectChoice::None || network_.Run().RunFunction() == nullptr) return;
  network_.Listed() = network_.Inspected();
  rowsNetwork_ = network_.Id();
  frozenRows_.clear();
  view_.StatusWindowChanged();
  ShowSelectedEquation();
}

void Simulator::EmptyStatusWindow() {
  network_.Listed().clear();
  rowsNetwork_ = network_.Id();
  frozenRows_.clear();
  view_.StatusWindowChanged();
}

const Neuron* Simulator::ListedNeuron(int row) const {
  const NeuronList& listed = network_.Listed();
  if (!RowsLive() || row < 1 || static_cast<std::size_t>(row) > listed.size())
    return nullptr;
  return listed[row - 1];
}

void Simulator::ShowSelectedEquation() {
  const Neuron* neuron = ListedNeuron(view_.SelectedStatusRow());
  ShowEquation(neuron ? neuron->EquationText() : "");
}

// The memo is written only when its text changes: frames come often, and a
// rewritten memo loses its scroll position.
void Simulator::ShowEquation(const std::string& text) {
  if (equationShown_ && *equationShown_ == text) return;
  view_.SetEquationText(text);
  equationShown_ = text;
}

void Simulator::StatusWindowClick() {
  if (choice_ != InspectChoice::None) ShowSelectedEquation();
}

// Built from the ends of the value: a value of a million digits costs its
// hint no more than a short one.
std::string Simulator::StatusHint(int row, int column) const {
  const Neuron* neuron = column == 1 ? ListedNeuron(row) : nullptr;
  if (neuron == nullptr) return "";
  RunNumber value;
  network_.Run().ReadValue(*neuron, value);
  std::string hint = ValueTextHead(value, kHintLength);
  if (ValueTextLength(value) > kHintLength) hint += "...";
  const std::int64_t decoded = DecodeUnary(value);
  if (decoded >= 0) hint += " (" + std::to_string(decoded) + ")";
  return hint;
}

std::optional<std::string> Simulator::StatusValue(std::size_t row) const {
  const Neuron* neuron = ListedNeuron(static_cast<int>(row) + 1);
  if (neuron == nullptr) {
    if (!RowsLive() && row < frozenRows_.size()) return frozenRows_[row].value;
    return "";
  }
  RunNumber value;
  network_.Run().ReadValue(*neuron, value);
  if (ValueTextLength(value) > kMostCopied) return std::nullopt;
  return value.ToText();
}

void Simulator::CopyValue(std::size_t row) {
  if (row >= StatusRowCount()) return;
  if (const auto text = StatusValue(row)) {
    view_.CopyToClipboard(*text);
    return;
  }
  const Neuron* neuron = ListedNeuron(static_cast<int>(row) + 1);
  RunNumber value;
  network_.Run().ReadValue(*neuron, value);
  view_.Message(MessageKind::Warning,
                "The value of " + neuron->Name() + " has " +
                    std::to_string(ValueTextLength(value)) +
                    " characters, too many for the clipboard (at most " +
                    std::to_string(kMostCopied) +
                    "); its hint gives its beginning and how long it is.",
                Answers::Ok);
}

std::size_t Simulator::StatusRowCount() const {
  return RowsLive() ? network_.Listed().size() : frozenRows_.size();
}

std::string Simulator::StatusCell(std::size_t row, int column) const {
  if (!RowsLive()) {
    if (row >= frozenRows_.size()) return "";
    const FrozenRow& r = frozenRows_[row];
    return column == 0 ? r.name : r.value;
  }
  const Neuron* neuron = ListedNeuron(static_cast<int>(row) + 1);
  if (neuron == nullptr) return "";
  if (column == 0) return neuron->Name();
  RunNumber value;
  network_.Run().ReadValue(*neuron, value);
  return ShortValueText(value);
}

}  // namespace vantorb
