// Equation-defined networks: reading equation files (groups, outputs,
// blanks, cut lines, every failure and its line), loading them as the
// target, and the round trip of every example through its equations.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
#include "driver/compilation_driver.hpp"
#include "compiler/user_net.hpp"
#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "example_runs.hpp"
#include "separator_scope.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {
namespace {

namespace fs = std::filesystem;
using vantorb::testing::SeparatorScope;
using Lines = std::vector<std::string>;

struct ReadOutcome {
  std::string error;
  int lineIndex = -2;
  std::unique_ptr<UserNet> net;
};

ReadOutcome Read(const Lines& lines) {
  ReadOutcome outcome;
  try {
    outcome.net = std::make_unique<UserNet>(lines, outcome.lineIndex);
  } catch (const NeuroException& e) {
    outcome.error = e.what();
  }
  return outcome;
}

const Lines kSuccessor = {
    "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )",
    "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )",
    "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )",
    "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )",
};

TEST(UserNetRead, SuccessorFileGivesNeuronsGroupsAndOutputs) {
  SeparatorScope scope(".");
  ReadOutcome r = Read(kSuccessor);
  ASSERT_EQ(r.error, "");
  const UserNet& net = *r.net;
  EXPECT_EQ(r.lineIndex, 3);
  EXPECT_EQ(net.Name(), "UserNet");
  EXPECT_EQ(net.Arity(), 1);
  EXPECT_EQ(net.ComponentCount(), 0);
  EXPECT_EQ(net.Neurons().Count(), 4u);
  EXPECT_EQ(net.SynapseCount(), 3u) << "input links come with BuildNetwork";
  ASSERT_EQ(net.InputGroups().size(), 2u);
  EXPECT_EQ(net.InputGroups()[0][0]->Name(), "XSin_1_0");
  EXPECT_EQ(net.InputGroups()[1][0]->Name(), "XSdata_1_2");
  ASSERT_EQ(net.OutputNeurons().size(), 2u);
  EXPECT_EQ(net.OutputNeurons()[0]->Name(), "XSEout_1_1");
  EXPECT_EQ(net.OutputNeurons()[1]->Name(), "XSEres_1_3");
  const Neuron& res = *net.Neurons().Get(3);
  EXPECT_EQ(res.Bias(), "-0.9");
  ASSERT_EQ(res.Synapses().size(), 2u);
  EXPECT_EQ(res.Synapses()[1].source, net.Neurons().Get(2));
  EXPECT_DOUBLE_EQ(res.Synapses()[1].weight, 0.1);
  TargetNetwork network;
  CreateInputNeurons(net.Arity(), network);
  r.net->BuildNetwork(network.InputList(), network.outputNeurons);
  EXPECT_EQ(net.SynapseCount(), 5u);
  std::vector<std::string> lines;
  net.WriteEquations(lines);
  EXPECT_EQ(lines, kSuccessor) << "written back line for line";
}

TEST(UserNetRead, ShapesTheFileMayTake) {
  struct Case {
    std::string label;
    Lines lines;
    int arity;
    std::vector<std::string> outputs;
    std::vector<std::size_t> synapses;  // per neuron, before BuildNetwork
  };
  const Case cases[] = {
      {"empty file", {}, 0, {}, {}},
      {"Eres before Eout", {"aEres(i+1)=sigma(0)", "bEout(i+1)=sigma(0)"}, 0,
       {"bEout", "aEres"}, {0, 0}},
      {"only a bias", {"A(i+1) = sigma( 0.5 )"}, 0, {}, {0}},
      {"doubled blanks", {"A(i+1)  =  sigma(  2.0 * A (i) +  1.0*Ein( i) + -1  )"}, 0, {}, {1}},
      {"source further down", {"A(i+1)=sigma(1.0*B(i)+0)", "B(i+1)=sigma(0)"}, 0, {}, {1, 0}},
      {"Edata before Ein", {"A(i+1)=sigma(1.0*Edata2(i)+1.0*Ein(i)+0)"}, 2, {}, {0}},
      {"Edata only", {"A(i+1)=sigma(1.0*Edata1(i)+0)"}, 1, {}, {0}},
      {"two Eout", {"xEout(i+1)=sigma(0)", "yEout(i+1)=sigma(0)", "zEres(i+1)=sigma(0)"},
       0, {"yEout", "zEres", "xEout"}, {0, 0, 0}},
      {"bias forms", {"A(i+1)=sigma(5)", "B(i+1)=sigma(-0.9)", "C(i+1)=sigma(-0)",
                      "D(i+1)=sigma(9223372036854775806)"},
       0, {}, {0, 0, 0, 0}},
      {"input weights that read as 1", {"A(i+1)=sigma(1*Ein(i)+1.00*Edata1(i)+1e0*Edata2(i)+0)"},
       2, {}, {0}},
      {"a line of thousands of characters, read whole",
       {"A(i+1)=sigma(" + std::string(3000, ' ') + "1.0*A(i)+1.0*Edata3(i)+0)"}, 3, {}, {1}},
  };
  for (const auto& c : cases) {
    ReadOutcome r = Read(c.lines);
    ASSERT_EQ(r.error, "") << c.label;
    EXPECT_EQ(r.net->Arity(), c.arity) << c.label;
    std::vector<std::string> outputs;
    for (auto* n : r.net->OutputNeurons()) outputs.push_back(n->Name());
    EXPECT_EQ(outputs, c.outputs) << c.label;
    std::vector<std::size_t> synapses;
    for (std::size_t i = 0; i < r.net->Neurons().Count(); ++i)
      synapses.push_back(r.net->Neurons().Get(i)->SynapseCount());
    EXPECT_EQ(synapses, c.synapses) << c.label;
    EXPECT_EQ(r.lineIndex, static_cast<int>(c.lines.size()) - 1) << c.label;
  }
}

TEST(UserNetRead, FaultsNameTheirLine) {
  const std::string ok = "A(i+1)=sigma(0)";
  struct Case {
    Lines lines;
    std::string error;
    int lineIndex;
  };
  const std::string longLine = "A(i+1)=sigma(" + std::string(240, ' ') + "1.0*Ein(i)+0";
  const Case cases[] = {
      {{ok, "no parenthesis"}, " Syntax error at line 2", 1},
      {{ok, "B(i+1)=sigma(1.0 A(i)+0)"}, " Syntax error at line 2", 1},
      {{ok, "B(i+1)=sigma(1.0*A(i)0)+x"}, " Syntax error at line 2", 1},
      {{ok, "B(i+1)=sigma(1.0*C(i)+0)"}, " Syntax error at line 2", 1},
      {{"B(i+1)=sigma(1.0*A(i)+0"}, " Syntax error at line 1", 0},
      {{ok, ok, ok, longLine}, " Syntax error at line 4", 3},
      {{"B(i+1)=sigma(abc*Ein(i)+0)"}, "'abc' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(inf*Ein(i)+0)"}, "'inf' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(1e10*Ein(i)+0)"}, "'1e10' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(nan*Ein(i)+0)"}, "'nan' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(1e300*Ein(i)+0)"}, "'1e300' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(-inf*Ein(i)+0)"}, "'-inf' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(*Ein(i)+0)"}, "'' is not a valid floating point value", 0},
      {{"B(i+1)=sigma(1.0*Edatax(i)+0)"}, "'x' is not a valid integer value", 0},
      {{"B(i+1)=sigma(1.0*Edata(i)+0)"}, "'' is not a valid integer value", 0},
      {{ok, "B(i+1)=sigma(1.0*Edata-1(i)+0)"}, " Syntax error at line 2", 1},
      {{"B(i+1)=sigma(1.0*Edata100001(i)+0)"}, " Syntax error at line 1", 0},
      {{"B(i+1)=sigma(1.0*Edata99999999999(i)+0)"},
       "'99999999999' is not a valid integer value", 0},
      {{ok, "B(i+1)=sigma(abc)"}, "'abc' is not a valid bias value", 1},
      {{"B(i+1)=sigma(1e-1)"}, "'1e-1' is not a valid bias value", 0},
      {{"B(i+1)=sigma(.5)"}, "'.5' is not a valid bias value", 0},
      {{"B(i+1)=sigma(5.)"}, "'5.' is not a valid bias value", 0},
      {{"B(i+1)=sigma(1.0*B(i)+)"}, "'' is not a valid bias value", 0},
      {{"B(i+1)=sigma(+1)"}, " Syntax error at line 1", 0},  // "+" parts terms
      {{"B(i+1)=sigma(1.2.3)"}, "'1.2.3' is not a valid bias value", 0},
      {{"B(i+1)=sigma(9223372036854775807)"},
       "'9223372036854775807' is not a valid bias value", 0},
      {{"A(i)5)"}, "'i' is not a valid bias value", 0},
      {{ok, "B(i+1)=sigma(0.5*Edata1(i)+0)"},
       "'0.5*Edata1' is not a valid input term: inputs are linked with weight 1", 1},
      {{"B(i+1)=sigma(1.0*A(i)+0*Ein(i)+0)", ok},
       "'0*Ein' is not a valid input term: inputs are linked with weight 1", 0},
      {{"B(i+1)=sigma(1.0000001*xEdata2y(i)+0)"},
       "'1.0000001*xEdata2y' is not a valid input term: inputs are linked with weight 1", 0},
  };
  for (const auto& c : cases) {
    const ReadOutcome r = Read(c.lines);
    EXPECT_EQ(r.error, c.error) << c.lines.back();
    EXPECT_EQ(r.lineIndex, c.lineIndex) << c.lines.back();
  }
  EXPECT_EQ(Read({"B(i+1)=sigma(1.0*Edata100000(i)+0)"}).net->Arity(), 100000);
  const ReadOutcome minusZero = Read({"B(i+1)=sigma(-0*B(i)+0)"});
  ASSERT_EQ(minusZero.error, "");
  EXPECT_EQ(minusZero.net->Neurons().Get(0)->Synapses()[0].weight, 0.0);
}

TEST(UserNetRead, ManyLinesLoadInLinearTime) {
  Lines lines;
  const int count = 200000;
  for (int i = 0; i < count; ++i)
    lines.push_back("n" + std::to_string(i) + "(i+1)=sigma(1.0*n" + std::to_string((i + 1) % count) + "(i)+0)");
  const ReadOutcome r = Read(lines);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.net->Neurons().Count(), static_cast<std::size_t>(count));
  EXPECT_EQ(r.net->SynapseCount(), static_cast<std::size_t>(count));
}

TEST(UserNetRead, NumbersFollowTheProgramsSeparator) {
  SeparatorScope scope(",");
  ReadOutcome r = Read(kSuccessor);
  ASSERT_EQ(r.error, "");
  const Neuron& res = *r.net->Neurons().Get(3);
  EXPECT_EQ(res.Bias(), "-0,9");
  EXPECT_DOUBLE_EQ(res.Synapses()[1].weight, 0.1);
  TargetNetwork network;
  CreateInputNeurons(1, network);
  r.net->BuildNetwork(network.InputList(), network.outputNeurons);
  std::vector<std::string> lines;
  r.net->WriteEquations(lines);
  EXPECT_EQ(lines, kSuccessor) << "files always use \".\"";
  EXPECT_EQ(Read({"B(i+1)=sigma(0,5)"}).error, "'0,5' is not a valid bias value");
  SeparatorScope point(".");
  EXPECT_EQ(Read({"B(i+1)=sigma(0,5*Ein(i)+0)"}).error,
            "'0,5' is not a valid floating point value");
  EXPECT_EQ(Read({"B(i+1)=sigma(0,5)"}).error, "'0,5' is not a valid bias value");
}

TEST(UserNetRead, WrittenWeightsReadBackAsTheSameDouble) {
  const double weights[] = {0.1, 0.2, 1, -1, 2, 10, -10, 100, -100, 0.125, 0.001, 0.999,
                            1e-8, 0.1 + 0.2, 1.0 / 3, -2147483647.5, 123.456789,
                            std::nextafter(2147483648.0, 0.0), 5e-324};
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (double w : weights) {
      const std::string line = "A(i+1)=sigma(" + weightText(w) + "*A(i)+0)";
      const ReadOutcome r = Read({line});
      ASSERT_EQ(r.error, "") << line;
      EXPECT_EQ(r.net->Neurons().Get(0)->Synapses()[0].weight, w) << line << separator;
    }
  }
}

// Weights that hundredths would change, biases with many places, and a data
// input: every neuron of the network loaded from its own equations must take
// the same values, step by step, as the network loaded from the hand-written
// file.
TEST(UserNetRead, LoadedNetworkWrittenAndLoadedAgainComputesTheSame) {
  const Lines hand = {
      "S(i+1)=sigma(1*Ein(i)+0)",
      "A(i+1)=sigma(0.125*S(i)+1e-8*B(i)+0.3333333333333333*A(i)+0.001)",
      "B(i+1)=sigma(0.001*A(i)+0.30000000000000004*B(i)+0.999*S(i)+-0.000000015)",
      "CEres(i+1)=sigma(0.5*A(i)+-0.125*B(i)+1.0*Edata1(i)+-0.25)",
  };
  struct Loaded {
    std::unique_ptr<UserNet> net;
    TargetNetwork network;
    Lines written;
  };
  const auto load = [](const Lines& lines) {
    Loaded l;
    int lineIndex = -1;
    l.net = std::make_unique<UserNet>(lines, lineIndex);
    CreateInputNeurons(l.net->Arity(), l.network);
    l.net->BuildNetwork(l.network.InputList(), l.network.outputNeurons);
    l.net->WriteEquations(l.written);
    l.network.inputNeurons[0]->SetValueText("1");
    l.network.inputNeurons[1]->SetArgument("3");
    return l;
  };
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    Loaded first = load(hand);
    Loaded again = load(first.written);
    EXPECT_EQ(again.written, first.written) << separator;
    const int kSteps = 12;
    for (int step = 0; step < kSteps; ++step) {
      for (Loaded* l : {&first, &again}) {
        for (std::size_t n = 0; n < l->net->Neurons().Count(); ++n)
          l->net->Neurons().Get(n)->ComputeNext();
        for (std::size_t n = 0; n < l->net->Neurons().Count(); ++n)
          l->net->Neurons().Get(n)->Commit();
        l->network.inputNeurons[0]->SetValueText("0");
      }
      for (std::size_t n = 0; n < first.net->Neurons().Count(); ++n)
        EXPECT_EQ(again.net->Neurons().Get(n)->Value().ToText(),
                  first.net->Neurons().Get(n)->Value().ToText())
            << first.net->Neurons().Get(n)->Name() << " step " << step << separator;
    }
  }
}

class LoadTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Lines& lines) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    for (const auto& line : lines) out << line << "\r\n";
    return path.string();
  }

  // Runs a network's target to its end; "result/iterations".
  std::string RunToEnd(const Network& network, const std::vector<std::string>& args) {
    NetworkRun run;
    run.Start(network, args);
    RunStatus status = RunStatus::Running;
    while (status == RunStatus::Running) status = run.Tick(1000, 2'000'000);
    return run.Result() + "/" + std::to_string(run.Iteration());
  }

  vantorb::testing::ScratchDir scratch_{"vantorb-load"};
  const fs::path& dir_ = scratch_.Path();
  NParserInterface parser_;
};

TEST_F(LoadTest, LoadedFileBecomesTheOnlyFunctionAndTheTarget) {
  const auto network = LoadEquationFile(Write("s.equ", kSuccessor));
  const CompilationReport& report = network->Report();
  EXPECT_EQ(report.fileName, "s.equ");  // the network is named by its file
  EXPECT_EQ(report.targetName, "UserNet");
  EXPECT_EQ(report.statements, 1u);
  EXPECT_EQ(report.lines, 4);
  EXPECT_EQ(report.neurons, 4u);
  EXPECT_EQ(report.synapses, 5u);
  EXPECT_EQ(network->Table().Count(), 1u);
  EXPECT_EQ(network->Table().GetTarget(), &network->Target());
  EXPECT_EQ(network->Target().Name(), "UserNet");
  ASSERT_EQ(network->Io().inputNeurons.size(), 2u);
  EXPECT_EQ(network->Io().inputNeurons[1]->Name(), "Edata1");
  EXPECT_EQ(network->Io().outputNeurons[0]->Name(), "XSEout_1_1") << "names stay";
  EXPECT_EQ(RunToEnd(*network, {"6"}), "7/2");
  InMemoryTree tree;
  network->Target().AddToTree(tree, std::nullopt);
  EXPECT_EQ(tree.Outline(), "UserNet\n");
}

TEST_F(LoadTest, FailureShowsTheLine) {
  Lines lines(kSuccessor);
  lines.insert(lines.end(), {"a(i+1)=sigma(0)", "b(i+1)=sigma(0)", "broken line"});
  Lines badBias(kSuccessor), badInput(kSuccessor);
  badBias[2] = "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 1e-1 )";
  badInput[2] = "XSdata_1_2(i+1) = sigma( 0.10*Edata1(i) + 0 )";
  // The line is said once, and only where there is one.
  const std::pair<Lines, const char*> cases[] = {
      {lines, " Syntax error at line 7"},
      {badBias, "'1e-1' is not a valid bias value (Line 3)"},
      {badInput,
       "'0.10*Edata1' is not a valid input term: inputs are linked with weight 1 (Line 3)"},
  };
  for (const auto& [file, message] : cases) {
    try {
      LoadEquationFile(Write("bad.equ", file));
      ADD_FAILURE() << "loaded";
    } catch (const NeuroCompilerException& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  const std::string none = (dir_ / "none.equ").string();
  try {
    LoadEquationFile(none);
    ADD_FAILURE() << "loaded";
  } catch (const NeuroCompilerException& e) {
    EXPECT_EQ(e.what(), "Cannot open file " + none + ": No such file or directory");
    EXPECT_EQ(CompileErrorLine(e.what()), std::nullopt);
  }
}

// Equations given as text load as their file does: the same report (named
// by the name given), network and messages.
TEST_F(LoadTest, TextLoadsAsItsFile) {
  Lines badLine(kSuccessor);
  badLine.push_back("broken line");
  Lines badWeight(kSuccessor);
  badWeight[1] = "XSdata_1_2(i+1) = sigma( x*XSin_1_0(i) + 0 )";
  for (const Lines& lines : {kSuccessor, badLine, badWeight}) {
    const std::string file = Write("s.equ", lines);
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    std::string fromFile, fromText;
    try {
      const auto network = LoadEquationFile(file);
      fromFile = network->Report().fileName + " " + std::to_string(network->Report().lines) +
                 " " + RunToEnd(*network, {"4"});
    } catch (const NeuroCompilerException& e) {
      fromFile = e.what();
    }
    try {
      const auto network = LoadEquationText(text, "elsewhere/s.equ");
      fromText = network->Report().fileName + " " + std::to_string(network->Report().lines) +
                 " " + RunToEnd(*network, {"4"});
    } catch (const NeuroCompilerException& e) {
      fromText = e.what();
    }
    EXPECT_EQ(fromText, fromFile);
    EXPECT_FALSE(fromFile.empty());
  }
  EXPECT_EQ(LoadEquationText("XEout(i+1)=sigma(1.0*Ein(i)+0)", "n.EQU")->Report().fileName,
            "n.EQU");
}

TEST_F(LoadTest, NetworksWithoutEndOrResultNeuronStopClearly) {
  const auto noEnd = LoadEquationFile(Write("noend.equ", {"XEres(i+1)=sigma(1.0*Ein(i)+0)"}));
  NetworkRun run;
  try {
    run.Start(*noEnd, {});
    ADD_FAILURE() << "a result neuron served as end neuron";
  } catch (const NeuroException& e) {
    EXPECT_STREQ(e.what(), NetworkRun::kStartError);
  }
  const auto noResult =
      LoadEquationFile(Write("nores.equ", {"XEout(i+1)=sigma(1.0*Ein(i)+0)"}));
  NetworkRun second;
  second.Start(*noResult, {});
  EXPECT_TRUE(second.EndSignal());
  try {
    second.Tick(5, 0);
    ADD_FAILURE() << "no result neuron went unnoticed";
  } catch (const NeuroException& e) {
    EXPECT_STREQ(e.what(), NetworkRun::kNoResultError);
  }
  EXPECT_FALSE(second.Running());
  const auto empty = LoadEquationFile(Write("empty.equ", {}));
  NetworkRun third;
  EXPECT_THROW(third.Start(*empty, {}), NeuroException);
}

TEST_F(LoadTest, LinesPast255CharactersReadBackAsWritten) {
  // A wide projection and a composition of many functions write long
  // equations; the file the tool wrote must load into the same network.
  std::string composition = "C(";
  for (int i = 1; i <= 20; ++i) composition += "U(" + std::to_string(i) + ",20),";
  composition += "U(20,20))";
  struct Case {
    std::string program;
    std::vector<std::string> arguments;
    std::string result;
  };
  const Case cases[] = {
      {"f U(3,20)", std::vector<std::string>(20, "2"), "2"},
      {"f " + composition, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                            "14", "15", "16", "17", "18", "19", "20"}, "20"},
  };
  for (const auto& c : cases) {
    const auto compiled = CompileProgramText(parser_, c.program, "wide.prv");
    const Lines lines = compiled->Equations();
    std::size_t longest = 0;
    for (const auto& line : lines) longest = std::max(longest, line.size());
    EXPECT_GT(longest, 255u) << c.program;
    const auto loaded = LoadEquationFile(Write("wide.equ", lines));
    EXPECT_EQ(loaded->Equations(), lines) << c.program;
    const std::string result = RunToEnd(*compiled, c.arguments);
    EXPECT_EQ(result.substr(0, result.find('/')), c.result) << c.program;
    EXPECT_EQ(RunToEnd(*loaded, c.arguments), result) << c.program;
  }
}

TEST_F(LoadTest, EveryExampleRunsTheSameThroughItsEquations) {
  for (const auto& c : vantorb::testing::ExampleRuns()) {
    const std::string program = std::string(VANTORB_EXAMPLES_DIR) + "/" + c.file;
    const auto compiled = CompileProgramFile(parser_, program);
    const std::string result = RunToEnd(*compiled, c.arguments);
    const Lines lines = compiled->Equations();
    std::size_t longest = 0;
    for (const auto& line : lines) longest = std::max(longest, line.size());
    ASSERT_LE(longest, 255u) << c.file;

    const auto loaded = LoadEquationFile(Write("round.equ", lines));
    EXPECT_EQ(loaded->Target().Arity(), compiled->Target().Arity()) << c.file;
    EXPECT_EQ(RunToEnd(*loaded, c.arguments), result) << c.file;
    EXPECT_EQ(loaded->Equations(), lines) << c.file;
  }
}

}  // namespace
}  // namespace vantorb
