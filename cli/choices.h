#pragma once

// How the command line names the choices a user makes in the window. Shared by the
// single calculation and the batch table so both read answers the same way.

#include <charconv>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>

#include "extcalc/lists.h"

namespace extcalc::cli {

// "A" to "D", either case.
std::optional<FireClass> parseFireClass(std::string_view answer);

// yes/no in either case, or 是/否.
std::optional<bool> parseUnderground(std::string_view answer);

// An item named by its number counted from 1, as --list prints it, or by its exact
// text as the list shows it. Gives the zero-based position.
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

// Every list, per class group, numbered from 1.
void printLists(std::ostream& out);

}  // namespace extcalc::cli
