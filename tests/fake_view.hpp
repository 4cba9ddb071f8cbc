#pragma once
// A WorkbenchView for tests: it records what the commands show, answers
// prompts and dialogs from scripts, and holds the fields a window would.

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "workbench/workbench.hpp"

namespace vantorb {

inline void PrintTo(const CompilerInfo& i, std::ostream* os) {
  *os << "{" << i.fileName << ", " << i.lines << ", " << i.targetName << ", "
      << i.statements << ", " << i.neurons << ", " << i.synapses << "}";
}

namespace testing {

// Records what the commands show; answers from scripts.
class FakeView : public WorkbenchView {
 public:
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> openChoices, saveChoices;
  std::vector<std::string> shown;  // messages, dialogs and windows, in order
  std::string caption, editor, functionName = "no function.", result = "0";
  ResultKind resultKind = ResultKind::NotComputed;
  Tab tab = Tab::Program;
  InMemoryTree tree;
  bool expanded = false;
  std::vector<std::string> names = std::vector<std::string>(6);
  std::vector<std::string> values = std::vector<std::string>(6);
  CompilerInfo infoShown;
  Workbench* bench = nullptr;
  // Simulator controls.
  std::string iterationText = "0", stepSizeText = "1", stopAfterText = "1000";
  std::string equationText, tokenText;
  int slider = 0, runTimerInterval = 0, indicatorFrame = -1, selectedRow = 0;
  bool computePressed = false, finishPressed = false, runTimerOn = false;
  bool indicatorOn = false;
  int statusRedraws = 0, eventsProcessed = 0;
  InspectChoice choice = InspectChoice::None;
  int errorLine = 0;
  std::optional<TreeNodeHandle> selectedNode;
  std::string pictureTitle, pictureDot;
  std::string captionProgram;
  std::vector<std::string> remembered, forgotten;
  std::vector<std::string> openSuggested;  // each open dialog's suggested file
  std::optional<bool> modifiedShown;       // nothing: never told
  std::function<void()> onProcessEvents;
  std::string statusMessage, clipboard;
  // Time passes fast inside long calls (a proof, an evaluation): each look
  // at the clock there is 100 ms later than the one before, so that the
  // first question a long call asks finds a frame due.
  bool fastLongCalls = false;
  std::chrono::steady_clock::duration skipped{};
  std::vector<std::string> statusMessages;  // every one shown, in order
  bool checkEnabled = true;
  std::string checkWhy;
  bool failTreeOnce = false;  // the next ClearFunctionTree runs out of memory

  Answer Message(MessageKind kind, const std::string& text, Answers) override {
    const char* prefix = kind == MessageKind::Information ? "information:"
                         : kind == MessageKind::Warning   ? "warning:"
                                                          : "error:";
    shown.push_back(prefix + text);
    if (answers.empty()) return Answer::Ok;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> OpenFileDialog(int entry, const std::string& suggested) override {
    shown.push_back("open:" + std::to_string(entry));
    openSuggested.push_back(suggested);
    return Next(openChoices);
  }
  std::optional<std::string> SaveFileDialog(int entry) override {
    shown.push_back("save:" + std::to_string(entry));
    return Next(saveChoices);
  }
  void ShowCompilerInfoWindow(const CompilerInfo& info) override {
    shown.push_back("info");
    infoShown = info;
  }
  void ShowErrorWindow(const std::string& message) override {
    shown.push_back("errorwindow:" + message);
  }
  void ShowAboutWindow() override { shown.push_back("about"); }
  // The whole title, and its program's part.
  void SetCaption(const std::string& program, const std::string& network) override {
    captionProgram = program;
    caption = program + network;
  }
  void ShowModified(bool modified) override { modifiedShown = modified; }
  void ShowTab(Tab t) override { tab = t; }
  std::string EditorText() override { return editor; }
  void SetEditorText(const std::string& text) override {
    editor = text;
    if (bench) bench->EditorChanged();
  }
  FunctionTreeNodes& ClearFunctionTree() override {
    if (failTreeOnce) {
      failTreeOnce = false;
      throw std::bad_alloc();
    }
    tree = InMemoryTree();
    return tree;
  }
  void SetTreeExpanded(bool e) override { expanded = e; }
  void SetParameterNames(const std::vector<std::string>& n) override {
    const std::size_t rows = std::max<std::size_t>(1, n.size());
    names.assign(rows, "");
    std::copy(n.begin(), n.end(), names.begin());
    values.resize(rows);
  }
  std::vector<std::string> ParameterValues() override { return values; }
  void SetFunctionName(const std::string& name) override { functionName = name; }
  void SetResult(const std::string& text) override { result = text; }
  void ShowResultKind(ResultKind kind) override { resultKind = kind; }

  void SetIterationText(const std::string& t) override { iterationText = t; }
  std::string StepSizeText() override { return stepSizeText; }
  void SetStepSizeText(const std::string& t) override { stepSizeText = t; }
  std::string StopAfterText() override { return stopAfterText; }
  void SetStopAfterText(const std::string& t) override { stopAfterText = t; }
  int SliderPosition() override { return slider; }
  void SetSliderPosition(int p) override { slider = p; }
  void SetComputePressed(bool p) override { computePressed = p; }
  void SetFinishPressed(bool p) override { finishPressed = p; }
  void SetRunTimer(int interval, bool on) override {
    runTimerInterval = interval;
    runTimerOn = on;
  }
  void SetIndicatorTimer(bool on) override { indicatorOn = on; }
  void ShowIndicatorFrame(int frame) override { indicatorFrame = frame; }
  void ClearIndicator() override { indicatorFrame = -1; }
  std::chrono::steady_clock::time_point Now() override {
    if (fastLongCalls && bench != nullptr && bench->Sim().Deferring())
      skipped += std::chrono::milliseconds(100);
    return std::chrono::steady_clock::now() + skipped;
  }
  void ProcessEvents() override {
    ++eventsProcessed;
    if (onProcessEvents) onProcessEvents();
  }
  void StatusWindowChanged() override { ++statusRedraws; }
  int SelectedStatusRow() override { return selectedRow; }
  void SetEquationText(const std::string& t) override { equationText = t; }
  std::string TokenFieldText() override { return tokenText; }
  void SetTokenFieldText(const std::string& t) override { tokenText = t; }
  void ShowInspectChoice(InspectChoice c) override { choice = c; }
  void MarkErrorLine(int line) override { errorLine = line; }
  void RememberFile(const std::string& name) override { remembered.push_back(name); }
  void ForgetFile(const std::string& name) override { forgotten.push_back(name); }
  std::optional<TreeNodeHandle> SelectedTreeNode() override { return selectedNode; }
  void ShowStatusMessage(const std::string& text) override {
    statusMessage = text;
    statusMessages.push_back(text);
  }
  void CopyToClipboard(const std::string& text) override { clipboard = text; }
  void EnableCheckResult(bool enabled, const std::string& why) override {
    checkEnabled = enabled;
    checkWhy = why;
  }
  void ShowNetworkPicture(const std::string& title, const std::string& dot) override {
    pictureTitle = title;
    pictureDot = dot;
  }

  void Type(const std::string& text) {
    editor += text;
    bench->EditorChanged();
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace testing
}  // namespace vantorb
