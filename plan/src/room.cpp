// SPDX-License-Identifier: MIT
// Walking distances inside a room: the shortest path bends only at reflex corners of the floor
// (where the outline turns into the room, and every convex corner of a hole), so the paths
// between corners that see each other (the visibility graph) and Dijkstra's algorithm give
// every distance. Written here rather than taken from Boost.Geometry, which has no shortest
// paths; the point and segment tests are ours too because they must treat a wall as inside
// within a tolerance, which Boost's exact predicates do not.
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>

#include "extcalc/plan/plan.h"
#include "geometry.h"

namespace extcalc::plan {

using detail::cross;
using detail::dist;
using detail::side;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;

double signedArea(const Ring& ring) {
    double twice = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        twice += cross(ring[i], ring[(i + 1) % ring.size()]);
    }
    return twice / 2.0;
}

// Outer ring counter-clockwise, holes clockwise: the floor is always on the left of an edge.
Ring oriented(Ring ring, bool counterClockwise) {
    if ((signedArea(ring) > 0.0) != counterClockwise) {
        std::reverse(ring.begin(), ring.end());
    }
    return ring;
}

}  // namespace

Room::Room(const Outline& outline) {
    outline_.outer = oriented(outline.outer, true);
    for (const Ring& hole : outline.holes) {
        outline_.holes.push_back(oriented(hole, false));
    }
    minX_ = maxX_ = outline_.outer.front().x;
    minY_ = maxY_ = outline_.outer.front().y;
    for (const Point& p : outline_.outer) {
        minX_ = std::min(minX_, p.x);
        maxX_ = std::max(maxX_, p.x);
        minY_ = std::min(minY_, p.y);
        maxY_ = std::max(maxY_, p.y);
    }
    scale_ = std::max({1.0, maxX_ - minX_, maxY_ - minY_});
    const double tol = 1e-9 * scale_;

    findPinches(tol);
    const auto pinched = [&](Point p) {
        return std::any_of(pinches_.begin(), pinches_.end(),
                           [&](const Sector& s) { return dist(s.at, p) <= tol; });
    };
    const auto reflex = [&](const Ring& ring) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const Point& before = ring[(i + ring.size() - 1) % ring.size()];
            const Point& at = ring[i];
            const Point& after = ring[(i + 1) % ring.size()];
            // A right turn with the floor on the left: the corner juts into the floor.
            if (side(before, at, after) < -tol && !pinched(at)) {
                corners_.push_back(at);
                cornerSector_.push_back(-1);
            }
        }
    };
    reflex(outline_.outer);
    for (const Ring& hole : outline_.holes) {
        reflex(hole);
    }
    // At a pinch, a path bends only around a sector wider than a half turn, within it.
    for (std::size_t s = 0; s < pinches_.size(); ++s) {
        if (pinches_[s].sweep > kPi + 1e-9) {
            corners_.push_back(pinches_[s].at);
            cornerSector_.push_back(static_cast<int>(s));
        }
    }
    const std::size_t n = corners_.size();
    cornerGraph_.assign(n, std::vector<double>(n, kInfinity));
    for (std::size_t i = 0; i < n; ++i) {
        cornerGraph_[i][i] = 0.0;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (dist(corners_[i], corners_[j]) > tol && opens(i, corners_[j]) &&
                opens(j, corners_[i]) && visible(corners_[i], corners_[j])) {
                cornerGraph_[i][j] = cornerGraph_[j][i] = dist(corners_[i], corners_[j]);
            }
        }
    }
}

void Room::findPinches(double tol) {
    std::vector<const Ring*> rings{&outline_.outer};
    std::transform(outline_.holes.begin(), outline_.holes.end(), std::back_inserter(rings),
                   [](const Ring& hole) { return &hole; });
    if (rings.size() < 2) {
        return;
    }
    // A vertex of one ring on another ring; boxes spare the rings far apart.
    std::vector<std::array<double, 4>> boxes;
    for (const Ring* ring : rings) {
        std::array<double, 4> box{kInfinity, kInfinity, -kInfinity, -kInfinity};
        for (const Point& p : *ring) {
            box = {std::min(box[0], p.x - tol), std::min(box[1], p.y - tol),
                   std::max(box[2], p.x + tol), std::max(box[3], p.y + tol)};
        }
        boxes.push_back(box);
    }
    const auto onRing = [&](Point v, std::size_t o) {
        const Ring& other = *rings[o];
        const auto& box = boxes[o];
        if (v.x < box[0] || v.y < box[1] || v.x > box[2] || v.y > box[3]) {
            return false;
        }
        for (std::size_t i = 0; i < other.size(); ++i) {
            if (detail::segmentDistance(v, other[i], other[(i + 1) % other.size()]) <= tol) {
                return true;
            }
        }
        return false;
    };
    std::vector<Point> points;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        for (const Point& v : *rings[r]) {
            bool touches = false;
            for (std::size_t o = 0; o < rings.size() && !touches; ++o) {
                touches = o != r && onRing(v, o);
            }
            if (touches && std::none_of(points.begin(), points.end(),
                                        [&](Point p) { return dist(p, v) <= tol; })) {
                points.push_back(v);
            }
        }
    }
    // The walls leaving each such point, by angle: the floor lies counter-clockwise after a wall
    // that runs away from it (the floor is on an edge's left) and before one that runs into it.
    for (const Point& at : points) {
        std::vector<std::pair<double, bool>> walls;  // angle, floor follows
        const auto angle = [&at](Point towards) {
            const double a = std::atan2(towards.y - at.y, towards.x - at.x);
            return a < 0.0 ? a + 2.0 * kPi : a;
        };
        for (const Ring* ring : rings) {
            for (std::size_t i = 0; i < ring->size(); ++i) {
                const Point a = (*ring)[i];
                const Point b = (*ring)[(i + 1) % ring->size()];
                const bool fromHere = dist(a, at) <= tol;
                const bool toHere = dist(b, at) <= tol;
                if (fromHere || (!toHere && detail::segmentDistance(at, a, b) <= tol)) {
                    walls.emplace_back(angle(b), true);
                }
                if (toHere || (!fromHere && detail::segmentDistance(at, a, b) <= tol)) {
                    walls.emplace_back(angle(a), false);
                }
            }
        }
        std::sort(walls.begin(), walls.end());
        for (std::size_t i = 0; i < walls.size(); ++i) {
            const auto& [from, floor] = walls[i];
            const double to = walls[(i + 1) % walls.size()].first;
            if (floor && !walls[(i + 1) % walls.size()].second) {
                double sweep = to - from;
                if (sweep <= 0.0) {
                    sweep += 2.0 * kPi;
                }
                pinches_.push_back({at, from, sweep});
            }
        }
    }
}

bool Room::Sector::holds(double angle) const {
    double d = angle - from;
    while (d < 0.0) {
        d += 2.0 * kPi;
    }
    while (d >= 2.0 * kPi) {
        d -= 2.0 * kPi;
    }
    return d <= sweep + 1e-9 || d >= 2.0 * kPi - 1e-9;
}

bool Room::opens(std::size_t corner, Point p) const {
    const int s = cornerSector_[corner];
    if (s < 0) {
        return true;
    }
    const Point c = corners_[corner];
    return pinches_[static_cast<std::size_t>(s)].holds(std::atan2(p.y - c.y, p.x - c.x));
}

bool Room::contains(Point p) const {
    const double tol = 1e-9 * scale_;
    if (p.x < minX_ - tol || p.x > maxX_ + tol || p.y < minY_ - tol || p.y > maxY_ + tol) {
        return false;
    }
    bool inside = false;
    bool onWall = false;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++) {
            const Point& a = r[i];
            const Point& b = r[j];
            if (detail::segmentDistance(p, a, b) <= tol) {
                onWall = true;
                return;
            }
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
            }
        }
    };
    ring(outline_.outer);
    for (const Ring& hole : outline_.holes) {
        if (!onWall) {
            ring(hole);
        }
    }
    return onWall || inside;
}

bool Room::visible(Point a, Point b) const {
    const double tol = 1e-9 * scale_;
    const double length = dist(a, b);
    if (length <= tol) {
        return contains(a);
    }
    std::vector<double> touches;
    bool blocked = false;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0, j = r.size() - 1; i < r.size() && !blocked; j = i++) {
            const Point& p = r[j];
            const Point& q = r[i];
            const double d1 = side(a, b, p);
            const double d2 = side(a, b, q);
            if ((d1 > tol && d2 < -tol) || (d1 < -tol && d2 > tol)) {
                const double d3 = side(p, q, a);
                const double d4 = side(p, q, b);
                if ((d3 > tol && d4 < -tol) || (d3 < -tol && d4 > tol)) {
                    blocked = true;
                }
            }
            if (std::abs(d2) <= tol) {
                const double t = detail::dot(q - a, b - a) / (length * length);
                if (t * length > tol && (1.0 - t) * length > tol) {
                    touches.push_back(t);
                    blocked = blocked || !passes(q, a, b, tol);
                }
            }
        }
    };
    ring(outline_.outer);
    for (const Ring& hole : outline_.holes) {
        ring(hole);
    }
    if (blocked) {
        return false;
    }
    // Where the segment touches a corner it may pass from the floor into a wall: every piece
    // between touches must lie on the floor.
    touches.push_back(0.0);
    touches.push_back(1.0);
    std::sort(touches.begin(), touches.end());
    for (std::size_t i = 0; i + 1 < touches.size(); ++i) {
        const double t = (touches[i] + touches[i + 1]) / 2.0;
        if (!contains(a + t * (b - a))) {
            return false;
        }
    }
    return true;
}

bool Room::passes(Point q, Point a, Point b, double tol) const {
    // Through a pinch only within one of its sectors: both ends on the same side.
    bool pinch = false;
    for (const Sector& s : pinches_) {
        if (dist(s.at, q) > tol) {
            continue;
        }
        pinch = true;
        if (s.holds(std::atan2(a.y - q.y, a.x - q.x)) &&
            s.holds(std::atan2(b.y - q.y, b.x - q.x))) {
            return true;
        }
    }
    return !pinch;
}

Room::Field Room::field(std::span<const Point> sources) const {
    const std::size_t n = corners_.size();
    Field f;
    f.corner.assign(n, kInfinity);
    f.before.assign(n, {});
    const double tol = 1e-9 * scale_;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        for (std::size_t c = 0; c < n; ++c) {
            if (!opens(c, sources[s]) || !visible(sources[s], corners_[c])) {
                continue;
            }
            const double d = dist(sources[s], corners_[c]);
            const int from = -1 - static_cast<int>(s);
            if (d < f.corner[c] - tol) {
                f.corner[c] = d;
                f.before[c] = {from};
            } else if (d <= f.corner[c] + tol) {
                f.before[c].push_back(from);
            }
        }
    }
    // Dense Dijkstra: the graph between corners is small and mostly connected.
    std::vector<bool> done(n, false);
    for (std::size_t round = 0; round < n; ++round) {
        std::size_t best = n;
        for (std::size_t c = 0; c < n; ++c) {
            if (!done[c] && f.corner[c] < kInfinity &&
                (best == n || f.corner[c] < f.corner[best])) {
                best = c;
            }
        }
        if (best == n) {
            break;
        }
        done[best] = true;
        for (std::size_t c = 0; c < n; ++c) {
            if (done[c] || cornerGraph_[best][c] == kInfinity) {
                continue;
            }
            const double d = f.corner[best] + cornerGraph_[best][c];
            if (d < f.corner[c] - tol) {
                f.corner[c] = d;
                f.before[c] = {static_cast<int>(best)};
            } else if (d <= f.corner[c] + tol) {
                f.before[c].push_back(static_cast<int>(best));
            }
        }
    }
    return f;
}

double Room::distance(const Field& f, std::span<const Point> sources, Point p) const {
    double best = kInfinity;
    // Straight lines first: in a room without corners they are all there is, and a short one
    // spares the visibility tests of every longer path.
    std::vector<std::pair<double, std::size_t>> order;
    order.reserve(sources.size());
    for (std::size_t s = 0; s < sources.size(); ++s) {
        order.emplace_back(dist(p, sources[s]), s);
    }
    std::sort(order.begin(), order.end());
    const bool open = corners_.empty();
    for (const auto& [d, s] : order) {
        if (d >= best) {
            break;
        }
        if (open || visible(sources[s], p)) {
            best = d;
            break;
        }
    }
    if (open) {
        return best;
    }
    for (std::size_t c = 0; c < corners_.size(); ++c) {
        const double d = f.corner[c] + dist(corners_[c], p);
        if (d < best && opens(c, p) && visible(corners_[c], p)) {
            best = d;
        }
    }
    return best;
}

double Room::distance(Point a, Point b) const {
    const std::vector<Point> source{a};
    return distance(field(source), source, b);
}

}  // namespace extcalc::plan
