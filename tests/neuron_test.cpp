// Neuron and NeuronContainer: computing, committing, resetting, collecting
// and naming, and the equivalence of ComputeNext with the literal update
// that copies every source value through its decimal text.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "network/neuron_container.hpp"
#include "network/unary.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

struct SingleNeuronCase {
  const char* bias;
  std::vector<std::pair<const char*, double>> sources;  // value text, weight
  const char* next;
};

TEST(NeuronCompute, WeightedSumPlusBiasIsClamped) {
  SeparatorScope scope(".");
  const SingleNeuronCase cases[] = {
      {"0", {}, "0.00000000"},
      {"-1", {}, "0.00000000"},
      {"2", {}, "1.00000000"},
      {"0.25", {}, "0.25000000"},
      {"", {}, "0.00000000"},        // an empty bias computes as 0
      {"abc", {}, "0.00000000"},     // a bias that is no number reads as 0
      {"0", {{"1", 0.1}}, "0.10000000"},
      {"-0.9", {{"1", 1}, {"0.111", 0.1}}, "0.11110000"},  // successor
      {"-0.9", {{"0", 1}, {"0.111", 0.1}}, "0.00000000"},
      {"0", {{"0.5", 1}, {"0.75", 1}}, "1.00000000"},
      {"0", {{"0.5", 1}, {"0.75", -1}}, "0.00000000"},
      {"0.5", {{"0.11", -1}, {"0.11", 2}}, "0.61000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("bias ") + c.bias);
    std::vector<std::unique_ptr<Neuron>> sources;
    Neuron n("n");
    n.SetBias(c.bias);
    for (const auto& [value, weight] : c.sources) {
      sources.push_back(std::make_unique<Neuron>());
      sources.back()->SetValueText(value);
      n.AddSynapse(sources.back().get(), weight);
    }
    n.ComputeNext();
    EXPECT_EQ(n.ValueText(), c.next);
    EXPECT_EQ(n.Value(), Number()) << "value must wait for Commit";
    n.Commit();
    EXPECT_EQ(n.Value().ToText(), c.next);
  }
}

TEST(NeuronCompute, BiasIsReadWithTheCurrentSeparator) {
  Neuron source;
  source.SetValueText("1");
  Neuron n;
  n.AddSynapse(&source, 1);
  {
    SeparatorScope comma(",");
    n.SetBias("-0,9");
    n.ComputeNext();
    EXPECT_EQ(n.ValueText(), "0,10000000");
  }
  SeparatorScope dot(".");
  n.ComputeNext();  // "-0,9" is no number with "." and reads as -0
  EXPECT_EQ(n.ValueText(), "1.00000000");
  n.SetBias("-0.25");
  n.ComputeNext();
  EXPECT_EQ(n.ValueText(), "0.75000000");
}

TEST(NeuronLifecycle, FreshResetAndChanged) {
  Neuron n("n");
  EXPECT_EQ(n.Bias(), "0");
  EXPECT_TRUE(n.Value().Limbs().empty());
  EXPECT_TRUE(n.Next().Limbs().empty());
  EXPECT_FALSE(n.Changed());
  n.SetValueText("0.5");
  EXPECT_TRUE(n.Changed());
  n.Reset();
  EXPECT_FALSE(n.Changed());
  EXPECT_EQ(n.Value(), Number::FromParts(1, 0, {{0}}));
  SeparatorScope scope(".");
  Neuron m;
  m.SetBias("0.5");
  m.ComputeNext();  // next: the single limb 50000000
  m.SetValueText("0.5000000000");
  EXPECT_TRUE(m.Changed()) << "same value, but the texts differ";
  m.SetValueText("0.5");
  EXPECT_FALSE(m.Changed());
}

TEST(NeuronLifecycle, AddSynapseRejectsAMissingSource) {
  Neuron n("n");
  EXPECT_THROW(n.AddSynapse(nullptr, 1), NeuroException);
  EXPECT_THROW(NeuronContainer::Connect(&n, nullptr, 1), NeuroException);
  EXPECT_EQ(n.SynapseCount(), 0u);
}

TEST(NeuronSync, TwoNeuronsFeedingEachOtherAgreeInEitherOrder) {
  SeparatorScope scope(".");
  for (bool aFirst : {true, false}) {
    Neuron a("a"), b("b");
    a.Reset();
    b.Reset();
    a.AddSynapse(&b, 1);
    b.AddSynapse(&a, 1);
    a.SetValueText("0.3");
    b.SetValueText("0.6");
    for (int step = 0; step < 3; ++step) {
      if (aFirst) { a.ComputeNext(); b.ComputeNext(); }
      else { b.ComputeNext(); a.ComputeNext(); }
      a.Commit();
      b.Commit();
    }
    // Three swaps: each ends with the other's start value.
    EXPECT_EQ(a.Value().ToText(), "0.60000000") << aFirst;
    EXPECT_EQ(b.Value().ToText(), "0.30000000") << aFirst;
  }
}

// The update as defined: every source value goes through its text, the
// bias is read anew each step.
Number LiteralNext(const Neuron& n) {
  Number next;
  next.FromText("0");
  for (const auto& synapse : n.Synapses()) {
    Number copy;
    copy.FromText(synapse.source->Value().ToText());
    copy.MultiplyByWeight(synapse.weight);
    next.Add(copy);
  }
  Number bias;
  bias.FromText(n.Bias());
  next.Add(bias);
  next.Saturate();
  return next;
}

TEST(NeuronCompute, MatchesTheLiteralTextRoundTripOnRandomNetworks) {
  std::mt19937_64 random(20261207);
  const double weights[] = {0.1, 0.2, 1, -1, 2, 10, -10, 100, -100,
                            0.05, -0.5, 3, 0.33333333, 0.999999999};
  const char* biases[] = {"0", "-0.9", "-1", "-2", "0.5", "", "x", "-0.1",
                          "-99", "1.5", "-0.11111111111111111"};
  auto pick = [&](auto& array) {
    return array[random() % std::size(array)];
  };
  for (int network = 0; network < 200; ++network) {
    SeparatorScope scope(network % 2 ? "," : ".");
    std::vector<std::unique_ptr<Neuron>> neurons;
    const int size = 2 + static_cast<int>(random() % 12);
    for (int i = 0; i < size; ++i)
      neurons.push_back(std::make_unique<Neuron>(std::string("n").append(std::to_string(i))));
    for (auto& n : neurons) {
      std::string bias = pick(biases);
      n->SetBias(ReplaceFirst(bias, ".", decimalSeparator));
      const int fanIn = static_cast<int>(random() % 6);
      for (int s = 0; s < fanIn; ++s)
        n->AddSynapse(neurons[random() % size].get(), pick(weights));
      switch (random() % 4) {  // start values of every kind
        case 0: break;         // a fresh neuron: no limbs at all
        case 1: n->SetArgument(std::to_string(random() % 40)); break;
        case 2: n->SetValueText("0" + decimalSeparator + "1000000000000000"); break;
        default: n->Reset(); break;
      }
    }
    for (int step = 0; step < 12; ++step) {
      for (auto& n : neurons) {
        const Number expected = LiteralNext(*n);
        n->ComputeNext();
        ASSERT_EQ(n->Next(), expected)
            << "network " << network << " step " << step << " " << n->Name()
            << ": " << n->Next().ToText() << " vs " << expected.ToText();
      }
      for (auto& n : neurons) n->Commit();
      if (step == 5) neurons[random() % size]->SetBias("0" + decimalSeparator + "3");
    }
  }
}

std::unique_ptr<NeuronContainer> ThreeNeurons() {
  auto c = std::make_unique<NeuronContainer>();
  c->Add(std::make_unique<Neuron>("in"));
  c->Add(std::make_unique<Neuron>("res"));
  c->Add(std::make_unique<Neuron>("Eres"));
  return c;
}

TEST(NeuronContainerOps, CountsRenamesAndWritesInOrder) {
  SeparatorScope scope(".");
  auto c = ThreeNeurons();
  IOObj start("Ein");
  NeuronContainer::Connect(&start, c->Get(0), 1);
  NeuronContainer::Connect(c->Get(0), c->Get(1), 0.1);
  NeuronContainer::Connect(c->Get(0), c->Get(2), 1);
  EXPECT_EQ(c->Count(), 3u);
  EXPECT_EQ(c->SynapseCount(), 3u);
  EXPECT_THROW(c->Get(3), NeuroException);
  c->Rename("S", 2, 7);
  EXPECT_EQ(c->Get(0)->Name(), "XSin_2_7");
  EXPECT_EQ(c->Get(1)->Name(), "XSres_2_8");
  EXPECT_EQ(c->Get(2)->Name(), "XSEres_2_9");
  std::vector<std::string> lines{"earlier"};
  c->WriteEquations(lines);
  const std::vector<std::string> expected{
      "earlier",
      "XSin_2_7(i+1) = sigma( 1.0*Ein(i) + 0 )",
      "XSres_2_8(i+1) = sigma( 0.10*XSin_2_7(i) + 0 )",
      "XSEres_2_9(i+1) = sigma( 1.0*XSin_2_7(i) + 0 )",
  };
  EXPECT_EQ(lines, expected);
}

TEST(NeuronContainerOps, CollectNeuronsByNameAndChange) {
  auto c = ThreeNeurons();
  struct Case {
    const char* text;
    bool all;
    std::vector<std::string> names;
  };
  c->Reset();
  const Case afterReset[] = {
      {"res", true, {"res", "Eres"}},
      {"res", false, {}},  // nothing changed right after Reset
      {"", true, {}},      // an empty text matches none
      {"n", true, {"in"}},
      {"RES", true, {}},   // case counts
  };
  auto collect = [&](const Case& k) {
    std::vector<Neuron*> list;
    c->CollectNeurons(list, k.text, k.all);
    std::vector<std::string> names;
    for (auto* n : list) names.push_back(n->Name());
    return names;
  };
  for (const auto& k : afterReset) EXPECT_EQ(collect(k), k.names) << k.text;
  c->Get(2)->SetValueText("1");
  EXPECT_EQ(collect({"res", false, {}}), std::vector<std::string>{"Eres"});
  c->Commit();  // value := next (0)
  EXPECT_EQ(collect({"res", false, {}}), std::vector<std::string>{});
}

TEST(NeuronContainerOps, OwnsItsNeuronsButNotTheirSources) {
  IOObj start("Ein");
  start.SetValueText("1");
  {
    NeuronContainer c;
    Neuron* n = c.Add(std::make_unique<Neuron>("n"));
    n->AddSynapse(&start, 1);
    c.ComputeNext();
    c.Commit();
    EXPECT_EQ(n->Value().IntegerPart(), 1);
  }
  EXPECT_EQ(start.Value().IntegerPart(), 1);  // the source outlives it
}

}  // namespace
}  // namespace vantorb

namespace vantorb {
namespace {

TEST(NeuronCommit, ExchangeReadsLikeACopy) {
  testing::SeparatorScope scope(".");
  Neuron source, n;
  source.SetValueText("0.25");
  n.AddSynapse(&source, 2);
  n.Reset();
  n.ComputeNext();            // next 0.5, value 0
  n.CommitBySwap();
  EXPECT_EQ(n.Value().ToText(), "0.50000000");
  EXPECT_EQ(n.Next(), n.Value());
  EXPECT_EQ(n.ValueText(), "0.50000000");
  EXPECT_FALSE(n.Changed());
  n.CommitBySwap();           // nothing new to commit
  EXPECT_EQ(n.Value().ToText(), "0.50000000");
  n.SetValueText("0.75");     // the next value keeps what it was
  EXPECT_EQ(n.Next().ToText(), "0.50000000");
  EXPECT_TRUE(n.Changed());
  n.Commit();
  EXPECT_EQ(n.Value().ToText(), "0.50000000");
  n.MutableNext().FromText("0.1");
  EXPECT_TRUE(n.Changed());
  EXPECT_EQ(n.Value().ToText(), "0.50000000");
}

}  // namespace
}  // namespace vantorb
