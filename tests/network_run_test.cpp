// The run core: starting a run, ticks of several passes, the limit test
// before the end test, the read-out, and networks that cannot run.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "function_builders.hpp"
#include "network/exceptions.hpp"
#include "pulse_harness.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

struct Built {
  Tree tree;
  TargetNetwork network;
  explicit Built(Tree t) : tree(std::move(t)) { BuildTargetNetwork(*tree, network); }
};

TEST(NetworkRunStart, PulsesTheInputsForTheFirstIterationOnly) {
  Built add(Add());
  NetworkRun run;
  run.Start(add.tree.get(), add.network, {"2", "3"});
  EXPECT_TRUE(run.Running());
  EXPECT_EQ(run.Iteration(), 1);
  for (const auto& input : add.network.inputNeurons)
    EXPECT_TRUE(IsZero(input->Value())) << input->Name();
  EXPECT_EQ(run.Result(), "");
  // The recursion's "in" neuron took the start pulse.
  EXPECT_EQ(add.tree->Neurons().Get(0)->Value().IntegerPart(), 1);
}

TEST(NetworkRunStart, UnaryZeroAnswersOnTheSecondStep) {
  Built zero(Z());
  NetworkRun run;
  run.Start(zero.tree.get(), zero.network, {"5"});
  EXPECT_EQ(run.Tick(1, 1000), RunStatus::Running);
  EXPECT_EQ(run.Iteration(), 2);
  EXPECT_TRUE(run.EndSignal());
  EXPECT_EQ(run.Tick(1, 1000), RunStatus::Finished);
  EXPECT_EQ(run.Iteration(), 2) << "the read-out does no iteration";
  EXPECT_EQ(run.Result(), "0");
  EXPECT_FALSE(run.Running());
}

TEST(NetworkRunStart, ARunStartedAgainBeginsFromTheResetNetwork) {
  // The first run keeps its values in the engine; the second, watched or
  // not, must not see any of that run's values.
  struct Watcher : RunObserver {
  } watcher;
  for (RunObserver* observer : {static_cast<RunObserver*>(&watcher),
                                static_cast<RunObserver*>(nullptr)}) {
    Built mul(Mul());
    NetworkRun fresh;
    fresh.Start(mul.tree.get(), mul.network, {"3", "4"}, observer);
    while (fresh.Tick(100, 5000) == RunStatus::Running) {
    }
    NetworkRun reused;
    reused.Start(mul.tree.get(), mul.network, {"5", "6"}, nullptr, ValuesHeld::InEngine);
    EXPECT_EQ(reused.Tick(150, 5000), RunStatus::Running);
    reused.Start(mul.tree.get(), mul.network, {"3", "4"}, observer);
    RunStatus status = RunStatus::Running;
    while (status == RunStatus::Running) status = reused.Tick(100, 5000);
    EXPECT_EQ(status, RunStatus::Finished) << (observer != nullptr);
    EXPECT_EQ(reused.Result(), "12") << (observer != nullptr);
    EXPECT_EQ(reused.Iteration(), fresh.Iteration()) << (observer != nullptr);
  }
}

// Values kept in an engine that holds them as runs: larger arguments,
// watched or not; a run started after one of them, with its values in the
// neurons, reads its neurons in step again.
TEST(NetworkRunStart, ValuesKeptInTheEngineTakeLargerArguments) {
  struct Watcher : RunObserver {
  } watcher;
  const struct {
    EngineKind kind;
    const char* label;
    bool keeps;
  } kinds[] = {{EngineKind::Reference, "reference", false},
               {EngineKind::Dense, "dense", false},
               {EngineKind::Event, "event", true},
               {EngineKind::Macro, "macro", true}};
  for (const auto& [kind, label, keeps] : kinds) {
    Built add(Add());
    NetworkRun run(kind);
    EXPECT_EQ(run.LargestArgument(ValuesHeld::InEngine),
              keeps ? kMaxArgumentAsRuns : kMaxArgument)
        << label;
    EXPECT_EQ(LargestArgument(kind, ValuesHeld::InEngine), run.LargestArgument(ValuesHeld::InEngine));
    EXPECT_EQ(run.LargestArgument(ValuesHeld::InNeurons), kMaxArgument) << label;
    for (RunObserver* observer : {static_cast<RunObserver*>(&watcher),
                                  static_cast<RunObserver*>(nullptr)}) {
      EXPECT_THROW(run.Start(add.tree.get(), add.network, {"100000001", "1"}, observer),
                   NeuroException)
          << label << ": not in the neurons";
      if (keeps) {
        run.Start(add.tree.get(), add.network, {"100000001", "1"}, observer, ValuesHeld::InEngine);
        EXPECT_TRUE(run.KeepsValues());
        EXPECT_EQ(run.Tick(1000, 10), RunStatus::LimitReached) << label;
      } else {
        EXPECT_THROW(run.Start(add.tree.get(), add.network, {"100000001", "1"}, observer,
                               ValuesHeld::InEngine),
                     NeuroException)
            << label;
      }
    }
    NetworkRun fresh(kind);
    for (NetworkRun* watched : {&run, &fresh}) {
      watched->Start(add.tree.get(), add.network, {"3", "4"}, &watcher);
      while (watched->Tick(100, 5000) == RunStatus::Running) {
      }
    }
    EXPECT_EQ(run.Result(), "7") << label;
    EXPECT_EQ(run.Iteration(), fresh.Iteration()) << label;
    for (const auto& input : add.network.inputNeurons)
      EXPECT_TRUE(IsZero(input->Value())) << label << " " << input->Name();
  }
}

// What a caller reads of a run whose values stay in the engine, value by
// value and iteration by iteration, is what the neurons of the same run
// under the reference engine hold: the value and whether the last
// iteration changed it.
TEST(NetworkRunReading, KeptValuesReadThroughTheRunAreTheNeuronsValues) {
  struct Watcher : RunObserver {
  } watcher;  // every iteration shown: none leapt
  for (EngineKind kind : {EngineKind::Event, EngineKind::Macro}) {
    Built kept(Mul()), plain(Mul());
    NetworkRun keeping(kind), reference(EngineKind::Reference);
    keeping.Start(kept.tree.get(), kept.network, {"3", "4"}, &watcher, ValuesHeld::InEngine);
    ASSERT_TRUE(keeping.KeepsValues());
    reference.Start(plain.tree.get(), plain.network, {"3", "4"});
    NeuronList keptNeurons, plainNeurons;
    kept.tree->AppendNeurons(keptNeurons);
    plain.tree->AppendNeurons(plainNeurons);
    RunNumber value;
    int compared = 0;
    for (int i = 0; i < 5000 && reference.Running(); ++i) {
      for (std::size_t n = 0; n < plainNeurons.size(); ++n) {
        keeping.ReadValue(*keptNeurons[n], value);
        ASSERT_EQ(value.ToText(), plainNeurons[n]->ValueText())
            << plainNeurons[n]->Name() << " at " << reference.Iteration();
        ++compared;
      }
      std::vector<bool> changed;
      for (const Neuron* n : keptNeurons) changed.push_back(keeping.ChangedAtLastCommit(*n));
      std::vector<std::string> before;
      for (const Neuron* n : plainNeurons) before.push_back(n->ValueText());
      keeping.Tick(1, 0);
      reference.Tick(1, 0);
      for (std::size_t n = 0; n < plainNeurons.size(); ++n)
        ASSERT_EQ(keeping.ChangedAtLastCommit(*keptNeurons[n]),
                  before[n] != plainNeurons[n]->ValueText() || (!reference.Running() && changed[n]))
            << plainNeurons[n]->Name() << " at " << reference.Iteration();
    }
    EXPECT_FALSE(keeping.Running());
    EXPECT_EQ(keeping.Result(), "12");
    EXPECT_GT(compared, 1000);
  }
}

TEST(NetworkRunTicks, ResultAndIterationsMatchTheDoneStep) {
  struct Case {
    const char* label;
    Tree (*make)();
    std::vector<std::string> arguments;
    std::string result;
    int doneStep;
  };
  const Case cases[] = {
      {"S(4)", S, {"4"}, "5", 2},
      {"add(2,2)", Add, {"2", "2"}, "4", 31},
      {"M(sub)(2)", [] { return M(Sub()); }, {"2"}, "2", 128},
      {"S(abc)", S, {"abc"}, "1", 2},        // no integer: 0
      {"S(-2)", S, {"-2"}, "1", 2},          // negative: 0
      {"S()", S, {}, "1", 2},                // missing: 0
      {"W(7)", W, {"7"}, "0", 2},            // extra arguments are ignored
  };
  for (int stepSize : {1, 7, 100}) {
    for (const auto& c : cases) {
      Built b(c.make());
      NetworkRun run;
      run.Start(b.tree.get(), b.network, c.arguments);
      RunStatus status = RunStatus::Running;
      int ticks = 0;
      while (status == RunStatus::Running && ++ticks < 10000) status = run.Tick(stepSize, 0);
      EXPECT_EQ(status, RunStatus::Finished) << c.label;
      EXPECT_EQ(run.Result(), c.result) << c.label;
      EXPECT_EQ(run.Iteration(), c.doneStep) << c.label << " step size " << stepSize;
    }
  }
}

TEST(NetworkRunTicks, LimitStopsAfterExactlyThatManyIterations) {
  for (int stepSize : {1, 3, 1000}) {
    for (int limit : {1, 2, 5, 30, 31}) {
      Built add(Add());  // answers at iteration 31 for (2, 2)
      NetworkRun run;
      run.Start(add.tree.get(), add.network, {"2", "2"});
      RunStatus status = RunStatus::Running;
      while (status == RunStatus::Running) status = run.Tick(stepSize, limit);
      // Reaching the end in the last allowed iteration still hits the limit.
      EXPECT_EQ(status, RunStatus::LimitReached) << limit;
      EXPECT_EQ(run.Iteration(), std::max(limit, 1)) << limit << "/" << stepSize;
      EXPECT_FALSE(run.Running());
    }
    Built add(Add());
    NetworkRun run;
    run.Start(add.tree.get(), add.network, {"2", "2"});
    RunStatus status = RunStatus::Running;
    while (status == RunStatus::Running) status = run.Tick(stepSize, 32);
    EXPECT_EQ(status, RunStatus::Finished);
    EXPECT_EQ(run.Result(), "4");
  }
}

TEST(NetworkRunTicks, LimitReadsTheResultNeuronAtThatMoment) {
  Built s(S());
  NetworkRun run;
  run.Start(s.tree.get(), s.network, {"3"});
  EXPECT_EQ(run.Tick(5, 1), RunStatus::LimitReached);
  EXPECT_EQ(run.Iteration(), 1);
  EXPECT_EQ(run.Result(), "0");
}

TEST(NetworkRunTicks, TheLargestStepSizeEndsAtTheReadOut) {
  // Passes are counted without overflow, and none follows the read-out.
  Built add(Add());
  NetworkRun run;
  run.Start(add.tree.get(), add.network, {"2", "2"});
  EXPECT_EQ(run.Tick(INT64_MAX, INT64_MAX), RunStatus::Finished);
  EXPECT_EQ(run.Result(), "4");
  EXPECT_EQ(run.Iteration(), 31);
}

TEST(NetworkRunTicks, StepSizesAndLimitsBeyond32BitsAreTakenWhole) {
  // Each is one tick to the end; cut to 32 bits, each would stop the run
  // early or make the tick a single pass, or none.
  struct Case {
    std::int64_t stepSize, limit;
  };
  const Case cases[] = {
      {1000, (std::int64_t{1} << 32) + 5}, {1000, std::int64_t{1} << 31},
      {1000, INT64_MAX},                   {(std::int64_t{1} << 32) + 1, 0},
      {INT64_MAX, 32},
  };
  for (const auto& c : cases) {
    Built add(Add());  // answers at iteration 31 for (2, 2)
    NetworkRun run;
    run.Start(add.tree.get(), add.network, {"2", "2"});
    EXPECT_EQ(run.Tick(c.stepSize, c.limit), RunStatus::Finished) << c.stepSize << " " << c.limit;
    EXPECT_EQ(run.Result(), "4") << c.stepSize << " " << c.limit;
    EXPECT_EQ(run.Iteration(), 31) << c.stepSize << " " << c.limit;
  }
}

TEST(NetworkRunTicks, StepSizeZeroDoesNothing) {
  Built s(S());
  NetworkRun run;
  run.Start(s.tree.get(), s.network, {"3"});
  EXPECT_EQ(run.Tick(0, 0), RunStatus::Running);
  EXPECT_EQ(run.Tick(-4, 0), RunStatus::Running);
  EXPECT_EQ(run.Iteration(), 1);
}

TEST(NetworkRunTicks, ObserverSeesEveryIterationBeforeItsCommit) {
  struct Counter : RunObserver {
    const Neuron* watched = nullptr;
    int computed = 0, passes = 0, changedSeen = 0;
    void Computed() override {
      ++computed;
      if (watched->Changed()) ++changedSeen;
    }
    void Pass() override { ++passes; }
  } counter;
  Built s(S());
  counter.watched = s.network.outputNeurons[0];  // "Eout" changes once
  NetworkRun run;
  run.Start(s.tree.get(), s.network, {"1"}, &counter);
  while (run.Tick(10, 0) == RunStatus::Running) {
  }
  EXPECT_EQ(counter.computed, 2);
  EXPECT_EQ(counter.passes, 2) << "the read-out ends the tick";
  EXPECT_EQ(counter.changedSeen, 1);
}

TEST(NetworkRunErrors, NetworksThatCannotStart) {
  Built s(S());
  NetworkRun run;
  TargetNetwork noOutputs;
  CreateInputNeurons(1, noOutputs);
  TargetNetwork tooFewInputs;
  CreateInputNeurons(0, tooFewInputs);
  tooFewInputs.outputNeurons = s.network.outputNeurons;
  for (auto [target, network] : {std::pair<ProofObj*, const TargetNetwork*>{nullptr, &s.network},
                                 {s.tree.get(), &noOutputs},
                                 {s.tree.get(), &tooFewInputs}}) {
    try {
      run.Start(target, *network, {"1"});
      ADD_FAILURE() << "started";
    } catch (const NeuroException& e) {
      EXPECT_STREQ(e.what(), "An error ocourred. Did you compile a function ?");
    }
    EXPECT_FALSE(run.Running());
  }
  // The end neuron must be one: a result neuron in its place does not do.
  TargetNetwork swapped;
  CreateInputNeurons(1, swapped);
  swapped.outputNeurons = {s.network.outputNeurons[1], s.network.outputNeurons[0]};
  EXPECT_THROW(run.Start(s.tree.get(), swapped, {"1"}), NeuroException);
}

}  // namespace
}  // namespace vantorb

#include <atomic>
#include <cstdlib>
#include <new>

// Every allocation of this test program is counted, to show that a running
// network stops allocating once its values have room.
namespace {
std::atomic<long> allocations{0};
}
// GCC 12 takes the replaced pair for a mismatch where it inlines them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace vantorb {
namespace {

TEST(NetworkRunMemory, ALongRunAllocatesOnlyAsItsValuesGrow) {
  using namespace vantorb::testing;
  Built never(M(C(U(2, 2), S())));  // f(x, y) = y + 1 is never 0
  NetworkRun run;
  run.Start(never.tree.get(), never.network, {"1"});
  for (int i = 0; i < 2000; ++i) run.RunIteration();
  const long before = allocations;
  const int iterations = 100000;
  for (int i = 0; i < iterations; ++i) run.RunIteration();
  EXPECT_TRUE(run.Running());
  // The candidate grows a digit per try, and a buffer doubles when it is
  // full: a few hundred allocations in all, not one per iteration.
  EXPECT_LT(allocations - before, iterations / 100);
}

}  // namespace
}  // namespace vantorb
