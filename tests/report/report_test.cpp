// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

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
             "不适用于B类火灾（4.2.2）",
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
             {"4.2.5", Status::Pass, "MF/ABC4（磷酸铵盐干粉）适用于E类火灾"},
             {"4.2.4", Status::Fail, "D类火灾"},
             {"4.2.2", Status::Fail, "不适用于B类火灾"},
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
    EXPECT_EQ(list.header, (Row{"序号", "名称及规格", "型号", "灭火级别", "数量（具）",
                                "设置位置（计算单元及具数）"}));
    // Full name and size from the table of models, never typed again here.
    EXPECT_EQ(list.rows, (std::vector<Row>{{"1", "手提式磷酸铵盐干粉灭火器 4 kg", "MF/ABC4",
                                            "2A/55B", "12", "一层 仓库 10 具、配电室 2 具"},
                                           {"2", "手提式磷酸铵盐干粉灭火器 5 kg", "MF/ABC5",
                                            "3A/89B", "6", "地下 商场 6 具"},
                                           {"", "合计", "", "", "18", ""}}));
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

TEST(Report, BillOfMaterialsNamesEveryKindOfModel) {
    struct Case {
        const char* unit;  // the model's answer in a class A or B unit
        const char* fireClass;
        std::vector<std::string> row;  // name, code, ratings
    };
    for (const auto& c : std::vector<Case>{
             {"MT5", "B", {"手提式二氧化碳灭火器 5 kg", "MT5", "34B"}},
             {"MS/Q9", "A", {"手提式清水灭火器 9 L", "MS/Q9", "2A"}},
             {"MST125", "A", {"推车式水型灭火器 125 L", "MST125", "6A"}},
             {"6A/推车式", "A", {"自备型号", "—", "自备型号 6A 推车式"}},
         }) {
        building::Project project;
        project.units = {{"一号库", c.fireClass, "", "轻危险级", "1", "否", "100", "1", c.unit}};
        const auto list = blocksOf<report::Table>(report::buildReport(project)).back();
        ASSERT_EQ(list.rows.size(), 2U) << c.unit;
        const std::vector<std::string> got(list.rows[0].begin() + 1, list.rows[0].begin() + 4);
        if (std::string(c.row[0]) == "自备型号") {
            EXPECT_EQ(got[0], "自备型号");
            EXPECT_EQ(got[1], "—");
            EXPECT_TRUE(has(got[2], "6A")) << got[2];
        } else {
            EXPECT_EQ(got, c.row) << c.unit;
        }
        EXPECT_EQ(list.rows[0][5], "一号库 " + list.rows[0][4] + " 具");
    }
    // Classic units keep the window's own item text, which carries the size and rating.
    const auto classic =
        blocksOf<report::Table>(report::buildReport(test::classicProject())).back();
    EXPECT_EQ(classic.header.size(), 4U);
    EXPECT_EQ(classic.rows.front()[1], "磷酸铵盐干粉，4公斤，8A/具");
    EXPECT_EQ(classic.rows.front()[3], "大厅 2 具");
}

TEST(Report, SummaryShowsKUTheFactorAndTheDistance) {
    const auto tables = blocksOf<report::Table>(report::buildReport(test::currentProject()));
    const auto& summary = tables[tables.size() - 2];
    const auto column = [&](const std::string& name) {
        const auto found = std::find(summary.header.begin(), summary.header.end(), name);
        EXPECT_NE(found, summary.header.end()) << name;
        return static_cast<std::size_t>(found - summary.header.begin());
    };
    struct Case {
        std::size_t row;
        std::string k, factor, u, q, distance;
    };
    for (const auto& c : std::vector<Case>{
             {0, "0.9", "—", "75", "18A", "20"},    // the worked example
             {1, "0.9", "1.3", "75", "16A", "20"},  // 地下 商场: 1.3 × 0.9 × 1000 ÷ 75 = 15.6
             {2, "1.0", "—", "1.0", "80B", "12"},   // 配电室 after B
             {3, "", "", "", "", ""},               // class D: nothing computed
         }) {
        const auto& row = summary.rows[c.row];
        ASSERT_EQ(row.size(), summary.header.size());
        if (c.row == 3) {
            EXPECT_EQ(row[column("K")], "—");
            continue;
        }
        EXPECT_EQ(row[column("K")], c.k) << c.row;
        EXPECT_EQ(row[column("×1.3")], c.factor) << c.row;
        EXPECT_EQ(row[column("U")], c.u) << c.row;
        EXPECT_EQ(row[column("Q")], c.q) << c.row;
        EXPECT_EQ(row[column("最大 保护距离")], c.distance) << c.row;
    }
}

TEST(Report, TitlePageCarriesTheOverviewAndTheSigners) {
    building::Project project = test::currentProject();
    int n = 0;
    for (const auto& field : building::projectInfoFields()) {
        project.info.*field.member = "值" + std::to_string(++n);
    }
    const auto title = std::get<report::TitleBlock>(report::buildReport(project).blocks.front());
    // Every field of the table, once, plus the standard and the program.
    EXPECT_EQ(title.fields.size() + title.overview.size() + title.signatures.size(),
              building::projectInfoFields().size() + 2);
    std::vector<std::string> signers;
    std::transform(title.signatures.begin(), title.signatures.end(), std::back_inserter(signers),
                   [](const report::Field& field) { return field.key; });
    EXPECT_EQ(signers,
              (std::vector<std::string>{"设计人", "校对人", "审核", "审定", "专业负责人"}));
    ASSERT_EQ(title.overview.size(), 4U);
    EXPECT_EQ(title.overview[2].key, "建筑高度");
    EXPECT_EQ(title.overview[2].value, "值7 m");  // the unit follows what was typed
    EXPECT_EQ(title.overview[3].value, "值8 m²");
    // Nothing typed, nothing added: the line stays empty for the pen.
    const auto empty =
        std::get<report::TitleBlock>(report::buildReport(building::Project{}).blocks.front());
    for (const auto& field : empty.overview) {
        EXPECT_EQ(field.value, "") << field.key;
    }
    const std::string html = htmlOf(project);
    for (const char* part :
         {"<h4>建筑概况</h4>", "<th>签字</th>", "<td>专业负责人</td><td>值13</td>"}) {
        EXPECT_TRUE(has(html, part)) << part;
    }
}

TEST(Report, HazardBasisHornAndTheClausesOfClassE) {
    building::Project project;
    project.units = {
        {"档案室", "A", "", "严重危险级", "1", "否", "200", "2", "MF/ABC5", "",
         "附录D 严重危险级 第3项"},
        {"配电室", "E", "B", "中危险级", "1", "否", "80", "1", "MT7", "是", ""},
        {"弱电间", "E", "B", "中危险级", "1", "否", "80", "1", "MT7", "", ""},
    };
    const auto values = blocksOf<report::KeyValue>(report::buildReport(project));
    const auto checks = blocksOf<report::Check>(report::buildReport(project));
    const auto valueOf = [&](const std::string& key, int nth) {
        const auto found = std::find_if(
            values.begin(), values.end(),
            [&key, &nth](const report::KeyValue& kv) { return kv.field.key == key && nth-- == 0; });
        return found == values.end() ? std::string("（没有）") : found->field.value;
    };
    EXPECT_EQ(valueOf("危险等级", 0), "严重危险级（依据：附录D 严重危险级 第3项）");
    EXPECT_EQ(valueOf("危险等级", 1), "中危险级");
    EXPECT_TRUE(has(valueOf("火灾种类", 1), "5.2.4")) << valueOf("火灾种类", 1);
    EXPECT_TRUE(has(valueOf("火灾种类", 1), "6.2")) << valueOf("火灾种类", 1);
    EXPECT_TRUE(has(valueOf("火灾种类", 1), "不低于该场所B类火灾的规定"));
    EXPECT_FALSE(has(valueOf("火灾种类", 0), "5.2.4"));
    EXPECT_TRUE(has(valueOf("灭火器", 1), "非金属喇叭喷筒（设计人注明）")) << valueOf("灭火器", 1);
    EXPECT_FALSE(has(valueOf("灭火器", 2), "喷筒"));
    const auto stated = std::count_if(checks.begin(), checks.end(), [](const report::Check& c) {
        return c.clause == "4.2.5" && c.status == Status::Pass &&
               has(c.text, "设计人注明：采用非金属喇叭喷筒");
    });
    const auto warned = std::count_if(checks.begin(), checks.end(), [](const report::Check& c) {
        return c.clause == "4.2.5" && c.status == Status::Warn && has(c.text, "金属喇叭喷筒");
    });
    EXPECT_EQ(stated, 1);
    EXPECT_EQ(warned, 1);
    EXPECT_TRUE(report::unitsInError(project).empty());
}

TEST(Report, UnitsInErrorAreNamedByNumberAndName) {
    building::Project project = test::currentProject();
    EXPECT_EQ(report::unitsInError(project), (std::vector<std::string>{"4 镁粉库", "5 油漆库"}));
    project.units[3][0].clear();
    EXPECT_EQ(report::unitsInError(project), (std::vector<std::string>{"4", "5 油漆库"}));
    const std::string question = report::unitsInErrorQuestion({"4", "5 油漆库"}, "打印");
    EXPECT_TRUE(has(question, "以下 2 个计算单元有错误：\n4、5 油漆库")) << question;
    EXPECT_TRUE(has(question, "仍要打印计算书吗？"));
    std::vector<std::string> many;
    for (int i = 1; i <= 12; ++i) {
        many.push_back(std::to_string(i));
    }
    const std::string notice = report::unitsInErrorNotice(many);
    EXPECT_TRUE(has(notice, "有 12 个计算单元有错误")) << notice;
    EXPECT_TRUE(has(notice, "1、2、3、4、5、6、7、8 等（另有 4 个）")) << notice;
    EXPECT_EQ(notice.find('\n'), std::string::npos);
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

// Printed from a browser, every page carries the PDF's running header and 第 x 页 共 y 页 in
// its margin boxes. The project's name is a CSS string there: whatever it holds, it stays a
// string and the file stays well-formed XML.
TEST(ReportHtml, PagesCarryTheRunningHeaderAndTheirNumber) {
    struct Case {
        std::string name;
        std::string topLeft;  // the CSS the header's left box gets
    };
    const std::vector<Case> cases = {
        {"示例仓库工程", R"(content: "示例仓库工程";)"},
        {"", R"(content: "";)"},
        {R"(甲"乙\丙)", R"(content: "甲\"乙\\丙";)"},
        {"</style><script>x</script>",
         R"(content: "\3c /style\3e \3c script\3e x\3c /script\3e ";)"},
        {"A&B\n}C", R"(content: "A\26 B }C";)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        building::Project project = test::currentProject();
        project.info.name = c.name;
        const std::string html = htmlOf(project);
        const auto style =
            html.substr(html.find("<style>"), html.find("</style>") - html.find("<style>"));
        EXPECT_TRUE(has(style, "@top-left { " + c.topLeft)) << style.substr(0, 400);
        EXPECT_TRUE(
            has(style, R"(@top-right { content: "建筑灭火器配置设计计算书　GB 50140-2005";)"));
        EXPECT_TRUE(has(style, R"("第 " counter(page) " 页 共 " counter(pages) " 页")"));
        // Nothing of the name ends the style or marks anything up.
        EXPECT_EQ(html.find("</style>"), html.rfind("</style>"));
        EXPECT_FALSE(has(style, "<script"));
        EXPECT_FALSE(has(style, "&"));
        const auto path = test::scratchPath(".html");
        ASSERT_FALSE(building::writeFileSafely(path, html));
        const auto run = test::runProgram("xmllint", {"--noout", path.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_TRUE(has(htmlOf(test::classicProject()), R"(计算书　GBJ140-90";)"));
}

}  // namespace
