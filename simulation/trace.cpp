#include "simulation/trace.hpp"

#include <charconv>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

// The header goes to the sink in pieces of about this size.
constexpr std::size_t kHeaderPiece = 1 << 16;

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

// The shortest text that reads back as the same double.
std::string ShortestText(double value) {
  char number[40];
  const auto end = std::to_chars(number, number + sizeof number, value).ptr;
  return std::string(number, end);
}

}  // namespace

TraceRecorder::TraceRecorder(const ProofObj& tree, const std::string& token, TextSink* csv,
                             TextSink* vcd)
    : csv_(csv), vcd_(vcd) {
  Collect(tree, token);
  if (csv_) WriteCsvHeader();
  if (vcd_) WriteVcdHeader();
}

TraceRecorder TraceRecorder::Reading(const ProofObj& tree, const std::string& token) {
  TraceRecorder chosen(tree, token, nullptr, nullptr);
  if (chosen.NeuronCount() == 0) throw NeuroException("No neuron name contains " + token);
  return chosen;
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

void TraceRecorder::WriteCsvHeader() {
  std::string header = "iteration";
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on a
  // literal added to a temporary string.
  for (const auto& traced : neurons_) {
    header += ',';
    header += CsvField(traced.neuron->Name());
  }
  header += "\n";
  csv_->Append(header);
}

// Collect takes each function object's neurons together, so the signals of
// one scope are neighbours: one pass over them writes every scope.
void TraceRecorder::WriteVcdHeader() {
  std::string vcd = "$version Vantorb $end\n$timescale 1 ns $end\n$scope module network $end\n";
  for (std::size_t n = 0; n < neurons_.size(); ++n) {
    const std::size_t scope = neurons_[n].scope;
    if (n == 0 || neurons_[n - 1].scope != scope) {
      if (n > 0) vcd.append("$upscope $end\n");
      vcd.append("$scope module ").append(VcdName(scopes_[scope])).append(" $end\n");
    }
    vcd.append("$var real 64 ")
        .append(VcdId(n))
        .append(" ")
        .append(VcdName(neurons_[n].neuron->Name()))
        .append(" $end\n");
    // Handed over in pieces, so that the sink writes as the header grows.
    if (vcd.size() >= kHeaderPiece) {
      vcd_->Append(vcd);
      vcd.clear();
    }
  }
  if (!neurons_.empty()) vcd.append("$upscope $end\n");
  vcd.append("$upscope $end\n$enddefinitions $end\n");
  vcd_->Append(vcd);
}

void TraceRecorder::Record(std::int64_t iteration) {
  if (csv_) {
    std::string row = std::to_string(iteration);
    for (std::size_t n = 0; n < neurons_.size(); ++n) {
      row += ',';
      row += ValueText(n);
    }
    row += '\n';
    csv_->Append(row);
  }
  if (vcd_) WriteVcdChanges(iteration);
  recorded_ = true;
}

std::string TraceRecorder::ValueText(std::size_t n) const {
  return ReplaceFirst(neurons_[n].neuron->Value().ToText(), decimalSeparator, ".");
}

void TraceRecorder::WriteVcdChanges(std::int64_t iteration) {
  if (!recorded_) written_.resize(neurons_.size());
  std::string changes;
  for (std::size_t n = 0; n < neurons_.size(); ++n) {
    const Number& value = neurons_[n].neuron->Value();
    if (recorded_ && value == written_[n]) continue;
    written_[n] = value;
    changes += 'r';
    changes += ShortestText(value.ToDouble());
    changes += ' ';
    changes += VcdId(n);
    changes += '\n';
  }
  // The first time stamp stands even when nothing is traced.
  if (!changes.empty() || !recorded_) {
    std::string stamp = "#";
    stamp += std::to_string(iteration);
    stamp += '\n';
    stamp += changes;
    vcd_->Append(stamp);
  }
}

}  // namespace vantorb
