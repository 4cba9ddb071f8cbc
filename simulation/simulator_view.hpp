#pragma once
// What the run controls and the simulator view need from the screen: the
// message boxes and tabs shared with the rest of the window, the fields of
// the Animation group, the timers, the running indicator, and the
// inspection controls. The Qt window implements it; tests script it.

#include <chrono>
#include <string>
#include <vector>

namespace vantorb {

enum class MessageKind { Information, Warning, Error };
enum class Answers { Ok, YesNo, YesCancel, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };
enum class Tab { Program = 0, Browser = 1, Simulator = 2 };

// The choices of " Neuron inspection "; Released: none of them is pressed.
enum class InspectChoice { None, In, Out, Data, Result, Hidden, Set, Released };
// What the Result field holds: nothing computed yet (its "0" after a
// compile, or nothing), a run's finished result, or the read-out at the
// iteration limit.
enum class ResultKind { NotComputed, Finished, AtLimit };

class SimulatorView {
 public:
  virtual ~SimulatorView() = default;

  // A modal message box of that kind and answer set; "\n\r" is a line break.
  virtual Answer Message(MessageKind kind, const std::string& text,
                         Answers answers) = 0;
  virtual void ShowTab(Tab tab) = 0;
  // The parameter grid's value column, row by row.
  virtual std::vector<std::string> ParameterValues() = 0;
  virtual void SetResult(const std::string& text) = 0;
  // The label beside the Result field.
  virtual void ShowResultKind(ResultKind /*kind*/) {}

  // Animation group.
  virtual void SetIterationText(const std::string& text) = 0;
  virtual std::string StepSizeText() = 0;
  virtual void SetStepSizeText(const std::string& text) = 0;
  virtual std::string StopAfterText() = 0;
  virtual void SetStopAfterText(const std::string& text) = 0;
  virtual int SliderPosition() = 0;
  // Moves the slider without raising its change.
  virtual void SetSliderPosition(int position) = 0;
  // Compute as a latched toggle shown pressed, or a plain button.
  virtual void SetComputePressed(bool pressed) = 0;
  virtual void SetFinishPressed(bool pressed) = 0;
  // The run timer: interval in milliseconds (0 never fires) and on/off.
  virtual void SetRunTimer(int intervalMs, bool enabled) = 0;
  virtual void SetIndicatorTimer(bool enabled) = 0;
  virtual void ShowIndicatorFrame(int frame) = 0;
  virtual void ClearIndicator() = 0;
  // Lets the window repaint and take input during a long Finish.
  virtual void ProcessEvents() = 0;
  // The clock frames are timed by.
  virtual std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }

  // Simulator tab: the status window is redrawn from the simulator's rows.
  virtual void StatusWindowChanged() = 0;
  // The selected grid row (0: the header row or none).
  virtual int SelectedStatusRow() = 0;
  virtual void SetEquationText(const std::string& text) = 0;
  virtual std::string TokenFieldText() = 0;
  virtual void SetTokenFieldText(const std::string& text) = 0;
  virtual void ShowInspectChoice(InspectChoice choice) = 0;
  // The recorded waveforms have new iterations to draw.
  virtual void WaveformsChanged() {}
  // The status bar's message, for work that goes on (empty: none).
  virtual void ShowStatusMessage(const std::string& /*text*/) {}
  // Puts a text on the clipboard.
  virtual void CopyToClipboard(const std::string& /*text*/) {}
};

}  // namespace vantorb
