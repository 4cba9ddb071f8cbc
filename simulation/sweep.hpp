#pragma once
// Sweeps: the target of one program computed for every tuple of arguments,
// on several worker threads at once. The tool's sweep and the Python
// module's thread sweep are this one.
//
// ArgumentTuples are the tuples in order: SweepTuples the cross product of
// argument ranges (the first range changes slowest, the last fastest, as
// nested loops would go), TupleList tuples given one by one. SweepRange is
// one RANGE operand as users write it: a natural number "N", an interval
// "A..B" (both ends included) or a comma list "1,5,9". All are immutable
// once made and may be read from any thread.
//
// Sweep runs the tuples. A run writes neuron values, so no network is
// shared: each worker makes its own from the program's source, and takes
// the tuples one by one from a shared counter. The rows reach the caller
// in tuple order, whatever order the runs end in, each a value (SweepRow)
// that the tool writes as CSV and Python as a RunResult; every callback
// and the stop request are called on the thread that called Sweep, one
// call at a time, never from a worker. Sweep itself keeps no state between
// calls: sweeps in different threads share nothing.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "network/stop_request.hpp"
#include "driver/network_source.hpp"
#include "engine/engine_kind.hpp"

namespace vantorb {

// The most tuples a sweep takes: more would run for ever and their rows
// would not fit anywhere; and the most worker threads.
constexpr std::uint64_t kMaxSweepTuples = 100'000'000;
constexpr unsigned kMaxSweepJobs = 1024;

// The tuples of a sweep, in order.
class ArgumentTuples {
 public:
  virtual ~ArgumentTuples() = default;
  virtual std::uint64_t Count() const = 0;
  virtual std::size_t Arity() const = 0;
  // The arguments of tuple index (< Count()), in argument order, as
  // decimal texts.
  virtual std::vector<std::string> At(std::uint64_t index) const = 0;
  // Throws ArgumentError naming the tuple (or the range) with an argument
  // too large for a run that takes at most `largest`: "tuple 6 (13, 1):
  // the argument 13 is too large: at most 12 can be computed".
  virtual void CheckSizes(std::int64_t largest) const = 0;
};

class SweepRange {
 public:
  // Throws ArgumentError "range 'TEXT' is not a number, A..B or a comma
  // list" for any other text (signs, blanks, empty items, "1..2..3"),
  // "range 'A..B' ends before it starts" for B < A, "range 'TEXT' has more
  // than 100000000 numbers" for one longer than any sweep takes, and
  // "range 'TEXT' goes beyond 9223372036854775807" for ends past 64 bits.
  // Numbers given alone or in a list keep their text as written, so that an
  // argument too large for a run is refused by the run, as `run` refuses it.
  static SweepRange Parse(const std::string& text);

  std::uint64_t Count() const { return listed_.empty() ? count_ : listed_.size(); }
  // The argument text at index (< Count()).
  std::string At(std::uint64_t index) const;
  const std::string& Text() const { return text_; }
  // The numbers, written as in the range, that are not below any other.
  std::vector<std::string> Largest() const;

 private:
  SweepRange() = default;  // only Parse makes one: never empty

  std::string text_;
  std::vector<std::string> listed_;  // a number or a list; empty for A..B
  std::uint64_t first_ = 0, count_ = 0;
};

class SweepTuples : public ArgumentTuples {
 public:
  // Throws ArgumentError "the ranges make more than 100000000 tuples, the
  // most a sweep takes". No ranges make one tuple, of no arguments.
  explicit SweepTuples(std::vector<SweepRange> ranges);
  std::uint64_t Count() const override { return count_; }
  std::size_t Arity() const override { return ranges_.size(); }
  std::vector<std::string> At(std::uint64_t index) const override;
  // Names the range: "range '0..13': the argument 13 is too large: ...".
  void CheckSizes(std::int64_t largest) const override;

 private:
  std::vector<SweepRange> ranges_;
  std::uint64_t count_ = 1;
};

// Tuples given one by one (Python's sweep), each a list of natural
// numbers written in decimal. Throws ArgumentError for a tuple whose
// length differs from the first's, or an argument that is no natural
// number, naming the tuple; "more than 100000000 tuples" for too many.
class TupleList : public ArgumentTuples {
 public:
  explicit TupleList(std::vector<std::vector<std::string>> tuples);
  std::uint64_t Count() const override { return tuples_.size(); }
  std::size_t Arity() const override { return tuples_.empty() ? 0 : tuples_[0].size(); }
  std::vector<std::string> At(std::uint64_t index) const override { return tuples_[index]; }
  void CheckSizes(std::int64_t largest) const override;

 private:
  std::vector<std::vector<std::string>> tuples_;
};

enum class SweepStatus {
  Done,     // the network answered
  Limit,    // the iteration limit stopped the run
  Stopped,  // a stop request cut the run short
};
// "done", "limit" or "stopped".
const char* SweepStatusName(SweepStatus status);

struct SweepRow {
  std::uint64_t index = 0;  // of the tuple
  std::vector<std::string> arguments;
  std::optional<std::string> result;  // only when the run is Done
  // The result neuron read when the limit stopped the run (Limit only;
  // none without a result neuron).
  std::optional<std::string> partial;
  std::int64_t iterations = 0;
  SweepStatus status = SweepStatus::Done;
};

struct SweepOptions {
  unsigned jobs = 1;             // worker threads, up to kMaxSweepJobs; 0
                                 // counts as 1, and there are never more
                                 // than tuples
  EngineKind engine = EngineKind::Macro;
  std::int64_t limit = 0;        // iterations per run; 0: none
  // Asked every few milliseconds; once it says yes, every run going on is
  // cut short (row Stopped), no other starts, and Sweep returns.
  StopRequest stop;
  // Each row, in tuple order.
  std::function<void(const SweepRow&)> row;
  // Runs ended so far (in any order) of the total, when that changes.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct SweepOutcome {
  std::uint64_t rows = 0;   // delivered, a prefix of the tuples
  bool stopped = false;     // a stop request ended the sweep
};

// Makes a network from the source (NetworkSource::Build) and checks,
// before any worker starts: the number of workers (ArgumentError "a sweep
// takes at most 1024 workers, not N"), the arity against the tuples
// (CheckArity's ArgumentError) and every argument's size against what a
// run under the engine takes (ArgumentTuples::CheckSizes). Then runs every
// tuple as `vantorb-cli run` does (RunToEnd). The calling thread waits for
// rows and asks the stop request meanwhile; once it says yes, every run
// going on stops at once (also inside a proof), and no other starts. After
// a stop, the rows delivered are every tuple up to the first that was
// never started: finished ones as they are, the ones cut short as Stopped.
//
// Workers that cannot all be started (a limit on threads) are stopped and
// joined, and Sweep throws NeuroException "The worker threads could not be
// started: K of N were (REASON)". An error in a worker (a run refusing its
// arguments) stops every worker; once they are joined, the finished rows
// that precede every unfinished tuple are delivered, and the first error
// is thrown again from here. Runs cut short by an error give no rows. What
// a callback or the stop request throws also stops and joins the workers,
// and goes on from here at once. Thread-safe: sweeps in different threads
// share nothing.
SweepOutcome Sweep(const NetworkSource& source, const ArgumentTuples& tuples,
                   const SweepOptions& options);

// What Sweep checks before any run, against a network made from the same
// source, for a front end that hands the runs to workers of its own (a
// cluster's): the workers, the arity and every argument's size, with
// Sweep's ArgumentErrors. Reads the network only.
void CheckSweep(const Network& network, const ArgumentTuples& tuples, const SweepOptions& options);

}  // namespace vantorb
