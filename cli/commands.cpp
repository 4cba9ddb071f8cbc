#include "cli/commands.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <optional>
#include <sstream>

#include "driver/compilation_driver.hpp"
#include "compiler/network_graph.hpp"
#include "network/equation_text.hpp"
#include "network/utils.hpp"
#include "network/text_lines.hpp"
#include "network/exceptions.hpp"
#include "simulation/network_run.hpp"
#include "simulation/run_arguments.hpp"
#include "simulation/trace.hpp"

namespace vantorb::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) { interrupted = 1; }

// While it lives, Ctrl-C sets `interrupted` instead of ending the process,
// so that a run can say where it stopped and leave no file half made.
class InterruptCatcher {
 public:
  InterruptCatcher() {
    interrupted = 0;
    std::signal(SIGINT, OnInterrupt);
  }
  ~InterruptCatcher() { std::signal(SIGINT, SIG_DFL); }
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;
};

// A refused argument is a usage error of the tool.
template <typename Check>
auto AsUsageError(Check check) {
  try {
    return check();
  } catch (const ArgumentError& error) {
    throw UsageError(error.Message());
  }
}

// A compiled program or a loaded equation file, ready to run.
std::unique_ptr<Network> Load(const std::string& file) {
  return LoadNetworkFile(*parserInterface, file);
}

// The target's value from its definition, for the arguments given.
std::uint64_t Interpret(const ProofObj& target, const std::vector<std::string>& arguments,
                        std::uint64_t searchBound) {
  return AsUsageError([&] { return *EvaluateDefinition(target, arguments, searchBound); });
}

// Loads FILE for a computation on the arguments: they must be natural
// numbers, as many as the target takes (a usage error otherwise).
std::unique_ptr<Network> LoadForArguments(const std::string& file,
                                          const std::vector<std::string>& arguments) {
  AsUsageError([&] { CheckNaturalNumbers(arguments); });
  std::unique_ptr<Network> network = Load(file);
  AsUsageError([&] { CheckArity(*network, arguments); });
  return network;
}

// Text for a file, or for standard output when no file is named.
void Emit(TextSink& out, const std::string& text, const std::string& outFile) {
  if (outFile.empty()) {
    out.Append(text);
  } else {
    WriteFileAtomically(outFile, text);
  }
}

void PrintRunState(TextSink& out, const NetworkRun& run) {
  out.Append("result: " + run.Result() + "\n" +
                  "iterations: " + std::to_string(run.Iteration()) + "\n");
}

// The cost of a run: wall time, rates and the process's peak memory.
void PrintStats(TextSink& out, const NetworkRun& run, double seconds) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double rate = seconds > 0 ? run.Iteration() / seconds : 0;
  const double synapses = seconds > 0 ? run.UsedEngine().SynapseEvaluations() / seconds : 0;
  std::ostringstream text;
  text << "wall time: " << seconds << " s\n"
       << "iterations per second: " << static_cast<long long>(rate) << "\n"
       << "synapse evaluations per second: " << static_cast<long long>(synapses) << "\n"
       << "peak memory: " << usage.ru_maxrss << " KiB\n";
  // The size of the values at the end: in limbs, and in runs of equal
  // limbs, which is what the event engine's work follows.
  std::size_t longest = 0, longestRuns = 0, mostRuns = 0;
  if (run.RunFunction() != nullptr) {
    NeuronList neurons;
    run.RunFunction()->AppendNeurons(neurons);
    for (const Neuron* neuron : neurons) {
      const auto& limbs = neuron->Value().Limbs();
      std::size_t runs = 0;
      for (std::size_t i = 0; i < limbs.size(); ++i)
        if (i == 0 || limbs[i].value != limbs[i - 1].value) ++runs;
      mostRuns = std::max(mostRuns, runs);
      if (limbs.size() > longest || (limbs.size() == longest && runs > longestRuns)) {
        longest = limbs.size();
        longestRuns = runs;
      }
    }
  }
  text << "longest value: " << longest << " limbs in " << longestRuns << " runs\n"
       << "most runs in a value: " << mostRuns << "\n";
  out.Append(text.str());
}

// Shows iterations so far and their rate on a terminal, every half second.
class Progress {
 public:
  Progress() : shown_(isatty(STDERR_FILENO)), start_(Clock::now()), last_(start_) {}
  void Update(std::int64_t iteration) {
    if (!shown_) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(500)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::cerr << "\riteration " << iteration << " ("
              << static_cast<long long>(iteration / seconds) << " per second)   "
              << std::flush;
    used_ = true;
  }
  ~Progress() {
    if (used_) std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_, used_ = false;
  Clock::time_point start_, last_;
};

}  // namespace

int Info(TextSink& out, const std::string& file) {
  std::string text;
  for (const ReportEntry& entry : ReportEntries(Load(file)->Report()))
    text += entry.key + ": " + entry.text + "\n";
  out.Append(text);
  return kOk;
}

int Equations(TextSink& out, const std::string& file, const std::string& outFile) {
  Emit(out, EquationFileText(Load(file)->Equations()), outFile);
  return kOk;
}

int Run(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
        const RunOptions& options) {
  const EngineKind engine = EngineKindFromName(options.engine);
  const std::unique_ptr<Network> network = LoadForArguments(file, arguments);

  NetworkRun run(engine);
  const auto started = std::chrono::steady_clock::now();
  run.Start(*network, arguments);
  RunStatus status = RunStatus::Running;
  {
    InterruptCatcher catcher;
    Progress progress;
    while (status == RunStatus::Running && !interrupted) {
      // The limit never comes between two ticks: each pass tests it.
      status = run.Tick(1000, static_cast<int>(std::clamp<long long>(options.limit, INT32_MIN, INT32_MAX)));
      progress.Update(run.Iteration());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (status == RunStatus::Running) {
    PrintRunState(out, run);
    if (options.stats) PrintStats(out, run, seconds);
    std::cerr << "Interrupted at iteration " << run.Iteration() << "\n";
    return kInterrupted;
  }
  PrintRunState(out, run);
  if (options.stats) PrintStats(out, run, seconds);
  if (options.check && status == RunStatus::Finished) {
    const std::string defined = std::to_string(Interpret(network->Target(), arguments, 1'000'000));
    if (defined != run.Result()) {
      std::cerr << "Check failed: the network gave " << run.Result()
                << ", the definition gives " << defined << "\n";
      return kCheckFailed;
    }
    out.Append("check: the definition gives " + defined + " too\n");
  }
  if (status == RunStatus::LimitReached) {
    std::cerr << NetworkRun::kLimitMessage << "\n";
    return kLimit;
  }
  return kOk;
}

int Trace(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
          const TraceOptions& options) {
  const std::unique_ptr<Network> network = LoadForArguments(file, arguments);
  // Rows go out as the run makes them; files appear once the run is over.
  std::optional<AtomicFile> csvFile, vcdFile;
  if (!options.csvFile.empty()) csvFile.emplace(options.csvFile);
  if (!options.vcdFile.empty()) vcdFile.emplace(options.vcdFile);
  TextSink* csv = csvFile ? &*csvFile : nullptr;
  if (!csvFile && !vcdFile) csv = &out;
  TraceRecorder recorder(network->Target(), options.token, csv, vcdFile ? &*vcdFile : nullptr);
  NetworkRun run;
  run.Start(*network, arguments);
  recorder.Record(run.Iteration());
  const int limit = static_cast<int>(std::clamp<long long>(options.limit, 0, INT32_MAX));
  RunStatus status = RunStatus::Running;
  {
    InterruptCatcher catcher;
    while (status == RunStatus::Running && !interrupted) {
      const auto before = run.Iteration();
      status = run.Tick(1, limit);
      if (run.Iteration() != before) recorder.Record(run.Iteration());
    }
  }
  if (status == RunStatus::Running) {
    // The files are left as they were: a trace cut short is not written.
    if (csvFile || vcdFile) PrintRunState(out, run);
    std::cerr << "Interrupted at iteration " << run.Iteration() << "\n";
    return kInterrupted;
  }
  if (csvFile) csvFile->Commit();
  if (vcdFile) vcdFile->Commit();
  if (csvFile || vcdFile) PrintRunState(out, run);
  if (status == RunStatus::LimitReached) {
    std::cerr << NetworkRun::kLimitMessage << "\n";
    return kLimit;
  }
  return kOk;
}

int Graph(TextSink& out, const std::string& file, const std::string& outFile) {
  const std::unique_ptr<Network> network = Load(file);
  const std::string dot = NetworkDot(network->Target(), network->Io().InputList());
  Emit(out, dot, outFile);
  return kOk;
}

int Eval(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
         std::uint64_t searchBound) {
  const std::unique_ptr<Network> network = LoadForArguments(file, arguments);
  const std::uint64_t value = Interpret(network->Target(), arguments, searchBound);
  out.Append("result: " + std::to_string(value) + "\n");
  return kOk;
}

}  // namespace vantorb::cli
