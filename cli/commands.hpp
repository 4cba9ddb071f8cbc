#pragma once
// The commands of vantorb-cli, each returning the process exit status:
// 0 success, 1 usage error, 2 an error the window would show (or output
// that could not be written), 3 iteration limit reached, 128 + the signal
// when interrupted (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
// Errors are thrown, NeuroException for status 2: among them ArgumentError
// for ARG values that are not natural numbers, too large, or not as many
// as the target takes. Everything meant for standard output goes to the
// sink `out` each command is given, which main commits once the command is
// done. Ctrl-C (or SIGTERM, SIGHUP: InterruptCatcher) ends run, trace,
// eval and sweep with status 130 (143, 129) and a line on standard error
// saying where; the other commands are simply ended by it. A run that did
// not finish (the limit, Ctrl-C) has "result: none".

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "network/text_lines.hpp"

namespace vantorb::cli {

constexpr int kOk = 0;
constexpr int kUsage = 1;
constexpr int kError = 2;
constexpr int kLimit = 3;
constexpr int kCheckFailed = 4;

// A command line that does not fit the command: status 1 and the usage.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int Info(TextSink& out, const std::string& file);
int Equations(TextSink& out, const std::string& file, const std::string& outFile);
// Run prints the result and the iterations; then, with values, a line
// "NAME = VALUE" for each neuron whose name contains that token ("*": all),
// its value at the end of the run as Trace's CSV writes it, in the CSV's
// order (a token no name contains is an error, before the run); then the
// stats; then the check. The values come at the natural end, at the limit
// and when interrupted alike.
struct RunOptions {
  std::int64_t limit = 0;       // 0: no limit
  std::string engine = "macro"; // or "event", "dense" or "reference"
  bool stats = false;           // wall time, rate and peak memory too
  bool check = false;           // compare with the definition's value (as Eval
                                // computes it, with the default bound)
  std::optional<std::string> values;  // the token of the neurons to print
};
int Run(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
        const RunOptions& options);
// Runs like Run and records the values of the neurons whose names contain
// token at every iteration, as CSV and/or VCD files (CSV on standard output
// when neither is named), written as the run goes. The files appear only
// when the run has ended, at its end or its limit; an interrupted trace
// leaves them as they were, from the moment the first one is made (what
// goes straight to a descriptor or a pipe has every row made before the
// interruption). A token no neuron name contains is an error, before any
// output.
struct TraceOptions {
  std::string token, csvFile, vcdFile;
  std::int64_t limit = 100000;
};
int Trace(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
          const TraceOptions& options);
// Writes the target's network as Graphviz DOT (to outFile, else standard
// output).
int Graph(TextSink& out, const std::string& file, const std::string& outFile);
// Computes the target for every tuple of the ranges (each "N", "A..B" or
// "1,5,9", one per argument; sweep.hpp), `jobs` runs at a time, and writes
// CSV: the header "x1,...,xn,result,iterations,status", then a row per
// tuple in argument order, its result empty when the run did not finish.
// To standard output, or to csvFile, which appears once the sweep has
// ended, also when Ctrl-C ended it (with the rows done then); after an
// error it stays as it was. Status 3 when the limit stopped any run, 130
// when Ctrl-C stopped the sweep (143, 129 for SIGTERM, SIGHUP). A bad
// range is an ArgumentError (status 2).
struct SweepOptions {
  std::int64_t limit = 0;        // per run; 0: none
  std::string engine = "macro";  // as for Run
  unsigned jobs = 1;
  std::string csvFile;           // empty: standard output
};
int Sweep(TextSink& out, const std::string& file, const std::vector<std::string>& ranges,
          const SweepOptions& options);
// Computes the target straight from its definition; searchBound caps the
// candidates each minimization tries, and Interpreter::kDefaultStepBudget
// the rule applications of the whole evaluation.
int Eval(TextSink& out, const std::string& file, const std::vector<std::string>& arguments,
         std::uint64_t searchBound);

}  // namespace vantorb::cli
