// The waveform panel's arithmetic without widgets: tick steps from the
// zoom, the change in force at an iteration, and the pointer's reading.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "network/unary.hpp"
#include "network/value_text.hpp"
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

// Stretches side by side, at zooms from wide to a pixel per change and
// scrolled so that the first ones start left of the names' column: every
// label drawn lies inside its own stretch and on view, so none overlaps
// another; a stretch wide enough always gets its label.
TEST(CodeLabelStart, LabelsStayInsideTheirStretchOnView) {
  constexpr double kLeft = 100;
  for (const double stretchWidth : {1.0, 7.0, 24.0, 60.0}) {
    for (const double firstX : {kLeft, 60.0, -500.0}) {
      SCOPED_TRACE(std::to_string(stretchWidth) + " from " + std::to_string(firstX));
      double lastEnd = kLeft;
      for (int c = 0; c < 40; ++c) {
        const double x0 = firstX + c * stretchWidth, x1 = x0 + stretchWidth;
        const double labelWidth = 6.0 * (1 + c % 3);  // one to three digits
        const auto start = CodeLabelStart(x0, x1, kLeft, labelWidth);
        if (!start) {
          EXPECT_LE(x1 - std::max(x0, kLeft), labelWidth + 4) << "room enough at " << c;
          continue;
        }
        EXPECT_GE(*start, std::max(x0, kLeft));
        EXPECT_GE(*start, lastEnd);
        EXPECT_LE(*start + labelWidth, x1);
        lastEnd = *start + labelWidth;
      }
    }
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

// The reading shows the exact value as the status window does, long ones
// by their ends and digit count, codes made again from their number.
TEST(TraceReading, NameIterationExactValueAndTheNumberCoded) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    Neuron neuron("XSEres_1_3");
    const NeuronList list{&neuron};
    neuron.SetValueText("0");
    Waveforms waves;
    waves.Begin(list, 1);
    const std::string dot = separator;
    const std::pair<std::int64_t, std::string> values[] = {
        {3, "0" + dot + "1111"},
        {5, "1"},
        {9, "0" + dot + "11111111"},
        {11, "0" + dot + "5" + std::string(3000, '7')},       // long, no code
        {13, "0" + dot + std::string(1001, '1')},             // the code of 1000
        {15, "-0" + dot + "123456789012345678901234567890"},  // short enough to show whole
    };
    std::map<std::int64_t, std::string> expected = {{1, ElidedValueText(neuron.Value())}};
    for (const auto& [iteration, text] : values) {
      Number value;
      value.FromText(text);
      neuron.MutableNext() = value;
      waves.RecordChanges(list, iteration);
      neuron.Commit();
      const std::int64_t code = DecodeUnary(value);
      expected[iteration] = ElidedValueText(value) + (code >= 0 ? " (" + std::to_string(code) + ")" : "");
    }
    Waveforms::Trace trace = waves.Traces().at(0);
    EXPECT_EQ(TraceReading(waves, trace, 0), "XSEres_1_3 at iteration 0: not recorded");
    for (const std::int64_t iteration : {1, 2, 3, 4, 5, 9, 11, 12, 13, 15, 20}) {
      const std::int64_t at = std::prev(expected.upper_bound(iteration))->first;
      EXPECT_EQ(TraceReading(waves, trace, iteration),
                "XSEres_1_3 at iteration " + std::to_string(iteration) + ": " + expected[at])
          << separator;
    }
    EXPECT_NE(expected[11].find("(3008 digits)"), std::string::npos) << expected[11];
    EXPECT_NE(expected[13].find(" (1000)"), std::string::npos) << expected[13];
    // Past the last change kept of a cut trace the value is not known.
    trace.truncated = true;
    EXPECT_EQ(TraceReading(waves, trace, 15), "XSEres_1_3 at iteration 15: " + expected[15]);
    EXPECT_EQ(TraceReading(waves, trace, 16), "XSEres_1_3 at iteration 16: not recorded");
  }
}

}  // namespace
}  // namespace vantorb
