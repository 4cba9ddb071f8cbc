#pragma once
// Workbench: the main window's state and commands without any widget. Each
// handler is named after the control that triggers it and does the command's
// steps in order, talking to the screen through WorkbenchView and to the
// disk through TextFiles. It holds the compile state with the network's
// input and output neurons, the window flags, and the Simulator that runs
// and inspects the network (whose commands the window calls directly).

#include <string>

#include "compiler/compilation_driver.hpp"
#include "simulation/simulator.hpp"
#include "workbench/workbench_view.hpp"

namespace vantorb {

class Workbench {
 public:
  static constexpr const char* kNewFileCaption = " Vantorb - on a new file !";
  static constexpr const char* kCaptionPrefix = " Vantorb - ";
  static constexpr const char* kSavePrompt = " Changes not saved. Save now ?";
  static constexpr const char* kNoFileCompiled = " No file compiled! ";

  // Window creation: the parser interface, flags, the separator.
  Workbench(WorkbenchView& view, TextFiles& files, NParserInterface& parser);

  // File menu.
  void NewFunction1Click();
  void LoadFunction1Click();
  void SaveFunction1Click() { SaveProgram(); }
  void S1Click();  // Save As
  // Closing the window (also Exit): whether it may close.
  bool FormCloseQuery();
  // Any change of the editor text.
  void EditorChange() { modified_ = true; }

  // Compiler menu and the information windows.
  void BuildNeuralNetwork1Click();
  void ShowCompilerInfo1Click() { view_.ShowCompilerInfoWindow(info_); }
  void ProduceDynamicES1Click();
  void LoadEquations1Click();
  void About1Click() { view_.ShowAboutWindow(); }
  // "Collapsed view" and "Expanded view".
  void SpeedButton20Click() { view_.SetTreeExpanded(false); }
  void SpeedButton21Click() { view_.SetTreeExpanded(true); }

  // Opens a program file in the editor at start ("vantorb FILE.PRV").
  void OpenAtStart(const std::string& fileName);
  // "Network picture": the network of the function selected in the tree
  // (the whole target when none is), drawn from its DOT text.
  void NetworkPictureClick();
  // "Check result": the last run's result against the value the target's
  // definition gives for the arguments in the grid.
  void CheckResultClick();
  // A file of the recent files list: Load without the dialog.
  void OpenRecent(const std::string& fileName);

  bool Modified() const { return modified_; }
  bool Untitled() const { return untitled_; }
  bool Compiled() const { return compileState_.compiled; }
  const std::string& FileName() const { return fileName_; }
  const CompilerInfo& Info() const { return info_; }
  const CompileState& State() const { return compileState_; }
  Simulator& Sim() { return simulator_; }

 private:
  class BrowserFiller;

  // The unsaved-changes prompt: whether the command may go on.
  bool ConfirmUnsavedChanges();
  // Writes the editor to its file, asking for a name when untitled; whether
  // the text is now saved.
  bool SaveProgram();
  bool WriteProgramTo(const std::string& fileName);
  bool ReadProgramFrom(const std::string& fileName);
  void FillBrowser(const ProofObj& target);
  void ShowReport(const CompilationReport& report);
  void ShowFileError(const std::string& message);

  WorkbenchView& view_;
  TextFiles& files_;
  NParserInterface& parser_;
  bool modified_ = false;
  bool untitled_ = true;
  std::string fileName_;
  CompileState compileState_;
  CompilerInfo info_;
  Simulator simulator_;
};

}  // namespace vantorb
