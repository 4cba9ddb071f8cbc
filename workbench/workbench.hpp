#pragma once
// Workbench: the main window's state and commands without any widget. Each
// command does its steps in order, talking to the screen through
// WorkbenchView and to the disk through TextFiles. It owns the current
// network (a CurrentNetwork, replaced whole by a successful compile or
// equation load and dropped by a failed compile), the window flags, and
// the Simulator that runs and inspects the network (whose commands the
// window calls directly).
//
// Not thread-safe: the window's thread.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "driver/compilation_driver.hpp"
#include "simulation/simulator.hpp"
#include "workbench/workbench_view.hpp"

namespace vantorb {

// Whether bytes read from a file may go into the editor as a program's text:
// none of them is a control character other than tab, line feed, form feed
// and carriage return (bytes 0x00 to 0x1F but 0x09, 0x0A, 0x0C, 0x0D). Any
// byte from 0x20 up counts as text, so UTF-8 and Latin-1 pass alike; a NUL
// or the like is what executables, images and archives hold early on, and
// what a program's text never holds.
bool LooksLikeText(std::string_view bytes);

class Workbench {
 public:
  static constexpr const char* kNewFileCaption = " Vantorb - on a new file !";
  static constexpr const char* kCaptionPrefix = " Vantorb - ";
  // Between the editor's file and a loaded equation file in the title.
  static constexpr const char* kNetworkCaptionSeparator = "  —  network: ";
  static constexpr const char* kSavePrompt = " Changes not saved. Save now ?";
  static constexpr const char* kNoFileCompiled = " No file compiled! ";
  static constexpr const char* kCompilationFailed =
      "The last compilation failed, so there are no equations to write. "
      "Compile a program without errors first.";
  static constexpr const char* kUnexpectedError =
      "An unexpected error stopped the command.";

  // Window creation: flags, caption, the Program tab.
  Workbench(WorkbenchView& view, TextFiles& files, NParserInterface& parser);

  // Runs one command of the window: an error that escapes it is shown in
  // the error window, and the window goes on with the state the command
  // had reached (the editor's text untouched). While a long call is under
  // way on the window's thread (Simulator::Deferring), the command waits
  // until it has returned, and ends it early.
  void RunCommand(const std::function<void()>& command);
  // The same for a timer's tick, which never waits nor ends a long call:
  // the run timer's tick does nothing meanwhile, the indicator's only
  // draws.
  void RunTimerCommand(const std::function<void()>& command);

  // File menu. Load, a recent file and a file opened at start ask first
  // when the file does not look like text (see LooksLikeText); No leaves
  // everything as it was. A program file that cannot be read leaves the
  // recent files list.
  void NewFile();
  void LoadFile();
  void SaveFile() { SaveProgram(); }
  void SaveFileAs();
  // Closing the window (also Exit): whether it may close. When it may, the
  // run stops for good, so that nothing keeps the program going.
  bool Close();
  // Any change of the editor text.
  void EditorChanged() { SetModified(true); }
  // The editor's text differs from the one last saved or loaded, or is that
  // text again (an undo).
  void EditorModified(bool modified) { SetModified(modified); }

  // Compiler menu and the information windows.
  void Compile();
  void ShowCompilerInfo() { view_.ShowCompilerInfoWindow(info_); }
  void GenerateEquationFile();
  void LoadEquations();
  void ShowAbout() { view_.ShowAboutWindow(); }
  // "Collapsed view" and "Expanded view".
  void CollapseTree() { view_.SetTreeExpanded(false); }
  void ExpandTree() { view_.SetTreeExpanded(true); }

  // Opens a file named at start: a program in the editor ("vantorb
  // FILE.PRV"), an equation file as the target, as Load Equations does
  // ("vantorb FILE.EQU", as the desktop opens it).
  void OpenAtStart(const std::string& fileName);
  // "Network picture": the network of the function selected in the tree
  // (the whole target when none is), drawn from its DOT text.
  void DrawNetworkPicture();
  // "Check result": the last run's result against the value the target's
  // definition gives for the arguments the run started with; an agreement
  // is told as information, a difference as a warning. The evaluation
  // goes on while the window takes events (Simulator::RunResponsively),
  // with its progress in the status bar; Escape or any command stops it.
  // A network loaded from equations has no definition: the command is
  // then unavailable (WorkbenchView::EnableCheckResult).
  static constexpr const char* kNoDefinitionToCheck =
      "A network loaded from an equation file has no definitions to check its result against.";
  void CheckResult();
  // A file of the recent files list: Load without the dialog.
  void OpenRecent(const std::string& fileName);

  bool Modified() const { return modified_; }
  bool Untitled() const { return untitled_; }
  bool Compiled() const { return compiled_; }
  const std::string& FileName() const { return fileName_; }
  const CompilerInfo& Info() const { return info_; }
  // The network Compute runs; null when there is none.
  const Network* Current() const { return network_.Get(); }
  Simulator& Sim() { return simulator_; }

 private:
  class BrowserFiller;

  void SetModified(bool modified);
  void ShowCaption();
  // The unsaved-changes prompt: whether the command may go on.
  bool ConfirmUnsavedChanges();
  // Writes the editor to its file, asking for a name when untitled; whether
  // the text is now saved.
  bool SaveProgram();
  bool WriteProgramTo(const std::string& fileName);
  bool ReadProgramFrom(const std::string& fileName);
  void LoadEquationsFrom(const std::string& fileName);
  // The one way the current network changes: the simulator lets go of the
  // old one, which then goes with its run and lists.
  void InstallNetwork(std::unique_ptr<Network> next);
  void FillBrowser(const ProofObj& target);
  // The Browser tab without a network: no tree, parameters or result.
  void ClearBrowser();
  void ShowReport(const CompilationReport& report);
  void ShowFileError(const std::string& message);

  WorkbenchView& view_;
  TextFiles& files_;
  NParserInterface& parser_;
  bool modified_ = false;
  bool untitled_ = true;
  bool compiled_ = false;  // a compilation has been run, successful or not
  std::string fileName_;
  // The equation file the current network was loaded from; empty when it
  // was compiled or there is none.
  std::string networkFile_;
  CompilerInfo info_;
  CurrentNetwork network_;
  Simulator simulator_;
};

}  // namespace vantorb
