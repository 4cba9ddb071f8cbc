// Whole runs under every engine, side by side: iterations, wall time,
// iterations per second and peak memory of each run. Each run is done in a
// child process of its own, so that its peak memory is its own; a run that
// would take too long under an engine is stopped at an iteration limit and
// marked so. VANTORB_BENCH_SMOKE=1 runs small cases only, to check that the
// program works; timings are never asserted anywhere.
//
// run_bench [CASE-SUBSTRING]   runs the cases whose label contains it

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "simulation/network_run.hpp"

namespace {

using namespace vantorb;

bool Smoke() { return std::getenv("VANTORB_BENCH_SMOKE") != nullptr; }

std::string Example(const std::string& name) {
  return std::string(VANTORB_EXAMPLES_DIR) + "/" + name;
}

std::string TempFile(const std::string& name, const std::string& text) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path) << text;
  return path.string();
}

// Truncated subtraction by minimization: the least y with x - y = 0.
std::string MinimizedSubtraction() {
  return TempFile("vantorb-run-bench-msub.prv",
                  "add R(U(1,1), C(U(3,3), S))\npred R(W, U(1,2))\n"
                  "sub R(U(1,1), C(U(3,3), pred))\nmsub M(sub)\n");
}

std::string Successor() { return TempFile("vantorb-run-bench-s.prv", "s S\n"); }

// Weights with eight decimal places feeding back into themselves: every
// iteration adds a limb of digits without runs to the values, the case
// where runs do not pay. It never ends; it is run to a limit.
std::string EightPlaceWeights() {
  return TempFile("vantorb-run-bench-places.equ",
                  "XAin(i+1) = sigma( 1.0*Ein(i) + 1.0*XAin(i) + 0 )\n"
                  "XAx(i+1) = sigma( 0.31415926*XAx(i) + 0.12345678*XAy(i) + 0.5*XAin(i) + 0 )\n"
                  "XAy(i+1) = sigma( 0.27182818*XAy(i) + 0.41421356*XAx(i) + 0.25*XAin(i) + 0 )\n"
                  "XAz(i+1) = sigma( 0.99999999*XAx(i) + 0.00000001*XAy(i) + 0 )\n"
                  "Eout(i+1) = sigma( 0 )\n"
                  "Eres(i+1) = sigma( 1.0*XAz(i) + 0 )\n");
}

// A composition three levels deep of 139,200 successors: a network of a
// million neurons whose values stay short, written as an equation file.
// It is compiled in a child process, so that the memory the compiler took
// is in no run's peak.
std::string MillionNeurons() {
  const auto list = [](const std::string& name, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += name + ", ";
    return "C(" + text + "U(1," + std::to_string(count) + "))";
  };
  const std::string program = "a " + list("S", 40) + "\nb " + list("a", 40) + "\nc " +
                              list("b", 29) + "\nd " + list("c", 3) + "\n";
  const std::string path =
      (std::filesystem::temp_directory_path() / "vantorb-run-bench-million.equ").string();
  const pid_t child = fork();
  if (child < 0) throw NeuroException("run_bench: no child process");
  if (child == 0) {
    int code = 0;
    try {
      NParserInterface parser;
      TempFile("vantorb-run-bench-million.equ",
               EquationFileText(CompileProgramText(parser, program, "million.prv")->Equations()));
    } catch (const NeuroException& e) {
      std::cerr << "run_bench: " << e.what() << "\n";
      code = 2;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw NeuroException("run_bench: the million-neuron file was not made");
  return path;
}

struct Case {
  std::string label;
  // Makes the file to run, only when the case is run.
  std::function<std::string()> file;
  std::vector<std::string> arguments;
  // Iteration limits per engine (0: none): event, dense, reference.
  std::int64_t limits[3];
};

const char* const kEngineNames[] = {"event", "dense", "reference"};
const EngineKind kEngines[] = {EngineKind::Event, EngineKind::Dense, EngineKind::Reference};

std::vector<Case> Cases() {
  const auto example = [](const char* name) { return [name] { return Example(name); }; };
  if (Smoke())
    return {{"multiplication 4x4", example("multiplication.prv"), {"4", "4"}, {0, 0, 0}},
            {"eight-place weights", EightPlaceWeights, {}, {300, 300, 300}}};
  const auto mul = example("multiplication.prv");
  const auto pred = example("predecessor.prv");
  return {
      {"multiplication 40x40", mul, {"40", "40"}, {0, 0, 20000}},
      {"multiplication 99x99", mul, {"99", "99"}, {0, 0, 20000}},
      {"multiplication 200x200", mul, {"200", "200"}, {0, 0, 20000}},
      {"multiplication 400x400", mul, {"400", "400"}, {0, 0, 20000}},
      {"multiplication 1000x1000", mul, {"1000", "1000"}, {0, 1000000, 20000}},
      {"factorial 8", example("factorial.prv"), {"8"}, {0, 0, 20000}},
      {"minimized subtraction 40", MinimizedSubtraction, {"40"}, {0, 0, 20000}},
      {"division 100/7", example("division.prv"), {"100", "7"}, {0, 0, 20000}},
      {"eight-place weights", EightPlaceWeights, {}, {20000, 20000, 2000}},
      {"successor of 5000000", Successor, {"5000000"}, {0, 0, 0}},
      {"addition 300000+300000", example("addition.prv"), {"300000", "300000"},
       {0, 200000, 2000}},
      {"predecessor of 1000000", pred, {"1000000"}, {0, 100000, 2000}},
      {"predecessor of 10000000", pred, {"10000000"}, {0, 100000, 2000}},
      {"a million neurons", MillionNeurons, {"5"}, {0, 0, 3}},
  };
}

struct Outcome {
  long long iterations = 0;
  double seconds = 0;
  int finished = 0;
  char result[32] = {};
};

// In the child: compile, run, report through the pipe.
Outcome RunOnce(const Case& c, const std::string& file, EngineKind engine, std::int64_t limit) {
  NParserInterface parser;
  const bool equations = file.size() > 4 && file.substr(file.size() - 4) == ".equ";
  std::unique_ptr<Network> network =
      equations ? LoadEquationFile(file) : CompileProgramFile(parser, file);
  NetworkRun run(engine);
  const auto start = std::chrono::steady_clock::now();
  run.Start(*network, c.arguments);
  // As the tool and the module run: nobody reads a neuron between ticks.
  run.LeaveNeuronsBehind(true);
  RunStatus status = RunStatus::Running;
  while (status == RunStatus::Running) status = run.Tick(1000, limit);
  Outcome o;
  o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  o.iterations = run.Iteration();
  o.finished = status == RunStatus::Finished;
  const std::string result = run.Result();
  std::snprintf(o.result, sizeof o.result, "%s",
                result.size() < sizeof o.result ? result.c_str() : "(long)");
  return o;
}

void Measure(const Case& c, const std::string& file, int k) {
  int fds[2];
  if (pipe(fds) != 0) throw NeuroException("run_bench: no pipe");
  const pid_t child = fork();
  if (child < 0) throw NeuroException("run_bench: no child process");
  if (child == 0) {
    close(fds[0]);
    int code = 0;
    try {
      const Outcome o = RunOnce(c, file, kEngines[k], c.limits[k]);
      code = write(fds[1], &o, sizeof o) == sizeof o ? 0 : 1;
    } catch (const NeuroException& e) {
      std::cerr << c.label << ": " << e.what() << "\n";
      code = 2;
    }
    _exit(code);
  }
  close(fds[1]);
  Outcome o;
  const bool got = read(fds[0], &o, sizeof o) == sizeof o;
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!got) {
    std::printf("%-26s %-9s failed\n", c.label.c_str(), kEngineNames[k]);
    return;
  }
  std::printf("%-26s %-9s %10lld %s %10.3f s %12.0f it/s %8ld KiB  result %s\n",
              c.label.c_str(), kEngineNames[k], o.iterations, o.finished ? "done " : "limit",
              o.seconds, o.seconds > 0 ? o.iterations / o.seconds : 0.0, usage.ru_maxrss,
              o.result);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  std::printf("%-26s %-9s %10s %s %12s %17s %12s\n", "run", "engine", "iterations", "state",
              "wall", "rate", "peak memory");
  try {
    for (const auto& c : Cases()) {
      if (c.label.find(only) == std::string::npos) continue;
      const std::string file = c.file();
      for (int k = 0; k < 3; ++k) Measure(c, file, k);
    }
  } catch (const NeuroException& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
  return 0;
}
