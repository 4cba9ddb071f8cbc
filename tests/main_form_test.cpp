// The window's wiring under the offscreen platform: menus and shortcuts,
// tool bar hints, tabs, banners and initial texts, resizing, the file
// dialogs' set-up and the network picture. No modal dialog is opened; the
// settings live in Qt's test location and start empty for every test.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QMenu>
#include <QGuiApplication>
#include <QMimeData>
#include <QHeaderView>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QHelpEvent>
#include <QWindow>

#include <cmath>
#include <functional>

#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "workbench/qt/application_identity.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/file_dialog.hpp"
#include "workbench/qt/main_form.hpp"
#include "workbench/qt/network_picture.hpp"
#include "workbench/qt/program_editor.hpp"
#include "workbench/qt/waveform_panel.hpp"

#include <QTextBlock>
#include <QTextLayout>

using vantorb::TMainForm;

class MainFormTest : public QObject {
  Q_OBJECT

 private:
  vantorb::NParserInterface parser_;

  static QAction* Action(TMainForm& form, const char* name) {
    auto* action = form.findChild<QAction*>(name);
    if (!action) qWarning("no action %s", name);
    return action;
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() { QSettings("Vantorb", "vantorb").clear(); }

  // Each command keeps its own key, first, and takes the platform's
  // standard keys for it.
  void menuCaptionsAndShortcuts() {
    TMainForm form(parser_);
    struct Item {
      const char* name;
      const char* text;
      QKeySequence key;
      QKeySequence::StandardKey standard;
    };
    const auto none = QKeySequence::UnknownKey;
    const Item items[] = {
        {"NewFunction1", "&New File", {}, QKeySequence::New},
        {"LoadFunction1", "&Load File ...", QKeySequence(Qt::Key_F3), QKeySequence::Open},
        {"SaveFunction1", "&Save File ...", QKeySequence(Qt::Key_F2), QKeySequence::Save},
        {"S1", "Save &As ...", {}, none},
        {"Exit1", "E&xit", {}, QKeySequence::Quit},
        {"Undo1", "&Undo", {}, QKeySequence::Undo},
        {"Redo1", "&Redo", {}, QKeySequence::Redo},
        {"N1", "Cu&t", QKeySequence(Qt::SHIFT | Qt::Key_Delete), QKeySequence::Cut},
        {"Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_Insert), QKeySequence::Copy},
        {"Paste1", "&Paste", QKeySequence(Qt::SHIFT | Qt::Key_Insert), QKeySequence::Paste},
        {"Selectall1", "&Select all", {}, none},
        {"BuildNeuralNetwork1", "&Build Neural Network", QKeySequence(Qt::Key_F9), none},
        {"ShowCompilerInfo1", "&Show Compiler Info ...", {}, none},
        {"ProduceDynamicES1", "&Generate Equations ...", QKeySequence(Qt::CTRL | Qt::Key_F9), none},
        {"LoadEquations1", "&Load Equations ...", QKeySequence(Qt::CTRL | Qt::Key_L), none},
        {"About1", "&About", {}, none},
    };
    for (const auto& item : items) {
      QAction* action = Action(form, item.name);
      QVERIFY(action);
      QCOMPARE(action->text(), QString(item.text));
      const QList<QKeySequence> keys = action->shortcuts();
      if (!item.key.isEmpty()) QCOMPARE(keys.value(0), item.key);
      for (const QKeySequence& standard : QKeySequence::keyBindings(item.standard))
        QVERIFY2(keys.contains(standard), item.name);
      QCOMPARE(keys.size(), QSet<QKeySequence>(keys.begin(), keys.end()).size());
    }
    QStringList menus;
    for (QAction* action : form.menuBar()->actions()) menus << action->text();
    QCOMPARE(menus, QStringList({"&File", "&Edit", "&Compiler", "&About"}));
  }

  void undoAndRedoForwardToTheEditor() {
    TMainForm form(parser_);
    auto* editor = form.findChild<QPlainTextEdit*>("Editor");
    QAction *undo = Action(form, "Undo1"), *redo = Action(form, "Redo1");
    QVERIFY(!undo->isEnabled());
    QTest::keyClicks(editor, "f S");
    undo->trigger();
    QCOMPARE(editor->toPlainText(), QString());
    redo->trigger();
    QCOMPARE(editor->toPlainText(), QString("f S"));
  }

  // A clipboard that holds no text (nothing owns it, or it holds a picture)
  // pastes nothing, by key or by command, and the Paste command is offered
  // only while there is text to paste.
  void pastesOnlyText() {
    TMainForm form(parser_);
    auto* editor = form.findChild<QPlainTextEdit*>("Editor");
    QAction* paste = Action(form, "Paste1");
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto picture = [] {
      auto* data = new QMimeData;
      data->setImageData(QImage(4, 4, QImage::Format_RGB32));
      return data;
    };
    const std::pair<std::function<QMimeData*()>, QString> contents[] = {
        {[] { return new QMimeData; }, "f S"},  // as when nothing owns the clipboard
        {picture, "f S"},
        {[] {
           auto* data = new QMimeData;
           data->setText("\ng Z");
           return data;
         },
         "f S\ng Z"},
    };
    for (const auto& [content, pasted] : contents) {
      form.SetEditorText("f S");
      editor->moveCursor(QTextCursor::End);
      clipboard->setMimeData(content());
      const bool hasText = clipboard->mimeData()->hasText();
      QCOMPARE(paste->isEnabled(), hasText);
      QCOMPARE(editor->canPaste(), hasText);
      QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(editor->toPlainText(), pasted);
      form.SetEditorText("f S");
      editor->moveCursor(QTextCursor::End);
      editor->paste();  // as the tool bar's and the menu's Paste do
      QCOMPARE(editor->toPlainText(), pasted);
    }
    form.SetEditorText("");
    paste->trigger();
    QCOMPARE(editor->toPlainText(), QString("\ng Z"));
    clipboard->clear();
  }

  // Alt+letter reaches one thing only: on each page, among the menus, the
  // visible tabs' titles and the visible buttons; in each menu, its items.
  void acceleratorsDoNotClash() {
    TMainForm form(parser_);
    form.show();
    auto unique = [](const QStringList& texts) {
      QMap<QKeySequence, QString> taken;
      for (const QString& text : texts) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty() && taken.contains(key)) {
          qWarning("%s and %s clash", qPrintable(taken[key]), qPrintable(text));
          return false;
        }
        if (!key.isEmpty()) taken[key] = text;
      }
      return true;
    };
    QStringList menus;
    for (QAction* menu : form.menuBar()->actions()) {
      menus << menu->text();
      QStringList items;
      for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>()) items << item->text();
      QVERIFY(unique(items));
    }
    for (int tab = 0; tab < form.Tabs()->count(); ++tab) {
      form.Tabs()->setCurrentIndex(tab);
      QStringList texts = menus;
      for (auto* tabs : form.findChildren<QTabWidget*>())
        for (int i = 0; tabs->isVisible() && i < tabs->count(); ++i) texts << tabs->tabText(i);
      for (auto* button : form.findChildren<QAbstractButton*>())
        if (button->isVisible()) texts << button->text();
      QVERIFY(unique(texts));
    }
    QCOMPARE(form.findChild<QAbstractButton*>("BitBtn2")->text().remove('&'), QString("Step"));
    for (const char* name : {"bt_finish", "BitBtn2", "BitBtn4"})
      QVERIFY2(!QKeySequence::mnemonic(form.findChild<QAbstractButton*>(name)->text()).isEmpty(), name);
  }

  // Finish, Step and Reset stand as far apart as the platform sets a
  // dialog's buttons.
  void runButtonsAreSpacedAsADialogsButtons() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box.show();
    TMainForm form(parser_);
    form.show();
    form.Tabs()->setCurrentIndex(2);
    QApplication::processEvents();
    const QList<QAbstractButton*> ok = box.buttons();  // of one width
    const int gap = std::abs(ok[1]->x() - ok[0]->x()) - ok[0]->width();
    QVERIFY(gap > 0);
    auto* step = form.findChild<QPushButton*>("BitBtn2");
    QCOMPARE(step->x() - form.findChild<QPushButton*>("bt_finish")->geometry().right() - 1, gap);
    QCOMPARE(form.findChild<QPushButton*>("BitBtn4")->x() - step->geometry().right() - 1, gap);
  }

  // Each button of the tool bar is a command of the menus.
  void toolBarHintsInOrder() {
    TMainForm form(parser_);
    auto* bar = form.findChild<QToolBar*>("ToolBar");
    QVERIFY(bar);
    QStringList hints;
    for (QAction* action : bar->actions())
      if (!action->isSeparator()) {
        hints << action->toolTip();
        QVERIFY(!action->icon().isNull());
        // The menu's command itself: one text, keys and enabled state.
        bool inMenu = false;
        for (QObject* holder : action->associatedObjects()) inMenu |= qobject_cast<QMenu*>(holder) != nullptr;
        QVERIFY2(inMenu, qPrintable(action->toolTip()));
      }
    QCOMPARE(hints, QStringList({"New function ...", "Open function ...", "Save function ...",
                                 "Cut to clipboard", "Copy to clipboard", "Paste from clipboard",
                                 "Compile ...", "Show Compiler info ...", "Generate equations ...",
                                 "Load equations ..."}));
  }

  void tabsBannersAndInitialTexts() {
    TMainForm form(parser_);
    QCOMPARE(form.windowTitle(), QString(" Vantorb - on a new file ![*]"));
    QTabWidget* tabs = form.Tabs();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QString("Program"));
    QCOMPARE(tabs->tabText(1), QString("Browser"));
    QCOMPARE(tabs->tabText(2), QString("Simulator"));
    QCOMPARE(tabs->currentIndex(), 0);
    const QString banners[] = {"Partial recursive function program editor", "Function browser",
                               "Neural network computer "};
    for (int i = 0; i < 3; ++i) {
      auto* banner = tabs->widget(i)->findChild<QLabel*>("banner");
      QVERIFY(banner);
      QCOMPARE(banner->text(), banners[i]);
    }
    QCOMPARE(form.findChild<QLabel*>("lb_funcname")->text(), QString("no function."));
    QCOMPARE(form.findChild<QLineEdit*>("ed_Result")->text(), QString("0"));
    QVERIFY(form.findChild<QLineEdit*>("ed_Result")->isReadOnly());
    auto* grid = form.findChild<QTableWidget*>("ParameterGrid");
    QCOMPARE(grid->rowCount(), 6);
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(form.findChild<QWidget*>("SpeedButton20")->toolTip(), QString("Collapsed view"));
    QCOMPARE(form.findChild<QWidget*>("SpeedButton21")->toolTip(), QString("Expanded view"));
  }

  void informationWindowsStartEmpty() {
    TMainForm form(parser_);
    auto* info = form.findChild<vantorb::TCompilerForm*>("TCompilerForm");
    QVERIFY(info);
    QCOMPARE(info->windowTitle(), QString(" Compiler Info"));
    const std::pair<const char*, const char*> fields[] = {
        {"fn", "None"}, {"size", "0"}, {"tf", "None"}, {"decl", "0"}, {"sizen", "0"}, {"sizes", "0"}};
    for (const auto& [name, text] : fields) QCOMPARE(info->findChild<QLabel*>(name)->text(), QString(text));
    auto* error = form.findChild<vantorb::TErrorForm*>("TErrorForm");
    QCOMPARE(error->windowTitle(), QString(" Error!"));
    QCOMPARE(error->findChild<QLabel*>("Error")->text(), QString("Error"));
    QCOMPARE(error->findChild<QLabel*>("heading")->text(), QString("kill( pid, SIG_BUG ) ?"));
  }

  void typingMarksTheTextModified() {
    TMainForm form(parser_);
    QVERIFY(!form.Commands().Modified());
    QTest::keyClicks(form.findChild<QPlainTextEdit*>("Editor"), "f S");
    QVERIFY(form.Commands().Modified());
    QCOMPARE(form.EditorText(), std::string("f S"));
    form.SetEditorText(std::string("caf\xe9 // no UTF-8"));
    QCOMPARE(form.EditorText(), std::string("caf\xe9 // no UTF-8"));  // bytes kept
  }

  void editorMarksErrorLinesAndColoursTheLanguage() {
    TMainForm form(parser_);
    auto* editor = form.findChild<vantorb::ProgramEditor*>("Editor");
    QVERIFY(editor);
    form.SetEditorText("#define f S // one\ng C(S)\nh Z\n");
    form.MarkErrorLine(2);
    QCOMPARE(editor->MarkedLine(), 2);
    QCOMPARE(editor->textCursor().blockNumber(), 1);
    QCOMPARE(editor->extraSelections().size(), qsizetype(1));
    QTest::keyClicks(editor, "x");  // the text changed: the mark goes
    QCOMPARE(editor->MarkedLine(), 0);
    QCOMPARE(editor->extraSelections().size(), qsizetype(0));
    // "#define", "f", "S" and the comment of the first line are coloured apart.
    const QList<QTextLayout::FormatRange> ranges =
        editor->document()->firstBlock().layout()->formats();
    QVector<int> starts;
    for (const auto& range : ranges) starts << range.start;
    QVERIFY(starts.contains(0));   // #define
    QVERIFY(starts.contains(10));  // S
    QVERIFY(starts.contains(12));  // // one
    QVERIFY(editor->LineNumberWidth() > 0);
  }

  // The names are not to be typed over; Tab from the last value goes to
  // Compute; the run fields say what 0 means.
  void parameterGridAndRunFields() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/addition.prv");
    form.show();
    form.Commands().Compile();
    auto* grid = form.findChild<QTableWidget*>("ParameterGrid");
    QCOMPARE(grid->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
      QVERIFY(!(grid->item(row, 0)->flags() & Qt::ItemIsEditable));
    }
    form.Tabs()->setCurrentIndex(1);
    QApplication::setActiveWindow(&form);
    grid->setFocus();
    grid->setCurrentCell(1, 1);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.findChild<QPushButton*>("bt_comp"));
    grid->setFocus();
    grid->setCurrentCell(0, 1);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid));
    QVERIFY(form.findChild<QLineEdit*>("ed_sai")->toolTip().contains("0: no limit"));
    QVERIFY(form.findChild<QLineEdit*>("ed_ss")->toolTip().contains("0: a Step does nothing"));
    auto* stopAfter = form.findChild<QLineEdit*>("ed_sai");
    QVERIFY(stopAfter->width() >= stopAfter->fontMetrics().horizontalAdvance("2000000"));
    // Twelve digits show whole: as wide as the view asks, and all in view.
    form.SetParameterValues({"100000000000", "7"});
    QVERIFY(grid->columnWidth(1) >= static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(1));
    QVERIFY(grid->columnViewportPosition(1) + grid->columnWidth(1) <= grid->viewport()->width());
  }

  void parameterGridKeepsValues() {
    TMainForm form(parser_);
    auto* grid = form.findChild<QTableWidget*>("ParameterGrid");
    grid->setItem(0, 1, new QTableWidgetItem("7"));
    grid->setItem(1, 1, new QTableWidgetItem("8"));
    form.SetParameterNames({"X1"});
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 0)->text(), QString("X1"));
    QCOMPARE(form.ParameterValues(), std::vector<std::string>{"7"});
    form.SetParameterNames({});
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 0)->text(), QString());
  }

  void simulatorTabStartsAtRest() {
    TMainForm form(parser_);
    QCOMPARE(form.findChild<QLineEdit*>("eb_iter")->text(), QString("0"));
    QVERIFY(form.findChild<QLineEdit*>("eb_iter")->isReadOnly());
    QCOMPARE(form.findChild<QLineEdit*>("ed_sai")->text(), QString("1000"));
    QCOMPARE(form.findChild<QLineEdit*>("ed_ss")->text(), QString("1"));
    auto* slider = form.findChild<QSlider*>("TrackBar");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 10);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->toolTip(), QString("Animation speed"));
    const std::pair<const char*, const char*> captions[] = {
        {"bt_finish", "F&inish"}, {"BitBtn2", "S&tep"}, {"BitBtn4", "&Reset"},
        {"bt_comp", "Co&mpute"}, {"bt_check", "Chec&k result"}, {"SpeedButton14", "Step-by-step"}, {"SpeedButton15", "Automatic"},
        {"SpeedButton4", "IN neurons"}, {"SpeedButton8", "OUT neurons"},
        {"SpeedButton24", "Data neurons"}, {"SpeedButton9", "Result neurons"},
        {"SpeedButton10", "Hidden neurons"}, {"bt_none", "&None"}, {"SpeedButton17", "&Set"},
        {"SpeedButton13", "Inspect changing"}, {"bt_all", "Inspect always"}};
    for (const auto& [name, caption] : captions) {
      auto* button = form.findChild<QAbstractButton*>(name);
      QVERIFY2(button, name);
      QCOMPARE(button->text(), QString(caption));
    }
    QVERIFY(form.findChild<QAbstractButton*>("bt_none")->isChecked());
    QVERIFY(form.findChild<QAbstractButton*>("SpeedButton13")->isChecked());
    QVERIFY(form.findChild<QAbstractButton*>("SpeedButton14")->isChecked());
    auto* status = form.findChild<QTableView*>("StatWin");
    QCOMPARE(status->model()->rowCount(), 0);
    QCOMPARE(status->model()->headerData(0, Qt::Horizontal).toString(), QString("Neuron"));
    QCOMPARE(status->model()->headerData(1, Qt::Horizontal).toString(), QString("Output"));
  }

  // Compile an example, type the arguments, Compute, Finish, read the result.
  void computesAnExampleEndToEnd() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/multiplication.prv");
    form.show();
    form.Commands().Compile();
    QCOMPARE(form.Tabs()->currentIndex(), 1);
    auto* grid = form.findChild<QTableWidget*>("ParameterGrid");
    QCOMPARE(grid->rowCount(), 2);
    grid->setItem(0, 1, new QTableWidgetItem("7"));
    grid->setItem(1, 1, new QTableWidgetItem("6"));
    auto* compute = form.findChild<QPushButton*>("bt_comp");
    QTest::mouseClick(compute, Qt::LeftButton);
    QVERIFY(compute->isChecked());
    QCOMPARE(form.Tabs()->currentIndex(), 2);
    QCOMPARE(form.findChild<QLineEdit*>("eb_iter")->text(), QString("1"));
    QTest::mouseClick(form.findChild<QPushButton*>("bt_finish"), Qt::LeftButton);
    QCOMPARE(form.findChild<QLineEdit*>("ed_Result")->text(), QString("42"));
    QTest::mouseClick(form.findChild<QPushButton*>("bt_finish"), Qt::LeftButton);
    QVERIFY(!form.findChild<QPushButton*>("bt_finish")->isChecked());  // idle: nothing
    QVERIFY(!compute->isChecked());
    QCOMPARE(form.Tabs()->currentIndex(), 1);
    QVERIFY(!form.findChild<QPushButton*>("bt_finish")->isChecked());
  }

  // Closing the window during a Finish that would never end stops the run,
  // so that the event loop, and with it the program, can end.
  void closingDuringFinishStopsTheRun() {
    QTemporaryDir dir;
    const QString file = dir.filePath("endless.prv");
    {
      QFile out(file);
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write("f M(C(U(2,2), S))\n");  // min y with y + 1 = 0: never found
    }
    TMainForm form(parser_);
    form.ScriptDialogs(file.toStdString());
    form.show();
    form.Commands().Compile();
    form.SetParameterValues({"1"});
    // A limit far beyond any leap: the search's values, kept in the
    // neurons for the waveforms, stop growing by leaps at the cap of what
    // a neuron shows, long before it, so only the closing ends the run.
    form.findChild<QLineEdit*>("ed_sai")->setText("9000000000000000000");
    form.findChild<QAbstractButton*>("SpeedButton9")->click();  // "res"
    auto* compute = form.findChild<QPushButton*>("bt_comp");
    QTest::mouseClick(compute, Qt::LeftButton);
    QVERIFY(compute->isChecked());
    QTimer::singleShot(100, &form, [&form] { form.close(); });
    QTest::mouseClick(form.findChild<QPushButton*>("bt_finish"), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(!compute->isChecked());
    QVERIFY(form.Commands().Sim().Iteration() < 9000000000000000000);
  }

  void waveformsFollowARunAndShowEquations() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/addition.prv");
    form.show();
    form.Commands().Compile();
    form.SetParameterValues({"1", "2"});
    form.findChild<QAbstractButton*>("SpeedButton9")->click();  // "res"
    QTest::mouseClick(form.findChild<QPushButton*>("bt_comp"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("bt_finish"), Qt::LeftButton);
    QCOMPARE(form.findChild<QLineEdit*>("ed_Result")->text(), QString("3"));
    auto* tabs = form.findChild<QTabWidget*>("StatusTabs");
    QVERIFY(tabs);
    QCOMPARE(tabs->tabText(1), QString("Waveforms"));
    tabs->setCurrentIndex(1);
    auto* panel = tabs->widget(1);
    QVERIFY(!panel->grab().isNull());  // paints the traces
    QVERIFY(form.Commands().Sim().Waves().Traces().size() > 0);
    QTest::mouseClick(static_cast<QAbstractScrollArea*>(panel)->viewport(), Qt::LeftButton,
                      {}, QPoint(200, vantorb::WaveformPanel::kAxisHeight + 10));
    QVERIFY(form.findChild<QPlainTextEdit*>("eq_memo")->toPlainText().contains("res"));
  }

  // Without traces the Waveforms tab says what to do, whole and clear of
  // the view's edges at the window's opening size.
  void waveformsHintShowsWholeAtTheOpeningSize() {
    TMainForm form(parser_);
    form.show();
    form.Tabs()->setCurrentIndex(2);
    auto* panel = form.findChild<vantorb::WaveformPanel*>("Waveforms");
    form.findChild<QTabWidget*>("StatusTabs")->setCurrentWidget(panel);
    const QImage image = panel->viewport()->grab().toImage();
    QRect ink;  // darker than the grid lines, below the axis
    for (int y = vantorb::WaveformPanel::kAxisHeight; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
    QVERIFY(!ink.isEmpty());
    QVERIFY(image.rect().adjusted(4, 4, -4, -4).contains(ink));
  }

  void drawsTheNetworkOfTheSelectedFunction() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/addition.prv");
    form.Commands().Compile();
    QTest::mouseClick(form.findChild<QPushButton*>("bt_picture"), Qt::LeftButton);
    const QSize whole = form.LastPicture().size();
    QVERIFY(whole.width() > 100 && whole.height() > 100);
    auto* tree = form.findChild<QTreeView*>("TreeView");
    tree->expandAll();
    const QModelIndex successor = tree->model()->index(0, 0, tree->model()->index(1, 0,
        tree->model()->index(0, 0, tree->model()->index(0, 0))));
    tree->setCurrentIndex(successor.isValid() ? successor : tree->model()->index(0, 0));
    QTest::mouseClick(form.findChild<QPushButton*>("bt_picture"), Qt::LeftButton);
    QVERIFY(!form.LastPicture().isNull());
    QVERIFY(form.LastPicture().width() * form.LastPicture().height() <
            whole.width() * whole.height());  // a part draws smaller
  }

  void statusWindowListsNeuronsWithHints() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/addition.prv");
    form.Commands().Compile();
    form.SetParameterValues({"2", "3"});
    form.findChild<QAbstractButton*>("bt_all")->click();
    form.findChild<QAbstractButton*>("SpeedButton24")->click();  // "data"
    QTest::mouseClick(form.findChild<QPushButton*>("bt_comp"), Qt::LeftButton);
    auto* status = form.findChild<QTableView*>("StatWin");
    QVERIFY(status->model()->rowCount() > 0);
    QAbstractItemModel* model = status->model();
    int coded = -1;
    for (int row = 0; row < model->rowCount() && coded < 0; ++row)
      if (model->index(row, 1).data().toString() == "0.11110000") coded = row;
    QVERIFY(coded >= 0);  // the held y of add(2, 3)
    QCOMPARE(model->index(coded, 1).data(Qt::ToolTipRole).toString(), QString("0.11110000 (3)"));
    QVERIFY(!model->index(coded, 0).data(Qt::ToolTipRole).isValid());
    // A name too long for its column shows elided, and whole as its tool tip.
    form.Tabs()->setCurrentIndex(2);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QModelIndex name = model->index(coded, 0);
    const QString whole = name.data().toString();
    auto tipOver = [&](int width) {
      status->setColumnWidth(0, width);
      QToolTip::hideText();
      const QPoint at = status->visualRect(name).center();
      QHelpEvent help(QEvent::ToolTip, at, status->viewport()->mapToGlobal(at));
      QApplication::sendEvent(status->viewport(), &help);
      return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipOver(200), QString());
    QCOMPARE(tipOver(status->fontMetrics().horizontalAdvance(whole) / 2), whole);
    QCOMPARE(status->textElideMode(), Qt::ElideRight);
  }

  // The title shows the caption, and Qt's mark while the text is unsaved.
  void titleMarksUnsavedChanges() {
    QTemporaryDir dir;
    const QString file = dir.filePath("odd[*]name.prv");  // "[*]" shown as written
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    const QString equations = dir.filePath("n.equ");
    QFile network(equations);
    QVERIFY(network.open(QIODevice::WriteOnly));
    network.write("XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\nXSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n");
    network.close();
    TMainForm form(parser_);
    form.ScriptDialogs({});  // the information window is not shown
    form.winId();
    auto* editor = form.findChild<QPlainTextEdit*>("Editor");
    const std::pair<std::function<void()>, QString> steps[] = {
        {[] {}, " Vantorb - on a new file !"},
        {[&] { QTest::keyClicks(editor, "g Z"); }, " Vantorb - on a new file !*"},
        {[&] { form.Commands().OpenAtStart(file.toStdString()); }, " Vantorb - " + file},
        {[&] { QTest::keyClicks(editor, "x"); }, " Vantorb - " + file + "*"},
        {[&] { form.Commands().SaveFile(); }, " Vantorb - " + file},
        // Typing, then undoing back to the saved text: unsaved, then not.
        {[&] { QTest::keyClicks(editor, "yz"); }, " Vantorb - " + file + "*"},
        {[&] { editor->undo(); }, " Vantorb - " + file},
        {[&] { editor->redo(); }, " Vantorb - " + file + "*"},
        // The mark is the program's: the network's file comes after it.
        {[&] { form.Commands().OpenAtStart(equations.toStdString()); },
         " Vantorb - " + file + "*" + QString::fromUtf8("  \u2014  network: ") + equations},
    };
    for (const auto& [run, title] : steps) {
      run();
      QCOMPARE(form.windowHandle()->title(), title);
    }
    QVERIFY(form.Commands().Modified());
    editor->undo();
    QVERIFY(!form.Commands().Modified());
  }

  // A recent file that cannot be read leaves the menu and the settings.
  void recentFilesForgetAFileThatCannotBeRead() {
    QTemporaryDir dir;
    const QString kept = dir.filePath("kept.prv"), gone = dir.filePath("gone.prv");
    QSettings("Vantorb", "vantorb").setValue("recentFiles", QStringList{gone, kept});
    TMainForm form(parser_);
    form.ScriptDialogs({});  // the error message is not shown
    auto* recent = form.findChild<QMenu*>("RecentFiles");
    QCOMPARE(recent->actions().size(), qsizetype(2));
    recent->actions().front()->trigger();  // gone
    QCOMPARE(recent->actions().size(), qsizetype(1));
    QCOMPARE(recent->actions().front()->text(), kept);
    QCOMPARE(QSettings("Vantorb", "vantorb").value("recentFiles").toStringList(), QStringList{kept});
  }

  // "Copy value" and Ctrl+C copy a long value whole, not the shortened
  // text the status window shows.
  // Each edit and compiler command on the tool bar shows an icon of what it
  // does, not a stand-in of the style's (a bin for Cut, a magnifier for Copy).
  void toolBarIconsMatchTheirCommands() {
    TMainForm form(parser_);
    const std::pair<const char*, QStyle::StandardPixmap> stand_ins[] = {
        {"N1", QStyle::SP_TrashIcon},
        {"Copy1", QStyle::SP_FileDialogContentsView},
        {"Paste1", QStyle::SP_FileDialogDetailedView},
        {"BuildNeuralNetwork1", QStyle::SP_MediaPlay},
        {"ProduceDynamicES1", QStyle::SP_FileDialogNewFolder},
        {"LoadEquations1", QStyle::SP_FileDialogStart},
        {"NewFunction1", QStyle::SP_FileIcon}};
    for (const auto& [name, standIn] : stand_ins) {
      auto* action = form.findChild<QAction*>(name);
      QVERIFY2(action, name);
      const QImage icon = action->icon().pixmap(20, 20).toImage();
      QVERIFY2(!icon.isNull(), name);
      QVERIFY2(icon != form.style()->standardIcon(standIn).pixmap(20, 20).toImage(), name);
    }
  }

  // A Yes/No question (a file that does not look like text) defaults to No.
  void yesNoQuestionsDefaultToNo() {
    QMessageBox box;
    vantorb::SetAnswerButtons(box, vantorb::Answers::YesNo);
    QCOMPARE(box.defaultButton(), box.button(QMessageBox::No));
    QVERIFY(box.button(QMessageBox::Yes) != nullptr);
  }

  void copyValueCopiesTheWholeValue() {
    TMainForm form(parser_);
    form.ScriptDialogs(VANTORB_EXAMPLES_DIR "/addition.prv");
    form.show();
    form.Commands().Compile();
    form.SetParameterValues({"3000", "3"});
    form.findChild<QAbstractButton*>("bt_all")->click();
    form.findChild<QAbstractButton*>("SpeedButton24")->click();  // "data"
    QTest::mouseClick(form.findChild<QPushButton*>("bt_comp"), Qt::LeftButton);
    form.Tabs()->setCurrentIndex(2);
    auto* status = form.findChild<QTableView*>("StatWin");
    QAbstractItemModel* model = status->model();
    int longRow = -1;
    for (int row = 0; row < model->rowCount() && longRow < 0; ++row)
      if (model->index(row, 1).data().toString().contains("digits")) longRow = row;
    QVERIFY(longRow >= 0);
    const std::string whole =
        form.Commands().Sim().StatusValue(static_cast<std::size_t>(longRow)).value_or("");
    QVERIFY(whole.size() > 3000);
    // At the opening size the long value's short form shows whole.
    QCOMPARE(form.size(), TMainForm::kOpeningSize);
    QApplication::processEvents();
    const QModelIndex cell = model->index(longRow, 1);
    QVERIFY2(status->sizeHintForIndex(cell).width() <= status->columnWidth(1),
             qPrintable(cell.data().toString()));
    for (const int column : {0, 1}) {
      for (const bool byKey : {false, true}) {
        QGuiApplication::clipboard()->clear();
        status->setCurrentIndex(model->index(longRow, column));
        status->setFocus();
        if (byKey) {
          QTest::keySequence(status, QKeySequence::Copy);
        } else {
          status->findChild<QAction*>("CopyValue")->trigger();
        }
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY2(copied.toStdString() == whole,
                 qPrintable(QString("column %1, %2: %3").arg(column).arg(byKey ? "key" : "action").arg(copied.left(60))));
      }
    }
  }

  // At the smallest size no widget of a page covers another or leaves its
  // parent; the views take the room the window gains, the controls keep
  // their size.
  void resizesWithoutOverlapDownToItsMinimum() {
    TMainForm form(parser_);
    QCOMPARE(form.size(), TMainForm::kOpeningSize);
    const int valueColumn = form.findChild<QTableWidget*>("ParameterGrid")->columnWidth(1);
    QVERIFY(form.minimumSize().width() < form.maximumSize().width() &&
            form.minimumSize().height() < form.maximumSize().height());
    QCOMPARE(form.minimumSize().boundedTo(TMainForm::kOpeningSize), form.minimumSize());
    form.show();
    form.resize(form.minimumSize());
    for (int tab = 0; tab < form.Tabs()->count(); ++tab) {
      form.Tabs()->setCurrentIndex(tab);
      QApplication::processEvents();
      QWidget* page = form.Tabs()->widget(tab);
      for (QWidget* parent : QList<QWidget*>{page} + page->findChildren<QWidget*>()) {
        if (!parent->isVisible() || parent->layout() == nullptr) continue;  // laid out by us
        QList<QWidget*> shown;
        for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
          if (child->isVisible() && !child->isWindow()) shown << child;
        for (int i = 0; i < shown.size(); ++i) {
          const QString name = QString("tab %1: %2").arg(tab).arg(shown[i]->metaObject()->className());
          QVERIFY2(parent->rect().contains(shown[i]->geometry()), qPrintable(name));
          for (int j = i + 1; j < shown.size(); ++j)
            QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()), qPrintable(name));
        }
      }
    }
    // The views take the room, the controls keep their size.
    const std::tuple<int, const char*, bool, bool> parts[] = {  // tab, name, wider, taller
        {0, "Editor", true, true},  {1, "TreeView", true, true}, {1, "ParameterGrid", false, true},
        {1, "bt_comp", false, false}, {2, "StatWin", true, true},  {2, "eq_memo", true, true},
        {2, "BitBtn2", false, false}, {2, "ed_sai", false, false}, {2, "SpeedButton24", false, false},
    };
    auto measure = [&] {
      QMap<QString, QSize> sizes;
      for (const auto& [tab, name, wider, taller] : parts) {
        form.Tabs()->setCurrentIndex(tab);
        QApplication::processEvents();
        sizes[name] = form.findChild<QWidget*>(name)->size();
      }
      return sizes;
    };
    // The tabs reach the status bar, and it the window's edge: no strip of
    // the window's own below.
    QCOMPARE(form.Tabs()->geometry().bottom() + 1, form.statusBar()->geometry().top());
    QCOMPARE(form.statusBar()->geometry().bottom(), form.rect().bottom());
    QCOMPARE(form.Tabs()->geometry().width(), form.width());
    const QMap<QString, QSize> small = measure();
    // The status window keeps the names' column and the start of the values.
    auto* status = form.findChild<QTableView*>("StatWin");
    QVERIFY2(status->viewport()->width() >= status->columnWidth(0) + 80,
             qPrintable(QString::number(status->viewport()->width())));
    form.resize(form.minimumSize() + QSize(200, 150));
    const QMap<QString, QSize> large = measure();
    for (const auto& [tab, name, wider, taller] : parts) {
      const QSize growth = large[name] - small[name];
      QVERIFY2(wider ? growth.width() > 0 : growth.width() == 0, name);
      QVERIFY2(taller ? growth.height() > 0 : growth.height() == 0, name);
    }
    auto* grid = form.findChild<QTableWidget*>("ParameterGrid");
    QCOMPARE(grid->columnWidth(0), 64);
    QCOMPARE(grid->columnWidth(1), valueColumn);
  }

  void remembersItsPlaceAndMaximises() {
    const QSize moved = TMainForm::kOpeningSize + QSize(60, 40);
    {
      TMainForm form(parser_);
      form.show();
      form.resize(moved);
      QVERIFY(form.close());
    }
    TMainForm again(parser_);
    QCOMPARE(again.size(), moved);
    again.showMaximized();
    QTRY_VERIFY(again.isMaximized());
  }

  // The extension a typed name takes follows the filter the dialog shows.
  void fileDialogSuffixFollowsTheFilter() {
    const QStringList& filters = vantorb::NameFilters();
    const std::pair<QString, QString> suffixes[] = {
        {filters[0], "prv"}, {filters[1], "equ"}, {filters[2], ""}, {"Traces (*.csv)", "csv"},
        {"Pictures (*.png *.jpg)", "png"}, {"Pictures (*.PNG *.jpg *.png)", "png"},
        {"Tables (*.CSV)", "CSV"}, {"Any (*.*)", ""}, {"Backups (*~)", ""}, {"None", ""}};
    for (const auto& [filter, suffix] : suffixes) QCOMPARE(vantorb::DefaultSuffix(filter), suffix);

    QTemporaryDir dir;
    const QString twice = dir.filePath("twice.prv");
    QFile out(twice);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    vantorb::PrepareFileDialog(dialog, true, filters[1], twice);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.selectedNameFilter(), filters[1]);
    QCOMPARE(dialog.defaultSuffix(), QString("equ"));
    QCOMPARE(dialog.selectedFiles().value(0), twice);
    for (const auto& [filter, suffix] : {std::pair<QString, QString>{filters[2], ""}, {filters[0], "prv"}}) {
      emit dialog.filterSelected(filter);  // as the user's choice in the dialog
      QCOMPARE(dialog.defaultSuffix(), suffix);
    }
    QFileDialog save;  // a name typed bare, under Proof files
    save.setOption(QFileDialog::DontUseNativeDialog);
    vantorb::PrepareFileDialog(save, true, filters[0], dir.filePath("prog"));
    QCOMPARE(save.selectedFiles().value(0), dir.filePath("prog.prv"));
  }

  // The built-in icon really draws (Qt reads SVG only through its plugin):
  // the rounded square opaque in the middle, its corner left clear.
  void applicationIconDrawsAtMenuAndWindowSizes() {
    const QIcon icon = vantorb::ApplicationIcon();
    QVERIFY(!icon.isNull());
    for (const int size : {16, 32, 64, 256}) {
      const QImage image = icon.pixmap(size, size).toImage();
      QCOMPARE(image.size(), QSize(size, size));
      QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 255);
      QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
  }

  void zoomStepsAndFit() {
    const std::tuple<QSizeF, QSizeF, double> fits[] = {  // picture, viewport, scale
        {{2000, 1000}, {500, 500}, 0.25}, {{1000, 2000}, {500, 800}, 0.4},
        {{100, 100}, {500, 500}, 1.0} /* never enlarged */, {{}, {500, 500}, 1.0}};
    for (const auto& [picture, viewport, scale] : fits)
      QCOMPARE(vantorb::FitScale(picture, viewport), scale);
    struct Zoom {
      double scale;
      int steps;
      double fitted, zoomed;
    };
    const Zoom zooms[] = {
        {0.5, 1, 0.5, 0.625},  {0.5, 2, 0.5, 0.78125}, {0.625, -1, 0.5, 0.5},
        {0.5, -1, 0.5, 0.5},   {1.0, -9, 0.2, 0.2},    {6.0, 3, 0.2, vantorb::kMostZoom},
        {0.1, 1, 0.5, 0.5},  // the window grew since: back to the whole picture
    };
    for (const auto& zoom : zooms)
      QCOMPARE(vantorb::ZoomedScale(zoom.scale, zoom.steps, zoom.fitted), zoom.zoomed);
  }

  // A picture laid out by Graphviz opens whole in its window, zooms by the
  // steps around the pointer, and Fit brings the whole back.
  void networkPictureOpensFittedAndZooms() {
    QString dot = "digraph g { rankdir=LR; subgraph cluster_0 { label=\"f\";";
    for (int row = 0; row < 8; ++row)
      for (int column = 0; column + 1 < 8; ++column)
        dot += QString(" n%1_%2 -> n%1_%3 [label=\"1.0\"];").arg(row).arg(column).arg(column + 1);
    dot += " } }";
    const std::unique_ptr<QGraphicsScene> scene = vantorb::DrawDot(dot.toStdString());
    vantorb::NetworkPictureDialog dialog(" Network of f", *scene, nullptr);
    dialog.resize(420, 320);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    vantorb::NetworkPictureView* view = dialog.View();
    auto whole = [view] { return view->mapFromScene(view->sceneRect()).boundingRect(); };
    const double fitted = view->FittedScale(), step = vantorb::kZoomStep;
    QVERIFY(fitted < 1);
    QCOMPARE(view->Scale(), fitted);
    QVERIFY(view->viewport()->rect().contains(whole()));
    auto wheel = [view](int notches, Qt::KeyboardModifiers modifiers) {
      QWheelEvent event(QPointF(50, 50), view->viewport()->mapToGlobal(QPointF(50, 50)), {},
                        {0, notches * QWheelEvent::DefaultDeltasPerStep}, Qt::NoButton,
                        modifiers, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view->viewport(), &event);
    };
    const std::pair<std::function<void()>, double> zooms[] = {
        {[&] { QTest::keyClick(view, Qt::Key_Plus); }, fitted * step},
        {[&] { QTest::keyClick(view, Qt::Key_Minus); }, fitted},
        {[&] { QTest::keyClick(view, Qt::Key_Minus); }, fitted},  // no smaller than the whole
        {[&] { wheel(2, Qt::ControlModifier); }, fitted * step * step},
        {[&] { wheel(1, Qt::NoModifier); }, fitted * step * step},  // scrolls only
    };
    for (const auto& [zoom, scale] : zooms) {
      zoom();
      QCOMPARE(view->Scale(), scale);
    }

    // Zoomed far enough in both directions, the point under the pointer stays.
    const QPointF pointer(100, 80);
    const QPointF before = view->mapToScene(pointer.toPoint());
    view->ZoomAround(pointer, 6);
    QVERIFY(view->horizontalScrollBar()->maximum() > 0 && view->verticalScrollBar()->maximum() > 0);
    const QPointF after = view->mapFromScene(before);
    QVERIFY2(std::abs(after.x() - pointer.x()) <= 2 && std::abs(after.y() - pointer.y()) <= 2,
             qPrintable(QString("%1, %2").arg(after.x()).arg(after.y())));

    QTest::mouseClick(dialog.findChild<QPushButton*>("bt_fit"), Qt::LeftButton);
    QCOMPARE(view->Scale(), view->FittedScale());
    QVERIFY(view->Fitted());
    QVERIFY(view->viewport()->rect().contains(whole()));
    dialog.resize(600, 450);  // fitted, it follows the window
    QTRY_COMPARE(view->Scale(), view->FittedScale());
    QVERIFY(view->Scale() > fitted);
  }

  // A picture window opens over the middle of the main window, wherever
  // that stands, as far as the screen lets it.
  void networkPictureOpensCentredOnTheWindow() {
    TMainForm form(parser_);
    form.move(60, 50);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Long chains side by side: a wide picture, flat once shrunk to the
    // screen, wants a window no taller than itself.
    QString dot = "digraph g { rankdir=LR;";
    for (int row = 0; row < 12; ++row)
      for (int node = 0; node < 60; ++node)
        dot += QString(" n%1_%2 -> n%1_%3;").arg(row).arg(node).arg(node + 1);
    const std::unique_ptr<QGraphicsScene> scene = vantorb::DrawDot((dot + " }").toStdString());
    vantorb::NetworkPictureDialog dialog(" Network of f", *scene, &form);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.height(), 360);
    const QPoint offset = dialog.frameGeometry().center() - form.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString("%1, %2").arg(offset.x()).arg(offset.y())));
  }

  // "vantorb FILE.EQU": the window is up before the file is loaded, so the
  // information window the load brings (a child of it) comes over it.
  void equationFileNamedAtStartOpensOverTheWindow() {
    QTemporaryDir dir;
    const QString file = dir.filePath("s.EQU");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\nXSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n");
    out.close();
    TMainForm form(parser_);
    form.ScriptDialogs(file.toStdString());  // the information window is not shown
    form.ShowAndOpen(file.toStdString());
    QVERIFY(form.isVisible());
    QCOMPARE(form.Commands().Current(), nullptr);
    QTRY_VERIFY(form.Commands().Current() != nullptr);
    QCOMPARE(form.Commands().Info().fileName, std::string("s.EQU"));
    QCOMPARE(form.CompilerForm()->parentWidget(), &form);
  }

  void unreadablePictureTextIsAnError() {
    QVERIFY_THROWS_EXCEPTION(vantorb::NeuroException, vantorb::DrawDot("digraph { a -> "));
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
