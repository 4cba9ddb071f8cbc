// Recording a run: the exact values of the chosen neurons at every
// iteration, as CSV and as a VCD waveform.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "function_builders.hpp"
#include "separator_scope.hpp"
#include "simulation/network_run.hpp"
#include "simulation/trace.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

// A sink that keeps all it is given.
struct Kept : TextSink {
  std::string text;
  void Append(std::string_view piece) override { text += piece; }
  void Commit() override {}
};

struct Traced {
  Kept csv, vcd;
};

// Runs tree on the arguments to its end, recording after every iteration.
Traced Record(ProofObj& tree, const std::string& token,
              const std::vector<std::string>& arguments) {
  TargetNetwork network;
  BuildTargetNetwork(tree, network);
  Traced traced;
  TraceRecorder recorder(tree, token, &traced.csv, &traced.vcd);
  NetworkRun run;
  run.Start(&tree, network, arguments);
  recorder.Record(run.Iteration());
  while (run.Running()) {
    const auto before = run.Iteration();
    run.RunIteration();
    if (run.Iteration() != before) recorder.Record(run.Iteration());
  }
  return traced;
}

TEST(Trace, SuccessorOfTwoAsCsv) {
  SeparatorScope scope(",");  // traces write "." all the same
  Tree f = F("f", S());
  const Traced trace = Record(*f, "E", {"2"});
  EXPECT_EQ(trace.csv.text,
            "iteration,XSEout_1_1,XSEres_1_3\n"
            "1,0.00000000,0.00000000\n"
            "2,1.00000000,0.11110000\n");
}

TEST(Trace, AHeaderOfManyScopesIsWrittenInOnePass) {
  // A composition of 100000 successors: a scope per function object and
  // half a million signals, declared once each, in the order of the tree.
  constexpr int kWidth = 100000;
  ProofObjContainer arguments;
  for (int i = 0; i < kWidth; ++i) arguments.Add(S());
  arguments.Add(U(1, kWidth));
  Comp wide(std::move(arguments));
  wide.CheckArguments();
  TargetNetwork network;
  BuildTargetNetwork(wide, network);
  Kept vcd;
  const TraceRecorder recorder(wide, "*", nullptr, &vcd);
  ASSERT_EQ(recorder.NeuronCount(), wide.NeuronCount());
  std::size_t scopes = 0, signals = 0, at = 0;
  for (;;) {
    const std::size_t line = vcd.text.find('\n', at);
    if (line == std::string::npos) break;
    const std::string_view text(vcd.text.data() + at, line - at);
    if (text.rfind("$scope module ", 0) == 0) ++scopes;
    if (text.rfind("$var real 64 ", 0) == 0) {
      // Signal n is declared as the n-th, inside its own function's scope.
      if (signals == 0 || signals + 1 == recorder.NeuronCount()) {
        EXPECT_NE(text.find(" " + recorder.NeuronName(signals) + " "), std::string_view::npos);
      }
      ++signals;
    }
    at = line + 1;
  }
  EXPECT_EQ(signals, recorder.NeuronCount());
  EXPECT_EQ(scopes, kWidth + 3u);  // network, the composition, the projection
}

TEST(Trace, ChoosesNeuronsByToken) {
  Tree add = Add();
  EXPECT_EQ(TraceRecorder(*add, "*", nullptr, nullptr).NeuronCount(), add->NeuronCount());
  EXPECT_EQ(TraceRecorder(*add, "", nullptr, nullptr).NeuronCount(), 0u);
  NeuronList hidden;
  add->CollectNeurons(hidden, "hid", true);
  EXPECT_EQ(TraceRecorder(*add, "hid", nullptr, nullptr).NeuronCount(), hidden.size());
}

TEST(Trace, VcdDeclaresEverySignalOnceAndWritesOnlyChanges) {
  Tree f = F("f", S());
  const std::string vcd = Record(*f, "*", {"1"}).vcd.text;
  EXPECT_EQ(vcd.rfind("$version Vantorb $end\n$timescale 1 ns $end\n", 0), 0u);
  EXPECT_NE(vcd.find("$scope module S_1 $end\n$var real 64 ! XSin_1_0 $end\n"), std::string::npos);
  EXPECT_NE(vcd.find("$var real 64 $ XSEres_1_3 $end\n$upscope $end\n"), std::string::npos);
  EXPECT_NE(vcd.find("$enddefinitions $end\n#1\nr1 !\nr0 \"\nr0.11 #\nr0 $\n"), std::string::npos);
  // At iteration 2 "in" falls to 0, "out" rises, "data" falls, "res" holds 0.111.
  EXPECT_NE(vcd.find("#2\nr0 !\nr1 \"\nr0 #\nr0.111 $\n"), std::string::npos);
  EXPECT_EQ(vcd.find("#3"), std::string::npos);
}

}  // namespace
}  // namespace vantorb
