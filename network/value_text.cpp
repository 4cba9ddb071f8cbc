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

std::string ElidedValueText(const RunNumber& value) {
  // Only the limbs the text shows are read: the first four hold the head,
  // the last two the tail; a short value is shown whole.
  constexpr std::uint64_t kHeadLimbs = 4, kTailLimbs = 2;
  std::vector<Number_Node> head, tail;
  value.ForEachRun([&](std::uint32_t limb, std::uint64_t count) {
    const Number_Node node{static_cast<std::int32_t>(limb)};
    head.insert(head.end(), std::min(count, kHeadLimbs - std::min<std::uint64_t>(head.size(), kHeadLimbs)), node);
    tail.insert(tail.end(), std::min(count, kTailLimbs), node);
    if (tail.size() > kTailLimbs) tail.erase(tail.begin(), tail.end() - kTailLimbs);
  });
  const Number front = Number::FromParts(value.Sign(), value.IntegerPart(), {});
  const std::size_t length = ValueTextLength(front) - 1 + std::max<std::uint64_t>(1, value.LimbCount() * Number::kLimbDigits);
  if (length <= kShownWhole) return ElidedValueText(value.ToNumber());
  return ValueTextHead(Number::FromParts(value.Sign(), value.IntegerPart(), std::move(head)), 28) +
         "..." + ValueTextTail(Number::FromParts(value.Sign(), value.IntegerPart(), std::move(tail)), 16) +
         " (" + std::to_string(value.LimbCount() * Number::kLimbDigits) + " digits)";
}

}  // namespace vantorb
