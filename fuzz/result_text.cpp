// SPDX-License-Identifier: MIT
// Every 64-bit pattern: NaN, infinities, subnormals, negative zero.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "checks.h"
#include "extcalc/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace extcalc;
    if (size < sizeof(double)) {
        return 0;
    }
    double value = 0.0;
    std::memcpy(&value, data, sizeof value);
    const auto text = resultText(value);
    if (!std::isfinite(value)) {
        fuzz::require(!text.has_value(), "non-finite value has a text");
        return 0;
    }
    fuzz::require(text.has_value(), "finite value has no text");
    fuzz::checkResultText(*text);

    // The same 15 digits as the C library's rounding; both decimals read back as the
    // same double exactly when they are the same decimal.
    std::array<char, 40> reference{};
    std::snprintf(reference.data(), reference.size(), "%.14e", value);
    fuzz::require(std::strtod(text->c_str(), nullptr) == std::strtod(reference.data(), nullptr),
                  "digits differ from printf's", *text);

    // Another decimal separator changes that character and nothing else.
    std::string expected = *text;
    if (const auto point = expected.find('.'); point != std::string::npos) {
        expected.replace(point, 1, "٫");
    }
    fuzz::require(resultText(value, "٫") == expected, "separator changes more than the point",
                  *text);
    return 0;
}
