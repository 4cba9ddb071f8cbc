#pragma once
// Value texts for the screen. A unary code is as long as the number it
// stands for, so a value may have millions of digits; these give the parts
// of a value's text that a view shows at a cost that follows what is shown,
// not the value's length. Each part is exactly the corresponding part of
// Number::ToText().

#include <cstddef>
#include <string>

#include "network/number.hpp"
#include "network/run_number.hpp"

namespace vantorb {

// The number of characters of value.ToText().
std::size_t ValueTextLength(const Number& value);

// The first `count` characters of value.ToText() (all of it when shorter).
std::string ValueTextHead(const Number& value, std::size_t count);

// The last `count` characters of value.ToText() (all of it when shorter).
std::string ValueTextTail(const Number& value, std::size_t count);

// value.ToText() when it has at most kShownWhole characters; else its head,
// "...", its tail and the count of its fraction digits: "0.1111111111111111
// 1111...0000000000000000 (1000000 digits)".
constexpr std::size_t kShownWhole = 64;
std::string ElidedValueText(const Number& value);
// The same for a value held as runs, read from its first and last limbs.
std::string ElidedValueText(const RunNumber& value);

// ValueTextLength and ValueTextHead of a value held as runs, read from its
// first limbs.
std::size_t ValueTextLength(const RunNumber& value);
std::string ValueTextHead(const RunNumber& value, std::size_t count);

// The value as a narrow column shows it: its text when that has at most
// kShownShort characters; else its first digits, "…", its last digit that is
// not a 0 (the zeros after it pad the last limb) and its digit count,
// written short from 100000 on: "0.1111…1 (10^12 digits)", "0.1234…5
// (2.5·10^9 digits)" (the count rounded to two figures). UTF-8.
constexpr std::size_t kShownShort = 20;
std::string ShortValueText(const RunNumber& value);
// A count as ShortValueText writes it: whole below 100000, else "10^k" or
// "m·10^k" with m of two figures.
std::string ShortCount(std::uint64_t count);

}  // namespace vantorb
