// Waveforms keep bounded memory whatever a run does, and their extent stays
// drawable for runs of any length.

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "simulation/waveforms.hpp"

namespace vantorb {
namespace {

// Neurons whose values the test sets by hand.
struct Neurons {
  explicit Neurons(int count) {
    for (int i = 0; i < count; ++i) {
      owned.push_back(std::make_unique<Neuron>("n" + std::to_string(i)));
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
