#pragma once
// RoundPolynomial: an integer-valued polynomial in a loop's round counter
// k, q(k) = sum_j a_j * C(k, j), held by its forward differences at 0
// (a_j = the j-th difference of q at 0, the Newton form), all integers. A
// round rule's lengths, conditions and period, followed from a concrete
// state over k rounds, are such polynomials: their values at k = 0..d give
// them exactly when d bounds their degree.
//
// Everything is exact integer arithmetic, no floating point. A value that
// would pass 127 bits cannot be computed: At and SumBelow say so, and
// FirstNegative counts such a k as the first where q is negative, which
// only ever ends a leap early, never late.
//
// Immutable once made; any thread may read it.

#include <cstdint>
#include <optional>
#include <vector>

namespace vantorb {

using Wide = __int128;

class RoundPolynomial {
 public:
  // The polynomial of degree at most values.size() - 1 that takes
  // values[k] at k; nothing when a difference passes 127 bits.
  static std::optional<RoundPolynomial> FromValues(const std::vector<Wide>& values);
  // sum_j coefficients[j] * C(k, j).
  explicit RoundPolynomial(std::vector<Wide> coefficients) : a_(std::move(coefficients)) {}

  const std::vector<Wide>& Coefficients() const { return a_; }
  // q(k) for k >= 0.
  std::optional<Wide> At(Wide k) const;
  // q(0) + q(1) + ... + q(n - 1) for n >= 0: sum_j a_j * C(n, j + 1).
  std::optional<Wide> SumBelow(Wide n) const;
  // The first k in [0, end) with q(k) < 0, or end when there is none.
  Wide FirstNegative(Wide end) const;
  // The forward difference, q(k + 1) - q(k).
  RoundPolynomial Difference() const;

 private:
  // The first k in [begin, end) with q(k) < 0, or end.
  Wide FirstNegativeFrom(Wide begin, Wide end) const;

  std::vector<Wide> a_;
};

// C(k, j) for k, j >= 0; nothing past 127 bits.
std::optional<Wide> Binomial(Wide k, int j);

}  // namespace vantorb
