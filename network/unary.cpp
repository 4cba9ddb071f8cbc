#include "network/unary.hpp"

#include <algorithm>
#include <iterator>
#include <vector>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {

Number UnaryCode(std::int64_t n) {
  const std::int64_t digits = (n > 0 ? n : 0) + 1;
  const auto fullLimbs = static_cast<size_t>(digits / Number::kLimbDigits);
  const auto rest = static_cast<int>(digits % Number::kLimbDigits);
  std::vector<Number_Node> limbs(fullLimbs, Number_Node{11111111});
  if (rest > 0) {
    std::int32_t limb = 0;
    for (int i = 0; i < Number::kLimbDigits; ++i) limb = limb * 10 + (i < rest);
    limbs.push_back({limb});
  }
  return Number::FromParts(1, 0, std::move(limbs));
}

RunValue<std::uint64_t> UnaryCodeRuns(std::int64_t n) {
  const std::uint64_t digits = static_cast<std::uint64_t>(n > 0 ? n : 0) + 1;
  const std::uint64_t fullLimbs = digits / Number::kLimbDigits;
  const auto rest = static_cast<int>(digits % Number::kLimbDigits);
  RunValue<std::uint64_t> code;
  if (fullLimbs > 0) code.runs.push_back({11111111, fullLimbs});
  if (rest > 0) {
    std::uint32_t limb = 0;
    for (int i = 0; i < Number::kLimbDigits; ++i) limb = limb * 10 + (i < rest);
    code.runs.push_back({limb, 1});
  }
  code.limbCount = fullLimbs + (rest > 0);
  return code;
}

std::int32_t UnaryArgument(std::string_view text) {
  return static_cast<std::int32_t>(
      ParseDecimalInteger(text, INT32_MIN, INT32_MAX).value_or(0));
}

std::int64_t WideUnaryArgument(std::string_view text) {
  return ParseDecimalInteger(text, INT64_MIN, INT64_MAX).value_or(0);
}

void CheckArgumentSize(std::string_view text, std::int64_t largest) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return;
  for (char c : digits)
    if (c < '0' || c > '9') return;
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  const auto value = ParseDecimalInteger(digits, 0, INT64_MAX);
  if (value && *value <= largest) return;
  std::string shown(text.substr(0, 40));
  if (text.size() > 40) shown += "...";
  throw NeuroException("The argument " + shown + " is too large: at most " +
                       std::to_string(largest) + " can be computed");
}

std::string UnaryResultText(std::string_view valueText) {
  std::int64_t count = 0;
  for (size_t i = 3; i < valueText.size(); ++i) count += valueText[i] == '1';
  return std::to_string(count);
}

std::string UnaryResultText(const RunNumber& value) {
  // The text is the sign, the integer part, the separator and every limb's
  // eight digits: its ones, less those among its first three characters.
  std::string head(value.Sign() < 0 ? 1 : 0, '-');
  head += std::to_string(value.IntegerPart());
  head += decimalSeparator;
  std::int64_t ones = std::count(head.begin(), head.end(), '1');
  bool first = true;
  value.ForEachRun([&](std::uint32_t limb, std::uint64_t count) {
    char digits[Number::kLimbDigits];
    for (int i = Number::kLimbDigits - 1; i >= 0; --i, limb /= 10) digits[i] = '0' + limb % 10;
    ones += static_cast<std::int64_t>(count) * std::count(digits, digits + Number::kLimbDigits, '1');
    if (first) head.append(digits, Number::kLimbDigits);
    first = false;
  });
  if (first) head += '0';  // no limbs: the text ends in a single 0
  ones -= std::count(head.begin(), head.begin() + std::min<std::size_t>(3, head.size()), '1');
  return std::to_string(ones);
}

std::string DecodeUnary(std::string_view t) {
  if (t.size() < 3 || t[0] != '0' || (t[1] >= '0' && t[1] <= '9') || t[2] != '1')
    return "?";
  const std::size_t ones = t.find_first_not_of('1', 3);
  if (ones != std::string_view::npos && t.find_first_not_of('0', ones) != std::string_view::npos)
    return "?";
  const std::size_t end = ones == std::string_view::npos ? t.size() : ones;
  return std::to_string(end - 3);
}

namespace {

// DecodeUnary over a value's runs of equal limbs, given by forEachRun(f)
// calling f(limb, count) most significant first.
template <class ForEachRun>
std::int64_t DecodeRuns(int sign, std::int64_t integerPart, ForEachRun&& forEachRun) {
  if (sign < 0 || integerPart != 0) return -1;
  // The limbs of a code: ones filling whole limbs, at most one limb of
  // ones then zeros, then zero limbs.
  static constexpr std::uint32_t kOnesThenZeros[Number::kLimbDigits] = {
      0, 10000000, 11000000, 11100000, 11110000, 11111000, 11111100, 11111110};
  enum { kOnes, kZeros, kNoCode } state = kOnes;
  std::int64_t ones = 0;
  forEachRun([&](std::uint32_t limb, std::uint64_t count) {
    if (state == kOnes && limb == 11111111) {
      ones += static_cast<std::int64_t>(count) * Number::kLimbDigits;
      return true;
    }
    if (state == kOnes) {
      const auto* end = std::end(kOnesThenZeros);
      const auto* at = std::find(std::begin(kOnesThenZeros), end, limb);
      if (at == end || (count > 1 && limb != 0)) {
        state = kNoCode;
        return false;
      }
      ones += at - std::begin(kOnesThenZeros);
      state = kZeros;
      return true;
    }
    if (limb != 0) state = kNoCode;
    return state != kNoCode;
  });
  if (state == kNoCode) return -1;
  return ones > 0 ? ones - 1 : -1;
}

}  // namespace

std::int64_t DecodeUnary(const Number& value) {
  return DecodeRuns(value.Sign(), value.IntegerPart(),
                    [&value](auto&& f) { RunNumber::ForEachLimbRun(value, f); });
}

std::int64_t DecodeUnary(const RunNumber& value) {
  return DecodeRuns(value.Sign(), value.IntegerPart(),
                    [&value](auto&& f) { value.ForEachRun(f); });
}

}  // namespace vantorb
