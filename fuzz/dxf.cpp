// SPDX-License-Identifier: MIT
// Fuzzes the DXF reader, its summary of the layers and the rooms it makes into units. Checked on
// every input: reading never throws and gives either rooms or a Chinese error, never both; every
// room read is a usable outline whose text reads back the same; its unit computes; errors and
// layer names are valid UTF-8; the summary's likely room layer is one of its layers, and a
// drawing it cannot read lists none.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "checks.h"
#include "extcalc/plan/dxf.h"
#include "extcalc/plan/plan.h"
#include "extcalc/plan_project.h"

using extcalc::fuzz::require;

namespace {

// Well-formed UTF-8: lead bytes with their continuation bytes, nothing overlong below 0x80.
bool utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (b >= 0x80U) {
            if ((b & 0xE0U) == 0xC0U && b >= 0xC2U) {
                n = 1;
            } else if ((b & 0xF0U) == 0xE0U) {
                n = 2;
            } else if ((b & 0xF8U) == 0xF0U && b <= 0xF4U) {
                n = 3;
            } else {
                return false;
            }
        }
        if (i + n >= s.size() && n > 0) {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0U) != 0x80U) {
                return false;
            }
        }
        i += n + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    extcalc::plan::dxf::ImportOptions options;
    // The first byte picks the layer and whether the user gives the unit.
    options.layer = size > 0 && (data[0] & 1U) != 0 ? "A" : "0";
    if (size > 0 && (data[0] & 2U) != 0) {
        options.metresPerUnit = 1.0;
    }
    extcalc::plan::dxf::Import read;
    try {
        read = extcalc::plan::dxf::importRooms(text, options);
    } catch (const std::exception& e) {
        extcalc::fuzz::fail("importRooms threw", e.what());
    }
    require(read.error.empty() != read.rooms.empty(), "not exactly one of rooms and error", text);
    require(utf8(read.error), "an error that is not UTF-8", text);
    extcalc::plan::dxf::DrawingSummary summary;
    try {
        summary = extcalc::plan::dxf::summarize(text);
    } catch (const std::exception& e) {
        extcalc::fuzz::fail("summarize threw", e.what());
    }
    require(summary.error.empty() || summary.layers.empty(), "layers listed with an error", text);
    require(summary.layers.empty() || summary.likelyRoomLayer < summary.layers.size(),
            "the likely room layer is not a layer", text);
    for (const auto& layer : summary.layers) {
        require(utf8(layer.name), "a layer name not UTF-8", text);
        require(layer.closedOutlines >= 0, "a negative count of outlines", text);
    }
    for (const auto& room : read.rooms) {
        require(extcalc::plan::outlineProblem(room.outline).empty(), "a room is not usable", text);
        require(room.arcs >= 0, "a negative count of arcs", text);
        const auto again = extcalc::plan::parseOutline(extcalc::plan::outlineText(room.outline));
        require(again.outline.has_value(), "a room's text does not read back", text);
    }
    if (!read.error.empty()) {
        return 0;
    }
    // A few rooms through the whole import, with the units' placement, keep each run quick.
    if (read.rooms.size() <= 3) {
        const auto imported = extcalc::building::importRoomsIntoProject(text, options, {});
        require(imported.project.has_value(), "rooms read but not imported", text);
    }
    return 0;
}
