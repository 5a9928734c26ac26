// SPDX-License-Identifier: MIT
#pragma once

// The answers a user gives in words rather than by pointing at a list: on the command
// line, in a table's cells. They are checked here once, for every front end, and
// every fault is reported, not only the first.

#include <array>
#include <charconv>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/faults.h"
#include "extcalc/headless.h"
#include "extcalc/lists.h"

namespace extcalc::building {

// An answer without the blanks and tabs around it, as tables and files are read.
std::string_view trimmedAnswer(std::string_view text);

// English answers and column names are taken in any case; only ASCII letters fold.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// "A" to "D", either case.
std::optional<FireClass> parseFireClass(std::string_view answer);

// yes/no in either case, or 是/否.
std::optional<bool> parseYesNo(std::string_view answer);

// An item named by its number counted from 1, as the lists are printed, or by its
// exact text as the list shows it. Gives the zero-based position.
template <class Item>
std::optional<int> findChoice(std::span<const Item> list, std::string_view answer) {
    std::size_t number = 0;
    const auto* end = answer.data() + answer.size();
    if (const auto [ptr, error] = std::from_chars(answer.data(), end, number);
        error == std::errc{} && ptr == end && !answer.empty() && answer.front() != '+') {
        if (number >= 1 && number <= list.size()) {
            return static_cast<int>(number - 1);
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].text == answer) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

// The answers for one area of the classic calculation, as given. An empty optional
// is an answer not given at all; an empty text is given, and empty.
struct ClassicAnswers {
    std::array<std::optional<std::string_view>, static_cast<std::size_t>(Field::kCount)> given;
    std::optional<std::string_view>& operator[](Field field) {
        return given.at(static_cast<std::size_t>(field));
    }
    [[nodiscard]] const std::optional<std::string_view>& operator[](Field field) const {
        return given.at(static_cast<std::size_t>(field));
    }
};

// How the area is read. The window takes any text, one without a number for 0; a
// table requires a number, since a slip there would quietly drop an area.
enum class AreaRule { AsTheWindow, NumberRequired };

struct ClassicCheck {
    std::optional<Request> request;  // when every answer can be used
    std::vector<Fault> faults;       // all of them: missing answers first, then the rest
    // Read as the window reads it but worth saying: text after the area's number
    // that is not a unit, no number at all, a negative area. Only with
    // AreaRule::AsTheWindow; a table fails instead.
    std::vector<Fault> warnings;
};

ClassicCheck checkClassic(const ClassicAnswers& answers, AreaRule areaRule);

// What of an area text the number leaves unread, other than blanks and a unit
// (平方米, m2, m²): "1,200" leaves ",200", "３００" all of it. Empty when nothing is
// left, or when the number itself is out of range (that is a fault of its own).
std::optional<Fault> areaTextIgnored(std::string_view text, Field field);

// Extinguishers every place gets at the least, whatever N says.
inline constexpr double kMinimumPerPlace = 2.0;

// One area computed as the window would, with its outcome as faults rather than
// message boxes.
struct ClassicResult {
    std::optional<std::array<std::string, 3>> results;  // Q1, Q and N as the boxes show them
    // How many to install: N as shown rounded up, at least kMinimumPerPlace (0 for an
    // area of 0); none for a negative N.
    std::optional<double> install;
    std::vector<Fault> faults;
};
ClassicResult computeClassic(const Request& request);

// How many extinguishers to install for N as its result box shows it: that decimal
// text rounded up to a whole number, so binary noise such as 2.0000000000000004,
// which the box shows as 2, never adds one. Empty for a negative N, which no number
// of extinguishers can meet, and for a text that is not a number.
std::optional<double> installCount(std::string_view nText);

}  // namespace extcalc::building
