#pragma once
// Simulator: the window's run controls and its simulator view without any
// widget. It runs the target's network with NetworkRun as Compute, the run
// timer, Step, Finish and Reset drive it, shows the progress in the
// Animation group, and lists the inspected neurons in the status window.
// Handlers carry the names of the controls that trigger them.
//
// It refers to the symbol table's target and to the network's neurons;
// BeforeSymbolTableReplaced must be called while they still exist, when a
// compilation or an equation load is about to replace them.

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "language/parser_interface.hpp"
#include "simulation/network_run.hpp"
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

  Simulator(SimulatorView& view, NParserInterface& parser,
            const TargetNetwork& network);

  // Browser tab.
  void BitBtn1Click();       // Compute (a click releases the pressed toggle)
  void SpeedButton14Click(); // Step-by-step
  void SpeedButton15Click(); // Automatic
  // Simulator tab, Animation group.
  void TrackBarChange();     // the user moved the speed slider
  void TimerTimer();         // the run timer's tick
  void TimerCameraTimer();   // the running indicator's tick
  void BitBtn2Click();       // "St&ep"
  void bt_tknoneClick();     // Finish (again while it runs: stops it)
  void BitBtn4Click();       // "&Reset"
  void EscapePressed();      // stops a Finish
  // The spin buttons of "Stop after" (1..32000) and Step size (1..100),
  // wrapping; a text that is no number starts again from the bottom.
  void SpinStopAfter(int delta);
  void SpinStepSize(int delta);

  // Neuron inspection.
  void SpeedButton4Click() { ChooseToken(InspectChoice::In, "in"); }
  void SpeedButton8Click() { ChooseToken(InspectChoice::Out, "out"); }
  void SpeedButton24Click() { ChooseToken(InspectChoice::Data, "data"); }
  void SpeedButton9Click() { ChooseToken(InspectChoice::Result, "res"); }
  void SpeedButton10Click() { ChooseToken(InspectChoice::Hidden, "hid"); }
  void bt_noneClick();       // "&None"
  void SpeedButton17Click(); // "&Set"
  void SpeedButton13Click(); // Inspect changing
  void bt_allClick();        // Inspect always
  void StatWinClick();       // a click in the status window
  // The hint for the status window cell under the mouse (row 0 the header).
  std::string StatWinMouseMove(int row, int column) const;

  // The status window below its header row: one row per listed neuron.
  std::size_t StatusRowCount() const { return rows_.size(); }
  std::string StatusCell(std::size_t row, int column) const;

  void BeforeSymbolTableReplaced();

  // The waveforms of the neurons inspected when the run started, recorded
  // at every iteration; a click on trace i shows its neuron's equation.
  const Waveforms& Waves() const { return waves_; }
  void WaveformClick(std::size_t trace);

  bool ComputePressed() const { return computePressed_; }
  bool FinishPressed() const { return finishPressed_; }
  std::int64_t Iteration() const { return iteration_; }
  int StepSize() const { return stepSize_; }
  int IterationLimit() const { return iterationLimit_; }
  int TimerInterval() const { return timerInterval_; }
  const std::string& InspectToken() const { return inspectToken_; }
  const NeuronList& InspectedNeurons() const { return inspected_; }
  const NetworkRun& Run() const { return run_; }

 private:
  // A status window row: live while its neuron exists, frozen text after.
  struct StatusRow {
    const Neuron* neuron;
    std::string name, value;
  };

  void Computed() override { CollectInspectedNeurons(); }
  void Pass() override;  // the running indicator advances a frame
  void Tick();

  void ReadRunSettings();
  void ShowRunProgress();
  void ResetIterationCounter();
  void StartRun();
  void StopRun();
  // A pass of a tick: the run goes on, answered, or stopped otherwise.
  enum class PassOutcome { Continue, Finished, Stopped };
  PassOutcome RunPass();
  void FinishLoop();
  void ReportError(const std::string& message);

  void ChooseToken(InspectChoice choice, const std::string& token);
  void ApplyInspectToken();
  void CollectInspectedNeurons();
  void FillStatusWindow();
  void ShowSelectedEquation();
  void EmptyStatusWindow();

  SimulatorView& view_;
  NParserInterface& parser_;
  const TargetNetwork& network_;
  NetworkRun run_;
  bool computePressed_ = false;
  bool runTimerEnabled_ = false;
  bool busy_ = false;  // inside a tick or a Finish
  std::string settingsError_;
  bool finishPressed_ = false;
  bool stopFinish_ = false;
  std::int64_t iteration_ = 0;
  int stepSize_ = 1;
  int iterationLimit_ = 1000;
  int timerInterval_ = 0;
  int animationFrame_ = 0;

  std::string inspectToken_;
  InspectChoice choice_ = InspectChoice::None;
  bool inspectAlways_ = false;
  NeuronList inspected_;
  std::vector<StatusRow> rows_;
  Waveforms waves_;
};

}  // namespace vantorb
