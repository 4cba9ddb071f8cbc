#pragma once
// The compile command and Generate Equations without the window: compiling
// a program file into the network of its target function, and writing that
// network's equation lines.

#include <cstddef>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "language/parser_interface.hpp"

namespace vantorb {

struct CompilationReport {
  std::string fileName;    // the base name, without folders
  std::string targetName;
  std::size_t statements = 0;
  int lines = 0;
  std::size_t neurons = 0;
  std::size_t synapses = 0;
};

// What the compile command keeps between commands.
struct CompileState {
  bool compiled = false;  // cleared when a compilation starts; set by the
                          // command when it ends, success or failure
  TargetNetwork network;  // inputNeurons and outputNeurons
};

// Told what a compilation hands over while it runs, so that the window can
// fill its function browser in step.
class CompilationListener {
 public:
  virtual ~CompilationListener() = default;
  // The symbol table, and every network built from it, is about to go.
  virtual void SymbolTableReplacing() {}
  // The target named by "#target" is not declared.
  virtual void TargetUndefined(const std::string& /*targetName*/) {}
  // The target was found; its network is not built yet.
  virtual void TargetFound(const ProofObj& /*target*/) {}
};

// The network of a target may hold at most this much.
constexpr std::size_t kMaxNetworkNeurons = 10'000'000;
constexpr std::size_t kMaxNetworkSynapses = 40'000'000;

// Opens, resets the symbol table, parses, finds the target, builds its
// network on fresh input neurons, names the outputs "Eout" and "Eres" and
// numbers every neuron. Throws the first error; what it leaves behind is
// what the steps reached (a file that cannot be opened leaves everything as
// it was). The input is closed in every case.
CompilationReport CompileProgramFile(NParserInterface& parser,
                                     const std::string& fileName,
                                     CompileState& state,
                                     CompilationListener* listener = nullptr);

// Load Equations without the window: reads a dynamic equation file into a
// UserNet, makes it the only function and the target of a fresh symbol
// table, and builds its network on fresh input neurons (its neurons keep the
// names of the file). The report names file and target "UserNet", one
// statement and the lines read. A failure throws NeuroCompilerException with
// the reader's message + " (Line " + line + ")" and changes nothing.
CompilationReport LoadEquationFile(NParserInterface& parser,
                                   const std::string& fileName,
                                   TargetNetwork& network,
                                   CompilationListener* listener = nullptr);

// Appends the equation lines of the current target's network. Nothing when
// nothing was compiled or there is no target.
void GenerateEquations(NParserInterface& parser, const CompileState& state,
                       std::vector<std::string>& lines);

// The part of a file name after its last "\" or "/".
std::string BaseFileName(const std::string& fileName);

}  // namespace vantorb
