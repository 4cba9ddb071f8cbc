// Polynomials in a loop's round counter, held by their differences: made
// from values, evaluated, summed over rounds and searched for their first
// negative value exactly, against counting round by round; values past 127
// bits only ever end the search early.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/round_polynomial.hpp"

namespace vantorb {
namespace {

// q(k) from the coefficients, the slow way.
Wide Slowly(const std::vector<Wide>& a, Wide k) {
  Wide total = 0;
  for (std::size_t j = 0; j < a.size(); ++j) {
    Wide binomial = 1;
    for (std::size_t i = 1; i <= j; ++i) binomial = binomial * (k - static_cast<Wide>(i) + 1) / static_cast<Wide>(i);
    total += a[j] * (k >= static_cast<Wide>(j) ? binomial : 0);
  }
  return total;
}

TEST(RoundPolynomial, AgreesWithCountingRoundByRound) {
  std::mt19937_64 random(7);
  const Wide kEnd = 400;
  int negativeSomewhere = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const std::size_t degree = random() % 6;
    std::vector<Wide> a;
    for (std::size_t j = 0; j <= degree; ++j)
      a.push_back(static_cast<Wide>(static_cast<std::int64_t>(random() % 2001) - 1000) *
                  (j == 0 ? static_cast<Wide>(random() % 50000) : 1));
    const RoundPolynomial q(a);
    Wide first = kEnd, sum = 0;
    std::vector<Wide> values;
    for (Wide k = 0; k < kEnd; ++k) {
      const Wide value = Slowly(a, k);
      ASSERT_EQ(q.At(k), value);
      ASSERT_EQ(q.SumBelow(k), sum);
      sum += value;
      if (value < 0 && first == kEnd) first = k;
      if (k <= static_cast<Wide>(degree)) values.push_back(value);
    }
    negativeSomewhere += first < kEnd;
    ASSERT_EQ(q.FirstNegative(kEnd), first) << trial;
    const auto made = RoundPolynomial::FromValues(values);
    ASSERT_TRUE(made);
    for (Wide k = 0; k < kEnd; k += 37) ASSERT_EQ(made->At(k), Slowly(a, k));
  }
  EXPECT_GT(negativeSomewhere, 1000) << "the cases must reach both answers";
}

TEST(RoundPolynomial, ValuesPastRangeEndTheSearchEarlyNeverLate) {
  // 2^100 * C(k, 3) - C(k, 4): negative from k = 4 * 2^100 + 4, far past
  // what 127 bits reach at that k: the search stops earlier.
  const Wide big = static_cast<Wide>(1) << 100;
  const RoundPolynomial q({1, 0, 0, big, -1});
  const Wide end = static_cast<Wide>(1) << 120;
  const Wide stop = q.FirstNegative(end);
  EXPECT_LT(stop, 4 * big + 4);
  EXPECT_GT(stop, 1000);
  for (Wide k = 0; k < 50; ++k) EXPECT_GE(*q.At(k), 0);
  EXPECT_FALSE(RoundPolynomial({0, 0, 0, 0, 0, 1}).At(static_cast<Wide>(1) << 62));
  EXPECT_EQ(Binomial(10, 3), 120);
  EXPECT_EQ(Binomial(3, 10), 0);
  EXPECT_FALSE(Binomial(static_cast<Wide>(1) << 63, 3));
}

}  // namespace
}  // namespace vantorb
