// SPDX-License-Identifier: MIT
#pragma once

// Property checks shared by the fuzz targets. A failed property aborts, which
// libFuzzer reports with the input that caused it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "extcalc/numbers.h"

namespace extcalc::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail) {
    std::fprintf(stderr, "property violated: %s: [%.*s]\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

inline void require(bool holds, const char* what, std::string_view detail = {}) {
    if (!holds) {
        fail(what, detail);
    }
}

// What a result box may hold: digits, ".", "-", "E", "+", and at most 15 significant
// digits; reading it back and showing it again gives the same text.
inline void checkResultText(const std::string& text) {
    require(!text.empty(), "result text is empty");
    int significant = 0;
    bool leading = true;
    bool inExponent = false;
    for (const char c : text) {
        require((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'E' || c == '+',
                "unexpected character in result text", text);
        if (c == 'E') {
            inExponent = true;
        } else if (c >= '1' && c <= '9') {
            leading = false;
        }
        if (!inExponent && !leading && c >= '0' && c <= '9') {
            ++significant;
        }
    }
    require(significant <= 15, "more than 15 significant digits", text);

    const auto back = parseArea(text);
    // The largest doubles show rounded up past the top of the range; nothing else may.
    if (!back) {
        require(text.rfind("1.79769313486232E+308", 0) == 0 ||
                    text.rfind("-1.79769313486232E+308", 0) == 0,
                "result text does not read back", text);
        return;
    }
    const auto again = resultText(*back);
    require(again.has_value() && *again == text, "result text is not stable", text);
}

}  // namespace extcalc::fuzz
