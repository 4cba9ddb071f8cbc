// The waveform panel's arithmetic without widgets: tick steps from the
// zoom, the change in force at an iteration, and the pointer's reading.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "separator_scope.hpp"
#include "workbench/waveform_axis.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

TEST(TickStep, SmallestOfOneTwoFiveTimesAPowerOfTenThatLeavesRoomForLabels) {
  struct Case {
    double pixelsPerIteration;
    double minSpacing;
    std::int64_t step;
  };
  const Case cases[] = {
      {80, 40, 1},          {40, 40, 1},         {39.9, 40, 2},     {8, 40, 5},
      {8, 41, 10},          {1, 40, 50},         {1, 50, 50},       {1, 51, 100},
      {0.25, 50, 200},      {0.5, 100, 200},     {0.01, 60, 10000}, {0.01, 101, 20000},
      {1e-9, 60, 100'000'000'000}, {1e-15, 60, 100'000'000'000'000'000},
      {1e-30, 60, 5'000'000'000'000'000'000}, {0, 60, 5'000'000'000'000'000'000},
      {-1, 60, 5'000'000'000'000'000'000},
      {std::numeric_limits<double>::quiet_NaN(), 60, 5'000'000'000'000'000'000},
      {3, 0, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TickStep(c.pixelsPerIteration, c.minSpacing), c.step)
        << c.pixelsPerIteration << " px, " << c.minSpacing << " apart";
  }
}

TEST(ChangeAt, TheLastChangeAtOrBeforeTheIteration) {
  const std::vector<Waveforms::Change> changes = {
      {1, 0, -1}, {3, 0.5, -1}, {4, 1, -1}, {300'000'000, 0, -1}};
  const std::pair<std::int64_t, std::optional<std::size_t>> cases[] = {
      {0, std::nullopt}, {-5, std::nullopt}, {1, 0}, {2, 0}, {3, 1}, {4, 2}, {5, 2},
      {299'999'999, 2}, {300'000'000, 3}, {std::numeric_limits<std::int64_t>::max(), 3},
  };
  for (const auto& [iteration, index] : cases)
    EXPECT_EQ(ChangeAt(changes, iteration), index) << iteration;
  EXPECT_EQ(ChangeAt({}, 7), std::nullopt);
}

TEST(TraceReading, NameIterationValueAndTheNumberCoded) {
  Waveforms::Trace trace{"XSEres_1_3", {{1, 0, -1}, {3, 0.1111, 3}, {5, 1, -1}, {9, 0.11111111, 7}}};
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "XSEres_1_3 at iteration 0: not recorded"},
      {1, "XSEres_1_3 at iteration 1: 0"},
      {2, "XSEres_1_3 at iteration 2: 0"},
      {4, "XSEres_1_3 at iteration 4: 0.1111 (3)"},
      {5, "XSEres_1_3 at iteration 5: 1"},
      {9, "XSEres_1_3 at iteration 9: 0.11111111 (7)"},
      {12, "XSEres_1_3 at iteration 12: 0.11111111 (7)"},
  };
  SeparatorScope scope(".");
  for (const auto& [iteration, text] : cases) EXPECT_EQ(TraceReading(trace, iteration), text);

  // Past the last change kept of a cut trace the value is not known.
  trace.truncated = true;
  EXPECT_EQ(TraceReading(trace, 9), "XSEres_1_3 at iteration 9: 0.11111111 (7)");
  EXPECT_EQ(TraceReading(trace, 10), "XSEres_1_3 at iteration 10: not recorded");
  EXPECT_EQ(TraceReading(trace, 6), "XSEres_1_3 at iteration 6: 1");

  SeparatorScope comma(",");
  EXPECT_EQ(TraceReading(trace, 3), "XSEres_1_3 at iteration 3: 0,1111 (3)");
}

}  // namespace
}  // namespace vantorb
