#include "workbench/qt/main_form.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
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

#include "workbench/qt/dialogs.hpp"

namespace vantorb {
namespace {

const QStringList kNameFilters = {"Proof files (*.PRV *.prv)",
                                  "Dynamic equation files (*.EQU *.equ)",
                                  "All files (*)"};

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
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  openFilter_ = saveFilter_ = kNameFilters[0];
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl");
  tabs_->addTab(CreateProgramTab(), "Program");
  tabs_->addTab(CreateBrowserTab(), "Browser");
  tabs_->addTab(CreateSimulatorTab(), "Simulator");
  setCentralWidget(tabs_);
  CreateMenus();
  CreateToolBar();
  aboutBox_ = new TAboutBox(this);
  compilerForm_ = new TCompilerForm(this);
  errorForm_ = new TErrorForm(this);
  setFixedSize(621, 498);
  workbench_ = std::make_unique<Workbench>(*this, files_, parser);
  connect(editor_, &QPlainTextEdit::textChanged, this,
          [this] { workbench_->EditorChange(); });
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& text,
                    QKeySequence key, auto handler) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QMenu* file = menuBar()->addMenu("&File");
  add(file, "NewFunction1", "&New File", {}, [this] { workbench_->NewFunction1Click(); });
  add(file, "LoadFunction1", "&Load File ...", Qt::Key_F3, [this] { workbench_->LoadFunction1Click(); });
  add(file, "SaveFunction1", "&Save File ...", Qt::Key_F2, [this] { workbench_->SaveFunction1Click(); });
  add(file, "S1", "Save &As ...", {}, [this] { workbench_->S1Click(); });
  file->addSeparator();
  add(file, "Exit1", "E&xit", {}, [this] { close(); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  add(edit, "N1", "Cu&t", QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { editor_->cut(); });
  add(edit, "Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_Insert), [this] { editor_->copy(); });
  add(edit, "Paste1", "&Paste", QKeySequence(Qt::SHIFT | Qt::Key_Insert), [this] { editor_->paste(); });
  add(edit, "Selectall1", "&Select all", {}, [this] { editor_->selectAll(); });

  QMenu* compiler = menuBar()->addMenu("&Compiler");
  add(compiler, "BuildNeuralNetwork1", "&Build Neural Network", Qt::Key_F9,
      [this] { workbench_->BuildNeuralNetwork1Click(); });
  add(compiler, "ShowCompilerInfo1", "&Show Compiler Info ...", {},
      [this] { workbench_->ShowCompilerInfo1Click(); });
  compiler->addSeparator();
  add(compiler, "ProduceDynamicES1", "&Generate Equations ...",
      QKeySequence(Qt::CTRL | Qt::Key_F9), [this] { workbench_->ProduceDynamicES1Click(); });
  add(compiler, "LoadEquations1", "&Load Equations ...", QKeySequence(Qt::CTRL | Qt::Key_L),
      [this] { workbench_->LoadEquations1Click(); });

  QAction* about = menuBar()->addAction("&About");
  about->setObjectName("About1");
  connect(about, &QAction::triggered, this, [this] { workbench_->About1Click(); });
}

void TMainForm::CreateToolBar() {
  QToolBar* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  bar->setIconSize(QSize(20, 20));
  auto add = [this, bar](const char* name, QStyle::StandardPixmap icon,
                         const QString& hint, auto handler) {
    QAction* action = bar->addAction(style()->standardIcon(icon), hint);
    action->setObjectName(name);
    action->setToolTip(hint);
    connect(action, &QAction::triggered, this, handler);
  };
  add("SpeedButton1", QStyle::SP_FileIcon, "New function ...", [this] { workbench_->NewFunction1Click(); });
  add("SpeedButton2", QStyle::SP_DialogOpenButton, "Open function ...", [this] { workbench_->LoadFunction1Click(); });
  add("SpeedButton3", QStyle::SP_DialogSaveButton, "Save function ...", [this] { workbench_->SaveFunction1Click(); });
  bar->addSeparator();
  add("SpeedButton4", QStyle::SP_TrashIcon, "Cut to clipboard", [this] { editor_->cut(); });
  add("SpeedButton5", QStyle::SP_FileDialogContentsView, "Copy to clipboard", [this] { editor_->copy(); });
  add("SpeedButton6", QStyle::SP_FileDialogDetailedView, "Paste from clipboard", [this] { editor_->paste(); });
  bar->addSeparator();
  add("SpeedButton7", QStyle::SP_MediaPlay, "Compile ...", [this] { workbench_->BuildNeuralNetwork1Click(); });
  add("SpeedButton11", QStyle::SP_MessageBoxInformation, "Show Compiler info ...", [this] { workbench_->ShowCompilerInfo1Click(); });
  add("SpeedButton12", QStyle::SP_FileDialogNewFolder, "Generate equations ...", [this] { workbench_->ProduceDynamicES1Click(); });
  add("SpeedButton16", QStyle::SP_FileDialogStart, "Load equations ...", [this] { workbench_->LoadEquations1Click(); });
}

QWidget* TMainForm::CreateProgramTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Partial recursive function program editor", page));
  editor_ = new QPlainTextEdit(page);
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
  connect(collapse, &QPushButton::clicked, this, [this] { workbench_->SpeedButton20Click(); });
  connect(expand, &QPushButton::clicked, this, [this] { workbench_->SpeedButton21Click(); });
  treeButtonsLayout->addWidget(collapse);
  treeButtonsLayout->addWidget(expand);
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
  // The run controls; they compute with the simulator.
  auto* compute = new QPushButton("Compute", computation);
  compute->setObjectName("bt_comp");
  compute->setEnabled(false);
  computationLayout->addWidget(compute);
  auto* mode = new QGroupBox("Execution mode", computation);
  auto* modeLayout = new QHBoxLayout(mode);
  for (const char* name : {"Step-by-step", "Automatic"}) {
    auto* button = new QToolButton(mode);
    button->setText(name);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setChecked(QString(name) == "Step-by-step");
    button->setEnabled(false);
    modeLayout->addWidget(button);
  }
  computationLayout->addWidget(mode);
  columns->addWidget(computation);
  return page;
}

QWidget* TMainForm::CreateSimulatorTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Neural network computer ", page));
  layout->addStretch(1);
  return page;
}

void TMainForm::ScriptDialogs(const std::string& openFile) {
  scriptedOpenFile_ = openFile;
}

Answer TMainForm::Message(MessageKind kind, const std::string& text,
                          Answers answers) {
  if (scriptedOpenFile_) return answers == Answers::Ok ? Answer::Ok : Answer::No;
  QMessageBox box(kind == MessageKind::Warning ? QMessageBox::Warning
                                               : QMessageBox::Critical,
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

std::optional<std::string> TMainForm::FileDialog(bool save, int filterEntry) {
  QString& lastUsed = save ? saveFilter_ : openFilter_;
  if (filterEntry >= 1 && filterEntry <= kNameFilters.size())
    lastUsed = kNameFilters[filterEntry - 1];
  QFileDialog dialog(this);
  dialog.setNameFilters(kNameFilters);
  dialog.selectNameFilter(lastUsed);
  dialog.setDefaultSuffix("PRV");
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  lastUsed = dialog.selectedNameFilter();
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> TMainForm::OpenFileDialog(int filterEntry) {
  if (scriptedOpenFile_) return scriptedOpenFile_;
  return FileDialog(false, filterEntry);
}

std::optional<std::string> TMainForm::SaveFileDialog(int filterEntry) {
  if (scriptedOpenFile_) return std::nullopt;
  return FileDialog(true, filterEntry);
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

void TMainForm::SetCaption(const std::string& caption) { setWindowTitle(Qs(caption)); }

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

void TMainForm::closeEvent(QCloseEvent* event) {
  if (workbench_->FormCloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace vantorb
