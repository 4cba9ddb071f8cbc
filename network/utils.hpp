#pragma once
// Process-wide decimal separator and the small text helpers around numbers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorb {

// The user's decimal separator, one character. Every number text inside the
// program (values, biases, arguments) is written and read with it; equation
// files always use ".". It holds "." until the window or tool assigns the
// result of ReadDecimalSeparator() at start.
extern std::string decimalSeparator;

// The one-character decimal separator of the user's numeric locale (what the
// C library's locale-aware float conversion expects under LC_NUMERIC from the
// environment). Falls back to "." when the locale cannot be loaded or gives
// a separator that is empty, longer than one byte, a digit or a sign.
// Does not change the process locale.
std::string ReadDecimalSeparator();

// A copy of text in which the character at the first occurrence of find is
// replaced by the first character of replacement; text itself when find does
// not occur (or either of the two is empty).
std::string ReplaceFirst(std::string_view text, std::string_view find,
                         std::string_view replacement);

// integer + decimalSeparator + fraction: a decimal text as the program
// writes it ("-0" and "9" give -0.9 or -0,9).
std::string DecimalText(std::string_view integer, std::string_view fraction);

// Reads an optional "+" or "-" followed by one or more decimal digits, and
// nothing else. Empty when the text is not such an integer or its value lies
// outside [min, max].
std::optional<std::int64_t> ParseDecimalInteger(std::string_view text,
                                                std::int64_t min,
                                                std::int64_t max);

// Whether the text is a natural number as users write one: one or more
// decimal digits and nothing else (no sign, blank, point or exponent).
bool IsNaturalNumberText(std::string_view text);

}  // namespace vantorb
