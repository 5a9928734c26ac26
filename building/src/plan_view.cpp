// SPDX-License-Identifier: MIT
#include "extcalc/plan_view.h"

#include <algorithm>
#include <cmath>

#include "extcalc/answers.h"

namespace extcalc::building {

namespace {

// The worst spot over the rooms, and whether every room passes.
const plan::Check* worstOf(const PlanOutcome& plan, bool& ok) {
    ok = true;
    const plan::Check* worst = nullptr;
    for (const plan::Check& c : plan.rooms) {
        ok = ok && c.ok;
        if (worst == nullptr || c.worstDistance > worst->worstDistance) {
            worst = &c;
        }
    }
    return worst;
}

std::string coordinate(double value) {
    // A coordinate shown to the centimetre, without a trailing ".00".
    std::string text = plan::draw::metresText(value);
    return text.substr(0, text.size() - 2);
}

}  // namespace

std::optional<plan::draw::Figure> planFigure(const UnitOutcome& outcome) {
    if (!outcome.plan || !outcome.plan->error.empty() || outcome.plan->outlines.empty()) {
        return std::nullopt;
    }
    const PlanOutcome& p = *outcome.plan;
    plan::draw::Figure figure;
    figure.rooms = p.outlines;
    figure.points = p.points;
    figure.roomOf = p.roomOf;
    figure.radius = static_cast<double>(p.radiusM);
    figure.checks = p.rooms;
    if (outcome.current && outcome.current->computed) {
        const gb50140::Result& r = *outcome.current;
        const std::string model = r.modelCode.empty() ? r.modelDescription : r.modelCode;
        // One point holds all that the unit has (6.1.1 asks for two in a unit).
        const std::int64_t each = r.points == 1 ? r.total : r.perPoint;
        if (!model.empty() && each > 0) {
            figure.labels.assign(p.points.size(), model + " × " + std::to_string(each));
        }
    }
    return figure;
}

plan::draw::Figure movedFigure(const plan::draw::Figure& figure,
                               const std::vector<plan::Point>& points) {
    plan::draw::Figure moved = figure;
    UnitPlan unitPlan;
    unitPlan.outlines = figure.rooms;
    unitPlan.fixed = points;
    // The points as the unit's evaluation orders them (room by room), so that each keeps its
    // label and, where it stands still, its reach.
    const PlanOutcome checked = planUnit(unitPlan, static_cast<int>(figure.radius), 0.0, false, 0);
    moved.points = checked.points;
    moved.roomOf = checked.roomOf;
    moved.checks = checked.rooms;
    moved.reaches.assign(moved.points.size(), std::nullopt);
    for (std::size_t i = 0; i < moved.points.size(); ++i) {
        const auto before = std::find(figure.points.begin(), figure.points.end(), moved.points[i]);
        const auto at = static_cast<std::size_t>(before - figure.points.begin());
        if (before != figure.points.end() && at < figure.reaches.size()) {
            moved.reaches[i] = figure.reaches[at];
        }
    }
    if (!figure.labels.empty()) {
        moved.labels.assign(moved.points.size(), figure.labels.front());
    }
    return moved;
}

std::optional<DistanceLine> distanceLine(const UnitOutcome& outcome) {
    if (!outcome.plan || !outcome.plan->error.empty() || outcome.plan->rooms.empty() ||
        outcome.plan->radiusM <= 0) {
        return std::nullopt;
    }
    const PlanOutcome& p = *outcome.plan;
    bool ok = true;
    const plan::Check* worst = worstOf(p, ok);
    DistanceLine line;
    line.clause = outcome.current && outcome.current->basis == 'B' ? "5.2.2" : "5.2.1";
    line.ok = ok;
    const std::string r = std::to_string(p.radiusM) + " m";
    if (p.points.empty() || worst == nullptr || !std::isfinite(worst->worstDistance)) {
        line.text = "最大保护距离 " + r + "，平面上没有设置点";
        line.ok = false;
        return line;
    }
    line.text = "最大保护距离 " + r + "，最不利点 (" + coordinate(worst->worstAt.x) + ", " +
                coordinate(worst->worstAt.y) + ") 距最近的设置点 " +
                plan::draw::metresText(worst->worstDistance) + (ok ? " ≤ " : " > ") + r;
    if (!ok) {
        line.text += "，平面上有盲区";
    }
    return line;
}

PlanRow planRow(const UnitOutcome& outcome) {
    PlanRow row;
    row.area = outcome.areaFromPlan;
    row.points = outcome.pointsFromPlan;
    if (!outcome.plan || !outcome.plan->error.empty() || outcome.plan->rooms.empty()) {
        return row;
    }
    bool ok = true;
    const plan::Check* worst = worstOf(*outcome.plan, ok);
    if (outcome.plan->points.empty() || worst == nullptr || !std::isfinite(worst->worstDistance)) {
        row.worstDistance = kNoPointsText;
        return row;
    }
    row.worstDistance = plan::draw::metresText(worst->worstDistance);
    row.ok = ok;
    return row;
}

TypedOutline typedOutline(std::string_view text) {
    TypedOutline result;
    const std::string_view trimmed = trimmedAnswer(text);
    if (trimmed.empty()) {
        return result;  // no plan
    }
    const auto outline = plan::parseOutline(trimmed);
    if (outline.outline) {
        result.cell = std::string(trimmed);
        return result;
    }
    const auto vertices = plan::parsePoints(trimmed);
    if (!vertices.points || vertices.points->size() < 3) {
        result.error = outline.error;
        return result;
    }
    const plan::Outline typed{*vertices.points, {}};
    if (const std::string problem = plan::outlineProblem(typed); !problem.empty()) {
        result.error = problem;
        return result;
    }
    result.cell = plan::outlineText(typed);
    return result;
}

std::string pointsCell(const std::vector<plan::Point>& points) {
    return plan::pointsText(points);
}

std::string figureCaption(std::string_view unitName) {
    return std::string(unitName) + " 平面及设置点";
}

}  // namespace extcalc::building
