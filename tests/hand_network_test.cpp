// A successor network wired by hand from the network model alone: its
// synchronous steps follow the start/done pulse protocol and carry the unary
// code exactly, and it returns to silence after answering.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "network/neuron_container.hpp"
#include "network/unary.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

struct SuccessorNet {
  IOObj start{"Ein"}, data{"Edata1"};
  NeuronContainer net;
  Neuron *in, *out, *copy, *res;

  SuccessorNet() {
    in = net.Add(std::make_unique<Neuron>("in"));
    out = net.Add(std::make_unique<Neuron>("Eout"));
    copy = net.Add(std::make_unique<Neuron>("data"));
    res = net.Add(std::make_unique<Neuron>("Eres"));
    net.Reset();
    res->SetBias("-0" + decimalSeparator + "9");
    NeuronContainer::Connect(in, out, 1);
    NeuronContainer::Connect(in, res, 1);
    NeuronContainer::Connect(copy, res, 0.1);
    NeuronContainer::Connect(&start, in, 1);
    NeuronContainer::Connect(&data, copy, 1);
  }

  // One synchronous step; the inputs hold their pulse for step 0 only.
  void Step() {
    net.ComputeNext();
    net.Commit();
    start.SetValueText("0");
    data.SetValueText("0");
  }
};

TEST(HandNetwork, SuccessorAnswersAtStepTwoWithTheNextCode) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (int n : {0, 1, 2, 4, 6, 7, 8, 30, 250}) {
      SCOPED_TRACE(std::to_string(n) + " with " + separator);
      SuccessorNet s;
      s.start.SetValueText("1");
      s.data.SetArgument(std::to_string(n));
      const Number one = Number::FromParts(1, 1, {{0}});
      const Number zero = Number::FromParts(1, 0, {{0}});

      s.Step();
      EXPECT_EQ(s.in->Value(), one);
      EXPECT_EQ(s.copy->Value(), UnaryCode(n));
      EXPECT_EQ(s.out->Value(), zero);
      EXPECT_EQ(s.res->Value(), zero);

      s.Step();
      EXPECT_EQ(s.out->Value(), one);
      EXPECT_EQ(s.res->Value(), UnaryCode(n + 1));
      EXPECT_EQ(s.res->ResultText(), std::to_string(n + 1));
      // Also a code whose digits fill whole limbs, with no closing zero.
      EXPECT_EQ(DecodeUnary(s.res->Value().ToText()), std::to_string(n + 1));

      for (int quiet = 0; quiet < 3; ++quiet) {
        s.Step();
        for (std::size_t i = 0; i < s.net.Count(); ++i)
          EXPECT_EQ(s.net.Get(i)->Value(), zero) << s.net.Get(i)->Name();
      }
    }
  }
}

TEST(HandNetwork, SuccessorOfFourHoldsTheTextOfFive) {
  SeparatorScope scope(".");
  SuccessorNet s;
  s.start.SetValueText("1");
  s.data.SetArgument("4");
  s.Step();
  s.Step();
  EXPECT_EQ(s.res->Value().ToText(), "0.11111100");
  EXPECT_EQ(s.net.SynapseCount(), 5u);
}

TEST(HandNetwork, EquationsListEveryNeuronOnce) {
  SeparatorScope scope(",");
  SuccessorNet s;
  s.net.Rename("S", 1, 0);
  std::vector<std::string> lines;
  s.net.WriteEquations(lines);
  const std::vector<std::string> expected{
      "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )",
      "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )",
      "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )",
      "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )",
  };
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace vantorb
