#include "workbench/qt/main_form.hpp"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <QGraphicsScene>
#include <QSettings>

#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/file_dialog.hpp"
#include "workbench/qt/program_editor.hpp"
#include "workbench/qt/network_picture.hpp"
#include "workbench/qt/waveform_panel.hpp"
#include "workbench/qt/status_model.hpp"

namespace vantorb {
namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }

QLabel* Banner(const QString& text, QWidget* parent) {
  auto* banner = new QLabel(text, parent);
  banner->setObjectName("banner");
  QFont font = banner->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  banner->setFont(font);
  return banner;
}

}  // namespace

TMainForm::TMainForm(NParserInterface& parser) {
  setObjectName("TMainForm");
  openFilter_ = saveFilter_ = NameFilters()[0];
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl");
  tabs_->addTab(CreateProgramTab(), "Program");
  tabs_->addTab(CreateBrowserTab(), "Browser");
  tabs_->addTab(CreateSimulatorTab(), "Simulator");
  setCentralWidget(tabs_);
  CreateCommands();
  aboutBox_ = new TAboutBox(this);
  compilerForm_ = new TCompilerForm(this);
  errorForm_ = new TErrorForm(this);
  // Below the layouts' own minimum the widgets would overlap; with small
  // fonts the floor still keeps a few lines of the views in sight.
  setMinimumSize(minimumSizeHint().expandedTo(kSmallestSize));
  resize(kOpeningSize);
  restoreGeometry(QSettings("Vantorb", "vantorb").value("window/geometry").toByteArray());
  workbench_ = std::make_unique<Workbench>(*this, files_, parser);
  connect(editor_, &QPlainTextEdit::textChanged, this,
          [this] { workbench_->EditorChanged(); });
  ConnectRunControls();
}

TMainForm::~TMainForm() = default;

QWidget* TMainForm::CreateProgramTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Partial recursive function program editor", page));
  editor_ = new ProgramEditor(page);
  editor_->setObjectName("Editor");
  editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mono("monospace");
  mono.setStyleHint(QFont::TypeWriter);
  editor_->setFont(mono);
  layout->addWidget(editor_);
  return page;
}

QWidget* TMainForm::CreateBrowserTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Function browser", page));
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns, 1);

  auto* hierarchy = new QGroupBox("Function hierarchy", page);
  auto* hierarchyLayout = new QVBoxLayout(hierarchy);
  treeModel_ = new FunctionTreeModel(this);
  treeView_ = new QTreeView(hierarchy);
  treeView_->setObjectName("TreeView");
  treeView_->setModel(treeModel_);
  treeView_->setHeaderHidden(true);
  treeView_->setIndentation(19);
  treeView_->setUniformRowHeights(true);
  hierarchyLayout->addWidget(treeView_);
  auto* treeButtons = new QGroupBox("Tree view", hierarchy);
  auto* treeButtonsLayout = new QHBoxLayout(treeButtons);
  auto* collapse = new QPushButton("Collapsed view", treeButtons);
  collapse->setObjectName("SpeedButton20");
  collapse->setToolTip("Collapsed view");
  auto* expand = new QPushButton("Expanded view", treeButtons);
  expand->setObjectName("SpeedButton21");
  expand->setToolTip("Expanded view");
  auto* picture = new QPushButton("Network picture", treeButtons);
  picture->setObjectName("bt_picture");
  picture->setToolTip("Draw the network of the function selected in the tree");
  OnSignal(picture, &QPushButton::clicked, [this] { workbench_->DrawNetworkPicture(); });
  OnSignal(collapse, &QPushButton::clicked, [this] { workbench_->CollapseTree(); });
  OnSignal(expand, &QPushButton::clicked, [this] { workbench_->ExpandTree(); });
  auto* treeButtonsGrid = new QGridLayout;
  treeButtonsGrid->addWidget(collapse, 0, 0);
  treeButtonsGrid->addWidget(expand, 0, 1);
  treeButtonsGrid->addWidget(picture, 1, 0, 1, 2);
  treeButtonsLayout->addLayout(treeButtonsGrid);
  treeButtonsLayout->addStretch(1);
  hierarchyLayout->addWidget(treeButtons);
  columns->addWidget(hierarchy, 1);

  auto* computation = new QGroupBox("Computation", page);
  auto* computationLayout = new QVBoxLayout(computation);
  auto* parametersOf = new QHBoxLayout;
  parametersOf->addWidget(new QLabel("Parameters of ", computation));
  functionName_ = new QLabel("no function.", computation);
  functionName_->setObjectName("lb_funcname");
  parametersOf->addWidget(functionName_, 1);
  computationLayout->addLayout(parametersOf);
  parameterGrid_ = new QTableWidget(6, 2, computation);
  parameterGrid_->setObjectName("ParameterGrid");
  parameterGrid_->horizontalHeader()->hide();
  parameterGrid_->verticalHeader()->hide();
  parameterGrid_->setColumnWidth(0, 64);
  parameterGrid_->setColumnWidth(1, 58);
  parameterGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  parameterGrid_->setTabKeyNavigation(true);
  computationLayout->addWidget(parameterGrid_, 1);
  auto* resultRow = new QHBoxLayout;
  resultRow->addWidget(new QLabel("Result", computation));
  result_ = new QLineEdit("0", computation);
  result_->setObjectName("ed_Result");
  result_->setReadOnly(true);
  resultRow->addWidget(result_, 1);
  computationLayout->addLayout(resultRow);
  compute_ = new QPushButton("Compute", computation);
  compute_->setObjectName("bt_comp");
  auto* check = new QPushButton("Check result", computation);
  check->setObjectName("bt_check");
  check->setToolTip("Compare the result with the value the definition gives");
  OnSignal(check, &QPushButton::clicked, [this] { workbench_->CheckResult(); });
  auto* computeRow = new QHBoxLayout;
  computeRow->addWidget(compute_);
  computeRow->addWidget(check);
  computationLayout->addLayout(computeRow);
  auto* mode = new QGroupBox("Execution mode", computation);
  auto* modeLayout = new QHBoxLayout(mode);
  auto* modeButtons = new QButtonGroup(mode);
  int modeNumber = 14;
  for (const char* name : {"Step-by-step", "Automatic"}) {
    auto* button = new QToolButton(mode);
    button->setObjectName(QString("SpeedButton%1").arg(modeNumber++));
    button->setText(name);
    button->setCheckable(true);
    button->setChecked(QString(name) == "Step-by-step");
    modeButtons->addButton(button);
    modeLayout->addWidget(button);
    (QString(name) == "Automatic" ? automatic_ : stepByStep_) = button;
  }
  computationLayout->addWidget(mode);
  // The grid's columns have their widths: a wider grid would only add blank.
  computation->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  columns->addWidget(computation);
  return page;
}

QWidget* TMainForm::CreateSimulatorTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Neural network computer ", page));
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns, 1);

  auto* left = new QVBoxLayout;
  statusTabs_ = new QTabWidget(page);
  statusTabs_->setObjectName("StatusTabs");
  statusModel_ = new StatusModel(this);
  statusWindow_ = new QTableView(statusTabs_);
  statusWindow_->setObjectName("StatWin");
  statusWindow_->setModel(statusModel_);
  statusWindow_->verticalHeader()->hide();
  statusWindow_->verticalHeader()->setDefaultSectionSize(24);
  statusWindow_->horizontalHeader()->setSectionsMovable(true);
  statusWindow_->horizontalHeader()->setStretchLastSection(true);
  statusWindow_->setColumnWidth(0, 130);
  statusWindow_->setSelectionBehavior(QAbstractItemView::SelectRows);
  statusWindow_->setSelectionMode(QAbstractItemView::SingleSelection);
  statusWindow_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A long value shows only its ends; its whole text is one copy away.
  auto* copyValue = new QAction("Copy value", statusWindow_);
  copyValue->setObjectName("CopyValue");
  copyValue->setShortcut(QKeySequence::Copy);
  copyValue->setShortcutContext(Qt::WidgetShortcut);
  statusWindow_->addAction(copyValue);
  statusWindow_->setContextMenuPolicy(Qt::ActionsContextMenu);
  OnSignal(copyValue, &QAction::triggered, [this] {
    const QModelIndex current = statusWindow_->currentIndex();
    if (!current.isValid()) return;
    const std::string value = workbench_->Sim().StatusValue(static_cast<std::size_t>(current.row()));
    QGuiApplication::clipboard()->setText(Qs(value));
  });
  statusTabs_->addTab(statusWindow_, "Status window");
  left->addWidget(statusTabs_, 3);
  left->addWidget(new QLabel("Equation", page));
  equation_ = new QPlainTextEdit(page);
  equation_->setObjectName("eq_memo");
  equation_->setReadOnly(true);
  equation_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  left->addWidget(equation_, 1);
  columns->addLayout(left, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(CreateInspectionGroup(page));
  right->addWidget(CreateAnimationGroup(page));
  right->addStretch(1);
  right->setSpacing(4);
  columns->addLayout(right);
  return page;
}

QWidget* TMainForm::CreateInspectionGroup(QWidget* parent) {
  auto* group = new QGroupBox(" Neuron inspection ", parent);
  auto* grid = new QGridLayout(group);
  struct Choice {
    InspectChoice choice;
    const char* name;
    const char* text;
  };
  const Choice choices[] = {
      {InspectChoice::In, "SpeedButton4", "IN neurons"},
      {InspectChoice::Out, "SpeedButton8", "OUT neurons"},
      {InspectChoice::Data, "SpeedButton24", "Data neurons"},
      {InspectChoice::Result, "SpeedButton9", "Result neurons"},
      {InspectChoice::Hidden, "SpeedButton10", "Hidden neurons"},
      {InspectChoice::None, "bt_none", "&None"},
      {InspectChoice::Set, "SpeedButton17", "&Set"},
  };
  int position = 0;
  for (const auto& c : choices) {
    auto* button = new QToolButton(group);
    button->setObjectName(c.name);
    button->setText(c.text);
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    grid->addWidget(button, position / 2, position % 2);
    ++position;
    choices_.push_back({c.choice, button});
  }
  auto* modes = new QButtonGroup(group);
  inspectChanging_ = new QRadioButton("Inspect changing", group);
  inspectChanging_->setObjectName("SpeedButton13");
  inspectChanging_->setChecked(true);
  inspectAlways_ = new QRadioButton("Inspect always", group);
  inspectAlways_->setObjectName("bt_all");
  modes->addButton(inspectChanging_);
  modes->addButton(inspectAlways_);
  grid->addWidget(inspectChanging_, 4, 0);
  grid->addWidget(inspectAlways_, 4, 1);
  grid->addWidget(new QLabel("Token", group), 5, 0);
  token_ = new QLineEdit(group);
  token_->setObjectName("ed_itoken");
  grid->addWidget(token_, 5, 1);
  // Tight rows: the two groups beside the status window fit the window's
  // opening height.
  grid->setVerticalSpacing(3);
  return group;
}

QWidget* TMainForm::CreateAnimationGroup(QWidget* parent) {
  auto* group = new QGroupBox("Animation", parent);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(3);
  auto spinField = [group](const char* name, const QString& text,
                           QAbstractButton*& up, QAbstractButton*& down) {
    auto* field = new QLineEdit(text, group);
    field->setObjectName(name);
    field->setMaximumWidth(56);
    up = new QToolButton(group);
    up->setText(QString::fromUtf8("\u25B4"));
    down = new QToolButton(group);
    down->setText(QString::fromUtf8("\u25BE"));
    return field;
  };
  grid->addWidget(new QLabel("Iteration", group), 0, 0);
  iteration_ = new QLineEdit("0", group);
  iteration_->setObjectName("eb_iter");
  iteration_->setReadOnly(true);
  grid->addWidget(iteration_, 0, 1, 1, 3);
  grid->addWidget(new QLabel("Stop after", group), 1, 0);
  stopAfter_ = spinField("ed_sai", "1000", stopAfterUp_, stopAfterDown_);
  grid->addWidget(stopAfter_, 1, 1);
  grid->addWidget(stopAfterUp_, 1, 2);
  grid->addWidget(stopAfterDown_, 1, 3);
  grid->addWidget(new QLabel("iterations", group), 1, 4);
  grid->addWidget(new QLabel("Step size", group), 2, 0);
  stepSize_ = spinField("ed_ss", "1", stepSizeUp_, stepSizeDown_);
  grid->addWidget(stepSize_, 2, 1);
  grid->addWidget(stepSizeUp_, 2, 2);
  grid->addWidget(stepSizeDown_, 2, 3);
  speed_ = new QSlider(Qt::Horizontal, group);
  speed_->setObjectName("TrackBar");
  speed_->setRange(0, 10);
  speed_->setValue(0);
  speed_->setTickPosition(QSlider::TicksBelow);
  speed_->setToolTip("Animation speed");
  grid->addWidget(speed_, 3, 0, 1, 5);
  grid->addWidget(new QLabel("Step-by-step", group), 4, 0, 1, 2);
  grid->addWidget(new QLabel("Automatic", group), 4, 3, 1, 2, Qt::AlignRight);
  finish_ = new QPushButton("Finish", group);
  finish_->setObjectName("bt_finish");
  finish_->setCheckable(true);
  // Alt+E belongs to the Edit menu.
  step_ = new QPushButton("S&tep", group);
  step_->setObjectName("BitBtn2");
  reset_ = new QPushButton("&Reset", group);
  reset_->setObjectName("BitBtn4");
  grid->addWidget(finish_, 5, 0, 1, 2);
  grid->addWidget(step_, 5, 2, 1, 2);
  grid->addWidget(reset_, 5, 4);
  indicator_ = new QLabel(group);
  indicator_->setObjectName("Image1");
  indicator_->setFixedSize(28, 28);
  grid->addWidget(indicator_, 0, 4, Qt::AlignRight);
  runTimer_ = new QTimer(this);
  runTimer_->setObjectName("Timer");
  indicatorTimer_ = new QTimer(this);
  indicatorTimer_->setObjectName("TimerCamera");
  indicatorTimer_->setInterval(500);
  return group;
}

void TMainForm::ConnectRunControls() {
  Simulator& sim = workbench_->Sim();
  statusModel_->Attach(&sim);
  waveforms_ = new WaveformPanel(sim, statusTabs_);
  statusTabs_->addTab(waveforms_, "Waveforms");
  connect(waveforms_, &WaveformPanel::TraceClicked, this, [this, &sim](int trace) {
    workbench_->RunCommand([&] { sim.SelectTrace(static_cast<std::size_t>(trace)); });
  });
  OnSignal(compute_, &QPushButton::clicked, [&sim] { sim.Compute(); });
  OnSignal(stepByStep_, &QAbstractButton::clicked, [&sim] { sim.StepByStepMode(); });
  OnSignal(automatic_, &QAbstractButton::clicked, [&sim] { sim.AutomaticMode(); });
  OnSignal(speed_, &QSlider::valueChanged, [&sim] { sim.SpeedChanged(); });
  OnSignal(runTimer_, &QTimer::timeout, [&sim] { sim.RunTimerTick(); });
  OnSignal(indicatorTimer_, &QTimer::timeout, [&sim] { sim.IndicatorTick(); });
  OnSignal(step_, &QPushButton::clicked, [&sim] { sim.Step(); });
  OnSignal(finish_, &QPushButton::clicked, [this, &sim] {
    sim.Finish();
    finish_->setChecked(sim.FinishPressed());  // a click while idle changes nothing
  });
  OnSignal(reset_, &QPushButton::clicked, [&sim] { sim.ResetRun(); });
  OnSignal(stopAfterUp_, &QAbstractButton::clicked, [&sim] { sim.SpinStopAfter(1); });
  OnSignal(stopAfterDown_, &QAbstractButton::clicked, [&sim] { sim.SpinStopAfter(-1); });
  OnSignal(stepSizeUp_, &QAbstractButton::clicked, [&sim] { sim.SpinStepSize(1); });
  OnSignal(stepSizeDown_, &QAbstractButton::clicked, [&sim] { sim.SpinStepSize(-1); });
  for (auto [choice, button] : choices_) {
    OnSignal(button, &QAbstractButton::clicked, [&sim, choice = choice] {
      switch (choice) {
        case InspectChoice::In: sim.InspectIn(); break;
        case InspectChoice::Out: sim.InspectOut(); break;
        case InspectChoice::Data: sim.InspectData(); break;
        case InspectChoice::Result: sim.InspectResults(); break;
        case InspectChoice::Hidden: sim.InspectHidden(); break;
        case InspectChoice::None: sim.InspectNone(); break;
        default: sim.InspectTypedToken(); break;
      }
    });
  }
  OnSignal(inspectChanging_, &QAbstractButton::clicked, [&sim] { sim.InspectChanging(); });
  OnSignal(inspectAlways_, &QAbstractButton::clicked, [&sim] { sim.InspectAlways(); });
  OnSignal(statusWindow_, &QTableView::clicked, [&sim] { sim.StatusWindowClick(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  OnSignal(escape, &QShortcut::activated, [&sim] { sim.Interrupt(); });
}

void TMainForm::ScriptDialogs(const std::string& openFile) {
  scriptedOpenFile_ = openFile;
}

Answer TMainForm::Message(MessageKind kind, const std::string& text,
                          Answers answers) {
  if (scriptedOpenFile_) return answers == Answers::Ok ? Answer::Ok : Answer::No;
  QMessageBox box(kind == MessageKind::Warning ? QMessageBox::Warning
                  : kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information,
                  "Vantorb", Qs(text).replace("\n\r", "\n"), QMessageBox::NoButton, this);
  switch (answers) {
    case Answers::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Answers::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Answers::YesCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel); break;
    case Answers::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
  }
}

std::optional<std::string> TMainForm::FileDialog(bool save, int filterEntry,
                                                 const std::string& suggestedFile) {
  QString& lastUsed = save ? saveFilter_ : openFilter_;
  if (filterEntry >= 1 && filterEntry <= NameFilters().size())
    lastUsed = NameFilters()[filterEntry - 1];
  QFileDialog dialog(this);
  PrepareFileDialog(dialog, save, lastUsed, Qs(suggestedFile));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  lastUsed = dialog.selectedNameFilter();
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> TMainForm::OpenFileDialog(int filterEntry,
                                                     const std::string& suggestedFile) {
  if (scriptedOpenFile_) return scriptedOpenFile_;
  return FileDialog(false, filterEntry, suggestedFile);
}

std::optional<std::string> TMainForm::SaveFileDialog(int filterEntry) {
  if (scriptedOpenFile_) return std::nullopt;
  return FileDialog(true, filterEntry, {});
}

void TMainForm::ShowCompilerInfoWindow(const CompilerInfo& info) {
  compilerForm_->SetInfo(info);
  if (!scriptedOpenFile_) compilerForm_->exec();
}

void TMainForm::ShowErrorWindow(const std::string& message) {
  errorForm_->SetMessage(Qs(message));
  if (!scriptedOpenFile_) errorForm_->exec();
}

void TMainForm::ShowAboutWindow() { aboutBox_->exec(); }

// "[*]" is where Qt shows the unsaved-changes mark; one in a file name is
// doubled so that Qt shows it as written.
void TMainForm::SetCaption(const std::string& caption) {
  setWindowTitle(Qs(caption).replace("[*]", "[*][*]") + "[*]");
}

void TMainForm::ShowModified(bool modified) { setWindowModified(modified); }

void TMainForm::ShowTab(Tab tab) { tabs_->setCurrentIndex(static_cast<int>(tab)); }

// Program files are 8-bit text: shown as UTF-8 when they are, byte for byte
// otherwise, and written back the way they came.
std::string TMainForm::EditorText() {
  const QString text = editor_->toPlainText();
  if (editorIsLatin1_) {
    const QByteArray bytes = text.toLatin1();
    if (QString::fromLatin1(bytes) == text) return bytes.toStdString();
  }
  return text.toStdString();
}

void TMainForm::SetEditorText(const std::string& text) {
  const QByteArray bytes = QByteArray::fromStdString(text);
  auto decoder = QStringDecoder(QStringDecoder::Utf8);
  QString decoded = decoder(bytes);
  editorIsLatin1_ = decoder.hasError();
  editor_->setPlainText(editorIsLatin1_ ? QString::fromLatin1(bytes) : decoded);
}

FunctionTreeNodes& TMainForm::ClearFunctionTree() {
  treeModel_->Clear();
  return *treeModel_;
}

void TMainForm::SetTreeExpanded(bool expanded) {
  if (expanded) {
    treeView_->expandAll();
  } else {
    treeView_->collapseAll();
  }
}

void TMainForm::SetParameterNames(const std::vector<std::string>& names) {
  parameterGrid_->setRowCount(std::max<int>(1, static_cast<int>(names.size())));
  for (int row = 0; row < parameterGrid_->rowCount(); ++row) {
    const QString name = row < static_cast<int>(names.size()) ? Qs(names[row]) : QString();
    parameterGrid_->setItem(row, 0, new QTableWidgetItem(name));
  }
}

void TMainForm::SetParameterValues(const std::vector<std::string>& values) {
  for (std::size_t row = 0; row < values.size() && static_cast<int>(row) < parameterGrid_->rowCount(); ++row)
    parameterGrid_->setItem(static_cast<int>(row), 1, new QTableWidgetItem(Qs(values[row])));
}

std::vector<std::string> TMainForm::ParameterValues() {
  std::vector<std::string> values;
  for (int row = 0; row < parameterGrid_->rowCount(); ++row) {
    const QTableWidgetItem* item = parameterGrid_->item(row, 1);
    values.push_back(item ? item->text().toStdString() : "");
  }
  return values;
}

void TMainForm::SetFunctionName(const std::string& name) { functionName_->setText(Qs(name)); }

void TMainForm::SetResult(const std::string& text) { result_->setText(Qs(text)); }

void TMainForm::SetIterationText(const std::string& text) { iteration_->setText(Qs(text)); }
std::string TMainForm::StepSizeText() { return stepSize_->text().toStdString(); }
void TMainForm::SetStepSizeText(const std::string& text) { stepSize_->setText(Qs(text)); }
std::string TMainForm::StopAfterText() { return stopAfter_->text().toStdString(); }
void TMainForm::SetStopAfterText(const std::string& text) { stopAfter_->setText(Qs(text)); }
int TMainForm::SliderPosition() { return speed_->value(); }

void TMainForm::SetSliderPosition(int position) {
  const QSignalBlocker quiet(speed_);
  speed_->setValue(position);
  speed_->repaint();
}

void TMainForm::SetComputePressed(bool pressed) {
  compute_->setCheckable(pressed);
  compute_->setChecked(pressed);
}

void TMainForm::SetFinishPressed(bool pressed) {
  finish_->setChecked(pressed);
  finish_->repaint();
}

void TMainForm::SetRunTimer(int intervalMs, bool enabled) {
  runTimer_->setInterval(intervalMs);
  if (enabled && intervalMs > 0) {
    if (!runTimer_->isActive()) runTimer_->start();
  } else {
    runTimer_->stop();
  }
}

void TMainForm::SetIndicatorTimer(bool enabled) {
  if (enabled) {
    indicatorTimer_->start();
  } else {
    indicatorTimer_->stop();
  }
}

// The running indicator: a wheel whose bright spoke turns a step per frame.
void TMainForm::ShowIndicatorFrame(int frame) {
  QPixmap picture(28, 28);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(14, 14);
  for (int spoke = 0; spoke < Simulator::kIndicatorFrames; ++spoke) {
    painter.setPen(QPen(spoke == frame ? QColor(20, 90, 200) : QColor(190, 190, 190), 3,
                        Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(0, -5, 0, -11);
    painter.rotate(360.0 / Simulator::kIndicatorFrames);
  }
  painter.end();
  indicator_->setPixmap(picture);  // painted with the rest of the frame
}

void TMainForm::ClearIndicator() { indicator_->clear(); }
void TMainForm::ProcessEvents() { QApplication::processEvents(); }
void TMainForm::StatusWindowChanged() { statusModel_->Refresh(); }

int TMainForm::SelectedStatusRow() {
  const QModelIndex current = statusWindow_->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

void TMainForm::SetEquationText(const std::string& text) { equation_->setPlainText(Qs(text)); }
std::string TMainForm::TokenFieldText() { return token_->text().toStdString(); }
void TMainForm::SetTokenFieldText(const std::string& text) { token_->setText(Qs(text)); }

void TMainForm::ShowInspectChoice(InspectChoice choice) {
  for (auto [which, button] : choices_) button->setChecked(which == choice);
}

void TMainForm::MarkErrorLine(int line) { editor_->MarkLine(line); }

std::optional<TreeNodeHandle> TMainForm::SelectedTreeNode() {
  const QModelIndex current = treeView_->currentIndex();
  if (!current.isValid()) return std::nullopt;
  return static_cast<TreeNodeHandle>(current.internalId() - 1);
}

void TMainForm::ShowNetworkPicture(const std::string& title, const std::string& dot) {
  lastPicture_ = DrawDot(dot);
  if (scriptedOpenFile_) return;
  NetworkPictureDialog dialog(" Network of " + Qs(title), *lastPicture_, this);
  dialog.exec();
}

QImage TMainForm::LastPicture() const {
  return lastPicture_ ? SceneImage(*lastPicture_) : QImage();
}

void TMainForm::WaveformsChanged() {
  if (waveforms_ != nullptr) waveforms_->Refresh();
}

namespace {
constexpr int kRecentFiles = 6;
}

// The recent program files, newest first, kept in the user's settings.
void TMainForm::RememberFile(const std::string& fileName) {
  QSettings settings("Vantorb", "vantorb");
  QStringList files = settings.value("recentFiles").toStringList();
  files.removeAll(Qs(fileName));
  files.prepend(Qs(fileName));
  while (files.size() > kRecentFiles) files.removeLast();
  settings.setValue("recentFiles", files);
  ShowRecentFiles();
}

void TMainForm::ShowRecentFiles() {
  recentMenu_->clear();
  const QStringList files = QSettings("Vantorb", "vantorb").value("recentFiles").toStringList();
  for (const QString& file : files) {
    QAction* action = recentMenu_->addAction(file);
    OnSignal(action, &QAction::triggered,
             [this, file] { workbench_->OpenRecent(file.toStdString()); });
  }
  recentMenu_->setEnabled(!files.isEmpty());
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (workbench_->Close()) {
    QSettings("Vantorb", "vantorb").setValue("window/geometry", saveGeometry());
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace vantorb
