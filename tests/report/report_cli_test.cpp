// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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
