// SPDX-License-Identifier: MIT
// Places of several fire classes through the built program: --class A+B, tables, projects
// and the 计算书.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

using extcalc::test::RunResult;
constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

RunResult run(const std::vector<std::string>& args) {
    return extcalc::test::runProgram(EXTCALC_CLI_PATH, args);
}

std::vector<std::string> unit2005(const std::string& classes, const std::string& hazard,
                                  const std::string& extinguisher) {
    return {"--standard", "2005",           "--class",   classes,  "--hazard", hazard,     "--k",
            "1",          "--special",      "no",        "--area", "200",      "--points", "2",
            "--json",     "--extinguisher", extinguisher};
}

struct JsonCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char *classText, *deciding;               // deciding nullptr: none
    std::vector<std::int64_t> qRequired, perPoint;  // per class; per_point -1 for null
    std::int64_t total;                             // -1 for null
    const char* problem;                            // somewhere in the problems, or ""
};
void PrintTo(const JsonCase& c, std::ostream* os) {
    *os << c.name;
}
class ClassesJson : public testing::TestWithParam<JsonCase> {};

TEST_P(ClassesJson, PerClassObjects) {
    const JsonCase& c = GetParam();
    const RunResult r = run(c.args);
    ASSERT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["class"], c.classText);
    if (c.deciding == nullptr) {
        EXPECT_TRUE(json["deciding_class"].is_null());
    } else {
        EXPECT_EQ(json["deciding_class"], c.deciding);
    }
    ASSERT_EQ(json["classes"].size(), c.qRequired.size());
    for (std::size_t i = 0; i < c.qRequired.size(); ++i) {
        const auto& each = json["classes"][i];
        for (const char* key : {"class", "U", "Q", "Q_required", "Qe", "Qe_required", "min_rating",
                                "rating", "per_point"}) {
            EXPECT_TRUE(each.contains(key)) << key;
        }
        EXPECT_EQ(each["Q_required"], c.qRequired[i]);
        EXPECT_EQ(each["per_point"].is_null() ? -1 : each["per_point"].get<std::int64_t>(),
                  c.perPoint[i]);
    }
    EXPECT_EQ(json["total"].is_null() ? -1 : json["total"].get<std::int64_t>(), c.total);
    EXPECT_NE(json["problems"].dump().find(c.problem), std::string::npos) << json["problems"];
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cli, ClassesJson, testing::Values(
    JsonCase{"OrdinaryAB", unit2005("A+B", "2", "MF/ABC4"), 0, "A+B", "B",
             {3, 200}, {1, 2}, 4, ""},
    JsonCase{"TypedBackwardsFullWidth", unit2005("b＋a", "中危险级", "mf/abc4"), 0, "A+B", "B",
             {3, 200}, {1, 2}, 4, ""},
    JsonCase{"BcPowderIsNotForA", unit2005("A+B", "2", "MF4"), 1, "A+B", nullptr,
             {3, 200}, {-1, 2}, -1, "（4.2.1）"},
    JsonCase{"SevereBelowBothMinimums", unit2005("A+B", "3", "MF/ABC4"), 1, "A+B", "B",
             {4, 400}, {1, 4}, 8, "89B（6.2.2）"}),
    byName);
// clang-format on

TEST(ClassesCli, RepeatedClassIsAUsageError) {
    const RunResult r = run(unit2005("A+A", "2", "MF/ABC4"));
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("同一火灾种类只能写一次"), std::string::npos) << r.err;
}

TEST(ClassesCli, TableAndProjectAndReport) {
    const auto table = extcalc::test::scratchPath("classes.csv");
    std::ofstream(table, std::ios::binary)
        << "name,class,e_basis,hazard,k,special,area,points,extinguisher\n"
           "厨房,A+B,,2,1,no,200,2,MF/ABC4\n"
           "机房,A+E,B,2,0.9,no,100,1,MF/ABC4\n";
    const RunResult r = run({"--csv", table.string(), "--standard", "2005"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = extcalc::test::csvRows(r.out);
    ASSERT_GE(rows.size(), 4U);
    // name … extinguisher, then U, Q, 需配灭火级别, Qe, 每点需配灭火级别, 单具最小, 每点具数, 合计.
    EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 9, rows[1].begin() + 17),
              (std::vector<std::string>{"75/1.0", "2.67/200", "3/200", "1.50/100", "2/100", "2/55",
                                        "2", "4"}));
    EXPECT_EQ(rows[2][16], "2");
    EXPECT_EQ(rows[3][0], "合计");
    EXPECT_EQ(rows[3][16], "6");

    const auto project = extcalc::test::scratchPath("classes.exdesign");
    ASSERT_EQ(
        run({"--csv", table.string(), "--standard", "2005", "--out", project.string()}).exitCode,
        0);
    const RunResult json = run({"--project", project.string(), "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto units = nlohmann::json::parse(json.out);
    EXPECT_EQ(units[0]["class"], "A+B");
    EXPECT_EQ(units[1]["deciding_class"], "E");

    const auto html = extcalc::test::scratchPath("classes.html");
    ASSERT_EQ(run({"--project", project.string(), "--report", html.string()}).exitCode, 0);
    const std::string page = extcalc::test::readFile(html);
    for (const char* said :
         {"QA = K × S ÷ U = 1.0 × 200 ÷ 75 = 2.67", "取 2 具，由B类确定",
          "n = max(nA, nB) = max(1, 2) = 2", "所选灭火器适用于该场所的全部火灾种类"}) {
        EXPECT_NE(page.find(said), std::string::npos) << said;
    }
}

}  // namespace
