#pragma once
// TMainForm: the main window. It lays out the menu, tool bar and the three
// tabs, forwards every command to the Workbench and shows what the
// Workbench asks it to show; it decides nothing itself. It opens at
// kOpeningSize, or where the user last closed it, and resizes down to a
// minimum at which no widget overlaps another: the editor, the tree, the
// status window, the waveforms and the equation take the room, the
// buttons and fields keep their size.

#include <QImage>
#include <QMainWindow>
#include <QSize>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

#include "language/parser_interface.hpp"
#include "workbench/disk_text_files.hpp"
#include "workbench/qt/function_tree_model.hpp"
#include "workbench/workbench.hpp"

class QAbstractButton;
class QGraphicsScene;
class QMenu;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTreeView;

namespace vantorb {

class TAboutBox;
class TCompilerForm;
class TErrorForm;

class TMainForm : public QMainWindow, public WorkbenchView {
  Q_OBJECT

 public:
  static constexpr QSize kOpeningSize{621, 498};
  static constexpr QSize kSmallestSize{480, 400};

  explicit TMainForm(NParserInterface& parser);
  ~TMainForm() override;

  Workbench& Commands() { return *workbench_; }

  // For scripted use (screenshots): the open dialog answers with this file
  // and modal windows are not shown.
  void ScriptDialogs(const std::string& openFile);
  QTabWidget* Tabs() const { return tabs_; }
  // Types values into the parameter grid's value column.
  void SetParameterValues(const std::vector<std::string>& values);
  TCompilerForm* CompilerForm() const { return compilerForm_; }
  // Shows the window, then opens a file named at start once the window is
  // up, so that the information window a loaded equation file brings
  // shows over it.
  void ShowAndOpen(const std::string& fileName);

  // WorkbenchView
  Answer Message(MessageKind kind, const std::string& text, Answers answers) override;
  std::optional<std::string> OpenFileDialog(int filterEntry,
                                            const std::string& suggestedFile) override;
  std::optional<std::string> SaveFileDialog(int filterEntry) override;
  void ShowCompilerInfoWindow(const CompilerInfo& info) override;
  void ShowErrorWindow(const std::string& message) override;
  void ShowAboutWindow() override;
  void SetCaption(const std::string& program, const std::string& network) override;
  void ShowModified(bool modified) override;
  void ShowTab(Tab tab) override;
  std::string EditorText() override;
  void SetEditorText(const std::string& text) override;
  FunctionTreeNodes& ClearFunctionTree() override;
  void SetTreeExpanded(bool expanded) override;
  void SetParameterNames(const std::vector<std::string>& names) override;
  std::vector<std::string> ParameterValues() override;
  void SetFunctionName(const std::string& name) override;
  void SetResult(const std::string& text) override;
  void ShowResultKind(ResultKind kind) override;
  void MarkErrorLine(int line) override;
  void RememberFile(const std::string& fileName) override;
  void ForgetFile(const std::string& fileName) override;
  // SimulatorView
  void SetIterationText(const std::string& text) override;
  std::string StepSizeText() override;
  void SetStepSizeText(const std::string& text) override;
  std::string StopAfterText() override;
  void SetStopAfterText(const std::string& text) override;
  int SliderPosition() override;
  void SetSliderPosition(int position) override;
  void SetComputePressed(bool pressed) override;
  void SetFinishPressed(bool pressed) override;
  void SetRunTimer(int intervalMs, bool enabled) override;
  void SetIndicatorTimer(bool enabled) override;
  void ShowIndicatorFrame(int frame) override;
  void ClearIndicator() override;
  void ProcessEvents() override;
  void StatusWindowChanged() override;
  int SelectedStatusRow() override;
  void SetEquationText(const std::string& text) override;
  std::string TokenFieldText() override;
  void SetTokenFieldText(const std::string& text) override;
  void ShowInspectChoice(InspectChoice choice) override;
  void WaveformsChanged() override;
  std::optional<TreeNodeHandle> SelectedTreeNode() override;
  void ShowStatusMessage(const std::string& text) override;
  void CopyToClipboard(const std::string& text) override;
  void EnableCheckResult(bool enabled, const std::string& why) override;
  void ShowNetworkPicture(const std::string& title, const std::string& dot) override;
  // The last network picture drawn, as an image (null: none drawn yet).
  QImage LastPicture() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The menus and the tool bar, one action per command (main_form_commands.cpp).
  void CreateCommands();
  void ShowRecentFiles();
  QWidget* CreateProgramTab();
  QWidget* CreateBrowserTab();
  QWidget* CreateSimulatorTab();
  QWidget* CreateInspectionGroup(QWidget* parent);
  QWidget* CreateAnimationGroup(QWidget* parent);
  void ConnectRunControls();
  std::optional<std::string> FileDialog(bool save, int filterEntry,
                                        const std::string& suggestedFile);
  // Connects a signal to a command that runs through the Workbench, which
  // shows any error escaping it instead of letting it end the program.
  template <typename Sender, typename Signal, typename Command>
  void OnSignal(Sender* sender, Signal signal, Command command) {
    connect(sender, signal, this, [this, command] { workbench_->RunCommand(command); });
  }
  // The same for a timer's tick, which neither waits for a long call nor
  // ends it.
  template <typename Command>
  void OnTimer(QTimer* timer, Command command) {
    connect(timer, &QTimer::timeout, this, [this, command] { workbench_->RunTimerCommand(command); });
  }
  static constexpr const char* kCheckResultTip =
      "Compare the result with the value the definition gives";

  DiskTextFiles files_;
  QTabWidget* tabs_ = nullptr;
  class ProgramEditor* editor_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QTreeView* treeView_ = nullptr;
  FunctionTreeModel* treeModel_ = nullptr;
  QTableWidget* parameterGrid_ = nullptr;
  QLabel* functionName_ = nullptr;
  QAction* copyValue_ = nullptr;  // the status window's "Copy value"
  QLabel* resultKind_ = nullptr;  // what the Result field holds
  QLineEdit* result_ = nullptr;
  QPushButton* compute_ = nullptr;
  QPushButton* check_ = nullptr;
  QAbstractButton *stepByStep_ = nullptr, *automatic_ = nullptr;
  QTableView* statusWindow_ = nullptr;
  QTabWidget* statusTabs_ = nullptr;
  class WaveformPanel* waveforms_ = nullptr;
  class StatusModel* statusModel_ = nullptr;
  QPlainTextEdit* equation_ = nullptr;
  std::vector<std::pair<InspectChoice, QAbstractButton*>> choices_;
  QAbstractButton *inspectChanging_ = nullptr, *inspectAlways_ = nullptr;
  QLineEdit* token_ = nullptr;
  QLineEdit *iteration_ = nullptr, *stopAfter_ = nullptr, *stepSize_ = nullptr;
  QAbstractButton *stopAfterUp_ = nullptr, *stopAfterDown_ = nullptr;
  QAbstractButton *stepSizeUp_ = nullptr, *stepSizeDown_ = nullptr;
  QSlider* speed_ = nullptr;
  QPushButton *finish_ = nullptr, *step_ = nullptr, *reset_ = nullptr;
  QLabel* indicator_ = nullptr;
  QTimer *runTimer_ = nullptr, *indicatorTimer_ = nullptr;
  TAboutBox* aboutBox_ = nullptr;
  TCompilerForm* compilerForm_ = nullptr;
  TErrorForm* errorForm_ = nullptr;
  QString openFilter_, saveFilter_;  // the entries last used
  bool editorIsLatin1_ = false;      // the loaded bytes were no UTF-8
  std::optional<std::string> scriptedOpenFile_;
  std::unique_ptr<QGraphicsScene> lastPicture_;
  std::unique_ptr<Workbench> workbench_;
};

}  // namespace vantorb
