#pragma once
// Sweeps: the target of one file computed for every tuple of a cross
// product of argument ranges, on several worker threads at once.
//
// SweepRange is one RANGE operand as users write it: a natural number "N",
// an interval "A..B" (both ends included) or a comma list "1,5,9".
// SweepTuples is the cross product of ranges in argument order: the first
// range changes slowest, the last fastest, as nested loops would go. Both
// are immutable once made and may be read from any thread.
//
// Sweep runs the tuples. A run writes neuron values, so no network is
// shared: each worker loads its own from the file, and takes the tuples one
// by one from a shared counter. The rows reach the caller in tuple order,
// whatever order the runs end in, and every callback and the stop request
// are called on the thread that called Sweep, one call at a time, never
// from a worker. Sweep itself keeps no state between calls: sweeps in
// different threads share nothing.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compiler/interpreter.hpp"
#include "simulation/engine_kind.hpp"

namespace vantorb {

// The most tuples a sweep takes: more would run for ever and their rows
// would not fit anywhere.
constexpr std::uint64_t kMaxSweepTuples = 100'000'000;

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

 private:
  SweepRange() = default;  // only Parse makes one: never empty

  std::vector<std::string> listed_;  // a number or a list; empty for A..B
  std::uint64_t first_ = 0, count_ = 0;
};

class SweepTuples {
 public:
  // Throws ArgumentError "the ranges make more than 100000000 tuples, the
  // most a sweep takes". No ranges make one tuple, of no arguments.
  explicit SweepTuples(std::vector<SweepRange> ranges);
  std::uint64_t Count() const { return count_; }
  std::size_t Arity() const { return ranges_.size(); }
  // The arguments of tuple index (< Count()), in argument order.
  std::vector<std::string> At(std::uint64_t index) const;

 private:
  std::vector<SweepRange> ranges_;
  std::uint64_t count_ = 1;
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
  std::int64_t iterations = 0;
  SweepStatus status = SweepStatus::Done;
};

struct SweepOptions {
  unsigned jobs = 1;             // worker threads; 0 counts as 1, and there
                                 // are never more than tuples
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

// Loads the file (LoadNetworkFile) and checks the arity against the
// ranges (CheckArity's ArgumentError) before any worker starts, then runs
// every tuple as `vantorb-cli run` does: the engine chosen, its values kept
// in the engine, ticks of a thousand iterations. The calling thread waits
// for rows and asks the stop request meanwhile; once it says yes, every
// worker stops at the end of its tick. After a stop, the rows delivered
// are every tuple up to the first that was never started: finished ones as
// they are, the ones cut short as Stopped.
//
// An error in a worker (the file, a run refusing an argument too large)
// stops every worker; once they are joined, the finished rows that precede
// every unfinished tuple are delivered, and the first error is thrown again
// from here. Runs cut short by an error give no rows. What a callback or
// the stop request throws also stops and joins the workers, and goes on
// from here at once. Thread-safe: sweeps in different threads share
// nothing.
SweepOutcome Sweep(const std::string& file, const SweepTuples& tuples,
                   const SweepOptions& options);

}  // namespace vantorb
