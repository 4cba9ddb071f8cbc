#include "network/equation_text.hpp"

#include <charconv>
#include <cmath>

#include "network/neuron.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

std::string FixedText(double value, int places) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::fixed, places);
  return std::string(buffer, result.ptr);
}

// The text equation files have always carried, weights to hundredths. It is
// kept whenever it reads back as the weight, so that the compiler's weights
// (0.10, 1.0, -10.0) and files written so far keep their bytes.
std::string HundredthsText(double w) {
  const double whole = std::trunc(w) + 0.0;  // + 0.0 turns -0 into 0
  if (w == whole) return FixedText(whole, 0) + ".0";
  const double hundredths = std::nearbyint((w - whole) * 100.0);
  if (w > 0 && hundredths >= 10 && hundredths <= 99)
    return FixedText(whole, 0) + "." + FixedText(hundredths, 0);
  return FixedText(w, 2);
}

bool ReadsBackAs(const std::string& text, double w) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value == w;
}

}  // namespace

std::string weightText(double w) {
  if (!std::isfinite(w)) return FixedText(w, 0);
  std::string text = HundredthsText(w);
  if (ReadsBackAs(text, w)) return text;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, w);
  return std::string(buffer, result.ptr);
}

std::string EquationLine(const Neuron& neuron) {
  std::string line = neuron.Name() + "(i+1) = sigma( ";
  for (const auto& synapse : neuron.Synapses()) {
    line += weightText(synapse.weight);
    line += '*';
    line += synapse.source->Name();
    line += "(i) + ";
  }
  line += ReplaceFirst(neuron.Bias(), decimalSeparator, ".");
  line += " )";
  return line;
}

std::string EquationFileText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace vantorb
