#pragma once
// Waveforms: the values of the inspected neurons over the iterations of a
// run, kept for drawing as traces: for each neuron the iterations at which
// its value changed, the value as a number from 0 to 1 and, for a unary
// code, the number it codes. Memory is bounded: at most kMaxChanges
// changes per neuron and kMaxTotalChanges over all of them; later changes
// are dropped and their traces say so.
//
// It keeps no neurons: Begin and RecordChanges read the values from the
// list they are given, which must be the list it began with, in the same
// order; or, begun on an engine (or once Follow has taken the engine's
// handles on that list), RecordCommitted reads them from the engine, as
// runs where it holds them, so that recording every iteration of a run
// costs what the values' runs cost, not their length, and the engine may
// leave the neurons behind or keep the values for good. Neither costs
// anything for a neuron whose value stays.
//
// A leap over a proved loop (RecordLeap) is known only by its ends: the
// traces take the values at its end, and the span of iterations between
// is kept as one not recorded (at most kMaxLeaps spans; past that, the last
// one grows to take the later leaps in).

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/proof_obj.hpp"
#include "engine/engine.hpp"

namespace vantorb {

class Waveforms {
 public:
  static constexpr std::size_t kMaxChanges = 200000;
  static constexpr std::size_t kMaxTotalChanges = 2'000'000;

  static constexpr std::uint32_t kNoText = UINT32_MAX;
  // At most this many different texts of values that are no code are kept
  // for the exact readings; a code's text is made again from its number.
  static constexpr std::size_t kMaxTexts = 100000;
  struct Change {
    std::int64_t iteration;
    double value;          // 0 .. 1
    std::int64_t decoded;  // the coded number, or -1 for no code
    std::uint32_t text = kNoText;  // the value's text, when kept (ValueText)
  };
  struct Trace {
    std::string name;
    std::vector<Change> changes;
    bool truncated = false;
  };
  // Iterations after `from` up to `to` (excluded) were leapt over: no
  // value inside is known.
  struct LeapSpan {
    std::int64_t from, to;
  };
  static constexpr std::size_t kMaxLeaps = 100000;

  explicit Waveforms(std::size_t maxChanges = kMaxChanges,
                     std::size_t maxTotalChanges = kMaxTotalChanges)
      : maxChanges_(maxChanges), maxTotal_(maxTotalChanges) {}

  // Starts recording these neurons, forgetting every earlier trace: their
  // values now are those of that iteration.
  void Begin(const NeuronList& neurons, std::int64_t iteration);
  // The same with the values read from the engine that computes them (from
  // a neuron it does not compute, from the neuron), and followed through it
  // from then on.
  void Begin(const Engine& engine, const NeuronList& neurons, std::int64_t iteration);
  // Between computing and committing that iteration: takes the next values
  // of the neurons whose value changes (Neuron::Changed).
  void RecordChanges(const NeuronList& neurons, std::int64_t iteration);
  // The traces' neurons through the engine they are computed by, from
  // its last Bind on.
  void Follow(const Engine& engine, const NeuronList& neurons);
  // After that iteration's Commit: takes the values of the followed neurons
  // the engine says changed.
  void RecordCommitted(const Engine& engine, std::int64_t iteration);
  // After a leap from iteration `from` to `to`: the followed neurons'
  // values at `to`, where they differ from the last recorded, and the span
  // between them as not recorded.
  void RecordLeap(const Engine& engine, std::int64_t from, std::int64_t to);
  // The spans leapt over, in order, and the one holding an iteration.
  const std::vector<LeapSpan>& Leaps() const { return leaps_; }
  std::optional<LeapSpan> LeapAt(std::int64_t iteration) const;

  const std::vector<Trace>& Traces() const { return traces_; }
  // Counts the calls to Begin: a view tells a new recording by it.
  std::uint64_t Recording() const { return recording_; }
  // The value of a change as the status window shows it (ElidedValueText),
  // or empty when its text was not kept.
  std::string ValueText(const Change& change) const;
  std::int64_t LastIteration() const { return last_; }
  std::size_t TotalChanges() const { return total_; }

 private:
  std::size_t maxChanges_, maxTotal_;
  // A Number or a RunNumber.
  template <class Value>
  void Add(Trace& trace, const Value& value, std::int64_t iteration);

  // Whether value is what the trace's last change holds.
  bool SameAsLast(const Trace& trace, const RunNumber& value) const;

  std::vector<Trace> traces_;
  std::vector<LeapSpan> leaps_;
  std::vector<std::uint32_t> handles_;  // per trace, on the engine followed
  std::vector<std::string> texts_;  // the values' texts kept, each once
  std::unordered_map<std::string, std::uint32_t> textIndex_;
  RunNumber read_;                      // the value read last
  std::int64_t last_ = 0;
  std::size_t total_ = 0;
  std::uint64_t recording_ = 0;
};

// How traces of that many iterations, drawn at that many pixels per
// iteration, scroll through a view that many pixels wide: a scroll bar's
// range and how many pixels one of its steps moves. The range stays far
// inside int whatever the run's length (hundreds of millions of iterations
// at any zoom); beyond it a step moves several pixels.
struct TraceScroll {
  static constexpr double kMaxRange = 1 << 30;
  int range;
  double pixelsPerStep;
};
TraceScroll ScrollFor(std::int64_t lastIteration, double pixelsPerIteration, int viewWidth);

}  // namespace vantorb
