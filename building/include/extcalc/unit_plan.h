// SPDX-License-Identifier: MIT
#pragma once

// A GB 50140-2005 unit on its plan: the rooms (平面) and setting points (设置点) it is given,
// the check of the maximum protection distance and the points proposed when none are fixed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "extcalc/csv.h"
#include "extcalc/gb50140.h"
#include "extcalc/plan/plan.h"

namespace extcalc::building {

// The plan's columns of a table, by Chinese name or English key: 平面/outline and
// 设置点/points_at. Absent columns are npos.
struct PlanColumns {
    std::size_t outline = std::string::npos;
    std::size_t points = std::string::npos;
};
PlanColumns findPlanColumns(const csv::Record& header);

struct UnitPlan {
    std::vector<plan::Outline> outlines;  // one or more rooms in one frame; none: no plan
    std::vector<plan::Point> fixed;       // points given in 设置点, checked and never moved
    // fixed are the points a placement wrote, unchanged since (pointsPlaced): still the
    // program's proposal, though fixed like the designer's.
    bool placed = false;
    std::string error;  // why the outline or the points cannot be used
    [[nodiscard]] bool hasPlan() const { return !outlines.empty(); }
};
// The cells as a unit holds them: 平面 as parseOutlines reads it, 设置点 as "x y; x y". Each
// point must stand in one of the rooms.
UnitPlan readUnitPlan(std::string_view outline, std::string_view points);

struct PlanOutcome {
    std::vector<plan::Outline> outlines;
    std::vector<plan::Point> points;  // fixed or proposed, in the rooms' frame
    std::vector<int> roomOf;          // per point: the index of its room
    // The points are the program's: proposed now, or written by a placement and not changed
    // since. False for the designer's.
    bool placed = false;
    // Per room, and the whole: the worst spot over all rooms, ok when every room is, and
    // every room's uncovered region.
    std::vector<plan::Check> rooms;
    std::optional<plan::Check> check;
    int radiusM = 0;
    std::vector<std::string> warnings;  // Chinese
    std::string error;                  // Chinese
    // A spot beyond R: 5.2.1/5.2.2 are mandatory, so this is an error of the unit's design,
    // not a warning, and it joins the unit's problems.
    std::vector<gb50140::Problem> problems;
};

// The unit's points checked against R (radiusM, from its calculation), placed along the walls
// first when the designer fixed none and place is set. areaM2 is the typed S: a difference
// above 1 % from the rooms' area is a warning. fixedCount is the 设置点数 the designer typed
// (0 for none): a count that differs from the points on the plan is a warning.
PlanOutcome planUnit(const UnitPlan& unitPlan, int radiusM, double areaM2, bool place,
                     int fixedCount = 0);

// Who set the points, for a line a person reads: 程序布置 or 设计人员给出.
std::string_view pointsSource(const PlanOutcome& outcome);

// The keys a script reads: points_at, worst_distance_m (to 0.01), worst_at, distance_ok,
// points_placed, and plan_warnings / plan_error when there are any; the plan's problems are
// added to the unit's.
void addPlanJson(const PlanOutcome& outcome, nlohmann::json& unit);

// The sum of the rooms' areas, m².
double planArea(const std::vector<plan::Outline>& outlines);

}  // namespace extcalc::building
