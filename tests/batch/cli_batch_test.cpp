// SPDX-License-Identifier: MIT
// The batch through the built program, as a designer runs it from a shell.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extcalc/csv.h"
#include "run_program.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };
const std::string kExample = std::string(EXTCALC_EXAMPLES_DIR) + "/building.csv";

using extcalc::test::RunResult;

std::string slurp(const fs::path& path) {
    return extcalc::test::readFile(path);
}

void spit(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

[[maybe_unused]] std::string quoted(const std::string& arg) {  // used only where FIFOs exist
    return extcalc::test::shellQuoted(arg);
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path scratch(const std::string& name) {
    return extcalc::test::scratchPath(name);
}

RunResult run(const std::vector<std::string>& args, const std::string& pipedFile = {}) {
    return extcalc::test::runProgram(EXTCALC_CLI_PATH, args, pipedFile);
}

Rows parse(const std::string& text) {
    return extcalc::test::csvRows(text);
}

// The sample building's results, worked out apart from this program (64-bit arithmetic,
// the underground factor 1.3 taken at its 32-bit value): name, Q1, Q, N, install (N as
// shown rounded up, and at least two for every place).
const Rows kBuildingResults{
    {"地下二层 汽车库 防火分区一", "260", "101.39999628067", "20.279999256134", "21"},
    {"地下二层 汽车库 防火分区二", "248", "96.7199964523315", "19.3439992904663", "20"},
    {"地下一层 汽车库", "229.333333333333", "89.4399967193604", "17.8879993438721", "18"},
    {"地下一层 柴油发电机房", "17", "15.4699994325638", "1.54699994325638", "2"},
    {"地下一层 燃气锅炉房", "24", "21.8399991989136", "7.27999973297119", "8"},
    {"地下一层 变配电室", "28", "25.4799990653992", "6.36999976634979", "7"},
    {"一层 商业营业厅", "80", "24", "3", "3"},
    {"一层 消防控制室", "4.5", "3.15", "0.63", "2"},
    {"一层 门厅及走道", "19", "5.7", "1.14", "2"},
    {"二层 餐厅", "45.3333333333333", "13.6", "1.7", "2"},
    {"二层 厨房", "20", "6", "1.2", "2"},
    {"三层 办公区", "55", "16.5", "2.0625", "3"},
    {"三层 档案室", "9", "6.3", "0.484615384615385", "2"},
    {"四层 办公区", "55", "16.5", "2.0625", "3"},
    {"四层 计算机房", "16", "16", "1.23076923076923", "2"},
    {"五层 会议中心", "54.6666666666667", "16.4", "2.05", "3"},
    {"屋顶 电梯机房", "3", "3", "0.6", "2"},
};
const Rows kBuildingTotals{
    {"磷酸铵盐干粉，2公斤，5A/具", "6"},   {"磷酸铵盐干粉，4公斤，8A/具", "14"},
    {"磷酸铵盐干粉，6公斤，13A/具", "4"},  {"二氧化碳灭火器，5公斤，3B/具", "8"},
    {"二氧化碳灭火器，7公斤，4B/具", "7"}, {"磷酸铵盐干粉，2公斤，5B/具", "61"},
    {"磷酸铵盐干粉，4公斤，10B/具", "2"},
};

void expectBuilding(const std::string& table) {
    const Rows rows = parse(table);
    const Rows input = parse(slurp(kExample));
    ASSERT_EQ(rows.size(), 1 + kBuildingResults.size() + kBuildingTotals.size());
    ASSERT_EQ(input.size(), 1 + kBuildingResults.size());
    const std::size_t width = input[0].size();  // 名称 … 建筑面积, 备注
    EXPECT_EQ(rows[0].back(), "错误");
    for (std::size_t i = 0; i < kBuildingResults.size(); ++i) {
        const auto& row = rows[1 + i];
        ASSERT_EQ(row.size(), width + 5) << "row " << i;
        // The input cells come back untouched, the remarks column included.
        EXPECT_EQ(std::vector<std::string>(row.begin(), row.begin() + static_cast<long>(width)),
                  input[1 + i]);
        const std::vector<std::string> got(row.begin() + static_cast<long>(width),
                                           row.begin() + static_cast<long>(width) + 4);
        const auto& want = kBuildingResults[i];
        EXPECT_EQ(row[0], want[0]);
        EXPECT_EQ(got, std::vector<std::string>(want.begin() + 1, want.end())) << want[0];
        EXPECT_EQ(row.back(), "") << want[0];
    }
    for (std::size_t i = 0; i < kBuildingTotals.size(); ++i) {
        const auto& row = rows[1 + kBuildingResults.size() + i];
        EXPECT_EQ(row[0], "合计");
        EXPECT_EQ(row[5], kBuildingTotals[i][0]);
        EXPECT_EQ(row[width + 3], kBuildingTotals[i][1]) << kBuildingTotals[i][0];
    }
}

const std::string kSummary = "extinguisher-calc-cli：已计算 17 行，全部成功\n";

TEST(BatchCli, ComputesTheSampleBuildingToStandardOutput) {
    const RunResult r = run({"--csv", kExample});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, kSummary);
    EXPECT_TRUE(r.out.starts_with(kMark));
    expectBuilding(r.out);
}

TEST(BatchCli, ReadsStandardInputAndWritesTheOutFile) {
    const fs::path out = scratch("result.csv");
    const RunResult r = run({"--csv", "-", "--out", out.string(), "--no-bom"}, kExample);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kSummary);
    const std::string written = slurp(out);
    EXPECT_FALSE(written.starts_with(kMark));
    expectBuilding(written);
    EXPECT_FALSE(fs::exists(out.string() + ".part"));
}

TEST(BatchCli, RowErrorsStillGiveTheFileAndExitOne) {
    const fs::path in = scratch("rooms.csv");
    spit(
        in,
        "name,class,hazard,k,underground,extinguisher,area\nok,A,2,2,no,3,300\nbad,D,1,1,no,1,5\n");
    const fs::path out = scratch("result.csv");
    const RunResult r = run({"--csv", in.string(), "--out", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(
        r.err,
        "extinguisher-calc-cli：共 2 行，其中 1 行出错（原因见“error”列；合计未计入出错的行）\n");
    const Rows rows = parse(slurp(out));
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[1][10], "2");
    EXPECT_TRUE(rows[2][11].starts_with("第3行：")) << rows[2][11];
}

// A refused table must not destroy the result of an earlier run nor leave half a new one.
TEST(BatchCli, RefusedTableLeavesTheOutFileAsItWas) {
    const fs::path in = scratch("gbk.csv");
    // Neither UTF-8 nor GB18030: 0xFF starts no character in either.
    spit(in,
         "name,class,hazard,k,underground,extinguisher,area\r\n"
         "ok,A,2,2,no,3,300\r\n"
         "\xB0\xEC\xFF,A,2,2,no,3,300\r\n");
    const fs::path out = scratch("result.csv");
    spit(out, "earlier result\n");
    const RunResult r = run({"--csv", in.string(), "--out", out.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("第3行不是有效的 UTF-8 文本"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("另存为 UTF-8"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_EQ(slurp(out), "earlier result\n");
    EXPECT_FALSE(fs::exists(out.string() + ".part"));

    // Standard input is checked as a whole too: nothing is written.
    const RunResult piped = run({"--csv", "-"}, in.string());
    EXPECT_EQ(piped.exitCode, 2);
    EXPECT_EQ(piped.out, "");
    EXPECT_NE(piped.err.find("第3行不是有效的 UTF-8 文本"), std::string::npos) << piped.err;
}

// The designer edits the inputs of a result table and runs it again: the earlier
// results and totals are dropped and computed afresh, not doubled.
TEST(BatchCli, ResultTableFedBackComputesTheSameTable) {
    const fs::path first = scratch("first.csv");
    const fs::path second = scratch("second.csv");
    ASSERT_EQ(run({"--csv", kExample, "--out", first.string()}).exitCode, 0);
    const RunResult again = run({"--csv", first.string(), "--out", second.string()});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(slurp(second), slurp(first));
}

// Tables are named in Chinese as often as not; such a name must reach the file system
// intact both ways, and come back intact in the messages.
TEST(BatchCli, TablesWithChineseNames) {
    const fs::path dir = scratch("");
    fs::create_directory(dir);
    const fs::path in = dir / u8"建筑.csv";
    const fs::path out = dir / u8"结果.csv";
    fs::copy_file(kExample, in);
    const RunResult r = run({"--csv", utf8(in), "--out", utf8(out)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, kSummary);
    expectBuilding(slurp(out));

    const std::string missing = utf8(dir / u8"缺少的表.csv");
    const RunResult refused = run({"--csv", missing});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("无法打开输入文件“" + missing + "”"), std::string::npos)
        << refused.err;
}

#ifndef _WIN32
// Writing through a link must keep the link; a pipe or device cannot be replaced by a
// renamed file at all, or the next program to use it would find a plain file there.
TEST(BatchCli, WritesThroughLinksAndIntoPipes) {
    const fs::path real = scratch("real.csv");
    const fs::path link = scratch("link.csv");
    spit(real, "earlier result\n");
    fs::create_symlink(real, link);
    const RunResult linked = run({"--csv", kExample, "--out", link.string()});
    EXPECT_EQ(linked.exitCode, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(link));
    expectBuilding(slurp(real));

    const fs::path fifo = scratch("fifo");
    const fs::path got = scratch("got.csv");
    ASSERT_EQ(std::system(("mkfifo " + quoted(fifo.string())).c_str()), 0);
    const std::string reader = "timeout 20 cat " + quoted(fifo.string()) + " >" +
                               quoted(got.string()) + " & " + quoted(EXTCALC_CLI_PATH) + " --csv " +
                               quoted(kExample) + " --out " + quoted(fifo.string()) +
                               " 2>/dev/null; status=$?; wait; exit $status";
    const int status = std::system(reader.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    EXPECT_FALSE(fs::exists(fifo.string() + ".part"));
    expectBuilding(slurp(got));
}
#endif  // Windows has no FIFOs, and symbolic links there need a privilege.

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string err;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchCliUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(BatchCliUsage, FailsWithNothingOnStandardOutput) {
    const auto& c = GetParam();
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchCliUsage,
    testing::Values(UsageCase{"MissingFile",
                              {"--csv", "/nonexistent/rooms.csv"},
                              2,
                              "无法打开输入文件“/nonexistent/rooms.csv”"},
                    UsageCase{"Directory", {"--csv", "/"}, 2, "“/” 是文件夹，不是表格文件"},
                    UsageCase{"OutIntoMissingDirectory",
                              {"--csv", kExample, "--out", "/nonexistent/r.csv"},
                              2,
                              "无法写入输出文件“/nonexistent/r.csv”（所在的文件夹不存在；"},
                    UsageCase{"OutIsTheInputUnderAnotherName",
                              {"--csv", kExample, "--out",
                               std::string(EXTCALC_EXAMPLES_DIR) + "/../examples/building.csv"},
                              2,
                              "这就是输入的表格，写入会毁掉它"},
                    UsageCase{"WithASingleCalculationOption",
                              {"--csv", kExample, "--class", "A"},
                              2,
                              "选项 --class 不能与 --csv 同时使用"},
                    UsageCase{"OutAlone", {"--out", "x.csv"}, 2, "--out 只能与 --csv 一起使用"},
                    UsageCase{"NoBomAlone", {"--no-bom"}, 2, "--no-bom 只能与 --csv 一起使用"},
                    UsageCase{"CsvWithoutFile", {"--csv"}, 2, "选项 --csv 缺少取值"}),
    byName);

}  // namespace
