// The window's wiring under the offscreen platform: menus and shortcuts,
// tool bar hints, tabs, banners and initial texts. No dialog is opened.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTreeView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "language/parser_interface.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/main_form.hpp"
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
  void menuCaptionsAndShortcuts() {
    TMainForm form(parser_);
    struct Item {
      const char* name;
      const char* text;
      QKeySequence key;
    };
    const Item items[] = {
        {"NewFunction1", "&New File", {}},
        {"LoadFunction1", "&Load File ...", QKeySequence(Qt::Key_F3)},
        {"SaveFunction1", "&Save File ...", QKeySequence(Qt::Key_F2)},
        {"S1", "Save &As ...", {}},
        {"Exit1", "E&xit", {}},
        {"N1", "Cu&t", QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
        {"Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_Insert)},
        {"Paste1", "&Paste", QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
        {"Selectall1", "&Select all", {}},
        {"BuildNeuralNetwork1", "&Build Neural Network", QKeySequence(Qt::Key_F9)},
        {"ShowCompilerInfo1", "&Show Compiler Info ...", {}},
        {"ProduceDynamicES1", "&Generate Equations ...", QKeySequence(Qt::CTRL | Qt::Key_F9)},
        {"LoadEquations1", "&Load Equations ...", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"About1", "&About", {}},
    };
    for (const auto& item : items) {
      QAction* action = Action(form, item.name);
      QVERIFY(action);
      QCOMPARE(action->text(), QString(item.text));
      QCOMPARE(action->shortcut(), item.key);
    }
    QStringList menus;
    for (QAction* action : form.menuBar()->actions()) menus << action->text();
    QCOMPARE(menus, QStringList({"&File", "&Edit", "&Compiler", "&About"}));
  }

  void toolBarHintsInOrder() {
    TMainForm form(parser_);
    auto* bar = form.findChild<QToolBar*>("ToolBar");
    QVERIFY(bar);
    QStringList hints;
    for (QAction* action : bar->actions())
      if (!action->isSeparator()) hints << action->toolTip();
    QCOMPARE(hints, QStringList({"New function ...", "Open function ...", "Save function ...",
                                 "Cut to clipboard", "Copy to clipboard", "Paste from clipboard",
                                 "Compile ...", "Show Compiler info ...", "Generate equations ...",
                                 "Load equations ..."}));
  }

  void tabsBannersAndInitialTexts() {
    TMainForm form(parser_);
    QCOMPARE(form.windowTitle(), QString(" Vantorb - on a new file !"));
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
        {"bt_finish", "Finish"}, {"BitBtn2", "St&ep"}, {"BitBtn4", "&Reset"},
        {"bt_comp", "Compute"}, {"SpeedButton14", "Step-by-step"}, {"SpeedButton15", "Automatic"},
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
    form.findChild<QLineEdit*>("ed_sai")->setText("2000000");
    auto* compute = form.findChild<QPushButton*>("bt_comp");
    QTest::mouseClick(compute, Qt::LeftButton);
    QVERIFY(compute->isChecked());
    QTimer::singleShot(100, &form, [&form] { form.close(); });
    QTest::mouseClick(form.findChild<QPushButton*>("bt_finish"), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(!compute->isChecked());
    QVERIFY(form.Commands().Sim().Iteration() < 2000000);
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
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
