// SPDX-License-Identifier: MIT
#pragma once

// Conversions between the texts of the window and 64-bit floats.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace extcalc {

// Reads the area the way the original program's runtime read it: as much of the
// text as forms a number, blanks skipped anywhere, "." as decimal point whatever
// the locale, the rest ignored; a text that does not begin with a number is 0.
// Empty result: the number lies beyond the range of a 64-bit float.
std::optional<double> parseArea(std::string_view text);

// The same reading, telling also what of the text it used: whether the text begins
// with a number at all (the window takes one that does not for 0, which a table
// or a script should not), and where the number ends, so that a caller can say
// which rest was ignored.
struct AreaReading {
    std::optional<double> value;  // as parseArea
    bool number = false;          // the text begins with a number (blanks and a sign aside)
    std::size_t end = 0;          // offset of the first character after the number
};
AreaReading readArea(std::string_view text);

// The text a result box shows: at most 15 significant digits, no trailing zeros,
// an exponent only where the plain form would need one. Empty result: the value
// is not finite and has no text.
std::optional<std::string> resultText(double value, std::string_view decimalSeparator = ".");

}  // namespace extcalc
