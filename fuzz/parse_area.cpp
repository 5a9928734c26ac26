// SPDX-License-Identifier: MIT
// Any bytes typed or pasted into the area box: valid UTF-8 or not, NULs, very long.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checks.h"
#include "extcalc/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace extcalc;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = parseArea(text);
    if (!value) {
        return 0;  // the out-of-range outcome
    }
    fuzz::require(std::isfinite(*value), "parsed area is not finite", text);
    const auto shown = resultText(*value);
    fuzz::require(shown.has_value(), "finite area has no text", text);
    fuzz::checkResultText(*shown);
    return 0;
}
