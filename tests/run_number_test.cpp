// RunNumber against Number: random sequences of the operations an engine
// does (weighted products, signed sums, saturation, normalisation) applied
// to both, on values made of long runs, runs of 99999999 and of 0, and
// short runs at the boundaries; after every step the expanded RunNumber must
// equal the Number limb for limb, and comparisons and texts must agree.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "network/exceptions.hpp"
#include "network/run_number.hpp"
#include "network/unary.hpp"
#include "network/value_text.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

struct Pair {
  Number plain;
  RunNumber runs;
};

// A value of a few runs, some very long, in the limbs that make carries and
// borrows travel and Normalize round.
Number RandomValue(std::mt19937_64& random) {
  static const std::int32_t kLimbs[] = {0, 99999999, 11111111, 10000000, 1,
                                        99999998, 50000000, 88888889};
  std::vector<Number_Node> limbs;
  const int runs = static_cast<int>(random() % 6);
  for (int r = 0; r < runs; ++r) {
    const std::int32_t value = random() % 4 == 0
                                   ? static_cast<std::int32_t>(random() % Number::kLimbBase)
                                   : kLimbs[random() % std::size(kLimbs)];
    const std::uint64_t count = random() % 10 == 0  ? 1 + random() % 2000
                                : random() % 4 == 0 ? 1 + random() % 40
                                                    : 1 + random() % 3;
    limbs.insert(limbs.end(), count, Number_Node{value});
  }
  static const std::int64_t kIntegers[] = {0, 0, 0, 1, 2, 99999999, 4611686018427387903};
  const std::int64_t integer = kIntegers[random() % std::size(kIntegers)];
  return Number::FromParts(random() % 3 == 0 ? -1 : 1, integer, std::move(limbs));
}

Number::WeightParts RandomWeight(std::mt19937_64& random) {
  static const std::int64_t kIntegers[] = {0, 1, 1, 2, 10, 100, 2147483647};
  static const std::int64_t kPlaces[] = {0, 0, 10000000, 50000000, 99999999, 1, 12345678};
  Number::WeightParts w;
  w.integer = kIntegers[random() % std::size(kIntegers)];
  w.places = random() % 3 == 0 ? static_cast<std::int64_t>(random() % Number::kLimbBase)
                               : kPlaces[random() % std::size(kPlaces)];
  w.negative = random() % 2 == 0;
  return w;
}

// Applies op to both; they must both throw or give the same number.
template <class PlainOp, class RunOp>
void Both(Pair& p, PlainOp plainOp, RunOp runOp, const char* what) {
  std::optional<bool> plainThrew, runThrew;
  try {
    plainOp(p.plain);
    plainThrew = false;
  } catch (const NumberException&) {
    plainThrew = true;
  }
  try {
    runOp(p.runs);
    runThrew = false;
  } catch (const NumberException&) {
    runThrew = true;
  }
  ASSERT_EQ(plainThrew, runThrew) << what;
  if (*plainThrew) {
    // Both values are unspecified but must be valid: the sequence goes on
    // from the compressed one, in the form it was left in.
    ASSERT_NO_THROW(Number::FromParts(p.plain.Sign(), p.plain.IntegerPart(), p.plain.Limbs()))
        << what;
    const Number left = p.runs.ToNumber();
    ASSERT_EQ(p.runs.LimbCount(), left.Limbs().size()) << what;
    ASSERT_NO_THROW(Number::FromParts(left.Sign(), left.IntegerPart(), left.Limbs())) << what;
    p.plain = left;
    return;
  }
  ASSERT_EQ(p.runs.ToNumber().ToText(), p.plain.ToText()) << what;
  ASSERT_TRUE(p.runs.ToNumber() == p.plain) << what;
}

TEST(RunNumber, OperationSequencesMatchNumberLimbForLimb) {
  std::mt19937_64 random(20261207);
  for (int sequence = 0; sequence < 1200; ++sequence) {
    SeparatorScope scope(sequence % 2 ? "," : ".");
    Pair acc, other;
    acc.plain = RandomValue(random);
    acc.runs.Assign(acc.plain);
    ASSERT_TRUE(acc.runs.ToNumber() == acc.plain);
    for (int step = 0; step < 12; ++step) {
      other.plain = random() % 8 == 0 ? acc.plain : RandomValue(random);
      other.runs.Assign(other.plain);
      // Either operand in either form: the form must never show.
      switch (random() % 4) {
        case 0: other.runs.UsePlainForm(true); break;
        case 1: acc.runs.UsePlainForm(random() % 2 == 0); break;
        case 2: acc.runs.Settle(); break;
        default: break;
      }
      ASSERT_EQ(RunNumber::LessInMagnitude(acc.runs, other.runs),
                Number::LessInMagnitude(acc.plain, other.plain));
      ASSERT_EQ(RunNumber::LessInMagnitude(other.runs, acc.runs),
                Number::LessInMagnitude(other.plain, acc.plain));
      ASSERT_EQ(acc.runs == other.runs, acc.plain == other.plain);
      ASSERT_EQ(acc.runs.NormalizeStable(), acc.plain.NormalizeStable());
      ASSERT_EQ(acc.runs.ToText(), acc.plain.ToText());
      const auto weight = RandomWeight(random);
      const bool negate = random() % 2 == 0;
      switch (random() % 7) {
        case 0:
        case 1:
          Both(acc, [&](Number& n) { n.AddSigned(other.plain, negate); },
               [&](RunNumber& n) { n.AddSigned(other.runs, negate); }, "add");
          break;
        case 6:
          Both(acc, [&](Number& n) { n.AddSigned(other.plain, negate); },
               [&](RunNumber& n) { n.AddSigned(other.plain, negate); }, "add a plain number");
          break;
        case 2:
          Both(acc, [&](Number& n) { n.AssignProduct(other.plain, weight); },
               [&](RunNumber& n) { n.AssignProduct(other.runs, weight); }, "product");
          break;
        case 3:
          Both(acc, [&](Number& n) { n.MultiplyByParts(weight); },
               [&](RunNumber& n) { n.AssignProduct(n, weight); }, "product in place");
          break;
        case 4:
          Both(acc, [](Number& n) { n.Normalize(); }, [](RunNumber& n) { n.Normalize(); },
               "normalise");
          break;
        default:
          Both(acc, [](Number& n) { n.Saturate(); }, [](RunNumber& n) { n.Saturate(); },
               "saturate");
          break;
      }
      if (HasFailure()) FAIL() << "sequence " << sequence << " step " << step;
      // Settle's choice of form for a value held as limbs, asked of a Number.
      RunNumber settled;
      settled.Assign(acc.plain);
      settled.UsePlainForm(true);
      settled.Settle();
      ASSERT_EQ(RunNumber::HeldAsRuns(acc.plain), !settled.PlainForm());
      // Moved into a number that held another value: the value, and a
      // RunNumber left as a new one.
      Number moved = other.plain;
      RunNumber source = acc.runs;
      source.MoveInto(moved);
      ASSERT_TRUE(moved == acc.plain) << "sequence " << sequence << " step " << step;
      ASSERT_TRUE(source == RunNumber());
      ASSERT_TRUE(source.PlainForm());
    }
  }
}

TEST(RunNumber, AnOverflowLeavesTheValueWholeInEitherForm) {
  const auto longValue = [](std::int64_t integer) {
    return Number::FromParts(1, integer, std::vector<Number_Node>(1000, Number_Node{11111111}));
  };
  RunNumber source;
  source.Assign(longValue(Number::kMaxIntegerPart - 1));
  source.UsePlainForm(false);
  const Number::WeightParts two{2, 0, false};
  for (const bool plainBefore : {true, false}) {
    // Held as runs once, so that a stale run count could linger in the
    // plain form.
    RunNumber x;
    x.Assign(longValue(0));
    x.UsePlainForm(false);
    x.UsePlainForm(plainBefore);
    EXPECT_THROW(x.AssignProduct(source, two), NumberException) << plainBefore;
    const Number left = x.ToNumber();
    ASSERT_EQ(x.LimbCount(), left.Limbs().size()) << plainBefore;
    // Operations go on and agree with Number on the value left.
    Number expected = left;
    expected.AddSigned(longValue(1), false);
    RunNumber addend;
    addend.Assign(longValue(1));
    x.Add(addend);
    EXPECT_TRUE(x.ToNumber() == expected) << plainBefore;
  }
  // Rounding up past the largest integer part leaves no limb of 10^8.
  Number rounded = Number::FromParts(1, Number::kMaxIntegerPart, {{99999999}, {99999999}});
  EXPECT_THROW(rounded.Normalize(), NumberException);
  ASSERT_NO_THROW(Number::FromParts(rounded.Sign(), rounded.IntegerPart(), rounded.Limbs()));
  RunNumber assigned;
  EXPECT_NO_THROW(assigned.Assign(rounded));
}

// Values where a single carry or borrow crosses a run of many limbs, or
// rounding removes one; each row is a sum a + b or a - b.
TEST(RunNumber, CarriesAndBorrowsCrossLongRuns) {
  auto value = [](int sign, std::int64_t integer,
                  std::vector<std::pair<std::int32_t, int>> runs) {
    std::vector<Number_Node> limbs;
    for (auto [v, k] : runs) limbs.insert(limbs.end(), k, Number_Node{v});
    return Number::FromParts(sign, integer, std::move(limbs));
  };
  const struct Row {
    Number a, b;
    bool subtract;
  } rows[] = {
      {value(1, 0, {{99999999, 5000}, {1, 1}}), value(1, 0, {{0, 5000}, {99999999, 1}}), false},
      {value(1, 1, {{0, 4000}}), value(1, 0, {{0, 3999}, {1, 1}}), true},
      {value(1, 0, {{3, 1}, {99999999, 7000}}), value(1, 0, {{0, 1}}), false},
      {value(-1, 0, {{0, 1}, {11111111, 9000}}), value(1, 0, {{0, 1}, {11111111, 9001}}), false},
      {value(1, 0, {{5, 2000}, {0, 3000}}), value(1, 0, {{5, 2000}}), true},
      {value(1, 0, {}), value(1, 0, {{99999999, 10}}), false},
  };
  for (const auto& row : rows) {
    Number plain = row.a;
    RunNumber a, b;
    a.Assign(row.a);
    b.Assign(row.b);
    plain.AddSigned(row.b, row.subtract);
    a.AddSigned(b, row.subtract);
    EXPECT_TRUE(a.ToNumber() == plain) << plain.ToText().substr(0, 40);
    EXPECT_LE(a.RunCount(), 4u);  // a few runs stay a few runs
  }
}

}  // namespace
}  // namespace vantorb

namespace vantorb {
namespace {

// Read from runs, a value's double, the number it codes and its shortened
// text are those of its limbs, in either form: random values, values past a midpoint between
// two doubles only in a digit far behind, and codes.
TEST(RunNumberReading, DoubleAndCodeAsFromTheLimbs) {
  std::vector<Number> values;
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 300; ++i) values.push_back(RandomValue(random));
  // 0.5 + 2^-54, a midpoint: exactly it rounds to even (down), with a
  // digit 1 past the 800th it rounds up, and so does a digit just past it.
  const std::string midpoint = "0.500000000000000055511151231257827021181583404541015625";
  for (const std::string& text :
       {midpoint, midpoint + std::string(900, '0') + "1", midpoint + "0001",
        std::string("-") + midpoint + std::string(2000, '0') + "3",
        "0." + std::string(330, '0') + "5", "0." + std::string(1000, '1'), std::string("0.1")}) {
    SeparatorScope scope(".");
    Number number;
    number.FromText(text);
    values.push_back(number);
  }
  for (const std::int64_t n : {0, 7, 8, 600, 5000}) values.push_back(UnaryCode(n));
  for (const Number& value : values) {
    for (const bool plain : {true, false}) {
      RunNumber runs;
      runs.Assign(value);
      runs.UsePlainForm(plain);
      EXPECT_EQ(runs.ToDouble(), value.ToDouble()) << value.ToText().substr(0, 80);
      EXPECT_EQ(DecodeUnary(runs), DecodeUnary(value)) << value.ToText().substr(0, 80);
      EXPECT_EQ(ElidedValueText(runs), ElidedValueText(value)) << value.ToText().substr(0, 80);
    }
  }
}

}  // namespace
}  // namespace vantorb
