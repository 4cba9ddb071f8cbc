// Waveforms keep bounded memory whatever a run does, and their extent stays
// drawable for runs of any length.

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "engine/engine_kind.hpp"
#include "engine/macro_engine.hpp"
#include "simulation/network_run.hpp"
#include "simulation/waveforms.hpp"

namespace vantorb {
namespace {

// Neurons whose values the test sets by hand.
struct Neurons {
  explicit Neurons(int count) {
    for (int i = 0; i < count; ++i) {
      owned.push_back(std::make_unique<Neuron>(std::string("n").append(std::to_string(i))));
      list.push_back(owned.back().get());
    }
  }
  // An iteration computed but not committed: every neuron's next value.
  void Compute(const std::string& text) {
    Number next;
    next.FromText(text);
    for (auto* neuron : list) neuron->MutableNext() = next;
  }
  void Commit() {
    for (auto* neuron : list) neuron->Commit();
  }
  std::vector<std::unique_ptr<Neuron>> owned;
  NeuronList list;
};

TEST(WaveformsMemory, ChangesStopAtEachTracesCapAndAtTheTotalCap) {
  struct Case {
    int neurons, iterations;
    std::size_t perTrace, total;
    std::size_t kept;
  };
  const Case cases[] = {
      {3, 50, 100, 1000, 150},  // under both caps: every change
      {3, 50, 20, 1000, 60},    // each trace stops at 20
      {4, 50, 100, 70, 70},     // all of them stop at 70 together
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kept);
    Neurons n(c.neurons);
    Waveforms waves(c.perTrace, c.total);
    waves.Begin(n.list, 0);
    for (int i = 1; i < c.iterations; ++i) {
      n.Compute(i % 2 ? "0.1" + std::string(i % 7, '1') : "1");  // changes every time
      waves.RecordChanges(n.list, i);
      n.Commit();
    }
    EXPECT_EQ(waves.TotalChanges(), c.kept);
    std::size_t sum = 0;
    for (const auto& trace : waves.Traces()) {
      EXPECT_LE(trace.changes.size(), c.perTrace);
      EXPECT_EQ(trace.truncated, trace.changes.size() < static_cast<std::size_t>(c.iterations));
      sum += trace.changes.size();
    }
    EXPECT_EQ(sum, c.kept);
    EXPECT_EQ(waves.LastIteration(), c.iterations - 1);
  }
}

TEST(WaveformsMemory, ChangesCarryTheValueAndTheNumberCoded) {
  Neurons n(1);
  Waveforms waves;
  n.Compute("0");
  n.Commit();
  waves.Begin(n.list, 0);
  const std::pair<const char*, std::int64_t> values[] = {
      {"0", -1}, {"0.1", 0}, {"0.1111", 3}, {"0.5", -1}, {"1", -1}, {"0.11111111", 7}};
  for (std::size_t i = 1; i < std::size(values); ++i) {
    n.Compute(values[i].first);
    waves.RecordChanges(n.list, static_cast<std::int64_t>(i) * 2);
    n.Commit();
    n.Compute(values[i].first);  // the same again: not kept
    waves.RecordChanges(n.list, static_cast<std::int64_t>(i) * 2 + 1);
    n.Commit();
  }
  const auto& changes = waves.Traces().at(0).changes;
  ASSERT_EQ(changes.size(), std::size(values));
  for (std::size_t i = 0; i < changes.size(); ++i) {
    EXPECT_EQ(changes[i].iteration, static_cast<std::int64_t>(i) * 2);
    EXPECT_EQ(changes[i].decoded, values[i].second) << values[i].first;
  }
  EXPECT_DOUBLE_EQ(changes[2].value, 0.1111);
}

// Waveforms of every neuron of a run: read from the neurons in step at
// each iteration, or followed through the engine, which keeps them behind.
struct Recorder : RunObserver {
  Recorder(Waveforms& waves, const NeuronList& neurons, const NetworkRun& run, bool follow)
      : waves(waves), neurons(neurons), run(run), follow(follow) {}
  bool Watching() override { return !follow; }
  void Computed() override { waves.RecordChanges(neurons, run.Iteration() + 1); }
  bool Following() override { return follow && recording; }
  void Committed(const Engine& engine) override {
    waves.RecordCommitted(engine, run.Iteration() + 1);
  }
  void Leapt(const Engine& engine, std::int64_t from, std::int64_t to) override {
    waves.RecordLeap(engine, from, to);
  }
  Waveforms& waves;
  const NeuronList& neurons;
  const NetworkRun& run;
  bool follow, recording = false;
};

// A recorded change with its value's text, as a view reads it.
struct Seen {
  std::int64_t iteration;
  double value;
  std::int64_t decoded;
  std::string text;
  bool SameValue(const Seen& other) const {
    return value == other.value && decoded == other.decoded && text == other.text;
  }
};
struct SeenTrace {
  std::string name;
  std::vector<Seen> changes;
};

struct Recorded {
  std::vector<SeenTrace> traces;
  std::vector<Waveforms::LeapSpan> leaps;
  std::int64_t iterations = 0;
  std::string result;
  std::uint64_t longest = 0;  // limbs of the longest value at the end
};

// A multiplication recorded under an engine, following it or not.
Recorded RecordRun(std::unique_ptr<Engine> engine, bool follow,
                   const std::vector<std::string>& arguments) {
  NParserInterface parser;
  const auto network =
      CompileProgramFile(parser, std::string(VANTORB_EXAMPLES_DIR) + "/multiplication.prv");
  NeuronList neurons;
  network->Target().AppendNeurons(neurons);
  Waveforms waves;
  NetworkRun run(std::move(engine));
  Recorder recorder(waves, neurons, run, follow);
  run.Start(*network, arguments, &recorder);
  waves.Begin(neurons, run.Iteration());
  waves.Follow(run.UsedEngine(), neurons);
  recorder.recording = true;
  while (run.Tick(1000, 100000) == RunStatus::Running) {
  }
  Recorded recorded{{}, waves.Leaps(), run.Iteration(), run.Result(),
                    run.UsedEngine().Sizes().longest};
  for (const auto& trace : waves.Traces()) {
    recorded.traces.push_back({trace.name, {}});
    for (const auto& c : trace.changes)
      recorded.traces.back().changes.push_back({c.iteration, c.value, c.decoded, waves.ValueText(c)});
  }
  return recorded;
}

// What traces followed through leaps can know of traces watched at every
// iteration: no change inside a span leapt over, the value in force at its
// end, and no change that leaves the value as it was.
Recorded SeenThroughLeaps(const Recorded& watched, const std::vector<Waveforms::LeapSpan>& leaps) {
  Recorded seen = watched;
  seen.leaps = leaps;
  for (auto& trace : seen.traces) {
    std::vector<Seen> kept;
    const auto push = [&kept](const Seen& change) {
      if (kept.empty() || !kept.back().SameValue(change)) kept.push_back(change);
    };
    std::size_t span = 0;
    for (const auto& change : trace.changes) {
      for (; span < leaps.size() && leaps[span].to <= change.iteration; ++span) {
        Seen end = kept.back();  // the value in force at the span's end
        for (const auto& c : trace.changes)
          if (c.iteration <= leaps[span].to) end = c;
        end.iteration = leaps[span].to;
        push(end);
      }
      if (span == leaps.size() || change.iteration <= leaps[span].from) push(change);
    }
    trace.changes = std::move(kept);
  }
  return seen;
}

void ExpectSameTraces(const Recorded& followed, const Recorded& watched, const char* label) {
  EXPECT_EQ(followed.iterations, watched.iterations) << label;
  EXPECT_EQ(followed.result, watched.result) << label;
  ASSERT_EQ(followed.traces.size(), watched.traces.size()) << label;
  for (std::size_t t = 0; t < watched.traces.size(); ++t) {
    const auto& a = followed.traces[t].changes;
    const auto& b = watched.traces[t].changes;
    const std::string name = std::string(label) + " " + watched.traces[t].name;
    ASSERT_EQ(a.size(), b.size()) << name;
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].iteration, b[i].iteration) << name;
      EXPECT_TRUE(a[i].SameValue(b[i])) << name << " at " << a[i].iteration;
    }
  }
}

TEST(WaveformsFollowingTheEngine, EveryEngineGivesTheTracesOfTheNeurons) {
  // Short values, under the reference engine.
  const Recorded small = RecordRun(MakeEngine(EngineKind::Reference), false, {"9", "7"});
  ASSERT_EQ(small.result, "63");
  ExpectSameTraces(RecordRun(MakeEngine(EngineKind::Reference), true, {"9", "7"}), small,
                   "reference");
  // Values long enough to be held as runs, each engine followed.
  const Recorded watched = RecordRun(MakeEngine(EngineKind::Dense), false, {"600", "3"});
  ASSERT_EQ(watched.result, "1800");
  ASSERT_GT(watched.longest, 200u);
  std::size_t changes = 0;
  for (const auto& trace : watched.traces) changes += trace.changes.size();
  ASSERT_GT(changes, 1000u);
  auto eager = std::make_unique<MacroEngine>();
  eager->SetEager(true);  // it leaps at once, followed or not
  ExpectSameTraces(RecordRun(MakeEngine(EngineKind::Dense), true, {"600", "3"}), watched, "dense");
  ExpectSameTraces(RecordRun(MakeEngine(EngineKind::Event), true, {"600", "3"}), watched, "event");
  const Recorded leapt = RecordRun(std::move(eager), true, {"600", "3"});
  ASSERT_FALSE(leapt.leaps.empty());
  ExpectSameTraces(leapt, SeenThroughLeaps(watched, leapt.leaps), "macro");
}

TEST(TraceScrolling, RangeStaysWithinIntForRunsOfAnyLength) {
  struct Case {
    std::int64_t last;
    double scale;
    int width;
    int range;
    double perStep;
  };
  const Case cases[] = {
      {100, 8, 500, 340, 1},                 // 840 pixels in 500
      {10, 8, 500, 0, 1},                     // fits
      {300'000'000, 80, 500, 1 << 30, 0},     // 2.4e10 pixels: steps of many
      {INT64_MAX / 4, 80, 500, 1 << 30, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last);
    const TraceScroll scroll = ScrollFor(c.last, c.scale, c.width);
    EXPECT_EQ(scroll.range, c.range);
    EXPECT_GE(scroll.pixelsPerStep, 1.0);
    if (c.perStep > 0) {
      EXPECT_EQ(scroll.pixelsPerStep, c.perStep);
    }
    // The bar's last step shows the traces' end.
    const double overflow = static_cast<double>(c.last) * c.scale + 40 - c.width;
    if (overflow > 0) {
      EXPECT_NEAR(scroll.range * scroll.pixelsPerStep, overflow, scroll.pixelsPerStep);
    }
  }
}

}  // namespace
}  // namespace vantorb
