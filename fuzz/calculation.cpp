// SPDX-License-Identifier: MIT
// Whole calculations through the same window operations the window uses: random
// form variables, list positions (-1 and beyond the lists included), area texts and
// fire-class and underground choices, several in a row on one state.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "checks.h"
#include "extcalc/calc.h"
#include "extcalc/headless.h"
#include "extcalc/texts.h"

namespace {

using namespace extcalc;

int position(FuzzedDataProvider& in) {
    // Mostly near the lists, sometimes anywhere.
    if (in.ConsumeBool()) {
        return in.ConsumeIntegralInRange(-2, 9);
    }
    return in.ConsumeIntegral<int>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FormVariables form;
    if (in.ConsumeBool()) {
        form.u = in.ConsumeFloatingPoint<float>();
        form.style = in.ConsumeIntegral<std::int16_t>();
        form.kd = in.ConsumeFloatingPoint<float>();
        form.n = in.ConsumeIntegral<std::int16_t>();
    }
    ScriptedOps ops;
    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
                if (chooseFireClass(form, static_cast<FireClass>(in.ConsumeIntegralInRange(0, 3)),
                                    ops) != nullptr) {
                    ops.combo2 = -1;
                    ops.combo4 = -1;
                }
                break;
            case 1:
                chooseUnderground(form, in.ConsumeBool());
                break;
            case 2:
                ops.combo2 = position(in);
                ops.combo3 = position(in);
                ops.combo4 = position(in);
                ops.texts[0] = in.ConsumeRandomLengthString(64);
                break;
            default: {
                ops.written = {};
                const auto before = ops.texts;
                const auto messagesBefore = ops.messages.size();
                calcu(form, ops);
                const bool all = ops.written[1] && ops.written[2] && ops.written[3];
                const bool none = !ops.written[1] && !ops.written[2] && !ops.written[3];
                fuzz::require(all || none, "some but not all result boxes written");
                fuzz::require(!ops.written[0], "the area box was written");
                std::size_t incomplete = 0;
                std::size_t outOfRange = 0;
                for (std::size_t i = messagesBefore; i < ops.messages.size(); ++i) {
                    incomplete += ops.messages[i].text == text::kIncompleteInput ? 1U : 0U;
                    outOfRange += ops.messages[i].text == text::kAreaOutOfRange ? 1U : 0U;
                }
                fuzz::require(incomplete <= 2, "more than two incomplete-input warnings");
                fuzz::require(outOfRange <= 1, "more than one out-of-range warning");
                fuzz::require(incomplete + outOfRange == ops.messages.size() - messagesBefore,
                              "a calculation showed some other message");
                if (all) {
                    for (std::size_t box = 1; box < 4; ++box) {
                        const auto value = parseArea(ops.texts[box]);
                        fuzz::require(value.has_value() && std::isfinite(*value),
                                      "result box holds no finite value", ops.texts[box]);
                        fuzz::checkResultText(ops.texts[box]);
                    }
                } else {
                    fuzz::require(ops.texts == before, "result boxes changed without a write");
                    fuzz::require(ops.messages.size() > messagesBefore, "no result and no message");
                }
                break;
            }
        }
    }
    return 0;
}
