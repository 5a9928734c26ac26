// SPDX-License-Identifier: MIT
// DXF drawings written by ezdxf (tests/plan/dxf/make_fixtures.py) read as rooms, and the bad
// drawings a designer may hand over refused with what and where.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extcalc/plan/dxf.h"
#include "extcalc/plan/plan.h"
#include "extcalc/plan_project.h"
#include "extcalc/units.h"

namespace {

namespace dxf = extcalc::plan::dxf;

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(EXTCALC_DXF_FIXTURES) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

dxf::Import readRooms(const std::string& name, const std::string& layer,
                      std::optional<double> unit = std::nullopt) {
    dxf::ImportOptions options;
    options.layer = layer;
    options.metresPerUnit = unit;
    return dxf::importRooms(fixture(name), options);
}

const dxf::Room* named(const dxf::Import& read, const std::string& name) {
    const auto found = std::find_if(read.rooms.begin(), read.rooms.end(),
                                    [&name](const dxf::Room& r) { return r.name == name; });
    return found == read.rooms.end() ? nullptr : &*found;
}

struct RoomCase {
    const char* name;
    double area;  // m², holes taken out
    std::size_t holes;
};

TEST(DxfImport, R12PolylinesInMillimetres) {
    const dxf::Import read = readRooms("floor-r12.dxf", "房间", 0.001);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.rooms.size(), 3U);
    const RoomCase cases[] = {{"商场", 2040.0, 0}, {"办公室", 299.0, 1}, {"", 20.0, 0}};
    for (const RoomCase& c : cases) {
        const dxf::Room* room = named(read, c.name);
        ASSERT_NE(room, nullptr) << c.name;
        EXPECT_NEAR(extcalc::plan::area(room->outline), c.area, 1e-6) << c.name;
        EXPECT_EQ(room->outline.holes.size(), c.holes) << c.name;
        EXPECT_FALSE(room->handle.empty()) << c.name;
    }
    // The drawing's frame, in metres: the shop's far corner.
    const auto& shop = named(read, "商场")->outline.outer;
    EXPECT_TRUE(std::find(shop.begin(), shop.end(), extcalc::plan::Point{68, 30}) != shop.end());
}

TEST(DxfImport, Lwpolylines2018InTheDrawingsOwnUnit) {
    const dxf::Import read = readRooms("floor-2018.dxf", "rooms");  // layer names ignore case
    ASSERT_EQ(read.error, "");
    EXPECT_DOUBLE_EQ(read.metresPerUnit, 0.001);
    const RoomCase cases[] = {
        {"环形大厅", 800.0, 1},       // MTEXT, formatting and second paragraph left out
        {"库房", 70.0, 0},            // closed by its last vertex, not its flag
        {"核心筒内的机房", 36.0, 0},  // an island in the core is a room again
    };
    for (const RoomCase& c : cases) {
        const dxf::Room* room = named(read, c.name);
        ASSERT_NE(room, nullptr) << c.name;
        EXPECT_NEAR(extcalc::plan::area(room->outline), c.area, 1e-6) << c.name;
        EXPECT_EQ(room->outline.holes.size(), c.holes) << c.name;
    }
    EXPECT_EQ(std::count_if(read.rooms.begin(), read.rooms.end(),
                            [](const dxf::Room& r) { return r.name == "走廊"; }),
              2);
    EXPECT_EQ(read.rooms.size(), 5U);
}

struct BadDxf {
    const char* name;
    std::string text;
    std::string layer;
    std::optional<double> unit;
    std::vector<std::string> says;  // every part must appear
};

std::string handleOfBowtie() {
    std::string handle = fixture("bowtie-handle.txt");
    handle.erase(handle.find_last_not_of("\r\n") + 1);
    return handle;
}

TEST(DxfImport, BadDrawingsSayWhatAndWhere) {
    const std::string good = fixture("floor-2018.dxf");
    const std::vector<BadDxf> cases = {
        {"truncated", fixture("bad-truncated.dxf"), "ROOMS", {}, {"意外结束", "不完整"}},
        {"binary", fixture("bad-binary.dxf"), "ROOMS", {}, {"二进制 DXF"}},
        {"no closed outline",
         fixture("bad-open.dxf"),
         "ROOMS",
         {},
         {"没有闭合的多段线", "1 条未闭合"}},
        {"self-intersecting",
         fixture("bad-crossed.dxf"),
         "ROOMS",
         {},
         {"句柄 " + handleOfBowtie(), "自相交", "LWPOLYLINE"}},
        {"huge coordinates",
         fixture("bad-huge.dxf"),
         "ROOMS",
         {},
         {"超出任何建筑", "句柄", "单位"}},
        {"unknown layer", good, "不存在", {}, {"没有图层“不存在”", "ROOMS", "墙"}},
        {"R12 without a unit", fixture("floor-r12.dxf"), "房间", {}, {"没有注明单位", "--units"}},
        {"not DXF", "名称,火灾类别\n商场,A\n", "0", 1.0, {"第 1 行", "组码"}},
        {"empty", "", "0", 1.0, {"空的"}},
        {"value missing at the end", "0\nSECTION\n2\n", "0", 1.0, {"第 3 行", "缺少值"}},
        {"coordinate not a number",
         "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\nA\n70\n1\n10\n0\n20\nx1\n10\n5\n20\n0\n10\n5\n"
         "20\n5\n0\nENDSEC\n0\nEOF\n",
         "A",
         1.0,
         {"“x1”", "第 14 行", "不是数值"}},
        {"polyline without SEQEND",
         "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\nA\n70\n1\n0\nVERTEX\n10\n0\n20\n0\n0\nENDSEC\n0"
         "\n"
         "EOF\n",
         "A",
         1.0,
         {"SEQEND", "第 5 行"}},
        // Found by the fuzzer: the rooms read before the fault used to come back too.
        {"hole on its room's wall",
         "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n5\n30\n8\nA\n70\n1\n10\n0\n20\n0\n10\n10\n20\n0\n"
         "10\n10\n20\n10\n10\n0\n20\n10\n0\nLWPOLYLINE\n8\nA\n70\n1\n10\n0\n20\n2\n10\n3\n20\n2\n"
         "10\n3\n20\n5\n10\n0\n20\n5\n0\nENDSEC\n0\nEOF\n",
         "A",
         1.0,
         {"句柄 30", "洞"}},
        {"two vertices",
         "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n5\n2F\n8\nA\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n"
         "0\nENDSEC\n0\nEOF\n",
         "A",
         1.0,
         {"句柄 2F", "少于 3 个"}},
    };
    for (const BadDxf& c : cases) {
        dxf::ImportOptions options;
        options.layer = c.layer;
        options.metresPerUnit = c.unit;
        const dxf::Import read = dxf::importRooms(c.text, options);
        EXPECT_TRUE(read.rooms.empty()) << c.name;
        for (const std::string& part : c.says) {
            EXPECT_NE(read.error.find(part), std::string::npos)
                << c.name << ": " << read.error << " lacks " << part;
        }
    }
}

TEST(DxfImport, TextsInTheCodePageOrEscaped) {
    // A room named in \U+ escapes (R12) and one in GBK bytes (a pre-2007 drawing of a Chinese
    // system): both read as UTF-8, the second through the building library's decoder.
    const std::string head = "0\nSECTION\n2\nENTITIES\n";
    const std::string room =
        "0\nLWPOLYLINE\n8\nA\n70\n1\n10\n0\n20\n0\n10\n4\n20\n0\n10\n4\n20\n3\n10\n0\n20\n3\n";
    const auto text = [](const std::string& body) {
        return "0\nTEXT\n8\n0\n10\n1\n20\n1\n40\n0.3\n1\n" + body + "\n";
    };
    const std::string tail = "0\nENDSEC\n0\nEOF\n";
    dxf::ImportOptions options;
    options.layer = "A";
    options.metresPerUnit = 1.0;
    EXPECT_EQ(
        dxf::importRooms(head + room + text("\\U+5E93\\U+623F") + tail, options).rooms.at(0).name,
        "库房");
    const std::string gbk = "\xBF\xE2\xB7\xBF";  // 库房
    const auto imported =
        extcalc::building::importRoomsIntoProject(head + room + text(gbk) + tail, options, {});
    ASSERT_TRUE(imported.project) << imported.error;
    EXPECT_EQ(imported.project->units.at(0).at(0), "库房");
}

// ---- Layers for choosing the room layer ----------------------------------------------------

// A drawing of the entities given, in metres unless told; blocks in their section.
std::string drawingOf(const std::string& entities, const std::string& blocks = "",
                      const std::string& header = "9\n$INSUNITS\n70\n6\n") {
    return "0\nSECTION\n2\nHEADER\n" + header + "0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n" + blocks +
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string number(double v) {
    std::ostringstream text;
    text.precision(17);
    text << v;
    return text.str();
}

// A closed (or open) LWPOLYLINE through the points, with a handle when given.
std::string polyline(const std::string& layer, const std::vector<std::pair<double, double>>& points,
                     bool closed = true, const std::string& handle = "") {
    std::string text = "0\nLWPOLYLINE\n" + (handle.empty() ? "" : "5\n" + handle + "\n") + "8\n" +
                       layer + "\n90\n" + std::to_string(points.size()) + "\n70\n" +
                       (closed ? "1" : "0") + "\n";
    for (const auto& [x, y] : points) {
        text += "10\n" + number(x) + "\n20\n" + number(y) + "\n";
    }
    return text;
}

std::string box(const std::string& layer, double x, double y, double w, double h,
                const std::string& handle = "") {
    return polyline(layer, {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, true, handle);
}

struct SummaryCase {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, int>> layers;  // as listed, with closed outlines
    std::string likely;
    std::optional<double> unit;
};

TEST(DxfSummary, LayersWithTheirOutlinesAndTheLikelyRoomLayer) {
    std::string many;
    for (int i = 0; i < 5; ++i) {
        many += box("FURN", i * 2.0, 0, 1, 1);
    }
    const std::vector<SummaryCase> cases = {
        // Furniture has most outlines; the room layer's name says so, and a block drawn on
        // layer 0 inserted on it counts there.
        {"named",
         fixture("layers.dxf"),
         {{"A-WALL", 4}, {"家具", 9}, {"空间", 3}, {"轴线", 0}},
         "空间",
         1.0},
        {"2018", fixture("floor-2018.dxf"), {{"0", 0}, {"ROOMS", 6}, {"墙", 0}}, "ROOMS", 0.001},
        {"R12 in escapes, no unit",
         fixture("floor-r12.dxf"),
         {{"0", 0}, {"房间", 4}, {"墙", 0}},
         "房间",
         std::nullopt},
        // No layer says room: the most outlines on a layer not named as something else.
        {"by outlines",
         drawingOf(box("WALL", 0, 0, 1, 1) + box("WALL", 2, 0, 1, 1) + many +
                   box("PLAN", 0, 5, 9, 9)),
         {{"WALL", 2}, {"FURN", 5}, {"PLAN", 1}},
         "PLAN",
         1.0},
        {"only walls", drawingOf(box("WALL", 0, 0, 1, 1)), {{"WALL", 1}}, "WALL", 1.0},
        {"no closed outline",
         drawingOf(polyline("A", {{0, 0}, {1, 0}, {1, 1}}, false) +
                   polyline("B", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, false)),
         {{"A", 0}, {"B", 0}},
         "A",
         1.0},
    };
    for (const SummaryCase& c : cases) {
        const dxf::DrawingSummary summary = extcalc::building::summarizeDrawing(c.text);
        ASSERT_EQ(summary.error, "") << c.name;
        std::vector<std::pair<std::string, int>> seen;
        for (const dxf::LayerSummary& l : summary.layers) {
            seen.emplace_back(l.name, l.closedOutlines);
        }
        EXPECT_EQ(seen, c.layers) << c.name;
        ASSERT_LT(summary.likelyRoomLayer, summary.layers.size()) << c.name;
        EXPECT_EQ(summary.layers[summary.likelyRoomLayer].name, c.likely) << c.name;
        EXPECT_EQ(summary.metresPerUnit, c.unit) << c.name;
    }
    // A drawing that cannot be read says why, and lists nothing.
    const dxf::DrawingSummary binary = dxf::summarize(fixture("bad-binary.dxf"));
    EXPECT_NE(binary.error.find("二进制"), std::string::npos);
    EXPECT_TRUE(binary.layers.empty());
    // A layer named in GBK by a drawing before AutoCAD 2007, through the building library.
    const std::string gbk = drawingOf(box("\xB7\xBF\xBC\xE4", 0, 0, 4, 3), "",
                                      "9\n$ACADVER\n1\nAC1015\n9\n$INSUNITS\n70\n4\n");
    const dxf::DrawingSummary decoded = extcalc::building::summarizeDrawing(gbk);
    ASSERT_EQ(decoded.layers.size(), 1U);
    EXPECT_EQ(decoded.layers[0].name, "房间");
    EXPECT_EQ(decoded.metresPerUnit, 0.001);
}

// ---- Rooms into a project ---------------------------------------------------------------

std::size_t column(std::string_view key) {
    const auto columns = extcalc::building::inputColumns(extcalc::building::Standard::Gb50140_2005);
    return static_cast<std::size_t>(std::find_if(columns.begin(), columns.end(),
                                                 [key](const auto& c) { return c.key == key; }) -
                                    columns.begin());
}

TEST(DxfProject, RoomsBecomeUnitsOrJoinTheirNamesake) {
    using extcalc::building::Standard;
    extcalc::building::Project base;
    base.units.push_back(extcalc::building::newUnit(Standard::Gb50140_2005, nullptr));
    base.units[0][0] = "库房";
    base.units[0][column("points")] = "3";
    base.units[0][column("points_at")] = "45 8; 500 500";  // the second is outside the new room
    dxf::ImportOptions options;
    options.layer = "ROOMS";
    const auto imported =
        extcalc::building::importRoomsIntoProject(fixture("floor-2018.dxf"), options, base);
    ASSERT_TRUE(imported.project) << imported.error;
    const auto& units = imported.project->units;
    EXPECT_EQ(imported.added, 3U);   // 环形大厅, 走廊, the machine room
    EXPECT_EQ(imported.joined, 2U);  // 库房 and the second 走廊
    ASSERT_EQ(units.size(), 4U);
    EXPECT_EQ(units[0][column("points")], "3");  // the designer's N stays
    EXPECT_EQ(units[0][column("points_at")], "45 8");
    const auto corridor =
        std::find_if(units.begin(), units.end(), [](const auto& u) { return u[0] == "走廊"; });
    ASSERT_NE(corridor, units.end());
    EXPECT_EQ((*corridor)[column("outline")].rfind("MULTIPOLYGON", 0), 0U);
    for (const auto& unit : units) {
        const auto outcome = extcalc::building::evaluate(Standard::Gb50140_2005, unit);
        ASSERT_TRUE(outcome.plan) << unit[0];
        EXPECT_TRUE(outcome.plan->error.empty()) << unit[0] << outcome.problemText();
        EXPECT_FALSE(outcome.failed()) << unit[0] << outcome.problemText();
    }
    // Classic projects have no plan.
    extcalc::building::Project classic;
    classic.standard = Standard::Gbj140_90;
    EXPECT_FALSE(
        extcalc::building::importRoomsIntoProject(fixture("floor-2018.dxf"), options, classic)
            .project);
}

// New units take the answers of the unit the designer is on where one is given, otherwise of
// the unit above them; either way their area, count and points are the plan's.
TEST(DxfProject, NewUnitsTakeTheAnswersOfTheUnitGivenOrOfTheOneAbove) {
    using extcalc::building::Standard;
    using extcalc::building::UnitCells;
    UnitCells first = extcalc::building::newUnit(Standard::Gb50140_2005, nullptr);
    first[0] = "一层 大堂";
    first[column("hazard")] = "轻危险级";
    UnitCells current = first;
    current[0] = "二层 档案室";
    current[column("class")] = "A";
    current[column("hazard")] = "严重危险级";
    current[column("extinguisher")] = "MF/ABC5";
    current[column("area")] = "55";
    current[column("points")] = "2";
    extcalc::building::Project base;
    base.units = {current, first};  // the last unit is not the one given
    dxf::ImportOptions options;
    options.layer = "ROOMS";
    struct Case {
        const char* name;
        const UnitCells* like;
        const UnitCells& expected;
    };
    const Case cases[] = {{"the unit given", &current, current}, {"the last unit", nullptr, first}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto imported = extcalc::building::importRoomsIntoProject(fixture("floor-2018.dxf"),
                                                                        options, base, c.like);
        ASSERT_TRUE(imported.project) << imported.error;
        const auto& units = imported.project->units;
        ASSERT_EQ(units.size(), 2U + imported.added);
        for (std::size_t u = 2; u < units.size(); ++u) {
            for (const char* key : {"class", "hazard", "k", "special", "extinguisher"}) {
                EXPECT_EQ(units[u][column(key)], c.expected[column(key)]) << units[u][0] << key;
            }
            for (const char* key : {"area", "points", "points_at"}) {
                EXPECT_EQ(units[u][column(key)], "") << units[u][0] << key;
            }
            EXPECT_FALSE(units[u][column("outline")].empty());
        }
        EXPECT_EQ(units[0], current);
        EXPECT_EQ(units[1], first);
    }
}

// Every unit with a plan that fails is named and its points left out, whatever it fails on: on
// its plan, on its answers or on its model. Units without a plan have nothing to write.
TEST(DxfExport, UnitsWithAPlanThatFailAreNamedNeverDroppedSilently) {
    using extcalc::building::Standard;
    const auto unitOf = [](const std::string& name, const std::string& outline,
                           const std::string& at) {
        auto cells = extcalc::building::newUnit(Standard::Gb50140_2005, nullptr);
        cells[0] = name;
        cells[column("outline")] = outline;
        cells[column("points_at")] = at;
        return cells;
    };
    struct Case {
        const char* name;
        const char* key;  // the answer changed, or nullptr
        const char* value;
        const char* outline;
        const char* at;
        bool written;  // its points are in the drawing
        bool named;    // it is named as left out
    };
    const Case cases[] = {
        // ASCII names, which the drawing keeps as they are.
        {"sound", nullptr, "", "10x8", "5 4", true, false},
        {"area-invalid", "area", "-5", "10x8", "5 4", false, true},
        {"point-off-the-floor", nullptr, "", "10x8", "50 50", false, true},
        {"model-unsuitable", "extinguisher", "MF4", "10x8", "5 4", false, true},
        {"no-plan", "area", "-5", "", "", false, false},
    };
    extcalc::building::Project project;
    for (const Case& c : cases) {
        project.units.push_back(unitOf(c.name, c.outline, c.at));
        if (c.key != nullptr) {
            project.units.back()[column(c.key)] = c.value;
        }
    }
    std::vector<std::string> skipped;
    const std::string drawing = extcalc::building::projectPointsDxf(project, 0.001, &skipped);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(drawing.find(std::string(c.name) + "-1 ") != std::string::npos, c.written);
        EXPECT_EQ(std::count(skipped.begin(), skipped.end(), c.name), c.named ? 1 : 0);
    }
}

TEST(DxfExport, PointsAsBlockInsertsWithTheirText) {
    const std::vector<dxf::ExportPoint> points = {{{1.5, 2.25}, "商场-1 MF/ABC4 3具"},
                                                  {{10, 20}, "商场-2 MF/ABC4 3具"}};
    const std::string text = dxf::exportPoints(points, {});
    // Millimetres by default; every Chinese character escaped for R12.
    EXPECT_NE(text.find("AC1009"), std::string::npos);
    EXPECT_NE(text.find("\n10\n1500.000000\n20\n2250.000000\n"), std::string::npos);
    EXPECT_NE(text.find("\\U+706D\\U+706B\\U+5668"), std::string::npos);  // 灭火器
    EXPECT_NE(text.find("\\U+5546\\U+573A-1 MF/ABC4 3\\U+5177"), std::string::npos);
    EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }), 0);
    // Read back by our own reader as CAD draws it: the symbol's circle, on layer 0 in the block,
    // stands on the inserts' layer around each point, 0.3 m across.
    dxf::ImportOptions options;
    options.layer = "灭火器";
    const dxf::Import read = dxf::importRooms(text, options);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.rooms.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& ring = read.rooms[i].outline.outer;
        double x = 0.0;
        double y = 0.0;
        for (const auto& p : ring) {
            x += p.x / static_cast<double>(ring.size());
            y += p.y / static_cast<double>(ring.size());
        }
        EXPECT_NEAR(x, points[i].at.x, 1e-3);
        EXPECT_NEAR(y, points[i].at.y, 1e-3);
        EXPECT_EQ(read.rooms[i].arcs, 1);
        const double disk = 3.14159265358979 * 0.3 * 0.3;
        EXPECT_GE(extcalc::plan::area(read.rooms[i].outline), disk);
        EXPECT_LE(extcalc::plan::area(read.rooms[i].outline), disk * 1.05);
    }
}

}  // namespace
