#include "cli/commands.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iomanip>
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
#include "simulation/sweep.hpp"
#include "simulation/trace.hpp"
#include "cli/interrupt_catcher.hpp"

namespace vantorb::cli {
namespace {

// What the tool says when a signal stops an evaluation of a definition,
// after InterruptCatcher::Stopped's words.
constexpr const char* kWhileEvaluating = " while evaluating the definition";

// A compiled program or a loaded equation file, ready to run.
std::unique_ptr<Network> Load(const std::string& file) {
  return LoadNetworkFile(*parserInterface, file);
}

// Loads FILE for a computation on the arguments: they must be natural
// numbers, as many as the target takes (ArgumentError otherwise).
std::unique_ptr<Network> LoadForArguments(const std::string& file,
                                          const std::vector<std::string>& arguments) {
  CheckNaturalNumbers(arguments);
  std::unique_ptr<Network> network = Load(file);
  CheckArity(*network, arguments);
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

// The result only of a run that finished: one stopped by the limit or by
// Ctrl-C has none, whatever its result neuron held at that moment.
void PrintRunState(TextSink& out, const NetworkRun& run, RunStatus status) {
  const std::string result = status == RunStatus::Finished ? run.Result() : "none";
  out.Append("result: " + result + "\n" + "iterations: " + std::to_string(run.Iteration()) +
             "\n");
}

// "NAME = VALUE" for each chosen neuron, with the value it holds now as a
// trace's CSV writes it. The neurons must be in step with the run.
void PrintValues(TextSink& out, const TraceRecorder& chosen) {
  for (std::size_t n = 0; n < chosen.NeuronCount(); ++n)
    out.Append(chosen.NeuronName(n) + " = " + chosen.ValueText(n) + "\n");
}

// A count per second: a whole number, or past 10^18 (a leap of billions
// of billions of iterations in a moment) in floating form ("9.22e+21"),
// as no 64-bit integer may hold it.
std::string RateText(double count, double seconds) {
  const double rate = seconds > 0 ? count / seconds : 0;
  if (rate < 1e18) return std::to_string(static_cast<long long>(rate));
  std::ostringstream text;
  text << std::setprecision(3) << rate;
  return text.str();
}

// The cost of a run: wall time, rates and the process's peak memory.
void PrintStats(TextSink& out, const NetworkRun& run, double seconds) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::ostringstream text;
  text << "wall time: " << seconds << " s\n"
       << "iterations per second: " << RateText(run.Iteration(), seconds) << "\n"
       << "synapse evaluations per second: "
       << RateText(run.UsedEngine().SynapseEvaluations(), seconds) << "\n"
       << "limbs copied into neurons: " << run.UsedEngine().LimbsPublished() << "\n"
       << "peak memory: " << usage.ru_maxrss << " KiB\n";
  // What leaping over the periods of proved loops did: nothing for an
  // engine that goes step by step.
  const Engine::LeapCounts leaps = run.UsedEngine().Leaps();
  text << "rules proved: " << leaps.rulesProved << "\n"
       << "leaps: " << leaps.leaps << "\n"
       << "iterations leapt: " << leaps.iterationsLeapt << "\n"
       << "round rules proved: " << leaps.roundRulesProved << "\n"
       << "rounds leapt: " << leaps.roundsLeapt << "\n";
  // The size of the values at the end: in limbs, and in runs of equal
  // limbs, which is what the event engine's work follows.
  const Engine::ValueSizes sizes = run.UsedEngine().Sizes();
  text << "longest value: " << sizes.longest << " limbs in " << sizes.longestRuns << " runs\n"
       << "most runs in a value: " << sizes.mostRuns << "\n";
  out.Append(text.str());
}

// A line on standard error that tells how far a command is, overwritten in
// place, at most every half second; only on a terminal. Cleared when done.
class Progress {
 public:
  Progress() : shown_(isatty(STDERR_FILENO)), start_(Clock::now()), last_(start_) {}
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  // Whether a line is wanted now; the next is wanted half a second later.
  bool Due() {
    if (!shown_) return false;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(500)) return false;
    last_ = now;
    return true;
  }
  double Seconds() const { return std::chrono::duration<double>(last_ - start_).count(); }
  void Show(const std::string& line) {
    std::cerr << "\r" << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ')
              << std::flush;
    width_ = std::max(width_, line.size());
  }
  // Takes the line away, so that what goes to the same terminal next
  // (standard output's rows, a message) starts a line of its own; the next
  // Show puts it back.
  void Clear() {
    if (width_ > 0) std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
    width_ = 0;
  }
  ~Progress() { Clear(); }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  std::size_t width_ = 0;  // of the widest line shown
  Clock::time_point start_, last_;
};

// Iterations so far and their rate.
void ShowIterations(Progress& progress, std::int64_t iteration) {
  if (!progress.Due()) return;
  progress.Show("iteration " + std::to_string(iteration) + " (" +
                RateText(static_cast<double>(iteration), progress.Seconds()) + " per second)");
}

// "x1,...,xn,result,iterations,status" and its line end.
std::string SweepCsvHeader(std::size_t arity) {
  std::string header;
  for (std::size_t k = 1; k <= arity; ++k) {
    // Appended piece by piece: "x" + to_string(k) meets a false -Wrestrict
    // of GCC 12 at -O2.
    header += 'x';
    header += std::to_string(k);
    header += ',';
  }
  return header + "result,iterations,status\n";
}

std::string SweepCsvRow(const SweepRow& row) {
  std::string line;
  for (const std::string& argument : row.arguments) line += argument + ",";
  return line + row.result.value_or("") + "," + std::to_string(row.iterations) + "," +
         SweepStatusName(row.status) + "\n";
}

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
  std::optional<TraceRecorder> values;
  // A token that names none is an error, before anything runs.
  if (options.values) values.emplace(TraceRecorder::Reading(network->Target(), *options.values));

  InterruptCatcher catcher;
  NetworkRun run(engine);
  const auto started = std::chrono::steady_clock::now();
  RunStatus status = RunStatus::Running;
  {
    Progress progress;
    // Only the values asked for need the neurons: without them, the engine
    // keeps its values as runs however long they grow.
    status = RunToEnd(
        run, *network, arguments, options.limit,
        [&] {
          ShowIterations(progress, run.Iteration());
          return catcher.Interrupted();
        },
        values ? ValuesHeld::InNeurons : ValuesHeld::InEngine);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  PrintRunState(out, run, status);
  if (values) PrintValues(out, *values);
  if (options.stats) PrintStats(out, run, seconds);
  if (status == RunStatus::Running) {
    std::cerr << catcher.Stopped() << " at iteration " << run.Iteration() << "\n";
    return catcher.Status();
  }
  if (options.check && status == RunStatus::Finished) {
    const std::optional<std::uint64_t> defined =
        EvaluateDefinition(network->Target(), arguments, Interpreter::kDefaultSearchBound,
                           catcher.AsStopRequest());
    if (!defined) {
      std::cerr << catcher.Stopped() << kWhileEvaluating << "\n";
      return catcher.Status();
    }
    if (std::to_string(*defined) != run.Result()) {
      std::cerr << "Check failed: the network gave " << run.Result()
                << ", the definition gives " << *defined << "\n";
      return kCheckFailed;
    }
    out.Append("check: the definition gives " + std::to_string(*defined) + " too\n");
  }
  if (status == RunStatus::LimitReached) {
    std::cerr << NetworkRun::LimitMessage(options.limit) << "\n";
    return kLimit;
  }
  return kOk;
}

int Trace(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
          const TraceOptions& options) {
  const std::unique_ptr<Network> network = LoadForArguments(file, arguments);
  // A trace of nothing is refused before any output.
  TraceRecorder::Reading(network->Target(), options.token);
  // From before the first file is made to the end: Ctrl-C during the
  // set-up (a VCD header, a long argument) is seen once the set-up is done,
  // and no file is left half made.
  InterruptCatcher catcher;
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
  RunStatus status = RunStatus::Running;
  while (status == RunStatus::Running && !catcher.Interrupted()) {
    const auto before = run.Iteration();
    status = run.Tick(1, options.limit);
    if (run.Iteration() != before) recorder.Record(run.Iteration());
  }
  if (status == RunStatus::Running) {
    // The files are left as they were: a trace cut short is not written.
    // What goes straight to a descriptor or a pipe (/dev/stdout) has every
    // row up to the message, as standard output has.
    if (csvFile) csvFile->Abandon();
    if (vcdFile) vcdFile->Abandon();
    if (csvFile || vcdFile) PrintRunState(out, run, status);
    out.Commit();
    std::cerr << catcher.Stopped() << " at iteration " << run.Iteration() << "\n";
    return catcher.Status();
  }
  if (csvFile) csvFile->Commit();
  if (vcdFile) vcdFile->Commit();
  if (csvFile || vcdFile) PrintRunState(out, run, status);
  if (status == RunStatus::LimitReached) {
    std::cerr << NetworkRun::LimitMessage(options.limit) << "\n";
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

int Sweep(TextSink& out, const std::string& file, const std::vector<std::string>& ranges,
          const SweepOptions& options) {
  std::vector<SweepRange> parsed;
  for (const std::string& range : ranges) parsed.push_back(SweepRange::Parse(range));
  const SweepTuples tuples(std::move(parsed));
  vantorb::SweepOptions sweep;
  sweep.engine = EngineKindFromName(options.engine);
  sweep.limit = options.limit;
  sweep.jobs = options.jobs;
  // From before the file is made: Ctrl-C at any moment ends the sweep with
  // the rows done so far in it.
  InterruptCatcher catcher;
  sweep.stop = catcher.AsStopRequest();
  std::optional<AtomicFile> csvFile;
  if (!options.csvFile.empty()) csvFile.emplace(options.csvFile);
  TextSink& csv = csvFile ? static_cast<TextSink&>(*csvFile) : out;
  // The header comes with the first row, or at the end: a file or arity
  // refused puts nothing on standard output.
  bool headed = false;
  const auto head = [&] {
    if (!headed) csv.Append(SweepCsvHeader(tuples.Arity()));
    headed = true;
  };
  std::uint64_t finished = 0, limited = 0;
  SweepOutcome outcome;
  {
    Progress progress;
    // Rows for a terminal take the progress line away first, lest they
    // follow it on its line.
    const bool rowsOnTerminal = !csvFile && isatty(STDOUT_FILENO) == 1;
    sweep.row = [&](const SweepRow& row) {
      if (rowsOnTerminal) progress.Clear();
      head();
      csv.Append(SweepCsvRow(row));
      finished += row.status != SweepStatus::Stopped;
      limited += row.status == SweepStatus::Limit;
    };
    sweep.progress = [&progress](std::uint64_t done, std::uint64_t total) {
      if (progress.Due())
        progress.Show("run " + std::to_string(done) + " of " + std::to_string(total));
    };
    outcome = vantorb::Sweep(NetworkSource::FromFile(file), tuples, sweep);
  }
  head();
  if (csvFile) csvFile->Commit();
  const std::string runs = std::to_string(tuples.Count()) + (tuples.Count() == 1 ? " run" : " runs");
  if (outcome.stopped) {
    std::cerr << catcher.Stopped() << " after " << finished << " of " << runs << "\n";
    return catcher.Status();
  }
  if (limited > 0) {
    // Without a limit, only the count's end stops a run.
    std::cerr << (options.limit != 0 ? "The iteration limit stopped "
                                     : "The iteration count reached its largest value in ")
              << limited << " of " << runs << "\n";
    return kLimit;
  }
  return kOk;
}

int Eval(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
         std::uint64_t searchBound) {
  const std::unique_ptr<Network> network = LoadForArguments(file, arguments);
  InterruptCatcher catcher;
  const std::optional<std::uint64_t> value =
      EvaluateDefinition(network->Target(), arguments, searchBound, catcher.AsStopRequest());
  if (!value) {
    std::cerr << catcher.Stopped() << kWhileEvaluating << "\n";
    return catcher.Status();
  }
  out.Append("result: " + std::to_string(*value) + "\n");
  return kOk;
}

}  // namespace vantorb::cli
