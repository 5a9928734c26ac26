// SPDX-License-Identifier: MIT
// Points the program placed stay marked as proposed through a save, until someone edits them;
// a plan that cannot be used is the unit's one error, not a list of what it would have filled.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/plan_project.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/units.h"
#include "extcalc/workbook.h"

namespace extcalc::test {
namespace {

using building::Standard;
using building::UnitCells;

constexpr Standard k2005 = Standard::Gb50140_2005;

std::size_t column(std::string_view key) {
    const auto columns = building::inputColumns(k2005);
    return static_cast<std::size_t>(std::find_if(columns.begin(), columns.end(),
                                                 [key](const auto& c) { return c.key == key; }) -
                                    columns.begin());
}

// 中危险级 A with MF/ABC4, R = 20 m; S and N left to the plan.
UnitCells unit(std::string name, std::string outline, std::string at) {
    UnitCells cells(building::inputColumns(k2005).size());
    cells[0] = std::move(name);
    cells[column("class")] = "A";
    cells[column("hazard")] = "中危险级";
    cells[column("k")] = "1.0";
    cells[column("special")] = "否";
    cells[column("extinguisher")] = "MF/ABC4";
    cells[column("outline")] = std::move(outline);
    cells[column("points_at")] = std::move(at);
    return cells;
}

bool placed(const UnitCells& cells) {
    const auto outcome = building::evaluate(k2005, cells);
    return outcome.plan && outcome.plan->placed;
}

std::size_t occurrences(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// What the 计算书 says of each unit's points, in order.
std::vector<std::string> reportSays(const building::Project& project) {
    std::vector<std::string> said;
    const report::Document built = report::buildReport(project);
    for (const auto& block : built.blocks) {
        if (const auto* pair = std::get_if<report::KeyValue>(&block);
            pair != nullptr && pair->field.key == "平面上的设置点") {
            said.push_back(pair->field.value);
        }
    }
    return said;
}

struct Placing {
    const char* name;
    UnitCells cells;
    bool written;   // --place writes points into it
    bool replaced;  // and the points it replaces were the designer's
    bool placedAfter;
};

TEST(PlacedPoints, PlacementMarksItsPointsAndNamesTheDesignersItReplaced) {
    UnitCells stale = unit("仓库", "68x30", "17 15; 51 15");
    building::markPointsPlaced(k2005, stale);  // placed once, at a larger R, now too few
    const Placing cases[] = {
        {"no points", unit("商场", "68x30", ""), true, false, true},
        {"the designer's, failing", unit("走廊", "60x2", "1 1"), true, true, true},
        {"the designer's, passing", unit("办公室", "10x8", "5 0.25"), false, false, false},
        {"the program's, failing", stale, true, false, true},
        {"no plan", unit("机房", "", ""), false, false, false},
    };
    building::Project project;
    for (const Placing& c : cases) {
        project.units.push_back(c.cells);
    }
    const building::ProjectPlacement result = building::placeProjectPoints(project);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Placing& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string& name = c.cells[0];
        const auto has = [&name](const std::vector<std::string>& names) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        EXPECT_EQ(has(result.placed), c.written);
        EXPECT_EQ(has(result.replaced), c.replaced);
        EXPECT_EQ(placed(result.project.units[i]), c.placedAfter);
        if (!c.written) {
            EXPECT_EQ(result.project.units[i], c.cells);
        }
    }
    // The file keeps the mark and reads back the same, 程序布置 everywhere the points show.
    const std::string file = building::projectJson(result.project);
    EXPECT_EQ(occurrences(file, "\"points_placed\""), 3U);
    const auto read = building::readProject(file);
    ASSERT_TRUE(read.project) << read.error->text();
    EXPECT_EQ(*read.project, result.project);
    EXPECT_EQ(reportSays(*read.project),
              (std::vector<std::string>{"5 个，程序布置", "2 个，程序布置", "1 个，设计人员给出",
                                        "5 个，程序布置"}));
    const auto json = building::outcomeJson(
        k2005, building::evaluate(k2005, read.project->units[1]), read.project->units[1][0]);
    EXPECT_EQ(json.at("points_placed"), true);
}

TEST(PlacedPoints, AnEditMakesThemTheDesignersAndUndoingItTheProgramsAgain) {
    building::Project project;
    project.units = {unit("商场", "68x30", "")};
    project = building::placeProjectPoints(project).project;
    building::Workbook workbook(project);
    const std::string proposed = workbook.cells(0)[column("points_at")];
    ASSERT_TRUE(workbook.outcome(0).plan->placed);

    struct Step {
        const char* name;
        std::string cell;  // 设置点 as typed, dragged in the pane or put back by undo
        bool placedAfter;
    };
    const Step steps[] = {
        {"a point dragged", "0.25 9.5" + proposed.substr(proposed.find(';')), false},
        {"undo", proposed, true},
        {"typed again with blanks around, which the cell drops", " " + proposed + " ", true},
        {"all taken out", "", true},  // the program proposes them afresh
        {"typed back", proposed, true},
        {"one point typed", "34 0.25", false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        workbook.setCell(0, column("points_at"), s.cell);
        EXPECT_EQ(workbook.outcome(0).plan->placed, s.placedAfter);
        const std::string file = building::projectJson(workbook.project());
        // The key is written only while it holds; an empty cell has nothing to mark.
        EXPECT_EQ(occurrences(file, "\"points_placed\"") == 1, s.placedAfter && !s.cell.empty());
    }
}

struct FileCase {
    const char* name;
    const char* unitKeys;  // after the plan's keys
    bool opens;
    bool placedAfter;
};

TEST(PlacedPoints, TheFileSaysWhetherThePointsAreStillThePrograms) {
    const FileCase cases[] = {
        {"marked", R"("points_at": "1 1; 9 7", "points_placed": "1 1; 9 7")", true, true},
        {"edited since, by another program",
         R"("points_at": "1 1; 9 6", "points_placed": "1 1; 9 7")", true, false},
        {"version 3: no mark", R"("points_at": "1 1; 9 7")", true, false},
        {"not a text", R"("points_at": "1 1", "points_placed": true)", false, false},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string(R"({"format": "extinguisher-design", "version": 4,
              "standard": "GB 50140-2005", "units": [{"name": "办公室", "class": "A",
              "hazard": "中危险级", "k": "1.0", "special": "否", "area": "", "points": "",
              "extinguisher": "MF/ABC4", "outline": "10x8", )") +
                                 c.unitKeys + "}]}";
        const auto read = building::readProject(text);
        ASSERT_EQ(read.project.has_value(), c.opens);
        if (!c.opens) {
            EXPECT_NE(read.error->text().find("points_placed"), std::string::npos);
            continue;
        }
        EXPECT_EQ(placed(read.project->units[0]), c.placedAfter);
        const std::string saved = building::projectJson(*read.project);
        EXPECT_EQ(saved.find("points_placed") != std::string::npos, c.placedAfter);
    }
    // A GBJ140-90 unit has no plan, so no mark either.
    const auto classic = building::readProject(
        R"({"format": "extinguisher-design", "version": 4, "standard": "GBJ140-90",
            "units": [{"name": "库房", "points_placed": "1 1"}]})");
    EXPECT_FALSE(classic.project);
}

struct UnusableCase {
    const char* name;
    std::string area;
    std::string points;
    std::string outline;
    std::string at;
    const char* planError;  // part of the plan's error; nullptr: none
    bool missingArea;       // 缺少建筑面积 is said
};

TEST(PlacedPoints, AnUnusablePlanIsTheUnitsOneError) {
    const UnusableCase cases[] = {
        {"S and N left to a broken outline", "", "", "10x", "", "长x宽", false},
        {"and to points outside it", "", "", "10x10", "50 50", "不在平面之内", false},
        {"S typed, N left to it", "100", "", "10x", "", "长x宽", false},
        // Without an outline the points cannot give S: the area is missing in its own right.
        {"points without an outline", "", "1", "", "5 5", "没有平面", true},
        {"no plan at all", "", "1", "", "", nullptr, true},
    };
    for (const UnusableCase& c : cases) {
        SCOPED_TRACE(c.name);
        UnitCells cells = unit("某房间", c.outline, c.at);
        cells[column("area")] = c.area;
        cells[column("points")] = c.points;
        const auto outcome = building::evaluate(k2005, cells);
        EXPECT_TRUE(outcome.failed());
        const auto json = building::outcomeJson(k2005, outcome, "某房间");
        if (c.planError != nullptr) {
            ASSERT_TRUE(json.contains("plan_error")) << json.dump();
            EXPECT_NE(json.at("plan_error").get<std::string>().find(c.planError),
                      std::string::npos);
        } else {
            EXPECT_FALSE(json.contains("plan_error"));
        }
        EXPECT_EQ(outcome.problemText().find("缺少建筑面积") != std::string::npos, c.missingArea)
            << outcome.problemText();
        EXPECT_EQ(outcome.problemText().find("缺少设置点数"), std::string::npos);
    }
}

}  // namespace
}  // namespace extcalc::test
