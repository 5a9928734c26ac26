// SPDX-License-Identifier: MIT
// Checks resting on a mandatory clause (强制性条文), as every front end shows them: the
// problem text of a table or the workbook, the command line's text and JSON, the plan check
// and the calculation report.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/unit_plan.h"
#include "extcalc/units.h"

namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

using namespace extcalc;
using building::Standard;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::string kMark = "【强条】";

// name, class, E basis, hazard, K, special, area, points, extinguisher, non-metal horn
struct UnitCase {
    const char* name;
    building::UnitCells cells;
    bool failed;
    bool warned;
    std::string problemText;  // the whole text of the problems cell
    std::vector<nlohmann::json> problems;
};
void PrintTo(const UnitCase& c, std::ostream* os) {
    *os << c.name;
}

class MandatoryText : public testing::TestWithParam<UnitCase> {};

TEST_P(MandatoryText, ProblemCellTextAndJsonMarkMandatoryChecks) {
    const auto& c = GetParam();
    const auto outcome = building::evaluate(Standard::Gb50140_2005, c.cells);
    EXPECT_EQ(outcome.failed(), c.failed);
    EXPECT_EQ(outcome.hasWarnings(), c.warned);
    EXPECT_EQ(outcome.problemText(), c.problemText);
    EXPECT_EQ(outcome.results.back(), c.problemText);  // the 问题 column

    const auto json = building::outcomeJson(Standard::Gb50140_2005, outcome, c.cells[0]);
    ASSERT_EQ(json.at("problems").size(), c.problems.size());
    for (std::size_t i = 0; i < c.problems.size(); ++i) {
        const auto& p = json.at("problems").at(i);
        EXPECT_EQ(p.at("severity"), c.problems[i].at("severity"));
        EXPECT_EQ(p.at("clause"), c.problems[i].at("clause"));
        EXPECT_EQ(p.at("mandatory"), c.problems[i].at("mandatory"));
        EXPECT_FALSE(has(p.at("text").get<std::string>(), kMark));  // the mark is a key here
    }

    // The command line's text: the same lines, and the legend where a mark is.
    const std::string text = building::outcomeText(Standard::Gb50140_2005, outcome, c.cells[0]);
    const bool marked = has(c.problemText, kMark);
    EXPECT_EQ(has(text, kMark), marked) << text;
    EXPECT_EQ(has(text, "强制性条文，必须严格执行"), marked) << text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Building, MandatoryText, testing::Values(
    UnitCase{"BelowMinimumFails621",
             {"档案库", "A", "", "严重危险级", "1", "否", "300", "2", "MF/ABC4"}, true, false,
             "错误：【强条】单具灭火级别 2A 低于单具灭火器最小配置灭火级别 3A（6.2.1）",
             {{{"severity", "error"}, {"clause", "6.2.1"}, {"mandatory", true}}}},
    UnitCase{"UnsuitableFails421",
             {"库房", "A", "", "中危险级", "1", "否", "200", "2", "MF4"}, true, false,
             "错误：【强条】MF4 碳酸氢钠干粉 4 kg（碳酸氢钠干粉）不适用于A类火灾（4.2.1），"
             "不计算具数",
             {{{"severity", "error"}, {"clause", "4.2.1"}, {"mandatory", true}}}},
    UnitCase{"MetalHornFails425",
             {"配电室", "E", "B", "中危险级", "1", "否", "200", "2", "MT7", "否"}, true, false,
             "错误：【强条】装有金属喇叭喷筒的二氧化碳灭火器不得用于E类火灾场所（4.2.5），"
             "不计算具数",
             {{{"severity", "error"}, {"clause", "4.2.5"}, {"mandatory", true}}}},
    UnitCase{"MoreThanFiveStaysAWarningUnmarked",
             {"大库", "A", "", "严重危险级", "1", "否", "1000", "1", "MF/ABC5"}, false, true,
             "警告：每个设置点 7 具，宜不多于5具（6.1.2）；设置点至少需 2 个",
             {{{"severity", "warning"}, {"clause", "6.1.2"}, {"mandatory", false}}}},
    UnitCase{"UnstatedHornAWarningToConfirm",
             {"机房", "E", "B", "中危险级", "1", "否", "200", "2", "MT7"}, false, true,
             "警告：【强条】E类火灾场所不得选用装有金属喇叭喷筒的二氧化碳灭火器（4.2.5）；"
             "所选灭火器为非金属喇叭喷筒时，请注明",
             {{{"severity", "warning"}, {"clause", "4.2.5"}, {"mandatory", true}}}},
    UnitCase{"NothingWrongNothingMarked",
             {"一层 仓库", "A", "", "中危险级", "0.9", "否", "1500", "2", "MF/ABC4"}, false, false,
             "", {}}),
    byName);
// clang-format on

// 5.2.1/5.2.2 on a plan: a spot beyond R fails a mandatory check, so it is an error of the
// unit and no longer a warning; the area differing from the outline stays a warning.
TEST(MandatoryPlan, SpotBeyondReachIsAMarkedErrorAndAreaMismatchAWarning) {
    struct Case {
        const char* outline;
        const char* points;
        double area;
        bool beyond;
        bool areaWarning;
    };
    for (const auto& c : std::vector<Case>{
             {"68x30", "17 15; 51 15", 2040, true, false},
             {"10x12", "5 6", 100, false, true},
             {"68x30", "17 15; 51 15", 100, true, true},
         }) {
        const auto plan =
            building::planUnit(building::readUnitPlan(c.outline, c.points), 20, c.area, false);
        ASSERT_TRUE(plan.check) << c.outline;
        EXPECT_EQ(plan.problems.size(), c.beyond ? 1U : 0U);
        EXPECT_EQ(plan.warnings.size(), c.areaWarning ? 1U : 0U);
        for (const auto& warning : plan.warnings) {
            EXPECT_FALSE(has(warning, "最大保护距离")) << warning;
        }
        nlohmann::json unit{{"problems", nlohmann::json::array()}};
        building::addPlanJson(plan, unit);
        ASSERT_EQ(unit.at("problems").size(), c.beyond ? 1U : 0U);
        if (c.beyond) {
            const auto& p = unit.at("problems").at(0);
            EXPECT_EQ(p.at("severity"), "error");
            EXPECT_EQ(p.at("mandatory"), true);
            EXPECT_EQ(p.at("clause"), "5.2.1/5.2.2");
            EXPECT_TRUE(has(p.at("text").get<std::string>(), "超过最大保护距离 20 m"));
            EXPECT_EQ(unit.at("distance_ok"), false);
        }
    }
}

building::Project projectOf(std::vector<building::UnitCells> units) {
    building::Project project;
    project.info.name = "强条核对";
    project.units = std::move(units);
    return project;
}

std::vector<report::Check> checksOf(const report::Document& document) {
    std::vector<report::Check> checks;
    for (const auto& block : document.blocks) {
        if (const auto* check = std::get_if<report::Check>(&block)) {
            checks.push_back(*check);
        }
    }
    return checks;
}

// Each check of the report as a reviewer reads it: status, clause, and whether it is marked.
TEST(MandatoryReport, ChecksAreMarkedByTheirClauseAndFailuresFail) {
    using report::Status;
    const auto document = report::buildReport(projectOf({
        {"档案库", "A", "", "严重危险级", "1", "否", "300", "2", "MF/ABC4"},
        {"大库", "A", "", "严重危险级", "1", "否", "1000", "1", "MF/ABC5"},
        {"配电室", "E", "B", "中危险级", "1", "否", "200", "2", "MT7", "否"},
    }));
    struct Expected {
        const char* clause;
        Status status;
        const char* textHas;
    };
    const auto checks = checksOf(document);
    for (const auto& e : std::vector<Expected>{
             {"6.2.1", Status::Fail, "单具灭火级别 2A 低于"},
             {"4.2.1", Status::Pass, "MF/ABC4（磷酸铵盐干粉）适用于A类火灾"},
             {"6.1.1", Status::Pass, "不少于2具"},
             {"6.1.2", Status::Warn, "每个设置点 7 具"},
             // A metal horn in class E fails 4.2.5: 不通过, never 注意.
             {"4.2.5", Status::Fail, "装有金属喇叭喷筒"},
         }) {
        const auto found = std::find_if(checks.begin(), checks.end(), [&](const auto& c) {
            return c.clause == e.clause && has(c.text, e.textHas);
        });
        ASSERT_NE(found, checks.end()) << e.clause << " " << e.textHas;
        EXPECT_EQ(found->status, e.status) << e.clause;
        EXPECT_EQ(found->mandatory(), e.clause != std::string("6.1.2")) << e.clause;
        EXPECT_EQ(found->clauseLabel(), (found->mandatory() ? kMark : "") + e.clause);
    }

    const std::string html = report::renderHtml(document);
    EXPECT_TRUE(has(html,
                    "<span class=\"clause mandatory\"><span class=\"mark\">【强条】</span>"
                    "6.2.1</span><span class=\"text\">单具灭火级别 2A 低于"))
        << html;
    EXPECT_TRUE(has(html, "<span class=\"clause\">6.1.2</span>"));
    EXPECT_TRUE(has(html, "【强条】：强制性条文，必须严格执行"));
    // The list, with the breaks allowed between its numbers taken out as a reader sees it.
    std::string seen = html;
    const std::string breakHere = "\u200B";
    for (auto at = seen.find(breakHere); at != std::string::npos; at = seen.find(breakHere)) {
        seen.erase(at, breakHere.size());
    }
    EXPECT_TRUE(has(seen,
                    "第 4.1.3、4.2.1、4.2.2、4.2.3、4.2.4、4.2.5、5.1.1、5.1.5、5.2.1、5.2.2、"
                    "6.1.1、6.2.1、6.2.2、7.1.2、7.1.3 条"));
    // The basis marks the mandatory clauses it cites, and not the recommendation.
    EXPECT_TRUE(has(html, "<span class=\"k\">【强条】6.1.1</span>"));
    EXPECT_TRUE(has(html, "<span class=\"k\">【强条】4.2.1～4.2.5</span>"));
    EXPECT_TRUE(has(html, "<span class=\"k\">6.1.2</span>"));
}

// A place of several classes: each class's check stands under that class's own clause, so
// a reviewer sees which of 4.2.1～4.2.5 a model fails or cannot be checked against.
TEST(MandatoryReport, SeveralClassesCheckEachClassUnderItsOwnClause) {
    using report::Status;
    const auto checks = checksOf(report::buildReport(projectOf({
        {"库房", "A+B", "", "中危险级", "1", "否", "200", "2", "MF4"},
        {"自备", "A+B", "", "中危险级", "1", "否", "200", "2", "3A/55B"},
        {"金属库", "A+D", "", "中危险级", "1", "否", "200", "2", "MF/ABC4"},
    })));
    struct Expected {
        const char* clause;
        Status status;
        const char* textHas;
    };
    for (const auto& e : std::vector<Expected>{
             {"4.2.1", Status::Fail, "不适用于A类火灾"},
             {"4.1.2", Status::Fail, "通用型"},
             {"4.2.1", Status::Warn, "对A类火灾的适用性"},
             {"4.2.2", Status::Warn, "对B类火灾的适用性"},
             {"4.2.4", Status::Fail, "D类火灾"},
         }) {
        const auto found = std::find_if(checks.begin(), checks.end(), [&](const auto& c) {
            return c.clause == e.clause && has(c.text, e.textHas);
        });
        ASSERT_NE(found, checks.end()) << e.clause << " " << e.textHas;
        EXPECT_EQ(found->status, e.status) << e.clause << " " << e.textHas;
        EXPECT_EQ(found->mandatory(), e.clause != std::string("4.1.2")) << e.clause;
    }
    // No check is left under the chapter alone, which names no clause a reviewer can look up.
    for (const auto& c : checks) {
        EXPECT_NE(c.clause, "4.2") << c.text;
    }
}

TEST(MandatoryReport, ClassicReportHasNoMarks) {
    building::Project project;
    project.standard = Standard::Gbj140_90;
    project.units = {{"大厅", "A", "中危险级,15m2/A", "只有消火栓系统，K=0.7", "否",
                      "磷酸铵盐干粉，4公斤，8A/具", "300"}};
    const std::string html = report::renderHtml(report::buildReport(project));
    EXPECT_FALSE(has(html, kMark));
    EXPECT_FALSE(has(html, "强制性条文"));
}

}  // namespace
