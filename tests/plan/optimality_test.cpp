// SPDX-License-Identifier: MIT
// The placement against a brute force on small rooms: every set of up to four points from a
// dense band of candidates along the walls, searched exhaustively (branching on a spot not yet
// covered), each cover confirmed by the exact check. The brute force's count is the fewest
// points along the walls up to the candidates' spacing; the placement must come within one of
// it, and the figures are printed for the docs.
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

TEST(PlacementOptimality, WithinOneOfTheBruteForceOnSmallRooms) {
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
            EXPECT_LE(placed.points.size(), fewest + 1);
        }
    }
}

}  // namespace
