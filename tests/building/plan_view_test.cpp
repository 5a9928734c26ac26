// SPDX-License-Identifier: MIT
// A unit's plan as the report, the workbook and image export show it: the figure with what
// stands at each point, the line on 5.2.1/5.2.2, and the outline as a designer types it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "extcalc/plan_project.h"
#include "extcalc/plan_view.h"
#include "extcalc/report.h"
#include "extcalc/units.h"

namespace extcalc::test {
namespace {

using building::Standard;

std::size_t column(std::string_view key) {
    const auto columns = building::inputColumns(Standard::Gb50140_2005);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) {
            return i;
        }
    }
    ADD_FAILURE() << "no column " << key;
    return 0;
}

building::UnitCells unit(const std::string& name, const std::string& fireClass,
                         const std::string& extinguisher, const std::string& outline,
                         const std::string& points) {
    building::UnitCells cells(building::inputColumns(Standard::Gb50140_2005).size());
    cells[0] = name;
    cells[column("class")] = fireClass;
    cells[column("hazard")] = "中危险级";
    cells[column("k")] = "1.0";
    cells[column("special")] = "否";
    cells[column("extinguisher")] = extinguisher;
    cells[column("outline")] = outline;
    cells[column("points_at")] = points;
    return cells;
}

struct LineCase {
    const char* name;
    building::UnitCells cells;
    bool hasPlan;
    const char* clause;
    bool ok;
    std::vector<std::string> said;  // in the line
};

TEST(PlanView, TheDistanceLineNamesClauseWorstSpotAndVerdict) {
    const LineCase cases[] = {
        {"68 x 30 with the two points of an area estimate",
         unit("商场", "A", "MF/ABC4", "68x30", "17 0.25; 51 29.75"),
         true,
         "5.2.1",
         false,
         {"最大保护距离 20 m", "最不利点 (", " > 20 m", "盲区"}},
        {"68 x 30 with points proposed along the walls",
         unit("商场", "A", "MF/ABC4", "68x30", ""),
         true,
         "5.2.1",
         true,
         {"最大保护距离 20 m", " ≤ 20 m"}},
        // Class B reads Table 5.2.2: 中危险级 hand-held 12 m.
        {"class B",
         unit("油库", "B", "MF/ABC4", "10x8", "5 0.25"),
         true,
         "5.2.2",
         true,
         {"最大保护距离 12 m", " ≤ 12 m"}},
        {"no plan", unit("办公室", "A", "MF/ABC4", "", ""), false, "", false, {}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        building::UnitCells cells = c.cells;
        if (!c.hasPlan) {
            cells[column("area")] = "100";
            cells[column("points")] = "1";
        }
        const auto outcome = building::evaluate(Standard::Gb50140_2005, cells);
        const auto line = building::distanceLine(outcome);
        const auto figure = building::planFigure(outcome);
        ASSERT_EQ(line.has_value(), c.hasPlan);
        ASSERT_EQ(figure.has_value(), c.hasPlan);
        if (!line) {
            continue;
        }
        EXPECT_EQ(line->clause, c.clause);
        EXPECT_EQ(line->ok, c.ok);
        for (const std::string& s : c.said) {
            EXPECT_NE(line->text.find(s), std::string::npos) << line->text << " / " << s;
        }
        // Every point carries the model and the count that stands there.
        ASSERT_FALSE(figure->points.empty());
        ASSERT_EQ(figure->labels.size(), figure->points.size());
        const auto& r = *outcome.current;
        const auto each = r.points == 1 ? r.total : r.perPoint;
        EXPECT_EQ(figure->labels.front(), "MF/ABC4 × " + std::to_string(each));
        EXPECT_EQ(figure->radius, r.maxDistanceM);
    }
}

// What a grid row shows from the plan: S and N only where they were left empty, exactly as the
// calculation took them, and the worst distance as the distance line states it.
TEST(PlanView, ARowShowsWhatThePlanGaveAndTheWorstDistance) {
    struct Case {
        const char* name;
        building::UnitCells cells;
        const char* area;    // typed S, or nullptr
        const char* points;  // typed N, or nullptr
        std::string shownArea;
        bool pointsFromPlan;
        bool hasWorst;
        bool ok;
    };
    const Case cases[] = {
        {"two typed points leave a 盲区",
         unit("商场", "A", "MF/ABC4", "68x30", "17 0.25; 51 29.75"), nullptr, nullptr, "2040.00",
         true, true, false},
        {"points proposed", unit("商场", "A", "MF/ABC4", "68x30", ""), nullptr, nullptr, "2040.00",
         true, true, true},
        {"S and N typed: the plan gives only the distance",
         unit("商场", "A", "MF/ABC4", "68x30", "17 0.25; 51 29.75"), "2000", "2", "", false, true,
         false},
        {"an L of two rooms",
         unit("走廊", "A", "MF/ABC4",
              "MULTIPOLYGON(((0 0, 40 0, 40 2, 0 2)), ((38 2, 40 2, 40 30, 38 30)))", ""),
         nullptr, nullptr, "136.00", true, true, true},
        // The unit fails on its plan: the plan gives nothing, N and S must then be typed.
        {"a point off the floor", unit("库房", "A", "MF/ABC4", "10x8", "50 50"), nullptr, nullptr,
         "", false, false, false},
        {"no plan", unit("办公室", "A", "MF/ABC4", "", ""), "100", "1", "", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        building::UnitCells cells = c.cells;
        if (c.area != nullptr) {
            cells[column("area")] = c.area;
        }
        if (c.points != nullptr) {
            cells[column("points")] = c.points;
        }
        const auto outcome = building::evaluate(Standard::Gb50140_2005, cells);
        const building::PlanRow row = building::planRow(outcome);
        EXPECT_EQ(row.area, c.shownArea);
        EXPECT_EQ(!row.points.empty(), c.pointsFromPlan);
        EXPECT_EQ(!row.worstDistance.empty(), c.hasWorst);
        EXPECT_EQ(row.ok, c.ok);
        if (c.pointsFromPlan && outcome.plan && outcome.plan->error.empty()) {
            // The count the calculation used, which is the number of points on the plan.
            EXPECT_EQ(row.points, std::to_string(outcome.plan->points.size()));
            ASSERT_TRUE(outcome.current);
            EXPECT_EQ(row.points, std::to_string(outcome.current->points));
        }
        if (c.hasWorst) {
            const auto line = building::distanceLine(outcome);
            ASSERT_TRUE(line);
            EXPECT_NE(line->text.find("距最近的设置点 " + row.worstDistance), std::string::npos)
                << line->text << " / " << row.worstDistance;
            EXPECT_EQ(line->ok, row.ok);
        }
    }
}

// While a point is dragged, the figure is checked again from the figure alone: it must draw
// exactly what the unit evaluated with its points there draws, reaches kept or not.
TEST(PlanView, AMovedFigureDrawsWhatTheUnitWithItsPointsThereDraws) {
    struct Case {
        const char* name;
        const char* outline;
        const char* start;
        const char* moved;
    };
    const Case cases[] = {
        {"one point of two moved, a 盲区 opens", "68x30", "17 0.25; 51 29.75", "5 0.25; 51 29.75"},
        {"a point moved round a core",
         "POLYGON((0 0, 30 0, 30 30, 0 30, 0 0), (10 10, 20 10, 20 20, 10 20, 10 10))",
         "0.25 15; 29.75 15", "15 0.25; 29.75 15"},
        {"a point moved into the other room of two",
         "MULTIPOLYGON(((0 0, 40 0, 40 2, 0 2, 0 0)), ((38 2, 40 2, 40 30, 38 30, 38 2)))",
         "10 1; 39 20", "39 5; 39 20"},
        {"nothing moved", "68x30", "17 0.25; 51 29.75", "17 0.25; 51 29.75"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = building::planFigure(building::evaluate(
            Standard::Gb50140_2005, unit("商场", "A", "MF/ABC4", c.outline, c.start)));
        const auto there = building::planFigure(building::evaluate(
            Standard::Gb50140_2005, unit("商场", "A", "MF/ABC4", c.outline, c.moved)));
        ASSERT_TRUE(start && there);
        plan::draw::Figure kept = *start;
        for (std::size_t i = 0; i < kept.points.size(); ++i) {
            const plan::Room room(kept.rooms[static_cast<std::size_t>(kept.roomOf[i])]);
            kept.reaches.emplace_back(plan::reach(room, kept.points[i], kept.radius));
        }
        const std::vector<plan::Point> points = *plan::parsePoints(c.moved).points;
        for (const plan::draw::Figure* from :
             {&*start, static_cast<const plan::draw::Figure*>(&kept)}) {
            const plan::draw::Figure moved = building::movedFigure(*from, points);
            EXPECT_EQ(moved.points, there->points);
            EXPECT_EQ(moved.roomOf, there->roomOf);
            EXPECT_EQ(moved.labels, there->labels);
            ASSERT_EQ(moved.checks.size(), there->checks.size());
            for (std::size_t r = 0; r < moved.checks.size(); ++r) {
                EXPECT_EQ(moved.checks[r].ok, there->checks[r].ok);
                EXPECT_EQ(moved.checks[r].worstDistance, there->checks[r].worstDistance);
            }
            const plan::draw::Frame frame{640, 400, 12};
            EXPECT_EQ(plan::draw::svg(plan::draw::layout(moved, frame)),
                      plan::draw::svg(plan::draw::layout(*there, frame)));
        }
        // The reaches of the points that stood still are kept, the moved point's is not.
        const plan::draw::Figure moved = building::movedFigure(kept, points);
        for (std::size_t i = 0; i < moved.points.size(); ++i) {
            const bool stood = std::find(start->points.begin(), start->points.end(),
                                         moved.points[i]) != start->points.end();
            EXPECT_EQ(moved.reaches[i].has_value(), stood) << i;
        }
    }
}

// Placing one unit from the outcome a workbook keeps writes what placing the project writes.
TEST(PlanView, PlacingAUnitFromItsOutcomeIsPlacingTheProject) {
    building::Project project;
    project.units = {unit("无平面", "A", "MF/ABC4", "", ""),
                     unit("无设置点", "A", "MF/ABC4", "68x30", ""),
                     unit("设置点满足", "A", "MF/ABC4", "10x8", "5 4"),
                     unit("设置点不满足", "A", "MF/ABC4", "68x30", "1 1"),
                     unit("设置点在平面外", "A", "MF/ABC4", "10x8", "50 50"),
                     unit("B类", "B", "MF/ABC4", "30x20", "")};
    project.units[0][column("area")] = "100";
    project.units[0][column("points")] = "1";
    const building::ProjectPlacement whole = building::placeProjectPoints(project);
    EXPECT_EQ(whole.placed.size(), 3U);
    for (std::size_t u = 0; u < project.units.size(); ++u) {
        const building::UnitCells& cells = project.units[u];
        SCOPED_TRACE(cells[0]);
        const auto one =
            building::placedPoints(cells, building::evaluate(Standard::Gb50140_2005, cells));
        const std::string& written = whole.project.units[u][column("points_at")];
        EXPECT_EQ(one.value_or(cells[column("points_at")]), written);
        EXPECT_EQ(one.has_value(),
                  std::count(whole.placed.begin(), whole.placed.end(), cells[0]) == 1);
    }
}

TEST(PlanView, TypedOutlinesBecomeCellsOrSayWhyNot) {
    struct Case {
        const char* typed;
        std::string cell;
        bool error;
    };
    const Case cases[] = {
        {"68x30", "68x30", false},
        {"  40×20 ", "40×20", false},
        {"POLYGON((0 0, 10 0, 10 10, 0 10))", "POLYGON((0 0, 10 0, 10 10, 0 10))", false},
        {"0 0; 20 0; 20 10; 10 10; 10 20; 0 20",
         plan::outlineText({{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {}}), false},
        {"", "", false},
        {"0 0; 1 1", "", true},                // two vertices are no room
        {"0 0; 10 10; 10 0; 0 10", "", true},  // the outline crosses itself
        {"长方形", "", true},
    };
    for (const Case& c : cases) {
        const auto typed = building::typedOutline(c.typed);
        EXPECT_EQ(typed.cell, c.cell) << c.typed;
        EXPECT_EQ(!typed.error.empty(), c.error) << c.typed << ": " << typed.error;
    }
}

template <typename T>
std::vector<T> blocksOf(const report::Document& d) {
    std::vector<T> out;
    for (const auto& b : d.blocks) {
        if (const auto* x = std::get_if<T>(&b)) {
            out.push_back(*x);
        }
    }
    return out;
}

TEST(PlanView, TheReportHasTheFigureAndTheCheckOfEveryUnitWithAPlan) {
    building::Project project;
    project.standard = Standard::Gb50140_2005;
    project.units = {unit("商场", "A", "MF/ABC4", "68x30", "17 0.25; 51 29.75"),
                     unit("走廊", "A", "MF/ABC4", "60x2", ""),
                     unit("办公室", "A", "MF/ABC4", "", ""),
                     // A place of several classes is checked on its plan like any other.
                     unit("厨房", "A+B", "MF/ABC4", "10x8", "")};
    project.units[2][column("area")] = "100";
    project.units[2][column("points")] = "1";
    const report::Document document = report::buildReport(project);
    const auto figures = blocksOf<report::PlanFigure>(document);
    ASSERT_EQ(figures.size(), 3u);
    EXPECT_EQ(figures[0].caption, "商场 平面及设置点");
    EXPECT_EQ(figures[1].caption, "走廊 平面及设置点");
    EXPECT_EQ(figures[2].caption, "厨房 平面及设置点");
    const auto checks = blocksOf<report::Check>(document);
    std::vector<report::Check> distance;
    std::copy_if(checks.begin(), checks.end(), std::back_inserter(distance),
                 [](const report::Check& c) { return c.text.rfind("最大保护距离", 0) == 0; });
    ASSERT_EQ(distance.size(), 3u);
    EXPECT_EQ(distance[0].status, report::Status::Fail);
    EXPECT_EQ(distance[1].status, report::Status::Pass);
    EXPECT_EQ(distance[2].status, report::Status::Pass);
    const std::string html = report::renderHtml(document);
    EXPECT_EQ(html.find("<?xml", 10), std::string::npos) << "an XML declaration inside the page";
    std::size_t svgs = 0;
    for (std::size_t at = html.find("<svg "); at != std::string::npos;
         at = html.find("<svg ", at + 1)) {
        ++svgs;
    }
    EXPECT_EQ(svgs, 3u);
}

}  // namespace
}  // namespace extcalc::test
