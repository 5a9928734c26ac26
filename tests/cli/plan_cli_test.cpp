// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "run_program.h"

namespace {

using extcalc::test::RunResult;

RunResult runTable(const std::string& table, const std::string& mode) {
    const auto path = extcalc::test::scratchPath("plan.csv");
    std::ofstream(path, std::ios::binary) << table;
    return extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--csv", path.string(), "--standard", "2005", mode, "--json"});
}

constexpr const char* kHeader =
    "名称,火灾类别,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器,平面,设置点\n";

// The shop floor an estimate from its area gives two points: its corners are 22.67 m from
// them, beyond the 20 m of 中危险级 A.
TEST(CliPlan, TheShopFloorFailsWithTheEstimateAndPassesWithPlacedPoints) {
    const std::string row = "商场,A,中危险级,1.0,否,2040,";
    const RunResult fixed =
        runTable(std::string(kHeader) + row + "2,MF/ABC4,68x30,17 15; 51 15\n", "--plan-check");
    EXPECT_EQ(fixed.exitCode, 1) << fixed.err;
    const auto a = nlohmann::json::parse(fixed.out).at(0);
    EXPECT_EQ(a.at("max_distance_m"), 20);
    EXPECT_EQ(a.at("worst_distance_m"), 22.67);
    EXPECT_EQ(a.at("distance_ok"), false);
    EXPECT_EQ(a.at("points_at"), nlohmann::json::parse("[[17, 15], [51, 15]]"));

    // N left empty: the placement decides it.
    const RunResult placed = runTable(std::string(kHeader) + row + ",MF/ABC4,68x30,\n", "--place");
    EXPECT_EQ(placed.exitCode, 0) << placed.err << placed.out;
    const auto b = nlohmann::json::parse(placed.out).at(0);
    EXPECT_EQ(b.at("distance_ok"), true);
    EXPECT_LE(b.at("worst_distance_m").get<double>(), 20.0);
    EXPECT_EQ(b.at("points").get<std::size_t>(), b.at("points_at").size());
    for (const auto& p : b.at("points_at")) {
        const double x = p.at(0).get<double>();
        const double y = p.at(1).get<double>();
        EXPECT_LE(std::min({x, y, 68 - x, 30 - y}), 0.5);  // along a wall
    }
}

TEST(CliPlan, FixedPointsAreCheckedNotMovedAndNKeepsTheDesignersCount) {
    const RunResult r =
        runTable(std::string(kHeader) +
                     "L形,A,中危险级,1.0,否,300,4,MF/ABC4,"
                     "\"POLYGON((0 0, 20 0, 20 10, 10 10, 10 20, 0 20, 0 0))\",18 8\n",
                 "--place");
    const auto unit = nlohmann::json::parse(r.out).at(0);
    EXPECT_EQ(unit.at("points_at"), nlohmann::json::parse("[[18, 8]]"));
    EXPECT_EQ(unit.at("points"), 4);
    // Around the bend: √68 + √200.
    EXPECT_EQ(unit.at("worst_distance_m"), 22.39);
    EXPECT_EQ(unit.at("worst_at"), nlohmann::json::parse("[0, 20]"));
    EXPECT_EQ(unit.at("distance_ok"), false);
}

TEST(CliPlan, AreaAndOutlineThatDisagreeWarnAndBadOutlinesSayWhy) {
    const RunResult r = runTable(std::string(kHeader) +
                                     "一,A,2,1.0,否,100,1,MF/ABC4,10x12,5 6\n"
                                     "二,A,2,1.0,否,100,1,MF/ABC4,10x,\n"
                                     "三,A,2,1.0,否,100,1,MF/ABC4,10x10,50 50\n"
                                     "四,A,2,1.0,否,,,MF/ABC4,10x,\n",
                                 "--plan-check");
    EXPECT_EQ(r.exitCode, 1);
    const auto units = nlohmann::json::parse(r.out);
    // S and N left to the broken outline: its error alone, under the documented key.
    EXPECT_NE(units.at(3).at("plan_error").get<std::string>().find("长x宽"), std::string::npos);
    EXPECT_EQ(units.at(3).at("error").get<std::string>().find("缺少"), std::string::npos)
        << units.at(3).dump();
    EXPECT_NE(units.at(0).at("plan_warnings").at(0).get<std::string>().find("相差超过 1%"),
              std::string::npos);
    EXPECT_EQ(units.at(0).at("distance_ok"), true);
    EXPECT_NE(units.at(1).at("plan_error").get<std::string>().find("长x宽"), std::string::npos);
    EXPECT_NE(units.at(2).at("plan_error").get<std::string>().find("不在平面之内"),
              std::string::npos);
}

TEST(CliPlan, PlaceNeedsTheTableTheStandardAndJson) {
    const RunResult r = extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--place"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--place"), std::string::npos);
}

}  // namespace

namespace {

// ---- Plans in projects -----------------------------------------------------------------

std::string shopProject(const std::string& points) {
    return R"({"format": "extinguisher-design", "version": 3, "standard": "GB 50140-2005",
  "units": [{"name": "商场", "class": "A", "hazard": "中危险级", "k": "1.0", "special": "否",
             "area": "", "points": "", "extinguisher": "MF/ABC4", "outline": "68x30",
             "points_at": ")" +
           points + R"("}]})";
}

TEST(CliProjectPlan, TheShopFloorFailsWithTwoPointsAndPassesAfterPlace) {
    const auto path = extcalc::test::scratchPath("shop.exdesign");
    const auto placed = extcalc::test::scratchPath("shop-placed.exdesign");
    std::ofstream(path, std::ios::binary) << shopProject("17 15; 51 15");
    const std::string before = shopProject("17 15; 51 15");

    const RunResult check = extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--project", path.string(), "--plan-check", "--json"});
    EXPECT_EQ(check.exitCode, 1) << check.err;
    const auto unit = nlohmann::json::parse(check.out).at(0);
    EXPECT_EQ(unit.at("worst_distance_m"), 22.67);
    EXPECT_EQ(unit.at("distance_ok"), false);
    EXPECT_EQ(unit.at("points"), 2);  // N from the two points

    const RunResult text =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", path.string(), "--plan-check"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.out.find("22.67 m > 最大保护距离 20 m，不满足"), std::string::npos) << text.out;

    const RunResult place = extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--project", path.string(), "--place", "--out", placed.string()});
    EXPECT_EQ(place.exitCode, 0) << place.err;
    // The designer's points are gone from the file written: the unit is named.
    EXPECT_NE(
        place.err.find("“商场”：设计人员给出的设置点不满足最大保护距离，已换为程序布置的设置点"),
        std::string::npos)
        << place.err;
    EXPECT_NE(place.err.find("已为 1 个计算单元布置设置点（其中 1 个换下了设计人员给出的设置点）"),
              std::string::npos)
        << place.err;
    // The original is untouched; the copy holds the points and passes.
    EXPECT_EQ(extcalc::test::readFile(path), before);
    const RunResult after = extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--project", placed.string(), "--plan-check", "--json"});
    EXPECT_EQ(after.exitCode, 0) << after.out;
    const auto passed = nlohmann::json::parse(after.out).at(0);
    EXPECT_EQ(passed.at("distance_ok"), true);
    EXPECT_EQ(passed.at("points_placed"), true);  // saved, still the program's proposal
    EXPECT_EQ(passed.at("points").get<std::size_t>(), passed.at("points_at").size());
    EXPECT_GE(passed.at("points").get<int>(), 3);
    const RunResult said =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", placed.string(), "--plan-check"});
    EXPECT_NE(said.out.find("个设置点（程序布置）"), std::string::npos) << said.out;

    // Placed again: the program's own points pass and stay; nothing is replaced.
    const RunResult twice =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", placed.string(), "--place"});
    EXPECT_EQ(twice.exitCode, 0) << twice.err;
    EXPECT_NE(twice.err.find("已为 0 个计算单元布置设置点，"), std::string::npos) << twice.err;

    // A designer who moves a point makes them theirs.
    std::string edited = extcalc::test::readFile(placed);
    const auto at = edited.find(R"("points_at": ")") + 14;
    edited.insert(at, "34 0.25; ");
    std::ofstream(placed, std::ios::binary | std::ios::trunc) << edited;
    const RunResult theirs =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", placed.string(), "--plan-check"});
    EXPECT_NE(theirs.out.find("个设置点（设计人员给出）"), std::string::npos) << theirs.out;
}

struct Usage {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};

TEST(CliProjectPlan, OptionsThatDoNotGoTogetherAreUsageErrors) {
    const Usage cases[] = {
        {"dxf without layer",
         {"--dxf", "a.dxf", "--standard", "2005", "--out", "b.exdesign"},
         "--layer"},
        {"dxf classic",
         {"--dxf", "a.dxf", "--layer", "A", "--out", "b.exdesign"},
         "--standard 2005"},
        {"dxf to csv",
         {"--dxf", "a.dxf", "--layer", "A", "--standard", "2005", "--out", "b.csv"},
         ".exdesign"},
        {"export without project", {"--export-dxf", "a.dxf"}, "--project"},
        {"layer alone", {"--layer", "A"}, "--layer"},
        {"place with json", {"--project", "a.exdesign", "--place", "--json"}, "--plan-check"},
        {"check with out",
         {"--project", "a.exdesign", "--plan-check", "--out", "b.exdesign"},
         "--place"},
    };
    for (const Usage& c : cases) {
        const RunResult r = extcalc::test::runProgram(EXTCALC_CLI_PATH, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.name;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
    }
}

// Drawings as CAD draws them: rooms in inserts counted, arcs said at the import, in the check
// and its JSON; crossing outlines named.
TEST(CliProjectPlan, DrawingsImportAsDrawnAndSayWhatTheyHold) {
    const std::string fixtures = EXTCALC_DXF_FIXTURES;
    const struct {
        const char* drawing;
        const char* layer;
        std::vector<std::string> says;
    } cases[] = {
        {"blocks.dxf", "ROOMS", {"已从图纸读入 3 个房间（新计算单元 3 个"}},
        {"crossing.dxf", "ROOMS", {"警告：LWPOLYLINE（句柄 ", "相交", "已从图纸读入 3 个房间"}},
        {"arc-hall.dxf",
         "ROOMS",
         {"注意：“外凸大厅”：平面含圆弧 1 段，按圆弧外侧的折线读入", "注意：“内凹大厅”",
          "注意：“圆柱厅”"}},
    };
    std::filesystem::path project;
    for (const auto& c : cases) {
        const auto out = extcalc::test::scratchPath("from-drawing.exdesign");
        project = out;
        const RunResult r = extcalc::test::runProgram(
            EXTCALC_CLI_PATH, {"--dxf", fixtures + "/" + c.drawing, "--layer", c.layer,
                               "--standard", "2005", "--out", out.string()});
        EXPECT_EQ(r.exitCode, 0) << c.drawing << r.err;
        for (const std::string& part : c.says) {
            EXPECT_NE(r.err.find(part), std::string::npos) << c.drawing << ": " << r.err;
        }
    }
    // The arcs stay with the project: its results, its check and the check's JSON say them.
    const auto placed = extcalc::test::scratchPath("from-drawing-placed.exdesign");
    ASSERT_EQ(extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", project.string(), "--place",
                                                           "--out", placed.string()})
                  .exitCode,
              0);
    const RunResult results =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", placed.string(), "--json"});
    const auto units = nlohmann::json::parse(results.out);
    ASSERT_EQ(units.size(), 3U);
    EXPECT_EQ(units.at(0).at("outline_arcs").at("count"), 1);
    const RunResult check = extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--project", placed.string(), "--plan-check", "--json"});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_EQ(nlohmann::json::parse(check.out).at(1).at("outline_arcs").at("tolerance_m"), 0.01);
    const RunResult text =
        extcalc::test::runProgram(EXTCALC_CLI_PATH, {"--project", placed.string(), "--plan-check"});
    EXPECT_NE(text.out.find("内凹大厅：平面含圆弧 1 段"), std::string::npos) << text.out;
}

TEST(CliProjectPlan, ABadDrawingIsRefusedAndNothingIsWritten) {
    const auto drawing = extcalc::test::scratchPath("bad.dxf");
    const auto out = extcalc::test::scratchPath("from-bad.exdesign");
    std::filesystem::remove(out);
    std::ofstream(drawing, std::ios::binary) << "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\nA\n";
    const RunResult r = extcalc::test::runProgram(
        EXTCALC_CLI_PATH, {"--dxf", drawing.string(), "--layer", "A", "--standard", "2005",
                           "--units", "m", "--out", out.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("意外结束"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
