#include "network/value_text.hpp"

#include <algorithm>

#include "network/utils.hpp"

namespace vantorb {
namespace {

// The text in front of the limbs: sign, integer part and separator.
std::string Front(const Number& value) {
  std::string front = value.Sign() < 0 ? "-" : "";
  front += std::to_string(value.IntegerPart());
  return front += decimalSeparator;
}

// The digits of limbs [first, last), as Number writes them.
std::string LimbDigits(const Number& value, std::size_t first, std::size_t last) {
  std::string digits;
  digits.reserve((last - first) * Number::kLimbDigits);
  char group[Number::kLimbDigits];
  for (std::size_t i = first; i < last; ++i) {
    std::int32_t v = value.Limbs()[i].value;
    for (int d = Number::kLimbDigits - 1; d >= 0; --d, v /= 10) group[d] = '0' + v % 10;
    digits.append(group, Number::kLimbDigits);
  }
  return digits;
}

// The fraction's text: its limbs, or "0" when it has none.
std::size_t FractionLength(const Number& value) {
  return value.Limbs().empty() ? 1 : value.Limbs().size() * Number::kLimbDigits;
}

}  // namespace

std::size_t ValueTextLength(const Number& value) {
  return Front(value).size() + FractionLength(value);
}

std::string ValueTextHead(const Number& value, std::size_t count) {
  std::string head = Front(value);
  if (value.Limbs().empty()) head += '0';
  const std::size_t limbs = std::min(
      value.Limbs().size(), (count + Number::kLimbDigits - 1) / Number::kLimbDigits);
  head += LimbDigits(value, 0, limbs);
  return head.substr(0, count);
}

std::string ValueTextTail(const Number& value, std::size_t count) {
  const std::size_t length = ValueTextLength(value);
  if (count >= length || value.Limbs().empty())
    return ValueTextHead(value, length).substr(length - std::min(count, length));
  const std::size_t size = value.Limbs().size();
  const std::size_t limbs = std::min(size, (count + Number::kLimbDigits - 1) / Number::kLimbDigits);
  const std::string digits = LimbDigits(value, size - limbs, size);
  if (count <= digits.size()) return digits.substr(digits.size() - count);
  return ValueTextHead(value, length).substr(length - count);
}

std::string ElidedValueText(const Number& value) {
  const std::size_t length = ValueTextLength(value);
  if (length <= kShownWhole) return ValueTextHead(value, length);
  return ValueTextHead(value, 28) + "..." + ValueTextTail(value, 16) + " (" +
         std::to_string(FractionLength(value)) + " digits)";
}

namespace {

// The value's first and last limbs as numbers of their own, with its sign
// and integer part: the parts of its text a view shows, read without
// expanding its runs.
struct Ends {
  Number head, tail;
};
Ends EndsOf(const RunNumber& value, std::uint64_t headLimbs, std::uint64_t tailLimbs) {
  std::vector<Number_Node> head, tail;
  value.ForEachRun([&](std::uint32_t limb, std::uint64_t count) {
    const Number_Node node{static_cast<std::int32_t>(limb)};
    head.insert(head.end(), std::min(count, headLimbs - std::min<std::uint64_t>(head.size(), headLimbs)), node);
    tail.insert(tail.end(), std::min(count, tailLimbs), node);
    if (tail.size() > tailLimbs) tail.erase(tail.begin(), tail.end() - static_cast<std::ptrdiff_t>(tailLimbs));
  });
  return {Number::FromParts(value.Sign(), value.IntegerPart(), std::move(head)),
          Number::FromParts(value.Sign(), value.IntegerPart(), std::move(tail))};
}

std::uint64_t FractionLength(const RunNumber& value) {
  return std::max<std::uint64_t>(1, value.LimbCount() * Number::kLimbDigits);
}

}  // namespace

std::size_t ValueTextLength(const RunNumber& value) {
  return ValueTextLength(Number::FromParts(value.Sign(), value.IntegerPart(), {})) - 1 +
         FractionLength(value);
}

std::string ValueTextHead(const RunNumber& value, std::size_t count) {
  const std::uint64_t limbs = (count + Number::kLimbDigits - 1) / Number::kLimbDigits;
  return ValueTextHead(EndsOf(value, limbs, 0).head, count);
}

std::string ElidedValueText(const RunNumber& value) {
  // Only the limbs the text shows are read: the first four hold the head,
  // the last two the tail; a short value is shown whole.
  if (ValueTextLength(value) <= kShownWhole) return ElidedValueText(value.ToNumber());
  const Ends ends = EndsOf(value, 4, 2);
  return ValueTextHead(ends.head, 28) + "..." + ValueTextTail(ends.tail, 16) + " (" +
         std::to_string(value.LimbCount() * Number::kLimbDigits) + " digits)";
}

std::string ShortCount(std::uint64_t count) {
  if (count < 100'000) return std::to_string(count);
  int exponent = 0;
  double mantissa = static_cast<double>(count);
  while (mantissa >= 10) {
    mantissa /= 10;
    ++exponent;
  }
  // Two figures: 1.0 to 9.9, rounded; 9.96 becomes 10^(k+1).
  auto tenths = static_cast<int>(mantissa * 10 + 0.5);
  if (tenths >= 100) {
    tenths = 10;
    ++exponent;
  }
  const std::string power = "10^" + std::to_string(exponent);
  if (tenths == 10) return power;
  return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10) + "\u00B7" + power;
}

std::string ShortValueText(const RunNumber& value) {
  if (ValueTextLength(value) <= kShownShort) return value.ToNumber().ToText();
  // The last limb that is not 0 holds the last significant digit.
  std::int32_t lastNonZero = 0;
  value.ForEachRun([&lastNonZero](std::uint32_t limb, std::uint64_t) {
    if (limb != 0) lastNonZero = static_cast<std::int32_t>(limb);
  });
  while (lastNonZero != 0 && lastNonZero % 10 == 0) lastNonZero /= 10;
  const char last = static_cast<char>('0' + lastNonZero % 10);
  return ValueTextHead(value, 6) + "\u2026" + last + " (" + ShortCount(FractionLength(value)) +
         " digits)";
}

}  // namespace vantorb
