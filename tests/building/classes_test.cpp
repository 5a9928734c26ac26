// SPDX-License-Identifier: MIT
// Units of several fire classes as the building library sees them: the class cell, the grid's
// results, the text and JSON of a unit, tables and project files.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/project.h"
#include "extcalc/unit_table.h"
#include "extcalc/units.h"

namespace {

using namespace extcalc::building;
constexpr Standard k2005 = Standard::Gb50140_2005;
constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

std::size_t columnOf(std::string_view key) {
    const auto columns = inputColumns(k2005);
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [key](const InputColumn& c) { return c.key == key; });
    EXPECT_NE(found, columns.end()) << key;
    return static_cast<std::size_t>(found - columns.begin());
}

std::size_t resultOf(std::string_view key) {
    const auto columns = resultColumns(k2005);
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [key](const ResultColumn& c) { return c.key == key; });
    return static_cast<std::size_t>(found - columns.begin());
}

UnitCells unit(std::vector<std::string> first) {
    UnitCells cells(inputColumns(k2005).size());
    std::copy(first.begin(), first.end(), cells.begin());
    return cells;
}

// ---- The class cell ------------------------------------------------------------------------

struct CellCase {
    const char *name, *typed, *canonical;  // canonical nullptr: not a class answer
};
void PrintTo(const CellCase& c, std::ostream* os) {
    *os << c.name;
}
class ClassCell : public testing::TestWithParam<CellCase> {};

TEST_P(ClassCell, FitsAndReadsTheSame) {
    const auto& c = GetParam();
    const std::size_t column = columnOf("class");
    EXPECT_EQ(fitsItsList(k2005, column, c.typed), c.canonical != nullptr);
    if (c.canonical != nullptr) {
        EXPECT_EQ(canonical(k2005, column, c.typed, {}), c.canonical);
        // Picked in the list and written back, it is the same cell.
        EXPECT_EQ(pickedText(k2005, column, pickedItems(k2005, column, c.typed)), c.canonical);
    } else {
        EXPECT_TRUE(pickedItems(k2005, column, c.typed).empty());
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Building, ClassCell, testing::Values(
    CellCase{"One", "b", "B"},
    CellCase{"Two", "A+B", "A+B"},
    CellCase{"Reversed", "B+A", "A+B"},
    CellCase{"Lower", "a+e", "A+E"},
    CellCase{"FullWidthPlus", "B＋C", "B+C"},
    CellCase{"Spaced", " C + B ", "B+C"},
    CellCase{"Repeated", "A+a", nullptr},
    CellCase{"Comma", "A,B", nullptr},
    CellCase{"Dangling", "A+", nullptr}),
    byName);
// clang-format on

TEST(ClassCell, OnlyThe2005ClassColumnTakesSeveral) {
    const auto columns = inputColumns(k2005);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(takesSeveral(k2005, i), columns[i].key == "class") << columns[i].key;
    }
    for (std::size_t i = 0; i < inputColumns(Standard::Gbj140_90).size(); ++i) {
        EXPECT_FALSE(takesSeveral(Standard::Gbj140_90, i));
    }
    EXPECT_FALSE(fitsItsList(Standard::Gbj140_90, 1, "A+B"));
}

// ---- A unit's results ----------------------------------------------------------------------

struct RowCase {
    const char* name;
    std::vector<std::string> cells;  // name, class, e_basis, hazard, k, special, area, points, ext
    const char *q, *qShown, *qeShown, *minShown, *uShown, *perPoint, *total, *distance;
    bool failed;
    double count;
};
void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.name;
}
class SeveralRow : public testing::TestWithParam<RowCase> {};

TEST_P(SeveralRow, ResultsAsTheGridShowsThem) {
    const auto& c = GetParam();
    const UnitOutcome outcome = evaluate(k2005, unit(c.cells));
    EXPECT_EQ(outcome.results[resultOf("Q")], c.q);
    EXPECT_EQ(shownResult(k2005, outcome, resultOf("Q_required")), c.qShown);
    EXPECT_EQ(shownResult(k2005, outcome, resultOf("Qe_required")), c.qeShown);
    EXPECT_EQ(shownResult(k2005, outcome, resultOf("min_rating")), c.minShown);
    EXPECT_EQ(shownResult(k2005, outcome, resultOf("U")), c.uShown);
    EXPECT_EQ(outcome.results[resultOf("per_point")], c.perPoint);
    EXPECT_EQ(outcome.results[resultOf("total")], c.total);
    EXPECT_EQ(shownResult(k2005, outcome, resultOf("max_distance_m")), c.distance);
    EXPECT_EQ(outcome.failed(), c.failed) << outcome.problemText();
    EXPECT_EQ(outcome.count, c.count);
    EXPECT_EQ(outcome.model.has_value(), c.count > 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Building, SeveralRow, testing::Values(
    RowCase{"OrdinaryAB", {"库房", "A+B", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"},
            "2.67/200", "3A/200B", "2A/100B", "2A/55B", "75 m²/A；1.0 m²/B", "2", "4", "12 m",
            false, 4},
    RowCase{"BcPowderNotForA", {"库房", "B+A", "", "2", "1", "否", "200", "2", "MF4"},
            "2.67/200", "3A/200B", "2A/100B", "2A/55B", "75 m²/A；1.0 m²/B", "", "", "12 m",
            true, 0},
    RowCase{"SevereBelowMinimums", {"", "A+B", "", "严重危险级", "1", "否", "200", "2", "MF/ABC4"},
            "4/400", "4A/400B", "2A/200B", "3A/89B", "50 m²/A；0.5 m²/B", "4", "8", "9 m",
            true, 0},
    RowCase{"ComputerRoomOnB", {"机房", "A+E", "B", "中危险级", "0.9", "否", "100", "1", "MF/ABC4"},
            "1.20/90", "2A/90B", "2A/90B", "2A/55B", "75 m²/A；1.0 m²/B", "2", "2", "12 m",
            false, 2},
    RowCase{"MetalWithSolids", {"", "A+D", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"},
            "", "", "", "", "", "", "", "", true, 0}),
    byName);
// clang-format on

TEST(SeveralRow, EBasisAskedOnlyWithE) {
    const UnitOutcome missing =
        evaluate(k2005, unit({"", "A+E", "", "中危险级", "1", "否", "100", "1", "MF/ABC4"}));
    EXPECT_FALSE(missing.faults.empty());
    const UnitOutcome stray =
        evaluate(k2005, unit({"", "A+B", "B", "中危险级", "1", "否", "100", "1", "MF/ABC4"}));
    EXPECT_FALSE(stray.faults.empty());
}

// ---- Text and JSON -------------------------------------------------------------------------

TEST(SeveralOutput, JsonHasEveryClassAndTheDecidingOne) {
    const UnitOutcome outcome =
        evaluate(k2005, unit({"库房", "A+B", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"}));
    const auto json = outcomeJson(k2005, outcome, "库房");
    EXPECT_EQ(json["class"], "A+B");
    EXPECT_EQ(json["deciding_class"], "B");
    EXPECT_EQ(json["total"], 4);
    EXPECT_EQ(json["per_point"], 2);
    EXPECT_TRUE(json["Q"].is_null());
    EXPECT_TRUE(json["rating"].is_null());
    ASSERT_EQ(json["classes"].size(), 2U);
    const auto& a = json["classes"][0];
    const auto& b = json["classes"][1];
    EXPECT_EQ(a["class"], "A");
    EXPECT_NEAR(a["Q"].get<double>(), 200.0 / 75.0, 1e-12);
    EXPECT_EQ(a["Q_required"], 3);
    EXPECT_EQ(a["Qe_required"], 2);
    EXPECT_EQ(a["min_rating"], 2);
    EXPECT_EQ(a["rating"], 2);
    EXPECT_EQ(a["per_point"], 1);
    EXPECT_EQ(b["class"], "B");
    EXPECT_EQ(b["U"], 1.0);
    EXPECT_EQ(b["Q_required"], 200);
    EXPECT_EQ(b["Qe"], 100);
    EXPECT_EQ(b["rating"], 55);
    EXPECT_EQ(b["per_point"], 2);
    for (const char* key : {"class", "U", "Q", "Q_required", "Qe", "Qe_required", "min_rating",
                            "rating", "per_point"}) {
        EXPECT_TRUE(a.contains(key)) << key;
    }
}

TEST(SeveralOutput, SingleClassKeysUnchanged) {
    const UnitOutcome outcome =
        evaluate(k2005, unit({"库房", "A", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"}));
    const auto json = outcomeJson(k2005, outcome, "库房");
    std::vector<std::string> keys;
    const auto items = json.items();
    std::transform(items.begin(), items.end(), std::back_inserter(keys),
                   [](const auto& item) { return item.key(); });
    const std::vector<std::string> expected{
        "K",         "Q",          "Q_required",     "Qe",         "Qe_required",
        "S",         "U",          "basis",          "class",      "factor",
        "formula_Q", "formula_Qe", "max_distance_m", "min_rating", "model",
        "name",      "per_point",  "points",         "problems",   "rating",
        "standard",  "total",      "wheeled"};
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, expected);
}

TEST(SeveralOutput, TextShowsEachClassAndWhichDecides) {
    const UnitOutcome outcome =
        evaluate(k2005, unit({"库房", "B+A", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"}));
    const std::string text = outcomeText(k2005, outcome, "库房");
    for (const char* line : {"火灾种类：A+B（A类 固体物质火灾；B类 液体火灾或可熔化固体物质火灾）",
                             "计算单元最小需配灭火级别：QA = 1.0 × 200 ÷ 75 = 2.67，取 3A",
                             "设置点最小需配灭火级别：QeB = QB ÷ N = 200 ÷ 2 = 100，取 100B",
                             "每个设置点灭火器数：nB = QeB ÷ RB = 100 ÷ 55 = 1.82，取 2 具",
                             "每个设置点灭火器数：取各类中最多者，由B类确定，取 2 具",
                             "计算单元灭火器总数：2 × 2 = 4 具"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    // The unit's count is said once.
    EXPECT_EQ(text.find("计算单元灭火器总数"), text.rfind("计算单元灭火器总数"));
}

// ---- Tables and files ----------------------------------------------------------------------

TEST(SeveralFiles, TableWithSeveralClasses) {
    std::istringstream table(
        "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
        "厨房,b＋a,,中危险级,1,否,200,2,MF/ABC4\n"
        "机房,A+E,B,中危险级,0.9,否,100,1,MF/ABC4\n");
    const ProjectRead read = readTableAsProject(table, k2005);
    ASSERT_TRUE(read.project) << read.error->text();
    ASSERT_EQ(read.project->units.size(), 2U);
    EXPECT_EQ(read.project->units[0][columnOf("class")], "A+B");
    EXPECT_EQ(evaluate(k2005, read.project->units[0]).results[resultOf("total")], "4");
    EXPECT_EQ(evaluate(k2005, read.project->units[1]).results[resultOf("total")], "2");

    std::istringstream repeated(
        "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
        "厨房,A+A,,中危险级,1,否,200,2,MF/ABC4\n");
    EXPECT_FALSE(readTableAsProject(repeated, k2005).project);
}

const char* const kVersion1 = R"({"format": "extinguisher-design", "version": 1,
  "standard": "GB 50140-2005", "project": {"name": "某库房"},
  "units": [{"name": "库房", "class": "A", "e_basis": "", "hazard": "中危险级",
             "k": "未设室内消火栓系统和灭火系统", "special": "否", "area": "200",
             "points": "2", "extinguisher": "MF/ABC4"}]})";
const char* const kVersion2 = R"({"format": "extinguisher-design", "version": 2,
  "standard": "GB 50140-2005", "project": {"name": "某库房", "number": "2026-01"},
  "units": [{"name": "配电室", "class": "E", "e_basis": "B", "hazard": "中危险级",
             "k": "未设室内消火栓系统和灭火系统", "special": "否", "area": "80",
             "points": "1", "extinguisher": "MT7", "nonmetal_horn": "是",
             "hazard_basis": "5.2.4"}]})";
const char* const kVersion3 = R"({"format": "extinguisher-design", "version": 3,
  "standard": "GB 50140-2005", "project": {"name": "某厨房"},
  "units": [{"name": "厨房", "class": "A+B", "e_basis": "", "hazard": "中危险级",
             "k": "未设室内消火栓系统和灭火系统", "special": "否", "area": "200",
             "points": "2", "extinguisher": "MF/ABC4"}]})";

struct FileCase {
    const char *name, *text, *classCell, *total;
};
void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}
class FileVersions : public testing::TestWithParam<FileCase> {};

TEST_P(FileVersions, ReadWrittenAndReadBack) {
    const auto& c = GetParam();
    const ProjectRead read = readProject(c.text);
    ASSERT_TRUE(read.project) << read.error->text();
    const UnitCells& cells = read.project->units.at(0);
    EXPECT_EQ(cells[columnOf("class")], c.classCell);
    EXPECT_EQ(evaluate(k2005, cells).results[resultOf("total")], c.total);
    const std::string written = projectJson(*read.project);
    EXPECT_NE(written.find("\"version\": " + std::to_string(extcalc::building::kProjectVersion)),
              std::string::npos);
    const ProjectRead again = readProject(written);
    ASSERT_TRUE(again.project);
    EXPECT_EQ(*again.project, *read.project);
}

INSTANTIATE_TEST_SUITE_P(Building, FileVersions,
                         testing::Values(FileCase{"Version1", kVersion1, "A", "2"},
                                         FileCase{"Version2", kVersion2, "E", "2"},
                                         FileCase{"Version3", kVersion3, "A+B", "4"}),
                         byName);

}  // namespace
