#pragma once
// What the window's commands need from the screen and the disk, as small
// interfaces: the Qt window implements them with widgets and dialogs, and
// DiskTextFiles the files; tests implement them with scripted answers.

#include <optional>
#include <string>
#include <vector>

#include "compiler/function_tree.hpp"
#include "simulation/simulator_view.hpp"

namespace vantorb {

// The file dialogs' filter entries, numbered from 1; 0 keeps the last used.
enum FilterEntry { kLastUsedFilter = 0, kProofFiles = 1, kEquationFiles = 2, kAllFiles = 3 };
constexpr const char* kFileFilter =
    "Proof files|*.PRV|Dynamic equation files|*.EQU|All files|*.*";

// The six fields of the compiler information window.
struct CompilerInfo {
  std::string fileName = "None";    // fn
  std::string lines = "0";          // size
  std::string targetName = "None";  // tf
  std::string statements = "0";     // decl
  std::string neurons = "0";        // sizen
  std::string synapses = "0";       // sizes
  friend bool operator==(const CompilerInfo&, const CompilerInfo&) = default;
};

class WorkbenchView : public SimulatorView {
 public:
  // Modal: the open and save dialogs (nothing: cancelled); the three
  // windows. The open dialog starts on suggestedFile when one is given.
  virtual std::optional<std::string> OpenFileDialog(int filterEntry,
                                                    const std::string& suggestedFile = {}) = 0;
  virtual std::optional<std::string> SaveFileDialog(int filterEntry) = 0;
  virtual void ShowCompilerInfoWindow(const CompilerInfo& info) = 0;
  virtual void ShowErrorWindow(const std::string& message) = 0;
  virtual void ShowAboutWindow() = 0;

  // The title, in two parts: the program's (the editor's file, or a new
  // file) and, while the network is one loaded from an equation file, the
  // part naming that file (empty otherwise). The unsaved-changes mark
  // belongs to the program's part.
  virtual void SetCaption(const std::string& program, const std::string& network) = 0;
  // Whether the editor holds changes not yet saved; told each time typing,
  // New, Load or Save sets the flag.
  virtual void ShowModified(bool /*modified*/) {}
  // The editor's text; setting it counts as an edit (the window calls
  // EditorChange for it, as for typing).
  virtual std::string EditorText() = 0;
  virtual void SetEditorText(const std::string& text) = 0;

  // Function browser: an emptied tree to fill; the parameter grid's name
  // column (row count max(1, names), values kept); its value column.
  virtual FunctionTreeNodes& ClearFunctionTree() = 0;
  virtual void SetTreeExpanded(bool expanded) = 0;
  virtual void SetParameterNames(const std::vector<std::string>& names) = 0;
  virtual void SetFunctionName(const std::string& name) = 0;

  // Marks the editor line (from 1) where a compilation of the editor's file
  // failed, and puts the cursor there; 0 takes the mark away.
  virtual void MarkErrorLine(int /*line*/) {}
  // A program file was opened or saved: the recent files list takes it.
  virtual void RememberFile(const std::string& /*fileName*/) {}
  // A program file could not be read: the recent files list lets it go.
  virtual void ForgetFile(const std::string& /*fileName*/) {}
  // The function tree node the user selected, counted in the order the
  // nodes were added (nothing: none).
  virtual std::optional<TreeNodeHandle> SelectedTreeNode() { return std::nullopt; }
  // Shows a network as a picture, from its Graphviz DOT text.
  virtual void ShowNetworkPicture(const std::string& /*title*/, const std::string& /*dot*/) {}
  // Whether "Check result" can be used, and why not when it cannot.
  virtual void EnableCheckResult(bool /*enabled*/, const std::string& /*why*/) {}
};

// Whole text files. Writing replaces a file only once the new text is
// completely on disk. Both throw NeuroException naming the file.
class TextFiles {
 public:
  virtual ~TextFiles() = default;
  virtual std::string Read(const std::string& fileName) = 0;
  virtual void Write(const std::string& fileName, const std::string& text) = 0;
};

}  // namespace vantorb
