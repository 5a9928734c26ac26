// SPDX-License-Identifier: MIT
// Tables of GB 50140-2005 units and project files through the built program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using extcalc::test::RunResult;

const std::string kTable = std::string(EXTCALC_EXAMPLES_DIR) + "/building-2005.csv";

RunResult run(const std::vector<std::string>& args) {
    return extcalc::test::runProgram(EXTCALC_CLI_PATH, args);
}

// The sample building worked by hand from tables 6.2.1/6.2.2 and 5.2.1/5.2.2 (×1.3 for
// the basement and the 商场; K 0.5 hydrants and sprinklers, 0.9 hydrants, 0.7 gas system):
//   unit            S    U   Q=(1.3)·K·S/U       ⌈Q⌉  N  ⌈Q/N⌉ min  R    n    total m
//   汽车库一        1950 1.0 1.3·.5·1950=1267.5  1268 8  159   55B  55   3    24    12
//   汽车库二        1860 1.0 1209                1209 8  152   55   55   3    24    12
//   地下一层汽车库  1720 1.0 1118                1118 7  160   55   55   3    21    12
//   柴油发电机房    85   0.5 1.3·.9·85/.5=198.9  199  2  100   89   144  1    2     9
//   燃气锅炉房 C    120  0.5 280.8               281  2  141   89   144  1    2     9
//   变配电室 E按B   210  1.0 245.7               246  2  123   55   55   3    6     12
//   商业营业厅      1200 75  1.3·.5·1200/75=10.4 11   4  3     2A   2    2    8     20
//   消防控制室      45   50  .9·45/50=0.81       1    1  1     3    3    1→2  2     15
//   门厅及走道      380  100 1.9                 2    2  1     1    2    1    2     25
//   餐厅            680  75  4.53                5    3  2     2    2    1    3     20
//   厨房 B          150  1.0 75                  75   2  38    55   55   1    2     12
//   三、四层办公区  1100 100 5.5                 6    3  2     1    2    1    3     25
//   档案室          90   50  1.62                2    2  1     3    3    1    2     15
//   计算机房        160  50  .7·160/50=2.24      3    2  2     3    3    1    2     15
//   会议中心        820  75  5.47                6    3  2     2    2    1    3     20
//   电梯机房        60   100 0.6                 1    1  1     1    2    1→2  2     25
// Totals: MF/ABC3 2+3+3+2=10, MF/ABC4 24+24+21+8+3+2+3=85, MF/ABC5 6, MF/ABC8 4, MT7 6.
// Each: 需配灭火级别 每点需配灭火级别 单具最小灭火级别 每点具数 合计具数 最大保护距离.
const std::vector<std::string> kWorked{
    "1268 159 55 3 24 12", "1209 152 55 3 24 12", "1118 160 55 3 21 12", "199 100 89 1 2 9",
    "281 141 89 1 2 9",    "246 123 55 3 6 12",   "11 3 2 2 8 20",       "1 1 3 2 2 15",
    "2 1 1 1 2 25",        "5 2 2 1 3 20",        "75 38 55 1 2 12",     "6 2 1 1 3 25",
    "2 1 3 1 2 15",        "6 2 1 1 3 25",        "3 2 3 1 2 15",        "6 2 2 1 3 20",
    "1 1 1 2 2 25"};
const Rows kTotals{
    {"MF/ABC3", "10"}, {"MF/ABC4", "85"}, {"MF/ABC5", "6"}, {"MF/ABC8", "4"}, {"MT7", "6"}};
constexpr std::size_t kInputs = 10;  // the nine inputs and 备注

std::string wholeFigures(const std::vector<std::string>& row) {
    std::string figures;
    for (const std::size_t result : {2U, 4U, 5U, 6U, 7U, 8U}) {  // past U, Q and Qe
        figures += (figures.empty() ? "" : " ") + row.at(kInputs + result);
    }
    return figures;
}

TEST(UnitTables, ComputesTheSampleBuildingAsWorkedByHand) {
    const RunResult r = run({"--csv", kTable, "--standard", "2005"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "extinguisher-calc-cli：已计算 17 行，全部成功\n");
    const Rows rows = extcalc::test::csvRows(r.out);
    ASSERT_EQ(rows.size(), 1 + kWorked.size() + kTotals.size());
    for (std::size_t i = 0; i < kWorked.size(); ++i) {
        EXPECT_EQ(wholeFigures(rows[1 + i]), kWorked[i]) << rows[1 + i][0];
        // Only the switch room's CO2 extinguisher draws a warning, and it fails nothing.
        EXPECT_EQ(rows[1 + i].back().starts_with("警告："), rows[1 + i][0] == "地下一层 变配电室");
    }
    for (std::size_t i = 0; i < kTotals.size(); ++i) {
        const auto& row = rows[1 + kWorked.size() + i];
        EXPECT_EQ((std::vector<std::string>{row[0], row[8], row[kInputs + 7], row.back()}),
                  (std::vector<std::string>{"合计", kTotals[i][0], kTotals[i][1], ""}));
    }
}

// The committed project is the sample table read in: the same figures either way.
TEST(UnitTables, ProjectGivesTheFiguresOfTheTable) {
    const RunResult r =
        run({"--project", std::string(EXTCALC_EXAMPLES_DIR) + "/building.exdesign", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto units = nlohmann::json::parse(r.out);
    ASSERT_EQ(units.size(), kWorked.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::string got;
        for (const char* key :
             {"Q_required", "Qe_required", "min_rating", "per_point", "total", "max_distance_m"}) {
            // Appended piece by piece: GCC 12 takes a literal joined to a temporary
            // string for overlapping copies (-Wrestrict) when optimising.
            if (!got.empty()) {
                got += ' ';
            }
            got += units[i][key].dump();
        }
        EXPECT_EQ(got, kWorked[i]) << units[i]["name"];
    }
}

struct Case {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the file below
    std::string file;               // a project when it starts with "{", else a table
    int exitCode;
    std::vector<std::string> said;  // each somewhere in standard output or error
};

class UnitCommands : public testing::TestWithParam<Case> {};

TEST_P(UnitCommands, ExitAndSay) {
    const Case& c = GetParam();
    const auto path = extcalc::test::scratchPath(c.file.starts_with("{") ? "u.exdesign" : "u.csv");
    std::ofstream(path, std::ios::binary) << c.file;
    std::vector<std::string> args = c.args;
    for (auto& arg : args) {
        arg = arg == "@" ? path.string() : arg;
    }
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    for (const auto& text : c.said) {
        EXPECT_NE((r.out + r.err).find(text), std::string::npos) << text << "\n" << r.out << r.err;
    }
}

const std::string kHeader = "name,class,hazard,k,special,area,points,extinguisher\n";
const std::vector<std::string> kTable2005{"--csv", "@", "--standard", "2005"};

INSTANTIATE_TEST_SUITE_P(
    Cli, UnitCommands,
    testing::Values(Case{"ErrorRowNamesItsLineAndStaysOutOfTheTotals",
                         kTable2005,
                         kHeader + "ok,A,2,2,no,1500,2,MF/ABC4\nsmall,A,3,1,no,100,1,MF/ABC3\n",
                         1,
                         {"第3行：错误：【强条】单具灭火级别 2A 低于", "合计不完整：有 1 行出错",
                          ",10,", "原因见“problems”列"}},
                    Case{"ClassEWithoutItsBasisFails",
                         kTable2005,
                         kHeader + "room,E,2,1,no,100,2,MT7\n",
                         1,
                         {"第2行："}},
                    Case{"ClassicProjectShowsTheWindowsLines",
                         {"--project", "@"},
                         R"({"format": "extinguisher-design", "version": 1, "standard": "GBJ140-90",
                 "units": [{"name": "餐厅", "class": "A", "hazard": "2", "k": "3",
                            "underground": "否", "extinguisher": "3", "area": "680"}]})",
                         0,
                         {"灭火级别Q1=", "需要灭火器数量N=", "配置数量="}},
                    Case{"MissingProjectFile",
                         {"--project", "/nonexistent/a.exdesign"},
                         "",
                         2,
                         {"无法打开工程“/nonexistent/a.exdesign”：文件不存在"}},
                    Case{"TableOutsideItsListIsNoProject",
                         {"--csv", "@", "--standard", "2005", "--out", "/nonexistent/p.exdesign"},
                         kHeader + "ok,A,7,2,no,1500,2,MF/ABC4\n",
                         2,
                         {"第2行", "不在GB 50140-2005的列表中"}},
                    Case{"SingleUnitOptionWithProject",
                         {"--project", "x.exdesign", "--class", "A"},
                         "",
                         2,
                         {"选项 --class 不能与 --project 同时使用"}}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
