#include "network/utils.hpp"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vantorb {

std::string decimalSeparator = ".";

std::string ReadDecimalSeparator() {
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return ".";
  std::string radix = nl_langinfo_l(RADIXCHAR, user);
  freelocale(user);
  const bool usable = radix.size() == 1 &&
                      !std::isdigit(static_cast<unsigned char>(radix[0])) &&
                      radix[0] != '-' && radix[0] != '+';
  return usable ? radix : ".";
}

std::string ReplaceFirst(std::string_view text, std::string_view find,
                         std::string_view replacement) {
  std::string result(text);
  if (find.empty() || replacement.empty()) return result;
  const auto at = result.find(find);
  if (at != std::string::npos) result[at] = replacement[0];
  return result;
}

std::string DecimalText(std::string_view integer, std::string_view fraction) {
  std::string text(integer);
  text += decimalSeparator;
  text += fraction;
  return text;
}

std::optional<std::int64_t> ParseDecimalInteger(std::string_view text,
                                                std::int64_t min,
                                                std::int64_t max) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

bool IsNaturalNumberText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return std::isdigit(c);
  });
}

}  // namespace vantorb
