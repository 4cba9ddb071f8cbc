// vantorb-cli: the headless front end.
//   compile FILE.PRV            compiles and prints the compilation report
//                               and the function tree
//   equations FILE.PRV [OUT]    compiles and writes the dynamic equations
//                               (to OUT, else to standard output)
//   demo [ARGUMENT]             a successor network wired by hand, run

#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "network/neuron_container.hpp"
#include "network/utils.hpp"

namespace {

using vantorb::IOObj;
using vantorb::Neuron;
using vantorb::NeuronContainer;

int Usage() {
  std::cerr << "usage: vantorb-cli compile FILE.PRV\n"
               "       vantorb-cli equations FILE.PRV [OUT.EQU]\n"
               "       vantorb-cli demo [ARGUMENT]\n";
  return 2;
}

void PrintReport(const vantorb::CompilationReport& report) {
  std::cout << "File name:      " << report.fileName << "\n"
            << "Target:         " << report.targetName << "\n"
            << "Statements:     " << report.statements << "\n"
            << "Size in lines:  " << report.lines << "\n"
            << "Neurons:        " << report.neurons << "\n"
            << "Synapses:       " << report.synapses << "\n";
}

int Compile(const std::string& fileName) {
  vantorb::CompileState state;
  const auto report =
      vantorb::CompileProgramFile(*vantorb::parserInterface, fileName, state);
  PrintReport(report);
  vantorb::InMemoryTree tree;
  vantorb::parserInterface->symbolTable().GetTarget()->AddToTree(tree, std::nullopt);
  std::cout << "Function tree:\n" << tree.Outline();
  return 0;
}

// Lines end in CR LF, as equation files do wherever they are written.
int Equations(const std::string& fileName, const std::string& outName) {
  vantorb::CompileState state;
  vantorb::CompileProgramFile(*vantorb::parserInterface, fileName, state);
  state.compiled = true;
  std::vector<std::string> lines;
  vantorb::GenerateEquations(*vantorb::parserInterface, state, lines);
  std::ofstream file;
  if (!outName.empty()) {
    file.open(outName, std::ios::binary);
    if (!file) throw vantorb::NeuroException("Cannot write " + outName);
  }
  std::ostream& out = outName.empty() ? std::cout : file;
  for (const auto& line : lines) out << line << "\r\n";
  return out ? 0 : 1;
}

int RunSuccessorDemo(const std::string& argument) {
  IOObj start("Ein"), data("Edata1");
  NeuronContainer net;
  Neuron* in = net.Add(std::make_unique<Neuron>("XSin_1_0"));
  Neuron* out = net.Add(std::make_unique<Neuron>("XSEout_1_1"));
  Neuron* copy = net.Add(std::make_unique<Neuron>("XSdata_1_2"));
  Neuron* res = net.Add(std::make_unique<Neuron>("XSEres_1_3"));
  net.Reset();
  res->SetBias("-0" + vantorb::decimalSeparator + "9");
  NeuronContainer::Connect(in, out, 1);
  NeuronContainer::Connect(in, res, 1);
  NeuronContainer::Connect(copy, res, 0.1);
  NeuronContainer::Connect(&start, in, 1);
  NeuronContainer::Connect(&data, copy, 1);

  std::vector<std::string> lines;
  net.WriteEquations(lines);
  std::cout << "Dynamic equations:\n";
  for (const auto& line : lines) std::cout << "  " << line << "\n";

  start.SetValueText("1");
  data.SetArgument(argument);
  std::cout << "Run with argument " << argument << " (Edata1 = "
            << data.Value().ToText() << "):\n";
  for (int step = 1; step <= 10; ++step) {
    net.ComputeNext();
    net.Commit();
    start.SetValueText("0");
    data.SetValueText("0");
    std::cout << "  step " << step << ": Eout = " << out->Value().ToText()
              << ", Eres = " << res->Value().ToText() << "\n";
    if (out->Value().ToText() == "1" + vantorb::decimalSeparator + "00000000") {
      std::cout << "Result: " << res->ResultText() << " after " << step
                << " iterations\n";
      return 0;
    }
  }
  std::cout << "No result within 10 iterations\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::CreateParserInterface();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? "" : args[0];
  try {
    if (command == "compile" && args.size() == 2) return Compile(args[1]);
    if (command == "equations" && (args.size() == 2 || args.size() == 3))
      return Equations(args[1], args.size() == 3 ? args[2] : "");
    if (command == "demo" && args.size() <= 2)
      return RunSuccessorDemo(args.size() == 2 ? args[1] : "2");
    return Usage();
  } catch (const vantorb::NeuroException& error) {
    std::cerr << "vantorb-cli: " << error.what() << "\n";
    return 1;
  }
}
