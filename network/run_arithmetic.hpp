#pragma once
// The arithmetic of exact decimals whose fraction is held as runs of equal
// limbs (limb value, how many), most significant first: sums, differences,
// products by split weights, Normalize and comparisons, giving limb for limb
// what Number gives on the expanded value.
//
// It is written once for any count type. RunNumber counts with uint64_t; a
// prover counts with expressions in unknowns, whose comparisons answer as
// they do for one value of the unknowns and remember the condition under
// which the answer holds. So every decision an operation takes goes
// through a comparison of counts, written as such here: `<`, `<=`, `==`,
// `!=`, `>`, `>=` between counts or with small integers, and Least. A count
// type provides those, `+`, `-`, `+=`, `-=` and construction from an
// integer; it may provide a Least of its own, found by argument-dependent
// lookup, to choose between two counts that are equal where it is asked.
// Limb values, signs and integer parts are plain numbers.
//
// Runs are kept maximal (neighbours differ, no empty run). Free functions
// over a RunValue; not thread-safe on one value, and Builder keeps a spare
// buffer per thread and count type.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "network/exceptions.hpp"
#include "network/number.hpp"

namespace vantorb {

template <class Count>
struct BasicLimbRun {
  std::uint32_t value = 0;
  Count count{};
  friend bool operator==(const BasicLimbRun&, const BasicLimbRun&) = default;
};

template <class Count>
struct RunValue {
  std::int32_t sign = 1;
  std::int64_t integerPart = 0;
  Count limbCount{};
  std::vector<BasicLimbRun<Count>> runs;
};

namespace run_arithmetic {

constexpr std::uint64_t kBase = Number::kLimbBase;
constexpr std::uint32_t kTopLimb = Number::kLimbBase - 1;
constexpr std::int64_t kMaxIntegerPart = Number::kMaxIntegerPart;

[[noreturn]] inline void ThrowOverflow() { throw NumberException(Number::kOverflowMessage); }

// The smaller of two counts, the first on a tie. Called unqualified, so
// that a count type's own Least is preferred.
template <class Count>
Count Least(const Count& a, const Count& b) {
  return b < a ? b : a;
}

// Reads a run list as a sequence of limbs padded with zeros to any length,
// from a given position towards the most significant limb, a stretch of
// equal limbs at a time.
template <class Count>
class Backward {
 public:
  Backward(const std::vector<BasicLimbRun<Count>>& runs, const Count& limbs,
           const Count& position)
      : runs_(runs), zeros_(position > limbs ? position - limbs : Count(0)) {
    const Count inside = Least(position, limbs);
    Count start = limbs;
    index_ = runs.size();
    while (index_ > 0 && start - runs[index_ - 1].count >= inside)
      start -= runs[--index_].count;
    if (index_ > 0) {
      --index_;
      left_ = inside - (start - runs[index_].count);
    }
  }
  std::uint32_t Value() const { return zeros_ > 0 ? 0 : runs_[index_].value; }
  Count Available() const { return zeros_ > 0 ? zeros_ : left_; }
  void Take(const Count& k) {
    if (zeros_ > 0) {
      zeros_ -= k;
      return;
    }
    left_ -= k;
    if (left_ == 0 && index_ > 0) left_ = runs_[--index_].count;
  }

 private:
  const std::vector<BasicLimbRun<Count>>& runs_;
  Count zeros_;
  std::size_t index_ = 0;
  Count left_{};
};

// Collects a result from its least significant limb up, merging equal
// neighbours, in a buffer that is swapped into place at the end so that the
// operands can be read until then.
template <class Count>
class Builder {
 public:
  Builder() : out_(Spare()) { out_.clear(); }
  void Put(std::uint32_t value, const Count& count) {
    if (count == 0) return;
    limbs_ += count;
    if (!out_.empty() && out_.back().value == value) {
      out_.back().count += count;
    } else {
      out_.push_back({value, count});
    }
  }
  // Copies limbs [from, to) of a run list of `limbs` limbs.
  void Copy(const std::vector<BasicLimbRun<Count>>& runs, const Count& limbs, const Count& from,
            const Count& to) {
    Backward<Count> in(runs, limbs, to);
    for (Count n = to - from; n > 0;) {
      const Count span = Least(in.Available(), n);
      Put(in.Value(), span);
      in.Take(span);
      n -= span;
    }
  }
  void Finish(std::vector<BasicLimbRun<Count>>& runs, Count& limbs) {
    std::reverse(out_.begin(), out_.end());
    runs.swap(out_);
    limbs = limbs_;
  }

 private:
  static std::vector<BasicLimbRun<Count>>& Spare() {
    thread_local std::vector<BasicLimbRun<Count>> spare;
    return spare;
  }
  std::vector<BasicLimbRun<Count>>& out_;
  Count limbs_{};
};

// n limbs of a limb-by-limb loop with a carried state, done over stretches
// where both inputs are constant: once a limb leaves the state as it found
// it, every further limb of the stretch gives the same output.
template <class Count, class State, class Step>
void Walk(Backward<Count>& a, Backward<Count>& b, Count n, State& state, Builder<Count>& out,
          Step step) {
  while (n > 0) {
    Count span = Least(Least(a.Available(), b.Available()), n);
    const std::uint64_t x = a.Value(), y = b.Value();
    a.Take(span);
    b.Take(span);
    n -= span;
    while (span > 0) {
      const State before = state;
      const auto limb = static_cast<std::uint32_t>(step(x, y, state));
      if (state == before) {
        out.Put(limb, span);
        break;
      }
      out.Put(limb, Count(1));
      span -= Count(1);
    }
  }
}

inline std::uint64_t Difference(std::uint64_t x, std::uint64_t y, std::uint32_t& borrow) {
  const std::int64_t d = static_cast<std::int64_t>(x) - static_cast<std::int64_t>(y) - borrow;
  borrow = d < 0 ? 1 : 0;
  return static_cast<std::uint64_t>(d + borrow * static_cast<std::int64_t>(kBase));
}

}  // namespace run_arithmetic

// Number::Normalize: trailing limbs 99999999 beyond the first go and the
// last kept limb is rounded up; trailing zero limbs beyond the first go; no
// limbs become one zero limb.
template <class Count>
void NormalizeRuns(RunValue<Count>& v) {
  using namespace run_arithmetic;
  if (v.runs.empty()) {
    v.runs.push_back({0, Count(1)});
    v.limbCount = Count(1);
    return;
  }
  // Only the first limb can carry into the integer part.
  if (v.runs.back().value == kTopLimb && v.limbCount > 1) {
    if (v.runs.size() == 1) {
      v.runs.back().count = Count(1);
    } else {
      v.runs.pop_back();
    }
    BasicLimbRun<Count>& last = v.runs.back();
    v.limbCount = Count(0);
    for (const auto& run : v.runs) v.limbCount += run.count;
    std::uint32_t raised = last.value + 1;
    if (raised == kBase) {
      if (v.integerPart >= kMaxIntegerPart) ThrowOverflow();
      raised = 0;
      ++v.integerPart;
    }
    last.count -= Count(1);
    if (last.count == 0) v.runs.pop_back();
    if (!v.runs.empty() && v.runs.back().value == raised) {
      v.runs.back().count += Count(1);
    } else {
      v.runs.push_back({raised, Count(1)});
    }
  }
  if (v.runs.back().value == 0 && v.limbCount > 1) {
    if (v.runs.size() == 1) {
      v.limbCount = Count(1);
      v.runs.back().count = Count(1);
    } else {
      v.limbCount -= v.runs.back().count;
      v.runs.pop_back();
    }
  }
}

template <class Count>
bool RunsNormalizeStable(const RunValue<Count>& v) {
  if (v.runs.empty()) return false;
  const std::uint32_t last = v.runs.back().value;
  return v.limbCount == 1 || (last != 0 && last != run_arithmetic::kTopLimb);
}

template <class Count>
bool RunsLessInMagnitude(const RunValue<Count>& a, const RunValue<Count>& b) {
  if (a.integerPart != b.integerPart) return a.integerPart < b.integerPart;
  std::size_t i = 0, j = 0;
  Count leftA = a.runs.empty() ? Count(0) : a.runs[0].count;
  Count leftB = b.runs.empty() ? Count(0) : b.runs[0].count;
  // Past its end a number reads as zeros.
  while (i < a.runs.size() || j < b.runs.size()) {
    const std::uint32_t x = i < a.runs.size() ? a.runs[i].value : 0;
    const std::uint32_t y = j < b.runs.size() ? b.runs[j].value : 0;
    if (x != y) return x < y;
    if (i >= a.runs.size()) {
      ++j;  // b's remaining run equals the zeros
      if (j < b.runs.size()) leftB = b.runs[j].count;
      continue;
    }
    if (j >= b.runs.size()) {
      ++i;
      if (i < a.runs.size()) leftA = a.runs[i].count;
      continue;
    }
    using run_arithmetic::Least;
    const Count span = Least(leftA, leftB);
    leftA -= span;
    leftB -= span;
    if (leftA == 0 && ++i < a.runs.size()) leftA = a.runs[i].count;
    if (leftB == 0 && ++j < b.runs.size()) leftB = b.runs[j].count;
  }
  return false;
}

// |v| := |v| + |other|.
template <class Count>
void RunsAddMagnitude(RunValue<Count>& v, const RunValue<Count>& other) {
  using namespace run_arithmetic;
  if (v.integerPart > kMaxIntegerPart - 1 - other.integerPart) ThrowOverflow();
  const Count shared = Least(v.limbCount, other.limbCount);
  Builder<Count> out;
  if (other.limbCount > v.limbCount) {
    out.Copy(other.runs, other.limbCount, shared, other.limbCount);
  } else {
    out.Copy(v.runs, v.limbCount, shared, v.limbCount);
  }
  Backward<Count> a(v.runs, v.limbCount, shared), b(other.runs, other.limbCount, shared);
  std::uint32_t carry = 0;
  Walk(a, b, shared, carry, out, [](std::uint64_t x, std::uint64_t y, std::uint32_t& c) {
    const std::uint64_t s = x + y + c;
    c = s >= kBase ? 1 : 0;
    return s - c * kBase;
  });
  v.integerPart += other.integerPart + carry;
  out.Finish(v.runs, v.limbCount);
}

namespace run_arithmetic {

// |v| := |big| - |small|, for |big| >= |small| and v one of the two: big's
// limbs past small's length are copied, the rest subtracted from the last
// limb up.
template <class Count>
void DifferenceOfMagnitudes(RunValue<Count>& v, const RunValue<Count>& big,
                            const RunValue<Count>& small) {
  const Count n = small.limbCount;
  Builder<Count> out;
  if (big.limbCount > n) out.Copy(big.runs, big.limbCount, n, big.limbCount);
  Backward<Count> a(big.runs, big.limbCount, n), b(small.runs, n, n);
  std::uint32_t borrow = 0;
  Walk(a, b, n, borrow, out, Difference);
  const std::int64_t integerPart = big.integerPart - small.integerPart - borrow;
  out.Finish(v.runs, v.limbCount);
  v.integerPart = integerPart;
}

}  // namespace run_arithmetic

// |v| := |v| - |smaller|, for |v| >= |smaller|.
template <class Count>
void RunsSubtractSmallerMagnitude(RunValue<Count>& v, const RunValue<Count>& smaller) {
  run_arithmetic::DifferenceOfMagnitudes(v, v, smaller);
}

// |v| := |larger| - |v|, for |larger| > |v|.
template <class Count>
void RunsSubtractFromLargerMagnitude(RunValue<Count>& v, const RunValue<Count>& larger) {
  run_arithmetic::DifferenceOfMagnitudes(v, larger, v);
}

// v := v + other, or v - other when negate, with the same branches and the
// same number of normalisations as Number's Add: a sum of unlike signs goes
// through Subtract, which normalises once more.
template <class Count>
void RunsAddSigned(RunValue<Count>& v, const RunValue<Count>& other, bool negate) {
  const int otherSign = negate ? -other.sign : other.sign;
  if (v.sign == otherSign) {
    RunsAddMagnitude(v, other);
  } else {
    if (RunsLessInMagnitude(v, other)) {
      RunsSubtractFromLargerMagnitude(v, other);
      v.sign = otherSign;
    } else {
      RunsSubtractSmallerMagnitude(v, other);
    }
    NormalizeRuns(v);
  }
  NormalizeRuns(v);
}

// v := source * weight, then Normalize (Number::AssignProduct); v may be
// source. Group g of the product collects limb[g] * c, the high half of
// limb[g] * f and the low half of limb[g - 1] * f, as in Number; inside a
// run both limbs are the run's value, so the carry settles after a limb or
// two. On an overflow v is left as it was (unless it is source).
template <class Count>
void RunsAssignProduct(RunValue<Count>& v, const RunValue<Count>& source,
                       const Number::WeightParts& weight) {
  using namespace run_arithmetic;
  const std::uint64_t c = static_cast<std::uint64_t>(weight.integer);
  const std::uint64_t f = static_cast<std::uint64_t>(weight.places);
  const std::int32_t sign = source.sign;
  const std::int64_t integer = source.integerPart;
  if (c == 1 && f == 0) {
    if (&v != &source) {
      v.runs = source.runs;
      v.limbCount = source.limbCount;
    }
    v.integerPart = integer;
  } else {
    const Count n = source.limbCount;
    const Count groups = f != 0 ? n + Count(1) : n;
    Builder<Count> out;
    std::uint64_t carry = 0;
    if (groups > 1) {
      Backward<Count> here(source.runs, n, groups), above(source.runs, n, groups - Count(1));
      Walk(here, above, groups - Count(1), carry, out,
           [c, f](std::uint64_t x, std::uint64_t y, std::uint64_t& k) {
             const std::uint64_t sum = x * c + x * f / kBase + y * f % kBase + k;
             k = sum / kBase;
             return sum % kBase;
           });
    }
    const auto whole = static_cast<unsigned __int128>(integer);
    const unsigned __int128 wholeTimesF = whole * f;
    unsigned __int128 product = 0;
    if (groups > 0) {
      const std::uint64_t x = n > 0 ? source.runs[0].value : 0;
      const std::uint64_t sum = x * c + x * f / kBase + carry;
      product = whole * c + sum / kBase;
      // The integer part's share of f lands partly in the first limb.
      const std::uint64_t first = sum % kBase + static_cast<std::uint64_t>(wholeTimesF % kBase);
      out.Put(static_cast<std::uint32_t>(first % kBase), Count(1));
      product += first / kBase;
    } else {
      product = whole * c;
    }
    product += wholeTimesF / kBase;
    if (product > static_cast<unsigned __int128>(kMaxIntegerPart)) ThrowOverflow();
    v.integerPart = static_cast<std::int64_t>(product);
    out.Finish(v.runs, v.limbCount);
  }
  v.sign = weight.negative ? -sign : sign;
  NormalizeRuns(v);
}

// sigma (Number::Saturate): negative -> 0, integer part >= 1 -> 1, both
// with one zero limb; otherwise unchanged.
template <class Count>
void RunsSaturate(RunValue<Count>& v) {
  if (v.sign > 0 && v.integerPart == 0) return;
  v.integerPart = v.sign < 0 ? 0 : 1;
  v.sign = 1;
  v.runs.clear();
  v.runs.push_back({0, Count(1)});
  v.limbCount = Count(1);
}

// +0 with no limbs (Number::Clear).
template <class Count>
void ClearRuns(RunValue<Count>& v) {
  v.sign = 1;
  v.integerPart = 0;
  v.runs.clear();
  v.limbCount = Count(0);
}

// The same value: same sign, integer part and runs.
template <class Count>
bool RunsEqual(const RunValue<Count>& a, const RunValue<Count>& b) {
  if (a.sign != b.sign || a.integerPart != b.integerPart || a.runs.size() != b.runs.size() ||
      a.limbCount != b.limbCount)
    return false;
  for (std::size_t i = 0; i < a.runs.size(); ++i)
    if (a.runs[i].value != b.runs[i].value || a.runs[i].count != b.runs[i].count) return false;
  return true;
}

}  // namespace vantorb
