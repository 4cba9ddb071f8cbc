#pragma once
// The unary code in which natural numbers travel through a network: n is the
// decimal 0.1 followed by n further digits 1 (0 is 0.1, 2 is 0.111). Start
// and done signals are the value 1, silence is 0.

#include <cstdint>
#include <string>
#include <string_view>

#include "network/number.hpp"
#include "network/run_number.hpp"

namespace vantorb {

// The code of n, exactly the number FromText gives for "0" + separator +
// "1" repeated n + 1 times. A negative n counts as 0.
Number UnaryCode(std::int64_t n);
// The same code as runs: a run of limbs 11111111 and its last limb.
RunValue<std::uint64_t> UnaryCodeRuns(std::int64_t n);

// The argument a user typed, read as a decimal integer of 32 bits; 0 when
// it is not one.
std::int32_t UnaryArgument(std::string_view text);
// The same read as 64 bits, for arguments whose codes are held as runs.
std::int64_t WideUnaryArgument(std::string_view text);

// The largest argument a run takes: its code holds that many digits 1.
constexpr std::int64_t kMaxArgument = 100'000'000;
// The largest for a run whose values stay with an engine that holds them
// as runs, where a code of any length is two runs.
constexpr std::int64_t kMaxArgumentAsRuns = 1'000'000'000'000;

// Refuses, with a NeuroException naming it, an argument made of digits
// (with an optional sign "+") whose value passes `largest`, however many
// digits it has: its code would not fit in memory. Negative and other texts
// pass; they count as 0.
void CheckArgumentSize(std::string_view text, std::int64_t largest = kMaxArgument);

// Counts the digits "1" of a value text from its 4th character on (the
// integer digit, the separator and the code's leading 1 come before), as a
// decimal text. Does not check the code.
std::string UnaryResultText(std::string_view valueText);
// The same count for the text of a value, read from its runs without
// writing the text.
std::string UnaryResultText(const RunNumber& value);

// The number a value text codes, as a decimal text, or "?" when the text is
// no code. A code is "0", one separator character (anything but a digit),
// the leading "1", then digits "1" (one per unit) and nothing after them but
// digits "0": the zeros that pad its last limb and any zero limbs behind it.
// A code whose digits fill its limbs has no zero at all (0.11111111 is 7).
std::string DecodeUnary(std::string_view valueText);

// DecodeUnary of a number's text, read from its limbs without writing the
// text: the count, or -1 when the number is no code.
std::int64_t DecodeUnary(const Number& value);
// The same read from the runs of a value held as runs.
std::int64_t DecodeUnary(const RunNumber& value);

}  // namespace vantorb
