// The window's wiring under the offscreen platform: menus and shortcuts,
// tool bar hints, tabs, banners and initial texts. No dialog is opened.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

#include "language/parser_interface.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/main_form.hpp"

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
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
