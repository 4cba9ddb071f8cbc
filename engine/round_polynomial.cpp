#include "engine/round_polynomial.hpp"

#include <algorithm>

namespace vantorb {
namespace {

std::optional<Wide> Multiply(Wide a, Wide b) {
  Wide product = 0;
  if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
  return product;
}

std::optional<Wide> Add(Wide a, Wide b) {
  Wide sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
  return sum;
}

Wide Gcd(Wide a, Wide b) {
  while (b != 0) {
    const Wide r = a % b;
    a = b;
    b = r;
  }
  return a;
}

// sum_j coefficients[j] * C(k, j + shift).
std::optional<Wide> Series(const std::vector<Wide>& coefficients, Wide k, int shift) {
  Wide total = 0;
  for (std::size_t j = 0; j < coefficients.size(); ++j) {
    if (coefficients[j] == 0) continue;
    const auto binomial = Binomial(k, static_cast<int>(j) + shift);
    if (!binomial) return std::nullopt;
    if (*binomial == 0) break;  // and so are the ones after it
    const auto term = Multiply(coefficients[j], *binomial);
    if (!term) return std::nullopt;
    const auto sum = Add(total, *term);
    if (!sum) return std::nullopt;
    total = *sum;
  }
  return total;
}

}  // namespace

std::optional<Wide> Binomial(Wide k, int j) {
  if (j < 0 || k < j) return Wide{0};
  Wide result = 1;
  for (int i = 1; i <= j; ++i) {
    // C(k, i) = C(k, i - 1) * (k - i + 1) / i, divided before it is
    // multiplied: i / g divides k - i + 1 where g = gcd(C(k, i - 1), i).
    const Wide g = Gcd(result, i);
    const auto next = Multiply(result / g, (k - i + 1) / (i / g));
    if (!next) return std::nullopt;
    result = *next;
  }
  return result;
}

std::optional<RoundPolynomial> RoundPolynomial::FromValues(const std::vector<Wide>& values) {
  std::vector<Wide> table = values, coefficients;
  for (std::size_t order = 0; order < values.size(); ++order) {
    coefficients.push_back(table[0]);
    for (std::size_t i = 0; i + 1 < table.size(); ++i)
      if (__builtin_sub_overflow(table[i + 1], table[i], &table[i])) return std::nullopt;
    table.pop_back();
  }
  // Leading zero differences say nothing: a shorter series is the same
  // polynomial and cheaper to follow.
  while (coefficients.size() > 1 && coefficients.back() == 0) coefficients.pop_back();
  return RoundPolynomial(std::move(coefficients));
}

std::optional<Wide> RoundPolynomial::At(Wide k) const { return Series(a_, k, 0); }

std::optional<Wide> RoundPolynomial::SumBelow(Wide n) const { return Series(a_, n, 1); }

RoundPolynomial RoundPolynomial::Difference() const {
  if (a_.size() <= 1) return RoundPolynomial({0});
  return RoundPolynomial(std::vector<Wide>(a_.begin() + 1, a_.end()));
}

Wide RoundPolynomial::FirstNegative(Wide end) const { return FirstNegativeFrom(0, end); }

// On integers q rises where its difference is at least 0 and falls where it
// is negative; the difference changes sign at most as often as its degree,
// found the same way one degree lower. On a rising stretch q is least at
// its start, on a falling one at its end, and within a falling one the
// first negative value is found by halving. A value that cannot be computed
// counts as negative.
Wide RoundPolynomial::FirstNegativeFrom(Wide begin, Wide end) const {
  if (begin >= end) return end;
  if (a_.size() <= 1) {
    const auto q = At(begin);
    return !q || *q < 0 ? begin : end;
  }
  const RoundPolynomial difference = Difference();
  // Negative exactly where the difference is at least 0.
  std::vector<Wide> notFalling;
  for (const Wide a : difference.a_) notFalling.push_back(-a);
  notFalling[0] -= 1;
  const RoundPolynomial rising(std::move(notFalling));
  Wide k = begin;
  while (k < end) {
    const auto q = At(k);
    if (!q || *q < 0) return k;
    const auto d = difference.At(k);
    if (!d) return k;  // its course cannot be told: stop here
    if (*d >= 0) {
      // Rising up to where the difference first falls: q stays >= q(k).
      k = difference.FirstNegativeFrom(k, end);
      continue;
    }
    // Falling up to where the difference is first at least 0.
    const Wide stop = rising.FirstNegativeFrom(k, end);
    const Wide last = std::min(stop, end - 1);
    const auto atLast = At(last);
    if (atLast && *atLast >= 0) {
      k = stop;
      continue;
    }
    Wide low = k, high = last;  // q(low) >= 0; q(high) < 0 or out of reach
    while (high - low > 1) {
      const Wide middle = low + (high - low) / 2;
      const auto value = At(middle);
      (value && *value >= 0 ? low : high) = middle;
    }
    return high;
  }
  return end;
}

}  // namespace vantorb
