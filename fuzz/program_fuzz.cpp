// Program text through the scanner, the parser, the compiler and a few
// iterations of the network it builds. Every input must end in a result or
// a NeuroException: anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "language/parser.hpp"
#include "network/exceptions.hpp"
#include "simulation/network_run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorb;
  Scanner scanner;
  scanner.Reset(std::string(reinterpret_cast<const char*>(data), size));
  SymbolTable table;
  try {
    Parser(scanner, table).Parse();
    ProofObj* target = table.GetTarget();
    if (target == nullptr) return 0;
    const NetworkSize plan = target->PlannedSize();
    if (plan.neurons > 20000 || plan.synapses > 100000) return 0;
    TargetNetwork network;
    BuildTargetNetwork(*target, network);
    NetworkRun run;
    run.Start(target, network, std::vector<std::string>(target->Arity(), "2"));
    for (int i = 0; i < 60 && run.Running(); ++i) run.RunIteration();
  } catch (const NeuroException&) {
  }
  return 0;
}
