#pragma once
// Network: everything one compilation or one equation load makes, owned in
// one place: the symbol table with its function objects (and through them
// every neuron of the network), the target function, the input neurons
// "Ein", "Edata1".."EdataN" and the output list ("Eout", then "Eres"), and
// the report of what was built. It is made whole by CompileProgramFile or
// LoadEquationFile and handed over only when that succeeded, so a Network
// is never half built. Pointers into it stay valid exactly as long as it
// lives; it never moves its neurons.
//
// Not thread-safe: a Network, and any run over it, is used by one thread at
// a time. Two Networks share nothing and may run in two threads at once.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "language/symbol_table.hpp"

namespace vantorb {

struct CompilationReport {
  std::string fileName;    // the base name, without folders
  std::string targetName;
  std::size_t statements = 0;
  int lines = 0;
  std::size_t neurons = 0;
  std::size_t synapses = 0;
};

// The report as the tool's info prints it: in order, each key with its
// value's text; `count` tells the values that are counts (all but the file
// and the target).
struct ReportEntry {
  std::string key, text;
  bool count;
};
std::vector<ReportEntry> ReportEntries(const CompilationReport& report);

class Network {
 public:
  // target must be an entry of table; io holds the network built from it.
  Network(std::unique_ptr<SymbolTable> table, ProofObj& target,
          TargetNetwork io, CompilationReport report);
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;

  ProofObj& Target() const { return target_; }
  const SymbolTable& Table() const { return *table_; }
  const TargetNetwork& Io() const { return io_; }
  const CompilationReport& Report() const { return report_; }

  // The dynamic equation lines of every network neuron, in tree order (the
  // input neurons appear only as sources).
  std::vector<std::string> Equations() const;

 private:
  std::unique_ptr<SymbolTable> table_;
  ProofObj& target_;
  TargetNetwork io_;
  CompilationReport report_;
};

}  // namespace vantorb
