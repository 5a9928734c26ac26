// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "extcalc/unit_table.h"
#include "extcalc/workbook.h"

namespace {

using extcalc::building::Project;
using extcalc::building::readTabText;
using extcalc::building::Standard;
using extcalc::building::UnitCells;
using extcalc::building::Workbook;

// Every input column, the optional horn, basis and plan at the end too.
const UnitCells kHall{"一层 大厅", "A",    "",  "中危险级", "设有室内消火栓系统",
                      "否",        "1500", "2", "MF/ABC4",  "",
                      "",          "",     ""};
const UnitCells kSwitchRoom{"配电室", "E",    "B",  "中危险级", "设有室内消火栓系统",
                            "否",     "80",   "1",  "MT5",      "是",
                            "5.2.4",  "8x10", "4 5"};
const UnitCells kBroken{"库房", "A", "", "中危险级", "设有灭火系统", "否", "-5", "1", "MF/ABC4",
                        "",     "",  "", ""};

// Every model's total and the grand total, as text, for comparing two workbooks.
std::vector<std::string> totalsOf(const Workbook& workbook) {
    std::vector<std::string> texts;
    std::ranges::transform(workbook.totals().used(), std::back_inserter(texts), [&](const auto& m) {
        return m.label + "=" + workbook.totals().totalText(m).value_or("?");
    });
    texts.push_back("all=" + workbook.grandTotalText().value_or("?"));
    texts.push_back("failed=" + std::to_string(workbook.failedCount()));
    return texts;
}

// The totals kept edit by edit must be those of the same units computed afresh.
TEST(Workbook, TotalsKeptEditByEditMatchAFreshCount) {
    Project project;
    project.units = {kHall, kSwitchRoom, kBroken, kHall};
    Workbook workbook(project);
    const std::vector<std::function<void(Workbook&)>> edits{
        [](Workbook& w) { w.setCell(0, 6, "4200"); },
        [](Workbook& w) { w.setCell(2, 6, "90"); },   // the broken unit now computes
        [](Workbook& w) { w.setCell(1, 8, "MT7"); },  // another model
        [](Workbook& w) { w.setCell(3, 1, "Z"); },    // a class no list has: fails
        [](Workbook& w) {
            w.insert(1, {kSwitchRoom, kBroken});
        },
        [](Workbook& w) { w.move(0, 4); },
        [](Workbook& w) { w.remove(1, 2); },
        [](Workbook& w) { w.setCell(0, 4, "0.5"); },
    };
    for (std::size_t step = 0; step < edits.size(); ++step) {
        edits[step](workbook);
        EXPECT_EQ(totalsOf(workbook), totalsOf(Workbook(workbook.project()))) << "step " << step;
    }
    EXPECT_EQ(workbook.size(), 4U);
}

TEST(Workbook, StandardStaysOnceThereAreUnits) {
    Workbook empty;
    EXPECT_TRUE(empty.setStandard(Standard::Gbj140_90));
    EXPECT_EQ(empty.standard(), Standard::Gbj140_90);
    Project project;
    project.units = {kHall};
    Workbook full(project);
    EXPECT_FALSE(full.setStandard(Standard::Gbj140_90));
    EXPECT_EQ(full.standard(), Standard::Gb50140_2005);
}

struct Paste {
    const char* name;
    std::string text;
    std::size_t units;       // taken
    std::string refusalHas;  // empty: taken
};

class PastedText : public testing::TestWithParam<Paste> {};

TEST_P(PastedText, IsTakenWholeOrNotAtAll) {
    const auto& c = GetParam();
    const auto pasted = readTabText(Standard::Gb50140_2005, c.text);
    EXPECT_EQ(pasted.units.size(), c.units);
    if (c.refusalHas.empty()) {
        EXPECT_EQ(pasted.refusal, "");
    } else {
        EXPECT_NE(pasted.refusal.find(c.refusalHas), std::string::npos) << pasted.refusal;
    }
}

const std::string kGood = "大厅\tA\t\t2\t1.0\t否\t300\t1\tMF/ABC4\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, PastedText,
    testing::Values(
        Paste{"InputColumns", kGood + kGood, 2, ""},
        Paste{"WithResults",
              "大厅\tA\t\t2\t1.0\t否\t300\t1\tMF/ABC4" + std::string(10, '\t') + "\n", 1, ""},
        Paste{"QuotedCellWithTab", "\"大\t厅\"\tA\t\t2\t1.0\t否\t300\t1\tMF/ABC4", 1, ""},
        Paste{"HazardOutsideItsList", kGood + "库房\tA\t\t极高\t1.0\t否\t30\t1\tMT5\n", 0,
              "第 2 行危险等级“极高”"},
        Paste{"TooFewColumns", "大厅\tA\t2\n" + kGood, 0, "第 1 行有 3 列"},
        Paste{"Nothing", "\n", 0, "没有可粘贴的行"}),
    [](const auto& row) { return std::string(row.param.name); });

struct Block {
    const char* name;
    std::string text;
    std::vector<std::vector<std::string>> cells;  // empty: not a block, rows for readTabText
};

class PastedBlock : public testing::TestWithParam<Block> {};

// A block narrower than a unit fills cells; its empty cells keep their places.
TEST_P(PastedBlock, KeepsEveryCellInPlace) {
    const auto& c = GetParam();
    const auto block = extcalc::building::readTabBlock(Standard::Gb50140_2005, c.text);
    if (c.cells.empty()) {
        EXPECT_FALSE(block.has_value());
    } else {
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(*block, c.cells);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, PastedBlock,
    testing::Values(
        Block{"OneColumnFromASpreadsheet",
              "120\r\n95.5\r\n\r\n300\r\n",
              {{"120"}, {"95.5"}, {""}, {"300"}}},
        Block{"OneCellWithItsLineBreak", "1950\n", {{"1950"}}},
        Block{"LastCellEmpty", "1\n\n", {{"1"}, {""}}},
        Block{"TwoColumnsQuoted", "8\t\"MF/ABC4\"\n\"6\"\tMT5\n", {{"8", "MF/ABC4"}, {"6", "MT5"}}},
        Block{"ACellWithALineBreakInQuotes", "\"一层\n大厅\"\n库房", {{"一层\n大厅"}, {"库房"}}},
        Block{"AsWideAsAUnitIsRows", kGood, {}},
        Block{"OneWideRowAmongNarrowOnes", "1\n" + kGood, {}}, Block{"Nothing", "", {}}),
    [](const auto& row) { return std::string(row.param.name); });

// A grid refuses what the project's file would refuse on opening, and names it.
TEST(Workbook, ListRefusalNamesTheColumnTheTextAndTheStandard) {
    const struct {
        Standard standard;
        std::size_t column;
        const char* text;
        const char* refusal;
    } cases[] = {
        {Standard::Gb50140_2005, 3, "300", "危险等级“300”不在GB 50140-2005的列表中"},
        {Standard::Gb50140_2005, 3, "2", ""},
        {Standard::Gb50140_2005, 1, " b+a ", ""},
        {Standard::Gb50140_2005, 1, "Q", "火灾类别“Q”不在GB 50140-2005的列表中"},
        {Standard::Gb50140_2005, 4, "", ""},
        {Standard::Gb50140_2005, 6, "abc", ""},  // a typed column: its fault is the unit's
        {Standard::Gb50140_2005, 8, "MF4", ""},  // a model of one's own
        {Standard::Gbj140_90, 1, "E", "火灾类别“E”不在GBJ140-90的列表中"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(extcalc::building::listRefusal(c.standard, c.column, c.text), c.refusal)
            << c.column << " " << c.text;
    }
}

TEST(Workbook, CopiedRowsPasteBackAsTheyWere) {
    Project project;
    project.units = {kHall,
                     kSwitchRoom,
                     {"带\"引号\"的\t名称", "A", "", "中危险级", "设有灭火系统", "否", "10", "1",
                      "MT5", "", "附录D\t第3项", "", ""}};
    const Workbook workbook(project);
    for (const bool withResults : {false, true}) {
        const auto pasted =
            readTabText(Standard::Gb50140_2005, tabText(workbook, {0, 1, 2}, withResults));
        EXPECT_EQ(pasted.units, project.units) << pasted.refusal;
    }
}

TEST(Workbook, ExportedTableImportsAsTheSameUnits) {
    for (const Standard standard : {Standard::Gb50140_2005, Standard::Gbj140_90}) {
        Project project;
        project.standard = standard;
        project.units =
            standard == Standard::Gbj140_90
                ? std::vector<UnitCells>{{"大厅", "A", "中危险级,15m2/A", "只有消火栓系统，K=0.7",
                                          "否", "磷酸铵盐干粉，4公斤，8A/具", "300", ""}}
                : std::vector<UnitCells>{kHall, kSwitchRoom, kBroken};
        std::stringstream csv;
        writeResultCsv(csv, Workbook(project));
        EXPECT_EQ(csv.str().rfind("\xEF\xBB\xBF名称,", 0), 0U);
        EXPECT_NE(csv.str().find("合计,"), std::string::npos);
        std::vector<std::string> unused{"left from before"};
        const auto read = extcalc::building::readTableAsProject(csv, standard, &unused);
        ASSERT_TRUE(read.project) << read.error->text();
        EXPECT_EQ(read.project->units, project.units);
        EXPECT_EQ(unused, std::vector<std::string>{}) << "the results are no columns of its own";
    }
}

// Columns a project has no place for are named, so that the one who imports knows what
// stayed behind; results of an earlier run and unnamed trailing columns are not.
TEST(Workbook, ImportedTableNamesTheColumnsLeftBehind) {
    const struct {
        const char* header;
        std::vector<std::string> unused;
    } cases[] = {
        {"名称,备注,火灾类别,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器,图号",
         {"备注", "图号"}},
        {"name,class,hazard,k,special,area,points,extinguisher,合计具数,Note,,", {"Note"}},
        {"名称,火灾类别,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器", {}},
    };
    for (const auto& c : cases) {
        std::stringstream csv(std::string(c.header) + "\n");
        std::vector<std::string> unused;
        const auto read =
            extcalc::building::readTableAsProject(csv, Standard::Gb50140_2005, &unused);
        ASSERT_TRUE(read.project) << c.header << ": " << read.error->text();
        EXPECT_EQ(unused, c.unused) << c.header;
    }
}

}  // namespace

namespace {

// Arcs a drawing gave to 平面 texts go with the text: the unit that holds it has them in the
// file, however it got it, and an entry no unit holds is not written.
TEST(Workbook, ArcsOfADrawingGoWithTheOutlineTextTheyWereReadInto) {
    Project project;
    auto unit = extcalc::building::newUnit(Standard::Gb50140_2005, nullptr);
    unit[0] = "大厅";
    const auto outline = extcalc::building::inputColumns(Standard::Gb50140_2005).size() - 2;
    unit[outline] = "POLYGON((0 0, 20 0, 20 10, 0 10, 0 0))";
    project.units = {unit};
    Workbook book(project);
    book.addOutlineArcs({{unit[outline], {2, 0.01}}, {"POLYGON((0 0, 1 0, 1 1, 0 0))", {1, 0.01}}});
    const std::string text = extcalc::building::projectJson(book.project());
    EXPECT_NE(text.find("\"outline_arcs\""), std::string::npos) << text;
    EXPECT_EQ(text.find("\"outline_arcs\""), text.rfind("\"outline_arcs\""));
    // The same 平面 typed into a unit added later has them too; a 平面 typed anew has none.
    auto copy = unit;
    copy[0] = "大厅二";
    book.insert(1, {copy});
    book.setCell(0, outline, "20x10");
    const auto again =
        extcalc::building::readProject(extcalc::building::projectJson(book.project()));
    ASSERT_TRUE(again.project);
    EXPECT_FALSE(extcalc::building::outlineArcsOf(*again.project, again.project->units[0]));
    const auto arcs = extcalc::building::outlineArcsOf(*again.project, again.project->units[1]);
    ASSERT_TRUE(arcs);
    EXPECT_EQ(arcs->count, 2);
}

}  // namespace
