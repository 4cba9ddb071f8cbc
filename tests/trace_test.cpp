// Recording a run: the exact values of the chosen neurons at every
// iteration, as CSV and as a VCD waveform.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "function_builders.hpp"
#include "separator_scope.hpp"
#include "simulation/network_run.hpp"
#include "simulation/trace.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

// A sink that keeps what it is given, in the pieces it was given.
struct Pieces : TextSink {
  std::vector<std::string> appended;
  int commits = 0;
  void Append(std::string_view text) override { appended.emplace_back(text); }
  void Commit() override { ++commits; }
  std::string Text() const {
    std::string text;
    for (const auto& piece : appended) text += piece;
    return text;
  }
};

struct Traced {
  Pieces csv, vcd;
  std::size_t neurons = 0;
};

// Runs tree on the arguments to its end, recording after every iteration.
Traced Record(ProofObj& tree, const std::string& token,
              const std::vector<std::string>& arguments) {
  TargetNetwork network;
  BuildTargetNetwork(tree, network);
  Traced traced;
  TraceRecorder recorder(tree, token, &traced.csv, &traced.vcd);
  traced.neurons = recorder.NeuronCount();
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
  EXPECT_EQ(trace.csv.Text(),
            "iteration,XSEout_1_1,XSEres_1_3\n"
            "1,0.00000000,0.00000000\n"
            "2,1.00000000,0.11110000\n");
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
  const std::string vcd = Record(*f, "*", {"1"}).vcd.Text();
  EXPECT_EQ(vcd.rfind("$version Vantorb $end\n$timescale 1 ns $end\n", 0), 0u);
  EXPECT_NE(vcd.find("$scope module S_1 $end\n$var real 64 ! XSin_1_0 $end\n"), std::string::npos);
  EXPECT_NE(vcd.find("$var real 64 $ XSEres_1_3 $end\n$upscope $end\n"), std::string::npos);
  EXPECT_NE(vcd.find("$enddefinitions $end\n#1\nr1 !\nr0 \"\nr0.11 #\nr0 $\n"), std::string::npos);
  // At iteration 2 "in" falls to 0, "out" rises, "data" falls, "res" holds 0.111.
  EXPECT_NE(vcd.find("#2\nr0 !\nr1 \"\nr0 #\nr0.111 $\n"), std::string::npos);
  EXPECT_EQ(vcd.find("#3"), std::string::npos);
}

TEST(Trace, WritesEveryIterationAsItComesAndLeavesCommittingToTheCaller) {
  Tree add = Add();
  const Traced trace = Record(*add, "*", {"2", "1"});
  ASSERT_GT(trace.csv.appended.size(), 10u);
  // The header, then one row per iteration, numbered from 1.
  for (std::size_t r = 1; r < trace.csv.appended.size(); ++r) {
    const std::string& row = trace.csv.appended[r];
    EXPECT_EQ(row.rfind(std::to_string(r) + ",", 0), 0u) << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), static_cast<long>(trace.neurons));
    EXPECT_EQ(row.find('\n'), row.size() - 1) << row;
  }
  // The header, the first iteration whole, then only iterations that change.
  EXPECT_EQ(trace.vcd.appended[1].rfind("#1\n", 0), 0u);
  for (std::size_t p = 2; p < trace.vcd.appended.size(); ++p)
    EXPECT_NE(trace.vcd.appended[p].find("\nr"), std::string::npos) << trace.vcd.appended[p];
  EXPECT_EQ(trace.csv.commits + trace.vcd.commits, 0);
}

}  // namespace
}  // namespace vantorb
