// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include "extcalc/project.h"
#include "run_program.h"
#include "sample_projects.h"

namespace {

using namespace extcalc;

const std::string kCli = EXTCALC_CLI_PATH;

std::string projectFile(const building::Project& project) {
    const auto path = test::scratchPath(".exdesign");
    EXPECT_FALSE(building::writeProjectFile(path, project));
    return path.string();
}

test::RunResult report(const std::string& project, const std::string& out) {
    return test::runProgram(kCli, {"--project", project, "--report", out});
}

std::string withoutBlanks(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\f'; });
    return text;
}

int pageCount(const std::string& pdf) {
    const auto info = test::runProgram("pdfinfo", {pdf});
    std::smatch m;
    EXPECT_TRUE(std::regex_search(info.out, m, std::regex(R"(Pages:\s+(\d+))"))) << info.out;
    return m.empty() ? 0 : std::stoi(m[1]);
}

TEST(ReportCommand, RefusesWhatItCannotWrite) {
    const std::string project = projectFile(test::currentProject());
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errHas;
    };
    for (const auto& c : std::vector<Case>{
             {{"--project", project, "--report", "x.txt"}, 2, ".pdf 或 .html"},
             {{"--project", project, "--report", "noext"}, 2, ".pdf 或 .html"},
             {{"--report", "x.html"}, 2, "--project"},
             {{"--project", "/nonexistent/p.exdesign", "--report", "x.html"}, 2, "无法读入"},
             {{"--project", project, "--report", "/nonexistent/dir/x.html"}, 1, "无法写入"},
         }) {
        const auto run = test::runProgram(kCli, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
    }
}

// A report that cannot be written says why in the words of a failed save, names the
// file the user gave, and leaves nothing behind; units in error are written but fail.
TEST(ReportCommand, FailuresSayWhyAndErrorsFail) {
    const std::string withErrors = projectFile(test::currentProject());
    const std::string clean = projectFile(test::classicProject());
    struct Case {
        std::string project;
        std::string out;
        int exitCode;
        std::vector<std::string> errHas;
        bool written;
    };
    const auto folder = test::scratchPath("-out");
    std::filesystem::create_directories(folder);
    for (const auto& c : std::vector<Case>{
             // /sys refuses new files even to root, as a read-only folder does to a user.
             {clean,
              "/sys/计算书.pdf",
              1,
              {"无法写入“/sys/计算书.pdf”：没有在这里写入的权限"},
              false},
             {clean,
              "/sys/计算书.html",
              1,
              {"无法写入“/sys/计算书.html”：没有在这里写入的权限"},
              false},
             {clean, (folder / "无此文件夹" / "x.pdf").string(), 1, {"所在的文件夹不存在"}, false},
             {withErrors,
              (folder / "有错误.pdf").string(),
              1,
              {"计算书已写出，但有 2 个计算单元有错误", "4 镁粉库、5 油漆库"},
              true},
             {withErrors, (folder / "有错误.html").string(), 1, {"4 镁粉库、5 油漆库"}, true},
             {clean, (folder / "无错误.pdf").string(), 0, {}, true},
         }) {
        const auto run = report(c.project, c.out);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.out << run.err;
        for (const auto& part : c.errHas) {
            EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
        }
        if (c.errHas.empty()) {
            EXPECT_EQ(run.err, "");
        }
        for (const char* never : {"QPainter", ".part", "Returned false"}) {
            EXPECT_EQ(run.err.find(never), std::string::npos) << run.err;
        }
        EXPECT_EQ(std::filesystem::exists(c.out), c.written) << c.out;
    }
    // Only the finished files: no temporary one is left beside them.
    std::vector<std::string> names;
    std::transform(std::filesystem::directory_iterator(folder),
                   std::filesystem::directory_iterator(), std::back_inserter(names),
                   [](const auto& entry) { return entry.path().filename().string(); });
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"无错误.pdf", "有错误.html", "有错误.pdf"}));
}

TEST(ReportCommand, WritesHtmlChosenByTheExtension) {
    const auto out = test::scratchPath(".HTML");
    const auto run = report(projectFile(test::classicProject()), out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string html = test::readFile(out);
    EXPECT_EQ(html.rfind("<?xml", 0), 0U);
    EXPECT_EQ(test::runProgram("xmllint", {"--noout", out.string()}).exitCode, 0);
}

#ifdef EXTCALC_TEST_PDF
TEST(ReportPdf, ReadsBackWithTextFontsAndPages) {
    for (const auto& project : {test::currentProject(), test::classicProject()}) {
        const auto out = test::scratchPath(".pdf");
        const auto run = report(projectFile(project), out.string());
        // The sample of the current standard has two units in error, written all the same.
        ASSERT_EQ(run.exitCode, project.standard == building::Standard::Gb50140_2005 ? 1 : 0)
            << run.err;
        const int pages = pageCount(out.string());
        ASSERT_GE(pages, 1);

        const auto info = test::runProgram("pdfinfo", {out.string()});
        EXPECT_NE(info.out.find("(A4)"), std::string::npos) << info.out;

        const std::string text = test::runProgram("pdftotext", {"-layout", out.string(), "-"}).out;
        const std::string squeezed = withoutBlanks(text);
        for (const std::string& expected :
             {std::string("建筑灭火器配置设计计算书"), "工程名称" + project.info.name,
              "第1页共" + std::to_string(pages) + "页",
              "第" + std::to_string(pages) + "页共" + std::to_string(pages) + "页",
              project.standard == building::Standard::Gb50140_2005
                  ? std::string("Q=K×S÷U=0.9×1500÷75=18，取18A")
                  : std::string("Q1=S÷U=300÷15=20"),
              std::string("灭火器配置清单")}) {
            EXPECT_NE(squeezed.find(expected), std::string::npos) << expected;
        }

        // Every font embedded: the "emb" column of each font row says yes.
        const auto fonts = test::runProgram("pdffonts", {out.string()});
        ASSERT_EQ(fonts.exitCode, 0);
        int rows = 0;
        std::istringstream lines(fonts.out);
        for (std::string line; std::getline(lines, line);) {
            if (++rows > 2) {
                EXPECT_TRUE(std::regex_search(line, std::regex(R"(Identity-H\s+yes)"))) << line;
            }
        }
        EXPECT_GT(rows, 2);
    }
}

// What a plan reviewer reads first: the title page with the project's particulars, the
// building and the signers; the summary's K, U, ×1.3 and distance; the bill of materials.
TEST(ReportPdf, TitlePageSummaryAndBillOfMaterialsReadBack) {
    building::Project project = test::currentProject();
    project.units.resize(3);  // the units without errors
    project.units.push_back(
        {"油品库", "B", "", "严重危险级", "1", "否", "650", "4", "MF/ABC10", "", "附录D 第5项"});
    project.info.number = "2026-017";
    project.info.subproject = "1号楼";
    project.info.buildingUse = "仓库";
    project.info.storeys = "地上2层";
    project.info.height = "9.6";
    project.info.totalArea = "3000";
    project.info.reviewer = "（审核人）";
    project.info.disciplineLead = "（专业负责人）";
    const auto out = test::scratchPath(".pdf");
    const auto run = report(projectFile(project), out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto page = [&](int n) {
        const std::string p = std::to_string(n);
        return test::runProgram("pdftotext", {"-f", p, "-l", p, "-layout", out.string(), "-"}).out;
    };
    const int pages = pageCount(out.string());
    const std::string first = withoutBlanks(page(1));
    for (const char* part :
         {"工程编号2026-017", "子项1号楼", "建筑概况", "建筑用途仓库", "建筑层数地上2层",
          "建筑高度9.6m", "总建筑面积3000m²", "职责姓名签字", "设计人", "校对人", "审核（审核人）",
          "审定", "专业负责人（专业负责人）"}) {
        EXPECT_NE(first.find(part), std::string::npos) << part << "\n" << first;
    }
    std::string all;
    for (int n = 2; n <= pages; ++n) {
        all += page(n);
    }
    // No value broken over two lines: "1300B" and "严重危险级" stay whole in their cells.
    EXPECT_NE(all.find("1300B"), std::string::npos);
    EXPECT_NE(all.find("严重危险级（依据：附录D 第5项）"), std::string::npos);
    const std::string squeezed = withoutBlanks(all);
    for (const char* part :
         {"K×1.3UQNQe", "最大", "手提式磷酸铵盐干粉灭火器4kgMF/ABC42A/55B12一层仓库10具、配电室2具",
          "手提式磷酸铵盐干粉灭火器5kgMF/ABC53A/89B6地下商场6具",
          "手提式磷酸铵盐干粉灭火器10kgMF/ABC106A/144B12油品库12具", "合计30"}) {
        EXPECT_NE(squeezed.find(part), std::string::npos) << part;
    }
    // Summary of 地下 商场: K 0.9, ×1.3, U 75, Q 16A, 20 m.
    EXPECT_NE(squeezed.find("10000.91.37516A36AMF/ABC52620通过"), std::string::npos) << squeezed;
}

// Without a project name the header does not say the title twice.
TEST(ReportPdf, HeaderNamesTheTitleOnce) {
    for (const std::string name : {"", "某工程"}) {
        building::Project project = test::classicProject();
        project.info.name = name;
        const auto out = test::scratchPath(".pdf");
        ASSERT_EQ(report(projectFile(project), out.string()).exitCode, 0);
        const std::string second =
            test::runProgram("pdftotext", {"-f", "2", "-l", "2", "-layout", out.string(), "-"}).out;
        const std::string header = second.substr(0, second.find('\n'));
        std::size_t titles = 0;
        for (auto at = header.find("建筑灭火器配置设计计算书"); at != std::string::npos;
             at = header.find("建筑灭火器配置设计计算书", at + 1)) {
            ++titles;
        }
        EXPECT_EQ(titles, 1U) << header;
        EXPECT_EQ(header.find("某工程") != std::string::npos, !name.empty()) << header;
    }
}

// The summary of many units runs over pages, its header repeated on each, and every
// page counts the same total.
TEST(ReportPdf, LongTablesRepeatTheirHeader) {
    const auto out = test::scratchPath(".pdf");
    const auto run = report(projectFile(test::largeProject(120)), out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const int pages = pageCount(out.string());
    int summaryPages = 0;
    for (int page = 1; page <= pages; ++page) {
        const std::string p = std::to_string(page);
        const std::string text = withoutBlanks(
            test::runProgram("pdftotext", {"-f", p, "-l", p, "-layout", out.string(), "-"}).out);
        EXPECT_NE(text.find("第" + p + "页共" + std::to_string(pages) + "页"), std::string::npos);
        // A summary row: model, 1 per point, 2 in the unit, 20 m, passed.
        const bool summaryRows = text.find("MF/ABC41220通过") != std::string::npos;
        if (summaryRows) {
            ++summaryPages;
            EXPECT_NE(text.find("种类/等级"), std::string::npos) << "page " << page;
        }
    }
    EXPECT_GE(summaryPages, 2);
}
#endif

}  // namespace
