#include "simulation/trace.hpp"

#include <charconv>

#include "network/utils.hpp"

namespace vantorb {
namespace {

// A short printable identifier per signal, as waveform files use.
std::string VcdId(std::size_t n) {
  std::string id;
  do {
    id += static_cast<char>('!' + n % 94);
    n /= 94;
  } while (n > 0);
  return id;
}

// A scope or signal name without the characters VCD readers split on.
std::string VcdName(const std::string& name) {
  std::string clean;
  for (char c : name) clean += (c == ' ' || c == '\t') ? '_' : c;
  return clean.empty() ? "_" : clean;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

TraceRecorder::TraceRecorder(const ProofObj& tree, const std::string& token) {
  Collect(tree, token);
}

void TraceRecorder::Collect(const ProofObj& object, const std::string& token) {
  const std::size_t scope = scopes_.size();
  scopes_.push_back(object.Name() + "_" + std::to_string(scope));
  for (std::size_t i = 0; i < object.Neurons().Count(); ++i) {
    const Neuron* neuron = object.Neurons().Get(i);
    if (token == "*" || (!token.empty() && neuron->Name().find(token) != std::string::npos))
      neurons_.push_back({neuron, scope});
  }
  for (const auto& child : object.Children()) Collect(*child, token);
}

void TraceRecorder::Record(std::int64_t iteration) {
  iterations_.push_back(iteration);
  auto& row = values_.emplace_back();
  row.reserve(neurons_.size());
  for (const auto& traced : neurons_)
    row.push_back(ReplaceFirst(traced.neuron->Value().ToText(), decimalSeparator, "."));
}

std::string TraceRecorder::Csv() const {
  std::string csv = "iteration";
  for (const auto& traced : neurons_) csv += "," + CsvField(traced.neuron->Name());
  csv += "\n";
  for (std::size_t r = 0; r < values_.size(); ++r) {
    csv += std::to_string(iterations_[r]);
    for (const auto& value : values_[r]) csv += "," + value;
    csv += "\n";
  }
  return csv;
}

std::string TraceRecorder::Vcd() const {
  std::string vcd = "$version Vantorb $end\n$timescale 1 ns $end\n$scope module network $end\n";
  for (std::size_t scope = 0; scope < scopes_.size(); ++scope) {
    std::string signals;
    for (std::size_t n = 0; n < neurons_.size(); ++n)
      if (neurons_[n].scope == scope)
        signals += "$var real 64 " + VcdId(n) + " " + VcdName(neurons_[n].neuron->Name()) + " $end\n";
    if (!signals.empty())
      vcd += "$scope module " + VcdName(scopes_[scope]) + " $end\n" + signals + "$upscope $end\n";
  }
  vcd += "$upscope $end\n$enddefinitions $end\n";
  for (std::size_t r = 0; r < values_.size(); ++r) {
    std::string changes;
    for (std::size_t n = 0; n < neurons_.size(); ++n) {
      if (r > 0 && values_[r][n] == values_[r - 1][n]) continue;
      double value = 0;
      const std::string& text = values_[r][n];
      std::from_chars(text.data(), text.data() + text.size(), value);
      char number[40];
      const auto end = std::to_chars(number, number + sizeof number, value).ptr;
      changes += "r" + std::string(number, end) + " " + VcdId(n) + "\n";
    }
    if (!changes.empty() || r == 0) vcd += "#" + std::to_string(iterations_[r]) + "\n" + changes;
  }
  return vcd;
}

}  // namespace vantorb
