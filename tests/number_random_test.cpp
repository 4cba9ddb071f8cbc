// Number against an exact decimal model written here: random sums,
// differences, weighted products and magnitude comparisons, the rounding of a
// trailing limb 99999999, and the text round trip. The model keeps a value as
// a sign and the decimal digits of |value| * 10^kScale, with its own
// schoolbook arithmetic, so it shares no code with Number.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "network/number.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using testing::SeparatorScope;

constexpr int kCases = 3000;
constexpr std::int32_t kTopLimb = 99999999;
constexpr size_t kMaxLimbs = 12;
// Inputs have at most 12 limbs and a product one more: 14 limbs of scale.
constexpr size_t kScale = 8 * 14;

// What FromParts takes, and what a result is read back as.
struct Parts {
  int sign = 1;
  std::int64_t integer = 0;
  std::vector<std::int32_t> limbs;
};

Number Build(const Parts& p) {
  std::vector<Number_Node> nodes;
  for (auto l : p.limbs) nodes.push_back({l});
  return Number::FromParts(p.sign, p.integer, nodes);
}

Parts PartsOf(const Number& n) {
  Parts p{n.Sign(), n.IntegerPart(), {}};
  for (auto l : n.Limbs()) p.limbs.push_back(l.value);
  return p;
}

std::string Show(const Parts& p) {
  // Texts here are appended piece by piece: GCC 12 warns falsely
  // (-Wrestrict) on a literal prepended to a temporary string.
  std::string s(p.sign < 0 ? "-" : "+");
  s.append(std::to_string(p.integer)).append(" {");
  for (auto l : p.limbs) s.append(" ").append(std::to_string(l));
  return s.append(" }");
}

// ---- exact model: little-endian decimal digits, no high zero digits ----
struct Exact {
  int sign = 1;
  std::vector<int> digits;
};

void Trim(std::vector<int>& d) {
  while (!d.empty() && d.back() == 0) d.pop_back();
}

// Every limb as eight decimal digits.
std::string FractionDigits(const Parts& p) {
  std::string text;
  char group[16];
  for (auto l : p.limbs) {
    std::snprintf(group, sizeof group, "%08d", static_cast<int>(l));
    text += group;
  }
  return text;
}

Exact ToExact(const Parts& p) {
  std::string text = std::to_string(p.integer) + FractionDigits(p);
  text.append(kScale - 8 * p.limbs.size(), '0');
  Exact e{p.sign, {}};
  for (auto it = text.rbegin(); it != text.rend(); ++it) e.digits.push_back(*it - '0');
  Trim(e.digits);
  return e;
}

int CompareMagnitude(const std::vector<int>& a, const std::vector<int>& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

int DigitAt(const std::vector<int>& d, size_t i) { return i < d.size() ? d[i] : 0; }

std::vector<int> AddMagnitudes(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> r;
  int carry = 0;
  for (size_t i = 0; i < a.size() || i < b.size() || carry; ++i) {
    const int s = DigitAt(a, i) + DigitAt(b, i) + carry;
    r.push_back(s % 10);
    carry = s / 10;
  }
  return r;
}

// |a| - |b| for |a| >= |b|.
std::vector<int> SubtractMagnitudes(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> r;
  int borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = a[i] - DigitAt(b, i) - borrow;
    borrow = d < 0 ? 1 : 0;
    r.push_back(d + 10 * borrow);
  }
  Trim(r);
  return r;
}

// a + b. A zero result keeps a's sign: Number's results keep the sign of the
// number operated on when they vanish.
Exact Sum(const Exact& a, const Exact& b) {
  if (a.sign == b.sign) return {a.sign, AddMagnitudes(a.digits, b.digits)};
  if (CompareMagnitude(a.digits, b.digits) < 0)
    return {b.sign, SubtractMagnitudes(b.digits, a.digits)};
  return {a.sign, SubtractMagnitudes(a.digits, b.digits)};
}

Exact Negated(Exact e) {
  e.sign = -e.sign;
  return e;
}

// |a| * m / 10^8; exact since a has at most 12 limbs of the 14 in kScale.
std::vector<int> MultiplyMagnitude(const std::vector<int>& a, std::uint64_t m) {
  std::vector<int> r;
  std::uint64_t carry = 0;
  for (size_t i = 0; i < a.size() || carry; ++i) {
    const std::uint64_t t = static_cast<std::uint64_t>(DigitAt(a, i)) * m + carry;
    r.push_back(static_cast<int>(t % 10));
    carry = t / 10;
  }
  r.erase(r.begin(), r.begin() + std::min<size_t>(8, r.size()));
  Trim(r);
  return r;
}

// The canonical form of an exact value: at least one limb, no trailing zero
// limb unless it is the only one.
Parts Canonical(const Exact& e) {
  Parts p{e.sign, 0, {}};
  for (size_t i = e.digits.size(); i-- > kScale;) p.integer = p.integer * 10 + e.digits[i];
  for (size_t top = kScale; top >= 8; top -= 8) {
    std::int32_t limb = 0;
    for (size_t i = top; i-- > top - 8;) limb = limb * 10 + DigitAt(e.digits, i);
    p.limbs.push_back(limb);
  }
  while (p.limbs.size() > 1 && p.limbs.back() == 0) p.limbs.pop_back();
  return p;
}

// Results whose exact canonical form ends in a limb 99999999 beyond the first
// are rounded by Normalize; the random tests leave them to the table below.
bool RoundedByNormalize(const Parts& p) { return p.limbs.size() > 1 && p.limbs.back() == kTopLimb; }

::testing::AssertionResult Equals(const Number& actual, const Parts& expected) {
  if (actual == Build(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << Show(PartsOf(actual)) << ", expected " << Show(expected);
}

// ---- random inputs, fixed seed ----
class Generator {
 public:
  std::int64_t Uniform(std::int64_t lo, std::int64_t hi) {
    return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng_);
  }
  // Mostly uniform limbs, with the carry and borrow edges mixed in.
  std::int32_t Limb() {
    static constexpr std::int32_t kEdges[] = {0, 1, 50000000, 99999998, kTopLimb};
    if (Uniform(0, 3) == 0) return kEdges[Uniform(0, 4)];
    return static_cast<std::int32_t>(Uniform(0, kTopLimb));
  }
  Parts Random(int minLimbs = 0) {
    Parts p{Uniform(0, 1) ? 1 : -1, Uniform(0, 3) ? Uniform(0, 1000000) : 0, {}};
    for (auto n = Uniform(minLimbs, kMaxLimbs); n > 0; --n) p.limbs.push_back(Limb());
    return p;
  }
  // A second operand: unrelated, or close to a (long borrow chains and
  // cancellation), or of the same magnitude with extra zero limbs.
  Parts Partner(const Parts& a) {
    Parts b = a;
    b.sign = Uniform(0, 1) ? 1 : -1;
    const auto size = static_cast<std::int64_t>(b.limbs.size());
    const auto choice = Uniform(0, 4);
    if (choice == 0) return Random();
    if (choice == 1 && size > 0) {  // one limb off by one
      auto& limb = b.limbs[Uniform(0, size - 1)];
      limb += limb == kTopLimb ? -1 : 1;
    }
    if (choice == 2 && size > 0) b.limbs.resize(Uniform(0, size - 1));  // a shared prefix
    if (choice == 4) b.integer += b.integer > 0 && Uniform(0, 1) ? -1 : 1;
    while ((choice == 2 || choice == 3) && b.limbs.size() < kMaxLimbs && Uniform(0, 1))
      b.limbs.push_back(choice == 2 ? Limb() : 0);  // new limbs, or zero limbs
    return b;
  }

 private:
  std::mt19937_64 rng_{0x7a6e0b5eedULL};
};

TEST(NumberRandom, AddAndSubtractAreExactAndLeaveTheOperand) {
  Generator gen;
  int checked = 0;
  for (int i = 0; i < kCases; ++i) {
    const Parts a = gen.Random(), b = gen.Partner(a);
    const Number operand = Build(b);
    for (bool add : {true, false}) {
      const Exact exactB = add ? ToExact(b) : Negated(ToExact(b));
      const Parts expected = Canonical(Sum(ToExact(a), exactB));
      if (RoundedByNormalize(expected)) continue;
      Number result = Build(a);
      add ? result.Add(operand) : result.Subtract(operand);
      EXPECT_TRUE(Equals(result, expected)) << Show(a) << (add ? " + " : " - ") << Show(b);
      EXPECT_TRUE(Equals(operand, b)) << "operand changed";
      ++checked;
    }
  }
  EXPECT_GT(checked, kCases * 2 * 9 / 10);  // few cases left to the rounding table
}

TEST(NumberRandom, AddOrSubtractItselfIsExact) {
  Generator gen;
  for (int i = 0; i < kCases; ++i) {
    const Parts a = gen.Random();
    const Parts doubled = Canonical(Sum(ToExact(a), ToExact(a)));
    if (!RoundedByNormalize(doubled)) {
      Number n = Build(a);
      n.Add(n);
      EXPECT_TRUE(Equals(n, doubled)) << Show(a) << " + itself";
    }
    Number n = Build(a);
    n.Subtract(n);
    EXPECT_TRUE(Equals(n, Parts{a.sign, 0, {0}})) << Show(a) << " - itself";
  }
}

struct Weight {
  double w;
  std::int64_t c, f;  // the weight's integer part and eight decimal places
};

// The eight places of a double as Number documents them: |w| - trunc(|w|)
// times 10^8 in extended precision, rounded to nearest with halves to even.
Weight RandomWeight(Generator& gen) {
  const auto c = gen.Uniform(0, 1000);
  const auto f = gen.Limb();
  double w = static_cast<double>(c) + static_cast<double>(f) / 1e8;
  if (gen.Uniform(0, 1)) w = -w;
  const long double magnitude = std::fabs(static_cast<long double>(w));
  const long double whole = std::trunc(magnitude);
  return {w, static_cast<std::int64_t>(whole),
          static_cast<std::int64_t>(std::nearbyintl((magnitude - whole) * 1e8L))};
}

TEST(NumberRandom, MultiplyByWeightIsExactInEightPlaces) {
  const Weight fixed[] = {{0.1, 0, 10000000}, {0.2, 0, 20000000}, {1, 1, 0},    {-1, 1, 0},
                          {2, 2, 0},          {10, 10, 0},        {-10, 10, 0}, {100, 100, 0},
                          {-100, 100, 0},     {0, 0, 0},          {-0.0, 0, 0}};
  Generator gen;
  int checked = 0;
  for (int i = 0; i < kCases; ++i) {
    const Parts a = gen.Random();
    for (const Weight& weight : {fixed[i % std::size(fixed)], RandomWeight(gen)}) {
      const auto m = static_cast<std::uint64_t>(weight.c * 100000000 + weight.f);
      const int sign = weight.w < 0 ? -a.sign : a.sign;
      const Parts expected = Canonical({sign, MultiplyMagnitude(ToExact(a).digits, m)});
      if (RoundedByNormalize(expected)) continue;
      Number n = Build(a);
      n.MultiplyByWeight(weight.w);
      EXPECT_TRUE(Equals(n, expected)) << Show(a) << " * " << weight.w;
      ++checked;
    }
  }
  EXPECT_GT(checked, kCases * 2 * 9 / 10);
}

TEST(NumberRandom, LessInMagnitudeAgreesWithExactComparison) {
  Generator gen;
  for (int i = 0; i < kCases; ++i) {
    const Parts a = gen.Random(), b = gen.Partner(a);
    const int order = CompareMagnitude(ToExact(a).digits, ToExact(b).digits);
    const Number x = Build(a), y = Build(b);
    EXPECT_EQ(Number::LessInMagnitude(x, y), order < 0) << Show(a) << " vs " << Show(b);
    EXPECT_EQ(Number::LessInMagnitude(y, x), order > 0) << Show(b) << " vs " << Show(a);
  }
}

TEST(NumberRandom, RoundingTableForTrailingNines) {
  struct Case {
    Parts a;
    char op;   // '+', '-' or '*'
    Parts b;   // operand of '+' and '-'
    double w;  // weight of '*'
    Parts expected;
  };
  const Case cases[] = {
      {{1, 0, {12345678, 99999998}}, '+', {1, 0, {0, 1}}, 0, {1, 0, {12345679}}},
      {{1, 0, {99999999, 99999998}}, '+', {1, 0, {0, 1}}, 0, {1, 1, {0}}},
      {{1, 0, {99999998}}, '+', {1, 0, {1}}, 0, {1, 0, {99999999}}},  // first limb stays
      {{1, 7, {99999999, 99999999, 99999998}}, '+', {1, 0, {0, 0, 1}}, 0, {1, 8, {0}}},
      {{1, 0, {3, 99999999, 99999998}}, '+', {1, 0, {0, 0, 1}}, 0, {1, 0, {4}}},
      {{1, 0, {5, 0}}, '-', {1, 0, {0, 1}}, 0, {1, 0, {5}}},
      {{-1, 0, {12345678, 99999998}}, '-', {1, 0, {0, 1}}, 0, {-1, 0, {12345679}}},
      {{1, 2, {50000000, 1}}, '+', {-1, 0, {0, 2}}, 0, {1, 2, {50000000}}},
      {{1, 0, {33333333, 33333333}}, '*', {}, 3, {1, 1, {0}}},
      {{1, 0, {33333333}}, '*', {}, 3, {1, 0, {99999999}}},
      {{1, 1, {0}}, '*', {}, 0.99999999, {1, 0, {99999999}}},
      {{1, 0, {0, 1}}, '*', {}, 0.99999999, {1, 0, {0, 1}}},
      {{-1, 0, {11111111, 11111111}}, '*', {}, 9, {-1, 1, {0}}},
      {{1, 0, {0, 99999999}}, '*', {}, 1, {1, 0, {1}}},
  };
  for (const auto& c : cases) {
    Number n = Build(c.a);
    if (c.op == '+') n.Add(Build(c.b));
    if (c.op == '-') n.Subtract(Build(c.b));
    if (c.op == '*') n.MultiplyByWeight(c.w);
    EXPECT_TRUE(Equals(n, c.expected))
        << Show(c.a) << ' ' << c.op << ' ' << Show(c.b) << " w=" << c.w;
  }
}

TEST(NumberRandom, TextRoundTripWithEitherSeparator) {
  Generator gen;
  for (const std::string separator : {".", ","}) {
    SeparatorScope scope(separator);
    for (int i = 0; i < kCases; ++i) {
      Parts p = gen.Random(1);
      if (gen.Uniform(0, 9) == 0) p.integer = gen.Uniform(0, INT64_MAX - 1);
      const std::string text = std::string(p.sign < 0 ? "-" : "")
                                   .append(std::to_string(p.integer))
                                   .append(separator)
                                   .append(FractionDigits(p));
      const Number n = Build(p);
      EXPECT_EQ(n.ToText(), text);
      Number back;
      back.FromText(n.ToText());
      EXPECT_TRUE(Equals(back, p)) << text;
    }
  }
}

}  // namespace
}  // namespace vantorb
