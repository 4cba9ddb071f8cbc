// Number: the text forms, each arithmetic operation's exact results, the
// rounding rule of Normalize and the range guards.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "network/number.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

Number Read(const std::string& text) {
  Number n;
  n.FromText(text);
  return n;
}

Number Parts(int sign, std::int64_t integer, std::vector<std::int32_t> limbs) {
  std::vector<Number_Node> nodes;
  for (auto l : limbs) nodes.push_back({l});
  return Number::FromParts(sign, integer, nodes);
}

std::vector<std::int32_t> LimbValues(const Number& n) {
  std::vector<std::int32_t> values;
  for (auto l : n.Limbs()) values.push_back(l.value);
  return values;
}

struct TextCase {
  std::string separator;
  std::string text;
  int sign;
  std::int64_t integer;
  std::vector<std::int32_t> limbs;
};

TEST(NumberText, FromTextReadsSignIntegerAndLimbGroups) {
  const TextCase cases[] = {
      {".", "0.1", 1, 0, {10000000}},
      {".", "0.123456789", 1, 0, {12345678, 90000000}},
      {".", "0.1000000000000000", 1, 0, {10000000, 0}},  // not normalised
      {".", "-0.9", -1, 0, {90000000}},
      {".", "-0", -1, 0, {0}},
      {".", "7", 1, 7, {0}},
      {".", "-12.5", -1, 12, {50000000}},
      {".", "+3.25", 1, 3, {25000000}},
      {".", "", 1, 0, {0}},                 // empty reads as "0"
      {".", ".5", 1, 0, {50000000}},        // empty integer text counts 0
      {".", "abc.5", 1, 0, {50000000}},     // integer text that is no integer
      {".", "1.2x", 1, 1, {0}},             // a group that is not all digits
      {".", "1.-5", 1, 1, {0}},             // no negative limbs from a sign
      {".", "2.", 1, 2, {0}},
      {".", "99999999999999999999.5", 1, 0, {50000000}},  // beyond 64 bits
      {",", "0,1", 1, 0, {10000000}},
      {",", "-0,9", -1, 0, {90000000}},
      {",", "0.1", 1, 0, {0}},  // "." in a "," locale: no integer, so 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.text + "' with separator " + c.separator);
    SeparatorScope scope(c.separator);
    const Number n = Read(c.text);
    EXPECT_EQ(n.Sign(), c.sign);
    EXPECT_EQ(n.IntegerPart(), c.integer);
    EXPECT_EQ(LimbValues(n), c.limbs);
  }
}

TEST(NumberText, ToTextWritesEveryLimbAsEightDigits) {
  struct Case {
    std::string separator;
    Number number;
    std::string text;
  };
  const Case cases[] = {
      {".", Number(), "0.0"},
      {",", Number(), "0,0"},
      {".", Read("0.1"), "0.10000000"},
      {".", Read("1"), "1.00000000"},
      {".", Read("-0.9"), "-0.90000000"},
      {",", Parts(-1, 0, {90000000}), "-0,90000000"},
      {".", Parts(1, 42, {1, 20, 99999999}), "42.000000010000002099999999"},
      {".", Parts(-1, 0, {0}), "-0.00000000"},
      {".", Parts(1, INT64_MAX - 1, {5}),
       "9223372036854775806.00000005"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SeparatorScope scope(c.separator);
    EXPECT_EQ(c.number.ToText(), c.text);
  }
}

TEST(NumberText, ToDoubleIsTheNearestDoubleWhateverTheSeparator) {
  const std::vector<std::int32_t> longCode(40, 11111111);  // 0.111... to 320 places
  std::vector<std::int32_t> tiny(50, 0);
  tiny.push_back(1);  // 10^-408, below every double
  struct Case {
    Number number;
    double value;
  };
  const Case cases[] = {
      {Number(), 0.0},
      {Parts(1, 0, {11000000}), 0.11},
      {Parts(-1, 0, {90000000}), -0.9},
      {Parts(1, 1, {}), 1.0},
      {Parts(1, 42, {1, 20, 99999999}), 42.000000010000002099999999},
      {Parts(1, 0, longCode), 1.0 / 9},
      {Parts(1, INT64_MAX - 1, {5}), 9223372036854775806.00000005},
      {Parts(1, 0, tiny), 0.0},
      {Parts(-1, 0, tiny), 0.0},
  };
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (const auto& c : cases) EXPECT_EQ(c.number.ToDouble(), c.value) << c.number.ToText();
  }
}

struct ArithmeticCase {
  const char* a;
  const char* op;
  const char* b;
  const char* expected;
};

Number Apply(const ArithmeticCase& c) {
  Number a = Read(c.a);
  const Number b = Read(c.b);
  const std::string op = c.op;
  if (op == "+") a.Add(b);
  if (op == "-") a.Subtract(b);
  return a;
}

TEST(NumberArithmetic, AddAndSubtractAreExact) {
  SeparatorScope scope(".");
  const ArithmeticCase cases[] = {
      {"0.05", "+", "0.05", "0.10000000"},
      {"0.1999999999999999", "+", "0.0000000000000001", "0.20000000"},
      {"0.9999999950000000", "+", "0.0000000050000000", "1.00000000"},
      {"0.5", "-", "0.5", "0.00000000"},
      {"-0.5", "-", "-0.5", "-0.00000000"},  // zero keeps the sign
      {"0.1", "-", "0.1000000000000001", "-0.0000000000000001"},
      {"0.25", "-", "0.75", "-0.50000000"},
      {"-0.25", "+", "0.75", "0.50000000"},
      {"0.25", "+", "-0.75", "-0.50000000"},
      {"-0.25", "-", "0.5", "-0.75000000"},
      {"0.25", "-", "-0.5", "0.75000000"},
      {"3.00000001", "-", "0.00000002", "2.99999999"},
      {"0.111", "+", "0.00000000000000000001", "0.111000000000000000010000"},
      {"1", "+", "-0.9", "0.10000000"},
      {"12.34", "+", "0.66", "13.00000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.op + " " + c.b);
    EXPECT_EQ(Apply(c).ToText(), c.expected);
  }
}

TEST(NumberArithmetic, OperandIsLeftUnchanged) {
  const Number b = Parts(-1, 3, {1, 2});
  for (const char* op : {"+", "-"}) {
    for (int sign : {1, -1}) {
      Number a = Parts(sign, 1, {5});
      if (std::string(op) == "+") a.Add(b); else a.Subtract(b);
      EXPECT_EQ(b, Parts(-1, 3, {1, 2})) << op << sign;
    }
  }
}

TEST(NumberArithmetic, SubtractingItselfGivesZero) {
  Number a = Parts(1, 2, {12345678, 5});
  a.Subtract(a);
  EXPECT_EQ(a, Parts(1, 0, {0}));
  Number b = Parts(1, 2, {12345678, 5});
  b.Add(b);
  EXPECT_EQ(b, Parts(1, 4, {24691356, 10}));
}

TEST(NumberNormalize, RoundsTrailingNinesAndDropsTrailingZeros) {
  struct Case {
    Number before;
    Number after;
  };
  const Case cases[] = {
      {Number(), Parts(1, 0, {0})},
      {Parts(1, 0, {99999999}), Parts(1, 0, {99999999})},
      {Parts(1, 0, {99999999, 99999999}), Parts(1, 1, {0})},
      {Parts(1, 0, {12345678, 99999999}), Parts(1, 0, {12345679})},
      {Parts(1, 0, {12345678, 99999999, 99999999}), Parts(1, 0, {12345679})},
      {Parts(1, 0, {5, 0, 99999999}), Parts(1, 0, {5, 1})},
      {Parts(1, 0, {5, 0, 0}), Parts(1, 0, {5})},
      {Parts(1, 0, {0, 0}), Parts(1, 0, {0})},
      {Parts(-1, 3, {99999999, 99999999}), Parts(-1, 4, {0})},
      // a zero behind the nines hides them from the rounding
      {Parts(1, 0, {5, 99999999, 0}), Parts(1, 0, {5, 99999999})},
  };
  for (const auto& c : cases) {
    Number n = c.before;
    n.Normalize();
    EXPECT_EQ(n, c.after) << c.before.ToText();
  }
}

TEST(NumberNormalize, ArithmeticRoundsItsResult) {
  SeparatorScope scope(".");
  // 0.99999999 99999999 + 0.0 50000000 ... carries through both limbs.
  Number a = Parts(1, 0, {99999999, 50000000});
  a.Add(Parts(1, 0, {0, 50000000}));
  EXPECT_EQ(a, Parts(1, 1, {0}));
  Number b = Parts(1, 0, {12345678, 99999998});
  b.Add(Parts(1, 0, {0, 1}));
  EXPECT_EQ(b, Parts(1, 0, {12345679}));
}

struct WeightCase {
  const char* value;
  double weight;
  const char* expected;
};

TEST(NumberMultiply, WeightEntersWithEightDecimalPlaces) {
  SeparatorScope scope(".");
  const WeightCase cases[] = {
      {"0.1", 0.1, "0.01000000"},
      {"0.11", -1, "-0.11000000"},
      {"0.1111111111", 10, "1.1111111110000000"},
      {"0.111111", 100, "11.11110000"},
      {"0.111", 0.1, "0.01110000"},
      {"0.5", 0.2, "0.10000000"},
      {"0.11111111", -10, "-1.11111110"},
      {"1", -100, "-100.00000000"},
      {"0.5", 0, "0.00000000"},
      {"-0.5", 0, "-0.00000000"},
      {"0.3", -0.0, "0.00000000"},
      {"2", 0.123456789, "0.24691358"},       // weight rounded to 0.12345679
      {"1", 0.001953125, "0.00195312"},       // halves round to even
      {"1", 0.005859375, "0.00585938"},
      {"1", 0.999999999, "1.00000000"},       // eight places round up to 1
      {"0.12345678", 3, "0.37037034"},
      {"1.5", 2147483647.0, "3221225470.50000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " * " + std::to_string(c.weight));
    Number n = Read(c.value);
    n.MultiplyByWeight(c.weight);
    EXPECT_EQ(n.ToText(), c.expected);
  }
}

TEST(NumberMultiply, WeightOneOnlyNormalises) {
  Number n = Parts(-1, 2, {12345678, 99999999});
  n.MultiplyByWeight(1);
  EXPECT_EQ(n, Parts(-1, 2, {12345679}));
  Number fresh;
  fresh.MultiplyByWeight(1);
  EXPECT_EQ(fresh, Parts(1, 0, {0}));
}

TEST(NumberMultiply, ProductNeverOutgrowsOneExtraLimb) {
  const Number code = Parts(1, 0, {11111111, 11111111, 11100000});
  for (double w : {0.1, 0.2, 2.0, 10.0, -100.0, 0.33333333}) {
    Number n = code;
    n.MultiplyByWeight(w);
    EXPECT_LE(n.Limbs().size(), code.Limbs().size() + 1) << w;
  }
}

TEST(NumberMultiply, RejectsWeightsOutOfRangeAndKeepsTheNumber) {
  const double bad[] = {std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN(),
                        2147483648.0, -2147483648.0, 1e300};
  for (double w : bad) {
    Number n = Parts(1, 0, {11100000});
    EXPECT_THROW(n.MultiplyByWeight(w), NumberException) << w;
    EXPECT_EQ(n, Parts(1, 0, {11100000})) << w;
    EXPECT_FALSE(Number::IsValidWeight(w)) << w;
  }
  EXPECT_TRUE(Number::IsValidWeight(2147483647.99));
  EXPECT_TRUE(Number::IsValidWeight(-2147483647.0));
}

TEST(NumberRange, IntegerOverflowThrowsInsteadOfWrapping) {
  const Number huge = Parts(1, INT64_MAX - 1, {0});
  Number sum = huge;
  EXPECT_THROW(sum.Add(huge), NumberException);
  Number product = huge;
  EXPECT_THROW(product.MultiplyByWeight(2), NumberException);
  Number rounded = Parts(1, INT64_MAX - 1, {99999999, 99999999});
  EXPECT_THROW(rounded.Normalize(), NumberException);
  Number fine = Parts(1, 1000000000, {0});
  fine.MultiplyByWeight(2147483647.0);
  EXPECT_EQ(fine.IntegerPart(), 2147483647000000000);
  EXPECT_THROW(Parts(1, -1, {0}), NumberException);
  EXPECT_THROW(Parts(1, 0, {100000000}), NumberException);
  EXPECT_THROW(Parts(1, 0, {-1}), NumberException);
}

TEST(NumberCompare, LessInMagnitudeIgnoresSignAndMissingLimbs) {
  struct Case {
    Number a, b;
    bool less;
  };
  const Case cases[] = {
      {Parts(1, 0, {10000000}), Parts(-1, 0, {10000000, 1}), true},
      {Parts(-1, 0, {10000000, 1}), Parts(1, 0, {10000000}), false},
      {Parts(1, 0, {10000000, 0}), Parts(1, 0, {10000000}), false},
      {Parts(1, 0, {10000000}), Parts(1, 0, {10000000, 0}), false},
      {Parts(1, 1, {0}), Parts(1, 0, {99999999}), false},
      {Parts(-1, 0, {99999999}), Parts(1, 1, {}), true},
      {Number(), Parts(1, 0, {0, 0, 1}), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Number::LessInMagnitude(c.a, c.b), c.less)
        << c.a.ToText() << " vs " << c.b.ToText();
}

TEST(NumberSaturate, ClampsToTheUnitInterval) {
  SeparatorScope scope(".");
  const std::pair<const char*, const char*> cases[] = {
      {"0.5", "0.50000000"},      {"1.00000001", "1.00000000"},
      {"-0.00000001", "0.00000000"}, {"7", "1.00000000"},
      {"-0", "0.00000000"},       {"0.99999999", "0.99999999"},
      {"-5", "0.00000000"},
  };
  for (const auto& [in, out] : cases) {
    Number n = Read(in);
    n.Saturate();
    EXPECT_EQ(n.ToText(), out) << in;
  }
  Number negativeZero = Read("-0.5");
  negativeZero.Subtract(Read("-0.5"));
  EXPECT_EQ(negativeZero.ToText(), "-0.00000000");
  negativeZero.Saturate();
  EXPECT_EQ(negativeZero.ToText(), "0.00000000");
}

TEST(NumberSuccessor, CodeOfTwoBecomesCodeOfThreeExactly) {
  SeparatorScope scope(".");
  Number sum = Read("0.111");
  sum.MultiplyByWeight(0.1);
  sum.Add(Read("1"));
  sum.Add(Read("-0.9"));
  EXPECT_EQ(sum.ToText(), "0.11110000");
}

}  // namespace
}  // namespace vantorb
