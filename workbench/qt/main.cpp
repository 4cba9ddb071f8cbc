// vantorb: the workbench window.
//   vantorb [FILE.PRV]                      opens the program in the editor
//   vantorb FILE.EQU                        loads the equations as the target
//   vantorb --screenshots DIR FILE.PRV      compiles the program and saves
//                                           a picture of every tab and of a
//                                           long run being watched into DIR
//   vantorb --help | --version              answers without opening a window

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include <iostream>
#include <optional>
#include <string_view>
#include <utility>

#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"
#include "network/utils.hpp"
#include "workbench/qt/application_identity.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/main_form.hpp"

namespace {

// The manual page is made from this text and the version line by help2man,
// so both keep its layout: a usage line, paragraphs, options indented.
constexpr const char* kHelpText =
    "Usage: vantorb [OPTION]... [FILE]\n"
    "Open the Vantorb workbench: write programs of partial recursive functions,\n"
    "compile them into networks of saturated-linear neurons and run them step by\n"
    "step, automatically or to the end, watching the neurons' values.\n"
    "\n"
    "FILE, when named, is a program (.PRV), opened in the editor, or a file of\n"
    "dynamic equations (.EQU), loaded as the target.\n"
    "\n"
    "  -h, --help          display this help and exit\n"
    "      --version       output version information and exit\n"
    "      --screenshots DIR FILE\n"
    "                      compile the program FILE, compute 3 x 2 with it, save a\n"
    "                      picture of every tab and of 1000000 x 1000000 being\n"
    "                      watched into DIR and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are accepted too.\n";

// The text that --help or --version asks for, when the command line is just
// that: answered before QApplication exists, these need no display, and the
// manual page is made from them while building.
std::optional<std::string_view> InformationAnswer(int argc, char** argv) {
  if (argc != 2) return std::nullopt;
  const std::string_view option = argv[1];
  if (option == "--help" || option == "-h") return kHelpText;
  if (option == "--version") return "vantorb " VANTORB_VERSION "\n";
  return std::nullopt;
}

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
  // A long run being watched: 10^6 x 10^6 with the data neurons listed and
  // recorded, caught a moment into Finish (in the status window, then in
  // the waveforms), then stopped.
  form.SetParameterValues({"1000000", "1000000"});
  form.findChild<QLineEdit*>("ed_sai")->setText("0");
  for (const auto& [tab, name] : {std::pair{0, "watched"}, std::pair{1, "watched-waveforms"}}) {
    sim.Compute();
    form.Tabs()->setCurrentIndex(2);
    views->setCurrentIndex(tab);
    bool watched = false;
    QTimer::singleShot(250, &form, [&, name = QString(name)] {
      watched = form.grab().save(dir + "/" + name + ".png");
      sim.Interrupt();
    });
    sim.Finish();
    if (!watched) return 1;
  }
  views->setCurrentIndex(0);
  form.CompilerForm()->show();
  QApplication::processEvents();
  return form.CompilerForm()->grab().save(dir + "/compiler-info.png") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto answer = InformationAnswer(argc, argv)) {
    try {
      vantorb::StandardOutput output;
      output.Append(*answer);
      output.Commit();
      return 0;
    } catch (const vantorb::NeuroException& error) {
      std::cerr << "vantorb: " << error.what() << "\n";
      return 2;
    }
  }
  QApplication app(argc, argv);
  QApplication::setWindowIcon(vantorb::ApplicationIcon());
  QGuiApplication::setDesktopFileName(vantorb::kApplicationId);
  vantorb::CreateParserInterface();
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  int status = 0;
  {
    vantorb::TMainForm form(*vantorb::parserInterface);
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == "--screenshots") {
      status = SaveScreenshots(form, args[2], args[3]);
    } else {
      if (args.size() >= 2) {
        form.ShowAndOpen(args[1].toStdString());
      } else {
        form.show();
      }
      status = QApplication::exec();
    }
  }
  vantorb::FreeParserInterface();
  return status;
}
