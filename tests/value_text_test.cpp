// The parts of a value's text a view shows are exactly the parts of the
// whole text, for short and long values, either separator.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "network/unary.hpp"
#include "network/value_text.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using vantorb::testing::SeparatorScope;

TEST(ValueText, HeadTailAndLengthArePartsOfTheWholeText) {
  std::vector<Number> values = {
      Number::FromParts(1, 0, {}),
      Number::FromParts(1, 1, {{0}}),
      Number::FromParts(-1, 12, {{5}, {99999999}}),
      UnaryCode(0),
      UnaryCode(7),
      UnaryCode(100),
      Number::FromParts(1, 0, {{12345678}, {90000000}, {1}, {0}, {42}}),
  };
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (const Number& value : values) {
      const std::string text = value.ToText();
      SCOPED_TRACE(text);
      EXPECT_EQ(ValueTextLength(value), text.size());
      for (std::size_t count = 0; count <= text.size() + 3; ++count) {
        EXPECT_EQ(ValueTextHead(value, count), text.substr(0, count)) << count;
        EXPECT_EQ(ValueTextTail(value, count),
                  text.substr(text.size() - std::min(count, text.size())))
            << count;
      }
    }
  }
}

TEST(ValueText, LongValuesAreElidedWithTheirDigitCount) {
  const struct {
    Number value;
    std::string shown;
  } cases[] = {
      {UnaryCode(3), "0.11110000"},
      {UnaryCode(55), UnaryCode(55).ToText()},  // 58 characters: whole
      // a million and one ones: the last limb holds one of them
      {UnaryCode(1'000'000), "0.11111111111111111111111111...1111111110000000 (1000008 digits)"},
      {Number::FromParts(-1, 3, std::vector<Number_Node>(10, {12345678})),
       "-3.1234567812345678123456781...1234567812345678 (80 digits)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ElidedValueText(c.value), c.shown);
}

// A value held as runs gives the same parts as its expanded number, and a
// narrow column its first digits, last significant digit and digit count,
// however long the value.
TEST(ValueText, ValuesHeldAsRunsShowTheSameAndShortForms) {
  for (const Number& value : {UnaryCode(3), UnaryCode(100), UnaryCode(1000),
                              Number::FromParts(-1, 3, std::vector<Number_Node>(10, {12345678}))}) {
    RunNumber runs;
    runs.Assign(value);
    for (const bool plain : {true, false}) {
      runs.UsePlainForm(plain);
      SCOPED_TRACE(value.ToText().substr(0, 20) + (plain ? " plain" : " runs"));
      EXPECT_EQ(ValueTextLength(runs), ValueTextLength(value));
      for (std::size_t count : {0, 1, 3, 10, 40, 100})
        EXPECT_EQ(ValueTextHead(runs, count), ValueTextHead(value, count)) << count;
      EXPECT_EQ(ElidedValueText(runs), ElidedValueText(value));
    }
  }
  const struct {
    RunValue<std::uint64_t> value;
    std::string shown;
  } cases[] = {
      {UnaryCodeRuns(3), "0.11110000"},
      {UnaryCodeRuns(9), "0.1111111111000000"},  // 18 characters: whole
      {UnaryCodeRuns(40), "0.1111\u20261 (48 digits)"},
      {UnaryCodeRuns(1'000'000'000'000), "0.1111\u20261 (10^12 digits)"},
      {UnaryCodeRuns(2'500'000'000), "0.1111\u20261 (2.5\u00B710^9 digits)"},
  };
  for (const auto& c : cases) {
    RunNumber value;
    value.Assign(c.value);
    EXPECT_EQ(ShortValueText(value), c.shown);
  }
  RunNumber digits;
  digits.Assign(Number::FromParts(-1, 3, std::vector<Number_Node>(10, {12345670})));
  EXPECT_EQ(ShortValueText(digits), "-3.123\u20267 (80 digits)");
}

TEST(ValueText, CountsWrittenShortFromAHundredThousand) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0"},
      {99'999, "99999"},
      {100'000, "10^5"},
      {999'968, "10^6"},
      {1'000'000, "10^6"},
      {1'049'999, "10^6"},
      {1'050'000, "1.1\u00B710^6"},
      {9'960'000, "10^7"},
      {2'500'000'000, "2.5\u00B710^9"},
      {1'000'000'000'008, "10^12"},
      {UINT64_MAX, "1.8\u00B710^19"},
  };
  for (const auto& [count, shown] : cases) EXPECT_EQ(ShortCount(count), shown) << count;
  SeparatorScope comma(",");
  EXPECT_EQ(ShortCount(2'500'000'000), "2,5\u00B710^9");
}

}  // namespace
}  // namespace vantorb
