// SPDX-License-Identifier: MIT
#include "extcalc/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

#include <fast_float/fast_float.h>
#include <fmt/format.h>

namespace extcalc {
namespace {

// Only these are skipped: the original's runtime ignored no other white space, and
// a full-width blank ends the number like any other character.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isExponentLetter(char c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// Correct rounding never needs more than 768 significant digits of a decimal
// number; beyond that only "was anything non-zero cut off" matters.
constexpr std::size_t kMaxSignificantDigits = 800;
// Any decimal exponent this large is out of range either way; saturating keeps
// the arithmetic on exponents from overflowing whatever the input.
constexpr std::int64_t kExponentLimit = 1'000'000'000;

constexpr std::int64_t saturate(std::int64_t value) {
    if (value > kExponentLimit) {
        return kExponentLimit;
    }
    if (value < -kExponentLimit) {
        return -kExponentLimit;
    }
    return value;
}

class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    // The next character that is not a blank, or NUL at the end; NUL ends a number too.
    char peek() {
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            ++pos_;
        }
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void advance() { ++pos_; }
    [[nodiscard]] std::size_t position() const { return pos_; }
    void rewind(std::size_t position) { pos_ = position; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Reads an exponent after its letter: optional sign, at least one digit. Without a
// digit there is no exponent, and the letter belongs to the ignored rest.
std::optional<std::int64_t> readExponent(Scanner& in) {
    const std::size_t start = in.position();
    in.advance();  // the letter
    bool negative = false;
    if (const char c = in.peek(); c == '+' || c == '-') {
        negative = c == '-';
        in.advance();
    }
    if (!isDigit(in.peek())) {
        in.rewind(start);
        return std::nullopt;
    }
    std::int64_t exponent = 0;
    for (char c = in.peek(); isDigit(c); c = in.peek()) {
        exponent = saturate(exponent * 10 + (c - '0'));
        in.advance();
    }
    return negative ? -exponent : exponent;
}

// A positive finite value as at most 15 significant decimal digits and the power of
// ten of the first one.
struct Decimal {
    std::array<char, 17> digits{};
    std::size_t count = 0;
    int exponent = 0;
};

Decimal parseScientific(const char* begin, const char* end) {
    Decimal decimal;
    const char* p = begin;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            decimal.digits[decimal.count++] = *p;
        }
    }
    int magnitude = 0;
    std::from_chars(p + 2, end, magnitude);
    decimal.exponent = p[1] == '-' ? -magnitude : magnitude;
    return decimal;
}

// The digits of the shortest text that reads back as the value, which {fmt} writes
// plainly or with an exponent as suits it: both say the same digits.
Decimal shortestDigits(double magnitude) {
    std::array<char, 40> text{};
    const auto written = fmt::format_to_n(text.data(), text.size(), "{}", magnitude);
    const char* const end = written.out;
    Decimal decimal;
    int pointAt = -1;  // digits before the point, of all digits written
    int seen = 0;
    int leadingZeros = 0;
    const char* p = text.data();
    for (; p != end && *p != 'e'; ++p) {
        if (*p == '.') {
            pointAt = seen;
            continue;
        }
        ++seen;
        if (decimal.count == 0 && *p == '0') {
            ++leadingZeros;
        } else {
            decimal.digits[decimal.count++] = *p;
        }
    }
    int exponent = 0;
    if (p != end) {
        const char* digits = p + 1;
        const bool negative = *digits == '-';
        digits += (*digits == '-' || *digits == '+') ? 1 : 0;
        std::from_chars(digits, end, exponent);
        exponent = negative ? -exponent : exponent;
    }
    if (pointAt < 0) {
        pointAt = seen;
    }
    decimal.exponent = exponent + pointAt - leadingZeros - 1;
    while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') {
        --decimal.count;
    }
    return decimal;
}

// The value correctly rounded to 15 significant digits. The shortest text that reads
// back as the value is much cheaper to get than a rounding to a given precision, and
// rounding its digits gives the same result: a 15-digit rounding boundary between
// the two would be a shorter, or closer, text for the value than the shortest one.
// Only when the shortest text itself lies on a boundary does it not say which way
// the value goes, and then the value is rounded directly; so are subnormals.
Decimal roundTo15Digits(double magnitude) {
    constexpr std::size_t kDigits = 15;
    Decimal decimal = shortestDigits(magnitude);
    // Subnormals carry too few bits for the shortest text to pin 15 digits down.
    const bool subnormal = magnitude < std::numeric_limits<double>::min();
    if (decimal.count <= kDigits && !subnormal) {
        return decimal;
    }
    if (subnormal || (decimal.count == kDigits + 1 && decimal.digits[kDigits] == '5')) {
        // Exactly rounded, as printf would; {fmt} does the same on every platform.
        std::array<char, 32> text{};
        const auto exact = fmt::format_to_n(text.data(), text.size(), "{:.14e}", magnitude);
        return parseScientific(text.data(), exact.out);
    }
    const bool up = decimal.digits[kDigits] >= '5';
    decimal.count = kDigits;
    if (up) {
        std::size_t i = kDigits;
        while (i > 0 && decimal.digits[i - 1] == '9') {
            decimal.digits[--i] = '0';
        }
        if (i == 0) {
            decimal.digits[0] = '1';
            ++decimal.exponent;
        } else {
            ++decimal.digits[i - 1];
        }
    }
    return decimal;
}

}  // namespace

std::optional<double> parseArea(std::string_view text) {
    return readArea(text).value;
}

AreaReading readArea(std::string_view text) {
    Scanner in(text);
    AreaReading reading;

    bool negative = false;
    if (const char c = in.peek(); c == '+' || c == '-') {
        negative = c == '-';
        in.advance();
    }

    // The number is collected as significant digits times a power of ten, and only
    // then converted in one correctly rounded step.
    std::string digits;
    std::int64_t scale = 0;
    bool anyDigit = false;
    bool inFraction = false;
    bool truncatedNonZero = false;
    for (char c = in.peek();; c = in.peek()) {
        if (c == '.' && !inFraction) {
            inFraction = true;
        } else if (isDigit(c)) {
            anyDigit = true;
            if (digits.empty() && c == '0') {
                scale -= inFraction ? 1 : 0;
            } else if (digits.size() < kMaxSignificantDigits) {
                digits.push_back(c);
                scale -= inFraction ? 1 : 0;
            } else {
                scale += inFraction ? 0 : 1;
                truncatedNonZero = truncatedNonZero || c != '0';
            }
            scale = saturate(scale);
        } else {
            break;
        }
        in.advance();
    }
    if (!anyDigit) {
        reading.value = 0.0;
        return reading;
    }
    reading.number = true;
    if (isExponentLetter(in.peek())) {
        if (const auto exponent = readExponent(in)) {
            scale = saturate(scale + *exponent);
        }
    }
    // Blanks after the number belong to it: they are skipped like those inside it.
    in.peek();
    reading.end = in.position();
    if (digits.empty()) {
        reading.value = 0.0;
        return reading;
    }
    if (truncatedNonZero) {
        // Strictly above the truncated value and below the next one up: enough
        // to round the same way as the full text would.
        digits.push_back('1');
        scale = saturate(scale - 1);
    }

    digits.push_back('e');
    digits += std::to_string(scale);
    // Correctly rounded and blind to the locale, on every platform alike.
    double value = 0.0;
    const auto [end, error] =
        fast_float::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || std::isinf(value)) {
        return reading;  // too large for a double
    }
    if (value == 0.0) {
        reading.value = 0.0;  // too small for one, either sign
        return reading;
    }
    reading.value = negative ? -value : value;
    return reading;
}

std::optional<std::string> resultText(double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    if (value == 0.0) {
        return std::string("0");  // negative zero too
    }

    const Decimal rounded = roundTo15Digits(std::abs(value));
    const int exponent = rounded.exponent;
    const int magnitude = std::abs(exponent);
    const bool negativeExponent = exponent < 0;
    std::size_t count = rounded.count;
    while (count > 1 && rounded.digits[count - 1] == '0') {
        --count;
    }
    const std::string_view significant(rounded.digits.data(), count);

    // Most results fit the string's inline buffer; no reserve, so no allocation for them.
    std::string out;
    if (value < 0) {
        out.push_back('-');
    }
    // Plain form while it fits in 15 digits on either side of the point.
    const auto fractionDigits = static_cast<int>(count) - 1 - exponent;
    if (exponent >= 15 || (exponent < 0 && fractionDigits > 15)) {
        out.push_back(significant[0]);
        if (count > 1) {
            out.append(decimalSeparator);
            out.append(significant.substr(1));
        }
        out.push_back('E');
        out.push_back(negativeExponent ? '-' : '+');
        if (magnitude < 10) {
            out.push_back('0');
        }
        std::array<char, 8> exponentText{};
        const auto written = std::to_chars(exponentText.data(),
                                           exponentText.data() + exponentText.size(), magnitude);
        out.append(exponentText.data(), written.ptr);
    } else if (exponent >= 0) {
        const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        out.append(significant.substr(0, integerDigits));
        if (count > integerDigits) {
            out.append(decimalSeparator);
            out.append(significant.substr(integerDigits));
        } else {
            out.append(integerDigits - count, '0');
        }
    } else {
        out.push_back('0');
        out.append(decimalSeparator);
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(significant);
    }
    return out;
}

}  // namespace extcalc
