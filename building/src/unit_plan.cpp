// SPDX-License-Identifier: MIT
#include "extcalc/unit_plan.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "extcalc/answers.h"
#include "extcalc/answers2005.h"

namespace extcalc::building {

namespace {

bool names(std::string_view cell, std::string_view chinese, std::string_view key) {
    cell = trimmedAnswer(cell);
    if (cell == chinese) {
        return true;
    }
    if (cell.size() != key.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char c = cell[i] >= 'A' && cell[i] <= 'Z' ? static_cast<char>(cell[i] + 32) : cell[i];
        if (c != key[i]) {
            return false;
        }
    }
    return true;
}

// Two decimals, as the distances are shown: JSON numbers rounded to the centimetre.
double centimetres(double metres) {
    return std::round(metres * 100.0) / 100.0;
}

}  // namespace

PlanColumns findPlanColumns(const csv::Record& header) {
    PlanColumns columns;
    const auto fields = header.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (names(fields[i], "平面", "outline")) {
            columns.outline = i;
        } else if (names(fields[i], "设置点", "points_at")) {
            columns.points = i;
        }
    }
    return columns;
}

UnitPlan readUnitPlan(std::string_view outline, std::string_view points) {
    UnitPlan result;
    if (trimmedAnswer(outline).empty()) {
        if (!trimmedAnswer(points).empty()) {
            result.error = "给出了设置点而没有平面";
        }
        return result;
    }
    auto read = plan::parseOutline(outline);
    if (!read.outline) {
        result.error = std::move(read.error);
        return result;
    }
    auto fixed = plan::parsePoints(points);
    if (!fixed.points) {
        result.error = std::move(fixed.error);
        return result;
    }
    const plan::Room room(*read.outline);
    for (std::size_t i = 0; i < fixed.points->size(); ++i) {
        if (!room.contains((*fixed.points)[i])) {
            result.error = "设置点第 " + std::to_string(i + 1) + " 个不在平面之内";
            return result;
        }
    }
    result.outline = std::move(read.outline);
    result.fixed = std::move(*fixed.points);
    return result;
}

PlanOutcome planUnit(const UnitPlan& unitPlan, int radiusM, double areaM2, bool place) {
    PlanOutcome outcome;
    outcome.radiusM = radiusM;
    if (!unitPlan.error.empty()) {
        outcome.error = unitPlan.error;
        return outcome;
    }
    if (!unitPlan.outline) {
        return outcome;
    }
    const double outlineArea = plan::area(*unitPlan.outline);
    if (areaM2 > 0.0 && std::abs(areaM2 - outlineArea) > 0.01 * outlineArea) {
        char text[160];
        std::snprintf(text, sizeof text, "填写的面积 %.2f m² 与平面的面积 %.2f m² 相差超过 1%%",
                      areaM2, outlineArea);
        outcome.warnings.emplace_back(text);
    }
    if (radiusM <= 0) {
        outcome.error = "没有最大保护距离（D类火灾或未能计算），不检查设置点";
        return outcome;
    }
    const plan::Room room(*unitPlan.outline);
    const auto radius = static_cast<double>(radiusM);
    if (!unitPlan.fixed.empty() || !place) {
        outcome.points = unitPlan.fixed;
        outcome.check = plan::check(room, outcome.points, radius);
    } else {
        auto placed = plan::place(room, {radius, true, 0.5});
        outcome.points = std::move(placed.points);
        outcome.check = std::move(placed.check);
    }
    if (outcome.check && !outcome.check->ok) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "最不利点 (%.2f, %.2f) 距最近的设置点 %.2f m，超过最大保护距离 %d m"
                      "（5.2.1/5.2.2）",
                      outcome.check->worstAt.x, outcome.check->worstAt.y,
                      outcome.check->worstDistance, radiusM);
        outcome.problems.push_back(gb50140::Problem{gb50140::ProblemCode::BeyondMaxDistance,
                                                    gb50140::Severity::Error, text, "5.2.1/5.2.2"});
    }
    return outcome;
}

void addPlanJson(const PlanOutcome& outcome, nlohmann::json& unit) {
    if (!outcome.error.empty()) {
        unit["plan_error"] = outcome.error;
    }
    if (!outcome.warnings.empty()) {
        unit["plan_warnings"] = outcome.warnings;
    }
    for (const auto& problem : outcome.problems) {
        unit["problems"].push_back(problemJson(problem));
    }
    if (!outcome.check) {
        return;
    }
    auto points = nlohmann::json::array();
    std::transform(outcome.points.begin(), outcome.points.end(), std::back_inserter(points),
                   [](const plan::Point& p) {
                       return nlohmann::json::array({p.x, p.y});
                   });
    unit["points_at"] = std::move(points);
    const plan::Check& check = *outcome.check;
    if (std::isfinite(check.worstDistance)) {
        unit["worst_distance_m"] = centimetres(check.worstDistance);
        unit["worst_at"] = {centimetres(check.worstAt.x), centimetres(check.worstAt.y)};
    } else {
        unit["worst_distance_m"] = nullptr;
        unit["worst_at"] = nullptr;
    }
    unit["distance_ok"] = check.ok;
}

}  // namespace extcalc::building
