// The event engine against the reference update: on every example and on
// random networks, both give every neuron the same value and next value at
// every iteration, the same Changed answers, done iterations and results.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "example_runs.hpp"
#include "separator_scope.hpp"
#include "engine/engine.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {
namespace {

using vantorb::testing::SeparatorScope;

// Every neuron's value, next value and Changed answer, in tree order.
struct State {
  std::vector<Number> values, nexts;
  std::vector<bool> changed;
  friend bool operator==(const State&, const State&) = default;
};

State Snapshot(const ProofObj& tree) {
  NeuronList neurons;
  tree.AppendNeurons(neurons);
  State state;
  for (const Neuron* n : neurons) {
    state.values.push_back(n->Value());
    state.nexts.push_back(n->Next());
    state.changed.push_back(n->Changed());
  }
  return state;
}

// Records the state between compute and commit of each iteration.
struct Recorder : RunObserver {
  const ProofObj* tree = nullptr;
  std::vector<State> states;
  void Computed() override { states.push_back(Snapshot(*tree)); }
};

struct CompiledRun {
  NParserInterface parser;
  std::unique_ptr<Network> network;
  Recorder recorder;
  NetworkRun run;
  explicit CompiledRun(EngineKind kind) : run(kind) {}
};

TEST(EngineDifferential, EveryExampleRunsIdenticallyUnderBothEngines) {
  for (const auto& c : vantorb::testing::ExampleRuns()) {
    SCOPED_TRACE(c.file);
    CompiledRun reference(EngineKind::Reference), event(EngineKind::Event);
    for (CompiledRun* r : {&reference, &event}) {
      r->network =
          CompileProgramFile(r->parser, std::string(VANTORB_EXAMPLES_DIR) + "/" + c.file);
      r->recorder.tree = &r->network->Target();
      r->run.Start(*r->network, c.arguments, &r->recorder);
    }
    int iterations = 0;
    while (reference.run.Running() && ++iterations < 200000) {
      reference.run.RunIteration();
      event.run.RunIteration();
      ASSERT_EQ(reference.recorder.states.size(), event.recorder.states.size());
      ASSERT_TRUE(reference.recorder.states == event.recorder.states)
          << "first difference at iteration " << reference.run.Iteration();
      reference.recorder.states.clear();
      event.recorder.states.clear();
      ASSERT_TRUE(Snapshot(*reference.recorder.tree) == Snapshot(*event.recorder.tree));
    }
    EXPECT_FALSE(event.run.Running());
    EXPECT_EQ(reference.run.Iteration(), event.run.Iteration());
    EXPECT_EQ(reference.run.Result(), event.run.Result());
    EXPECT_LT(event.run.UsedEngine().SynapseEvaluations(),
              reference.run.UsedEngine().SynapseEvaluations() / 2)
        << "the event engine should skip most of the work";
  }
}

// A random network of own neurons wired among themselves and to the inputs;
// with long codes, the codes it starts with are hundreds of limbs long.
class RandomNet : public ProofObj {
 public:
  RandomNet(std::uint64_t seed, int size, bool longCodes = false)
      : ProofObj("N", 2, 0), seed_(seed), size_(size), longCodes_(longCodes) {}
  std::unique_ptr<ProofObj> Clone() const override {
    return std::make_unique<RandomNet>(seed_, size_, longCodes_);
  }
  void AddToTree(FunctionTreeNodes&, std::optional<TreeNodeHandle>) const override {}
  NetworkSize PlannedOwnSize() const override { return {}; }

  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override {
    std::mt19937_64 random(seed_);
    const double weights[] = {0.1, 0.2, 1, -1, 2, 10, -10, 100, -100, 0.05, -0.5, 3};
    const char* biases[] = {"0", "-0.9", "-1", "-2", "0.5", "", "x", "-0.1", "-1.2", "1.5"};
    NeuronList own;
    for (int i = 0; i < size_; ++i) own.push_back(NewNeuron("n" + std::to_string(i)));
    for (Neuron* n : own) {
      n->SetBias(ReplaceFirst(biases[random() % std::size(biases)], ".", decimalSeparator));
      const int fanIn = static_cast<int>(random() % 5);
      for (int s = 0; s < fanIn; ++s) {
        const bool fromInput = random() % 4 == 0;
        Neuron* source = fromInput ? inputs[random() % inputs.size()] : own[random() % own.size()];
        n->AddSynapse(source, weights[random() % std::size(weights)]);
      }
      switch (random() % 4) {  // start values of every kind
        case 0: break;
        case 1:
          n->SetArgument(std::to_string(longCodes_ ? 600 + random() % 2000 : random() % 30));
          break;
        case 2: n->SetValueText(DecimalText("0", "1000000000000000")); break;
        default: n->SetValueText(DecimalText("0", std::to_string(random() % 100000))); break;
      }
    }
    outputs.push_back(own[0]);
    outputs.push_back(own[1]);
  }

 private:
  std::uint64_t seed_;
  int size_;
  bool longCodes_;
};

TEST(EngineDifferential, RandomNetworksStepIdentically) {
  for (int network = 0; network < 150; ++network) {
    SeparatorScope scope(network % 2 ? "," : ".");
    std::mt19937_64 random(1000 + network);
    const int size = 2 + static_cast<int>(random() % 30);
    RandomNet a(network, size), b(network, size);
    TargetNetwork inputsA, inputsB;
    BuildTargetNetwork(a, inputsA);
    BuildTargetNetwork(b, inputsB);
    ReferenceEngine reference;
    EventEngine event;
    reference.Bind(a, inputsA.InputList());
    event.Bind(b, inputsB.InputList());
    for (int step = 0; step < 40; ++step) {
      if (random() % 3 == 0) {  // inputs set from outside, now and then
        const std::size_t k = random() % inputsA.inputNeurons.size();
        const std::string argument = std::to_string(random() % 12);
        inputsA.inputNeurons[k]->SetArgument(argument);
        inputsB.inputNeurons[k]->SetArgument(argument);
      }
      reference.ComputeNext();
      event.ComputeNext();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
      reference.Commit();
      event.Commit();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
    }
  }
}

// The dense engine against the event engine, which the test above holds to
// the reference. With an observer both keep the neurons in step at every
// iteration; without one the event engine defers them and must still leave
// every neuron as the dense engine does whenever a call returns, ticks of
// several iterations included. Gives the most slots the event engine used
// at once.
std::size_t ExpectDenseAndEventAgree(const vantorb::testing::ExampleRun& c) {
  SCOPED_TRACE(c.file);
  const EngineKind kinds[] = {EngineKind::Dense, EngineKind::Event};
  std::size_t mostSlots = 0;
  for (const bool observed : {true, false}) {
    std::vector<std::unique_ptr<CompiledRun>> runs;
    for (auto kind : kinds) {
      auto r = std::make_unique<CompiledRun>(kind);
      r->network =
          CompileProgramFile(r->parser, std::string(VANTORB_EXAMPLES_DIR) + "/" + c.file);
      r->recorder.tree = &r->network->Target();
      r->run.Start(*r->network, c.arguments, observed ? &r->recorder : nullptr);
      runs.push_back(std::move(r));
    }
    const auto& event = dynamic_cast<const EventEngine&>(runs[1]->run.UsedEngine());
    std::vector<RunStatus> status(runs.size(), RunStatus::Running);
    for (int tick = 0; status[0] == RunStatus::Running; ++tick) {
      const int passes = 1 + tick % 7;  // one iteration, and several at once
      for (std::size_t k = 0; k < runs.size(); ++k) {
        status[k] = runs[k]->run.Tick(passes, 20000);
        EXPECT_EQ(status[k], status[0]) << "engine " << k;
        EXPECT_TRUE(runs[k]->recorder.states == runs[0]->recorder.states) << "engine " << k;
        EXPECT_TRUE(Snapshot(*runs[k]->recorder.tree) == Snapshot(*runs[0]->recorder.tree))
            << "engine " << k << " tick " << tick;
        EXPECT_EQ(runs[k]->run.EndSignal(), runs[0]->run.EndSignal());
        if (::testing::Test::HasFailure()) return mostSlots;
      }
      mostSlots = std::max(mostSlots, event.SlotsInUse());
      for (auto& r : runs) r->recorder.states.clear();
    }
    EXPECT_EQ(status[0], RunStatus::Finished);
    for (const auto& r : runs) {
      EXPECT_EQ(r->run.Iteration(), runs[0]->run.Iteration());
      EXPECT_EQ(r->run.Result(), runs[0]->run.Result());
    }
  }
  return mostSlots;
}

TEST(EngineDifferential, AllEnginesAgreeWithAndWithoutObserver) {
  for (const auto& c : vantorb::testing::ExampleRuns()) {
    // Short values stay in the neurons, as the dense engine keeps them.
    EXPECT_EQ(ExpectDenseAndEventAgree(c), 0u) << c.file;
    if (HasFailure()) return;
  }
}

TEST(EngineDifferential, LongValuesTakeSlotsAndAgreeWithTheDenseEngine) {
  // Arguments whose codes pass 64 limbs: their values are held as runs,
  // and the neurons that copy them for an iteration or two take a slot and
  // leave it.
  const vantorb::testing::ExampleRun runs[] = {
      {"addition.prv", {"520", "530"}}, {"predecessor.prv", {"600"}},
      {"multiplication.prv", {"40", "13"}}, {"zero_test.prv", {"600"}},
      {"target_first.prv", {"530"}},
  };
  for (const auto& c : runs) {
    EXPECT_GT(ExpectDenseAndEventAgree(c), 0u) << c.file;
    if (HasFailure()) return;
  }
}

// Random networks stepped by the dense engine, and by the event engine
// deferring its neurons, checked after Synchronize.
TEST(EngineDifferential, RandomNetworksStepIdenticallyUnderEveryEngine) {
  for (int network = 0; network < 150; ++network) {
    SeparatorScope scope(network % 2 ? "," : ".");
    std::mt19937_64 random(5000 + network);
    const int size = 2 + static_cast<int>(random() % 30);
    RandomNet a(network, size), b(network, size), c(network, size);
    TargetNetwork inputsA, inputsB, inputsC;
    BuildTargetNetwork(a, inputsA);
    BuildTargetNetwork(b, inputsB);
    BuildTargetNetwork(c, inputsC);
    ReferenceEngine reference;
    DenseEngine dense;
    EventEngine event;
    event.DeferNeuronValues(true);
    reference.Bind(a, inputsA.InputList());
    dense.Bind(b, inputsB.InputList());
    event.Bind(c, inputsC.InputList());
    for (int step = 0; step < 40; ++step) {
      if (random() % 3 == 0) {
        const std::size_t k = random() % inputsA.inputNeurons.size();
        const std::string argument = std::to_string(random() % 12);
        for (auto* inputs : {&inputsA, &inputsB, &inputsC})
          inputs->inputNeurons[k]->SetArgument(argument);
      }
      reference.ComputeNext();
      dense.ComputeNext();
      event.ComputeNext();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
      reference.Commit();
      dense.Commit();
      event.Commit();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
      if (step % 3 == 0) {  // also after several deferred commits
        event.Synchronize();
        ASSERT_TRUE(Snapshot(a) == Snapshot(c)) << "network " << network << " step " << step;
      }
    }
    // Short values stay in the neurons: the engine holds no copy of them.
    EXPECT_EQ(event.SlotsInUse(), 0u) << "network " << network;
  }
}

// Long codes inside and set from outside, which take slots and leave them
// as sums and saturation make them short: the event engine, in step and
// deferring, against the dense engine.
TEST(EngineDifferential, RandomNetworksWithLongValuesStepIdentically) {
  std::size_t taken = 0, left = 0;
  for (int network = 0; network < 80; ++network) {
    std::mt19937_64 random(9000 + network);
    const int size = 2 + static_cast<int>(random() % 30);
    RandomNet a(network, size, true), b(network, size, true), c(network, size, true);
    TargetNetwork inputsA, inputsB, inputsC;
    BuildTargetNetwork(a, inputsA);
    BuildTargetNetwork(b, inputsB);
    BuildTargetNetwork(c, inputsC);
    DenseEngine dense;
    EventEngine event, deferring;
    deferring.DeferNeuronValues(true);
    dense.Bind(a, inputsA.InputList());
    event.Bind(b, inputsB.InputList());
    deferring.Bind(c, inputsC.InputList());
    std::size_t held = event.SlotsInUse();
    for (int step = 0; step < 60; ++step) {
      if (random() % 3 == 0) {
        const std::size_t k = random() % inputsA.inputNeurons.size();
        const std::uint64_t code = random() % 2 ? 600 + random() % 1000 : random() % 12;
        for (auto* inputs : {&inputsA, &inputsB, &inputsC})
          inputs->inputNeurons[k]->SetArgument(std::to_string(code));
      }
      dense.ComputeNext();
      event.ComputeNext();
      deferring.ComputeNext();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
      dense.Commit();
      event.Commit();
      deferring.Commit();
      ASSERT_TRUE(Snapshot(a) == Snapshot(b)) << "network " << network << " step " << step;
      if (step % 4 == 0) {
        deferring.Synchronize();
        ASSERT_TRUE(Snapshot(a) == Snapshot(c)) << "network " << network << " step " << step;
      }
      taken += event.SlotsInUse() > held;
      left += event.SlotsInUse() < held;
      held = event.SlotsInUse();
    }
  }
  EXPECT_GT(taken, 0u);
  EXPECT_GT(left, 0u);
}

TEST(EngineKinds, DenseIsNamed) {
  EXPECT_EQ(EngineKindFromName("dense"), EngineKind::Dense);
  EXPECT_THROW(EngineKindFromName("Dense"), NeuroException);
}

TEST(EngineKinds, NamesAndWeightsOutOfRange) {
  EXPECT_EQ(EngineKindFromName("event"), EngineKind::Event);
  EXPECT_EQ(EngineKindFromName("reference"), EngineKind::Reference);
  EXPECT_THROW(EngineKindFromName("fast"), NeuroException);
  // A weight no number can take is refused when the network is bound.
  IOObj source("Ein");
  class One : public ProofObj {
   public:
    One() : ProofObj("O", 0, 0) {}
    std::unique_ptr<ProofObj> Clone() const override { return nullptr; }
    void AddToTree(FunctionTreeNodes&, std::optional<TreeNodeHandle>) const override {}
    NetworkSize PlannedOwnSize() const override { return {}; }
    void BuildNetwork(const NeuronList& inputs, NeuronList&) override {
      NewNeuron("n")->AddSynapse(inputs[0], 1e12);
    }
  } tree;
  NeuronList outputs;
  tree.BuildNetwork({&source}, outputs);
  EventEngine event;
  EXPECT_THROW(event.Bind(tree, {&source}), NumberException);
}

}  // namespace
}  // namespace vantorb
