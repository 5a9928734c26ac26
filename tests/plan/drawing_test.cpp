// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cmath>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "extcalc/plan/drawing.h"
#include "extcalc/plan/plan.h"

namespace {

namespace draw = extcalc::plan::draw;
using extcalc::plan::Outline;
using extcalc::plan::Point;
using extcalc::plan::Room;

Outline lShape() {  // 20 × 20 with the upper right quarter cut away
    return {{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {}};
}
Outline ringAroundCore() {  // 30 × 30 around a 10 × 10 core
    return {{{0, 0}, {30, 0}, {30, 30}, {0, 30}}, {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}};
}

struct FigureCase {
    const char* name;
    Outline outline;
    std::vector<Point> points;
    double radius;
    std::vector<std::string> dimensions;  // texts the dimensions must show
    bool fails;
};

std::vector<FigureCase> figureCases() {
    return {
        {"68 x 30 with the two points an area estimate gives",
         extcalc::plan::rectangle(68, 30),
         {{17, 0.25}, {51, 29.75}},
         20.0,
         {"68 m", "30 m"},
         true},
        {"68 x 30 with a point near each corner and one in the middle",
         extcalc::plan::rectangle(68, 30),
         {{10, 0.25}, {58, 0.25}, {10, 29.75}, {58, 29.75}, {34, 15}},
         20.0,
         {"68 m", "30 m"},
         false},
        {"L shape, one point at the bend", lShape(), {{10, 10}}, 15.0, {"20 m", "10 m"}, false},
        // From (18, 8) the far corner is 22.39 m away by walking, 21.63 m in a straight line.
        {"L shape, one point far from the corner behind the bend",
         lShape(),
         {{18, 8}},
         22.0,
         {"20 m", "10 m"},
         true},
        {"ring around a core, a point in the middle of each wall",
         ringAroundCore(),
         {{15, 0.25}, {29.75, 15}, {15, 29.75}, {0.25, 15}},
         20.0,
         {"30 m", "10 m × 10 m"},
         false},
        {"ring around a core, one point", ringAroundCore(), {{0.25, 0.25}}, 20.0, {"30 m"}, true},
    };
}

draw::Drawing drawn(const FigureCase& c, std::vector<std::string> labels = {}) {
    draw::Figure figure;
    figure.rooms = {c.outline};
    figure.points = c.points;
    figure.radius = c.radius;
    figure.checks = {extcalc::plan::check(Room(c.outline), c.points, c.radius)};
    figure.labels = std::move(labels);
    return draw::layout(figure, {});
}

template <typename T>
std::vector<T> itemsOf(const draw::Drawing& d) {
    std::vector<T> out;
    for (const draw::Item& item : d.items) {
        if (const auto* x = std::get_if<T>(&item)) {
            out.push_back(*x);
        }
    }
    return out;
}

std::vector<std::string> textsOf(const draw::Drawing& d, draw::Ink ink) {
    std::vector<std::string> out;
    for (const auto& t : itemsOf<draw::Text>(d)) {
        if (t.ink == ink) {
            out.push_back(t.text);
        }
    }
    return out;
}

bool has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// ---- What the figure shows ----------------------------------------------------------------

TEST(PlanDrawing, ShowsDimensionsNumberedPointsAndTheUncoveredRegionOnlyWhenTheCheckFails) {
    for (const FigureCase& c : figureCases()) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> labels;
        labels.reserve(c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            labels.push_back("MF/ABC4 × " + std::to_string(i + 2));
        }
        const draw::Drawing d = drawn(c, labels);
        const auto dims = textsOf(d, draw::Ink::Dimension);
        for (const std::string& dim : c.dimensions) {
            EXPECT_TRUE(has(dims, dim)) << dim;
        }
        const auto numbers = textsOf(d, draw::Ink::Point);
        ASSERT_EQ(numbers.size(), c.points.size());
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            EXPECT_EQ(numbers[i], std::to_string(i + 1));
        }
        const auto shownLabels = textsOf(d, draw::Ink::Label);
        EXPECT_EQ(shownLabels, labels);

        const auto areas = itemsOf<draw::Area>(d);
        const auto count = [&](draw::Ink ink) {
            return std::count_if(areas.begin(), areas.end(),
                                 [&](const draw::Area& a) { return a.ink == ink; });
        };
        EXPECT_EQ(count(draw::Ink::Uncovered) > 0, c.fails);
        EXPECT_EQ(has(textsOf(d, draw::Ink::Legend), "盲区"), c.fails);
        EXPECT_GE(count(draw::Ink::Reach), static_cast<long>(c.points.size()));
        EXPECT_EQ(count(draw::Ink::Hole), static_cast<long>(c.outline.holes.size()));

        const auto worst = textsOf(d, c.fails ? draw::Ink::WorstFail : draw::Ink::Worst);
        ASSERT_EQ(worst.size(), 1u);
        EXPECT_EQ(worst[0].rfind("最不利点 ", 0), 0u) << worst[0];
        EXPECT_NE(worst[0].find(c.fails ? " > " : " ≤ "), std::string::npos) << worst[0];
    }
}

TEST(PlanDrawing, TheWorstSpotNamesTheCheckedDistanceToTheCentimetre) {
    const FigureCase c = figureCases()[0];
    const draw::Drawing d = drawn(c);
    const auto check = extcalc::plan::check(Room(c.outline), c.points, c.radius);
    const auto worst = textsOf(d, draw::Ink::WorstFail);
    ASSERT_EQ(worst.size(), 1u);
    EXPECT_EQ(worst[0], "最不利点 " + draw::metresText(check.worstDistance) + " > 20 m");
}

// Texts are kept apart by the estimate the layout uses; turned texts are left out of this
// simple test (their boxes are not axis-parallel).
TEST(PlanDrawing, LevelTextsNeitherOverlapNorLeaveThePage) {
    for (const FigureCase& c : figureCases()) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> labels(c.points.size(), "MF/ABC5 × 3");
        const draw::Drawing d = drawn(c, labels);
        struct Box {
            double l, t, r, b;
            std::string text;
        };
        std::vector<Box> boxes;
        for (const auto& t : itemsOf<draw::Text>(d)) {
            if (t.angle != 0.0 || t.ink == draw::Ink::Point) {
                continue;  // a point's number sits in its own circle
            }
            const double w = draw::textWidth(t.text, t.size);
            const double l = t.anchor == draw::Anchor::Start
                                 ? t.at.x
                                 : (t.anchor == draw::Anchor::Middle ? t.at.x - w / 2 : t.at.x - w);
            boxes.push_back({l, t.at.y - 0.5 * t.size, l + w, t.at.y + 0.5 * t.size, t.text});
        }
        for (const Box& b : boxes) {
            EXPECT_GE(b.l, 0.0) << b.text;
            EXPECT_LE(b.r, d.width) << b.text;
            EXPECT_GE(b.t, 0.0) << b.text;
            EXPECT_LE(b.b, d.height) << b.text;
        }
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                const Box& a = boxes[i];
                const Box& b = boxes[j];
                const bool meet = a.l < b.r && b.l < a.r && a.t < b.b && b.t < a.b;
                EXPECT_FALSE(meet) << a.text << " / " << b.text;
            }
        }
    }
}

TEST(PlanDrawing, PageAndPlanCoordinatesMapBothWays) {
    for (const FigureCase& c : figureCases()) {
        const draw::Drawing d = drawn(c);
        for (const Point& p : c.outline.outer) {
            const Point page = d.toPage(p);
            EXPECT_GE(page.x, 0.0);
            EXPECT_LE(page.x, d.width);
            EXPECT_GE(page.y, 0.0);
            EXPECT_LE(page.y, d.height);
            const Point back = d.toPlan(page);
            EXPECT_NEAR(back.x, p.x, 1e-9);
            EXPECT_NEAR(back.y, p.y, 1e-9);
        }
    }
}

// The reach of a point by walking: a disk in a convex room, less than a disk behind a bend.
TEST(PlanDrawing, ReachIsTheWalkedDiskCutByTheWalls) {
    const auto areaOf = [](const std::vector<Outline>& pieces) {
        return std::accumulate(pieces.begin(), pieces.end(), 0.0, [](double sum, const Outline& o) {
            return sum + extcalc::plan::area(o);
        });
    };
    const double pi = 3.14159265358979323846;
    struct Case {
        const char* name;
        Outline outline;
        Point at;
        double radius;
        double expected;
        double tolerance;
    };
    const Case cases[] = {
        {"disk inside a large room",
         extcalc::plan::rectangle(100, 100),
         {50, 50},
         10,
         pi * 100,
         0.5},
        {"quarter disk in a corner", extcalc::plan::rectangle(100, 100), {0, 0}, 10, pi * 25, 0.2},
        {"the whole small room", extcalc::plan::rectangle(5, 4), {1, 1}, 30, 20, 1e-6},
        // From the bend's corner a quarter disk in each of the L's three squares.
        {"L from the bend", lShape(), {10, 10}, 10, 3 * pi * 25, 0.5},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(areaOf(extcalc::plan::reach(Room(c.outline), c.at, c.radius)), c.expected,
                    c.tolerance)
            << c.name;
    }
    // Behind the bend of the L the reach is smaller than the disk cut by the walls alone.
    const Room room(lShape());
    const auto walked = extcalc::plan::reach(room, {18, 8}, 20);
    EXPECT_LT(areaOf(walked), 300 - 1.0);
}

// ---- SVG ------------------------------------------------------------------------------------

TEST(PlanSvg, IsWellFormedAndCarriesEveryItem) {
    for (const FigureCase& c : figureCases()) {
        SCOPED_TRACE(c.name);
        const draw::Drawing d = drawn(c, std::vector<std::string>(c.points.size(), "MF/ABC4 × 2"));
        const std::string text = draw::svg(d);
        std::istringstream in(text);
        boost::property_tree::ptree tree;
        ASSERT_NO_THROW(boost::property_tree::read_xml(in, tree));
        const auto& root = tree.get_child("svg");
        std::size_t texts = 0;
        std::size_t paths = 0;
        std::size_t lines = 0;
        std::size_t circles = 0;
        std::vector<std::string> shown;
        for (const auto& [name, child] : root) {
            texts += name == "text" ? 1U : 0U;
            paths += name == "path" ? 1U : 0U;
            lines += name == "line" ? 1U : 0U;
            circles += name == "circle" ? 1U : 0U;
            if (name == "text") {
                shown.push_back(child.data());
            }
        }
        EXPECT_EQ(texts, itemsOf<draw::Text>(d).size());
        EXPECT_EQ(paths, itemsOf<draw::Area>(d).size());
        EXPECT_EQ(lines, itemsOf<draw::Line>(d).size());
        EXPECT_EQ(circles, itemsOf<draw::Circle>(d).size());
        EXPECT_TRUE(has(shown, "MF/ABC4 × 2"));
        EXPECT_EQ(has(shown, "盲区"), c.fails);
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            const auto digit = [&](char ch) { return ch >= '0' && ch <= '9'; };
            EXPECT_FALSE(text[i] == ',' && digit(text[i - 1]) && digit(text[i + 1]))
                << "a decimal comma at " << i;
        }
    }
}

TEST(PlanSvg, EscapesWhatXmlReserves) {
    draw::Figure figure;
    figure.rooms = {extcalc::plan::rectangle(10, 10)};
    figure.points = {{5, 5}};
    figure.labels = {"<A&B> \"x\""};
    const std::string text = draw::svg(draw::layout(figure, {}));
    std::istringstream in(text);
    boost::property_tree::ptree tree;
    ASSERT_NO_THROW(boost::property_tree::read_xml(in, tree));
    EXPECT_NE(text.find("&lt;A&amp;B&gt; &quot;x&quot;"), std::string::npos);
}

TEST(PlanSvg, MetresAreWrittenAsTheReportWritesThem) {
    struct Case {
        double metres;
        const char* text;
    };
    const Case cases[] = {{68, "68 m"},        {12.5, "12.5 m"}, {22.664, "22.66 m"},
                          {22.666, "22.67 m"}, {0.05, "0.05 m"}, {19.999, "20 m"}};
    for (const Case& c : cases) {
        EXPECT_EQ(draw::metresText(c.metres), c.text) << c.metres;
    }
}

}  // namespace

namespace {

// Two rooms in one frame: each rectangle names its size, each check its own uncovered region,
// and the worst spot is the farther of the two.
TEST(PlanDrawing, SeveralRoomsEachShowTheirSizeAndTheirOwnUncoveredRegion) {
    const Outline office = extcalc::plan::rectangle(20, 10);
    const Outline store{{{20, 0}, {60, 0}, {60, 10}, {20, 10}}, {}};
    draw::Figure figure;
    figure.rooms = {office, store};
    figure.points = {{10, 0.25}, {25, 0.25}};
    figure.roomOf = {0, 1};
    figure.radius = 15;
    figure.checks = {extcalc::plan::check(Room(office), std::vector<Point>{{10, 0.25}}, 15),
                     extcalc::plan::check(Room(store), std::vector<Point>{{25, 0.25}}, 15)};
    ASSERT_TRUE(figure.checks[0].ok);
    ASSERT_FALSE(figure.checks[1].ok);
    const draw::Drawing d = draw::layout(figure, {});
    const auto dims = textsOf(d, draw::Ink::Dimension);
    EXPECT_TRUE(has(dims, "60 m"));
    EXPECT_TRUE(has(dims, "20 m × 10 m"));
    EXPECT_TRUE(has(dims, "40 m × 10 m"));
    const auto worst = textsOf(d, draw::Ink::WorstFail);
    ASSERT_EQ(worst.size(), 1u);
    EXPECT_EQ(worst[0], "最不利点 " + draw::metresText(figure.checks[1].worstDistance) + " > 15 m");
    std::size_t red = 0;
    for (const auto& a : itemsOf<draw::Area>(d)) {
        if (a.ink == draw::Ink::Uncovered) {
            ++red;
            for (const Point& p : a.rings.front()) {
                EXPECT_GE(d.toPlan(p).x, 20 - 1e-6) << "uncovered only in the store";
            }
        }
    }
    EXPECT_GE(red, 1u);
}

}  // namespace

namespace {

// A narrow pane: the legend goes on to a second line rather than off the page.
TEST(PlanDrawing, TheLegendWrapsInANarrowFrame) {
    for (const double width : {480.0, 300.0, 220.0}) {
        const FigureCase c = figureCases()[0];
        draw::Figure figure;
        figure.rooms = {c.outline};
        figure.points = c.points;
        figure.radius = c.radius;
        figure.checks = {extcalc::plan::check(Room(c.outline), c.points, c.radius)};
        const draw::Drawing d = draw::layout(figure, {width, 400.0, 9.0});
        std::size_t legend = 0;
        for (const auto& t : itemsOf<draw::Text>(d)) {
            if (t.ink == draw::Ink::Legend) {
                ++legend;
                EXPECT_LE(t.at.x + draw::textWidth(t.text, t.size), width + 1e-9)
                    << width << ": " << t.text;
                EXPECT_LE(t.at.y + t.size / 2, d.height) << width << ": " << t.text;
            }
        }
        EXPECT_EQ(legend, 4u) << width;
    }
}

}  // namespace
