// SPDX-License-Identifier: MIT
// Fuzzes the project reader. Checked on every input: reading never throws and gives
// exactly one of a project and an error; a project read is written and read back equal;
// every unit of it computes, shows as text and as JSON without crashing.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "extcalc/project.h"
#include "extcalc/units.h"

using extcalc::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    extcalc::building::ProjectRead read;
    try {
        read = extcalc::building::readProject(text);
    } catch (const std::exception& e) {
        extcalc::fuzz::fail("readProject threw", e.what());
    }
    require(read.project.has_value() != read.error.has_value(),
            "not exactly one of project and error", text);
    if (!read.project) {
        return 0;
    }
    const auto& project = *read.project;
    const std::string written = extcalc::building::projectJson(project);
    const auto again = extcalc::building::readProject(written);
    require(again.project.has_value(), "written project is refused", written);
    require(*again.project == project, "written project reads back different", written);
    for (const auto& cells : project.units) {
        const auto outcome = extcalc::building::evaluate(project.standard, cells);
        const std::string_view name = cells.empty() ? std::string_view{} : cells.front();
        require(!extcalc::building::outcomeText(project.standard, outcome, name).empty(),
                "unit shows no text");
        require(extcalc::building::outcomeJson(project.standard, outcome, name).is_object(),
                "unit JSON is not an object");
    }
    return 0;
}
