// SPDX-License-Identifier: MIT
// What a grid or a page shows of a unit: the labels of list items, the results with their
// units, and the answers a new unit starts with.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "extcalc/project.h"
#include "extcalc/units.h"
#include "extcalc/workbook.h"

namespace {

using extcalc::building::choiceLabel;
using extcalc::building::choices;
using extcalc::building::evaluate;
using extcalc::building::Field;
using extcalc::building::inputColumns;
using extcalc::building::newUnit;
using extcalc::building::resultColumns;
using extcalc::building::shownResult;
using extcalc::building::Standard;
using extcalc::building::UnitCells;
using extcalc::building::Workbook;

std::size_t columnOf(Standard standard, std::string_view key) {
    const auto columns = inputColumns(standard);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) {
            return i;
        }
    }
    ADD_FAILURE() << "no column " << key;
    return 0;
}

std::size_t resultOf(Standard standard, std::string_view key) {
    const auto columns = resultColumns(standard);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) {
            return i;
        }
    }
    ADD_FAILURE() << "no result " << key;
    return 0;
}

struct Label {
    Standard standard;
    const char* column;
    const char* item;
    const char* label;
};

class ChoiceLabel : public ::testing::TestWithParam<Label> {};

TEST_P(ChoiceLabel, NamesWhatTheDesignerPicksBy) {
    const Label& c = GetParam();
    EXPECT_EQ(choiceLabel(c.standard, columnOf(c.standard, c.column), c.item), c.label);
}

constexpr Standard k2005 = Standard::Gb50140_2005;
constexpr Standard k1990 = Standard::Gbj140_90;

INSTANTIATE_TEST_SUITE_P(
    Items, ChoiceLabel,
    ::testing::Values(
        // The two K items that used to read alike when cut.
        Label{k2005, "k", "设有室内消火栓系统", "设有室内消火栓系统（K=0.9）"},
        Label{k2005, "k", "设有室内消火栓系统和灭火系统", "设有室内消火栓系统和灭火系统（K=0.5）"},
        Label{k2005, "k", "未设室内消火栓系统和灭火系统", "未设室内消火栓系统和灭火系统（K=1.0）"},
        Label{k2005, "extinguisher", "MF/ABC4", "MF/ABC4 磷酸铵盐干粉 4 kg 2A/55B"},
        Label{k2005, "extinguisher", "MF/ABC10", "MF/ABC10 磷酸铵盐干粉 10 kg 6A/144B"},
        Label{k2005, "extinguisher", "MT5", "MT5 二氧化碳 5 kg 34B"},
        Label{k2005, "extinguisher", "MS/Q9", "MS/Q9 清水 9 L 2A"},
        Label{k2005, "extinguisher", "MST40", "MST40 推车式水型 45 L 4A"},
        // A model of one's own, a code not spelled as listed, a K given as its value:
        // shown as typed, so the grid never claims more than the cell holds.
        Label{k2005, "extinguisher", "3A/55B", "3A/55B"},
        Label{k2005, "extinguisher", "mf/abc4", "mf/abc4"}, Label{k2005, "k", "0.9", "0.9"},
        Label{k2005, "hazard", "中危险级", "中危险级"}, Label{k2005, "class", "E", "E"},
        // The classic lists carry K and ratings in their items already.
        Label{k1990, "k", "只有消火栓系统，K=0.7", "只有消火栓系统，K=0.7"},
        Label{k1990, "extinguisher", "磷酸铵盐干粉，4公斤，8A/具", "磷酸铵盐干粉，4公斤，8A/具"}));

// Two items of one drop-down must never look the same, and a label typed or pasted back
// into the cell must name its own item again.
TEST(ChoiceLabels, AreDistinctAndReadBack) {
    for (const Standard standard : {k2005, k1990}) {
        Workbook workbook;
        UnitCells row = newUnit(standard, nullptr);
        extcalc::building::Project project;
        project.standard = standard;
        project.units = {row};
        workbook = Workbook(project);
        for (std::size_t column = 1; column < inputColumns(standard).size(); ++column) {
            std::set<std::string> seen;
            for (const std::string& item : choices(standard, column, row)) {
                const std::string label = choiceLabel(standard, column, item);
                EXPECT_TRUE(seen.insert(label).second) << label;
                EXPECT_EQ(workbook.canonicalCell(0, column, label), item) << label;
            }
        }
    }
}

struct Shown {
    const char* name;
    UnitCells cells;
    std::vector<std::pair<const char*, const char*>> expected;  // result key, text shown
};

class ShownResult : public ::testing::TestWithParam<Shown> {};

TEST_P(ShownResult, CarriesTheUnitOfEachFigure) {
    const Shown& c = GetParam();
    const auto outcome = evaluate(k2005, c.cells);
    for (const auto& [key, text] : c.expected) {
        EXPECT_EQ(shownResult(k2005, outcome, resultOf(k2005, key)), text) << key;
    }
    // A workbook keeps no working for its units, and shows the same.
    extcalc::building::Project project;
    project.units = {c.cells};
    const Workbook workbook(project);
    for (const auto& [key, text] : c.expected) {
        EXPECT_EQ(shownResult(k2005, workbook.outcome(0), resultOf(k2005, key)), text) << key;
    }
    // The bare figures the tables and files hold stay as they were.
    EXPECT_EQ(outcome.results[resultOf(k2005, "Q_required")].find_first_not_of("0123456789"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Units, ShownResult,
    ::testing::Values(
        // 1.0 × 1500 ÷ 75 = 20; 20 ÷ 2 = 10; 2A a piece: 5 a point.
        Shown{"ClassA",
              {"大厅", "A", "", "中危险级", "1.0", "否", "1500", "2", "MF/ABC4"},
              {{"U", "75 m²/A"},
               {"Q", "20A"},
               {"Q_required", "20A"},
               {"Qe", "10A"},
               {"Qe_required", "10A"},
               {"min_rating", "2A"},
               {"per_point", "5"},
               {"total", "10"},
               {"max_distance_m", "20 m"}}},
        // E after the place's B rules: B ratings. 1.3 × 0.9 × 80 ÷ 1.0 = 93.6.
        Shown{"ClassEAsB",
              {"配电室", "E", "B", "中危险级", "0.9", "是", "80", "1", "MF/ABC4"},
              {{"U", "1.0 m²/B"},
               {"Q", "93.60B"},
               {"Q_required", "94B"},
               {"min_rating", "55B"},
               {"max_distance_m", "12 m"}}},
        // Nothing computed: nothing shown but the problem.
        Shown{"Failed",
              {"库房", "A", "", "中危险级", "1.0", "否", "-5", "1", "MF/ABC4"},
              {{"U", ""}, {"Q_required", ""}, {"total", ""}}}),
    [](const auto& row) { return std::string(row.param.name); });

struct Fresh {
    const char* name;
    Standard standard;
    std::vector<std::string> above;  // empty: the first unit
    std::string expectedName;
    bool computes;
};

class NewUnit : public ::testing::TestWithParam<Fresh> {};

TEST_P(NewUnit, StartsFromTheUnitAbove) {
    const Fresh& c = GetParam();
    const UnitCells* above = c.above.empty() ? nullptr : &c.above;
    const UnitCells cells = newUnit(c.standard, above);
    ASSERT_EQ(cells.size(), inputColumns(c.standard).size());
    EXPECT_EQ(cells[0], c.expectedName);
    const auto outcome = evaluate(c.standard, cells);
    EXPECT_EQ(outcome.failed(), !c.computes) << outcome.problemText();
    if (above == nullptr) {
        // Everything answered but the area, which only the designer knows.
        ASSERT_FALSE(outcome.faults.empty());
        for (const auto& fault : outcome.faults) {
            EXPECT_EQ(fault.field, Field::Area) << outcome.problemText();
        }
        return;
    }
    // Rows written before a column was added have no cell for it: it stays empty.
    for (std::size_t column = 1; column < cells.size(); ++column) {
        const std::string expected = column < above->size() ? (*above)[column] : std::string();
        EXPECT_EQ(cells[column], expected) << column;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewUnit,
    ::testing::Values(
        Fresh{"First2005", k2005, {}, "", false}, Fresh{"First1990", k1990, {}, "", false},
        Fresh{"Storey",
              k2005,
              {"二层 办公室", "E", "B", "严重危险级", "设有灭火系统", "否", "860", "4", "MF/ABC5"},
              "二层 ",
              true},
        Fresh{"WideSpace",
              k2005,
              {"三层\u3000库房", "A", "", "中危险级", "1.0", "否", "120", "1", "MF/ABC4"},
              "三层\u3000",
              true},
        Fresh{"NoStorey",
              k2005,
              {"档案室", "A", "", "中危险级", "1.0", "否", "120", "1", "MF/ABC4"},
              "",
              true},
        Fresh{"LeadingBlank",
              k2005,
              {" 档案室", "A", "", "中危险级", "1.0", "否", "120", "1", "MF/ABC4"},
              "",
              true},
        Fresh{"Classic",
              k1990,
              {"一层 门厅", "A", "中危险级,15m2/A", "无其他灭火系统，K=1.0", "否",
               "磷酸铵盐干粉，4公斤，8A/具", "300"},
              "一层 ",
              true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace

namespace {

struct FileNameCase {
    const char* name;
    const char* project;
    const char* file;
};

class ProposedFileName : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(ProposedFileName, IsTheProjectsNameAsEveryFileSystemTakesIt) {
    extcalc::building::ProjectInfo info;
    info.name = GetParam().project;
    EXPECT_EQ(extcalc::building::proposedFileName(info), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProposedFileName,
    ::testing::Values(FileNameCase{"Plain", "示例办公楼", "示例办公楼.exdesign"},
                      FileNameCase{"Empty", "", "未命名.exdesign"},
                      FileNameCase{"Slashes", "综合楼/二期\\东区", "综合楼_二期_东区.exdesign"},
                      FileNameCase{"Reserved", "A:B*C?\"D\"<E>|F", "A_B_C__D__E__F.exdesign"},
                      FileNameCase{"LineBreak", "一期\n二期", "一期_二期.exdesign"},
                      FileNameCase{"TrailingDotsAndBlanks", " 三号楼. . ", "三号楼.exdesign"},
                      FileNameCase{"OnlyDots", "...", "未命名.exdesign"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
