#include "network/number.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr std::int64_t kBase = Number::kLimbBase;
constexpr std::int32_t kTopLimb = Number::kLimbBase - 1;
constexpr std::int64_t kMaxIntegerPart = Number::kMaxIntegerPart;

[[noreturn]] void ThrowOverflow() {
  throw NumberException(Number::kOverflowMessage);
}

std::int64_t CheckedIntegerPart(unsigned __int128 value) {
  if (value > static_cast<unsigned __int128>(kMaxIntegerPart)) ThrowOverflow();
  return static_cast<std::int64_t>(value);
}

// A group of at most eight fraction characters, scaled to a full limb; 0 when
// the group holds anything but digits.
std::int32_t FractionGroupToLimb(std::string_view group) {
  std::int32_t limb = 0;
  for (char c : group) {
    if (c < '0' || c > '9') return 0;
    limb = limb * 10 + (c - '0');
  }
  for (auto i = group.size(); i < static_cast<size_t>(Number::kLimbDigits); ++i)
    limb *= 10;
  return limb;
}

// Makes room for n limbs, doubling the room each time: values that grow a
// limb at a time would otherwise be moved to a new buffer at every limb.
void Reserve(std::vector<Number_Node>& limbs, size_t n) {
  if (limbs.capacity() < n) limbs.reserve(std::max(n, 2 * limbs.capacity()));
}

std::int32_t LimbAt(const std::vector<Number_Node>& limbs, size_t i) {
  return i < limbs.size() ? limbs[i].value : 0;
}

}  // namespace

void Number::Clear() {
  sign_ = 1;
  integerPart_ = 0;
  limbs_.clear();
}

Number Number::FromParts(int sign, std::int64_t integerPart,
                         std::vector<Number_Node> limbs) {
  if (integerPart < 0 || integerPart > kMaxIntegerPart)
    throw NumberException("Number: integer part out of range");
  for (auto limb : limbs)
    if (limb.value < 0 || limb.value > kTopLimb)
      throw NumberException("Number: limb out of range");
  Number n;
  n.sign_ = sign < 0 ? -1 : 1;
  n.integerPart_ = integerPart;
  n.limbs_ = std::move(limbs);
  return n;
}

void Number::ResetParts(int sign, std::int64_t integerPart) {
  if (integerPart < 0 || integerPart > kMaxIntegerPart)
    throw NumberException("Number: integer part out of range");
  sign_ = sign < 0 ? -1 : 1;
  integerPart_ = integerPart;
  limbs_.clear();
}

void Number::AppendLimbs(Number_Node limb, std::size_t count) {
  if (limb.value < 0 || limb.value > kTopLimb)
    throw NumberException("Number: limb out of range");
  Reserve(limbs_, limbs_.size() + count);
  limbs_.insert(limbs_.end(), count, limb);
}

void Number::FromText(std::string_view text) {
  Clear();
  if (text.empty()) text = "0";
  sign_ = text.front() == '-' ? -1 : 1;
  std::string_view integerText = text;
  std::string_view fractionText;
  const auto at = decimalSeparator.empty() ? std::string_view::npos
                                           : text.find(decimalSeparator);
  if (at != std::string_view::npos) {
    integerText = text.substr(0, at);
    fractionText = text.substr(at + decimalSeparator.size());
  }
  const auto integer = ParseDecimalInteger(integerText, -kMaxIntegerPart,
                                           kMaxIntegerPart);
  integerPart_ = integer ? std::llabs(*integer) : 0;
  if (fractionText.empty()) {
    limbs_.push_back({0});
    return;
  }
  limbs_.reserve((fractionText.size() + kLimbDigits - 1) / kLimbDigits);
  while (!fractionText.empty()) {
    const auto group = fractionText.substr(0, kLimbDigits);
    limbs_.push_back({FractionGroupToLimb(group)});
    fractionText.remove_prefix(group.size());
  }
}

std::string Number::ToText() const { return Text(decimalSeparator); }

double Number::ToDouble() const {
  // Read back from the text, so that the double is the correctly rounded
  // value of exactly what the trace files and the status window show.
  const std::string text = Text(".");
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string Number::Text(std::string_view separator) const {
  std::string text;
  text.reserve(24 + limbs_.size() * kLimbDigits);
  if (sign_ < 0) text += '-';
  text += std::to_string(integerPart_);
  text += separator;
  if (limbs_.empty()) return text += '0';
  char group[kLimbDigits];
  for (auto limb : limbs_) {
    std::int32_t v = limb.value;
    for (int i = kLimbDigits - 1; i >= 0; --i, v /= 10) group[i] = '0' + v % 10;
    text.append(group, kLimbDigits);
  }
  return text;
}

bool Number::LessInMagnitude(const Number& a, const Number& b) {
  if (a.integerPart_ != b.integerPart_) return a.integerPart_ < b.integerPart_;
  const auto n = std::max(a.limbs_.size(), b.limbs_.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = LimbAt(a.limbs_, i), y = LimbAt(b.limbs_, i);
    if (x != y) return x < y;
  }
  return false;
}

void Number::Add(const Number& other) { Add(other, false); }
void Number::AddSigned(const Number& other, bool negate) { Add(other, negate); }
void Number::Subtract(const Number& other) { Subtract(other, false); }

// `flipOther` stands for negating other's sign for the duration of the
// operation, without touching other.
void Number::Add(const Number& other, bool flipOther) {
  const int otherSign = flipOther ? -other.sign_ : other.sign_;
  if (sign_ != otherSign) {
    Subtract(other, !flipOther);
  } else {
    AddMagnitude(other);
  }
  Normalize();
}

void Number::Subtract(const Number& other, bool flipOther) {
  const int otherSign = flipOther ? -other.sign_ : other.sign_;
  if (sign_ != otherSign) {
    Add(other, !flipOther);
  } else if (LessInMagnitude(*this, other)) {
    SubtractFromLargerMagnitude(other);
    sign_ = -otherSign;
  } else {
    SubtractSmallerMagnitude(other);
  }
  Normalize();
}

void Number::AddMagnitude(const Number& other) {
  if (integerPart_ > kMaxIntegerPart - 1 - other.integerPart_) ThrowOverflow();
  const size_t shared = std::min(limbs_.size(), other.limbs_.size());
  Reserve(limbs_, other.limbs_.size());
  if (limbs_.size() < other.limbs_.size())
    limbs_.insert(limbs_.end(), other.limbs_.begin() + limbs_.size(),
                  other.limbs_.end());
  std::int32_t carry = 0;
  for (size_t i = shared; i-- > 0;) {
    const std::int32_t s = limbs_[i].value + other.limbs_[i].value + carry;
    carry = s >= kBase ? 1 : 0;
    limbs_[i].value = s - carry * kLimbBase;
  }
  integerPart_ += other.integerPart_ + carry;
}

// |this| := |this| - |smaller|, for |this| >= |smaller|.
void Number::SubtractSmallerMagnitude(const Number& smaller) {
  if (limbs_.size() < smaller.limbs_.size()) {
    Reserve(limbs_, smaller.limbs_.size());
    limbs_.resize(smaller.limbs_.size(), Number_Node{0});
  }
  std::int32_t borrow = 0;
  for (size_t i = smaller.limbs_.size(); i-- > 0;) {
    std::int32_t d = limbs_[i].value - smaller.limbs_[i].value - borrow;
    borrow = d < 0 ? 1 : 0;
    limbs_[i].value = d + borrow * kLimbBase;
  }
  integerPart_ -= smaller.integerPart_ + borrow;
}

// |this| := |larger| - |this|, for |larger| > |this|: the same limbs as
// subtracting this from a copy of larger, made in place.
void Number::SubtractFromLargerMagnitude(const Number& larger) {
  const size_t own = limbs_.size();
  const size_t theirs = larger.limbs_.size();
  Reserve(limbs_, theirs);
  if (theirs > own)
    limbs_.insert(limbs_.end(), larger.limbs_.begin() + own, larger.limbs_.end());
  std::int32_t borrow = 0;
  for (size_t i = own; i-- > 0;) {
    std::int32_t d = LimbAt(larger.limbs_, i) - limbs_[i].value - borrow;
    borrow = d < 0 ? 1 : 0;
    limbs_[i].value = d + borrow * kLimbBase;
  }
  integerPart_ = larger.integerPart_ - integerPart_ - borrow;
}

void Number::Normalize() {
  if (limbs_.empty()) {
    limbs_.push_back({0});
    return;
  }
  size_t kept = limbs_.size();
  while (kept > 1 && limbs_[kept - 1].value == kTopLimb) --kept;
  if (kept < limbs_.size()) {
    limbs_.resize(kept);
    if (limbs_.back().value + 1 == kLimbBase) {
      // Checked before the limb changes, so that an overflow leaves no limb
      // out of range behind.
      if (integerPart_ >= kMaxIntegerPart) ThrowOverflow();
      limbs_.back().value = 0;
      ++integerPart_;
    } else {
      ++limbs_.back().value;
    }
  }
  while (limbs_.size() > 1 && limbs_.back().value == 0) limbs_.pop_back();
}

bool Number::IsValidWeight(double w) {
  return std::isfinite(w) && std::fabs(w) < static_cast<double>(kMaxWeightIntegerPart) + 1.0;
}

Number::WeightParts Number::SplitWeight(double w) {
  if (!IsValidWeight(w))
    throw NumberException("Invalid weight: not finite or beyond 32 bits");
  // The weight as c + f / 10^8: c its integer part, f its first eight
  // decimal places, rounded to nearest (halves to even) in extended precision.
  const long double magnitude = std::fabs(static_cast<long double>(w));
  const long double whole = std::trunc(magnitude);
  WeightParts parts;
  parts.integer = static_cast<std::int64_t>(whole);
  parts.places = static_cast<std::int64_t>(
      std::nearbyintl((magnitude - whole) * static_cast<long double>(kBase)));
  parts.negative = w < 0;
  return parts;
}

void Number::MultiplyByWeight(double w) {
  MultiplyByParts(SplitWeight(w));
}

void Number::MultiplyByParts(const WeightParts& weight) {
  Multiply(*this, weight, *this);
}

void Number::AssignProduct(const Number& source, const WeightParts& weight) {
  Multiply(source, weight, *this);
}

bool Number::NormalizeStable() const {
  if (limbs_.empty()) return false;
  const std::int32_t last = limbs_.back().value;
  return limbs_.size() == 1 || (last != 0 && last != kTopLimb);
}

// dst := src * weight, then Normalize; dst may be src itself.
void Number::Multiply(const Number& src, const WeightParts& weight, Number& dst) {
  const std::int64_t c = weight.integer;
  const std::int64_t f = weight.places;
  const size_t n = src.limbs_.size();
  const std::int64_t integerPart = src.integerPart_;
  dst.sign_ = src.sign_;
  if (c == 1 && f == 0) {  // 1 and -1 change no limb
    if (&dst != &src) {
      Reserve(dst.limbs_, n);
      dst.limbs_.assign(src.limbs_.begin(), src.limbs_.end());
    }
  } else {
    // |src| * c spreads over the limb's own group and the ones above it;
    // |src| * f / 10^8 reaches one group further down, so the product has a
    // limb more than src only when f is not 0. Group g of the product
    // collects limb[g] * c, the high half of limb[g] * f and the low half of
    // limb[g - 1] * f; every term fits 64 bits, so only the integer part
    // needs 128-bit arithmetic. Each group reads only src limbs at or above
    // its own position, so writing in place from the last group up is safe.
    const auto cc = static_cast<std::uint64_t>(c);
    const auto ff = static_cast<std::uint64_t>(f);
    const size_t groups = n + (f != 0 ? 1 : 0);
    Reserve(dst.limbs_, groups);
    dst.limbs_.resize(groups);
    const Number_Node* in = src.limbs_.data();  // valid after the resize too
    Number_Node* out = dst.limbs_.data();
    auto limbAt = [&](size_t g) -> std::uint64_t {
      return g < n ? static_cast<std::uint32_t>(in[g].value) : 0;
    };
    std::uint64_t carry = 0;
    std::uint64_t fTimesThis = groups > 0 ? limbAt(groups - 1) * ff : 0;
    for (size_t g = groups; g-- > 0;) {
      const std::uint64_t limb = limbAt(g);
      const std::uint64_t fTimesAbove = g > 0 ? limbAt(g - 1) * ff : 0;
      const std::uint64_t sum =
          limb * cc + fTimesThis / kBase + fTimesAbove % kBase + carry;
      out[g].value = static_cast<std::int32_t>(sum % kBase);
      carry = sum / kBase;
      fTimesThis = fTimesAbove;
    }
    const auto integer = static_cast<unsigned __int128>(integerPart);
    const unsigned __int128 integerTimesF = integer * ff;
    unsigned __int128 product = integer * cc + carry;
    if (groups > 0) {
      // The integer part's share of f lands partly in the first limb.
      const auto low = static_cast<std::uint64_t>(integerTimesF % kBase);
      const std::uint64_t first = static_cast<std::uint32_t>(out[0].value) + low;
      out[0].value = static_cast<std::int32_t>(first % kBase);
      product += first / kBase;
    }
    product += integerTimesF / kBase;
    dst.integerPart_ = CheckedIntegerPart(product);
  }
  if (c == 1 && f == 0) dst.integerPart_ = integerPart;
  if (weight.negative) dst.sign_ = -dst.sign_;
  dst.Normalize();
}

// The results are the numbers FromText gives for "0" and "1".
void Number::Saturate() {
  if (sign_ > 0 && integerPart_ == 0) return;
  const std::int64_t clamped = sign_ < 0 ? 0 : 1;
  Clear();
  integerPart_ = clamped;
  limbs_.push_back({0});
}

}  // namespace vantorb
