// SPDX-License-Identifier: MIT
// The project's particulars and the answers a unit gained after the first file format:
// the CO₂ horn, the basis of the hazard level, and files of format version 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "extcalc/project.h"
#include "extcalc/units.h"
#include "extcalc/workbook.h"

namespace {

using namespace extcalc::building;
namespace gb = extcalc::gb50140;

std::size_t columnOf(Standard standard, std::string_view key) {
    const auto columns = inputColumns(standard);
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [key](const InputColumn& c) { return c.key == key; });
    EXPECT_NE(found, columns.end()) << key;
    return static_cast<std::size_t>(found - columns.begin());
}

// A 2005 unit with the optional answers at their keys.
UnitCells unit2005(std::vector<std::string> first, std::string horn = {}, std::string basis = {}) {
    UnitCells cells(inputColumns(Standard::Gb50140_2005).size());
    std::copy(first.begin(), first.end(), cells.begin());
    cells[columnOf(Standard::Gb50140_2005, "nonmetal_horn")] = std::move(horn);
    cells[columnOf(Standard::Gb50140_2005, "hazard_basis")] = std::move(basis);
    return cells;
}

bool hasProblem(const UnitOutcome& outcome, gb::ProblemCode code, gb::Severity severity) {
    return std::any_of(outcome.problems.begin(), outcome.problems.end(), [&](const gb::Problem& p) {
        return p.code == code && p.severity == severity;
    });
}

// ---- The CO₂ horn (4.2) -------------------------------------------------------------------

struct HornCase {
    const char* name;
    std::vector<std::string> unit;
    std::string horn;
    bool warns;    // the 4.2 warning about metal horns
    bool fails;    // an error: not installed, out of the totals
    bool faulted;  // the answer itself cannot be used
    double count;  // what the unit adds to the totals (0 when not counted)
};

class Horn : public testing::TestWithParam<HornCase> {};

TEST_P(Horn, StatedNonMetalClearsTheWarningAndMetalIsAnError) {
    const auto& c = GetParam();
    const UnitOutcome outcome = evaluate(Standard::Gb50140_2005, unit2005(c.unit, c.horn));
    EXPECT_EQ(hasProblem(outcome, gb::ProblemCode::CarbonDioxideForE, gb::Severity::Warning),
              c.warns)
        << outcome.problemText();
    EXPECT_EQ(outcome.failed(), c.fails) << outcome.problemText();
    EXPECT_EQ(!outcome.faults.empty(), c.faulted) << outcome.problemText();
    EXPECT_EQ(outcome.model.has_value() ? outcome.count : 0.0, c.count);
}

// 80 m² of class E after B, 中危险级, K 1.0: Q = 80 ÷ 1.0 = 80B; MT7 (55B), one point: 2.
const std::vector<std::string> kSwitchRoom{"配电室", "E",  "B", "中危险级", "1",
                                           "否",     "80", "1", "MT7"};

INSTANTIATE_TEST_SUITE_P(
    Units, Horn,
    testing::Values(HornCase{"Unstated", kSwitchRoom, "", true, false, false, 2},
                    HornCase{"NonMetal", kSwitchRoom, "是", false, false, false, 2},
                    HornCase{"NonMetalInEnglish", kSwitchRoom, "yes", false, false, false, 2},
                    HornCase{"Metal", kSwitchRoom, "否", false, true, false, 0},
                    HornCase{"NotAnAnswer", kSwitchRoom, "塑料", false, true, true, 0},
                    // Outside class E or with another agent the horn is not weighed at all.
                    HornCase{"MetalInClassB",
                             {"油库", "B", "", "中危险级", "1", "否", "80", "1", "MT7"},
                             "否",
                             false,
                             false,
                             false,
                             2},
                    HornCase{"PowderInClassE",
                             {"配电室", "E", "B", "中危险级", "1", "否", "80", "1", "MF/ABC4"},
                             "否",
                             false,
                             false,
                             false,
                             2}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(HornColumn, OffersYesAndNoAndReadsEitherLanguage) {
    const std::size_t horn = columnOf(Standard::Gb50140_2005, "nonmetal_horn");
    EXPECT_EQ(choices(Standard::Gb50140_2005, horn, {}), (std::vector<std::string>{"是", "否"}));
    EXPECT_EQ(canonical(Standard::Gb50140_2005, horn, " yes ", {}), "是");
    EXPECT_EQ(canonical(Standard::Gb50140_2005, horn, "no", {}), "否");
    EXPECT_TRUE(fitsItsList(Standard::Gb50140_2005, horn, ""));
    EXPECT_FALSE(fitsItsList(Standard::Gb50140_2005, horn, "塑料"));
    EXPECT_TRUE(inputColumns(Standard::Gb50140_2005)[horn].optional);
}

// ---- The basis of the hazard level --------------------------------------------------------

TEST(HazardBasis, IsTextThatNoCalculationReads) {
    for (const Standard standard : {Standard::Gb50140_2005, Standard::Gbj140_90}) {
        const std::size_t basis = columnOf(standard, "hazard_basis");
        const auto& column = inputColumns(standard)[basis];
        EXPECT_EQ(column.chinese, "依据");
        EXPECT_EQ(column.kind, ColumnKind::Text);
        EXPECT_TRUE(column.optional);
        // Any text fits, and none changes a figure.
        UnitCells cells =
            standard == Standard::Gb50140_2005
                ? unit2005({"档案室", "A", "", "严重危险级", "1", "否", "200", "2", "MF/ABC5"})
                : UnitCells{"档案室",
                            "A",
                            "严重危险级,10m2/A",
                            "无其他灭火系统，K=1.0",
                            "否",
                            "磷酸铵盐干粉，4公斤，8A/具",
                            "200",
                            ""};
        const UnitOutcome without = evaluate(standard, cells);
        cells[basis] = "附录D 严重危险级 第3项";
        EXPECT_TRUE(fitsItsList(standard, basis, cells[basis]));
        const UnitOutcome with = evaluate(standard, cells);
        EXPECT_EQ(with.results, without.results);
        EXPECT_EQ(with.count, without.count);
        EXPECT_FALSE(with.failed()) << with.problemText();
    }
}

TEST(PastedRows, RowsCopiedBeforeTheOptionalColumnsStillPaste) {
    struct Case {
        Standard standard;
        std::string row;
        bool pasted;
    };
    for (const auto& c : std::vector<Case>{
             // The inputs of the first format: the optional columns at the end left out.
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4", true},
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4\t是", true},
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4\t\t附录D", true},
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1", false},
             // The plan's columns, and a stray cell past them.
             {Standard::Gb50140_2005,
              "大厅\tA\t\t中危险级\t1\t否\t100\t\tMF/ABC4\t\t附录D\t10x10\t5 5", true},
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4\t\t附录D\t\t\tx",
              false},
             // Copied with the results before the plan's columns existed: 11 inputs, 10 results.
             {Standard::Gb50140_2005,
              "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4\t\t附录D" + std::string(10, '\t'), true},
             {Standard::Gb50140_2005, "大厅\tA\t\t中危险级\t1\t否\t100\t1\tMF/ABC4\t塑料", false},
             {Standard::Gbj140_90, "大厅\tA\t1\t1\t否\t1\t300", true},
             {Standard::Gbj140_90, "大厅\tA\t1\t1\t否\t1\t300\t附录", true},
         }) {
        const PastedRows pasted = readTabText(c.standard, c.row);
        EXPECT_EQ(pasted.units.size(), c.pasted ? 1U : 0U) << c.row << pasted.refusal;
        if (c.pasted) {
            EXPECT_EQ(pasted.units.front().size(), inputColumns(c.standard).size());
        }
    }
}

// ---- Project fields and files -------------------------------------------------------------

TEST(ProjectFields, EachHasItsOwnKeyLabelAndPlace) {
    std::set<std::string_view> keys;
    std::set<std::string_view> labels;
    // Each field its own text: one typed into a field shows in no other.
    ProjectInfo info;
    for (const auto& field : projectInfoFields()) {
        EXPECT_TRUE(keys.insert(field.key).second) << field.key;
        EXPECT_TRUE(labels.insert(field.chinese).second) << field.chinese;
        EXPECT_EQ(info.*field.member, "") << field.key;
        info.*field.member = field.key;
    }
    for (const char* label :
         {"工程名称", "工程编号", "子项", "设计单位", "建筑用途", "建筑层数", "建筑高度",
          "总建筑面积", "设计人", "校对人", "审核", "审定", "专业负责人", "日期"}) {
        EXPECT_EQ(labels.count(label), 1U) << label;
    }
    const auto signers =
        std::count_if(projectInfoFields().begin(), projectInfoFields().end(),
                      [](const auto& f) { return f.group == InfoGroup::Signature; });
    EXPECT_EQ(signers, 5);
}

TEST(ProjectFields, EveryFieldIsWrittenAndReadBack) {
    Project project;
    int n = 0;
    for (const auto& field : projectInfoFields()) {
        project.info.*field.member = std::string(field.chinese) + " " + std::to_string(++n);
    }
    project.units = {
        unit2005({"配电室", "E", "B", "中危险级", "1", "否", "80", "1", "MT7"}, "是", "5.2.4")};
    const std::string json = projectJson(project);
    EXPECT_NE(json.find("\"version\": " + std::to_string(extcalc::building::kProjectVersion)),
              std::string::npos);
    for (const auto& field : projectInfoFields()) {
        EXPECT_NE(json.find("\"" + std::string(field.key) + "\": "), std::string::npos)
            << field.key;
    }
    const ProjectRead read = readProject(json);
    ASSERT_TRUE(read.project) << read.error->text();
    EXPECT_EQ(*read.project, project);
}

// A file saved before the version 2 fields existed, exactly as that program wrote it.
const char* const kVersion1 = R"({
  "format": "extinguisher-design",
  "version": 1,
  "standard": "GB 50140-2005",
  "project": {
    "name": "某办公楼",
    "design_unit": "",
    "designer": "设计甲",
    "checker": "",
    "date": "2026-12-07"
  },
  "units": [
    {
      "name": "配电室",
      "class": "E",
      "e_basis": "B",
      "hazard": "中危险级",
      "k": "未设室内消火栓系统和灭火系统",
      "special": "否",
      "area": "80",
      "points": "1",
      "extinguisher": "MT7"
    }
  ]
}
)";

TEST(ProjectFile, Version1OpensAsItWasSaved) {
    const ProjectRead read = readProject(kVersion1);
    ASSERT_TRUE(read.project) << read.error->text();
    const Project& project = *read.project;
    EXPECT_EQ(project.info.name, "某办公楼");
    EXPECT_EQ(project.info.designer, "设计甲");
    EXPECT_EQ(project.info.date, "2026-12-07");
    for (const auto& field : projectInfoFields()) {
        if (field.key != "name" && field.key != "designer" && field.key != "date") {
            EXPECT_EQ(project.info.*field.member, "") << field.key;
        }
    }
    ASSERT_EQ(project.units.size(), 1U);
    const UnitCells& cells = project.units.front();
    EXPECT_EQ(cells.size(), inputColumns(Standard::Gb50140_2005).size());
    EXPECT_EQ(cells[columnOf(Standard::Gb50140_2005, "nonmetal_horn")], "");
    EXPECT_EQ(cells[columnOf(Standard::Gb50140_2005, "hazard_basis")], "");
    // The same figures as the version 1 program computed: 80B ÷ 55B → 2, and its warning.
    const UnitOutcome outcome = evaluate(Standard::Gb50140_2005, cells);
    EXPECT_EQ(outcome.results[7], "2");
    EXPECT_TRUE(hasProblem(outcome, gb::ProblemCode::CarbonDioxideForE, gb::Severity::Warning));
    // Saved again, it is a current-version file that reads back the same.
    const ProjectRead again = readProject(projectJson(project));
    ASSERT_TRUE(again.project);
    EXPECT_EQ(*again.project, project);
}

TEST(ProjectFile, NewerVersionsAreRefused) {
    std::string newer = kVersion1;
    newer.replace(newer.find("\"version\": 1"), 12,
                  "\"version\": " + std::to_string(extcalc::building::kProjectVersion + 1));
    const ProjectRead read = readProject(newer);
    ASSERT_FALSE(read.project);
    EXPECT_NE(
        read.error->problem.find("格式版本 " + std::to_string(extcalc::building::kProjectVersion)),
        std::string::npos)
        << read.error->problem;
}

}  // namespace
