#include "simulation/simulator.hpp"

#include <chrono>

#include "network/exceptions.hpp"
#include "network/unary.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr std::size_t kMaxToken = 255;

int ToInteger(const std::string& text) {
  const auto value = ParseDecimalInteger(text, INT32_MIN, INT32_MAX);
  if (!value) throw NeuroException("'" + text + "' is not a valid integer value");
  return static_cast<int>(*value);
}

std::string Spun(const std::string& text, int delta, int low, int high) {
  const auto value = ParseDecimalInteger(text, INT32_MIN, INT32_MAX);
  long long next = (value ? *value : low - delta) + delta;
  if (next > high) next = low;
  if (next < low) next = high;
  return std::to_string(next);
}

}  // namespace

Simulator::Simulator(SimulatorView& view, NParserInterface& parser,
                     const TargetNetwork& network)
    : view_(view), parser_(parser), network_(network) {
  view_.SetIterationText("0");
  view_.SetStepSizeText("1");
  view_.SetStopAfterText("1000");
  view_.ShowInspectChoice(InspectChoice::None);
}

// --- run settings and progress ---

void Simulator::ReadRunSettings() {
  stepSize_ = ToInteger(view_.StepSizeText());
  iterationLimit_ = ToInteger(view_.StopAfterText());
  const int p = view_.SliderPosition();
  timerInterval_ = p == 0 ? 0 : 1001 - 100 * p;
}

void Simulator::ShowRunProgress() {
  view_.SetIterationText(std::to_string(iteration_));
  view_.WaveformsChanged();
  if (computePressed_) runTimerEnabled_ = true;
  view_.SetRunTimer(timerInterval_, runTimerEnabled_);
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
  view_.SetIndicatorTimer(true);
}

void Simulator::StopRun() {
  runTimerEnabled_ = false;
  view_.SetRunTimer(timerInterval_, false);
  computePressed_ = false;
  view_.SetComputePressed(false);
  ShowRunProgress();
  view_.SetIndicatorTimer(false);
  view_.ClearIndicator();
}

void Simulator::ReportError(const std::string& message) {
  view_.Message(MessageKind::Error, message, Answers::Ok);
}

// --- commands ---

void Simulator::BitBtn1Click() {
  animationFrame_ = 0;
  // A click on the pressed toggle releases it: the run in progress is
  // abandoned, and a new one starts with the arguments in the grid now.
  const bool abandoning = computePressed_;
  if (abandoning) {
    computePressed_ = false;
    view_.SetComputePressed(false);
  }
  const ProofObj* target = nullptr;
  try {
    target = parser_.symbolTable().GetTarget();
  } catch (const NeuroException&) {
  }
  // Only the target's own rows count: a target without arguments leaves
  // the grid one unnamed row, which it ignores.
  const std::vector<std::string> values = view_.ParameterValues();
  const std::size_t rows = target ? std::min<std::size_t>(values.size(), target->Arity()) : 0;
  const std::vector<std::string> arguments(values.begin(), values.begin() + rows);
  bool missing = false;
  for (const auto& value : arguments) missing = missing || value.empty();
  if (missing && view_.Message(MessageKind::Warning, kMissingParameters,
                               Answers::YesNo) != Answer::Yes) {
    if (abandoning) StopRun();
    return;
  }
  try {
    for (const auto& argument : arguments) CheckArgumentSize(argument);
  } catch (const NeuroException& e) {
    if (abandoning) StopRun();
    ReportError(e.what());
    return;
  }
  try {
    ResetIterationCounter();
    run_.Start(parser_.symbolTable().GetTarget(), network_, arguments, this);
    iteration_ = run_.Iteration();
    waves_.Begin(*run_.RunFunction(), inspectToken_);
    waves_.Record(iteration_);
    view_.WaveformsChanged();
    view_.SetIterationText(std::to_string(iteration_));
    view_.ShowTab(Tab::Simulator);
    StartRun();
  } catch (const std::exception&) {
    StopRun();
    ReportError(NetworkRun::kStartError);
  }
}

void Simulator::SpeedButton14Click() {
  view_.SetSliderPosition(0);
  stepSize_ = 1;
  view_.SetStepSizeText("1");
}

void Simulator::SpeedButton15Click() {
  view_.SetSliderPosition(10);
  stepSize_ = 10;
  view_.SetStepSizeText("10");
}

void Simulator::TrackBarChange() {
  try {
    ReadRunSettings();
  } catch (const NeuroException& e) {
    ReportError(e.what());
    return;
  }
  ShowRunProgress();
}

Simulator::PassOutcome Simulator::RunPass() {
  RunStatus status;
  try {
    status = run_.Tick(1, iterationLimit_);
  } catch (const NeuroException& e) {  // an end without a result neuron
    iteration_ = run_.Iteration();
    StopRun();
    ReportError(e.what());
    return PassOutcome::Stopped;
  }
  if (run_.Iteration() != iteration_) waves_.Record(run_.Iteration());
  iteration_ = run_.Iteration();
  switch (status) {
    case RunStatus::Running:
      return PassOutcome::Continue;
    case RunStatus::Finished:
      view_.SetResult(run_.Result());
      view_.ShowTab(Tab::Browser);
      StopRun();
      return PassOutcome::Finished;
    case RunStatus::LimitReached:
      break;
  }
  StopRun();
  ReportError(NetworkRun::kLimitMessage);
  view_.SetResult(run_.Result());
  return PassOutcome::Stopped;
}

void Simulator::TimerTimer() {
  if (busy_) return;  // a tick inside a message box or a Finish waits
  busy_ = true;
  Tick();
  busy_ = false;
}

void Simulator::Tick() {
  if (!computePressed_) return;
  for (int k = 1; k <= stepSize_; ++k) {
    const PassOutcome outcome = RunPass();
    if (outcome == PassOutcome::Stopped) return;
    if (outcome == PassOutcome::Finished) break;  // settings are read all the same
  }
  try {
    ReadRunSettings();
    settingsError_.clear();
  } catch (const NeuroException& e) {
    // Reported once, not at every tick of a fast timer.
    if (settingsError_ != e.what()) {
      settingsError_ = e.what();
      ReportError(settingsError_);
    }
    return;
  }
  ShowRunProgress();
}

void Simulator::WaveformClick(std::size_t trace) {
  const auto& traces = waves_.Traces();
  if (trace < traces.size() && traces[trace].neuron != nullptr)
    view_.SetEquationText(traces[trace].neuron->EquationText());
}

void Simulator::Pass() {
  view_.ShowIndicatorFrame(animationFrame_);
  animationFrame_ = (animationFrame_ + 1) % kIndicatorFrames;
}

void Simulator::TimerCameraTimer() { Pass(); }

void Simulator::BitBtn2Click() {
  if (computePressed_) {
    TimerTimer();
    return;
  }
  view_.Message(MessageKind::Warning, kFirstPressCompute, Answers::Ok);
  view_.ShowTab(Tab::Browser);
}

void Simulator::bt_tknoneClick() {
  if (finishPressed_) {
    stopFinish_ = true;  // Finish again stops it
    return;
  }
  if (!computePressed_ || busy_) return;
  busy_ = true;
  finishPressed_ = true;
  stopFinish_ = false;
  view_.SetFinishPressed(true);
  const int slider = view_.SliderPosition();
  view_.SetSliderPosition(10);
  FinishLoop();
  ApplyInspectToken();
  view_.SetSliderPosition(slider);
  finishPressed_ = false;
  view_.SetFinishPressed(false);
  busy_ = false;
  if (computePressed_) TrackBarChange();  // stopped early: the slider's pace again
}

// Runs ticks until the run ends, letting the window repaint and take a
// stop request every few milliseconds.
void Simulator::FinishLoop() {
  using Clock = std::chrono::steady_clock;
  auto lastEvents = Clock::now();
  while (computePressed_ && !stopFinish_) {
    const std::int64_t before = iteration_;
    Tick();
    const bool stalled = iteration_ == before;
    if (stalled || Clock::now() - lastEvents > std::chrono::milliseconds(40)) {
      view_.SetIterationText(std::to_string(iteration_));
      view_.ProcessEvents();
      lastEvents = Clock::now();
    }
  }
}

void Simulator::EscapePressed() {
  if (finishPressed_) stopFinish_ = true;
}

void Simulator::BitBtn4Click() {
  const char* question = computePressed_ ? kResetWhileRunning : kResetIdle;
  if (view_.Message(MessageKind::Warning, question, Answers::YesCancel) != Answer::Yes)
    return;
  stopFinish_ = true;
  StopRun();
  stepSize_ = 1;
  view_.SetStepSizeText("1");
  view_.SetStopAfterText("1000");
  iterationLimit_ = 1000;
  view_.SetResult("");
  iteration_ = 0;
  ShowRunProgress();
  view_.SetEquationText("");
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

// --- inspection ---

void Simulator::ChooseToken(InspectChoice choice, const std::string& token) {
  choice_ = choice_ == choice ? InspectChoice::Released : choice;
  view_.ShowInspectChoice(choice_);
  inspectToken_ = token.substr(0, kMaxToken);
  ApplyInspectToken();
}

void Simulator::bt_noneClick() {
  choice_ = InspectChoice::None;
  view_.ShowInspectChoice(choice_);
  inspectToken_.clear();
  ApplyInspectToken();
  EmptyStatusWindow();
}

void Simulator::SpeedButton17Click() {
  const std::string token = view_.TokenFieldText();
  if (token.empty()) {
    choice_ = InspectChoice::None;
    view_.ShowInspectChoice(choice_);
    return;
  }
  ChooseToken(InspectChoice::Set, token);
}

void Simulator::SpeedButton13Click() {
  inspectAlways_ = false;
  ApplyInspectToken();
}

void Simulator::bt_allClick() {
  inspectAlways_ = true;
  ApplyInspectToken();
}

void Simulator::ApplyInspectToken() {
  view_.SetTokenFieldText(inspectToken_);
  CollectInspectedNeurons();
  FillStatusWindow();
}

void Simulator::CollectInspectedNeurons() {
  if (choice_ == InspectChoice::None || run_.RunFunction() == nullptr) return;
  inspected_.clear();
  run_.RunFunction()->CollectNeurons(inspected_, inspectToken_, inspectAlways_);
}

void Simulator::FillStatusWindow() {
  if (choice_ == InspectChoice::None || run_.RunFunction() == nullptr) return;
  rows_.clear();
  rows_.reserve(inspected_.size());
  for (const Neuron* neuron : inspected_) rows_.push_back({neuron, {}, {}});
  view_.StatusWindowChanged();
  ShowSelectedEquation();
}

void Simulator::EmptyStatusWindow() {
  rows_.clear();
  view_.StatusWindowChanged();
}

void Simulator::ShowSelectedEquation() {
  const int row = view_.SelectedStatusRow();
  const bool neuronRow = row >= 1 && static_cast<std::size_t>(row) <= inspected_.size();
  view_.SetEquationText(neuronRow ? inspected_[row - 1]->EquationText() : "");
}

void Simulator::StatWinClick() {
  if (choice_ != InspectChoice::None) ShowSelectedEquation();
}

std::string Simulator::StatWinMouseMove(int row, int column) const {
  if (column != 1 || row < 1 || static_cast<std::size_t>(row) > inspected_.size())
    return "";
  const std::string value = inspected_[row - 1]->ValueText();
  const std::string decoded = DecodeUnary(value);
  const bool cut = value.size() > kHintLength;
  std::string hint = cut ? value.substr(0, kHintLength) + "..." : value;
  if (decoded != "?") hint += " (" + decoded + ")";
  return hint;
}

std::string Simulator::StatusCell(std::size_t row, int column) const {
  const StatusRow& r = rows_.at(row);
  if (r.neuron != nullptr) return column == 0 ? r.neuron->Name() : r.neuron->ValueText();
  return column == 0 ? r.name : r.value;
}

void Simulator::BeforeSymbolTableReplaced() {
  // Rows already on view keep their texts; their neurons are going.
  for (auto& row : rows_) {
    if (row.neuron == nullptr) continue;
    row.name = row.neuron->Name();
    row.value = row.neuron->ValueText();
    row.neuron = nullptr;
  }
  inspected_.clear();
  waves_.ForgetNeurons();
  stopFinish_ = true;
  run_.Clear();
  if (computePressed_) StopRun();
}

}  // namespace vantorb
