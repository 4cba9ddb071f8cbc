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

}  // namespace
}  // namespace vantorb
