// SPDX-License-Identifier: MIT
#pragma once

// A GB 50140-2005 unit on its plan: the outline and setting points a table gives it, the
// check of the maximum protection distance and the points proposed when none are fixed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/csv.h"
#include "extcalc/plan/plan.h"
#include "extcalc/units.h"

namespace extcalc::building {

// The plan's columns of a table, by Chinese name or English key: 平面/outline and
// 设置点/points_at. Absent columns are npos.
struct PlanColumns {
    std::size_t outline = std::string::npos;
    std::size_t points = std::string::npos;
};
PlanColumns findPlanColumns(const csv::Record& header);

struct UnitPlan {
    std::optional<plan::Outline> outline;
    std::vector<plan::Point> fixed;  // the designer's points, checked and never moved
    std::string error;               // why the outline or the points cannot be used
};
UnitPlan readUnitPlan(std::string_view outline, std::string_view points);

struct PlanOutcome {
    std::vector<plan::Point> points;
    std::optional<plan::Check> check;
    int radiusM = 0;
    std::vector<std::string> warnings;  // Chinese
    std::string error;                  // Chinese
    // A spot beyond R: 5.2.1/5.2.2 are mandatory, so this is an error of the unit's design,
    // not a warning, and it joins the unit's problems.
    std::vector<gb50140::Problem> problems;
};

// The unit's points checked against R (radiusM, from its calculation), placed first when
// the designer fixed none and place is set. areaM2 is the typed S: a difference above 1 %
// from the outline's area is a warning.
PlanOutcome planUnit(const UnitPlan& unitPlan, int radiusM, double areaM2, bool place);

// The keys a script reads: points_at, worst_distance_m (to 0.01), worst_at, distance_ok, and
// plan_warnings / plan_error when there are any; the plan's problems are added to the unit's.
void addPlanJson(const PlanOutcome& outcome, nlohmann::json& unit);

}  // namespace extcalc::building
