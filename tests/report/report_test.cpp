// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>

#include "extcalc/answers2005.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
#include "run_program.h"
#include "sample_projects.h"

namespace {

using namespace extcalc;
using report::Status;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string htmlOf(const building::Project& project) {
    return report::renderHtml(report::buildReport(project));
}

template <class B>
std::vector<B> blocksOf(const report::Document& document) {
    std::vector<B> found;
    for (const auto& block : document.blocks) {
        if (const auto* b = std::get_if<B>(&block)) {
            found.push_back(*b);
        }
    }
    return found;
}

TEST(ReportHtml, IsWellFormedXmlForEitherStandard) {
    for (const auto& project : {test::currentProject(), test::classicProject()}) {
        const auto path = test::scratchPath(".html");
        ASSERT_FALSE(building::writeFileSafely(path, htmlOf(project)));
        const auto run = test::runProgram("xmllint", {"--noout", path.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
    }
}

TEST(ReportHtml, ShowsTheFiguresTheUnitsJsonGives) {
    const auto project = test::currentProject();
    const std::string html = htmlOf(project);
    for (const auto& cells : project.units) {
        const auto outcome = building::evaluate(project.standard, cells);
        ASSERT_TRUE(outcome.current.has_value()) << cells.front();
        const auto json = building::unitJson(*outcome.current, cells.front());
        const std::string formulaQ = json["formula_Q"];
        const std::string basis = json["basis"].is_null() ? "" : std::string(json["basis"]);
        SCOPED_TRACE(cells.front());
        // The numbers of Q after its symbols; the formula of Qe whole.
        EXPECT_TRUE(formulaQ.empty() || has(html, formulaQ.substr(4))) << formulaQ;
        EXPECT_TRUE(has(html, report::escapeXml(std::string(json["formula_Qe"]))));
        if (!json["Q_required"].is_null()) {
            EXPECT_TRUE(has(html, "取 " + std::to_string(int(json["Q_required"])) + basis));
            EXPECT_TRUE(has(html, "取 " + std::to_string(int(json["Qe_required"])) + basis));
        }
        if (!json["total"].is_null()) {
            EXPECT_TRUE(has(html, std::to_string(int(json["total"])) + " 具"));
        }
        for (const auto& problem : json["problems"]) {
            EXPECT_TRUE(has(html, report::escapeXml(std::string(problem["text"]))));
        }
    }
}

// The published example and the units beside it, line by line as a reviewer reads them.
TEST(Report, WorkedExampleAndEveryKindOfUnit) {
    const std::string html = htmlOf(test::currentProject());
    for (const std::string expected : {
             "Q = K × S ÷ U = 0.9 × 1500 ÷ 75 = 18",
             "取 18A",
             "Qe = Q ÷ N = 18 ÷ 2 = 9",
             "取 9A",
             "n = Qe ÷ R = 9 ÷ 2 = 4.50",
             "取 5 具",
             "5 × 2 = 10",
             "Q = 1.3 × K × S ÷ U = 1.3 × 0.9 × 1000 ÷ 75 = 15.60",
             "取 16A",
             "Q = K × S ÷ U = 1.0 × 80 ÷ 1.0 = 80",
             "按B类的规定确定",
             "D类火灾（金属火灾）",
             "不适用于B类火灾（4.2）",
             "2 个计算单元有错误，未计入本清单",
         }) {
        EXPECT_TRUE(has(html, expected)) << expected;
    }
}

TEST(Report, ChecksCarryTheirClauseAndStatus) {
    const auto checks = blocksOf<report::Check>(report::buildReport(test::currentProject()));
    struct Expected {
        std::string clause;
        Status status;
        std::string textHas;
    };
    for (const auto& e : std::vector<Expected>{
             {"6.1.1", Status::Pass, "计算单元内灭火器 10 具"},
             {"6.1.2", Status::Pass, "每个设置点 5 具"},
             {"6.2.1", Status::Pass, "单具灭火级别 2A 不低于"},
             {"6.2.2", Status::Pass, "单具灭火级别 55B 不低于"},
             {"4.2", Status::Pass, "MF/ABC4（磷酸铵盐干粉）适用于E类火灾"},
             {"4.2", Status::Fail, "D类火灾"},
             {"4.2", Status::Fail, "不适用于B类火灾"},
         }) {
        const bool found = std::any_of(checks.begin(), checks.end(), [&](const auto& c) {
            return c.clause == e.clause && c.status == e.status && has(c.text, e.textHas);
        });
        EXPECT_TRUE(found) << e.clause << " " << e.textHas;
    }
}

TEST(Report, MoreThanFivePerPointAndBelowMinimumStandOut) {
    building::Project project = test::currentProject();
    project.units = {{"大库", "A", "", "中危险级", "1", "否", "3000", "1", "MF/ABC4"},
                     {"小库", "A", "", "严重危险级", "1", "否", "100", "1", "MF/ABC4"}};
    const auto checks = blocksOf<report::Check>(report::buildReport(project));
    const auto with = [&](const std::string& clause, Status status) {
        return std::count_if(checks.begin(), checks.end(), [&](const auto& c) {
            return c.clause == clause && c.status == status;
        });
    };
    EXPECT_EQ(with("6.1.2", Status::Warn), 1);
    EXPECT_EQ(with("6.2.1", Status::Fail), 1);
}

TEST(Report, ListsEveryModelWithExactTotals) {
    const auto tables = blocksOf<report::Table>(report::buildReport(test::currentProject()));
    const auto& list = tables.back();
    ASSERT_TRUE(list.lastRowIsTotal);
    using Row = std::vector<std::string>;
    EXPECT_EQ(list.rows, (std::vector<Row>{
                             {"1", "MF/ABC4", "12"}, {"2", "MF/ABC5", "6"}, {"", "合计", "18"}}));
    const auto& summary = tables[tables.size() - 2];
    ASSERT_EQ(summary.rows.size(), 5U);
    EXPECT_EQ(summary.rowStatus, (std::vector<Status>{Status::Pass, Status::Pass, Status::Pass,
                                                      Status::Fail, Status::Fail}));
}

TEST(Report, TitleBlockKeepsEmptyFieldsEmptyAndNamesTheStandard) {
    const auto title =
        std::get<report::TitleBlock>(report::buildReport(test::currentProject()).blocks.front());
    using report::Field;
    ASSERT_GE(title.fields.size(), 7U);
    EXPECT_EQ(title.fields[0].value, "示例仓库工程");
    EXPECT_EQ(title.fields[1].value, "");
    EXPECT_EQ(title.fields[2].value, "");
    EXPECT_EQ(title.fields[3].value, "");
    EXPECT_EQ(title.fields[5].value, "《建筑灭火器配置设计规范》GB 50140-2005");
    EXPECT_TRUE(has(title.fields[6].value, "建筑灭火器配置设计 "));
}

TEST(Report, ClassicUnitsShowTheWindowsFigures) {
    const std::string html = htmlOf(test::classicProject());
    for (const std::string expected : {
             "Q1 = S ÷ U = 300 ÷ 15 = 20",
             "Q = S × K × kd ÷ U = 300 × 0.7 × 1.0 ÷ 15 = 14",
             "N = Q ÷ n = 14 ÷ 8 = 1.75",
             "2 具（N 向上取整，且不少于2具）",
             "Q = S × K × kd ÷ U = 200 × 1.0 × 1.3 ÷ 10 = 25.9999990463257",
             "N = Q ÷ n = 25.9999990463257 ÷ 10 = 2.59999990463257",
             "3 具（N 向上取整",
             "《建筑灭火器配置设计规范》GBJ140-90",
         }) {
        EXPECT_TRUE(has(html, expected)) << expected;
    }
}

TEST(Report, EscapesMarkupInWhatUsersType) {
    struct Case {
        std::string typed;
        std::string escaped;
    };
    for (const auto& c : std::vector<Case>{{"A&B", "A&amp;B"},
                                           {"<b>", "&lt;b&gt;"},
                                           {"\"楼\"'", "&quot;楼&quot;&#39;"},
                                           {std::string("a\x01z"), "az"}}) {
        EXPECT_EQ(report::escapeXml(c.typed), c.escaped);
    }
    building::Project project = test::currentProject();
    project.info.name = "<script>&";
    EXPECT_TRUE(has(htmlOf(project), "&lt;script&gt;&amp;"));
}

}  // namespace
