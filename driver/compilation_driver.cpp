#include "driver/compilation_driver.hpp"

#include <algorithm>
#include <cctype>
#include <functional>

#include "compiler/user_net.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

// Whatever happens, the parser ends with its input closed and without a
// half-filled table: what a failed compilation built is released here.
struct ParserCleanup {
  NParserInterface& parser;
  ~ParserCleanup() {
    parser.CloseInput();
    parser.ResetSymbolTable();
  }
};

void RefuseOversizedNetwork(const ProofObj& target) {
  const NetworkSize size = target.PlannedSize();
  if (size.neurons > kMaxNetworkNeurons || size.synapses > kMaxNetworkSynapses)
    throw NeuroCompilerException(
        "Target function " + target.Name() + " needs " +
        std::to_string(size.neurons) + " neurons and " +
        std::to_string(size.synapses) + " synapses, more than the " +
        std::to_string(kMaxNetworkNeurons) + " and " +
        std::to_string(kMaxNetworkSynapses) + " that can be built");
}

// Parses the parser's open input and builds its target's network; the
// report names fileName.
std::unique_ptr<Network> CompileOpenInput(NParserInterface& parser, const std::string& fileName,
                                          CompilationListener* listener) {
  ParserCleanup cleanup{parser};
  if (listener) listener->ProgramOpened();
  parser.ResetSymbolTable();
  parser.Parse();

  CompilationReport report;
  report.fileName = BaseFileName(fileName);
  SymbolTable& table = parser.symbolTable();
  ProofObj* target = table.GetTarget();
  if (target == nullptr) {
    if (listener) listener->TargetUndefined(table.TargetName());
    throw NeuroCompilerException("Target function " + table.TargetName() +
                                 " was not defined");
  }
  if (listener) listener->TargetFound(*target);
  RefuseOversizedNetwork(*target);

  TargetNetwork io;
  BuildTargetNetwork(*target, io);
  report.targetName = target->Name();
  report.statements = table.Count();
  report.lines = parser.lineNumber();
  report.neurons = target->NeuronCount();
  report.synapses = target->SynapseCount();
  return std::make_unique<Network>(parser.TakeSymbolTable(), *target,
                                   std::move(io), std::move(report));
}

// The number written after the first occurrence of mark, if digits follow.
std::optional<int> NumberAfter(std::string_view text, std::string_view mark) {
  const auto at = text.find(mark);
  if (at == std::string_view::npos) return std::nullopt;
  const auto digits = text.substr(at + mark.size());
  const auto end = std::find_if(digits.begin(), digits.end(),
                                [](unsigned char c) { return !std::isdigit(c); });
  const auto value = ParseDecimalInteger(digits.substr(0, end - digits.begin()), 0, INT32_MAX);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

// Reads the lines readLines gives into a UserNet and builds its network;
// the one way both an equation file and its text are loaded.
std::unique_ptr<Network> LoadEquationLines(
    const std::function<std::vector<std::string>()>& readLines, const std::string& fileName) {
  int lineIndex = -1;
  std::unique_ptr<UserNet> loaded;
  try {
    loaded = std::make_unique<UserNet>(readLines(), lineIndex);
  } catch (const NeuroException& e) {
    // A file that could not be read has no line; the reader's syntax
    // errors name theirs already.
    const int line = lineIndex + 1;
    if (line == 0 || CompileErrorLine(e.Message()) == line)
      throw NeuroCompilerException(e.Message());
    throw NeuroCompilerException(e.Message() + " (Line " + std::to_string(line) + ")");
  }
  UserNet& net = *loaded;
  auto table = std::make_unique<SymbolTable>();
  table->Add(std::move(loaded));
  table->SetTarget(net.Name());
  TargetNetwork io;
  CreateInputNeurons(net.Arity(), io);
  net.BuildNetwork(io.InputList(), io.outputNeurons);

  CompilationReport report;
  report.fileName = BaseFileName(fileName);  // the network is named by its file
  report.targetName = net.Name();
  report.statements = table->Count();
  report.lines = lineIndex + 1;
  report.neurons = net.NeuronCount();
  report.synapses = net.SynapseCount();
  return std::make_unique<Network>(std::move(table), net, std::move(io),
                                   std::move(report));
}


}  // namespace

std::string BaseFileName(const std::string& fileName) {
  const auto slash = fileName.find_last_of("\\/");
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::unique_ptr<Network> CompileProgramFile(NParserInterface& parser,
                                            const std::string& fileName,
                                            CompilationListener* listener) {
  parser.OpenInput(fileName);
  return CompileOpenInput(parser, fileName, listener);
}

std::unique_ptr<Network> CompileProgramText(NParserInterface& parser, std::string text,
                                            const std::string& name,
                                            CompilationListener* listener) {
  parser.OpenText(std::move(text));
  return CompileOpenInput(parser, name, listener);
}

bool IsEquationFileName(const std::string& fileName) {
  if (fileName.size() < 4) return false;
  std::string ext = fileName.substr(fileName.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".equ";
}

std::unique_ptr<Network> LoadNetworkFile(NParserInterface& parser, const std::string& fileName) {
  if (IsEquationFileName(fileName)) return LoadEquationFile(fileName);
  return CompileProgramFile(parser, fileName);
}

std::optional<int> CompileErrorLine(std::string_view message) {
  if (auto line = NumberAfter(message, "(Line ")) return line;
  return NumberAfter(message, "at line ");
}

std::unique_ptr<Network> LoadEquationFile(const std::string& fileName) {
  return LoadEquationLines([&] { return ReadTextLines(fileName); }, fileName);
}

std::unique_ptr<Network> LoadEquationText(std::string_view text, const std::string& name) {
  return LoadEquationLines([&] { return SplitLines(text); }, name);
}

}  // namespace vantorb
