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
#include <QTextDocument>
#include <QTimer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
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
#include <QStatusBar>

#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/form_parts.hpp"
#include "workbench/qt/file_dialog.hpp"
#include "workbench/qt/program_editor.hpp"
#include "workbench/qt/network_picture.hpp"
#include "workbench/qt/waveform_panel.hpp"
#include "workbench/qt/status_model.hpp"

namespace vantorb {

TMainForm::TMainForm(NParserInterface& parser) {
  setObjectName("TMainForm");
  openFilter_ = saveFilter_ = NameFilters()[0];
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl");
  tabs_->addTab(CreateProgramTab(), "Program");
  tabs_->addTab(CreateBrowserTab(), "Browser");
  tabs_->addTab(CreateSimulatorTab(), "Simulator");
  setCentralWidget(tabs_);
  // Work that goes on (a check of a result) tells its progress here.
  statusBar()->setObjectName("StatusBar");
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
  // The document's own flag: an undo back to the text last saved or loaded
  // clears the mark.
  connect(editor_->document(), &QTextDocument::modificationChanged, this,
          [this](bool modified) { workbench_->EditorModified(modified); });
  ConnectRunControls();
}

TMainForm::~TMainForm() = default;

void TMainForm::ShowAndOpen(const std::string& fileName) {
  show();
  QTimer::singleShot(0, this, [this, fileName] {
    workbench_->RunCommand([&] { workbench_->OpenAtStart(fileName); });
  });
}

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

void TMainForm::ScriptDialogs(const std::string& openFile) {
  scriptedOpenFile_ = openFile;
}

Answer TMainForm::Message(MessageKind kind, const std::string& text,
                          Answers answers) {
  if (scriptedOpenFile_) return answers == Answers::Ok ? Answer::Ok : Answer::No;
  QMessageBox box(kind == MessageKind::Warning ? QMessageBox::Warning
                  : kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information,
                  "Vantorb", Qs(text).replace("\n\r", "\n"), QMessageBox::NoButton, this);
  SetAnswerButtons(box, answers);
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

// "[*]" is where Qt shows the unsaved-changes mark, right after the
// program's part of the title; one in a file name is doubled so that Qt
// shows it as written.
void TMainForm::SetCaption(const std::string& program, const std::string& network) {
  setWindowTitle(Qs(program).replace("[*]", "[*][*]") + "[*]" +
                 Qs(network).replace("[*]", "[*][*]"));
}

void TMainForm::ShowModified(bool modified) {
  editor_->document()->setModified(modified);
  setWindowModified(modified);
}

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

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == statusWindow_ &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    if (event->type() == QEvent::KeyPress) copyValue_->trigger();
    event->accept();
    return true;
  }
  if (watched == parameterGrid_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab &&
      static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
    const QModelIndex current = parameterGrid_->currentIndex();
    if (current.row() == parameterGrid_->rowCount() - 1 && current.column() == 1) {
      compute_->setFocus(Qt::TabFocusReason);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::MarkErrorLine(int line) { editor_->MarkLine(line); }

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

void TMainForm::ForgetFile(const std::string& fileName) {
  QSettings settings("Vantorb", "vantorb");
  QStringList files = settings.value("recentFiles").toStringList();
  if (files.removeAll(Qs(fileName)) == 0) return;
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
