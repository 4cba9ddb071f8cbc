// The networks of axioms and rules run through the start/done protocol:
// the timings the circuits promise, the functions they compute, a return to
// rest one step after every answer, and a second start on the same network.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "function_builders.hpp"
#include "pulse_harness.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

struct TimingCase {
  std::string label;
  Tree (*make)();
  std::vector<int> arguments;
  int doneStep;
  int result;
};

void ExpectRun(PulseHarness& h, const std::vector<int>& args, int doneStep,
               int result, const std::string& label) {
  const PulseRun run = h.Run(args);
  ASSERT_TRUE(run.doneStep.has_value()) << label << ": no done pulse";
  EXPECT_EQ(*run.doneStep, doneStep) << label;
  EXPECT_EQ(run.result, std::to_string(result)) << label;
  EXPECT_TRUE(run.resultIsCode) << label;
  EXPECT_TRUE(run.restAfter) << label << ": not at rest after the answer";
}

TEST(NetworkTiming, AnswersAtTheStatedSteps) {
  const TimingCase cases[] = {
      {"W", [] { return W(); }, {}, 2, 0},
      {"Z(5)", [] { return Z(); }, {5}, 2, 0},
      {"S(4)", [] { return S(); }, {4}, 2, 5},
      {"U(2,3)(1,2,3)", [] { return U(2, 3); }, {1, 2, 3}, 1, 2},
      {"C(U(1,1),S)(3)", [] { return C(U(1, 1), S()); }, {3}, 6, 4},
      {"C(S,S)(1)", [] { return C(S(), S()); }, {1}, 7, 3},
      {"add(3,0)", Add, {3, 0}, 7, 3},
      {"add(2,2)", Add, {2, 2}, 31, 4},
      {"add(2,3)", Add, {2, 3}, 43, 5},
      {"add(2,5)", Add, {2, 5}, 67, 7},
      {"M(sub)(0)", [] { return M(Sub()); }, {0}, 13, 0},
      {"M(sub)(1)", [] { return M(Sub()); }, {1}, 51, 1},
      {"M(sub)(2)", [] { return M(Sub()); }, {2}, 128, 2},
  };
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (const auto& c : cases) {
      PulseHarness h(c.make());
      ExpectRun(h, c.arguments, c.doneStep, c.result, c.label + separator);
    }
  }
}

struct FunctionCase {
  std::string label;
  Tree (*make)();
  std::vector<std::pair<std::vector<int>, int>> values;  // arguments, result
};

TEST(NetworkFunctions, ComputeWhatTheyDefine) {
  const FunctionCase cases[] = {
      {"x * y", Mul, {{{0, 3}, 0}, {{3, 0}, 0}, {{2, 3}, 6}, {{1, 1}, 1}}},
      {"y - 1", Pred, {{{0}, 0}, {{1}, 0}, {{5}, 4}}},
      {"x - y", Sub, {{{5, 2}, 3}, {{2, 5}, 0}, {{3, 3}, 0}, {{4, 0}, 4}}},
      // f(x, y) = 0 for every y: the least y is 0, after one run of f
      {"M(C(U(1,2),Z))", [] { return M(C(U(1, 2), Z())); },
       {{{0}, 0}, {{4}, 0}}},
      // a recursion as the step function of a recursion: x * (y + 1)
      {"R(U(1,1),R(U(1,2),C(U(4,4),S)))",
       [] { return R(U(1, 1), R(U(1, 2), C(U(4, 4), S()))); },
       {{{2, 0}, 2}, {{2, 3}, 8}, {{0, 2}, 0}, {{3, 1}, 6}}},
      // inner functions finishing at steps 2, 1 and 6: (x + 1) + x
      {"C(S,U(1,1),add)", [] { return C(S(), U(1, 1), Add()); },
       {{{0}, 1}, {{2}, 5}}},
      {"C(C(S,S),U(1,1),add)", [] { return C(C(S(), S()), U(1, 1), Add()); },
       {{{1}, 4}, {{3}, 8}}},
      // g(x, c, p) = c + 1: x for y = 0, y for every y of at least 1
      {"R(U(1,1),C(U(2,3),S))", [] { return R(U(1, 1), C(U(2, 3), S())); },
       {{{7, 0}, 7}, {{7, 1}, 1}, {{7, 3}, 3}}},
      // arity 0 throughout
      {"C(W,S)", [] { return C(W(), S()); }, {{{}, 1}}},
      {"R(W,C(U(2,2),S))", [] { return R(W(), C(U(2, 2), S())); },
       {{{0}, 0}, {{3}, 3}}},
      {"M(Z)", [] { return M(Z()); }, {{{}, 0}}},
      {"C(U(2,2),U(1,2),sub)", [] { return C(U(2, 2), U(1, 2), Sub()); },
       {{{1, 4}, 3}, {{4, 1}, 0}}},
  };
  for (const auto& c : cases) {
    PulseHarness h(c.make());
    for (const auto& [args, expected] : c.values) {
      const PulseRun run = h.Run(args);  // one network, started again and again
      std::string label = c.label + " at";
      for (int a : args) label += " " + std::to_string(a);
      ASSERT_TRUE(run.doneStep.has_value()) << label;
      EXPECT_EQ(run.result, std::to_string(expected)) << label;
      EXPECT_TRUE(run.resultIsCode) << label;
      EXPECT_TRUE(run.restAfter) << label;
    }
  }
}

TEST(NetworkFunctions, MultipliesSevenByEight) {
  PulseHarness h(Mul());
  const PulseRun run = h.Run({7, 8});
  ASSERT_TRUE(run.doneStep.has_value());
  EXPECT_EQ(run.result, "56");
  EXPECT_TRUE(run.resultIsCode);
}

TEST(NetworkFunctions, SecondStartRepeatsTimingAndResult) {
  PulseHarness h(M(Sub()));
  for (int round = 0; round < 2; ++round)
    ExpectRun(h, {2}, 128, 2, "round " + std::to_string(round));
}

TEST(NetworkFunctions, MinimizationWithoutZeroNeverAnswers) {
  PulseHarness h(M(C(U(2, 2), S())));  // f(x, y) = y + 1
  EXPECT_FALSE(h.Run({1}, 600).doneStep.has_value());
}

TEST(NetworkFunctions, DonePulseLastsExactlyOneStep) {
  PulseHarness h(C(S(), U(1, 1), Add()));
  const Neuron& done = *h.Network().outputNeurons[0];
  const PulseRun run = h.Run({2});
  ASSERT_TRUE(run.doneStep.has_value());
  // Run stepped once past the pulse; keep going: it never comes back.
  EXPECT_EQ(done.Value().IntegerPart(), 0);
  for (int i = 0; i < 50; ++i) {
    h.Step();
    EXPECT_TRUE(IsZero(done.Value()));
  }
}

TEST(NetworkFunctions, CompositionHoldsEarlyResultsUntilTheLastArrives) {
  // g1 = C(S,S) answers at 7, g2 = U(1,1) at 1: the outer add must see both
  // results on the same step, which the result 2x + 2 proves.
  PulseHarness h(C(C(S(), S()), U(1, 1), Add()));
  const PulseRun run = h.Run({5});
  ASSERT_TRUE(run.doneStep.has_value());
  EXPECT_EQ(run.result, "12");
}

TEST(NetworkEdges, ProjectionOutsideItsArityBuildsAndAnswersWithNoCode) {
  for (auto [index, arity] : {std::pair{0, 2}, {3, 2}, {-1, 1}, {5, 0}}) {
    PulseHarness h(U(index, arity));
    const PulseRun run = h.Run({1, 2});
    ASSERT_TRUE(run.doneStep.has_value()) << index;
    EXPECT_EQ(*run.doneStep, 1);
    EXPECT_TRUE(IsZero(h.Network().outputNeurons[1]->Value())) << index;
    EXPECT_FALSE(run.resultIsCode) << index;
  }
}

TEST(NetworkEdges, ProjectionDataNeuronSumsTheOtherArguments) {
  SeparatorScope scope(".");
  // The third neuron is "data": at step 1 it holds 0.11 + 0.1111.
  PulseHarness fresh(U(2, 3));
  auto& inputs = fresh.Network().inputNeurons;
  inputs[0]->SetValueText("1");
  for (int k = 1; k <= 3; ++k) inputs[k]->SetArgument(std::to_string(k));
  fresh.Step();
  EXPECT_EQ(fresh.Tree().Neurons().Get(2)->Value().ToText(), "0.22110000");
}

}  // namespace
}  // namespace vantorb
