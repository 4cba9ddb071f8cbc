// Whole runs under every engine, side by side: iterations, wall time,
// iterations per second and peak memory of each run. Each run is done in a
// child process of its own, so that its peak memory is its own. Every run
// has an iteration limit and a wall-time limit and is marked when stopped
// at one; an engine a case would take far too long under is left out, and
// the case says why. Engines that finish a case must agree on its
// iterations and result, or the program fails (status 1), as it does when a
// run fails. Some cases also time the evaluation of the program's
// definition without a network (as `vantorb-cli eval` does, with no bound
// on its rule applications but the same wall-time limit): its result must
// agree too. VANTORB_BENCH_SMOKE=1 runs small cases only, to check that the
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
#include <optional>
#include <string>
#include <vector>

#include "compiler/interpreter.hpp"
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

constexpr int kEngineCount = 4;
const char* const kEngineNames[kEngineCount] = {"macro", "event", "dense", "reference"};
const EngineKind kEngines[kEngineCount] = {EngineKind::Macro, EngineKind::Event,
                                           EngineKind::Dense, EngineKind::Reference};

// A cell of the table left out: the engine is not run on the case.
constexpr std::int64_t kSkip = -1;
// No run goes on past this wall time, whatever its iteration limit: a run
// that would take longer is stopped and marked so.
constexpr double kMaxSeconds = 60;

struct Case {
  std::string label;
  // Makes the file to run, only when the case is run.
  std::function<std::string()> file;
  std::vector<std::string> arguments;
  // Iteration limit per engine (macro, event, dense, reference); kSkip
  // leaves the engine out. Every run has a limit, so nothing runs away.
  std::int64_t limits[kEngineCount];
  // Why engines are left out or stopped early, printed with the case.
  std::string note;
  // Also evaluates the definition, to set the network against it.
  bool evaluate = false;
};

std::vector<Case> Cases() {
  const auto example = [](const char* name) { return [name] { return Example(name); }; };
  constexpr std::int64_t G = 1'000'000'000;
  if (Smoke())
    return {{"multiplication 4x4", example("multiplication.prv"), {"4", "4"}, {G, G, G, G}, ""},
            {"eight-place weights", EightPlaceWeights, {}, {300, 300, 300, 300}, ""},
            {"factorial 4", example("factorial.prv"), {"4"}, {G, G, kSkip, kSkip},
             "dense and reference left out", true}};
  const auto mul = example("multiplication.prv");
  const auto fact = example("factorial.prv");
  const auto pow = example("power.prv");
  const auto pred = example("predecessor.prv");
  const auto add = example("addition.prv");
  const auto div = example("division.prv");
  const auto rem = example("remainder.prv");
  const auto isqrt = example("square_root.prv");
  const auto gcd = example("gcd.prv");
  // As good as no limit: the wall-time limit ends these runs.
  constexpr std::int64_t kHuge = INT64_MAX;
  const char* const kTooLong = "event, dense and reference left out: too many iterations";
  return {
      {"multiplication 40x40", mul, {"40", "40"}, {G, G, G, 20000}, ""},
      {"multiplication 99x99", mul, {"99", "99"}, {G, G, G, 20000}, ""},
      {"multiplication 200x200", mul, {"200", "200"}, {G, G, G, 20000}, ""},
      {"multiplication 400x400", mul, {"400", "400"}, {G, G, G, 20000}, ""},
      {"multiplication 1000x1000", mul, {"1000", "1000"}, {G, G, 1000000, 20000}, ""},
      {"multiplication 10^4x10^4", mul, {"10000", "10000"}, {10 * G, kSkip, kSkip, kSkip},
       "event, dense and reference left out: 1.2 G iterations, a quarter of an hour "
       "under event"},
      {"multiplication 10^6x10^6", mul, {"1000000", "1000000"},
       {20'000 * G, kSkip, kSkip, kSkip}, kTooLong},
      {"factorial 8", fact, {"8"}, {G, G, G, 20000}, ""},
      {"factorial 9", fact, {"9"}, {G, G, 1000000, 20000}, ""},
      {"factorial 10", fact, {"10"}, {G, kSkip, kSkip, kSkip},
       "event, dense and reference left out: 48 M iterations"},
      {"factorial 11", fact, {"11"}, {G, kSkip, kSkip, kSkip}, kTooLong},
      {"factorial 12", fact, {"12"}, {10 * G, kSkip, kSkip, kSkip}, kTooLong},
      {"power 2^20", pow, {"2", "20"}, {G, G, 1000000, 20000}, ""},
      {"power 3^12", pow, {"3", "12"}, {G, G, 1000000, 20000}, ""},
      {"square root of 400", isqrt, {"400"}, {G, G, G, 20000}, "", true},
      {"minimized subtraction 40", MinimizedSubtraction, {"40"}, {G, G, G, 20000}, ""},
      {"triangular number of 300", example("triangular.prv"), {"300"}, {G, G, G, 20000}, ""},
      {"triangular number of 10^6", example("triangular.prv"), {"1000000"},
       {10'000 * G, kSkip, kSkip, kSkip}, kTooLong, true},
      {"division 100/7", div, {"100", "7"}, {G, G, G, 20000}, "", true},
      {"remainder 100 mod 7", rem, {"100", "7"}, {G, G, G, 20000}, "", true},
      {"gcd of 12 and 18", gcd, {"12", "18"}, {G, G, G, 2000}, "", true},
      // Minimizations at the sizes their round rules are meant for.
      {"division 10^6/7", div, {"1000000", "7"}, {kHuge, kSkip, kSkip, kSkip}, kTooLong, true},
      {"remainder 10^6 mod 7", rem, {"1000000", "7"}, {kHuge, kSkip, kSkip, kSkip}, kTooLong,
       true},
      {"square root of 10^4", isqrt, {"10000"}, {kHuge, kSkip, kSkip, kSkip}, kTooLong, true},
      {"square root of 10^6", isqrt, {"1000000"}, {kHuge, kSkip, kSkip, kSkip}, kTooLong, true},
      {"gcd of 1200 and 1800", gcd, {"1200", "1800"}, {kHuge, kSkip, kSkip, kSkip}, kTooLong,
       true},
      {"eight-place weights", EightPlaceWeights, {}, {20000, 20000, 20000, 2000}, ""},
      {"successor of 5000000", Successor, {"5000000"}, {G, G, G, G}, ""},
      {"addition 300000+300000", add, {"300000", "300000"}, {G, G, 10000, 200}, ""},
      {"addition 10^8+10^8", add, {"100000000", "100000000"}, {10 * G, kSkip, kSkip, kSkip},
       kTooLong},
      {"predecessor of 1000000", pred, {"1000000"}, {G, G, 10000, 200}, ""},
      {"predecessor of 10000000", pred, {"10000000"}, {G, G, 1000, 20}, ""},
      {"predecessor of 10^8", pred, {"100000000"}, {G, kSkip, kSkip, kSkip}, kTooLong},
      {"addition 10^9+10^9", add, {"1000000000", "1000000000"}, {20 * G, kSkip, kSkip, kSkip},
       kTooLong},
      {"predecessor of 10^9", pred, {"1000000000"}, {10 * G, kSkip, kSkip, kSkip}, kTooLong},
      {"predecessor of 10^12", pred, {"1000000000000"}, {10'000 * G, kSkip, kSkip, kSkip},
       kTooLong},
      {"a million neurons", MillionNeurons, {"5"}, {G, G, G, 3}, ""},
  };
}

enum class Ending : int { Finished, Limit, Time };

struct Outcome {
  long long iterations = 0;
  double seconds = 0;
  Ending ending = Ending::Limit;
  // The whole result is compared through its length and hash; the text is
  // kept only when it is short enough to print.
  std::size_t resultLength = 0;
  std::size_t resultHash = 0;
  char result[32] = {};
};

// The whole result is kept as its length and hash, and its text when short.
void KeepResult(Outcome& o, const std::string& result) {
  o.resultLength = result.size();
  o.resultHash = std::hash<std::string>{}(result);
  std::snprintf(o.result, sizeof o.result, "%s",
                result.size() < sizeof o.result ? result.c_str() : "(long)");
}

// In the child: compile, run, report through the pipe.
Outcome RunOnce(const Case& c, const std::string& file, EngineKind engine, std::int64_t limit) {
  NParserInterface parser;
  const bool equations = file.size() > 4 && file.substr(file.size() - 4) == ".equ";
  std::unique_ptr<Network> network =
      equations ? LoadEquationFile(file) : CompileProgramFile(parser, file);
  NetworkRun run(engine);
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  // As the tool and the module run, cut short past kMaxSeconds.
  const RunStatus status =
      RunToEnd(run, *network, c.arguments, limit, [&elapsed] { return elapsed() > kMaxSeconds; });
  Outcome o;
  o.seconds = elapsed();
  o.iterations = run.Iteration();
  o.ending = status == RunStatus::Finished       ? Ending::Finished
             : status == RunStatus::LimitReached ? Ending::Limit
                                                 : Ending::Time;
  if (o.ending == Ending::Finished) KeepResult(o, run.Result());
  return o;
}

// In the child: the value from the program's definition, with no bound on
// the rule applications (counted as the iterations) but the wall time.
Outcome EvaluateOnce(const Case& c, const std::string& file) {
  NParserInterface parser;
  const std::unique_ptr<Network> network = CompileProgramFile(parser, file);
  std::vector<std::uint64_t> arguments;
  for (const auto& argument : c.arguments) arguments.push_back(std::stoull(argument));
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  Interpreter interpreter(Interpreter::kDefaultSearchBound, UINT64_MAX,
                          [&elapsed] { return elapsed() > kMaxSeconds; });
  const std::optional<std::uint64_t> value = interpreter.Evaluate(network->Target(), arguments);
  Outcome o;
  o.seconds = elapsed();
  o.iterations = static_cast<long long>(interpreter.Steps());
  o.ending = value ? Ending::Finished : Ending::Time;
  if (value) KeepResult(o, std::to_string(*value));
  return o;
}

// Runs the case in a child process (`name` says how: an engine, or eval);
// nothing when the run failed.
std::optional<Outcome> Measure(const Case& c, const char* name,
                               const std::function<Outcome()>& runOnce) {
  int fds[2];
  if (pipe(fds) != 0) throw NeuroException("run_bench: no pipe");
  const pid_t child = fork();
  if (child < 0) throw NeuroException("run_bench: no child process");
  if (child == 0) {
    close(fds[0]);
    int code = 0;
    try {
      const Outcome o = runOnce();
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
    std::printf("%-26s %-9s failed\n", c.label.c_str(), name);
    return std::nullopt;
  }
  const char* const endings[] = {"done ", "limit", "time "};
  std::printf("%-26s %-9s %12lld %s %10.3f s %14.0f it/s %8ld KiB  result %s\n",
              c.label.c_str(), name, o.iterations, endings[static_cast<int>(o.ending)],
              o.seconds, o.seconds > 0 ? o.iterations / o.seconds : 0.0, usage.ru_maxrss,
              o.ending == Ending::Finished ? o.result : "-");
  std::fflush(stdout);
  return o;
}

// Every engine that finished must agree with the first one that did, on
// the iterations and on the whole result, and a finished evaluation on the
// result.
bool Agree(const Case& c, const std::optional<Outcome> (&outcomes)[kEngineCount],
           const std::optional<Outcome>& evaluated) {
  const std::optional<Outcome>* first = nullptr;
  int firstEngine = 0;
  bool agree = true;
  for (int k = 0; k < kEngineCount; ++k) {
    const auto& o = outcomes[k];
    if (!o || o->ending != Ending::Finished) continue;
    if (first == nullptr) {
      first = &o;
      firstEngine = k;
      continue;
    }
    const Outcome& f = **first;
    if (o->iterations != f.iterations || o->resultLength != f.resultLength ||
        o->resultHash != f.resultHash) {
      std::fprintf(stderr, "MISMATCH %s: %s gives %lld iterations and %s, %s %lld and %s\n",
                   c.label.c_str(), kEngineNames[firstEngine], f.iterations, f.result,
                   kEngineNames[k], o->iterations, o->result);
      agree = false;
    }
  }
  if (first != nullptr && evaluated && evaluated->ending == Ending::Finished) {
    const Outcome& f = **first;
    if (evaluated->resultLength != f.resultLength || evaluated->resultHash != f.resultHash) {
      std::fprintf(stderr, "MISMATCH %s: %s gives %s, the definition %s\n", c.label.c_str(),
                   kEngineNames[firstEngine], f.result, evaluated->result);
      agree = false;
    }
  }
  return agree;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  std::printf("%-26s %-9s %12s %s %12s %19s %12s\n", "run", "engine", "iterations", "state",
              "wall", "rate", "peak memory");
  std::printf("(state: done, limit = stopped at the iteration limit, time = stopped after "
              "%.0f s; eval counts rule applications as its iterations)\n", kMaxSeconds);
  bool agree = true;
  try {
    for (const auto& c : Cases()) {
      if (c.label.find(only) == std::string::npos) continue;
      const std::string file = c.file();
      std::optional<Outcome> outcomes[kEngineCount];
      for (int k = 0; k < kEngineCount; ++k) {
        if (c.limits[k] == kSkip) continue;
        outcomes[k] = Measure(c, kEngineNames[k], [&c, &file, k] {
          return RunOnce(c, file, kEngines[k], c.limits[k]);
        });
        agree = outcomes[k].has_value() && agree;
      }
      std::optional<Outcome> evaluated;
      if (c.evaluate) {
        evaluated = Measure(c, "eval", [&c, &file] { return EvaluateOnce(c, file); });
        agree = evaluated.has_value() && agree;
      }
      if (!c.note.empty()) std::printf("%-26s (%s)\n", c.label.c_str(), c.note.c_str());
      agree = Agree(c, outcomes, evaluated) && agree;
    }
  } catch (const NeuroException& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
  if (!agree) {
    std::cerr << "run_bench: a run failed or engines disagree\n";
    return 1;
  }
  return 0;
}
