// The cost of watching a run: Finish in the window (offscreen) against the
// same run without a window, in one process, so that the ratio holds on a
// shared machine. Prints one line per view:
//   window_bench [PROGRAM.PRV ARG ARG]   (default: multiplication 60 x 60)
// The window shows nothing inspected, or the 22 data neurons of the
// multiplication listed always (recorded as waveforms too, which takes every
// value of every iteration); the run is timed from Finish to the result.
// Two more rows: one Step of 2,000,000 iterations (past the end of the
// runs measured) with nothing inspected, and a Finish with the data
// neurons recorded until None is chosen 0.1 s into the run.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "language/parser_interface.hpp"
#include "simulation/network_run.hpp"
#include "workbench/qt/main_form.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The run alone, as vantorb-cli run does it.
double Unwatched(const std::string& program, const std::vector<std::string>& arguments,
                 std::string& result) {
  vantorb::NParserInterface parser;
  const auto network = vantorb::CompileProgramFile(parser, program);
  // Step by step, as every watched run goes: the event engine.
  vantorb::NetworkRun run(vantorb::EngineKind::Event);
  const auto start = Clock::now();
  run.Start(*network, arguments);
  run.LeaveNeuronsBehind(true);
  while (run.Tick(1000, 100'000'000) == vantorb::RunStatus::Running) {
  }
  run.LeaveNeuronsBehind(false);
  result = run.Result();
  return Seconds(start);
}

// Finish in the window with one tab in front (the status window's tab
// shows the status window or the waveforms), the data neurons inspected or
// none.
double Watched(const std::string& program, const std::vector<std::string>& arguments,
               int tab, int statusTab, bool inspect, bool step, bool none,
               std::string& result) {
  vantorb::NParserInterface parser;
  vantorb::TMainForm form(parser);
  form.ScriptDialogs(program);
  form.show();
  form.Commands().Compile();
  form.SetParameterValues(arguments);
  if (inspect) {
    form.findChild<QAbstractButton*>("bt_all")->click();
    form.findChild<QAbstractButton*>("SpeedButton24")->click();  // "data"
  }
  form.findChild<QPushButton*>("bt_comp")->click();
  form.Tabs()->setCurrentIndex(tab);
  form.findChild<QTabWidget*>("StatusTabs")->setCurrentIndex(statusTab);
  QApplication::processEvents();
  form.findChild<QLineEdit*>("ed_sai")->setText("0");
  if (step) form.findChild<QLineEdit*>("ed_ss")->setText("2000000");
  if (none) {
    QTimer::singleShot(100, &form,
                       [&form] { form.findChild<QAbstractButton*>("bt_none")->click(); });
  }
  const auto start = Clock::now();
  form.findChild<QPushButton*>(step ? "BitBtn2" : "bt_finish")->click();
  const double seconds = Seconds(start);
  result = form.findChild<QLineEdit*>("ed_Result")->text().toStdString();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string program = VANTORB_EXAMPLES_DIR "/multiplication.prv";
  std::vector<std::string> arguments{"60", "60"};
  if (argc == 4) {
    program = argv[1];
    arguments = {argv[2], argv[3]};
  }
  std::string expected, result;
  const double alone = Unwatched(program, arguments, expected);
  std::printf("%-36s %8.3f s  result %s\n", "without a window", alone, expected.c_str());
  struct View {
    const char* label;
    int tab, statusTab;
    bool inspect, step, none;
  };
  const View views[] = {{"Finish, nothing inspected", 2, 0, false, false, false},
                        {"Finish, Program tab", 0, 0, true, false, false},
                        {"Finish, Simulator tab, status window", 2, 0, true, false, false},
                        {"Finish, Simulator tab, waveforms", 2, 1, true, false, false},
                        {"Step of 2000000, nothing inspected", 2, 0, false, true, false},
                        {"Finish, None chosen after 0.1 s", 2, 1, true, false, true}};
  int status = 0;
  for (const View& view : views) {
    const double seconds = Watched(program, arguments, view.tab, view.statusTab, view.inspect,
                                   view.step, view.none, result);
    const double allowed = 1.5 * alone + 0.2;
    std::printf("%-36s %8.3f s  result %s  (%.2f x the run alone; target %.3f s)\n", view.label,
                seconds, result.c_str(), seconds / alone, allowed);
    if (result != expected) status = 1;  // a wrong result is a failure, a slow one is not
  }
  return status;
}
