// SPDX-License-Identifier: MIT
// The placement against a brute force on small rooms: every set of up to four points from a
// dense band of candidates along the walls, searched exhaustively (branching on a spot not yet
// covered), each cover confirmed by the exact check. The brute force's count is the fewest
// points along the walls up to the candidates' spacing; the placement may not use more, and the
// figures are printed for the docs. The brute force is written apart from the library's own
// search (exact_cover.cpp): its own candidates, its own spots, no reduction and no bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "extcalc/plan/plan.h"

namespace {

using extcalc::plan::Outline;
using extcalc::plan::Point;
using extcalc::plan::Ring;
using extcalc::plan::Room;

double signedArea(const Ring& r) {
    double sum = 0.0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        sum += r[i].x * r[(i + 1) % r.size()].y - r[(i + 1) % r.size()].x * r[i].y;
    }
    return sum / 2.0;
}

// Points 0.25 m inside every wall, spacing apart, ends 0.25 m from the corners.
std::vector<Point> wallBand(const Room& room, double spacing) {
    std::vector<Point> out;
    const auto ring = [&](const Ring& r, bool hole) {
        // The floor lies left of an anticlockwise outer ring and right of an anticlockwise hole.
        const double side = ((signedArea(r) > 0.0) != hole) ? 1.0 : -1.0;
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Point a = r[i];
            const Point b = r[(i + 1) % r.size()];
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            const Point in{-side * (b.y - a.y) / length * 0.25, side * (b.x - a.x) / length * 0.25};
            const int n = std::max(1, static_cast<int>(std::floor((length - 0.5) / spacing)));
            for (int k = 0; k <= n; ++k) {
                const double t = (0.25 + (length - 0.5) * k / n) / length;
                const Point p{a.x + t * (b.x - a.x) + in.x, a.y + t * (b.y - a.y) + in.y};
                if (room.contains(p)) {
                    out.push_back(p);
                }
            }
        }
    };
    ring(room.outline().outer, false);
    for (const Ring& h : room.outline().holes) {
        ring(h, true);
    }
    return out;
}

// Spots to cover: a fine grid and the vertices.
std::vector<Point> spotsOf(const Room& room, double step) {
    std::vector<Point> out(room.outline().outer.begin(), room.outline().outer.end());
    for (const Ring& h : room.outline().holes) {
        out.insert(out.end(), h.begin(), h.end());
    }
    double minX = 1e9;
    double minY = 1e9;
    double maxX = -1e9;
    double maxY = -1e9;
    for (const Point& p : room.outline().outer) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    for (double x = minX; x <= maxX + 1e-9; x += step) {
        for (double y = minY; y <= maxY + 1e-9; y += step) {
            if (room.contains({x, y})) {
                out.push_back({x, y});
            }
        }
    }
    return out;
}

class BruteForce {
  public:
    BruteForce(const Room& room, double radius, double spacing)
        : room_(room),
          radius_(radius),
          candidates_(wallBand(room, spacing)),
          spots_(spotsOf(room, radius / 10.0)) {
        covers_.assign(spots_.size(), {});
        reaches_.assign(candidates_.size(), {});
        for (std::size_t c = 0; c < candidates_.size(); ++c) {
            const std::vector<Point> one{candidates_[c]};
            const Room::Field field = room.field(one);
            for (std::size_t s = 0; s < spots_.size(); ++s) {
                if (room.distance(field, one, spots_[s]) <= radius + 0.005) {
                    covers_[s].push_back(c);
                    reaches_[c].push_back(s);
                }
            }
        }
        count_.assign(spots_.size(), 0);
    }

    // The fewest points up to most, or none when no such set passes the exact check.
    std::optional<std::vector<Point>> fewest(std::size_t most) {
        for (std::size_t k = 1; k <= most; ++k) {
            chosen_.clear();
            if (search(k)) {
                return found_;
            }
        }
        return std::nullopt;
    }
    [[nodiscard]] std::size_t candidates() const { return candidates_.size(); }

  private:
    void take(std::size_t c, int by) {
        for (const std::size_t s : reaches_[c]) {
            count_[s] += by;
        }
    }

    bool search(std::size_t left) {
        // Branch on the open spot that the fewest candidates reach.
        std::size_t open = spots_.size();
        for (std::size_t s = 0; s < spots_.size(); ++s) {
            if (count_[s] == 0 &&
                (open == spots_.size() || covers_[s].size() < covers_[open].size())) {
                open = s;
            }
        }
        if (open == spots_.size()) {
            std::vector<Point> points(chosen_.size());
            std::transform(chosen_.begin(), chosen_.end(), points.begin(),
                           [&](std::size_t c) { return candidates_[c]; });
            if (extcalc::plan::check(room_, points, radius_).ok) {
                found_ = points;
                return true;
            }
            return false;
        }
        if (left == 0) {
            return false;
        }
        return std::any_of(covers_[open].begin(), covers_[open].end(), [&](std::size_t c) {
            chosen_.push_back(c);
            take(c, 1);
            const bool done = search(left - 1);
            take(c, -1);
            if (!done) {
                chosen_.pop_back();
            }
            return done;
        });
    }

    const Room& room_;
    double radius_;
    std::vector<Point> candidates_;
    std::vector<Point> spots_;
    std::vector<std::vector<std::size_t>> covers_;   // per spot, the candidates that reach it
    std::vector<std::vector<std::size_t>> reaches_;  // per candidate, the spots it reaches
    std::vector<int> count_;                         // per spot, the chosen that reach it
    std::vector<std::size_t> chosen_;
    std::vector<Point> found_;
};

struct RoomCase {
    const char* name;
    Outline outline;
    double radius;
    double spacing;
};

TEST(PlacementOptimality, NoMoreThanTheBruteForceOnSmallRooms) {
    const RoomCase cases[] = {
        {"20 m x 10 m, R 15", extcalc::plan::rectangle(20, 10), 15, 0.5},
        {"40 m x 12 m, R 15", extcalc::plan::rectangle(40, 12), 15, 1.0},
        {"corridor 60 m x 2 m, R 20", extcalc::plan::rectangle(60, 2), 20, 1.0},
        {"L 20 m x 20 m, legs 10 m, R 15",
         {{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {}},
         15,
         0.5},
        {"30 m x 30 m around a 10 m core, R 20",
         {{{0, 0}, {30, 0}, {30, 30}, {0, 30}}, {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}},
         20,
         1.0},
        {"68 m x 30 m, R 20", extcalc::plan::rectangle(68, 30), 20, 2.0},
    };
    for (const RoomCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Room room(c.outline);
        const auto placed = extcalc::plan::place(room, {c.radius, true, 0.5});
        ASSERT_TRUE(placed.check.ok);
        BruteForce brute(room, c.radius, c.spacing);
        const auto best = brute.fewest(4);
        const std::size_t fewest = best ? best->size() : 5;
        std::printf("%-40s placement %zu, brute force %s%zu (%zu candidates), lower bound %d\n",
                    c.name, placed.points.size(), best ? "" : "more than ", best ? fewest : 4,
                    brute.candidates(), placed.lowerBound);
        EXPECT_LE(static_cast<std::size_t>(placed.lowerBound), fewest);
        if (best) {
            EXPECT_LE(placed.points.size(), fewest);
        }
    }
}

// Rooms whose fewest points along the walls the greedy cover alone misses, or where a bound is
// tight, each held to its count: the first two are the covers an outside check found with one
// point fewer than the placement then gave (0.25 8.25; 0.25 24.25; 2.75 41.75 in the corridor,
// 29.9427 5.75; 29.5358 14.25; 9.9713 5.75; 9.0716 14.25 around the two cores). Every placement
// passes the library's own check, stands along the walls and is proved the fewest of its
// candidates; where the brute force is cheap it must find no cover with one point fewer.
struct FewestCase {
    const char* name;
    Outline outline;
    double radius;
    std::size_t points;   // the fewest along the walls
    bool oracle;          // the brute force confirms it within the test's time
    bool greedyMissesIt;  // the greedy cover alone needs a point more
};

Outline polygon(Ring outer, std::vector<Ring> holes = {}) {
    return {std::move(outer), std::move(holes)};
}

Ring box(double x, double y, double width, double height) {
    return {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
}

double wallGap(const Outline& outline, Point p) {
    double best = 1e9;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Point a = r[i];
            const Point b = r[(i + 1) % r.size()];
            const double dx = b.x - a.x;
            const double dy = b.y - a.y;
            const double t =
                std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
        }
    };
    ring(outline.outer);
    for (const Ring& h : outline.holes) {
        ring(h);
    }
    return best;
}

TEST(PlacementOptimality, TheFewestPointsAlongTheWalls) {
    const FewestCase cases[] = {
        {"corridor 3 m x 50 m, R 9", extcalc::plan::rectangle(3, 50), 9, 3, false, true},
        {"40 m x 20 m around two 6 m x 8 m cores, R 12",
         polygon(extcalc::plan::rectangle(40, 20).outer,
                 {{{8, 6}, {14, 6}, {14, 14}, {8, 14}}, {{26, 6}, {32, 6}, {32, 14}, {26, 14}}}),
         12, 4, false, true},
        {"U 30 m x 20 m, notch 14 m x 12 m, R 12",
         polygon({{0, 0}, {30, 0}, {30, 20}, {22, 20}, {22, 8}, {8, 8}, {8, 20}, {0, 20}}), 12, 3,
         true, true},
        {"corridor 100 m x 3 m, R 12", extcalc::plan::rectangle(100, 3), 12, 5, false, true},
        {"24 m x 18 m, R 9", extcalc::plan::rectangle(24, 18), 9, 6, false, true},
        {"L 40 m x 40 m, legs 12 m, R 12",
         polygon({{0, 0}, {40, 0}, {40, 12}, {12, 12}, {12, 40}, {0, 40}}), 12, 6, false, true},
        // Bounds that are tight: every spot pairwise 2R apart needs its point.
        {"corridor ring 40 m x 30 m, 3 m wide, R 15",
         polygon(extcalc::plan::rectangle(40, 30).outer, {box(3, 3, 34, 24)}), 15, 4, false, true},
        {"T, bar 36 m x 12 m on a 12 m stem, R 15",
         polygon({{0, 24}, {12, 24}, {12, 0}, {24, 0}, {24, 24}, {36, 24}, {36, 36}, {0, 36}}), 15,
         3, false, false},
        {"corridor 60 m x 2 m, R 9", extcalc::plan::rectangle(60, 2), 9, 4, false, false},
        // Columns and a core: the search walks around them.
        {"24 m x 16 m with two 0.8 m columns, R 9",
         polygon(extcalc::plan::rectangle(24, 16).outer,
                 {box(7.6, 7.6, 0.8, 0.8), box(15.6, 7.6, 0.8, 0.8)}),
         9, 4, true, false},
        {"20 m x 10 m, R 9", extcalc::plan::rectangle(20, 10), 9, 3, true, false},
        {"30 m x 30 m around a 10 m core, R 12",
         polygon(extcalc::plan::rectangle(30, 30).outer, {box(10, 10, 10, 10)}), 12, 5, false,
         false},
    };
    for (const FewestCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Room room(c.outline);
        const auto placed = extcalc::plan::place(room, {c.radius, true, 0.5});
        EXPECT_EQ(placed.points.size(), c.points);
        EXPECT_TRUE(placed.fewest);
        EXPECT_LE(static_cast<std::size_t>(placed.lowerBound), placed.points.size());
        EXPECT_TRUE(extcalc::plan::check(room, placed.points, c.radius).ok);
        for (const Point& p : placed.points) {
            EXPECT_LE(wallGap(c.outline, p), 0.5 + 1e-9) << p.x << " " << p.y;
        }
        extcalc::plan::PlaceOptions greedyOnly{c.radius, true, 0.5};
        greedyOnly.searchNodes = 0;
        const auto greedy = extcalc::plan::place(room, greedyOnly);
        EXPECT_TRUE(greedy.check.ok);
        EXPECT_EQ(greedy.points.size() > placed.points.size(), c.greedyMissesIt)
            << "greedy " << greedy.points.size();
        if (c.oracle) {
            BruteForce brute(room, c.radius, 0.5);
            const auto fewer = brute.fewest(c.points - 1);
            EXPECT_FALSE(fewer) << "the brute force covers it with " << fewer->size();
        }
    }
}

// The search's budget counts nodes, so its answer is the same on every run; a budget spent
// before the end leaves a placement that still passes and says it is not proved the fewest.
TEST(PlacementOptimality, TheBudgetIsCountedNotTimed) {
    const Room room(polygon({{0, 0}, {40, 0}, {40, 12}, {12, 12}, {12, 40}, {0, 40}}));
    extcalc::plan::PlaceOptions options{12, true, 0.5};
    const auto first = extcalc::plan::place(room, options);
    const auto again = extcalc::plan::place(room, options);
    EXPECT_EQ(first.points, again.points);
    EXPECT_EQ(first.searched, again.searched);
    EXPECT_TRUE(first.fewest);
    EXPECT_LE(first.searched, options.searchNodes);

    options.searchNodes = 50;
    const auto cut = extcalc::plan::place(room, options);
    EXPECT_FALSE(cut.fewest);
    EXPECT_EQ(cut.searched, 50);
    EXPECT_TRUE(cut.check.ok);
    EXPECT_GE(cut.points.size(), first.points.size());
}

}  // namespace
