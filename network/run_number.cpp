#include "network/run_number.hpp"

#include <algorithm>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr std::uint64_t kBase = Number::kLimbBase;
constexpr std::uint32_t kTopLimb = Number::kLimbBase - 1;
constexpr std::int64_t kMaxIntegerPart = Number::kMaxIntegerPart;

[[noreturn]] void ThrowOverflow() {
  throw NumberException(Number::kOverflowMessage);
}

// Reads a run list as a sequence of limbs padded with zeros to any length,
// from a given position towards the most significant limb, a stretch of
// equal limbs at a time.
class Backward {
 public:
  Backward(const std::vector<LimbRun>& runs, std::uint64_t limbs, std::uint64_t position)
      : runs_(runs), zeros_(position > limbs ? position - limbs : 0) {
    const std::uint64_t inside = std::min(position, limbs);
    std::uint64_t start = limbs;
    index_ = runs.size();
    while (index_ > 0 && start - runs[index_ - 1].count >= inside)
      start -= runs[--index_].count;
    if (index_ > 0) {
      --index_;
      left_ = inside - (start - runs[index_].count);
    }
  }
  std::uint32_t Value() const { return zeros_ > 0 ? 0 : runs_[index_].value; }
  std::uint64_t Available() const { return zeros_ > 0 ? zeros_ : left_; }
  void Take(std::uint64_t k) {
    if (zeros_ > 0) {
      zeros_ -= k;
      return;
    }
    left_ -= k;
    if (left_ == 0 && index_ > 0) left_ = runs_[--index_].count;
  }

 private:
  const std::vector<LimbRun>& runs_;
  std::uint64_t zeros_;
  std::size_t index_ = 0;
  std::uint64_t left_ = 0;
};

// Collects a result from its least significant limb up, merging equal
// neighbours, in a buffer that is swapped into place at the end so that the
// operands can be read until then.
class Builder {
 public:
  Builder() : out_(Spare()) { out_.clear(); }
  void Put(std::uint32_t value, std::uint64_t count) {
    if (count == 0) return;
    limbs_ += count;
    if (!out_.empty() && out_.back().value == value) {
      out_.back().count += count;
    } else {
      out_.push_back({value, count});
    }
  }
  // Copies limbs [from, to) of a run list of `limbs` limbs.
  void Copy(const std::vector<LimbRun>& runs, std::uint64_t limbs, std::uint64_t from,
            std::uint64_t to) {
    Backward in(runs, limbs, to);
    for (std::uint64_t n = to - from; n > 0;) {
      const std::uint64_t span = std::min(in.Available(), n);
      Put(in.Value(), span);
      in.Take(span);
      n -= span;
    }
  }
  void Finish(std::vector<LimbRun>& runs, std::uint64_t& limbs) {
    std::reverse(out_.begin(), out_.end());
    runs.swap(out_);
    limbs = limbs_;
  }

 private:
  static std::vector<LimbRun>& Spare() {
    thread_local std::vector<LimbRun> spare;
    return spare;
  }
  std::vector<LimbRun>& out_;
  std::uint64_t limbs_ = 0;
};

// n limbs of a limb-by-limb loop with a carried state, done over stretches
// where both inputs are constant: once a limb leaves the state as it found
// it, every further limb of the stretch gives the same output.
template <class State, class Step>
void Walk(Backward& a, Backward& b, std::uint64_t n, State& state, Builder& out, Step step) {
  while (n > 0) {
    std::uint64_t span = std::min({a.Available(), b.Available(), n});
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
      out.Put(limb, 1);
      --span;
    }
  }
}

}  // namespace

void RunNumber::Assign(const Number& number) {
  AssignRuns(number);
  plain_ = false;
  Settle();
}

void RunNumber::AssignRuns(const Number& number) {
  plain_ = false;
  sign_ = number.Sign();
  integerPart_ = number.IntegerPart();
  runs_.clear();
  for (auto limb : number.Limbs()) {
    const auto value = static_cast<std::uint32_t>(limb.value);
    if (!runs_.empty() && runs_.back().value == value) {
      ++runs_.back().count;
    } else {
      runs_.push_back({value, 1});
    }
  }
  limbCount_ = number.Limbs().size();
}

Number RunNumber::ToNumber() const {
  Number number;
  ToNumber(number);
  return number;
}

void RunNumber::ToNumber(Number& out) const {
  if (plain_) {
    out = flat_;
    return;
  }
  ToNumberFromRuns(out);
}

void RunNumber::ToNumberFromRuns(Number& out) const {
  out.ResetParts(sign_, integerPart_);
  for (const auto& run : runs_)
    out.AppendLimbs(Number_Node{static_cast<std::int32_t>(run.value)}, run.count);
}

std::string RunNumber::ToText() const {
  if (plain_) return flat_.ToText();
  std::string text;
  if (sign_ < 0) text += '-';
  text += std::to_string(integerPart_);
  text += decimalSeparator;
  if (runs_.empty()) return text += '0';
  text.reserve(text.size() + limbCount_ * Number::kLimbDigits);
  for (const auto& run : runs_) {
    char group[Number::kLimbDigits];
    std::uint32_t v = run.value;
    for (int i = Number::kLimbDigits - 1; i >= 0; --i, v /= 10) group[i] = '0' + v % 10;
    for (std::uint64_t k = 0; k < run.count; ++k) text.append(group, Number::kLimbDigits);
  }
  return text;
}

void RunNumber::NormalizeRuns() {
  if (runs_.empty()) {
    runs_.push_back({0, 1});
    limbCount_ = 1;
    return;
  }
  // Trailing limbs 99999999 beyond the first go, and the last kept limb is
  // rounded up; only the first limb can carry into the integer part.
  if (runs_.back().value == kTopLimb && limbCount_ > 1) {
    if (runs_.size() == 1) {
      runs_.back().count = 1;
    } else {
      runs_.pop_back();
    }
    LimbRun& last = runs_.back();
    limbCount_ = 0;
    for (const auto& run : runs_) limbCount_ += run.count;
    std::uint32_t raised = last.value + 1;
    if (raised == kBase) {
      if (integerPart_ >= kMaxIntegerPart) ThrowOverflow();
      raised = 0;
      ++integerPart_;
    }
    if (--last.count == 0) runs_.pop_back();
    if (!runs_.empty() && runs_.back().value == raised) {
      ++runs_.back().count;
    } else {
      runs_.push_back({raised, 1});
    }
  }
  if (runs_.back().value == 0 && limbCount_ > 1) {
    if (runs_.size() == 1) {
      limbCount_ = 1;
      runs_.back().count = 1;
    } else {
      limbCount_ -= runs_.back().count;
      runs_.pop_back();
    }
  }
}

bool RunNumber::RunsNormalizeStable() const {
  if (runs_.empty()) return false;
  const std::uint32_t last = runs_.back().value;
  return limbCount_ == 1 || (last != 0 && last != kTopLimb);
}

bool RunNumber::LessInMagnitude(const RunNumber& a, const RunNumber& b) {
  if (a.plain_ || b.plain_) {
    Number x, y;
    a.ToNumber(x);
    b.ToNumber(y);
    return Number::LessInMagnitude(x, y);
  }
  if (a.integerPart_ != b.integerPart_) return a.integerPart_ < b.integerPart_;
  std::size_t i = 0, j = 0;
  std::uint64_t leftA = a.runs_.empty() ? 0 : a.runs_[0].count;
  std::uint64_t leftB = b.runs_.empty() ? 0 : b.runs_[0].count;
  // Past its end a number reads as zeros.
  while (i < a.runs_.size() || j < b.runs_.size()) {
    const std::uint32_t x = i < a.runs_.size() ? a.runs_[i].value : 0;
    const std::uint32_t y = j < b.runs_.size() ? b.runs_[j].value : 0;
    if (x != y) return x < y;
    if (i >= a.runs_.size()) {
      ++j;  // b's remaining run equals the zeros
      if (j < b.runs_.size()) leftB = b.runs_[j].count;
      continue;
    }
    if (j >= b.runs_.size()) {
      ++i;
      if (i < a.runs_.size()) leftA = a.runs_[i].count;
      continue;
    }
    const std::uint64_t span = std::min(leftA, leftB);
    leftA -= span;
    leftB -= span;
    if (leftA == 0 && ++i < a.runs_.size()) leftA = a.runs_[i].count;
    if (leftB == 0 && ++j < b.runs_.size()) leftB = b.runs_[j].count;
  }
  return false;
}

// The same branches, and the same number of normalisations, as Number's Add:
// a sum of unlike signs goes through Subtract, which normalises once more.
void RunNumber::AddMixed(const RunNumber& other, bool negate) {
  if (!plain_ && !other.plain_) {
    AddRuns(other, negate);
  } else if (plain_ && other.plain_) {
    flat_.AddSigned(other.flat_, negate);
  } else if (plain_) {
    if (other.limbCount_ > flat_.Limbs().size()) {
      MakeRuns();
      AddRuns(other, negate);
    } else {
      thread_local Number expanded;
      other.ToNumberFromRuns(expanded);
      flat_.AddSigned(expanded, negate);
    }
  } else if (other.flat_.Limbs().size() > limbCount_) {
    MakePlain();
    flat_.AddSigned(other.flat_, negate);
  } else {
    thread_local RunNumber compressed;
    compressed.AssignRuns(other.flat_);
    AddRuns(compressed, negate);
  }
}

void RunNumber::AddRuns(const RunNumber& other, bool negate) {
  const int otherSign = negate ? -other.sign_ : other.sign_;
  if (sign_ == otherSign) {
    AddMagnitude(other);
  } else {
    if (LessInMagnitude(*this, other)) {
      SubtractFromLargerMagnitude(other);
      sign_ = otherSign;
    } else {
      SubtractSmallerMagnitude(other);
    }
    Normalize();
  }
  Normalize();
}

void RunNumber::AddMagnitude(const RunNumber& other) {
  if (integerPart_ > kMaxIntegerPart - 1 - other.integerPart_) ThrowOverflow();
  const std::uint64_t shared = std::min(limbCount_, other.limbCount_);
  Builder out;
  if (other.limbCount_ > limbCount_) {
    out.Copy(other.runs_, other.limbCount_, shared, other.limbCount_);
  } else {
    out.Copy(runs_, limbCount_, shared, limbCount_);
  }
  Backward a(runs_, limbCount_, shared), b(other.runs_, other.limbCount_, shared);
  std::uint32_t carry = 0;
  Walk(a, b, shared, carry, out, [](std::uint64_t x, std::uint64_t y, std::uint32_t& c) {
    const std::uint64_t s = x + y + c;
    c = s >= kBase ? 1 : 0;
    return s - c * kBase;
  });
  integerPart_ += other.integerPart_ + carry;
  out.Finish(runs_, limbCount_);
}

namespace {

std::uint64_t Difference(std::uint64_t x, std::uint64_t y, std::uint32_t& borrow) {
  const std::int64_t d = static_cast<std::int64_t>(x) - static_cast<std::int64_t>(y) - borrow;
  borrow = d < 0 ? 1 : 0;
  return static_cast<std::uint64_t>(d + borrow * static_cast<std::int64_t>(kBase));
}

}  // namespace

// |this| := |this| - |smaller|, for |this| >= |smaller|.
void RunNumber::SubtractSmallerMagnitude(const RunNumber& smaller) {
  const std::uint64_t n = smaller.limbCount_;
  Builder out;
  if (limbCount_ > n) out.Copy(runs_, limbCount_, n, limbCount_);
  Backward a(runs_, limbCount_, n), b(smaller.runs_, n, n);
  std::uint32_t borrow = 0;
  Walk(a, b, n, borrow, out, Difference);
  integerPart_ -= smaller.integerPart_ + borrow;
  out.Finish(runs_, limbCount_);
}

// |this| := |larger| - |this|, for |larger| > |this|.
void RunNumber::SubtractFromLargerMagnitude(const RunNumber& larger) {
  const std::uint64_t own = limbCount_;
  Builder out;
  if (larger.limbCount_ > own) out.Copy(larger.runs_, larger.limbCount_, own, larger.limbCount_);
  Backward a(larger.runs_, larger.limbCount_, own), b(runs_, own, own);
  std::uint32_t borrow = 0;
  Walk(a, b, own, borrow, out, Difference);
  integerPart_ = larger.integerPart_ - integerPart_ - borrow;
  out.Finish(runs_, limbCount_);
}

// Group g of the product collects limb[g] * c, the high half of limb[g] * f
// and the low half of limb[g - 1] * f, as in Number; inside a run both limbs
// are the run's value, so the carry settles after a limb or two.
void RunNumber::AssignProductMixed(const RunNumber& source,
                                   const Number::WeightParts& weight) {
  if (source.plain_) {
    if (this == &source) {
      flat_.MultiplyByParts(weight);
    } else {
      plain_ = true;
      flat_.AssignProduct(source.flat_, weight);
    }
    return;
  }
  // The form changes only once the product is made: a product that
  // overflows leaves this number as it was, in its own form.
  const std::uint64_t c = static_cast<std::uint64_t>(weight.integer);
  const std::uint64_t f = static_cast<std::uint64_t>(weight.places);
  const std::int32_t sign = source.sign_;
  const std::int64_t integer = source.integerPart_;
  if (c == 1 && f == 0) {
    if (this != &source) {
      runs_ = source.runs_;
      limbCount_ = source.limbCount_;
    }
    integerPart_ = integer;
  } else {
    const std::uint64_t n = source.limbCount_;
    const std::uint64_t groups = n + (f != 0 ? 1 : 0);
    Builder out;
    std::uint64_t carry = 0;
    if (groups > 1) {
      Backward here(source.runs_, n, groups), above(source.runs_, n, groups - 1);
      Walk(here, above, groups - 1, carry, out,
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
      const std::uint64_t x = n > 0 ? source.runs_[0].value : 0;
      const std::uint64_t sum = x * c + x * f / kBase + carry;
      product = whole * c + sum / kBase;
      // The integer part's share of f lands partly in the first limb.
      const std::uint64_t first = sum % kBase + static_cast<std::uint64_t>(wholeTimesF % kBase);
      out.Put(static_cast<std::uint32_t>(first % kBase), 1);
      product += first / kBase;
    } else {
      product = whole * c;
    }
    product += wholeTimesF / kBase;
    if (product > static_cast<unsigned __int128>(kMaxIntegerPart)) ThrowOverflow();
    integerPart_ = static_cast<std::int64_t>(product);
    out.Finish(runs_, limbCount_);
  }
  plain_ = false;
  sign_ = weight.negative ? -sign : sign;
  Normalize();
}

void RunNumber::SaturateRuns() {
  if (sign_ > 0 && integerPart_ == 0) return;
  // The numbers Number::Saturate gives, short enough to be held as limbs.
  DropRuns();
  flat_.ResetParts(1, sign_ < 0 ? 0 : 1);
  flat_.AppendLimbs(Number_Node{0}, 1);
}

void RunNumber::MakePlain() {
  if (plain_) return;
  ToNumberFromRuns(flat_);
  DropRuns();
}

void RunNumber::DropRuns() {
  plain_ = true;
  runs_.clear();
  limbCount_ = 0;
}

void RunNumber::MakeRuns() {
  if (!plain_) return;
  AssignRuns(flat_);
  plain_ = false;
  flat_.Clear();
}

void RunNumber::UsePlainForm(bool plain) {
  if (plain) {
    MakePlain();
  } else {
    MakeRuns();
  }
}

void RunNumber::SettleForm() {
  if (!plain_) {
    if (limbCount_ < kShortValue || runs_.size() * 8 > limbCount_) MakePlain();
    return;
  }
  const auto& limbs = flat_.Limbs();
  if (limbs.size() < kShortValue) return;
  // Counting stops as soon as the runs are too many to pay.
  const std::size_t enough = limbs.size() / 16;
  std::size_t runs = 1;
  for (std::size_t i = 1; i < limbs.size(); ++i)
    if (limbs[i].value != limbs[i - 1].value && ++runs > enough) return;
  MakeRuns();
}

std::size_t RunNumber::RunCount() const {
  if (!plain_) return runs_.size();
  const auto& limbs = flat_.Limbs();
  std::size_t runs = 0;
  for (std::size_t i = 0; i < limbs.size(); ++i)
    if (i == 0 || limbs[i].value != limbs[i - 1].value) ++runs;
  return runs;
}

bool RunNumber::Equal(const RunNumber& a, const RunNumber& b) {
  if (!a.plain_ && !b.plain_)
    return a.sign_ == b.sign_ && a.integerPart_ == b.integerPart_ &&
           a.limbCount_ == b.limbCount_ && a.runs_ == b.runs_;
  if (a.plain_ && b.plain_) return a.flat_ == b.flat_;
  const RunNumber& runs = a.plain_ ? b : a;
  const Number& flat = a.plain_ ? a.flat_ : b.flat_;
  if (runs.sign_ != flat.Sign() || runs.integerPart_ != flat.IntegerPart() ||
      runs.limbCount_ != flat.Limbs().size())
    return false;
  std::size_t i = 0;
  for (const auto& run : runs.runs_)
    for (std::uint64_t k = 0; k < run.count; ++k, ++i)
      if (static_cast<std::uint32_t>(flat.Limbs()[i].value) != run.value) return false;
  return true;
}

}  // namespace vantorb
