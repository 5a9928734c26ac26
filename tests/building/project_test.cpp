// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "extcalc/project.h"

namespace {

using extcalc::building::Project;
using extcalc::building::readProject;
using extcalc::building::Standard;

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

Project sample() {
    Project project;
    project.info.name = "某办公楼";
    project.info.designer = "张工";
    project.info.date = "2026-12-07";
    project.units = {{"一层 大厅", "A", "", "中危险级", "设有室内消火栓系统", "否", "1500", "2",
                      "MF/ABC4", "", "", "", ""},
                     {"配电室", "E", "B", "2", "0.9", "no", "80", "1", "MT5", "是", "附录D 第2项",
                      "MULTIPOLYGON(((0 0, 8 0, 8 10, 0 10, 0 0)))", "4 5"}};
    return project;
}

TEST(ProjectFile, WhatIsWrittenReadsBackTheSame) {
    for (const Standard standard : {Standard::Gb50140_2005, Standard::Gbj140_90}) {
        Project project = sample();
        project.standard = standard;
        if (standard == Standard::Gb50140_2005) {
            // The 配电室's 平面, read from a drawing's arcs.
            project.outlineArcs[project.units[1][11]] = {2, 0.01};
        }
        if (standard == Standard::Gbj140_90) {
            project.units = {{"大厅", "A", "中危险级,15m2/A", "只有消火栓系统，K=0.7", "否",
                              "磷酸铵盐干粉，4公斤，8A/具", "300", "附录C"}};
        }
        const std::string text = extcalc::building::projectJson(project);
        const auto read = readProject(text);
        ASSERT_TRUE(read.project.has_value()) << read.error->text();
        EXPECT_EQ(*read.project, project);
        EXPECT_NE(text.find("\"version\": 4"), std::string::npos);
        EXPECT_EQ(text.find("outline_arcs") != std::string::npos,
                  standard == Standard::Gb50140_2005);
    }
}

// Arcs belong to the 平面 they were read into: a copy of the unit has them, a 平面 typed anew
// has none, and a file without them (version 3) opens as it was.
TEST(ProjectFile, ArcsGoWithTheirOutline) {
    Project project = sample();
    const std::string outline = project.units[1][11];
    project.outlineArcs[outline] = {3, 0.01};
    project.units.push_back(project.units[1]);
    project.units[1][11] = "8x10";
    const auto read = readProject(extcalc::building::projectJson(project));
    ASSERT_TRUE(read.project.has_value()) << read.error->text();
    using extcalc::building::outlineArcsOf;
    EXPECT_FALSE(outlineArcsOf(*read.project, read.project->units[1]));
    ASSERT_TRUE(outlineArcsOf(*read.project, read.project->units[2]));
    EXPECT_EQ(outlineArcsOf(*read.project, read.project->units[2])->count, 3);
    EXPECT_EQ(extcalc::building::outlineArcsText({3, 0.01}),
              "平面含圆弧 3 段，按圆弧外侧的折线读入（平面只大不小），与圆弧相差不超过 1 cm");
    std::string older = extcalc::building::projectJson(sample());
    older.replace(older.find("\"version\": 4"), 12, "\"version\": 3");
    const auto three = readProject(older);
    ASSERT_TRUE(three.project.has_value());
    EXPECT_EQ(*three.project, sample());
}

struct BadFile {
    const char* name;
    std::string text;
    std::string place;       // where the error points
    std::string problemHas;  // part of what it says
};

void PrintTo(const BadFile& c, std::ostream* os) {
    *os << c.name;
}

class ProjectFileRefused : public testing::TestWithParam<BadFile> {};

TEST_P(ProjectFileRefused, NamesThePlaceAndTheProblem) {
    const auto& c = GetParam();
    const auto read = readProject(c.text);
    ASSERT_FALSE(read.project.has_value());
    ASSERT_TRUE(read.error.has_value());
    EXPECT_EQ(read.error->place, c.place);
    EXPECT_NE(read.error->problem.find(c.problemHas), std::string::npos) << read.error->problem;
}

const std::string kHead = R"({"format": "extinguisher-design", "version": 1, )";

INSTANTIATE_TEST_SUITE_P(
    Files, ProjectFileRefused,
    testing::Values(
        BadFile{"NotJson", "名称,火灾类别\n", "第 1 行第 1 列", "不是有效的 JSON"},
        BadFile{"Truncated", kHead + "\n\"standard\": \"GB 50140-2005\", \"units\": [",
                "第 2 行第 40 列", "意外结束"},
        BadFile{"NumberBeyondRange", R"({"format": "extinguisher-design", "version": 1e999})", "",
                "超出数值范围"},
        BadFile{"OtherJson", R"({"name": "x"})", "", "不是建筑灭火器配置设计的工程文件"},
        BadFile{
            "NewerVersion",
            R"({"format": "extinguisher-design", "version": 7, "standard": "GBJ140-90", "units": []})",
            "“version”", "较新版本"},
        BadFile{"UnknownStandard", kHead + R"("standard": "GB 99999", "units": []})", "“standard”",
                "规范缺失或无效"},
        BadFile{
            "HazardOutsideItsList",
            kHead +
                R"("standard": "GB 50140-2005", "units": [{"name": "库房", "hazard": "极危险级"}]})",
            "第 1 个计算单元（库房）的“危险等级”", "“极危险级”不在"},
        BadFile{"ClassicKOfTheOtherStandard",
                kHead + R"("standard": "GBJ140-90", "units": [{}, {"k": "设有灭火系统"}]})",
                "第 2 个计算单元的“修正系数”", "不在GBJ140-90的列表中"},
        BadFile{"UnknownKey", kHead + R"("standard": "GBJ140-90", "units": [{"points": "2"}]})",
                "第 1 个计算单元", "未知的项“points”"},
        // How a 平面 stands to a drawing's arcs: a count and a tolerance, for a 平面.
        BadFile{"ArcsNotAnObject",
                kHead + R"("standard": "GB 50140-2005", "units": [{"outline": "9x9",
                           "outline_arcs": 2}]})",
                "第 1 个计算单元的“outline_arcs”", "tolerance_m"},
        BadFile{"ArcsWithoutCount",
                kHead + R"("standard": "GB 50140-2005", "units": [{"outline": "9x9",
                           "outline_arcs": {"tolerance_m": 0.01, "n": 2}}]})",
                "第 1 个计算单元的“outline_arcs”", "count"},
        BadFile{"ArcsOfNoTolerance",
                kHead + R"("standard": "GB 50140-2005", "units": [{"outline": "9x9",
                           "outline_arcs": {"count": 2, "tolerance_m": 0}}]})",
                "第 1 个计算单元的“outline_arcs”", "count"},
        BadFile{"ArcsWithoutOutline",
                kHead + R"("standard": "GB 50140-2005", "units": [{"name": "厅",
                           "outline_arcs": {"count": 2, "tolerance_m": 0.01}}]})",
                "第 1 个计算单元（厅）的“outline_arcs”", "没有平面"},
        BadFile{"ArcsOfTheClassicStandard", kHead + R"("standard": "GBJ140-90", "units": [{
                           "outline_arcs": {"count": 2, "tolerance_m": 0.01}}]})",
                "第 1 个计算单元", "未知的项“outline_arcs”"}),
    byName);

// A failed save must leave the previous file as it was.
TEST(ProjectFile, FailedSaveLeavesThePreviousFile) {
    const auto folder = std::filesystem::temp_directory_path() / "extcalc-project-test";
    std::filesystem::create_directories(folder);
    const auto path = folder / "b.exdesign";
    ASSERT_FALSE(extcalc::building::writeProjectFile(path, sample()));
    const auto missing = folder / "gone" / "b.exdesign";
    EXPECT_TRUE(extcalc::building::writeProjectFile(missing, sample()));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(extcalc::building::readProjectFile(path).project, sample());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);
}

// What the folder holds before a save of b.exdesign, and whether each file is still there
// after it: only the temporary files of this very target's killed saves go.
struct Leftover {
    const char* name;
    bool directory;
    bool remainsAfterSave;
    bool remainsAfterFailedSave;
};

TEST(ProjectFile, NextSaveRemovesOnlyItsOwnKilledSavesFiles) {
    const Leftover cases[] = {
        {"b.exdesign.saving-123456", false, false, true},
        {"b.exdesign.saving-7", false, false, true},
        {"ab.exdesign.saving-7", false, true, true},
        {"b.exdesign.saving-", false, true, true},
        {"b.exdesign.saving-dir", true, true, true},
        {"c.exdesign.saving-42", false, true, true},
        {"b.exdesign.bak", false, true, true},
        {"b.exdesign.saving", false, true, true},
    };
    for (const bool failing : {false, true}) {
        const auto folder = std::filesystem::temp_directory_path() / "extcalc-leftover-test";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const Leftover& c : cases) {
            if (c.directory) {
                std::filesystem::create_directories(folder / c.name);
            } else {
                std::ofstream(folder / c.name) << "part of a killed save";
            }
        }
        // A save fails when its target is a folder: nothing may be taken away then.
        const auto target = folder / "b.exdesign";
        if (failing) {
            std::filesystem::create_directories(target);
        }
        EXPECT_EQ(static_cast<bool>(extcalc::building::writeProjectFile(target, sample())),
                  failing);
        for (const Leftover& c : cases) {
            EXPECT_EQ(std::filesystem::exists(folder / c.name),
                      failing ? c.remainsAfterFailedSave : c.remainsAfterSave)
                << c.name << (failing ? " after a failed save" : "");
        }
        std::filesystem::remove_all(folder);
    }
}

}  // namespace
