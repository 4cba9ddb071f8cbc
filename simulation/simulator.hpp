#pragma once
// Simulator: the window's run controls and its simulator view without any
// widget. It runs the current network as Compute, the run timer, Step,
// Finish and Reset drive it, shows the progress in the Animation group, and
// lists the inspected neurons in the status window and the waveforms.
//
// It keeps no pointer into the network: the run and the neuron lists
// belong to the CurrentNetwork it is given, and the rows and traces it
// shows are positions in those lists, valid while the network they came
// from is current. LeaveNetwork() stops the run and keeps the texts of the
// rows on view before the window replaces the network.
//
// A run keeps its values in the engine, as the tool's runs do: the status
// window, its hints, Copy value and the waveforms read the values of the
// neurons they show from the engine, only those and only when they show
// them, so that watching a few neurons of a huge run costs little more than
// watching none.
//
// Long ticks and Finish let the window take events every few milliseconds
// (ProcessEvents), so any command may come in between their passes; every
// pass asks the CurrentNetwork again. A single pass may take long (the
// engine proving a loop), and so may an evaluation of a definition: such a
// long call asks the simulator whether to stop, and meanwhile the window
// takes events once a frame; a command that comes in then waits (Defer)
// until the call has returned, and ends the call early, so that Escape,
// Reset and closing act within a frame. Not thread-safe: the window's
// thread.

#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "simulation/current_network.hpp"
#include "simulation/simulator_view.hpp"
#include "simulation/waveforms.hpp"

namespace vantorb {

class Simulator : private RunObserver {
 public:
  static constexpr const char* kMissingParameters =
      "There are parameters missing!\n\rProceed anyway ?";
  static constexpr const char* kFirstPressCompute = " First, you must press compute ";
  static constexpr const char* kResetWhileRunning =
      " Reseting will abort the current computation\n\rAre you sure you want to reset ?";
  static constexpr const char* kResetIdle = " Are you sure you want to reset ?";
  static constexpr int kIndicatorFrames = 8;
  static constexpr std::size_t kHintLength = 40;
  // The longest value Copy value puts on the clipboard, in characters.
  static constexpr std::uint64_t kMostCopied = 64'000'000;
  // The view follows a run in frames: the status window, the waveforms,
  // the iteration and the indicator are shown at most once a frame while
  // ticks come fast or Finish runs, and the window takes events at least
  // once a frame.
  static constexpr int kFrameMs = 40;

  Simulator(SimulatorView& view, CurrentNetwork& network);

  // Browser tab.
  void Compute();         // a click on the pressed toggle releases it first
  void StepByStepMode();
  void AutomaticMode();
  // Simulator tab, Animation group.
  void SpeedChanged();    // the user moved the speed slider
  void RunTimerTick();
  void IndicatorTick();
  void Step();
  void Finish();          // again while it runs: stops it
  void ResetRun();
  void Interrupt();       // Escape: ends a Finish, a long tick or the timer
  // The spin buttons of "Stop after" (1..32000) and Step size (1..100),
  // wrapping; a text that is no number starts again from the bottom. Typed,
  // either field takes any 64-bit integer.
  void SpinStopAfter(int delta);
  void SpinStepSize(int delta);
  // The window is closing: the run stops, and a Finish or tick in progress
  // returns at its next turn.
  void Shutdown();

  // Neuron inspection.
  void InspectIn() { ChooseToken(InspectChoice::In, "in"); }
  void InspectOut() { ChooseToken(InspectChoice::Out, "out"); }
  void InspectData() { ChooseToken(InspectChoice::Data, "data"); }
  void InspectResults() { ChooseToken(InspectChoice::Result, "res"); }
  void InspectHidden() { ChooseToken(InspectChoice::Hidden, "hid"); }
  void InspectNone();
  void InspectTypedToken();  // "&Set"
  void InspectChanging();
  void InspectAlways();
  void StatusWindowClick();
  // The hint for the status window cell under the mouse (row 0 the header).
  std::string StatusHint(int row, int column) const;

  // The status window below its header row: one row per listed neuron
  // (cells past the last row are empty). A long value shows its first
  // digits and its digit count (ShortValueText); StatusValue gives it
  // whole, or nothing when it has more than kMostCopied characters, and
  // CopyValue puts that on the clipboard, or says why it cannot.
  std::size_t StatusRowCount() const;
  std::string StatusCell(std::size_t row, int column) const;
  std::optional<std::string> StatusValue(std::size_t row) const;
  void CopyValue(std::size_t row);

  // Long calls on the window's thread: whether one is under way (a command
  // now must wait), a command to run once it has returned (it also ends
  // the call early), and a call of `work` that lets the window take events
  // once a frame, showing progress() in the status bar meanwhile; work
  // asks the stop request it is given, which answers true once Escape, a
  // waiting command or closing wants the call to end. Returns whether work
  // ran to its end (false: stopped).
  bool Deferring() const { return longCalls_ > 0; }
  void Defer(std::function<void()> command);
  bool RunResponsively(const std::function<void(const StopRequest&)>& work,
                       const std::function<std::string()>& progress);

  // The network is about to be replaced: the run stops, and the rows on
  // view keep their texts without their neurons.
  void LeaveNetwork();
  // Another network (or none) is current: nothing of the earlier one's run
  // stays on the Simulator tab (iteration, rows, equation) but its
  // waveforms, which are no longer live.
  void ForgetRun();

  // The waveforms of the neurons inspected when the run started, recorded
  // at every iteration; a click on trace i shows its neuron's equation.
  const Waveforms& Waves() const { return waves_; }
  // Whether the traced neurons still exist (their network is current).
  bool TracesLive() const { return wavesNetwork_ == network_.Id(); }
  void SelectTrace(std::size_t trace);

  bool ComputePressed() const { return computePressed_; }
  // The Result field shows the result of the run's end signal, for the
  // arguments the run started with; no longer once a Compute was refused,
  // a new run started or Reset emptied the field.
  bool HasResult() const { return hasResult_; }
  bool FinishPressed() const { return finishPressed_; }
  std::int64_t Iteration() const { return iteration_; }
  std::int64_t StepSize() const { return stepSize_; }
  std::int64_t IterationLimit() const { return iterationLimit_; }
  int TimerInterval() const { return timerInterval_; }
  const std::string& InspectToken() const { return inspectToken_; }
  const NeuronList& InspectedNeurons() const { return network_.Inspected(); }
  const NetworkRun& Run() const { return network_.Run(); }

 private:
  // Finish lets the engine go at its own pace but for the iterations a
  // frame shows; the waveforms follow every iteration through the engine,
  // which keeps the neurons behind between frames.
  bool Watching() override;
  bool Following() override;
  void Committed(const Engine& engine) override;
  void Leapt(const Engine& engine, std::int64_t from, std::int64_t to) override;
  void Pass() override;  // the running indicator advances a frame
  // A timer's tick shows a frame when one is due; Step always shows one;
  // Finish's ticks collect neurons only for frames.
  enum class TickKind { Timer, Step, Finishing };
  void Tick(TickKind kind);
  // A long tick's neurons are brought in step again.
  void EndLongTick();

  void ReadRunSettings();
  // ReadRunSettings; a refused text is reported, once while it stays.
  bool ReadSettingsOnce();
  void ShowRunProgress();
  void ApplyRunTimer();
  bool FrameDue() const;
  void ShowFrame();
  void ResetIterationCounter();
  void StartRun();
  void StopRun();
  // A pass of a tick: the run goes on, answered, or stopped otherwise.
  enum class PassOutcome { Continue, Finished, Stopped };
  // At most `room` iterations when the pass leaps; the commands that came
  // in meanwhile run after it.
  PassOutcome RunPass(std::int64_t room);
  PassOutcome RunOnePass(std::int64_t room);
  // The stop request of a long call: at most once a frame the window takes
  // events, with progress() shown; true once the call is to end.
  bool PollLongCall(const std::function<std::string()>& progress);
  void RunWaitingCommands();
  // An error that escaped the events taken during a long call, raised
  // again once the call has returned.
  void RethrowPollError();
  // The run's memory, when the run computes no further: what the engine
  // keeps for iterations to come, or (whole) everything; given back to the
  // system. Put off while a long call uses it.
  void ReleaseRunMemory(bool whole);
  void FinishLoop();
  // Lets the window take events (the user may change anything meanwhile).
  void TakeEvents();
  void EndFinish(int slider);
  void ReportError(const std::string& message);

  void ChooseToken(InspectChoice choice, const std::string& token);
  void ApplyInspectToken();
  // The neurons the token chooses: always all of them, or ("Inspect
  // changing") those the iteration just done changed; between iterations
  // none changes.
  void CollectInspectedNeurons(bool afterIteration = false);
  void FillStatusWindow();
  void ShowSelectedEquation();
  void ShowEquation(const std::string& text);
  void EmptyStatusWindow();
  // The listed neuron of a status row (from 1), when it is live.
  const Neuron* ListedNeuron(int row) const;
  bool RowsLive() const { return rowsNetwork_ == network_.Id(); }

  SimulatorView& view_;
  CurrentNetwork& network_;
  bool computePressed_ = false;
  bool runTimerEnabled_ = false;
  bool busy_ = false;  // inside a tick or a Finish
  std::string settingsError_;
  bool finishPressed_ = false;
  bool stopRequested_ = false;  // a Finish or tick in progress ends
  bool shutDown_ = false;
  bool hasResult_ = false;
  std::chrono::steady_clock::time_point lastFrame_, lastEvents_;
  bool frameStale_ = false;       // progress not shown yet
  bool collectThisPass_ = false;  // a frame follows the pass under way
  bool eventsTaken_ = false;      // since the fields were last read
  std::int64_t iteration_ = 0;
  std::int64_t stepSize_ = 1;
  std::int64_t iterationLimit_ = 1000;
  int timerInterval_ = 0;
  int animationFrame_ = 0;

  std::string inspectToken_;
  InspectChoice choice_ = InspectChoice::None;
  bool inspectAlways_ = false;
  // The status rows: the network's listed neurons while rowsNetwork_ is
  // current, else the texts they had when their network went.
  std::uint64_t rowsNetwork_ = 0;
  struct FrozenRow {
    std::string name, value;
  };
  std::vector<FrozenRow> frozenRows_;
  std::optional<std::string> equationShown_;  // the memo's text, once set
  Waveforms waves_;
  std::uint64_t wavesNetwork_ = 0;
  bool recording_ = false;  // the waveforms follow the run under way
  bool longTick_ = false;   // a Step or timer tick past its first frame
  int longCalls_ = 0;       // long calls under way, nested
  std::deque<std::function<void()>> waiting_;  // commands that came in meanwhile
  bool releaseWhenIdle_ = false, releaseWholeWhenIdle_ = false;
  std::exception_ptr pollError_;
};

}  // namespace vantorb
