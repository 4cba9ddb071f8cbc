// The window at the tool's scale: Finish in the window (offscreen) against
// `vantorb-cli run` on the same run, each in a process of its own, so that
// each has its own peak memory. Prints one line per case and view:
//   window_bench                        the cases below
//   window_bench PROGRAM.PRV ARG...     one program
// The views: Finish with nothing inspected; with the data neurons listed
// always in the status window (in front); the same neurons recorded as
// waveforms (in front); one Step as long as the run, nothing inspected.
// The window's time runs from Finish (or Step) to the result, the tool's is
// its own "wall time" (--stats): the run alone in both. The window's memory
// is what its peak passed the window's own before Compute; the tool's is
// its peak. The target is 1.5 times the tool's time + 0.2 s and twice its
// memory + 50 MB; a wrong result fails the benchmark, a slow one does not.
//
// The window's side runs as `window_bench --window VIEW PROGRAM ARG...` and
// prints "SECONDS RESULT BASELINE_KIB".

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "language/parser_interface.hpp"
#include "workbench/qt/main_form.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A limit far past the end of every case: each run is bounded.
constexpr const char* kLimit = "20000000000000";

struct View {
  const char* label;
  bool inspect, waveforms, step;
};
const View kViews[] = {{"Finish, nothing inspected", false, false, false},
                       {"Finish, data neurons, status window", true, false, false},
                       {"Finish, data neurons, waveforms", true, true, false},
                       {"Step of the whole run, nothing inspected", false, false, true}};

// The resident memory of this process now, in KiB.
long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One view of one run in the window: prints seconds, result and the
// window's resident memory before Compute.
int WindowSide(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const View& view = kViews[std::stoi(argv[2])];
  const std::string program = argv[3];
  std::vector<std::string> arguments(argv + 4, argv + argc);
  vantorb::NParserInterface parser;
  vantorb::TMainForm form(parser);
  form.ScriptDialogs(program);
  form.show();
  form.Commands().Compile();
  form.SetParameterValues(arguments);
  if (view.inspect) {
    form.findChild<QAbstractButton*>("bt_all")->click();
    form.findChild<QAbstractButton*>("SpeedButton24")->click();  // "data"
  }
  form.findChild<QLineEdit*>("ed_sai")->setText(kLimit);
  if (view.step) form.findChild<QLineEdit*>("ed_ss")->setText(kLimit);
  QApplication::processEvents();
  const long baseline = ResidentKiB();
  form.findChild<QPushButton*>("bt_comp")->click();
  form.Tabs()->setCurrentIndex(2);
  form.findChild<QTabWidget*>("StatusTabs")->setCurrentIndex(view.waveforms ? 1 : 0);
  QApplication::processEvents();
  const auto start = Clock::now();
  form.findChild<QPushButton*>(view.step ? "BitBtn2" : "bt_finish")->click();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const std::string result = form.findChild<QLineEdit*>("ed_Result")->text().toStdString();
  std::printf("%.6f %s %ld\n", seconds, result.empty() ? "-" : result.c_str(), baseline);
  return 0;
}

struct Outcome {
  std::string output;
  long peakKiB = 0;
  bool ok = false;
};

// Runs a command, its standard output caught, and its peak memory.
Outcome RunProcess(std::vector<std::string> command) {
  Outcome outcome;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return outcome;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return outcome;
  }
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    outcome.output.append(buffer, static_cast<std::size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  outcome.peakKiB = usage.ru_maxrss;
  outcome.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return outcome;
}

// The number after "KEY: " in the tool's output.
std::optional<std::string> Field(const std::string& output, const std::string& key) {
  const auto at = output.find(key + ": ");
  if (at == std::string::npos) return std::nullopt;
  const auto from = at + key.size() + 2;
  return output.substr(from, output.find_first_of(" \n", from) - from);
}

struct Case {
  const char* label;
  const char* program;
  std::vector<std::string> arguments;
};

// Every view of one case against the tool; false when a result differs.
bool Compare(const std::string& self, const Case& c) {
  std::vector<std::string> tool = {VANTORB_CLI, "run", c.program};
  tool.insert(tool.end(), c.arguments.begin(), c.arguments.end());
  tool.insert(tool.end(), {"--limit", kLimit, "--stats"});
  const Outcome ran = RunProcess(tool);
  const auto toolSeconds = Field(ran.output, "wall time");
  const auto expected = Field(ran.output, "result");
  if (!ran.ok || !toolSeconds || !expected) {
    std::printf("%s: the tool's run failed\n%s", c.label, ran.output.c_str());
    return false;
  }
  const double alone = std::stod(*toolSeconds);
  const double toolMB = static_cast<double>(ran.peakKiB) / 1024;
  std::printf("%s: the tool %.3f s, %.1f MB, result %s, %s iterations\n", c.label, alone, toolMB,
              expected->c_str(), Field(ran.output, "iterations").value_or("?").c_str());
  bool same = true;
  for (std::size_t v = 0; v < std::size(kViews); ++v) {
    std::vector<std::string> window = {self, "--window", std::to_string(v), c.program};
    window.insert(window.end(), c.arguments.begin(), c.arguments.end());
    const Outcome shown = RunProcess(window);
    double seconds = 0;
    char result[128] = "";
    long baseline = 0;
    if (!shown.ok || std::sscanf(shown.output.c_str(), "%lf %127s %ld", &seconds, result, &baseline) != 3) {
      std::printf("  %-42s failed\n", kViews[v].label);
      same = false;
      continue;
    }
    const double grownMB = static_cast<double>(shown.peakKiB - baseline) / 1024;
    std::printf("  %-42s %8.3f s (%.2f x; target %.3f s)  +%.1f MB (target %.1f MB)  result %s\n",
                kViews[v].label, seconds, seconds / alone, 1.5 * alone + 0.2, grownMB,
                2 * toolMB + 50, result);
    same = same && *expected == result;
  }
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--window") == 0) return WindowSide(argc, argv);
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return 2;
  self[length] = '\0';
  std::vector<Case> cases;
  if (argc >= 2) {
    cases.push_back({"the program given", argv[1], std::vector<std::string>(argv + 2, argv + argc)});
  } else {
    cases = {{"multiplication 10^6 x 10^6", VANTORB_EXAMPLES_DIR "/multiplication.prv",
              {"1000000", "1000000"}},
             {"factorial 12", VANTORB_EXAMPLES_DIR "/factorial.prv", {"12"}},
             {"addition 10^9 + 10^9", VANTORB_EXAMPLES_DIR "/addition.prv",
              {"1000000000", "1000000000"}},
             {"multiplication 400 x 400", VANTORB_EXAMPLES_DIR "/multiplication.prv",
              {"400", "400"}}};
  }
  bool same = true;
  for (const Case& c : cases) same = Compare(self, c) && same;
  return same ? 0 : 1;
}
