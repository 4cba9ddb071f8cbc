#include "workbench/waveform_axis.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

#include "network/utils.hpp"

namespace vantorb {

std::optional<double> CodeLabelStart(double x0, double x1, double left, double labelWidth) {
  constexpr double kPadding = 2;
  const double start = std::max(x0, left) + kPadding;
  if (x1 - start > labelWidth + kPadding) return start;
  return std::nullopt;
}

std::int64_t TickStep(double pixelsPerIteration, double minSpacing) {
  constexpr std::int64_t kLargestDecade = std::numeric_limits<std::int64_t>::max() / 10;
  std::int64_t decade = 1;
  for (;;) {
    for (const std::int64_t factor : {1, 2, 5}) {
      const std::int64_t step = factor * decade;
      if (static_cast<double>(step) * pixelsPerIteration >= minSpacing) return step;
    }
    if (decade > kLargestDecade) return 5 * decade;
    decade *= 10;
  }
}

std::optional<std::size_t> ChangeAt(const std::vector<Waveforms::Change>& changes,
                                    std::int64_t iteration) {
  const auto after = std::upper_bound(
      changes.begin(), changes.end(), iteration,
      [](std::int64_t i, const Waveforms::Change& c) { return i < c.iteration; });
  if (after == changes.begin()) return std::nullopt;
  return static_cast<std::size_t>(after - changes.begin()) - 1;
}

std::string TraceReading(const Waveforms& waves, const Waveforms::Trace& trace,
                         std::int64_t iteration) {
  std::string text = trace.name + " at iteration " + std::to_string(iteration) + ": ";
  const auto at = ChangeAt(trace.changes, iteration);
  // Past the last change kept of a cut trace, the value may have changed.
  const bool cut = at && trace.truncated && *at + 1 == trace.changes.size() &&
                   iteration > trace.changes.back().iteration;
  if (!at || cut) return text + "not recorded";
  // Inside a leap over a proved loop only its ends are known.
  if (const auto leap = waves.LeapAt(iteration))
    return text + "not recorded: leapt over from iteration " + std::to_string(leap->from) +
           " to " + std::to_string(leap->to);
  const Waveforms::Change& change = trace.changes[*at];
  if (const std::string exact = waves.ValueText(change); !exact.empty()) {
    text += exact;
  } else {
    char digits[32];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), change.value,
                                       std::chars_format::general, 8);
    // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on a
    // literal added to a temporary string.
    text += '~';
    text += ReplaceFirst(std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)),
                         ".", decimalSeparator);
  }
  if (change.decoded >= 0) text += " (" + std::to_string(change.decoded) + ")";
  return text;
}

}  // namespace vantorb
