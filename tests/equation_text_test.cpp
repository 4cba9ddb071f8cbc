// The dynamic equation line: weight texts, term order, the bias written
// with "." whatever the separator, and long lines kept whole.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "network/equation_text.hpp"
#include "network/neuron_container.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

double ReadBack(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
  return value;
}

// The compiler's weights first: their texts are part of every equation file.
TEST(WeightText, TextsThatReadBackStayAsTheyWere) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.10"},   {0.2, "0.20"},     {1, "1.0"},      {-1, "-1.0"},
      {2, "2.0"},      {10, "10.0"},      {-10, "-10.0"},  {100, "100.0"},
      {-100, "-100.0"}, {0, "0.0"},       {-0.0, "0.0"},   {2.5, "2.50"},
      {1.99, "1.99"},  {0.05, "0.05"},    {-0.5, "-0.50"}, {-2.25, "-2.25"},
      {2147483647.25, "2147483647.25"},   {-2147483647.5, "-2147483647.50"},
      {1e20, "100000000000000000000.0"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& [weight, text] : cases) EXPECT_EQ(weightText(weight), text) << weight;
}

TEST(WeightText, OtherWeightsGetTheShortestTextThatReadsBack) {
  const std::pair<double, const char*> cases[] = {
      {0.125, "0.125"},
      {-0.125, "-0.125"},
      {0.001, "0.001"},
      {0.999, "0.999"},
      {1e-8, "1e-08"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 / 3, "0.3333333333333333"},
      {std::nextafter(2147483648.0, 0.0), "2147483647.9999998"},
      {123.456789, "123.456789"},
      {5e-324, "5e-324"},
  };
  for (const auto& [weight, text] : cases) {
    EXPECT_EQ(weightText(weight), text) << weight;
    EXPECT_EQ(ReadBack(weightText(weight)), weight) << text;
  }
}

TEST(WeightText, WholeHundredthsKeepTwoPlacesAndEveryWeightReadsBack) {
  for (int hundredths = -30000; hundredths <= 30000; hundredths += 7) {
    for (double offset : {0.0, 0.003, -0.004, 1e-9}) {
      const double w = hundredths / 100.0 + offset;
      const std::string text = weightText(w);
      EXPECT_EQ(text.find(','), std::string::npos);
      EXPECT_EQ(ReadBack(text), w) << text;
      if (offset != 0) continue;
      const std::size_t places = text.size() - text.find('.') - 1;
      EXPECT_EQ(places, hundredths % 100 == 0 ? 1u : 2u) << text;
    }
  }
}

TEST(EquationLine, SuccessorResultNeuronInBothSeparators) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    IOObj start("XSin_1_0"), data("XSdata_1_2");
    Neuron res("XSEres_1_3");
    res.SetBias("-0" + decimalSeparator + "9");
    res.AddSynapse(&start, 1);
    res.AddSynapse(&data, 0.1);
    EXPECT_EQ(res.EquationText(),
              "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )")
        << separator;
    EXPECT_EQ(res.Bias(), "-0" + decimalSeparator + "9");
  }
}

TEST(EquationLine, NeuronWithoutSynapsesAndOddBiases) {
  SeparatorScope scope(",");
  const std::pair<const char*, const char*> cases[] = {
      {"0", "A(i+1) = sigma( 0 )"},
      {"1,5,5", "A(i+1) = sigma( 1.5,5 )"},  // only the first separator
      {"", "A(i+1) = sigma(  )"},
      {"0.5", "A(i+1) = sigma( 0.5 )"},
  };
  for (const auto& [bias, line] : cases) {
    Neuron a("A");
    a.SetBias(bias);
    EXPECT_EQ(a.EquationText(), line);
  }
}

TEST(EquationLine, LongLinesAreWrittenWhole) {
  std::vector<std::unique_ptr<Neuron>> sources;
  Neuron target("T");
  for (int i = 0; i < 20; ++i) {
    sources.push_back(std::make_unique<Neuron>(std::string(30, static_cast<char>('a' + i))));
    target.AddSynapse(sources.back().get(), 1);
  }
  const std::string line = target.EquationText();
  EXPECT_GT(line.size(), 255u);
  EXPECT_NE(line.find(std::string(30, 't') + "(i) + 0 )"), std::string::npos);
}

TEST(EquationFileText, EveryLineEndsInCrLf) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"A(i+1) = sigma( 0 )", "B(i+1) = sigma( 1.0*A(i) + 0 )"},
       "A(i+1) = sigma( 0 )\r\nB(i+1) = sigma( 1.0*A(i) + 0 )\r\n"},
  };
  for (const auto& [lines, text] : cases) EXPECT_EQ(EquationFileText(lines), text);
}

}  // namespace
}  // namespace vantorb
