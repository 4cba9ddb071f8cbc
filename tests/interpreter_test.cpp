// The interpreter: functions computed from their definitions, its bounds,
// and agreement with the networks on every example.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "compiler/interpreter.hpp"
#include "compiler/user_net.hpp"
#include "example_runs.hpp"
#include "function_builders.hpp"
#include "network/exceptions.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;
using Values = std::vector<std::uint64_t>;

TEST(Interpreter, ComputesFromTheDefinitions) {
  struct Case {
    const char* label;
    Tree (*make)();
    Values arguments;
    std::uint64_t result;
  };
  const Case cases[] = {
      {"W", W, {}, 0},
      {"Z(9)", Z, {9}, 0},
      {"S(41)", S, {41}, 42},
      {"U(2,3)", [] { return U(2, 3); }, {7, 8, 9}, 8},
      {"U(5,2) outside", [] { return U(5, 2); }, {7, 8}, 0},
      {"add", Add, {20, 22}, 42},
      {"mul", Mul, {6, 7}, 42},
      {"pred(0)", Pred, {0}, 0},
      {"sub", Sub, {3, 10}, 0},
      {"M(sub)", [] { return M(Sub()); }, {17}, 17},
      {"c+1", [] { return R(U(1, 1), C(U(2, 3), S())); }, {7, 3}, 3},
      {"named", [] { return F("f", C(S(), S())); }, {1}, 3},
  };
  for (const auto& c : cases) {
    Tree tree = c.make();
    EXPECT_EQ(Interpreter().Evaluate(*tree, c.arguments), c.result) << c.label;
  }
}

TEST(Interpreter, BoundsAndThingsWithoutADefinition) {
  Tree never = M(C(U(2, 2), S()));
  EXPECT_THROW(Interpreter(100).Evaluate(*never, {1}), NeuroException);
  Tree slow = Mul();
  EXPECT_THROW(Interpreter(1000, 500).Evaluate(*slow, {100, 100}), NeuroException);
  int lineIndex = 0;
  UserNet loaded({"XEout(i+1)=sigma(1.0*Ein(i)+0)"}, lineIndex);
  EXPECT_THROW(Interpreter().Evaluate(loaded, {}), NeuroException);
}

TEST(Interpreter, AStopRequestEndsTheEvaluationWithNoValue) {
  Tree slow = Mul();
  int asked = 0;
  const auto stopAtThirdQuestion = [&asked] { return ++asked == 3; };
  EXPECT_EQ(Interpreter(1000, 100'000'000, stopAtThirdQuestion).Evaluate(*slow, {3000, 3000}),
            std::nullopt);
  EXPECT_EQ(asked, 3);
  // A request that never says stop changes nothing, and a quick evaluation
  // may end before it is asked at all.
  EXPECT_EQ(Interpreter(1000, 100'000'000, [] { return false; }).Evaluate(*slow, {30, 30}),
            900u);
}

TEST(Interpreter, AgreesWithTheNetworkOnEveryExample) {
  for (const auto& c : ExampleRuns()) {
    NParserInterface parser;
    const auto network =
        CompileProgramFile(parser, std::string(VANTORB_EXAMPLES_DIR) + "/" + c.file);
    const ProofObj* target = &network->Target();
    NetworkRun run;
    run.Start(*network, c.arguments);
    while (run.Tick(10000, 2'000'000) == RunStatus::Running) {
    }
    Values values;
    for (const auto& a : c.arguments) values.push_back(std::stoull(a));
    const auto value = Interpreter().Evaluate(*target, values);
    ASSERT_TRUE(value.has_value()) << c.file;
    EXPECT_EQ(std::to_string(*value), run.Result()) << c.file;
  }
}

}  // namespace
}  // namespace vantorb
