#pragma once
// The waveform panel's arithmetic and texts, without widgets: how far apart
// the iteration axis puts its labelled ticks at a zoom, which recorded
// change of a trace holds at an iteration, and what the pointer over a
// trace tells there. Iterations are 64-bit; nothing here forms a pixel
// coordinate, so runs of any length stay in range.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulation/waveforms.hpp"

namespace vantorb {

// The step between ticks: the smallest of 1, 2, 5, 10, 20, 50, ... iterations
// that are at least minSpacing pixels apart at pixelsPerIteration. A zoom
// that is not a positive number gets the largest step.
std::int64_t TickStep(double pixelsPerIteration, double minSpacing);

// Where a code's label starts in its stretch of trace, drawn from x0 to x1
// with the names' column ending at left: just inside the part on view, and
// only when that part holds the whole label (labelWidth), so that labels of
// neighbouring stretches never run into each other. None otherwise.
std::optional<double> CodeLabelStart(double x0, double x1, double left, double labelWidth);

// The index of the change in force at an iteration: the last one recorded
// at or before it. None before the first change. changes are in the order
// of their iterations, as Waveforms records them.
std::optional<std::size_t> ChangeAt(const std::vector<Waveforms::Change>& changes,
                                     std::int64_t iteration);

// "NAME at iteration I: VALUE", VALUE as the status window shows it (whole,
// or its ends and digit count: Waveforms::ValueText), or with eight
// significant digits and "~" when its text was not kept, followed by
// " (N)" when the value is the code of N; "NAME at iteration I: not
// recorded" before the trace's first change, and after its last one when
// later changes were dropped; inside a span leapt over, "NAME at iteration
// I: not recorded: leapt over from iteration F to T".
std::string TraceReading(const Waveforms& waves, const Waveforms::Trace& trace,
                         std::int64_t iteration);

}  // namespace vantorb
