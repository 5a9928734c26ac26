// SPDX-License-Identifier: MIT
// DXF drawings written by ezdxf (tests/plan/dxf/make_fixtures.py) read as rooms, and the bad
// drawings a designer may hand over refused with what and where.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/plan/dxf.h"
#include "extcalc/plan/plan.h"
#include "extcalc/plan_project.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
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
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
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
        std::transform(
            summary.layers.begin(), summary.layers.end(), std::back_inserter(seen),
            [](const dxf::LayerSummary& l) { return std::make_pair(l.name, l.closedOutlines); });
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

// ---- Drawings as CAD draws them ---------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

// The region between a chord and its arc of the given bulge: the circular segment.
double segment(double chord, double bulge) {
    const double sweep = 4.0 * std::atan(std::abs(bulge));
    const double radius = chord / (2.0 * std::sin(sweep / 2.0));
    return radius * radius / 2.0 * (sweep - std::sin(sweep));
}

struct Box {
    double minX, minY, maxX, maxY;
};

struct ReadRoom {
    std::string name;
    double area;  // of the drawn floor, arcs as arcs
    int arcs;
    std::size_t holes;
    Box box;  // of the drawn outer outline, metres
};

struct ReadCase {
    const char* drawing;
    const char* layer;
    std::optional<double> unit;
    std::vector<ReadRoom> rooms;  // in the drawing's order
};

TEST(DxfImport, DrawingsReadAsCadDrawsThem) {
    const double bay = 24.0 + kPi * 9.0 / 2.0;  // 6 m x 4 m under a half circle 6 m across
    const std::vector<ReadCase> cases = {
        {"arc-hall.dxf",
         "ROOMS",
         {},
         {{"外凸大厅", 600.0 + segment(30, 2.0 / 3.0), 1, 0, {0, -10, 30, 20}},
          {"内凹大厅", 600.0 - segment(30, 2.0 / 3.0), 1, 0, {100, 0, 130, 20}},
          {"圆柱厅", 400.0 - kPi * 0.25, 1, 1, {200, 0, 220, 20}}}},
        {"arc-hall-r12.dxf",
         "ROOMS",
         0.001,
         {{"HALL", 600.0 + segment(30, 2.0 / 3.0), 1, 0, {0, -10, 30, 20}}}},
        // Mirrored by its extrusion: at x 10..16, not −16..−10, and named by the text there.
        {"mirrored.dxf",
         "ROOMS",
         {},
         {{"库房", 30.0, 0, 0, {10, 0, 16, 5}},
          {"办公室", 30.0, 0, 0, {20, 0, 26, 5}},
          {"弧顶室", 30.0 + segment(6, 1.0 / 3.0), 1, 0, {30, 0, 36, 6}}}},
        // In the model space, two inserts deep (a block's base point moved), and in an insert
        // turned by 90° and scaled by 2 from layer 0 onto the insert's layer.
        {"blocks.dxf",
         "rooms",
         {},
         {{"前厅", 80.0, 0, 0, {0, 0, 10, 8}},
          {"会议室", 30.0, 0, 0, {21, 1, 27, 6}},
          {"储藏室", 24.0, 0, 0, {36, 0, 40, 6}}}},
        // A MINSERT turned by 90°: its rows and columns turn with it; then an insert mirrored by
        // a negative scale, its arc bulging the same way on the other side.
        {"array.dxf",
         "ROOMS",
         {},
         {{"客房", 12.0, 0, 0, {97, 0, 100, 4}},
          {"客房", 12.0, 0, 0, {97, 6, 100, 10}},
          {"客房", 12.0, 0, 0, {97, 12, 100, 16}},
          {"客房", 12.0, 0, 0, {92, 0, 95, 4}},
          {"客房", 12.0, 0, 0, {92, 6, 95, 10}},
          {"客房", 12.0, 0, 0, {92, 12, 95, 16}},
          {"半圆厅", bay, 1, 0, {194, 0, 200, 7}}}},
        // Crossing outlines are two rooms; a shaft on its tip against the wall is a hole.
        {"crossing.dxf",
         "ROOMS",
         {},
         {{"甲", 80.0, 0, 0, {0, 0, 10, 8}},
          {"乙", 80.0, 0, 0, {6, 4, 16, 12}},
          {"机房", 176.0, 0, 1, {100, 0, 120, 10}}}},
    };
    for (const ReadCase& c : cases) {
        const dxf::Import read = readRooms(c.drawing, c.layer, c.unit);
        ASSERT_EQ(read.error, "") << c.drawing;
        ASSERT_EQ(read.rooms.size(), c.rooms.size()) << c.drawing;
        for (std::size_t i = 0; i < c.rooms.size(); ++i) {
            const ReadRoom& want = c.rooms[i];
            const dxf::Room& got = read.rooms[i];
            const std::string what = std::string(c.drawing) + " " + want.name;
            EXPECT_EQ(got.name, want.name) << what;
            // Never smaller than the drawn floor, and larger by a fraction of a percent.
            const double area = extcalc::plan::area(got.outline);
            EXPECT_GE(area, want.area - 1e-9) << what;
            EXPECT_LE(area, want.area * 1.001) << what;
            EXPECT_EQ(got.arcs, want.arcs) << what;
            EXPECT_EQ(got.outline.holes.size(), want.holes) << what;
            Box bounds{1e300, 1e300, -1e300, -1e300};
            for (const auto& p : got.outline.outer) {
                bounds = {std::min(bounds.minX, p.x), std::min(bounds.minY, p.y),
                          std::max(bounds.maxX, p.x), std::max(bounds.maxY, p.y)};
            }
            // Outside the drawn outline by at most the arcs' centimetre.
            EXPECT_LE(bounds.minX, want.box.minX + 1e-9) << what;
            EXPECT_GE(bounds.minX, want.box.minX - dxf::kArcToleranceM - 1e-9) << what;
            EXPECT_LE(bounds.minY, want.box.minY + 1e-9) << what;
            EXPECT_GE(bounds.minY, want.box.minY - dxf::kArcToleranceM - 1e-9) << what;
            EXPECT_GE(bounds.maxX, want.box.maxX - 1e-9) << what;
            EXPECT_LE(bounds.maxX, want.box.maxX + dxf::kArcToleranceM + 1e-9) << what;
            EXPECT_GE(bounds.maxY, want.box.maxY - 1e-9) << what;
            EXPECT_LE(bounds.maxY, want.box.maxY + dxf::kArcToleranceM + 1e-9) << what;
        }
    }
}

// The hall of arc-hall.dxf at x0: its arc wall from (x0, 0) to (x0 + 30, 0) with the sagitta
// of the bulge, below the chord for a bulge > 0 (out of the hall), above it for one < 0.
struct TrueHall {
    double x0;
    double bulge;
    double radius() const { return 15.0 / std::sin(2.0 * std::atan(std::abs(bulge))); }
    double half() const { return 2.0 * std::atan(std::abs(bulge)); }
    // The arc's centre: above the chord when the arc bulges down, below when it bulges up.
    extcalc::plan::Point centre() const {
        const double up = bulge > 0.0 ? 1.0 : -1.0;
        return {x0 + 15.0, up * radius() * std::cos(half())};
    }
    // The point of the arc at a from its apex, a in [−H, H].
    extcalc::plan::Point on(double a, double r) const {
        const double up = bulge > 0.0 ? 1.0 : -1.0;
        return {centre().x + r * std::sin(a), centre().y - up * r * std::cos(a)};
    }
    // The floor within a millimetre, inside the true floor: chords of an arc that bounds it
    // from outside, tangents of one that bulges into it.
    extcalc::plan::Outline inside() const {
        const double r = radius();
        const bool chords = bulge > 0.0;
        const double step =
            chords ? 2.0 * std::acos(1.0 - 0.001 / r) : 2.0 * std::acos(r / (r + 0.001));
        const int pieces = static_cast<int>(std::ceil(2.0 * half() / step));
        const double t = 2.0 * half() / pieces;
        extcalc::plan::Outline hall;
        hall.outer.push_back({x0, 0.0});
        for (int k = chords ? 1 : 0; k < pieces; ++k) {
            hall.outer.push_back(chords ? on(-half() + k * t, r)
                                        : on(-half() + (k + 0.5) * t, r / std::cos(t / 2.0)));
        }
        hall.outer.push_back({x0 + 30.0, 0.0});
        hall.outer.push_back({x0 + 30.0, 20.0});
        hall.outer.push_back({x0, 20.0});
        return hall;
    }
    // How far p is from the drawn outline.
    double offWall(extcalc::plan::Point p) const {
        const extcalc::plan::Point c = centre();
        const double a = std::atan2(p.x - c.x, bulge > 0.0 ? c.y - p.y : p.y - c.y);
        double best = std::abs(p.y - 20.0) + std::max({0.0, x0 - p.x, p.x - x0 - 30.0});
        best = std::min({best, std::abs(p.x - x0) + std::max(0.0, p.y - 20.0),
                         std::abs(p.x - x0 - 30.0) + std::max(0.0, p.y - 20.0)});
        if (std::abs(a) <= half()) {
            best = std::min(best, std::abs(std::hypot(p.x - c.x, p.y - c.y) - radius()));
        }
        return best;
    }
};

TEST(DxfImport, PointsPlacedOnTheArcHallCoverItsTrueFloor) {
    const dxf::Import read = readRooms("arc-hall.dxf", "ROOMS");
    ASSERT_EQ(read.error, "");
    constexpr double kReach = 15.0;
    const struct {
        std::size_t room;
        TrueHall hall;
    } halls[] = {{0, {0.0, 2.0 / 3.0}}, {1, {100.0, -2.0 / 3.0}}};
    for (const auto& [index, hall] : halls) {
        const extcalc::plan::Outline& outline = read.rooms[index].outline;
        const extcalc::plan::Room readRoom(outline);
        // Every spot of the true arc is on the floor read, which reaches no farther than a
        // centimetre beyond the true wall.
        constexpr int kSamples = 2000;
        for (int k = 0; k <= kSamples; ++k) {
            const auto p = hall.on(-hall.half() + 2.0 * hall.half() * k / kSamples, hall.radius());
            EXPECT_TRUE(readRoom.contains(p)) << hall.bulge << " " << p.x << " " << p.y;
        }
        for (const auto& p : outline.outer) {
            EXPECT_LE(hall.offWall(p), dxf::kArcToleranceM + 1e-9) << hall.bulge;
        }
        // The points placed on the floor read stand on the true floor and reach all of it.
        const extcalc::plan::Room real(hall.inside());
        const auto placed = extcalc::plan::place(readRoom, {kReach, true, 0.5});
        ASSERT_TRUE(placed.check.ok) << hall.bulge;
        for (const auto& p : placed.points) {
            EXPECT_TRUE(real.contains(p)) << hall.bulge << " " << p.x << " " << p.y;
        }
        const auto onTruth = extcalc::plan::check(real, placed.points, kReach);
        EXPECT_TRUE(onTruth.ok) << hall.bulge << ": " << onTruth.worstDistance << " at "
                                << onTruth.worstAt.x << ", " << onTruth.worstAt.y;
    }
}

// ---- What is not read is named; what cannot be read is refused ---------------------------

std::string insertOf(const std::string& name, const std::string& layer, double x, double y,
                     const std::string& handle = "", const std::string& more = "") {
    return "0\nINSERT\n" + (handle.empty() ? "" : "5\n" + handle + "\n") + "8\n" + layer + "\n2\n" +
           name + "\n10\n" + number(x) + "\n20\n" + number(y) + "\n" + more;
}

std::string blockOf(const std::string& name, const std::string& entities) {
    return "0\nBLOCK\n8\n0\n2\n" + name + "\n70\n0\n10\n0\n20\n0\n" + entities +
           "0\nENDBLK\n8\n0\n";
}

std::string textOf(const std::string& words, double x, double y, const std::string& more = "") {
    return "0\nTEXT\n8\n0\n10\n" + number(x) + "\n20\n" + number(y) + "\n40\n0.3\n1\n" + words +
           "\n" + more;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

struct WarnedCase {
    const char* name;
    std::string text;
    std::size_t rooms;
    std::vector<std::string> says;  // each in one of the warnings
};

TEST(DxfImport, WhatIsNotReadIsNamed) {
    const std::vector<std::string> crossing = lines(fixture("crossing-handles.txt"));
    ASSERT_EQ(crossing.size(), 2U);
    const std::string room = box("A", 0, 0, 10, 8, "20");
    const std::vector<WarnedCase> cases = {
        {"crossing outlines",
         fixture("crossing.dxf"),
         3,
         {"句柄 " + crossing[0], "句柄 " + crossing[1], "相交", "16.00 m²"}},
        {"open polyline, a line and an arc on the layer",
         drawingOf(room + polyline("A", {{20, 0}, {30, 0}, {30, 5}}, false, "2A") +
                   "0\nLINE\n5\n2B\n8\nA\n10\n0\n20\n0\n11\n5\n21\n0\n" +
                   "0\nARC\n5\n2C\n8\nA\n10\n0\n20\n0\n40\n1\n50\n0\n51\n90\n"),
         1,
         {"1 条未闭合的多段线", "2A", "2 个对象不是闭合的轮廓", "LINE 句柄 2B", "ARC 句柄 2C"}},
        {"a block that is not defined",
         drawingOf(room + insertOf("NOWHERE", "A", 0, 0, "3A")),
         1,
         {"INSERT（句柄 3A", "NOWHERE", "没有定义"}},
        {"an outline drawn twice",
         drawingOf(room + box("A", 0, 0, 10, 8, "21")),
         1,
         {"21", "重合"}},
        {"on the layer in a layout",
         drawingOf(room +
                   "0\nLWPOLYLINE\n5\n4A\n8\nA\n67\n1\n70\n1\n10\n0\n20\n0\n10\n1\n20\n0\n10\n"
                   "1\n20\n1\n"),
         1,
         {"图纸空间", "LWPOLYLINE 句柄 4A"}},
        {"a name in another plane",
         drawingOf(room + textOf("斜置", 1, 1, "5\n5A\n210\n1\n220\n0\n230\n0\n")),
         1,
         {"TEXT（句柄 5A", "斜置", "未用作房间名称"}},
        // Lines on layer 0 in a block inserted on the room layer are drawn on it.
        {"lines in an insert",
         drawingOf(room + insertOf("WALLS", "A", 0, 0, "6A"),
                   blockOf("WALLS", "0\nLINE\n5\n6B\n8\n0\n10\n0\n20\n0\n11\n5\n21\n0\n")),
         1,
         {"插入 6A 中的 1 个"}},
        // A hole standing on its tip against the wall is no crossing: the room is read whole.
        {"hole on its tip", fixture("crossing.dxf"), 3, {}},
    };
    for (const WarnedCase& c : cases) {
        dxf::ImportOptions options;
        options.layer = "A";
        if (c.text.find("ROOMS") != std::string::npos) {
            options.layer = "ROOMS";
        }
        const dxf::Import read = dxf::importRooms(c.text, options);
        ASSERT_EQ(read.error, "") << c.name;
        EXPECT_EQ(read.rooms.size(), c.rooms) << c.name;
        for (const std::string& part : c.says) {
            EXPECT_TRUE(std::any_of(
                read.warnings.begin(), read.warnings.end(),
                [&part](const std::string& w) { return w.find(part) != std::string::npos; }))
                << c.name << " lacks " << part << ::testing::PrintToString(read.warnings);
        }
    }
}

TEST(DxfImport, DrawingsCadCannotDrawAreRefused) {
    // Blocks nested 40 deep, a room in the innermost.
    std::string deep = blockOf("B39", box("0", 0, 0, 4, 3));
    // Appended, not "B" + std::to_string(n): MinGW's GCC 12 at -O3 reports a false overlap there.
    const auto name = [](int n) {
        std::string text = "B";
        text += std::to_string(n);
        return text;
    };
    for (int i = 38; i >= 0; --i) {
        deep += blockOf(name(i), insertOf(name(i + 1), "0", 1, 1));
    }
    const std::vector<BadDxf> cases = {
        {"a block inserting itself through another",
         fixture("recursive.dxf"),
         "ROOMS",
         {},
         {"插入了自身", "“FIRST”→“SECOND”→“FIRST”"}},
        {"a block inserting itself",
         drawingOf(insertOf("SELF", "A", 0, 0),
                   blockOf("SELF", box("0", 0, 0, 4, 3) + insertOf("SELF", "0", 5, 0))),
         "A",
         {},
         {"插入了自身", "“SELF”→“SELF”"}},
        {"nested too deep",
         drawingOf(insertOf("B0", "A", 0, 0), deep),
         "A",
         {},
         {"嵌套超过 32 层"}},
        {"an outline in another plane",
         drawingOf("0\nLWPOLYLINE\n5\n7A\n8\nA\n70\n1\n10\n0\n20\n0\n10\n4\n20\n0\n10\n4\n20\n3\n"
                   "210\n0\n220\n1\n230\n0\n"),
         "A",
         {},
         {"句柄 7A", "三维"}},
        {"a room block in another plane",
         drawingOf(insertOf("ROOM", "A", 0, 0, "7B", "210\n1\n220\n0\n230\n0\n"),
                   blockOf("ROOM", box("0", 0, 0, 4, 3))),
         "A",
         {},
         {"句柄 7B", "三维"}},
        // Beyond a half circle, a bulge of a million makes a circle kilometres across.
        {"an arc beyond any building",
         drawingOf("0\nLWPOLYLINE\n5\n7C\n8\nA\n70\n1\n10\n0\n20\n0\n42\n1e9\n10\n400\n20\n0\n10\n"
                   "400\n20\n3\n"),
         "A",
         {},
         {"句柄 7C", "圆弧", "超出任何建筑"}},
        {"an array of a billion rooms",
         drawingOf(insertOf("ROOM", "A", 0, 0, "", "70\n30000\n71\n30000\n44\n5\n45\n5\n"),
                   blockOf("ROOM", box("0", 0, 0, 4, 3))),
         "A",
         {},
         {"900000000", "超过 10000 个"}},
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
        // The layer chooser says the same of a block it cannot expand.
        if (c.says.front() == "插入了自身" || c.says.front() == "嵌套超过 32 层") {
            EXPECT_NE(dxf::summarize(c.text).error.find(c.says.front()), std::string::npos)
                << c.name;
        }
    }
}

// Generated here rather than kept: a polyline of a million vertices, a hundred thousand rooms.
TEST(DxfImport, HugeDrawingsAreAnsweredWithALimit) {
    const struct {
        const char* name;
        std::function<std::string()> make;
        const char* says;
    } cases[] = {
        {"a million vertices",
         [] {
             std::string text = "0\nLWPOLYLINE\n5\n8A\n8\nA\n70\n1\n";
             text.reserve(30'000'000);
             for (int i = 0; i < 1'000'000; ++i) {
                 const double a = 2.0 * kPi * i / 1'000'000;
                 text += "10\n" + number(50.0 * std::cos(a)) + "\n20\n" +
                         number(50.0 * std::sin(a)) + "\n";
             }
             return drawingOf(text);
         },
         "顶点有 1000000 个，超过 100000 个"},
        {"a hundred thousand rooms",
         [] {
             std::string text;
             text.reserve(20'000'000);
             for (int i = 0; i < 100'000; ++i) {
                 const int row = i / 300;
                 text += box("A", (i % 300) * 5.0, row * 5.0, 4, 4);
             }
             return drawingOf(text);
         },
         "有 100000 个"},
    };
    for (const auto& c : cases) {
        dxf::ImportOptions options;
        options.layer = "A";
        const dxf::Import read = dxf::importRooms(c.make(), options);
        EXPECT_TRUE(read.rooms.empty()) << c.name;
        EXPECT_NE(read.error.find(c.says), std::string::npos) << c.name << ": " << read.error;
    }
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

TEST(DxfProject, ArcsAreSaidInTheFileTheJsonAndTheReport) {
    dxf::ImportOptions options;
    options.layer = "ROOMS";
    const auto imported =
        extcalc::building::importRoomsIntoProject(fixture("arc-hall.dxf"), options, {});
    ASSERT_TRUE(imported.project) << imported.error;
    const extcalc::building::Project& project = *imported.project;
    ASSERT_EQ(project.units.size(), 3U);
    const std::string said = extcalc::building::outlineArcsText({1, dxf::kArcToleranceM});
    EXPECT_EQ(said, "平面含圆弧 1 段，按圆弧外侧的折线读入（平面只大不小），与圆弧相差不超过 1 cm");
    ASSERT_EQ(imported.notes.size(), 3U);
    EXPECT_EQ(imported.notes[0], "“外凸大厅”：" + said);
    for (const auto& unit : project.units) {
        const auto arcs = extcalc::building::outlineArcsOf(project, unit);
        ASSERT_TRUE(arcs) << unit[0];
        EXPECT_EQ(arcs->count, 1) << unit[0];
    }
    // S is the floor read: never less than the drawn 816.80 m².
    const auto hall = extcalc::building::evaluate(project.standard, project.units[0]);
    ASSERT_TRUE(hall.unit);
    EXPECT_GE(static_cast<double>(hall.unit->areaMillionths) / 1e6, 600.0 + segment(30, 2.0 / 3.0));
    // Saved and opened again, in the results' JSON, in the 计算书, after placing points.
    const auto again = extcalc::building::readProject(extcalc::building::projectJson(project));
    ASSERT_TRUE(again.project);
    EXPECT_EQ(*again.project, project);
    const auto results = nlohmann::json::parse(extcalc::building::projectResultsJson(project));
    EXPECT_EQ(results.at(0).at("outline_arcs").at("count"), 1);
    EXPECT_EQ(results.at(0).at("outline_arcs").at("tolerance_m"), 0.01);
    EXPECT_EQ(results.at(0).at("outline_arcs").at("text"), said);
    const std::string html = extcalc::report::renderHtml(extcalc::report::buildReport(project));
    std::size_t times = 0;
    for (std::size_t at = html.find(said); at != std::string::npos; at = html.find(said, at + 1)) {
        ++times;
    }
    EXPECT_EQ(times, 3U);
    const auto placed = extcalc::building::placeProjectPoints(project);
    EXPECT_TRUE(extcalc::building::outlineArcsOf(placed.project, placed.project.units[0]));
    // The points the project placed, at the unit's own R, reach every spot of the true halls.
    const TrueHall halls[] = {{0.0, 2.0 / 3.0}, {100.0, -2.0 / 3.0}};
    for (std::size_t u = 0; u < 2; ++u) {
        const auto outcome =
            extcalc::building::evaluate(placed.project.standard, placed.project.units[u]);
        ASSERT_TRUE(outcome.plan && outcome.plan->check) << u;
        ASSERT_GT(outcome.plan->radiusM, 0) << u;
        const auto onTruth = extcalc::plan::check(extcalc::plan::Room(halls[u].inside()),
                                                  outcome.plan->points, outcome.plan->radiusM);
        EXPECT_TRUE(onTruth.ok) << u << ": " << onTruth.worstDistance << " > "
                                << outcome.plan->radiusM;
    }
    // The hall drawn again without its arc: its 平面 is straight, and says nothing of arcs.
    const auto straight = extcalc::building::importRoomsIntoProject(
        drawingOf(box("ROOMS", 0, 0, 30, 20) + textOf("外凸大厅", 10, 10)), options, project);
    ASSERT_TRUE(straight.project) << straight.error;
    EXPECT_EQ(straight.joined, 1U);
    EXPECT_FALSE(extcalc::building::outlineArcsOf(*straight.project, straight.project->units[0]));
    EXPECT_TRUE(extcalc::building::outlineArcsOf(*straight.project, straight.project->units[1]));
    EXPECT_EQ(straight.project->outlineArcs.size(), 2U);
}

TEST(DxfProject, RoomsInInsertsAndRoomsWithoutANameAreAllImported) {
    dxf::ImportOptions options;
    options.layer = "ROOMS";
    const auto blocks =
        extcalc::building::importRoomsIntoProject(fixture("blocks.dxf"), options, {});
    ASSERT_TRUE(blocks.project) << blocks.error;
    EXPECT_EQ(blocks.added, 3U);
    EXPECT_TRUE(blocks.warnings.empty()) << ::testing::PrintToString(blocks.warnings);
    // Rooms without a name: named by their handles, all in one warning.
    options.layer = "A";
    const auto nameless = extcalc::building::importRoomsIntoProject(
        drawingOf(box("A", 0, 0, 4, 3, "2A") + box("A", 5, 0, 4, 3, "2B") +
                  box("A", 10, 0, 4, 3, "2C") + box("A", 15, 0, 4, 3) + textOf("库房", 16, 1)),
        options, {});
    ASSERT_TRUE(nameless.project) << nameless.error;
    ASSERT_EQ(nameless.warnings.size(), 1U);
    for (const char* part : {"3 个房间", "“房间 2A”", "“房间 2B”", "“房间 2C”"}) {
        EXPECT_NE(nameless.warnings[0].find(part), std::string::npos) << nameless.warnings[0];
    }
    EXPECT_EQ(nameless.project->units.size(), 4U);
    EXPECT_EQ(nameless.project->units[1][0], "房间 2B");
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
        const double disk = 3.14159265358979 * 0.15 * 0.15;
        EXPECT_GE(extcalc::plan::area(read.rooms[i].outline), disk);
        EXPECT_LE(extcalc::plan::area(read.rooms[i].outline), disk * 1.05);
    }
}

}  // namespace
