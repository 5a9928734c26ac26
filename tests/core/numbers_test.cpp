// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "extcalc/numbers.h"

namespace extcalc {
namespace {

struct ParseCase {
    std::string text;
    std::optional<double> value;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class AreaParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(AreaParsing, ReadsAsMuchAsFormsANumber) {
    const auto& c = GetParam();
    const auto parsed = parseArea(c.text);
    ASSERT_EQ(parsed.has_value(), c.value.has_value());
    if (parsed) {
        EXPECT_EQ(*parsed, *c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(Basics, AreaParsing,
                         testing::Values(ParseCase{"300", 300.0}, ParseCase{"12.5平方米", 12.5},
                                         ParseCase{" 1 200", 1200.0}, ParseCase{"", 0.0},
                                         ParseCase{"abc", 0.0}, ParseCase{"-100", -100.0},
                                         ParseCase{"+7", 7.0}, ParseCase{"0", 0.0},
                                         ParseCase{".5", 0.5}, ParseCase{"5.", 5.0},
                                         ParseCase{"-.25", -0.25}, ParseCase{".", 0.0},
                                         ParseCase{"-", 0.0}, ParseCase{"1.2.3", 1.2},
                                         ParseCase{"0012", 12.0}, ParseCase{"0.000", 0.0}));

INSTANTIATE_TEST_SUITE_P(Exponents, AreaParsing,
                         testing::Values(ParseCase{"1.5E3", 1500.0}, ParseCase{"2d2", 200.0},
                                         ParseCase{"2D-1", 0.2}, ParseCase{"3e+2", 300.0},
                                         ParseCase{"1e", 1.0}, ParseCase{"1e+", 1.0},
                                         ParseCase{"1e-x", 1.0}, ParseCase{"1 e 5", 100000.0},
                                         ParseCase{"1e5e5", 100000.0}, ParseCase{"e5", 0.0},
                                         ParseCase{"1x1e5", 1.0}));

// Only ASCII blank, tab and line feed are skipped; everything else ends the number.
INSTANTIATE_TEST_SUITE_P(BlanksAndSigns, AreaParsing,
                         testing::Values(ParseCase{"- 5", -5.0}, ParseCase{"\t1\n2", 12.0},
                                         ParseCase{"--5", 0.0}, ParseCase{"+-5", 0.0},
                                         ParseCase{"1\r2", 1.0}, ParseCase{"1\v2", 1.0},
                                         ParseCase{"1\xE3\x80\x80"
                                                   "2",
                                                   1.0},  // full-width blank
                                         ParseCase{std::string("1\0"
                                                               "2",
                                                               3),
                                                   1.0}));

INSTANTIATE_TEST_SUITE_P(
    NotDigits, AreaParsing,
    testing::Values(ParseCase{"&H10", 0.0}, ParseCase{"&O17", 0.0}, ParseCase{"0x10", 0.0},
                    ParseCase{"\xEF\xBC\x91\xEF\xBC\x92", 0.0},  // full-width 12
                    ParseCase{"50.5%", 50.5}, ParseCase{"12.3!", 12.3}, ParseCase{"7#", 7.0},
                    ParseCase{"9&", 9.0}, ParseCase{"1,000", 1.0}));

// The long texts are built by appending: GCC 12 in C++20 mode takes a literal put
// in front of a temporary string for an overlapping copy (a false -Wrestrict).
INSTANTIATE_TEST_SUITE_P(
    Range, AreaParsing,
    testing::Values(ParseCase{"1e999", std::nullopt}, ParseCase{"-1e999", std::nullopt},
                    ParseCase{"1.7976931348623157e308", std::numeric_limits<double>::max()},
                    ParseCase{"1.8e308", std::nullopt}, ParseCase{"1e-400", 0.0},
                    ParseCase{"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
                    ParseCase{"1e99999999999999999999999", std::nullopt},
                    ParseCase{"1e-99999999999999999999999", 0.0}, ParseCase{"0e99999", 0.0},
                    ParseCase{std::string("0.").append(400, '0') + "1e400", 0.1},
                    ParseCase{std::string("1").append(400, '0') + "e-400", 1.0}));

// Very long digit strings must still round correctly: below, 1 + 2^-53 is exactly
// halfway between two doubles, and only a digit far to the right decides the way.
TEST(AreaParsingRounding, TieBrokenByADistantDigit) {
    const std::string half = "1.00000000000000011102230246251565404236316680908203125";
    EXPECT_EQ(*parseArea(half), 1.0);  // ties to even
    EXPECT_EQ(*parseArea(half + std::string(2000, '0') + "1"), std::nextafter(1.0, 2.0));
    EXPECT_EQ(*parseArea(half + std::string(2000, '0')), 1.0);
}

// Against the C library in the C locale, on random decimal texts.
TEST(AreaParsingRounding, MatchesStrtodOnRandomTexts) {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<int> digitCount(1, 30);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-330, 310);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int count = digitCount(random);
        for (int d = 0; d < count; ++d) {
            text.push_back(static_cast<char>('0' + digit(random)));
            if (d == 0) {
                text.push_back('.');
            }
        }
        text += 'e';  // appended on its own, for GCC 12's false -Wrestrict on "e" + string
        text += std::to_string(exponent(random));
        const double expected = std::strtod(text.c_str(), nullptr);
        const auto parsed = parseArea(text);
        if (std::isinf(expected)) {
            EXPECT_FALSE(parsed.has_value()) << text;
        } else {
            ASSERT_TRUE(parsed.has_value()) << text;
            EXPECT_EQ(*parsed, expected) << text;
        }
    }
}

struct TextCase {
    double value;
    std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.text;
}

class ResultText : public testing::TestWithParam<TextCase> {};

TEST_P(ResultText, FifteenSignificantDigits) {
    EXPECT_EQ(resultText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Plain, ResultText,
                         testing::Values(TextCase{20.0, "20"}, TextCase{1.75, "1.75"},
                                         TextCase{5.0 / 3.0, "1.66666666666667"},
                                         TextCase{1.0 / 3.0, "0.333333333333333"},
                                         TextCase{6.499999761581421, "6.49999976158142"},
                                         TextCase{0.0, "0"}, TextCase{-0.0, "0"},
                                         TextCase{-5.0, "-5"},
                                         TextCase{200.0 / 3.0, "66.6666666666667"},
                                         TextCase{999999999999999.0, "999999999999999"},
                                         TextCase{123456789012345.6, "123456789012346"},
                                         TextCase{0.1 + 0.2, "0.3"},
                                         TextCase{2.0000000000000004, "2"}));

INSTANTIATE_TEST_SUITE_P(
    Exponent, ResultText,
    testing::Values(TextCase{1e15, "1E+15"}, TextCase{1234567890123456.0, "1.23456789012346E+15"},
                    TextCase{-2.5e20, "-2.5E+20"}, TextCase{999999999999999.9, "1E+15"},
                    TextCase{1e100, "1E+100"},
                    TextCase{std::numeric_limits<double>::max(), "1.79769313486232E+308"},
                    TextCase{0.00001, "0.00001"}, TextCase{0.000056789, "0.000056789"},
                    TextCase{0.000000000056789, "0.000000000056789"},
                    TextCase{5.6789e-12, "5.6789E-12"},
                    TextCase{1.0 / 300000.0, "3.33333333333333E-06"},
                    TextCase{1.0 / 30.0, "3.33333333333333E-02"},
                    TextCase{1e-15, "0.000000000000001"}, TextCase{1e-16, "1E-16"},
                    TextCase{-1e-16, "-1E-16"},
                    TextCase{std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"}));

// The shortest digits of a value are written plainly ("100", "0.0001") or with an
// exponent ("1e+16", "1e-05") as the formatting library sees fit; either way the same
// digits must come out, trailing and leading zeros and all.
INSTANTIATE_TEST_SUITE_P(ShortestWrittenEitherWay, ResultText,
                         testing::Values(TextCase{100.0, "100"}, TextCase{1e16, "1E+16"},
                                         TextCase{1e21, "1E+21"},
                                         TextCase{120000000.0, "120000000"},
                                         TextCase{0.0001, "0.0001"}, TextCase{0.00012, "0.00012"},
                                         TextCase{1.5e-7, "0.00000015"},
                                         TextCase{1234567890123456789.0, "1.23456789012346E+18"},
                                         TextCase{9.999999999999999e22, "1E+23"},
                                         TextCase{0.1, "0.1"}, TextCase{-1e16, "-1E+16"}));

TEST(AreaParsingRange, TooSmallForADoubleIsPlainZero) {
    for (const char* text : {"1e-400", "-1e-400", "-0.0000001e-330"}) {
        const auto parsed = parseArea(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(*parsed, 0.0) << text;
        EXPECT_FALSE(std::signbit(*parsed)) << text;
    }
    EXPECT_FALSE(parseArea("1e400").has_value());
    EXPECT_FALSE(parseArea("-1e400").has_value());
}

TEST(ResultTextSeparator, UsedForEveryDecimalPoint) {
    EXPECT_EQ(resultText(1.75, ","), "1,75");
    EXPECT_EQ(resultText(-2.5e20, ","), "-2,5E+20");
    EXPECT_EQ(resultText(0.00001, "٫"), "0٫00001");
    EXPECT_EQ(resultText(1234567.0, ","), "1234567");  // never a group separator
}

TEST(ResultTextSeparator, NonFiniteValuesHaveNoText) {
    EXPECT_EQ(resultText(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(resultText(-std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(resultText(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

// The digits against the C library's own rounding to 15 significant digits, on random
// bit patterns and on values at and around the midpoints between two 15-digit
// decimals, where a shortcut through the shortest text could round the wrong way.
// Two decimals of at most 15 digits that read as the same double are the same decimal,
// so comparing the values read back compares the digits.
TEST(ResultTextRounding, MatchesPrintfToFifteenDigits) {
    const auto check = [](double value) {
        std::array<char, 40> reference{};
        std::snprintf(reference.data(), reference.size(), "%.14e", value);
        const auto text = resultText(value);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(std::strtod(text->c_str(), nullptr), std::strtod(reference.data(), nullptr))
            << std::hexfloat << value << " shows as " << *text << ", printf gives "
            << reference.data();
    };
    std::mt19937_64 random(15);
    std::uniform_int_distribution<std::uint64_t> mantissa(100000000000000ULL, 999999999999999ULL);
    std::uniform_int_distribution<int> exponent(-330, 290);
    for (int i = 0; i < 100000; ++i) {
        const auto value = std::bit_cast<double>(random());
        if (std::isfinite(value) && std::abs(value) < 1.7e308) {
            check(value);
        }
        // A 16-digit decimal ending in 5 is exactly such a midpoint.
        const std::string midpoint =
            std::to_string(mantissa(random)) + "5e" + std::to_string(exponent(random));
        const double near = std::strtod(midpoint.c_str(), nullptr);
        for (const double candidate :
             {near, std::nextafter(near, 0.0), std::nextafter(near, HUGE_VAL)}) {
            check(candidate);
        }
    }
}

// Reading a result text back and showing it again gives the same text, so a result
// copied from a box into the area box means what it says. Random bit patterns reach
// subnormals and every exponent.
TEST(ResultTextRoundTrip, TextNumberTextIsStable) {
    std::mt19937_64 random(7);
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const auto value = std::bit_cast<double>(random());
        const auto text = resultText(value);
        if (!std::isfinite(value)) {
            EXPECT_FALSE(text.has_value());
            continue;
        }
        ASSERT_TRUE(text.has_value());
        const auto back = parseArea(*text);
        if (!back) {
            // Only the largest values round up past the top of the range.
            EXPECT_GT(std::abs(value), 1.797693134862315e308) << *text;
            continue;
        }
        EXPECT_EQ(resultText(*back), text) << std::hexfloat << value;
        ++checked;
    }
    EXPECT_GT(checked, 190000);
}

}  // namespace
}  // namespace extcalc
