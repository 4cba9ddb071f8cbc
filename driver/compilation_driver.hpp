#pragma once
// The compile command and Load Equations without the window: compiling a
// program file into the network of its target function, and reading a
// dynamic equation file into a network. Each builds a new Network whole and
// hands it over only on success; a failure throws and leaves nothing
// behind, so a caller's current network is replaced only by a complete one.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/network.hpp"
#include "language/parser_interface.hpp"

namespace vantorb {

// Told what a compilation reaches while it runs, so that the window can
// fill its function browser in step. References handed over are valid
// during the call only.
class CompilationListener {
 public:
  virtual ~CompilationListener() = default;
  // The program file is open and about to be parsed: from here on the
  // network of the previous compilation is given up, as its program is
  // replaced. A file that cannot be opened never gets here.
  virtual void ProgramOpened() {}
  // The target named by "#target" is not declared.
  virtual void TargetUndefined(const std::string& /*targetName*/) {}
  // The target was found; its network is not built yet.
  virtual void TargetFound(const ProofObj& /*target*/) {}
};

// The network of a target may hold at most this much.
constexpr std::size_t kMaxNetworkNeurons = 10'000'000;
constexpr std::size_t kMaxNetworkSynapses = 40'000'000;

// Opens and parses the file, finds the target, builds its network on fresh
// input neurons, names the outputs "Eout" and "Eres" and numbers every
// neuron. Throws the first error: "Cannot open file NAME: reason" before
// ProgramOpened, parse and rule errors, "Target function NAME was not
// defined", and errors of the build. The parser's input is closed and its
// symbol table left empty in every case; parser.lineNumber() tells how far
// the parse got.
std::unique_ptr<Network> CompileProgramFile(NParserInterface& parser,
                                            const std::string& fileName,
                                            CompilationListener* listener = nullptr);

// The same for a program held as text, compiled as the file `name` would
// be (the report's file is the base name of name). Never reads a file.
std::unique_ptr<Network> CompileProgramText(NParserInterface& parser, std::string text,
                                            const std::string& name,
                                            CompilationListener* listener = nullptr);

// Reads a dynamic equation file into a UserNet, the only function and the
// target of a new symbol table, and builds its network on fresh input
// neurons (its neurons keep the names of the file). The report names the
// file (its base name), the target "UserNet", one statement and the lines
// read. A failure throws
// NeuroCompilerException with the reader's message, followed by " (Line " +
// line + ")" unless the message names its line itself (" Syntax error at
// line N") or there is no line (a file that cannot be read).
std::unique_ptr<Network> LoadEquationFile(const std::string& fileName);

// The same for an equation file held as text, read as the file `name` would
// be (the report's file is the base name of name). Never reads a file.
std::unique_ptr<Network> LoadEquationText(std::string_view text, const std::string& name);

// Whether a file is read as dynamic equations rather than compiled: its
// name ends in ".equ", in any case.
bool IsEquationFileName(const std::string& fileName);

// A file as the tool takes it: LoadEquationFile for an equation file,
// CompileProgramFile otherwise. Throws what they throw.
std::unique_ptr<Network> LoadNetworkFile(NParserInterface& parser, const std::string& fileName);

// The line a compilation or equation-reading message names: N of its
// "(Line N)" or, without one, of its "at line N"; empty when it names none.
std::optional<int> CompileErrorLine(std::string_view message);

// The part of a file name after its last "\" or "/".
std::string BaseFileName(const std::string& fileName);

}  // namespace vantorb
