// The macro-step engine against the step-by-step event engine: on the
// examples, on random programs and at limits that fall inside its leaps,
// both end with the same status, iteration count, result and every
// neuron's exact value; and the iteration counts of runs only leaps reach
// follow their closed forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "macro_runs.hpp"
#include "engine/macro_engine.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {
namespace {

using testing::Outcome;
using testing::RunUnder;

// The same end; every neuron's value where both read them, the sizes of
// the values where one run kept them in its engine.
void ExpectSame(const Outcome& macro, const Outcome& event, const std::string& label) {
  EXPECT_EQ(macro.status, event.status) << label;
  EXPECT_EQ(macro.iterations, event.iterations) << label;
  EXPECT_EQ(macro.result, event.result) << label;
  EXPECT_EQ(macro.error, event.error) << label;
  EXPECT_EQ(macro.sizes.longest, event.sizes.longest) << label;
  EXPECT_EQ(macro.sizes.longestRuns, event.sizes.longestRuns) << label;
  EXPECT_EQ(macro.sizes.mostRuns, event.sizes.mostRuns) << label;
  if (!macro.values.empty() && !event.values.empty()) {
    EXPECT_EQ(testing::FirstDifference(macro, event), -1) << label;
  }
}

std::unique_ptr<Network> Example(NParserInterface& parser, const std::string& file) {
  return CompileProgramFile(parser, std::string(VANTORB_EXAMPLES_DIR) + "/" + file);
}

TEST(MacroEngine, EveryExampleEndsAsStepByStepAlsoAtLimitsInsideLeaps) {
  struct Case {
    const char* file;
    std::vector<std::string> arguments;
    bool leaps;  // one loop, long enough to be leapt over almost whole
  };
  const Case cases[] = {
      {"multiplication.prv", {"40", "50"}, false}, {"addition.prv", {"400", "300"}, true},
      {"predecessor.prv", {"3000"}, true},          {"factorial.prv", {"5"}, false},
      {"power.prv", {"2", "7"}, false},             {"subtraction.prv", {"200", "60"}, false},
      {"division.prv", {"40", "7"}, false},         {"remainder.prv", {"40", "7"}, false},
      {"minimum.prv", {"150", "60"}, false},        {"maximum.prv", {"150", "60"}, false},
      {"zero_test.prv", {"900"}, true},             {"target_first.prv", {"400"}, true},
      {"multiplication.prv", {"3", "2"}, false},   {"zero_test.prv", {"0"}, false},
      {"triangular.prv", {"60"}, false},            {"square_root.prv", {"20"}, false},
      {"gcd.prv", {"4", "6"}, false},
  };
  const std::int64_t kLimit = 1'000'000;
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = Example(parser, c.file);
    const std::string label = std::string(c.file) + " " + c.arguments[0];
    const Outcome event = RunUnder(*network, c.arguments, EngineKind::Event, kLimit);
    ASSERT_EQ(event.status, RunStatus::Finished) << label;
    ExpectSame(RunUnder(*network, c.arguments, EngineKind::Macro, kLimit), event, label);
    const Outcome eager = RunUnder(*network, c.arguments, EngineKind::Macro, kLimit, 1000, true);
    ExpectSame(eager, event, label + " eager");
    ExpectSame(RunUnder(*network, c.arguments, EngineKind::Macro, kLimit, 1000, true, true), event,
               label + " kept");
    if (c.leaps) {
      EXPECT_GT(eager.leaps.iterationsLeapt, event.iterations / 2) << label;
    }
    // Limits anywhere, most of them inside a leap's stretch: the run stops
    // at exactly the limit with exactly the step-by-step state.
    for (const std::int64_t limit : {event.iterations / 3, event.iterations / 2 + 17,
                                     event.iterations - 5, std::int64_t{1}, std::int64_t{2}}) {
      if (limit <= 0) continue;
      const std::string at = label + " limit " + std::to_string(limit);
      const Outcome eventAt = RunUnder(*network, c.arguments, EngineKind::Event, limit);
      ExpectSame(RunUnder(*network, c.arguments, EngineKind::Macro, limit, 1000, true), eventAt, at);
      // The read-out at the limit from values kept as runs.
      ExpectSame(RunUnder(*network, c.arguments, EngineKind::Macro, limit, 1000, true, true),
                 eventAt, at + " kept");
    }
  }
}

// Loops whose rounds grow: a recursion that adds its counter (triangular
// numbers, each round's inner addition one longer) and minimizations whose
// every candidate costs more. Round rules leap over many rounds at once;
// at the end and at limits inside those leaps the run is the step-by-step
// one.
const char kTriangular[] =
    "add R(U(1,1), C(U(3,3), S))\n"
    "tri R(W, C(U(2,2), C(U(1,2), S), add))\n";
const char kSubtractionSearch[] =
    "add R(U(1,1), C(U(3,3), S))\n"
    "pred R(W, U(1,2))\n"
    "sub R(U(1,1), C(U(3,3), pred))\n"
    "msub M(sub)\n";

TEST(MacroEngine, RoundLeapsEndAsStepByStepAlsoAtLimitsInsideThem) {
  struct Case {
    const char* text;
    std::string argument;
    bool roundsLeapt;  // the eager engine proves and uses a round rule
  };
  const Case cases[] = {
      {kTriangular, "260", true},
      {kTriangular, "37", false},
      {kSubtractionSearch, "40", false},
  };
  const std::int64_t kLimit = 5'000'000;
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = CompileProgramText(parser, c.text, "rounds.prv");
    const std::vector<std::string> arguments = {c.argument};
    const std::string label = network->Target().Name() + " " + c.argument;
    const Outcome event = RunUnder(*network, arguments, EngineKind::Event, kLimit);
    ASSERT_EQ(event.status, RunStatus::Finished) << label;
    const Outcome eager = RunUnder(*network, arguments, EngineKind::Macro, kLimit, 1000, true);
    ExpectSame(eager, event, label + " eager");
    ExpectSame(RunUnder(*network, arguments, EngineKind::Macro, kLimit), event, label);
    if (c.roundsLeapt) {
      EXPECT_GT(eager.leaps.roundRulesProved, 0u) << label;
      EXPECT_GT(eager.leaps.roundsLeapt, 1) << label;
    }
    for (const std::int64_t limit : {event.iterations / 5, event.iterations / 2 + 17,
                                     event.iterations * 3 / 4 + 1, event.iterations - 5}) {
      const std::string at = label + " limit " + std::to_string(limit);
      const Outcome eventAt = RunUnder(*network, arguments, EngineKind::Event, limit);
      ExpectSame(RunUnder(*network, arguments, EngineKind::Macro, limit, 1000, true), eventAt, at);
      ExpectSame(RunUnder(*network, arguments, EngineKind::Macro, limit, 1000, true, true),
                 eventAt, at + " kept");
    }
  }
}

TEST(MacroEngine, TicksOfAnySizeEndTheSame) {
  NParserInterface parser;
  const auto network = Example(parser, "multiplication.prv");
  const std::vector<std::string> arguments = {"50", "40"};
  const Outcome event = RunUnder(*network, arguments, EngineKind::Event, 1'000'000);
  for (const std::int64_t passes : {1, 7, 96, 1'000'000}) {
    const Outcome macro =
        RunUnder(*network, arguments, EngineKind::Macro, 1'000'000, passes, true);
    ExpectSame(macro, event, "passes " + std::to_string(passes));
    EXPECT_GT(macro.leaps.iterationsLeapt, 0) << "passes " << passes;
  }
}

TEST(MacroEngine, RandomProgramsEndAsStepByStep) {
  constexpr std::int64_t kEagerWork = 2'000'000;
  std::mt19937_64 random(20261207);
  std::int64_t leapt = 0;
  for (int program = 0; program < 120; ++program) {
    const int arity = 1 + static_cast<int>(random() % 2);
    const std::string text = testing::RandomProgram(random, arity);
    NParserInterface parser;
    std::unique_ptr<Network> network;
    try {
      network = CompileProgramText(parser, text, "random.prv");
    } catch (const NeuroException&) {
      continue;  // a program the rules refuse: no network to compare
    }
    std::vector<std::string> arguments;
    for (int k = 0; k <= arity; ++k) arguments.push_back(std::to_string(random() % 60));
    arguments.resize(static_cast<std::size_t>(network->Target().Arity()));
    const std::int64_t limit = 5000 + static_cast<std::int64_t>(random() % 20000);
    const Outcome event = RunUnder(*network, arguments, EngineKind::Event, limit);
    // Eager up to an allowance of proof work, as the fuzz target is: a
    // program whose every loop nests others would prove without end.
    const auto eager = [&](bool keep) {
      return RunUnder(network->Target(), network->Io(), arguments, EngineKind::Macro, limit, 1000,
                      0, true, keep, kEagerWork);
    };
    const Outcome macro = eager(false);
    ExpectSame(macro, event, text);
    ExpectSame(eager(true), event, text + " kept");
    leapt += macro.leaps.iterationsLeapt;
  }
  EXPECT_GT(leapt, 0) << "no random program was leapt over: the comparison says little";
}

// Small equation networks with long arguments, so that runs of equal limbs
// form and shift: each ends under the macro engine as step by step, at a
// random limit and at a limit inside its run, for ticks of every size.
TEST(MacroEngine, RandomEquationNetworksEndAsStepByStep) {
  struct Batch {
    std::uint64_t seed;
    int networks, arity;
    std::uint64_t longestArgument;
    std::int64_t largestLimit, passes;
  };
  const Batch batches[] = {
      {31, 30, 1, 3000, 2000, 1000},  // limits mostly while arguments are eaten
      {32, 30, 2, 400, 400, 7},
      {33, 15, 1, 2000, 20000, std::int64_t{1} << 40},  // mostly past the end
      {34, 15, 2, 40, 100, 1},
  };
  std::int64_t leapt = 0;
  for (const Batch& batch : batches) {
    std::mt19937_64 random(batch.seed);
    for (int n = 0; n < batch.networks; ++n) {
      const auto lines = testing::RandomEquations(random, batch.arity);
      testing::EquationNetwork network(lines);
      std::vector<std::string> arguments;
      for (int k = 0; k < network.net->Arity(); ++k)
        arguments.push_back(std::to_string(random() % batch.longestArgument));
      const std::int64_t limit = 1 + static_cast<std::int64_t>(
                                         random() % static_cast<std::uint64_t>(batch.largestLimit));
      std::string label = "seed " + std::to_string(batch.seed) + " network " + std::to_string(n);
      for (const std::string& argument : arguments) label += " " + argument;
      for (const std::string& line : lines) label += "\n" + line;
      const auto run = [&](std::int64_t at) {
        const Outcome event =
            RunUnder(*network.net, network.io, arguments, EngineKind::Event, at, batch.passes);
        const Outcome macro =
            RunUnder(*network.net, network.io, arguments, EngineKind::Macro, at, batch.passes, 0, true);
        ExpectSame(macro, event, label + " limit " + std::to_string(at));
        // Arguments long enough are given to the engine as runs.
        ExpectSame(RunUnder(*network.net, network.io, arguments, EngineKind::Macro, at,
                            batch.passes, 0, true, true),
                   event, label + " limit " + std::to_string(at) + " kept");
        leapt += macro.leaps.iterationsLeapt;
        return event.iterations;
      };
      const std::int64_t iterations = run(limit);
      if (iterations > 2) run(1 + static_cast<std::int64_t>(random() % (iterations - 1)));
    }
  }
  EXPECT_GT(leapt, 0) << "no random network was leapt over: the comparison says little";
}

// A network of a few dozen neurons whose values are short runs of digits
// has a loop of one period for every turn of its outer loop: an eager
// engine proves each of them, with every run length of the state an
// unknown, for one leap each. With an allowance of proof work it stops
// being eager once that is spent, and ends as step by step all the same.
TEST(MacroEngine, AnEagerEnginesAllowanceBoundsItsProofs) {
  NParserInterface parser;
  const auto network =
      CompileProgramText(parser, "f R(U(1,1),R(R(Z,U(1,3)),U(1,4)))", "many-loops.prv");
  const std::vector<std::string> arguments = {"50", "39"};
  const std::int64_t kLimit = 50'000, kAllowance = 100'000;
  const Outcome event = RunUnder(*network, arguments, EngineKind::Event, kLimit);
  std::int64_t unbounded = 0;
  for (const std::int64_t allowance : {std::int64_t{0}, kAllowance}) {
    auto macro = std::make_unique<MacroEngine>();
    macro->SetEager(true, allowance);
    const MacroEngine& engine = *macro;
    NetworkRun run(std::move(macro));
    run.Start(*network, arguments);
    while (run.Tick(1000, kLimit) == RunStatus::Running) {
    }
    const std::string label = "allowance " + std::to_string(allowance);
    EXPECT_EQ(run.Iteration(), event.iterations) << label;
    EXPECT_EQ(run.Result(), event.result) << label;
    EXPECT_GT(engine.Leaps().leaps, 0u) << label;
    if (allowance == 0) {
      unbounded = engine.ProofWork();
    } else {
      // The proof that spends the allowance is the last one: after it a
      // proof must be paid for by the run's own work, which it outweighs.
      EXPECT_LT(engine.ProofWork(), 2 * allowance) << label;
    }
  }
  EXPECT_GT(unbounded, 4 * kAllowance) << "the eager proofs cost little here: a weak test";
}

// A minimization's inner loops come back beside every phase of its outer
// counts (the last limb of each unary count is part of the state's
// shape): a rule over the part of the network a loop computes and reads
// leaps it beside any of them, where a rule over the whole state would
// have to be proved anew for each. At the limits the run is step by step.
TEST(MacroEngine, ALoopMetBesideOtherValuesLeapsByTheRuleProvedFirst) {
  struct Case {
    const char* file;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"division.prv", {"1000", "7"}},
      {"remainder.prv", {"1000", "7"}},
  };
  const std::int64_t kLimit = 300'000;
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = Example(parser, c.file);
    const std::string label = std::string(c.file) + " " + c.arguments[0];
    const Outcome macro = RunUnder(*network, c.arguments, EngineKind::Macro, kLimit);
    ExpectSame(macro, RunUnder(*network, c.arguments, EngineKind::Event, kLimit), label);
    EXPECT_GT(macro.leaps.leaps, 4 * macro.leaps.rulesProved) << label;
    const std::int64_t inside = kLimit / 2 + 3;
    ExpectSame(RunUnder(*network, c.arguments, EngineKind::Macro, inside),
               RunUnder(*network, c.arguments, EngineKind::Event, inside), label + " limit");
  }
}

// A minimization's inner loops, met at each candidate with too few periods
// left for a rule to pay for its proof there: a loop declined at one
// meeting is weighed at as many as it had, so that it is proved once they
// would have paid for it, and leapt at the meetings that follow.
TEST(MacroEngine, ALoopDeclinedAtEveryMeetingIsProvedOnceTheyWouldPayForIt) {
  NParserInterface parser;
  const auto network = Example(parser, "remainder.prv");
  const std::vector<std::string> arguments = {"250", "7"};
  const std::int64_t kLimit = 10'000'000;
  const Outcome event = RunUnder(*network, arguments, EngineKind::Event, kLimit);
  ASSERT_EQ(event.status, RunStatus::Finished);
  const Outcome macro = RunUnder(*network, arguments, EngineKind::Macro, kLimit);
  ExpectSame(macro, event, "remainder 250 7");
  // Weighed at one meeting only, the run leaps 5 % of its iterations.
  EXPECT_GT(macro.leaps.iterationsLeapt, event.iterations / 4);
}

// A whole run under a macro engine of its own, and what its proofs cost
// (in neuron updates).
struct ProvedRun {
  RunStatus status = RunStatus::Running;
  std::int64_t iterations = 0;
  std::int64_t proofWork = 0;
};
ProvedRun RunWithProofWork(const Network& network, const std::vector<std::string>& arguments,
                           std::int64_t limit) {
  auto macro = std::make_unique<MacroEngine>();
  const MacroEngine& engine = *macro;
  NetworkRun run(std::move(macro));
  run.Start(network, arguments);
  ProvedRun outcome;
  while (outcome.status == RunStatus::Running) outcome.status = run.Tick(1000, limit);
  outcome.iterations = run.Iteration();
  outcome.proofWork = engine.ProofWork();
  return outcome;
}

// Multiplications whose inner loops (x rounds, their shapes round every 8)
// end before a proof from a phase's third sighting sees that phase again:
// every such proof fails after its whole budget, and the phases that follow
// fail alike. After a failure the engine steps past what the proof went
// through before it tries again, so that the failed proofs take less than
// three quarters of a neuron update per iteration (trying the next phases
// in a row, they took 1.0 to 3.4).
TEST(MacroEngine, ProofsOfLoopsThatEndBeforeTheyComeRoundCostLittle) {
  NParserInterface parser;
  const auto network = Example(parser, "multiplication.prv");
  const std::vector<std::vector<std::string>> cases = {{"40", "40"}, {"41", "30"}, {"33", "50"}};
  const std::int64_t kLimit = 100'000;
  for (const auto& arguments : cases) {
    const std::string label = arguments[0] + " x " + arguments[1];
    const ProvedRun run = RunWithProofWork(*network, arguments, kLimit);
    ASSERT_EQ(run.status, RunStatus::Finished) << label;
    EXPECT_GT(run.proofWork, 0) << label << ": no proof tried, a weak test";
    EXPECT_LT(run.proofWork, run.iterations * 3 / 4) << label;
  }
}

// A loop found not worth proving at one meeting is not tried again at its
// other phases before it ends: they are the same loop, declined alike.
// Factorial 6 meets a loop of 96 iterations whose rule could not pay for
// itself and tried ten of its phases in a row, each a pass of its period:
// 10,790 updates of proofs, 11,633 for remainder 50 mod 7; now 5,401 and
// 6,584.
TEST(MacroEngine, ALoopDeclinedIsNotTriedAgainAtItsOtherPhases) {
  struct Case {
    const char* file;
    std::vector<std::string> arguments;
    std::int64_t mostProofWork;
  };
  const Case cases[] = {
      {"factorial.prv", {"6"}, 8'000},
      {"remainder.prv", {"50", "7"}, 9'000},
  };
  const std::int64_t kLimit = 1'000'000;
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = Example(parser, c.file);
    const std::string label = std::string(c.file) + " " + c.arguments[0];
    const ProvedRun run = RunWithProofWork(*network, c.arguments, kLimit);
    ASSERT_EQ(run.status, RunStatus::Finished) << label;
    EXPECT_GT(run.proofWork, 0) << label << ": no proof tried, a weak test";
    EXPECT_LT(run.proofWork, c.mostProofWork) << label;
  }
}

// A run whose rules outgrow the memory they may take forgets those used
// least recently, proves again what it meets again, and ends as step by
// step; at the end and at limits inside its leaps.
TEST(MacroEngine, ARunThatForgetsRulesEndsAsStepByStep) {
  struct Case {
    const char* text;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {kTriangular, {"80"}},
      {kTriangular, {"90"}},
  };
  const std::int64_t kLimit = 2'000'000;
  const std::size_t kRuleMemory = 64 << 10;  // a few rules
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = CompileProgramText(parser, c.text, "forgetting.prv");
    const std::string label = network->Target().Name() + " " + c.arguments[0];
    const Outcome event = RunUnder(*network, c.arguments, EngineKind::Event, kLimit);
    ASSERT_EQ(event.status, RunStatus::Finished) << label;
    const auto run = [&](std::int64_t limit, std::size_t ruleMemory) {
      return RunUnder(network->Target(), network->Io(), c.arguments, EngineKind::Macro, limit,
                      1000, 0, true, false, 0, ruleMemory);
    };
    const Outcome keeping = run(kLimit, 0);
    const Outcome forgetting = run(kLimit, kRuleMemory);
    ExpectSame(forgetting, event, label);
    EXPECT_GT(forgetting.leaps.leaps, 0u) << label;
    // Forgotten rules come back as new proofs.
    EXPECT_GT(forgetting.leaps.rulesProved, keeping.leaps.rulesProved) << label;
    for (const std::int64_t limit : {event.iterations / 3, event.iterations * 3 / 4 + 1}) {
      const std::string at = label + " limit " + std::to_string(limit);
      ExpectSame(run(limit, kRuleMemory), RunUnder(*network, c.arguments, EngineKind::Event, limit),
                 at);
    }
  }
}

// A pass given room for so many iterations leaps over no more, and the run
// ends as step by step: how the window's Step leaps within its size.
TEST(MacroEngine, APassLeapsNoFurtherThanItsRoom) {
  NParserInterface parser;
  const auto network = Example(parser, "multiplication.prv");
  const std::vector<std::string> arguments = {"50", "40"};
  const Outcome event = RunUnder(*network, arguments, EngineKind::Event, 1'000'000);
  std::int64_t unbounded = 0;  // the longest pass with all the room there is
  for (const std::int64_t room : {INT64_MAX, std::int64_t{37}}) {
    auto eager = std::make_unique<MacroEngine>();
    eager->SetEager(true);
    NetworkRun run(std::move(eager));
    run.Start(*network, arguments);
    std::int64_t longest = 0;
    RunStatus status = RunStatus::Running;
    while (status == RunStatus::Running) {
      const std::int64_t before = run.Iteration();
      status = run.Tick(1, 1'000'000, room);
      longest = std::max(longest, run.Iteration() - before);
    }
    EXPECT_EQ(status, RunStatus::Finished) << room;
    EXPECT_EQ(run.Iteration(), event.iterations) << room;
    EXPECT_EQ(run.Result(), event.result) << room;
    if (room == INT64_MAX) {
      unbounded = longest;
    } else {
      EXPECT_LE(longest, room);
    }
  }
  EXPECT_GT(unbounded, 37) << "no leap longer than the room tried: a weak test";
}

// A limit inside a long loop's period: the loop proved there, whose
// period does not fit before the limit, is not proved again at each of its
// phases up to it. A run to such a limit proves no more rules than the run
// to the end, and stops at the step-by-step state.
TEST(MacroEngine, ALoopLongerThanWhatIsLeftIsNotProvedAgainAtEveryPhase) {
  NParserInterface parser;
  const auto network = Example(parser, "subtraction.prv");
  const std::vector<std::string> arguments = {"200", "60"};
  const Outcome whole = RunUnder(*network, arguments, EngineKind::Macro, 1'000'000, 1000, true);
  ASSERT_EQ(whole.status, RunStatus::Finished);
  for (const std::int64_t limit : {12'000, 20'000, 36'365}) {
    const std::string label = "limit " + std::to_string(limit);
    const Outcome eager = RunUnder(*network, arguments, EngineKind::Macro, limit, 1000, true);
    ExpectSame(eager, RunUnder(*network, arguments, EngineKind::Event, limit), label);
    EXPECT_LE(eager.leaps.rulesProved, whole.leaps.rulesProved) << label;
  }
}

// Iteration counts of runs the step-by-step engine would take minutes or
// hours for, against their closed forms (found with it on small sizes).
TEST(MacroEngine, IterationCountsFollowTheirClosedForms) {
  struct Case {
    const char* file;
    std::int64_t x, y;  // y < 0: one argument
    std::int64_t iterations;
    std::string result;
    bool kept = false;
    // Passes (steps or leaps) the run may take before it is called too
    // slow: a run that leaps no rounds would take hours.
    std::int64_t mostPasses = 0;
  };
  const auto product = [](std::int64_t n) { return 12 * n * n + 17 * n + 8; };
  const auto triangular = [](std::int64_t n) { return 6 * n * n + 28 * n + 8; };
  const Case cases[] = {
      {"multiplication.prv", 7, 8, 816, "56"},
      {"multiplication.prv", 1000, 1000, product(1000), "1000000"},
      {"multiplication.prv", 3000, 3000, product(3000), "9000000"},
      {"predecessor.prv", 5, -1, 7 * 5 + 8, "4"},
      {"predecessor.prv", 100'000'000, -1, 7 * 100'000'000 + 8, "99999999"},
      {"addition.prv", 3, 4, 12 * 4 + 7, "7"},
      {"addition.prv", 10'000'000, 10'000'000, 12 * 10'000'000 + 7, "20000000"},
      // Values kept as runs: arguments and results no neuron could hold.
      {"multiplication.prv", 1'000'000, 1'000'000, product(1'000'000), "1000000000000", true},
      {"predecessor.prv", 1'000'000'000'000, -1, 7 * 1'000'000'000'000 + 8, "999999999999", true},
      {"addition.prv", 1'000'000'000, 3, 12 * 3 + 7, "1000000003", true},
      {"addition.prv", 1'000'000'000, 1'000'000'000, std::int64_t{12} * 1'000'000'000 + 7, "2000000000", true},
      // Rounds that grow: n rounds of additions of 1, 2, ..., n. A run
      // gets its round rule within about a million passes; one whose outer
      // loop is never proved stops at four times that, in seconds.
      {"triangular", 7, -1, triangular(7), "28"},
      {"triangular", 1'000'000, -1, triangular(1'000'000), "500000500000", true, 4'000'000},
  };
  for (const auto& c : cases) {
    NParserInterface parser;
    const auto network = std::string(c.file) == "triangular"
                             ? CompileProgramText(parser, kTriangular, "triangular.prv")
                             : Example(parser, c.file);
    std::vector<std::string> arguments = {std::to_string(c.x)};
    if (c.y >= 0) arguments.push_back(std::to_string(c.y));
    Outcome macro;
    if (c.mostPasses > 0) {
      // A single tick of that many passes: a run still running after it
      // is too slow.
      NetworkRun run(MakeEngine(EngineKind::Macro));
      run.Start(&network->Target(), network->Io(), arguments, nullptr,
                c.kept ? ValuesHeld::InEngine : ValuesHeld::InNeurons);
      macro.status = run.Tick(c.mostPasses, c.iterations + 1000);
      macro.iterations = run.Iteration();
      macro.result = run.Result();
      macro.leaps = run.UsedEngine().Leaps();
    } else {
      macro = RunUnder(network->Target(), network->Io(), arguments, EngineKind::Macro,
                       c.iterations + 1000, 1'000'000, 0, false, c.kept);
    }
    EXPECT_EQ(macro.status, RunStatus::Finished) << c.file << " " << c.x;
    EXPECT_EQ(macro.iterations, c.iterations) << c.file << " " << c.x;
    EXPECT_EQ(macro.result, c.result) << c.file << " " << c.x;
    if (c.iterations >= 100000) {
      EXPECT_GT(macro.leaps.iterationsLeapt, c.iterations * 9 / 10) << c.file << " " << c.x;
    }
  }
}

// A proof records a condition for every comparison it makes; a rule keeps
// only those no other implies: a length held to one value (a run one limb
// long whenever the rule applies) is named by its bounds alone, and of
// conditions that differ by a constant only the strongest is kept.
TEST(MacroEngine, RulesKeepNoConditionAnotherImplies) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"division.prv", {"100", "7"}},
      {"remainder.prv", {"100", "7"}},
      {"multiplication.prv", {"300", "300"}},
  };
  for (const auto& [file, arguments] : cases) {
    NParserInterface parser;
    const auto network = Example(parser, file);
    auto macro = std::make_unique<MacroEngine>();
    macro->SetEager(true);
    const MacroEngine& engine = *macro;
    NetworkRun run(std::move(macro));
    run.Start(*network, arguments);
    // Stopped before the end, where the rules are still kept.
    while (run.Tick(1000, 200'000) == RunStatus::Running) {
    }
    std::size_t held = 0;
    for (const LoopRule* rule : engine.Rules().All()) {
      // "1 - x >= 0": x is held to 1 (every run is at least a limb long).
      std::vector<char> one(rule->delta.size(), 0);
      for (const PolyForm& c : rule->conditions) {
        const bool single = c.IsLinear() && c.Linear().size() == 1;
        if (single && c.Constant() == 1 && c.Linear().begin()->second == -1)
          one[c.Linear().begin()->first] = 1;
      }
      for (std::size_t i = 0; i < rule->conditions.size(); ++i) {
        const PolyForm& c = rule->conditions[i];
        const std::string text = std::string(file) + ": " + c.Text() + " in " + rule->Text();
        for (std::size_t j = i + 1; j < rule->conditions.size(); ++j)
          EXPECT_FALSE(c.ParallelTo(rule->conditions[j])) << text;
        if (c.Linear().size() + (c.IsLinear() ? 0 : 1) < 2) continue;
        for (const std::uint32_t variable : c.Variables()) EXPECT_FALSE(one[variable]) << text;
      }
      held += static_cast<std::size_t>(std::count(one.begin(), one.end(), 1));
    }
    EXPECT_GT(held, 0u) << file << ": no length held to one value, a weak test";
  }
}

}  // namespace
}  // namespace vantorb
