#include "driver/network.hpp"

namespace vantorb {

Network::Network(std::unique_ptr<SymbolTable> table, ProofObj& target,
                 TargetNetwork io, CompilationReport report)
    : table_(std::move(table)),
      target_(target),
      io_(std::move(io)),
      report_(std::move(report)) {}

std::vector<std::string> Network::Equations() const {
  std::vector<std::string> lines;
  target_.WriteEquations(lines);
  return lines;
}

}  // namespace vantorb
