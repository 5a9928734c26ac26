// SPDX-License-Identifier: MIT
#include "extcalc/unit_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <numeric>

#include <nlohmann/json.hpp>

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
    auto read = plan::parseOutlines(outline);
    if (!read.outlines) {
        result.error = std::move(read.error);
        return result;
    }
    auto fixed = plan::parsePoints(points);
    if (!fixed.points) {
        result.error = std::move(fixed.error);
        return result;
    }
    const std::vector<plan::Room> rooms(read.outlines->begin(), read.outlines->end());
    for (std::size_t i = 0; i < fixed.points->size(); ++i) {
        const plan::Point p = (*fixed.points)[i];
        if (std::none_of(rooms.begin(), rooms.end(),
                         [p](const plan::Room& room) { return room.contains(p); })) {
            result.error = "设置点第 " + std::to_string(i + 1) + " 个不在平面之内";
            return result;
        }
    }
    result.outlines = std::move(*read.outlines);
    result.fixed = std::move(*fixed.points);
    return result;
}

double planArea(const std::vector<plan::Outline>& outlines) {
    return std::accumulate(outlines.begin(), outlines.end(), 0.0,
                           [](double sum, const plan::Outline& o) { return sum + plan::area(o); });
}

PlanOutcome planUnit(const UnitPlan& unitPlan, int radiusM, double areaM2, bool place,
                     int fixedCount) {
    PlanOutcome outcome;
    outcome.radiusM = radiusM;
    if (!unitPlan.error.empty()) {
        outcome.error = unitPlan.error;
        return outcome;
    }
    if (!unitPlan.hasPlan()) {
        return outcome;
    }
    outcome.outlines = unitPlan.outlines;
    const double outlineArea = planArea(unitPlan.outlines);
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
    const auto radius = static_cast<double>(radiusM);
    const bool proposing = unitPlan.fixed.empty() && place;
    outcome.placed = proposing || (unitPlan.placed && !unitPlan.fixed.empty());
    // The placement's work grows with the room's area over R²: a unit larger than any hall
    // (or an outline typed in millimetres) is refused instead of keeping the program busy.
    constexpr double kMostDisks = 250.0;
    constexpr double kPi = 3.14159265358979323846;
    if (proposing && outlineArea / (kPi * radius * radius) > kMostDisks) {
        outcome.error = "平面太大（" + std::to_string(static_cast<long long>(outlineArea)) +
                        " m²，按最大保护距离至少需 " +
                        std::to_string(static_cast<long long>(kMostDisks)) +
                        " 个以上设置点），不自动布置；请分为几个计算单元，或给出设置点";
        return outcome;
    }
    const std::vector<plan::Room> rooms(unitPlan.outlines.begin(), unitPlan.outlines.end());
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        const plan::Room& room = rooms[r];
        std::vector<plan::Point> points;
        if (proposing) {
            auto placed = plan::place(room, {radius, true, 0.5});
            points = std::move(placed.points);
            outcome.rooms.push_back(std::move(placed.check));
        } else {
            // A point on a wall two rooms share belongs to the first of them.
            for (const plan::Point p : unitPlan.fixed) {
                const bool earlier =
                    std::any_of(rooms.begin(), rooms.begin() + static_cast<std::ptrdiff_t>(r),
                                [p](const plan::Room& other) { return other.contains(p); });
                if (!earlier && room.contains(p)) {
                    points.push_back(p);
                }
            }
            outcome.rooms.push_back(plan::check(room, points, radius));
        }
        outcome.points.insert(outcome.points.end(), points.begin(), points.end());
        outcome.roomOf.insert(outcome.roomOf.end(), points.size(), static_cast<int>(r));
    }
    plan::Check whole = outcome.rooms.front();
    whole.uncovered.clear();
    for (const plan::Check& room : outcome.rooms) {
        if (!(room.worstDistance <= whole.worstDistance)) {
            whole.worstDistance = room.worstDistance;
            whole.worstAt = room.worstAt;
        }
        whole.ok = whole.ok && room.ok;
        whole.uncovered.insert(whole.uncovered.end(), room.uncovered.begin(), room.uncovered.end());
    }
    outcome.check = std::move(whole);
    if (fixedCount > 0 && static_cast<std::size_t>(fixedCount) != outcome.points.size()) {
        outcome.warnings.push_back("填写的设置点数 " + std::to_string(fixedCount) + " 与平面上的 " +
                                   std::to_string(outcome.points.size()) + " 个设置点不一致");
    }
    if (!outcome.check->ok) {
        char text[240];
        if (std::isfinite(outcome.check->worstDistance)) {
            std::snprintf(text, sizeof text,
                          "最不利点 (%.2f, %.2f) 距最近的设置点 %.2f m，超过最大保护距离 %d m"
                          "（5.2.1/5.2.2）",
                          outcome.check->worstAt.x, outcome.check->worstAt.y,
                          outcome.check->worstDistance, radiusM);
        } else {
            std::snprintf(text, sizeof text,
                          "平面上有房间没有设置点，不满足最大保护距离 %d m（5.2.1/5.2.2）",
                          radiusM);
        }
        outcome.problems.push_back(gb50140::Problem{gb50140::ProblemCode::BeyondMaxDistance,
                                                    gb50140::Severity::Error, text, "5.2.1/5.2.2"});
    }
    return outcome;
}

std::string_view pointsSource(const PlanOutcome& outcome) {
    return outcome.placed ? "程序布置" : "设计人员给出";
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
    unit["points_placed"] = outcome.placed;
}

}  // namespace extcalc::building
