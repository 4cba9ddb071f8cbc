#include "driver/network.hpp"

namespace vantorb {

Network::Network(std::unique_ptr<SymbolTable> table, ProofObj& target,
                 TargetNetwork io, CompilationReport report)
    : table_(std::move(table)),
      target_(target),
      io_(std::move(io)),
      report_(std::move(report)) {}

std::vector<ReportEntry> ReportEntries(const CompilationReport& report) {
  return {{"file", report.fileName, false},
          {"lines", std::to_string(report.lines), true},
          {"target", report.targetName, false},
          {"statements", std::to_string(report.statements), true},
          {"neurons", std::to_string(report.neurons), true},
          {"synapses", std::to_string(report.synapses), true}};
}

std::vector<std::string> Network::Equations() const {
  std::vector<std::string> lines;
  target_.WriteEquations(lines);
  return lines;
}

}  // namespace vantorb
