#include "compiler/compilation_driver.hpp"

#include "compiler/user_net.hpp"
#include "network/exceptions.hpp"

namespace vantorb {
namespace {

struct InputCloser {
  NParserInterface& parser;
  ~InputCloser() { parser.CloseInput(); }
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

}  // namespace

std::string BaseFileName(const std::string& fileName) {
  const auto slash = fileName.find_last_of("\\/");
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

CompilationReport CompileProgramFile(NParserInterface& parser,
                                     const std::string& fileName,
                                     CompileState& state,
                                     CompilationListener* listener) {
  parser.OpenInput(fileName);
  InputCloser closer{parser};
  if (listener) listener->SymbolTableReplacing();
  parser.ResetSymbolTable();
  state.compiled = false;
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

  BuildTargetNetwork(*target, state.network);
  report.targetName = target->Name();
  report.statements = table.Count();
  report.lines = parser.lineNumber();
  report.neurons = target->NeuronCount();
  report.synapses = target->SynapseCount();
  return report;
}

CompilationReport LoadEquationFile(NParserInterface& parser,
                                   const std::string& fileName,
                                   TargetNetwork& network,
                                   CompilationListener* listener) {
  int lineIndex = -1;
  std::unique_ptr<UserNet> loaded;
  try {
    loaded = UserNet::FromFile(fileName, lineIndex);
  } catch (const NeuroException& e) {
    throw NeuroCompilerException(std::string(e.what()) + " (Line " +
                                 std::to_string(lineIndex + 1) + ")");
  }
  UserNet& net = *loaded;
  if (listener) listener->SymbolTableReplacing();
  parser.ResetSymbolTable();
  SymbolTable& table = parser.symbolTable();
  table.Add(std::move(loaded));
  table.SetTarget(net.Name());
  if (listener) listener->TargetFound(net);
  CreateInputNeurons(net.Arity(), network);
  net.BuildNetwork(network.InputList(), network.outputNeurons);

  CompilationReport report;
  report.fileName = net.Name();
  report.targetName = net.Name();
  report.statements = table.Count();
  report.lines = lineIndex + 1;
  report.neurons = net.NeuronCount();
  report.synapses = net.SynapseCount();
  return report;
}

void GenerateEquations(NParserInterface& parser, const CompileState& state,
                       std::vector<std::string>& lines) {
  if (!state.compiled) return;
  const ProofObj* target = nullptr;
  try {
    target = parser.symbolTable().GetTarget();
  } catch (const NeuroException&) {
    return;
  }
  if (target != nullptr) target->WriteEquations(lines);
}

}  // namespace vantorb
