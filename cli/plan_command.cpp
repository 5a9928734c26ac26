// SPDX-License-Identifier: MIT
#include "plan_command.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "extcalc/answers.h"
#include "extcalc/csv.h"
#include "extcalc/unit_plan.h"
#include "extcalc/unit_table.h"
#include "extcalc/units.h"

namespace extcalc::cli {

namespace {

constexpr std::string_view kProgram = "extinguisher-calc-cli：";

std::size_t inputColumn(building::Field field) {
    const auto columns = building::inputColumns(building::Standard::Gb50140_2005);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].field == field) {
            return c;
        }
    }
    return columns.size();
}

std::string cellAt(const csv::Record& record, std::size_t index) {
    return index < record.size() ? record.fields()[index] : std::string();
}

}  // namespace

int runPlanTable(const std::string& path, bool place, std::ostream& out, std::ostream& err) {
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) {
            err << kProgram << path << " 无法打开\n";
            return 2;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    csv::Reader reader(in);
    csv::Record header;
    if (!reader.next(header)) {
        err << kProgram << path << " 是空的或无法读取\n";
        return 2;
    }
    const auto layout = building::readUnitHeader(building::Standard::Gb50140_2005, header);
    if (!layout.layout) {
        err << kProgram << path << " " << layout.text << '\n';
        return 2;
    }
    const building::PlanColumns plans = building::findPlanColumns(header);
    const std::size_t pointsColumn = inputColumn(building::Field::Points);
    const std::size_t nameColumn = 0;

    auto units = nlohmann::json::array();
    bool failed = false;
    csv::Record record;
    long line = 1;
    while (reader.next(record)) {
        ++line;
        building::UnitCells cells = building::cellsOf(*layout.layout, record);
        const building::UnitPlan unitPlan =
            building::readUnitPlan(cellAt(record, plans.outline), cellAt(record, plans.points));
        // Without N, the points decide it: fixed ones by their number, placed ones after the
        // placement, which needs R and so a first calculation with any N.
        const bool countFromPlan = building::trimmedAnswer(cells.at(pointsColumn)).empty() &&
                                   unitPlan.outline.has_value() &&
                                   (place || !unitPlan.fixed.empty());
        if (countFromPlan) {
            cells.at(pointsColumn) =
                unitPlan.fixed.empty() ? "1" : std::to_string(unitPlan.fixed.size());
        }
        building::UnitOutcome outcome = building::evaluate(building::Standard::Gb50140_2005, cells);
        const int radius = outcome.current ? outcome.current->maxDistanceM : 0;
        const double area =
            outcome.unit ? static_cast<double>(outcome.unit->areaMillionths) / 1e6 : 0.0;
        const building::PlanOutcome plan = building::planUnit(unitPlan, radius, area, place);
        if (countFromPlan && !plan.points.empty()) {
            cells.at(pointsColumn) = std::to_string(plan.points.size());
            outcome = building::evaluate(building::Standard::Gb50140_2005, cells);
        }
        nlohmann::json unit =
            building::outcomeJson(building::Standard::Gb50140_2005, outcome, cells.at(nameColumn));
        unit["line"] = line;
        building::addPlanJson(plan, unit);
        failed =
            failed || outcome.failed() || !plan.error.empty() || (plan.check && !plan.check->ok);
        units.push_back(std::move(unit));
    }
    if (reader.failure()) {
        err << kProgram << path << " 第 " << reader.failure()->line
            << " 行无法读取（应为 UTF-8）\n";
        return 2;
    }
    out << units.dump(2) << '\n';
    return failed ? 1 : 0;
}

}  // namespace extcalc::cli
