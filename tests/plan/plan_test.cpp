// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>

#include <algorithm>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "extcalc/plan/plan.h"
#include "geometry.h"

namespace {

namespace bg = boost::geometry;
using extcalc::plan::Outline;
using extcalc::plan::Point;
using extcalc::plan::Room;

double length(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Outline lShape() {  // 20 × 20 with the upper right quarter cut away
    return {{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {}};
}
Outline ring() {  // 30 × 30 around a 10 × 10 core
    return {{{0, 0}, {30, 0}, {30, 30}, {0, 30}}, {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}};
}
// Holes that touch the wall or each other at a point: no one walks through that point.
Outline tipOnWall() {  // 20 × 10, a triangular shaft standing on its tip at (10, 0)
    return {{{0, 0}, {20, 0}, {20, 10}, {0, 10}}, {{{10, 0}, {14, 6}, {6, 6}}}};
}
Outline tipToTip() {  // 20 × 20, two triangular shafts tip to tip at its middle
    return {{{0, 0}, {20, 0}, {20, 20}, {0, 20}},
            {{{10, 10}, {6, 4}, {14, 4}}, {{10, 10}, {14, 16}, {6, 16}}}};
}
// 20 × 20, two thin spikes, from below and from the left, meeting at (10, 10): the floor there
// is a narrow wedge to the lower left and a wide one, which a path may bend around.
Outline spikes() {
    return {{{0, 0}, {20, 0}, {20, 20}, {0, 20}},
            {{{10, 10}, {9.5, 2}, {10.5, 2}}, {{10, 10}, {2, 10.5}, {2, 9.5}}}};
}

// ---- Walking distances ------------------------------------------------------------------

struct DistanceCase {
    const char* name;
    Outline outline;
    Point a, b;
    double expected;
};

TEST(WalkingDistance, StraightWhereTheRoomAllowsAroundCornersWhereNot) {
    const DistanceCase cases[] = {
        {"rectangle diagonal", extcalc::plan::rectangle(10, 6), {0, 0}, {10, 6}, std::sqrt(136.0)},
        {"L seen directly", lShape(), {18, 8}, {0, 0}, std::sqrt(18.0 * 18 + 8 * 8)},
        // The straight line would cross the cut-away quarter.
        {"L behind the bend", lShape(), {18, 8}, {0, 20}, std::sqrt(68.0) + std::sqrt(200.0)},
        {"L bend to bend", lShape(), {19, 9}, {9, 19}, std::sqrt(82.0) + std::sqrt(82.0)},
        {"ring around the core", ring(), {5, 5}, {30, 30}, std::sqrt(250.0) + std::sqrt(500.0)},
        {"ring along a core wall", ring(), {5, 10}, {25, 10}, 20.0},
        {"ring past two core corners",
         ring(),
         {15, 5},
         {15, 25},
         2 * std::sqrt(25.0 + 25.0) + 10.0},
        {"corridor", extcalc::plan::rectangle(100, 2), {10, 1}, {90, 1}, 80.0},
        // Around the shaft, not through the point where its tip meets the wall.
        {"tip on the wall, past the tip", tipOnWall(), {9, 0}, {11, 0}, 2 * std::sqrt(45.0) + 8.0},
        {"tip on the wall, far corner",
         tipOnWall(),
         {9, 0},
         {20, 0},
         std::sqrt(45.0) + 8.0 + std::sqrt(72.0)},
        {"tip on the wall, same side", tipOnWall(), {9, 0}, {9.5, 0.2}, std::sqrt(0.29)},
        {"tip on the wall, over the shaft",
         tipOnWall(),
         {9, 0},
         {20, 10},
         std::sqrt(45.0) + std::sqrt(212.0)},
        {"tip to tip, beside", tipToTip(), {9, 10}, {11, 10}, 2 * std::sqrt(45.0) + 8.0},
        {"tip to tip, across", tipToTip(), {4, 10}, {16, 10}, 2 * std::sqrt(40.0) + 8.0},
        // Straight through the meeting point within the wide wedge, bent there, or around.
        {"spikes, through the wide wedge", spikes(), {9, 11}, {11, 9}, 2 * std::sqrt(2.0)},
        {"spikes, bent at the tips",
         spikes(),
         {12, 8},
         {9, 10.2},
         std::sqrt(8.0) + std::sqrt(1.04)},
        {"spikes, narrow wedge from the wide",
         spikes(),
         {12, 8},
         {9, 9},
         std::sqrt(38.25) + 1.0 + std::sqrt(49.25)},
        {"spikes, narrow wedge across",
         spikes(),
         {9, 9},
         {11, 11},
         std::sqrt(49.25) + 1.0 + std::sqrt(81.25)},
    };
    for (const auto& c : cases) {
        const Room room(c.outline);
        EXPECT_NEAR(room.distance(c.a, c.b), c.expected, 1e-9) << c.name;
        EXPECT_NEAR(room.distance(c.b, c.a), c.expected, 1e-9) << c.name << " (reversed)";
    }
}

TEST(WalkingDistance, ReflexCornersAreTheOnlyBends) {
    EXPECT_EQ(Room(extcalc::plan::rectangle(5, 5)).corners().size(), 0u);
    EXPECT_EQ(Room(lShape()).corners().size(), 1u);
    EXPECT_EQ(Room(ring()).corners().size(), 4u);  // every corner of a core juts into the floor
    // Where holes touch, only a wedge wider than a half turn is a bend.
    EXPECT_EQ(Room(tipOnWall()).corners().size(), 2u);
    EXPECT_EQ(Room(tipToTip()).corners().size(), 4u);
    EXPECT_EQ(Room(spikes()).corners().size(), 5u);
}

// ---- The check --------------------------------------------------------------------------

struct CheckCase {
    const char* name;
    Outline outline;
    std::vector<Point> points;
    double radius;
    double worst;
    Point worstAt;
    bool ok;
};

TEST(Check, LeastFavourableSpotOfKnownRooms) {
    const CheckCase cases[] = {
        {"rectangle, point in a corner",
         extcalc::plan::rectangle(10, 6),
         {{0, 0}},
         12,
         std::sqrt(136.0),
         {10, 6},
         true},
        {"rectangle, centre",
         extcalc::plan::rectangle(10, 6),
         {{5, 3}},
         5,
         std::sqrt(34.0),
         {0, 0},
         false},
        // Straight, the far corner is 21.63 m away and within 22 m; walking it is 22.39 m.
        {"L, corner behind the bend",
         lShape(),
         {{18, 8}},
         22,
         std::sqrt(68.0) + std::sqrt(200.0),
         {0, 20},
         false},
        {"ring around a core",
         ring(),
         {{5, 5}},
         40,
         std::sqrt(250.0) + std::sqrt(500.0),
         {30, 30},
         true},
        // Midway between two points, on the wall.
        {"long corridor",
         extcalc::plan::rectangle(100, 2),
         {{10, 1}, {90, 1}},
         40,
         std::sqrt(1601.0),
         {50, 0},
         false},
        // What an estimate from the area gives a 68 m × 30 m floor, 中危险级 A: its corners are
        // 22.67 m from the nearest point, beyond 20 m.
        {"68 x 30 with two points",
         extcalc::plan::rectangle(68, 30),
         {{17, 15}, {51, 15}},
         20,
         std::sqrt(17.0 * 17 + 15 * 15),
         {0, 0},
         false},
        // Through the shaft's tip the far corner would be 11 m away; around the shaft it is 23.19.
        {"shaft on its tip",
         tipOnWall(),
         {{9, 0}},
         20,
         std::sqrt(45.0) + 8.0 + std::sqrt(72.0),
         {20, 0},
         false},
        {"shaft on its tip, long reach",
         tipOnWall(),
         {{9, 0}},
         24,
         std::sqrt(45.0) + 8.0 + std::sqrt(72.0),
         {20, 0},
         true},
    };
    for (const auto& c : cases) {
        const Room room(c.outline);
        const auto result = extcalc::plan::check(room, c.points, c.radius);
        EXPECT_NEAR(result.worstDistance, c.worst, 1e-6) << c.name;
        // Several spots may be equally far; the one found must be that far.
        EXPECT_NEAR(room.distance(c.worstAt, c.points.front()) >= 0 ? result.worstDistance : 0,
                    c.worst, 1e-6)
            << c.name;
        EXPECT_EQ(result.ok, c.ok) << c.name;
        EXPECT_EQ(result.uncovered.empty(), c.ok) << c.name;
    }
}

TEST(Check, UncoveredRegionIsWhereSpotsAreFartherThanR) {
    const Room room(extcalc::plan::rectangle(68, 30));
    const std::vector<Point> points{{17, 15}, {51, 15}};
    const auto result = extcalc::plan::check(room, points, 20);
    ASSERT_FALSE(result.ok);
    const double total = std::accumulate(
        result.uncovered.begin(), result.uncovered.end(), 0.0,
        [](double sum, const auto& piece) { return sum + extcalc::plan::area(piece); });
    // Eight quarter pieces, each between the walls and a circle of 20 m about (17, 15): x from
    // 0 to 17 − √(400 − y'²) for y' from the point's level to the wall 15 m away.
    double corner = 0;
    constexpr int kSteps = 100000;
    for (int i = 0; i < kSteps; ++i) {
        const double y = 15.0 * (i + 0.5) / kSteps;
        corner += std::max(0.0, 17.0 - std::sqrt(400.0 - y * y)) * 15.0 / kSteps;
    }
    // Four corners, and on each long wall the two halves of a piece between the points.
    EXPECT_EQ(result.uncovered.size(), 6u);
    EXPECT_NEAR(total, 8 * corner, 0.01 * 8 * corner);
}

TEST(Check, NoPointsCoverNothing) {
    const Room room(extcalc::plan::rectangle(4, 3));
    const auto result = extcalc::plan::check(room, {}, 10);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(result.uncovered.size(), 1u);
}

// An independent measure: distances through every vertex with Boost.Geometry's own test of
// whether a segment stays in the polygon, at spots on a grid refined around the farthest.
class Dense {
  public:
    using P = bg::model::d2::point_xy<double>;
    using Polygon = bg::model::polygon<P>;

    Dense(const Outline& outline, std::vector<Point> points) : points_(std::move(points)) {
        const auto fill = [](const extcalc::plan::Ring& r, auto& to) {
            std::transform(r.begin(), r.end(), std::back_inserter(to),
                           [](const Point& p) { return P(p.x, p.y); });
            to.emplace_back(r.front().x, r.front().y);
        };
        fill(outline.outer, polygon_.outer());
        for (const auto& hole : outline.holes) {
            polygon_.inners().emplace_back();
            fill(hole, polygon_.inners().back());
            nodes_.insert(nodes_.end(), hole.begin(), hole.end());
        }
        bg::correct(polygon_);
        nodes_.insert(nodes_.end(), outline.outer.begin(), outline.outer.end());
        // Distances from the nearest point to every vertex (Bellman–Ford: few nodes).
        const double inf = std::numeric_limits<double>::infinity();
        at_.assign(nodes_.size(), inf);
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            for (const Point& p : points_) {
                if (sees(p, nodes_[i])) {
                    at_[i] = std::min(at_[i], length(p, nodes_[i]));
                }
            }
        }
        for (std::size_t round = 0; round < nodes_.size(); ++round) {
            for (std::size_t i = 0; i < nodes_.size(); ++i) {
                for (std::size_t j = 0; j < nodes_.size(); ++j) {
                    if (at_[j] + length(nodes_[i], nodes_[j]) < at_[i] - 1e-12 &&
                        sees(nodes_[i], nodes_[j])) {
                        at_[i] = at_[j] + length(nodes_[i], nodes_[j]);
                    }
                }
            }
        }
    }

    bool sees(Point a, Point b) const {
        if (length(a, b) < 1e-12) {
            return true;
        }
        // A hair short at both ends: a spot on a wall, rounded, may lie a hair outside it,
        // which Boost's exact predicates would count as leaving the room.
        const double e = 1e-9;
        bg::model::linestring<P> line{{a.x + e * (b.x - a.x), a.y + e * (b.y - a.y)},
                                      {b.x - e * (b.x - a.x), b.y - e * (b.y - a.y)}};
        return bg::covered_by(line, polygon_);
    }

    double at(Point x) const {
        double best = std::numeric_limits<double>::infinity();
        for (const Point& p : points_) {
            if (sees(p, x)) {
                best = std::min(best, length(p, x));
            }
        }
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            if (at_[i] + length(nodes_[i], x) < best && sees(nodes_[i], x)) {
                best = at_[i] + length(nodes_[i], x);
            }
        }
        return best;
    }

    bool inside(Point x) const { return bg::covered_by(P{x.x, x.y}, polygon_); }

    // The farthest spot of a grid at spacing h.
    double onGrid(double h) const {
        bg::model::box<P> box;
        bg::envelope(polygon_, box);
        double best = 0;
        for (double x = box.min_corner().x(); x <= box.max_corner().x() + 1e-9; x += h) {
            for (double y = box.min_corner().y(); y <= box.max_corner().y() + 1e-9; y += h) {
                if (inside({x, y})) {
                    best = std::max(best, at({x, y}));
                }
            }
        }
        return best;
    }

    // The farthest spot found by sampling: a grid at spacing h, the walls at h/10, then five
    // times finer around every spot within the spacing of the best (the distance changes by at
    // most the step, so the farthest spot is always near one of them), three times.
    double worst(double h, const Outline& outline) const {
        bg::model::box<P> box;
        bg::envelope(polygon_, box);
        std::vector<std::pair<double, Point>> level;
        const auto add = [&](Point q) {
            if (inside(q)) {
                level.emplace_back(at(q), q);
            }
        };
        for (double x = box.min_corner().x(); x <= box.max_corner().x() + 1e-9; x += h) {
            for (double y = box.min_corner().y(); y <= box.max_corner().y() + 1e-9; y += h) {
                add({x, y});
            }
        }
        const auto walls = [&](const extcalc::plan::Ring& r) {
            for (std::size_t i = 0; i < r.size(); ++i) {
                const Point a = r[i];
                const Point b = r[(i + 1) % r.size()];
                const int n = static_cast<int>(std::ceil(length(a, b) / (h / 10))) + 1;
                for (int k = 0; k <= n; ++k) {
                    add({a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n});
                }
            }
        };
        walls(outline.outer);
        for (const auto& hole : outline.holes) {
            walls(hole);
        }
        double best = 0;
        for (double step = h;; step /= 5) {
            for (const auto& v : level) {
                best = std::max(best, v.first);
            }
            if (step < h / 100) {
                return best;
            }
            std::vector<Point> near;
            for (const auto& [value, p] : level) {
                if (value >= best - step) {
                    near.push_back(p);
                }
            }
            level.clear();
            for (const Point& p : near) {
                for (int i = -5; i <= 5; ++i) {
                    for (int j = -5; j <= 5; ++j) {
                        add({p.x + step * i / 5.0, p.y + step * j / 5.0});
                    }
                }
            }
        }
    }

  private:
    Polygon polygon_;
    std::vector<Point> points_;
    std::vector<Point> nodes_;
    std::vector<double> at_;
};

// A star around the origin, sometimes with a square core.
Outline randomRoom(std::mt19937& random) {
    std::uniform_int_distribution<int> count(5, 9);
    std::uniform_real_distribution<double> radius(4.0, 10.0);
    const int n = count(random);
    Outline outline;
    for (int i = 0; i < n; ++i) {
        const double angle = 2 * 3.14159265358979 * (i + 0.5) / n;
        const double r = radius(random);
        outline.outer.push_back(
            {std::round(r * std::cos(angle) * 10) / 10, std::round(r * std::sin(angle) * 10) / 10});
    }
    if (std::uniform_int_distribution<int>(0, 1)(random) == 1) {
        outline.holes.push_back({{-1.5, -1.5}, {1.5, -1.5}, {1.5, 1.5}, {-1.5, 1.5}});
    }
    return outline;
}

TEST(Check, RandomRoomsAgreeWithDenseSampling) {
    std::mt19937 random(20);
    int rooms = 0;
    while (rooms < 5) {
        const Outline outline = randomRoom(random);
        if (!extcalc::plan::outlineProblem(outline).empty()) {
            continue;
        }
        const Room room(outline);
        std::uniform_real_distribution<double> coordinate(-10, 10);
        std::vector<Point> points;
        while (points.size() < 1 + static_cast<std::size_t>(rooms % 3)) {
            const Point p{coordinate(random), coordinate(random)};
            if (room.contains(p) && Dense(outline, {}).inside(p)) {
                points.push_back(p);
            }
        }
        ++rooms;
        const auto result = extcalc::plan::check(room, points, 10);
        const Dense dense(outline, points);
        const double sampled = dense.worst(0.5, outline);
        // Sampling can only fall short of the maximum, by at most the fine spacing.
        EXPECT_GE(result.worstDistance, sampled - 1e-6) << extcalc::plan::outlineText(outline);
        EXPECT_LE(result.worstDistance, sampled + 0.01) << extcalc::plan::outlineText(outline);
        // The spot reported is as far as claimed, by the independent measure.
        EXPECT_NEAR(dense.at(result.worstAt), result.worstDistance, 1e-6)
            << extcalc::plan::outlineText(outline) << " at " << result.worstAt.x << ' '
            << result.worstAt.y << " from " << extcalc::plan::pointsText(points);
    }
}

// ---- Placement --------------------------------------------------------------------------

struct PlaceCase {
    const char* name;
    Outline outline;
    double radius;
    int most;  // no more points than this
};

TEST(Placement, CoversEveryRoomAlongTheWalls) {
    const PlaceCase cases[] = {
        {"68 x 30 at 20 m", extcalc::plan::rectangle(68, 30), 20, 5},
        {"small office", extcalc::plan::rectangle(8, 6), 20, 1},
        {"L", lShape(), 15, 2},
        {"ring", ring(), 20, 3},
        {"corridor", extcalc::plan::rectangle(100, 2), 20, 3},
    };
    for (const auto& c : cases) {
        const Room room(c.outline);
        const auto placed = extcalc::plan::place(room, {c.radius, true, 0.5});
        ASSERT_TRUE(placed.check.ok) << c.name;
        EXPECT_LE(static_cast<int>(placed.points.size()), c.most) << c.name;
        EXPECT_GE(static_cast<int>(placed.points.size()), placed.lowerBound) << c.name;
        const Dense dense(c.outline, placed.points);
        EXPECT_LE(dense.onGrid(1.0), c.radius + 0.005) << c.name;
        for (const Point& p : placed.points) {
            EXPECT_TRUE(room.contains(p)) << c.name;
            double wall = std::numeric_limits<double>::infinity();
            const auto near = [&](const extcalc::plan::Ring& r) {
                for (std::size_t i = 0; i < r.size(); ++i) {
                    const Point a = r[i];
                    const Point b = r[(i + 1) % r.size()];
                    const double l2 = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
                    const double t = std::clamp(
                        ((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) / l2, 0.0, 1.0);
                    wall =
                        std::min(wall, length(p, {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}));
                }
            };
            near(c.outline.outer);
            for (const auto& hole : c.outline.holes) {
                near(hole);
            }
            EXPECT_LE(wall, 0.5 + 1e-9) << c.name;
        }
    }
}

// Where a point may stand beside a wall: inset from it on the floor's side and never past its
// ends, so that the candidates do not depend on how a library treats a range that is empty (a
// wall shorter than two insets, as arcs and round columns are read). Every wall keeps one.
struct CandidateCase {
    const char* name;
    Outline outline;
    double wallDistance;
};

TEST(Placement, CandidatesStandBesideTheirWallsNeverPastItsEnds) {
    const auto column = [](double x, double y, double r, int sides) {
        extcalc::plan::Ring ring;
        for (int k = 0; k < sides; ++k) {
            const double a = 2.0 * 3.14159265358979323846 * k / sides;
            ring.push_back({x + r * std::cos(a), y + r * std::sin(a)});
        }
        return ring;
    };
    const auto halfRound = extcalc::plan::parseOutline(
        "POLYGON((200 0, 194 0, 194 4, 194 4.236, 194.074 4.703, 194.22 5.152, 194.434 5.572, "
        "194.712 5.954, 195.046 6.288, 195.428 6.566, 195.848 6.78, 196.297 6.926, 196.764 7, "
        "197.236 7, 197.703 6.926, 198.152 6.78, 198.572 6.566, 198.954 6.288, 199.288 5.954, "
        "199.566 5.572, 199.78 5.152, 199.926 4.703, 200 4.236, 200 4, 200 0))");
    ASSERT_TRUE(halfRound.outline.has_value());
    const CandidateCase cases[] = {
        {"a plain room", extcalc::plan::rectangle(8, 6), 0.5},
        {"a half-round end read as 0.24 m pieces", *halfRound.outline, 0.5},
        {"a round column of 16 sides 0.19 m long",
         {{{0, 0}, {20, 0}, {20, 20}, {0, 20}}, {column(10, 10, 0.5, 16)}},
         0.5},
        {"the column, points at most 0.2 m from a wall",
         {{{0, 0}, {20, 0}, {20, 20}, {0, 20}}, {column(10, 10, 0.5, 16)}},
         0.2},
        {"a jog of 0.3 m in a wall",
         {{{0, 0}, {10, 0}, {10, 5}, {10.3, 5}, {10.3, 8}, {0, 8}}, {}},
         0.5},
        {"a wall exactly two insets long",
         {{{0, 0}, {10, 0}, {10, 5}, {10.5, 5}, {10.5, 8}, {0, 8}}, {}},
         0.5},
    };
    for (const auto& c : cases) {
        const Room room(c.outline);
        const double inset = std::min(0.25, c.wallDistance / 2.0);
        const auto found =
            extcalc::plan::detail::candidates(room, {20.0, true, c.wallDistance}, 2.0);
        std::vector<std::pair<Point, Point>> walls;
        const auto add = [&walls](const extcalc::plan::Ring& r) {
            for (std::size_t i = 0; i < r.size(); ++i) {
                walls.emplace_back(r[i], r[(i + 1) % r.size()]);
            }
        };
        add(room.outline().outer);
        for (const auto& hole : room.outline().holes) {
            add(hole);
        }
        std::vector<int> beside(walls.size(), 0);
        for (const Point& p : found) {
            bool placed = false;
            for (std::size_t w = 0; w < walls.size(); ++w) {
                const auto [a, b] = walls[w];
                const double l = length(a, b);
                // Along the wall from a, and to its left (the floor's side of a prepared room).
                const double along = ((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) / l;
                const double left = ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / l;
                if (along >= -1e-9 && along <= l + 1e-9 && std::abs(left - inset) <= 1e-9) {
                    ++beside[w];
                    placed = true;
                }
            }
            EXPECT_TRUE(placed) << c.name << ": (" << p.x << ", " << p.y << ") beside no wall";
        }
        for (std::size_t w = 0; w < walls.size(); ++w) {
            EXPECT_GT(beside[w], 0) << c.name << ": wall " << w << " from (" << walls[w].first.x
                                    << ", " << walls[w].first.y << ") has no candidate";
        }
    }
}

TEST(Placement, The68By30FloorFailsWithTheAreaEstimateAndPassesPlaced) {
    const Room room(extcalc::plan::rectangle(68, 30));
    const std::vector<Point> estimate{{17, 15}, {51, 15}};
    EXPECT_FALSE(extcalc::plan::check(room, estimate, 20).ok);
    const auto placed = extcalc::plan::place(room, {20, true, 0.5});
    EXPECT_TRUE(placed.check.ok);
    EXPECT_LE(placed.check.worstDistance, 20.005);
}

TEST(Placement, FreePlacementNeedsNoMoreThanAlongWalls) {
    const Room room(extcalc::plan::rectangle(30, 30));
    const auto walls = extcalc::plan::place(room, {16, true, 0.5});
    const auto free = extcalc::plan::place(room, {16, false, 0.5});
    ASSERT_TRUE(walls.check.ok);
    ASSERT_TRUE(free.check.ok);
    EXPECT_LE(free.points.size(), walls.points.size());
}

TEST(Placement, AHallWhoseCentreNoWallReachesFailsAlongWallsOnly) {
    // The centre of a 40 m square is 20 m from every wall, beyond R = 15 m.
    const Room room(extcalc::plan::rectangle(40, 40));
    const auto walls = extcalc::plan::place(room, {15, true, 0.5});
    EXPECT_FALSE(walls.check.ok);
    EXPECT_GT(walls.check.worstDistance, 15.0);
    EXPECT_FALSE(walls.check.uncovered.empty());
    const auto free = extcalc::plan::place(room, {15, false, 0.5});
    EXPECT_TRUE(free.check.ok);
}

// ---- Text -------------------------------------------------------------------------------

TEST(OutlineText, RectanglesAndPolygons) {
    const auto r = extcalc::plan::parseOutline(" 68x30 ");
    ASSERT_TRUE(r.outline) << r.error;
    EXPECT_EQ(*r.outline, extcalc::plan::rectangle(68, 30));
    EXPECT_EQ(*extcalc::plan::parseOutline("12.5×8").outline, extcalc::plan::rectangle(12.5, 8));
    const auto w = extcalc::plan::parseOutline(
        "POLYGON((0 0, 30 0, 30 30, 0 30, 0 0), (10 10, 20 10, 20 20, 10 20, 10 10))");
    ASSERT_TRUE(w.outline) << w.error;
    EXPECT_EQ(w.outline->holes.size(), 1u);
    EXPECT_NEAR(extcalc::plan::area(*w.outline), 800.0, 1e-9);
    const auto again = extcalc::plan::parseOutline(extcalc::plan::outlineText(*w.outline));
    ASSERT_TRUE(again.outline);
    EXPECT_EQ(*again.outline, *w.outline);
    // Holes touching the wall or each other at a point make a valid floor.
    for (const Outline& touching : {tipOnWall(), tipToTip(), spikes()}) {
        EXPECT_EQ(extcalc::plan::outlineProblem(touching), "");
        EXPECT_TRUE(extcalc::plan::parseOutline(extcalc::plan::outlineText(touching)).outline);
    }
}

TEST(OutlineText, WhatIsNotAnOutlineSaysWhy) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"", "为空"},
        {"68x", "长x宽"},
        {"0x30", "大于 0"},
        {"1e6x3", "长x宽"},
        {"200000x3", "不超过"},
        {"POLYGON((0 0, 10 10, 10 0, 0 10, 0 0))", "自相交"},
        {"POLYGON((0 0, 10 0", "无法读取"},
        {"POLYGON((0 0, 10 0, 10 10, 0 10, 0 0), (20 20, 21 20, 21 21, 20 21, 20 20))", "洞"},
        // A hole along the wall, not at a point.
        {"POLYGON((0 0, 10 0, 10 10, 0 10, 0 0), (0 2, 3 2, 3 5, 0 5, 0 2))", "只可在一点"},
        {"CIRCLE(3)", "WKT"},
    };
    for (const auto& c : cases) {
        const auto r = extcalc::plan::parseOutline(c.text);
        EXPECT_FALSE(r.outline) << c.text;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << c.text << ": " << r.error;
    }
}

TEST(OutlineText, SeveralRoomsAsMultipolygon) {
    const struct {
        const char* text;
        std::size_t rooms;  // 0: refused
        const char* says;
    } cases[] = {
        {"68x30", 1, ""},
        {"multipolygon(((0 0, 10 0, 10 10, 0 10, 0 0)), ((10 0, 20 0, 20 10, 10 10, 10 0)))", 2,
         ""},  // side by side, one wall shared
        {"MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((5 0, 15 0, 15 10, 5 10, 5 0)))", 0,
         "第 1 个轮廓与第 2 个重叠"},
        {"MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((20 0, 30 10, 30 0, 20 10, 20 0)))", 0,
         "第 2 个轮廓：平面的边自相交"},
        {"MULTIPOLYGON(((0 0, 10 0", 0, "MULTIPOLYGON"},
        {"MULTIPOLYGON EMPTY", 0, "没有多边形"},
    };
    for (const auto& c : cases) {
        const auto read = extcalc::plan::parseOutlines(c.text);
        EXPECT_EQ(read.outlines ? read.outlines->size() : 0U, c.rooms) << c.text << read.error;
        EXPECT_NE(read.error.find(c.says), std::string::npos) << c.text << ": " << read.error;
        if (read.outlines) {
            // Written and read again: the same rooms.
            const auto again =
                extcalc::plan::parseOutlines(extcalc::plan::outlinesText(*read.outlines));
            ASSERT_TRUE(again.outlines) << again.error;
            EXPECT_EQ(*again.outlines, *read.outlines);
        }
    }
}

TEST(PointsText, ListsOfPoints) {
    const auto p = extcalc::plan::parsePoints("1 2; 3.5,4 ;5 6");
    ASSERT_TRUE(p.points) << p.error;
    EXPECT_EQ(*p.points, (std::vector<Point>{{1, 2}, {3.5, 4}, {5, 6}}));
    EXPECT_EQ(extcalc::plan::pointsText(*p.points), "1 2; 3.5 4; 5 6");
    EXPECT_TRUE(extcalc::plan::parsePoints("").points->empty());
    const auto bad = extcalc::plan::parsePoints("1 2; 3");
    EXPECT_FALSE(bad.points);
    EXPECT_NE(bad.error.find("第 2 个"), std::string::npos) << bad.error;
}

}  // namespace
