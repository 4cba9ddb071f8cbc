// vantorb-cli: the headless front end. Until programs can be compiled it
// offers one job, "demo": it wires the successor network by hand, prints its
// dynamic equations and runs it on an argument, step by step.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "network/neuron_container.hpp"
#include "network/utils.hpp"

namespace {

using vantorb::IOObj;
using vantorb::Neuron;
using vantorb::NeuronContainer;

int Usage() {
  std::cerr << "usage: vantorb-cli demo [ARGUMENT]\n"
               "  Runs a hand-wired successor network on ARGUMENT (default 2).\n";
  return 2;
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
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] != "demo" || args.size() > 2) return Usage();
  try {
    return RunSuccessorDemo(args.size() == 2 ? args[1] : "2");
  } catch (const vantorb::NeuroException& error) {
    std::cerr << "vantorb-cli: " << error.what() << "\n";
    return 1;
  }
}
