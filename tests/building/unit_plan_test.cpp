// SPDX-License-Identifier: MIT
// Units of 2005 with their plan: what 平面 and 设置点 do to S, N and the check, and projects
// of every format version holding them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/project.h"
#include "extcalc/units.h"

namespace {

using extcalc::building::evaluate;
using extcalc::building::inputColumns;
using extcalc::building::readProject;
using extcalc::building::Standard;
using extcalc::building::UnitCells;
using extcalc::building::UnitOutcome;

std::size_t column(std::string_view key) {
    const auto columns = inputColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(std::find_if(columns.begin(), columns.end(),
                                                 [key](const auto& c) { return c.key == key; }) -
                                    columns.begin());
}

// 中危险级 A with MF/ABC4: R = 20 m.
UnitCells shop(std::string area, std::string points, std::string outline, std::string at) {
    UnitCells cells(inputColumns(Standard::Gb50140_2005).size());
    cells[0] = "商场";
    cells[column("class")] = "A";
    cells[column("hazard")] = "中危险级";
    cells[column("k")] = "1.0";
    cells[column("special")] = "否";
    cells[column("extinguisher")] = "MF/ABC4";
    cells[column("area")] = std::move(area);
    cells[column("points")] = std::move(points);
    cells[column("outline")] = std::move(outline);
    cells[column("points_at")] = std::move(at);
    return cells;
}

std::size_t resultColumn(std::string_view key) {
    const auto columns = extcalc::building::resultColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(std::find_if(columns.begin(), columns.end(),
                                                 [key](const auto& c) { return c.key == key; }) -
                                    columns.begin());
}

bool says(const UnitOutcome& outcome, std::string_view words) {
    return outcome.problemText().find(words) != std::string::npos;
}

struct PlanCase {
    const char* name;
    UnitCells cells;
    bool failed;  // an error: a plan that cannot be used, or a spot beyond R
    bool distanceOk;
    std::size_t points;   // on the plan
    std::string n;        // 设置点数 the calculation used: the per_point × N behind total
    const char* warning;  // part of a warning, or nullptr for none
};

TEST(UnitPlan, ThePlanFillsWhatTheDesignerLeftEmptyAndChecksTheRest) {
    const PlanCase cases[] = {
        // The two points an area estimate gives leave the corners 22.67 m away.
        {"estimate fixed", shop("2040", "", "68x30", "17 15; 51 15"), true, false, 2, "2",
         "22.67 m"},
        // No points: proposed along the walls, and their count is N.
        {"placed", shop("2040", "", "68x30", ""), false, true, 5, "5", nullptr},
        // The designer's N stands, and the points on the plan that differ say so.
        {"N fixed", shop("2040", "2", "68x30", ""), false, true, 5, "2", "设置点数 2"},
        // S left empty: the rooms' area.
        {"S from the plan", shop("", "", "68x30", "17 15; 51 15"), true, false, 2, "2", "22.67 m"},
        {"S differs", shop("2000", "2", "68x30", "17 15; 51 15"), true, false, 2, "2",
         "相差超过 1%"},
        // Two rooms: each needs its own point; one without fails.
        {"two rooms, one empty",
         shop("", "",
              "MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((20 0, 30 0, 30 10, 20 10, 20 0)))",
              "5 5"),
         true, false, 1, "1", "没有设置点"},
        {"two rooms placed",
         shop("", "",
              "MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((20 0, 30 0, 30 10, 20 10, 20 0)))",
              ""),
         false, true, 2, "2", nullptr},
        {"point outside", shop("100", "1", "10x10", "50 50"), true, false, 0, "1", "不在平面之内"},
        {"bad outline", shop("100", "1", "10x", ""), true, false, 0, "1", "长x宽"},
        {"overlapping rooms",
         shop("100", "1",
              "MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((5 0, 15 0, 15 10, 5 10, 5 0)))", ""),
         true, false, 0, "1", "重叠"},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const UnitOutcome outcome = evaluate(Standard::Gb50140_2005, c.cells);
        EXPECT_EQ(outcome.failed(), c.failed) << outcome.problemText();
        ASSERT_TRUE(outcome.plan.has_value());
        // A spot beyond R is an error of the unit (5.2.1/5.2.2 are mandatory), yet its plan and
        // figures are all there; only a plan that cannot be used has none.
        if (c.distanceOk || c.points > 0) {
            ASSERT_TRUE(outcome.plan->check.has_value());
            EXPECT_EQ(outcome.plan->check->ok, c.distanceOk);
            EXPECT_EQ(outcome.plan->points.size(), c.points);
            EXPECT_EQ(outcome.plan->roomOf.size(), c.points);
            ASSERT_TRUE(outcome.unit.has_value());
            EXPECT_EQ(std::to_string(outcome.unit->points), c.n);
            // The unit's total is N times the count per point.
            EXPECT_EQ(outcome.results[resultColumn("total")],
                      std::to_string(std::stoll(outcome.results[resultColumn("per_point")]) *
                                     std::stoll(c.n)));
        }
        if (c.warning != nullptr) {
            EXPECT_TRUE(says(outcome, c.warning)) << outcome.problemText();
        } else {
            EXPECT_FALSE(outcome.hasWarnings() && !outcome.plan->warnings.empty())
                << outcome.problemText();
        }
    }
}

TEST(UnitPlan, AreaReadOffThePlanIsTheRoomsLessTheirHoles) {
    const UnitOutcome outcome = evaluate(
        Standard::Gb50140_2005,
        shop("", "", "POLYGON((0 0, 30 0, 30 30, 0 30, 0 0), (10 10, 20 10, 20 20, 10 20, 10 10))",
             ""));
    ASSERT_TRUE(outcome.unit.has_value()) << outcome.problemText();
    EXPECT_EQ(outcome.unit->areaMillionths, 800'000'000);
}

TEST(UnitPlan, JsonCarriesThePlanKeys) {
    const UnitOutcome outcome =
        evaluate(Standard::Gb50140_2005, shop("2040", "", "68x30", "17 15; 51 15"));
    const auto json = extcalc::building::outcomeJson(Standard::Gb50140_2005, outcome, "商场");
    EXPECT_EQ(json.at("worst_distance_m"), 22.67);
    EXPECT_EQ(json.at("distance_ok"), false);
    EXPECT_EQ(json.at("points_placed"), false);
    EXPECT_EQ(json.at("points_at").size(), 2U);
}

// A unit without a plan computes exactly as before the plan existed.
TEST(UnitPlan, UnitsWithoutAPlanAreUntouched) {
    const UnitOutcome outcome = evaluate(Standard::Gb50140_2005, shop("2040", "2", "", ""));
    EXPECT_FALSE(outcome.plan.has_value());
    EXPECT_FALSE(outcome.failed());
    const UnitOutcome noN = evaluate(Standard::Gb50140_2005, shop("2040", "", "", ""));
    EXPECT_TRUE(noN.failed());  // N is asked for when no plan gives it
    EXPECT_TRUE(says(noN, "设置点数"));
}

const char* const kVersion2 = R"({
  "format": "extinguisher-design",
  "version": 2,
  "standard": "GB 50140-2005",
  "project": {"name": "某商场"},
  "units": [
    {"name": "商场", "class": "A", "e_basis": "", "hazard": "中危险级",
     "k": "未设室内消火栓系统和灭火系统", "special": "否", "area": "2040", "points": "2",
     "extinguisher": "MF/ABC4", "nonmetal_horn": "", "hazard_basis": "附录D"}
  ]
})";

TEST(ProjectPlan, Version2OpensUnchangedAndSavesAsTheCurrentVersionWithThePlan) {
    const auto read = readProject(kVersion2);
    ASSERT_TRUE(read.project) << read.error->text();
    const UnitCells& cells = read.project->units.at(0);
    EXPECT_EQ(cells.at(column("outline")), "");
    EXPECT_EQ(cells.at(column("points_at")), "");
    const UnitOutcome outcome = evaluate(Standard::Gb50140_2005, cells);
    EXPECT_FALSE(outcome.plan.has_value());
    EXPECT_EQ(outcome.unit->points, 2);

    auto project = *read.project;
    project.units[0][column("outline")] = "68x30";
    project.units[0][column("points_at")] = "17 15; 51 15";
    const std::string json = extcalc::building::projectJson(project);
    EXPECT_NE(json.find("\"version\": " + std::to_string(extcalc::building::kProjectVersion)),
              std::string::npos);
    EXPECT_NE(json.find("\"outline\": \"68x30\""), std::string::npos);
    EXPECT_NE(json.find("\"points_at\": \"17 15; 51 15\""), std::string::npos);
    const auto again = readProject(json);
    ASSERT_TRUE(again.project);
    EXPECT_EQ(*again.project, project);
}

TEST(ProjectPlan, AClassicProjectHasNoPlanColumns) {
    const auto read = readProject(
        R"({"format": "extinguisher-design", "version": 3, "standard": "GBJ140-90",
            "units": [{"outline": "10x10"}]})");
    ASSERT_FALSE(read.project);
    EXPECT_NE(read.error->problem.find("未知的项“outline”"), std::string::npos);
}

}  // namespace
