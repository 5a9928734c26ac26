// SPDX-License-Identifier: MIT
#include "extcalc/plan_project.h"

#include <algorithm>
#include <sstream>

#include "extcalc/answers.h"
#include "extcalc/gb18030.h"
#include "extcalc/units.h"

namespace extcalc::building {

namespace {

std::size_t columnOf(Field field) {
    const auto columns = inputColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(
        std::find_if(columns.begin(), columns.end(),
                     [field](const InputColumn& c) { return c.field == field; }) -
        columns.begin());
}

std::size_t resultOf(std::string_view key) {
    const auto columns = resultColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(
        std::find_if(columns.begin(), columns.end(),
                     [key](const ResultColumn& c) { return c.key == key; }) -
        columns.begin());
}

std::string gbkToUtf8(std::string_view bytes) {
    std::istringstream in{std::string(bytes)};
    Gb18030Decoder decoder(in);
    std::istream decoded(&decoder);
    std::ostringstream out;
    out << decoded.rdbuf();
    return decoder.failed() ? std::string(bytes) : out.str();
}

std::string unitName(const UnitCells& cells) {
    return cells.empty() ? std::string() : std::string(trimmedAnswer(cells.front()));
}

}  // namespace

std::optional<std::string> placedPoints(const UnitCells& cells, const UnitOutcome& now) {
    if (!now.plan || !now.plan->error.empty() || !now.plan->check) {
        return std::nullopt;
    }
    const std::size_t at = columnOf(Field::PointsAt);
    const bool fixed = at < cells.size() && !trimmedAnswer(cells[at]).empty();
    if (fixed && now.plan->check->ok) {
        return std::nullopt;  // points that pass stay, the designer's or placed before
    }
    // Without fixed points the evaluation has proposed them already.
    std::optional<UnitOutcome> again;
    if (fixed) {
        UnitCells proposed = cells;
        proposed[at].clear();
        again = evaluate(Standard::Gb50140_2005, proposed);
    }
    const UnitOutcome& placed = again ? *again : now;
    if (!placed.plan || placed.plan->points.empty()) {
        return std::nullopt;
    }
    return plan::pointsText(placed.plan->points);
}

ProjectPlacement placeProjectPoints(const Project& project) {
    ProjectPlacement result{project, {}, {}};
    if (project.standard != Standard::Gb50140_2005) {
        return result;
    }
    const std::size_t outline = columnOf(Field::Outline);
    const std::size_t at = columnOf(Field::PointsAt);
    const std::size_t columns = inputColumns(Standard::Gb50140_2005).size();
    for (UnitCells& cells : result.project.units) {
        cells.resize(std::max(cells.size(), columns));
        if (trimmedAnswer(cells[outline]).empty()) {
            continue;
        }
        const UnitOutcome now = evaluate(Standard::Gb50140_2005, cells);
        if (auto points = placedPoints(cells, now)) {
            if (!trimmedAnswer(cells[at]).empty() && !now.plan->placed) {
                result.replaced.push_back(unitName(cells));
            }
            cells[at] = std::move(*points);
            markPointsPlaced(Standard::Gb50140_2005, cells);
            result.placed.push_back(unitName(cells));
        }
    }
    return result;
}

RoomsImport importRoomsIntoProject(std::string_view dxfText, plan::dxf::ImportOptions options,
                                   Project base, const UnitCells* like) {
    RoomsImport result;
    if (base.standard != Standard::Gb50140_2005) {
        result.error = "平面只用于 GB 50140-2005 的计算单元；请用 --standard 2005";
        return result;
    }
    if (!options.decodeLegacy) {
        options.decodeLegacy = gbkToUtf8;
    }
    plan::dxf::Import read = plan::dxf::importRooms(dxfText, options);
    result.warnings = std::move(read.warnings);
    if (!read.error.empty()) {
        result.error = std::move(read.error);
        return result;
    }
    const std::size_t columns = inputColumns(Standard::Gb50140_2005).size();
    const std::size_t outlineColumn = columnOf(Field::Outline);
    const std::size_t atColumn = columnOf(Field::PointsAt);
    for (UnitCells& cells : base.units) {
        cells.resize(std::max(cells.size(), columns));
    }
    // Per unit, the rooms it got from this drawing and their arcs.
    std::vector<std::vector<plan::Outline>> rooms(base.units.size());
    std::vector<int> arcs(base.units.size(), 0);
    std::size_t unnamed = 0;
    std::vector<std::string> named;
    for (plan::dxf::Room& room : read.rooms) {
        std::string name = room.name;
        if (name.empty()) {
            ++unnamed;
            name = "房间 " + (room.handle.empty() ? std::to_string(unnamed) : room.handle);
            if (named.size() < 10) {
                named.push_back("“" + name + "”（第 " + std::to_string(room.line) + " 行）");
            }
        }
        const auto found =
            std::find_if(base.units.begin(), base.units.end(),
                         [&name](const UnitCells& c) { return unitName(c) == name; });
        std::size_t index = static_cast<std::size_t>(found - base.units.begin());
        if (found == base.units.end()) {
            const UnitCells* above = like;
            if (above == nullptr && !base.units.empty()) {
                above = &base.units.back();
            }
            UnitCells cells = newUnit(Standard::Gb50140_2005, above);
            cells.resize(columns);
            cells[0] = name;
            cells[columnOf(Field::Area)].clear();
            cells[columnOf(Field::Points)].clear();
            cells[atColumn].clear();
            base.units.push_back(std::move(cells));
            rooms.emplace_back();
            arcs.push_back(0);
            ++result.added;
        } else {
            ++result.joined;
        }
        rooms[index].push_back(std::move(room.outline));
        arcs[index] += room.arcs;
    }
    if (unnamed > 0) {
        std::string list;
        for (const std::string& n : named) {
            list += (list.empty() ? "" : "、") + n;
        }
        result.warnings.push_back(std::to_string(unnamed) +
                                  " 个房间的轮廓中没有文字，按轮廓的句柄命名：" + list +
                                  (unnamed > named.size() ? " 等" : ""));
    }
    for (std::size_t u = 0; u < base.units.size(); ++u) {
        if (rooms[u].empty()) {
            continue;
        }
        UnitCells& cells = base.units[u];
        cells[outlineColumn] = plan::outlinesText(rooms[u]);
        if (arcs[u] > 0) {
            const OutlineArcs fromArcs{arcs[u], plan::dxf::kArcToleranceM};
            base.outlineArcs[cells[outlineColumn]] = fromArcs;
            result.notes.push_back("“" + unitName(cells) + "”：" + outlineArcsText(fromArcs));
        }
        if (trimmedAnswer(cells[atColumn]).empty()) {
            cells[atColumn].clear();  // no points to keep: a new unit, or one given none
            continue;
        }
        // Fixed points of an earlier plan stay where the new rooms still hold them.
        const UnitPlan kept = readUnitPlan(cells[outlineColumn], "");
        const auto points = plan::parsePoints(cells[atColumn]);
        std::vector<plan::Point> inside;
        if (points.points && kept.hasPlan()) {
            std::vector<plan::Room> shapes(kept.outlines.begin(), kept.outlines.end());
            std::copy_if(points.points->begin(), points.points->end(), std::back_inserter(inside),
                         [&shapes](const plan::Point& p) {
                             return std::any_of(shapes.begin(), shapes.end(),
                                                [p](const plan::Room& r) { return r.contains(p); });
                         });
            if (inside.size() != points.points->size()) {
                result.warnings.push_back("“" + unitName(cells) +
                                          "”的设置点有的不在新的平面内，已去掉");
            }
        }
        cells[atColumn] = plan::pointsText(inside);
    }
    // Only what some unit's 平面 still says.
    for (auto i = base.outlineArcs.begin(); i != base.outlineArcs.end();) {
        const std::string& text = i->first;
        const bool held = std::any_of(base.units.begin(), base.units.end(),
                                      [&](const UnitCells& c) { return c[outlineColumn] == text; });
        i = held ? std::next(i) : base.outlineArcs.erase(i);
    }
    result.project = std::move(base);
    return result;
}

plan::dxf::DrawingSummary summarizeDrawing(std::string_view dxfText) {
    return plan::dxf::summarize(dxfText, gbkToUtf8);
}

std::string projectPointsDxf(const Project& project, double metresPerUnit,
                             std::vector<std::string>* skipped) {
    std::vector<plan::dxf::ExportPoint> points;
    const std::size_t outline = columnOf(Field::Outline);
    for (const UnitCells& cells : project.units) {
        if (project.standard != Standard::Gb50140_2005) {
            break;
        }
        if (outline >= cells.size() || trimmedAnswer(cells[outline]).empty()) {
            continue;
        }
        const UnitOutcome outcome = evaluate(project.standard, cells);
        // A unit with a plan that fails is named, whatever it fails on: its points are not
        // written, and a designer must not take the drawing for complete.
        if (outcome.failed() || !outcome.model) {
            if (skipped != nullptr) {
                skipped->push_back(unitName(cells));
            }
            continue;
        }
        if (!outcome.plan || outcome.plan->points.empty()) {
            continue;
        }
        const std::string& perPoint = outcome.results[resultOf("per_point")];
        for (std::size_t i = 0; i < outcome.plan->points.size(); ++i) {
            points.push_back(
                {outcome.plan->points[i], unitName(cells) + "-" + std::to_string(i + 1) + " " +
                                              outcome.model->label + " " + perPoint + "具"});
        }
    }
    plan::dxf::ExportOptions options;
    options.metresPerUnit = metresPerUnit;
    return plan::dxf::exportPoints(points, options);
}

}  // namespace extcalc::building
