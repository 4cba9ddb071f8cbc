#pragma once
// The unary code in which natural numbers travel through a network: n is the
// decimal 0.1 followed by n further digits 1 (0 is 0.1, 2 is 0.111). Start
// and done signals are the value 1, silence is 0.

#include <cstdint>
#include <string>
#include <string_view>

#include "network/number.hpp"

namespace vantorb {

// The code of n, exactly the number FromText gives for "0" + separator +
// "1" repeated n + 1 times. A negative n counts as 0.
Number UnaryCode(std::int64_t n);

// The argument a user typed, read as a decimal integer of 32 bits; 0 when
// it is not one.
std::int32_t UnaryArgument(std::string_view text);

// The largest argument a run takes: its code holds that many digits 1.
constexpr std::int64_t kMaxArgument = 10'000'000;

// Refuses, with a NeuroException naming it, an argument made of digits
// (with an optional sign "+") whose value passes kMaxArgument, however many
// digits it has: its code would not fit in memory. Negative and other texts
// pass; they count as 0.
void CheckArgumentSize(std::string_view text);

// Counts the digits "1" of a value text from its 4th character on (the
// integer digit, the separator and the code's leading 1 come before), as a
// decimal text. Does not check the code.
std::string UnaryResultText(std::string_view valueText);

// The count of digits "1" after the code's leading 1, or "?" when the text
// is no code: its first character is not "0" or its third not "1", nothing
// but "1"s follows the leading 1 (a code ends in zeros), or a character
// other than "0" and "1" follows the first character that ends the ones.
std::string DecodeUnary(std::string_view valueText);

}  // namespace vantorb
