// vantorb: the workbench window.
//   vantorb [FILE.PRV]                      opens the program in the editor
//   vantorb --screenshots DIR FILE.PRV      compiles the program and saves
//                                           a picture of every tab into DIR

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "language/parser_interface.hpp"
#include "network/utils.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/main_form.hpp"

namespace {

int SaveScreenshots(vantorb::TMainForm& form, const QString& dir,
                    const QString& program) {
  QDir().mkpath(dir);
  form.Commands().OpenAtStart(program.toStdString());
  form.ScriptDialogs(program.toStdString());
  // The window as it first opens, whatever size the user's settings hold.
  form.resize(vantorb::TMainForm::kOpeningSize);
  form.show();
  QApplication::processEvents();
  form.Commands().Compile();
  form.Commands().ExpandTree();
  auto shoot = [&](int tab, const QString& name) {
    form.Tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
    return form.grab().save(dir + "/" + name + ".png");
  };
  if (!shoot(0, "program")) return 1;
  // The picture of a small part: the composition inside the addition.
  auto* tree = form.findChild<QTreeView*>("TreeView");
  const QModelIndexList parts = tree->model()->match(
      tree->model()->index(0, 0), Qt::DisplayRole, "C", -1, Qt::MatchExactly | Qt::MatchRecursive);
  if (!parts.isEmpty()) tree->setCurrentIndex(parts.back());
  form.Commands().DrawNetworkPicture();
  if (!form.LastPicture().save(dir + "/network.png")) return 1;
  // A run under way: the data neurons of 3 x 2, inspected always.
  vantorb::Simulator& sim = form.Commands().Sim();
  form.SetParameterValues({"3", "2"});
  form.findChild<QAbstractButton*>("bt_all")->click();
  form.findChild<QAbstractButton*>("SpeedButton24")->click();
  sim.Compute();
  for (int step = 0; step < 40; ++step) sim.Step();
  if (!shoot(2, "simulator")) return 1;
  auto* views = form.findChild<QTabWidget*>("StatusTabs");
  views->setCurrentIndex(1);
  if (!shoot(2, "waveforms")) return 1;
  views->setCurrentIndex(0);
  // The same run with the window as large as the screen allows: the status
  // window and the equation pane take the room.
  const QRect opening = form.geometry();
  form.setGeometry(form.screen()->availableGeometry());
  if (!shoot(2, "maximised")) return 1;
  form.setGeometry(opening);
  sim.Finish();
  if (!shoot(1, "browser")) return 1;
  form.CompilerForm()->show();
  QApplication::processEvents();
  return form.CompilerForm()->grab().save(dir + "/compiler-info.png") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantorb::CreateParserInterface();
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  int status = 0;
  {
    vantorb::TMainForm form(*vantorb::parserInterface);
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == "--screenshots") {
      status = SaveScreenshots(form, args[2], args[3]);
    } else {
      if (args.size() >= 2) form.Commands().OpenAtStart(args[1].toStdString());
      form.show();
      status = QApplication::exec();
    }
  }
  vantorb::FreeParserInterface();
  return status;
}
