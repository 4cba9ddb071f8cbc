// The unary code: building argument codes, reading results and decoding
// values for the status hints.

#include <gtest/gtest.h>

#include <string>

#include "network/exceptions.hpp"
#include "network/neuron.hpp"
#include "network/unary.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

TEST(UnaryCode, EqualsTheNumberItsTextReadsAs) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (int n : {0, 1, 2, 6, 7, 8, 15, 16, 100, 1001}) {
      Number expected;
      expected.FromText("0" + decimalSeparator + std::string(n + 1, '1'));
      EXPECT_EQ(UnaryCode(n), expected) << n << " with " << separator;
    }
  }
  EXPECT_EQ(UnaryCode(-5), UnaryCode(0));
}

TEST(UnaryCode, HeldAsRunsIsTheSameNumber) {
  for (std::int64_t n : {-3, 0, 1, 6, 7, 8, 15, 16, 100, 511, 512, 1001, 4096}) {
    RunNumber runs;
    runs.Assign(UnaryCodeRuns(n));
    EXPECT_EQ(runs.ToNumber(), UnaryCode(n)) << n;
  }
  const RunValue<std::uint64_t> huge = UnaryCodeRuns(1'000'000'000'000);
  EXPECT_EQ(huge.limbCount, 125'000'000'001u);  // 10^12 + 1 digits
  EXPECT_EQ(huge.runs.size(), 2u);
}

// Read from runs, the result is what the text gives, whatever the sign,
// integer part, separator and digits.
TEST(UnaryResult, ReadFromRunsAsFromTheText) {
  const std::string values[] = {
      "0.1111", "0.1", "1", "0.111111", "0.0101", "0", "-0.1111", "-1.1", "12.111",
      "1.11111111111111111111", "0.00000000111111111111111111", "123.1", "0.12121212",
      "0." + std::string(1000, '1') + "00", "0.1" + std::string(800, '0') + "1",
  };
  for (const char* separator : {".", ",", "::"}) {
    SeparatorScope scope(separator);
    for (std::string text : values) {
      if (const auto dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, separator);
      Number number;
      number.FromText(text);
      for (const bool plain : {true, false}) {
        RunNumber runs;
        runs.Assign(number);
        runs.UsePlainForm(plain);
        EXPECT_EQ(UnaryResultText(runs), UnaryResultText(number.ToText()))
            << text << (plain ? " as limbs" : " as runs");
      }
    }
  }
  RunNumber empty;  // no limbs: text 0.0
  EXPECT_EQ(UnaryResultText(empty), "0");
}

TEST(UnaryArgument, SetArgumentGivesTheCodeOrZero) {
  SeparatorScope scope(".");
  const std::pair<const char*, const char*> cases[] = {
      {"3", "0.11110000"}, {"0", "0.10000000"},   {"abc", "0.10000000"},
      {"-2", "0.10000000"}, {"", "0.10000000"},   {"+2", "0.11100000"},
      {"7", "0.11111111"},  {"8", "0.1111111110000000"},
      {"2 ", "0.10000000"}, {"99999999999", "0.10000000"},
  };
  for (const auto& [text, value] : cases) {
    Neuron n;
    n.SetArgument(text);
    EXPECT_EQ(n.Value().ToText(), value) << "'" << text << "'";
  }
}

TEST(UnaryResult, ResultTextCountsOnesAfterTheThirdCharacter) {
  SeparatorScope scope(".");
  const std::pair<const char*, const char*> cases[] = {
      {"0.1111", "3"}, {"0.1", "0"},  {"1", "0"},
      {"0.111111", "5"}, {"0.0101", "2"},  // not checked as a code
  };
  for (const auto& [value, result] : cases) {
    Neuron n;
    n.SetValueText(value);
    EXPECT_EQ(n.ResultText(), result) << value;
  }
  EXPECT_EQ(UnaryResultText("0."), "0");
  EXPECT_EQ(UnaryResultText(""), "0");
  Neuron fresh;  // no limbs: text 0.0
  EXPECT_EQ(fresh.ResultText(), "0");
}

// Every code as a number writes it, whether or not its digits fill its last
// limb, and with zero limbs behind it as sums may leave.
TEST(UnaryDecode, EveryCodeDecodesToItsNumber) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (int n = 0; n <= 40; ++n) {
      const std::string code = UnaryCode(n).ToText();
      for (int zeroLimbs = 0; zeroLimbs <= 2; ++zeroLimbs) {
        const std::string text = code + std::string(8 * zeroLimbs, '0');
        EXPECT_EQ(DecodeUnary(text), std::to_string(n)) << "'" << text << "'";
      }
    }
  }
}

TEST(UnaryDecode, TextsThatAreNoCodeGiveAQuestionMark) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.11111111", "7"},   // fills its limb: no closing zero
      {"0.1111111111111111", "15"},
      {"0.1", "0"},          // written short
      {"0,11111100", "5"},   // any separator character
      {"0.5", "?"},
      {"0.1101", "?"},       // a one after the closing zeros
      {"0.11101000", "?"},
      {"1", "?"},
      {"0.0", "?"},
      {"0.12", "?"},
      {"0.1120000", "?"},
      {"0.1x000", "?"},
      {"1.00000000", "?"},
      {"0.00000000", "?"},
      {"0011", "?"},         // no separator
      {"-0.11000000", "?"},
      {"0.", "?"},
      {"", "?"},
  };
  for (const auto& [text, decoded] : cases)
    EXPECT_EQ(DecodeUnary(text), decoded) << "'" << text << "'";
}

// Read from the limbs, a number decodes as its text does: codes with and
// without zero limbs behind, and numbers that only look like codes in part.
TEST(UnaryDecode, NumbersDecodeAsTheirTexts) {
  std::vector<Number> numbers;
  for (int n = 0; n <= 40; ++n) {
    const Number code = UnaryCode(n);
    for (int zeroLimbs = 0; zeroLimbs <= 2; ++zeroLimbs) {
      std::vector<Number_Node> limbs = code.Limbs();
      limbs.resize(limbs.size() + zeroLimbs, Number_Node{0});
      numbers.push_back(Number::FromParts(1, 0, limbs));
      numbers.push_back(Number::FromParts(-1, 0, limbs));
      numbers.push_back(Number::FromParts(1, 1, limbs));
      limbs.push_back({10});  // a digit after the closing zeros
      numbers.push_back(Number::FromParts(1, 0, limbs));
    }
  }
  for (std::int32_t limb : {0, 1, 10000000, 11011111, 11111110, 11111112, 99999999})
    numbers.push_back(Number::FromParts(1, 0, {{limb}, {0}}));
  numbers.push_back(Number::FromParts(1, 0, {}));
  for (const Number& number : numbers) {
    const std::string text = number.ToText();
    const std::string decoded = DecodeUnary(text);
    EXPECT_EQ(DecodeUnary(number), decoded == "?" ? -1 : std::stoll(decoded)) << "'" << text << "'";
  }
}

}  // namespace
}  // namespace vantorb

namespace vantorb {
namespace {

TEST(UnaryArgumentSize, RefusesCodesTooLongToHold) {
  const std::pair<const char*, bool> cases[] = {
      {"0", true},        {"100000000", true}, {"+100000000", true},
      {"00100000000", true}, {"-2000000000", true},  // negative: counts 0
      {"abc", true},      {"", true},          {"1e9", true},
      {"100000001", false}, {"2000000000", false},
      {"99999999999999999999999999999", false}, {"+2000000000", false},
  };
  for (const auto& [text, accepted] : cases) {
    if (accepted) {
      EXPECT_NO_THROW(CheckArgumentSize(text)) << text;
    } else {
      EXPECT_THROW(CheckArgumentSize(text), NeuroException) << text;
    }
  }
  try {
    CheckArgumentSize("2000000000");
  } catch (const NeuroException& e) {
    EXPECT_STREQ(e.what(), "The argument 2000000000 is too large: at most 100000000 can be computed");
  }
}

TEST(UnaryArgumentSize, CodesHeldAsRunsTakeFarLargerArguments) {
  const std::pair<const char*, bool> cases[] = {
      {"100000001", true}, {"1000000000000", true}, {"+1000000000000", true},
      {"1000000000001", false}, {"99999999999999999999", false},
  };
  for (const auto& [text, accepted] : cases) {
    if (accepted) {
      EXPECT_NO_THROW(CheckArgumentSize(text, kMaxArgumentAsRuns)) << text;
      EXPECT_EQ(WideUnaryArgument(text), std::stoll(text)) << text;
    } else {
      EXPECT_THROW(CheckArgumentSize(text, kMaxArgumentAsRuns), NeuroException) << text;
    }
  }
}

}  // namespace
}  // namespace vantorb
