// The window's commands: one action each, shared by the menu and the tool
// bar, so that a command's text, keys, icon, hint, handler and enabled state
// are kept in one place.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "workbench/qt/application_identity.hpp"
#include "workbench/qt/main_form.hpp"
#include "workbench/qt/program_editor.hpp"

namespace vantorb {

void TMainForm::CreateCommands() {
  // The window's own key first, then the platform's standard keys for the
  // same command that it does not already hold.
  auto command = [this](const char* name, const QString& text, QKeySequence key,
                        QKeySequence::StandardKey standard, auto handler) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    QList<QKeySequence> keys;
    if (!key.isEmpty()) keys << key;
    for (const QKeySequence& other : QKeySequence::keyBindings(standard))
      if (!keys.contains(other)) keys << other;
    action->setShortcuts(keys);
    OnSignal(action, &QAction::triggered, handler);
    return action;
  };
  // On the tool bar: the desktop's icon theme where it has the icon, else
  // the style's where it has a fitting one, else one of ours; and the hint.
  // The menus stay text only. The style's blank page is no stand-in for
  // New: some styles draw it grey, and it reads as a disabled command.
  auto withIcon = [](QAction* action, const QIcon& icon, const QString& hint) {
    action->setIcon(icon);
    action->setIconVisibleInMenu(false);
    action->setToolTip(hint);
    return action;
  };
  auto onToolBar = [this, withIcon](QAction* action, const char* themeIcon,
                                    QStyle::StandardPixmap fallback, const QString& hint) {
    return withIcon(action, QIcon::fromTheme(themeIcon, style()->standardIcon(fallback)), hint);
  };
  auto ownIcon = [withIcon](QAction* action, const char* themeIcon, const QString& hint) {
    return withIcon(action, QIcon::fromTheme(themeIcon, BuiltInActionIcon(themeIcon)), hint);
  };
  constexpr auto kNone = QKeySequence::UnknownKey;

  QAction* newFile = ownIcon(
      command("NewFunction1", "&New File", {}, QKeySequence::New, [this] { workbench_->NewFile(); }),
      "document-new", "New function ...");
  QAction* load = onToolBar(command("LoadFunction1", "&Load File ...", Qt::Key_F3,
                                    QKeySequence::Open, [this] { workbench_->LoadFile(); }),
                            "document-open", QStyle::SP_DialogOpenButton, "Open function ...");
  QAction* save = onToolBar(command("SaveFunction1", "&Save File ...", Qt::Key_F2,
                                    QKeySequence::Save, [this] { workbench_->SaveFile(); }),
                            "document-save", QStyle::SP_DialogSaveButton, "Save function ...");
  QAction* saveAs = command("S1", "Save &As ...", {}, kNone, [this] { workbench_->SaveFileAs(); });
  QAction* exit = command("Exit1", "E&xit", {}, QKeySequence::Quit, [this] { close(); });

  QAction* undo = command("Undo1", "&Undo", {}, QKeySequence::Undo, [this] { editor_->undo(); });
  QAction* redo = command("Redo1", "&Redo", {}, QKeySequence::Redo, [this] { editor_->redo(); });
  undo->setEnabled(false);
  redo->setEnabled(false);
  connect(editor_, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
  connect(editor_, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
  QAction* cut = ownIcon(command("N1", "Cu&t", QKeySequence(Qt::SHIFT | Qt::Key_Delete),
                                   QKeySequence::Cut, [this] { editor_->cut(); }),
                         "edit-cut", "Cut to clipboard");
  QAction* copy = ownIcon(command("Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_Insert),
                                    QKeySequence::Copy, [this] { editor_->copy(); }),
                          "edit-copy", "Copy to clipboard");
  QAction* paste = ownIcon(command("Paste1", "&Paste", QKeySequence(Qt::SHIFT | Qt::Key_Insert),
                                     QKeySequence::Paste, [this] { editor_->paste(); }),
                           "edit-paste", "Paste from clipboard");
  // Offered only while the clipboard holds text the editor takes.
  auto offerPaste = [this, paste] { paste->setEnabled(editor_->canPaste()); };
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, paste, offerPaste);
  offerPaste();
  QAction* selectAll =
      command("Selectall1", "&Select all", {}, kNone, [this] { editor_->selectAll(); });

  QAction* compile = ownIcon(command("BuildNeuralNetwork1", "&Build Neural Network", Qt::Key_F9,
                                       kNone, [this] { workbench_->Compile(); }),
                             "system-run", "Compile ...");
  QAction* info = onToolBar(command("ShowCompilerInfo1", "&Show Compiler Info ...", {}, kNone,
                                    [this] { workbench_->ShowCompilerInfo(); }),
                            "dialog-information", QStyle::SP_MessageBoxInformation,
                            "Show Compiler info ...");
  QAction* generate = ownIcon(
      command("ProduceDynamicES1", "&Generate Equations ...", QKeySequence(Qt::CTRL | Qt::Key_F9),
              kNone, [this] { workbench_->GenerateEquationFile(); }),
      "document-export", "Generate equations ...");
  QAction* loadEquations = ownIcon(
      command("LoadEquations1", "&Load Equations ...", QKeySequence(Qt::CTRL | Qt::Key_L), kNone,
              [this] { workbench_->LoadEquations(); }),
      "document-import", "Load equations ...");

  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({newFile, load, save, saveAs});
  recentMenu_ = file->addMenu("&Recent Files");
  recentMenu_->setObjectName("RecentFiles");
  ShowRecentFiles();
  file->addSeparator();
  file->addAction(exit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addActions({undo, redo});
  edit->addSeparator();
  edit->addActions({cut, copy, paste, selectAll});

  QMenu* compiler = menuBar()->addMenu("&Compiler");
  compiler->addActions({compile, info});
  compiler->addSeparator();
  compiler->addActions({generate, loadEquations});

  QAction* about = menuBar()->addAction("&About");
  about->setObjectName("About1");
  OnSignal(about, &QAction::triggered, [this] { workbench_->ShowAbout(); });

  QToolBar* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  bar->setIconSize(QSize(20, 20));
  bar->addActions({newFile, load, save});
  bar->addSeparator();
  bar->addActions({cut, copy, paste});
  bar->addSeparator();
  bar->addActions({compile, info, generate, loadEquations});
}

}  // namespace vantorb
