// SPDX-License-Identifier: MIT
// The least favourable spot. The distance from the nearest point is, at every spot, the least
// of w + |x − s| over the sources s that see the spot: the points (w = 0) and the corners (w =
// their walking distance). Each term is a cone with no maximum inside a piece where it is the
// least, so the maximum lies where pieces meet the boundary or each other: at a vertex of the
// outline, where two terms are equal on a wall, where three terms are equal (the centre of a
// circle touching three circles, the Apollonius problem), or on the shadow ray behind a corner
// where a term starts to apply. All of these are solved in closed form below; the value at each
// candidate is then measured by the walking distance itself, so a candidate that is not a true
// vertex only ever gives a lower value. A coarse grid adds nothing unless something above is
// wrong, and is kept as a guard.
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>

#include "boost_shape.h"
#include "extcalc/plan/plan.h"
#include "geometry.h"

namespace extcalc::plan {

using detail::cross;
using detail::dist;
using detail::dot;
using detail::norm;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;
// Distances are shown to the centimetre; a spot at R within that is covered.
constexpr double kSlack = 0.005;

struct Source {
    Point at;
    double w;
};

// Real roots of a t² + b t + c.
std::vector<double> roots(double a, double b, double c) {
    const double size = std::max({std::abs(a), std::abs(b), std::abs(c)});
    if (size == 0.0) {
        return {};
    }
    if (std::abs(a) <= 1e-12 * size) {
        if (std::abs(b) <= 1e-12 * size) {
            return {};
        }
        return {-c / b};
    }
    double disc = b * b - 4.0 * a * c;
    if (disc < 0.0) {
        if (disc < -1e-9 * b * b) {
            return {};
        }
        disc = 0.0;
    }
    const double s = std::sqrt(disc);
    // The stable pair of formulas.
    const double q = -0.5 * (b + (b >= 0.0 ? s : -s));
    if (q == 0.0) {
        return {0.0};
    }
    return {q / a, c / q};
}

class Search {
  public:
    // With above, every candidate farther than radius is kept there too, and candidates are
    // measured down to radius rather than only above the best so far.
    Search(const Room& room, std::span<const Point> points, double radius = kInfinity,
           std::vector<Point>* above = nullptr)
        : room_(room), points_(points), field_(room.field(points)), radius_(radius), above_(above) {
        std::transform(points.begin(), points.end(), std::back_inserter(sources_),
                       [](const Point& p) {
                           return Source{p, 0.0};
                       });
        for (std::size_t c = 0; c < room.corners().size(); ++c) {
            if (field_.corner[c] < kInfinity) {
                sources_.push_back({room.corners()[c], field_.corner[c]});
            }
        }
    }

    void consider(Point x, double promised) {
        const double floor = above_ == nullptr ? best_ : std::min(best_, radius_);
        if (promised <= floor + 1e-9 || !room_.contains(x)) {
            return;
        }
        const double value = room_.distance(field_, points_, x);
        if (above_ != nullptr && value > radius_ + kSlack && value < kInfinity) {
            above_->push_back(x);
        }
        if (value > best_ && value < kInfinity) {
            best_ = value;
            at_ = x;
        }
    }
    void consider(Point x) { consider(x, kInfinity); }

    void run() {
        const Outline& outline = room_.outline();
        std::vector<std::pair<Point, Point>> edges;
        const auto ring = [&](const Ring& r) {
            for (std::size_t i = 0; i < r.size(); ++i) {
                consider(r[i]);
                edges.emplace_back(r[i], r[(i + 1) % r.size()]);
            }
        };
        ring(outline.outer);
        for (const Ring& hole : outline.holes) {
            ring(hole);
        }
        grid();
        const std::size_t n = sources_.size();
        for (const auto& [p, q] : edges) {
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = i + 1; j < n; ++j) {
                    onEdge(p, q, sources_[i], sources_[j]);
                }
            }
        }
        shadowRays(edges);
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                for (std::size_t k = j + 1; k < n; ++k) {
                    apollonius(sources_[i], sources_[j], sources_[k]);
                }
            }
        }
    }

    double best() const { return best_; }
    Point at() const { return at_; }
    const std::vector<Source>& sources() const { return sources_; }

  private:
    void grid() {
        constexpr int kSteps = 24;
        double minX = kInfinity;
        double minY = minX;
        double maxX = -kInfinity;
        double maxY = maxX;
        for (const Point& p : room_.outline().outer) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        for (int i = 0; i <= kSteps; ++i) {
            for (int j = 0; j <= kSteps; ++j) {
                consider({minX + (maxX - minX) * i / kSteps, minY + (maxY - minY) * j / kSteps});
            }
        }
    }

    // Where w_a + |x − a| = w_b + |x − b| on the wall from p to q.
    void onEdge(Point p, Point q, const Source& a, const Source& b) {
        const Point d = q - p;
        const double delta = b.w - a.w;
        const Point pa = p - a.at;
        const Point pb = p - b.at;
        const double alpha = dot(pa, pa) - dot(pb, pb) - delta * delta;
        const double beta = 2.0 * dot(d, b.at - a.at);
        std::vector<double> ts;
        if (delta == 0.0) {
            if (beta != 0.0) {
                ts.push_back(-alpha / beta);
            }
        } else {
            ts = roots(beta * beta - 4.0 * delta * delta * dot(d, d),
                       2.0 * alpha * beta - 8.0 * delta * delta * dot(d, pb),
                       alpha * alpha - 4.0 * delta * delta * dot(pb, pb));
        }
        for (const double t : ts) {
            if (t < -1e-9 || t > 1.0 + 1e-9) {
                continue;
            }
            const Point x = p + std::clamp(t, 0.0, 1.0) * d;
            const double va = a.w + dist(x, a.at);
            if (std::abs(va - b.w - dist(x, b.at)) <= 1e-6 * room_.scale()) {
                consider(x, va);
            }
        }
    }

    // Behind a corner reached from s, the ray from the corner away from s.
    void shadowRays(const std::vector<std::pair<Point, Point>>& edges) {
        const auto corners = room_.corners();
        for (std::size_t c = 0; c < corners.size(); ++c) {
            const double w = field_.corner[c];
            if (!(w < kInfinity)) {
                continue;
            }
            for (const int from : field_.before[c]) {
                const Point origin = from >= 0 ? corners[static_cast<std::size_t>(from)]
                                               : points_[static_cast<std::size_t>(-1 - from)];
                const double length = dist(corners[c], origin);
                if (length == 0.0) {
                    continue;
                }
                const Point b = corners[c];
                const Point u = (1.0 / length) * (b - origin);
                for (const auto& [p, q] : edges) {
                    const Point d = q - p;
                    const double den = cross(u, d);
                    if (den == 0.0) {
                        continue;
                    }
                    const double t = cross(p - b, d) / den;
                    const double s = cross(p - b, u) / den;
                    if (t > 0.0 && s >= -1e-9 && s <= 1.0 + 1e-9) {
                        consider(b + t * u, w + t);
                    }
                }
                for (const Source& other : sources_) {
                    const double e = w - other.w;
                    const Point bc = b - other.at;
                    const double den = 2.0 * (dot(u, bc) - e);
                    if (den == 0.0) {
                        continue;
                    }
                    const double t = (e * e - dot(bc, bc)) / den;
                    if (t > 0.0 && t + e >= 0.0) {
                        consider(b + t * u, w + t);
                    }
                }
            }
        }
    }

    // The centre x and radius r with |x − s_i| = r − w_i for three sources.
    void apollonius(const Source& s1, const Source& s2, const Source& s3) {
        const Point a2 = s2.at - s1.at;
        const Point a3 = s3.at - s1.at;
        // Relative to s1: 2 a_i·x − 2 (w_i − w_1) r = |a_i|² − w_i² + w_1² (x from s1).
        const std::array<double, 3> m2{2.0 * a2.x, 2.0 * a2.y, -2.0 * (s2.w - s1.w)};
        const std::array<double, 3> m3{2.0 * a3.x, 2.0 * a3.y, -2.0 * (s3.w - s1.w)};
        const double c2 = dot(a2, a2) - s2.w * s2.w + s1.w * s1.w;
        const double c3 = dot(a3, a3) - s3.w * s3.w + s1.w * s1.w;
        const std::array<double, 3> n{m2[1] * m3[2] - m2[2] * m3[1], m2[2] * m3[0] - m2[0] * m3[2],
                                      m2[0] * m3[1] - m2[1] * m3[0]};
        const auto dot3 = [](const std::array<double, 3>& u, const std::array<double, 3>& v) {
            return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
        };
        const double g22 = dot3(m2, m2);
        const double g23 = dot3(m2, m3);
        const double g33 = dot3(m3, m3);
        const double det = g22 * g33 - g23 * g23;
        if (det <= 1e-14 * g22 * g33 || det == 0.0) {
            return;
        }
        const double l2 = (g33 * c2 - g23 * c3) / det;
        const double l3 = (g22 * c3 - g23 * c2) / det;
        const std::array<double, 3> p{l2 * m2[0] + l3 * m3[0], l2 * m2[1] + l3 * m3[1],
                                      l2 * m2[2] + l3 * m3[2]};
        const double ur = p[2] - s1.w;
        const double a = n[0] * n[0] + n[1] * n[1] - n[2] * n[2];
        const double b = 2.0 * (p[0] * n[0] + p[1] * n[1] - ur * n[2]);
        const double c = p[0] * p[0] + p[1] * p[1] - ur * ur;
        const double floor = std::max({s1.w, s2.w, s3.w});
        for (const double t : roots(a, b, c)) {
            const double r = p[2] + t * n[2];
            if (r < floor - 1e-9 * room_.scale()) {
                continue;
            }
            consider(s1.at + Point{p[0] + t * n[0], p[1] + t * n[1]}, r);
        }
    }

    const Room& room_;
    std::span<const Point> points_;
    Room::Field field_;
    double radius_;
    std::vector<Point>* above_;
    std::vector<Source> sources_;
    double best_ = -1.0;
    Point at_;
};

// What a spot inside the room sees of it, by rays to every vertex and just past it.
detail::Polygon visibleFrom(const Room& room, Point s) {
    const Outline& outline = room.outline();
    std::vector<std::pair<Point, Point>> edges;
    std::vector<Point> vertices;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            edges.emplace_back(r[i], r[(i + 1) % r.size()]);
            vertices.push_back(r[i]);
        }
    };
    ring(outline.outer);
    for (const Ring& hole : outline.holes) {
        ring(hole);
    }
    std::vector<std::pair<double, Point>> hits;
    const double tol = 1e-9 * room.scale();
    for (const Point& v : vertices) {
        const double angle = std::atan2(v.y - s.y, v.x - s.x);
        for (const double turn : {-1e-7, 0.0, 1e-7}) {
            const Point u{std::cos(angle + turn), std::sin(angle + turn)};
            double nearest = kInfinity;
            for (const auto& [p, q] : edges) {
                const Point d = q - p;
                const double den = cross(u, d);
                if (den == 0.0) {
                    continue;
                }
                const double t = cross(p - s, d) / den;
                const double f = cross(p - s, u) / den;
                if (t > tol && f >= -1e-12 && f <= 1.0 + 1e-12) {
                    nearest = std::min(nearest, t);
                }
            }
            if (nearest < kInfinity) {
                hits.emplace_back(angle + turn, s + nearest * u);
            }
        }
    }
    // Ties broken by the point, so that every standard library lays the polygon out alike.
    std::sort(hits.begin(), hits.end(), [](const auto& l, const auto& r) {
        if (l.first != r.first) {
            return l.first < r.first;
        }
        return l.second.x != r.second.x ? l.second.x < r.second.x : l.second.y < r.second.y;
    });
    detail::Polygon polygon;
    for (const auto& hit : hits) {
        polygon.outer().emplace_back(hit.second.x, hit.second.y);
    }
    if (!hits.empty()) {
        polygon.outer().emplace_back(hits.front().second.x, hits.front().second.y);
    }
    boost::geometry::correct(polygon);
    return polygon;
}

// How far the nearest wall is.
double clearance(const Room& room, Point p) {
    double nearest = kInfinity;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            nearest = std::min(nearest, detail::segmentDistance(p, r[i], r[(i + 1) % r.size()]));
        }
    };
    ring(room.outline().outer);
    for (const Ring& hole : room.outline().holes) {
        ring(hole);
    }
    return nearest;
}

// A spot a hair inside the floor, for rays that must not start on a wall: a spot on a wall
// looks along it, and one beside a corner sees the wrong side of it. Of the directions that
// get farthest from every wall, the middle one: at a corner that juts into the floor it points
// away from the corner's bisector, so the spot sees all that the corner sees.
Point inside(const Room& room, Point p) {
    const double step = 1e-5 * room.scale();
    constexpr std::size_t kDirections = 32;
    std::vector<double> clear(kDirections, 0.0);
    std::vector<Point> spot(kDirections);
    double best = 0.0;
    for (std::size_t k = 0; k < kDirections; ++k) {
        const double angle = 2.0 * kPi * static_cast<double>(k) / kDirections;
        spot[k] = {p.x + step * std::cos(angle), p.y + step * std::sin(angle)};
        clear[k] = room.contains(spot[k]) ? clearance(room, spot[k]) : 0.0;
        best = std::max(best, clear[k]);
    }
    if (best <= 0.0) {
        return p;
    }
    // The longest run of directions (around the circle) that are as clear as the best.
    const auto good = [&](std::size_t k) { return clear[k % kDirections] >= 0.999 * best; };
    std::size_t bestStart = 0;
    std::size_t bestLength = 0;
    for (std::size_t start = 0; start < kDirections; ++start) {
        if (!good(start) || good(start + kDirections - 1)) {
            continue;
        }
        std::size_t length = 0;
        while (length < kDirections && good(start + length)) {
            ++length;
        }
        if (length > bestLength) {
            bestStart = start;
            bestLength = length;
        }
    }
    if (bestLength == 0) {  // every direction as clear: the spot is already off the walls
        return p;
    }
    return spot[(bestStart + bestLength / 2) % kDirections];
}

// The spots within radius of the sources by walking: for every source the disk of what is left
// of radius after reaching it, cut to what it sees.
detail::MultiPolygon covered(const Room& room, const std::vector<Source>& sources, double radius) {
    namespace bg = boost::geometry;
    const detail::Polygon floor = detail::toBoost(room.outline());
    detail::MultiPolygon all;
    constexpr int kSegments = 180;
    for (const Source& s : sources) {
        const double left = radius - s.w;
        if (left <= 0.0) {
            continue;
        }
        detail::Polygon disk;
        for (int k = 0; k <= kSegments; ++k) {
            const double angle = -2.0 * kPi * (k % kSegments) / kSegments;
            disk.outer().emplace_back(s.at.x + left * std::cos(angle),
                                      s.at.y + left * std::sin(angle));
        }
        detail::MultiPolygon seen;
        if (room.corners().empty()) {
            bg::intersection(floor, disk, seen);
        } else {
            detail::MultiPolygon view;
            bg::intersection(floor, visibleFrom(room, inside(room, s.at)), view);
            bg::intersection(view, disk, seen);
        }
        detail::MultiPolygon merged;
        bg::union_(all, seen, merged);
        all = std::move(merged);
    }
    return all;
}

std::vector<Outline> uncovered(const Room& room, const std::vector<Source>& sources,
                               double radius) {
    namespace bg = boost::geometry;
    const detail::Polygon floor = detail::toBoost(room.outline());
    detail::MultiPolygon rest;
    bg::difference(floor, covered(room, sources, radius), rest);
    std::vector<Outline> out;
    for (const detail::Polygon& piece : rest) {
        // Slivers between a polygonal circle and the true one are not places.
        if (bg::area(piece) >= 0.01) {
            out.push_back(detail::fromBoost(piece));
        }
    }
    return out;
}

}  // namespace

Check check(const Room& room, std::span<const Point> points, double radius) {
    Check result;
    if (points.empty()) {
        result.worstDistance = kInfinity;
        result.worstAt = room.outline().outer.front();
        result.uncovered = {room.outline()};
        return result;
    }
    Search search(room, points);
    search.run();
    result.worstDistance = search.best();
    result.worstAt = search.at();
    result.ok = result.worstDistance <= radius + kSlack;
    if (!result.ok) {
        result.uncovered = uncovered(room, search.sources(), radius);
    }
    return result;
}

std::vector<Outline> reach(const Room& room, Point point, double radius) {
    const std::array<Point, 1> from{point};
    const Room::Field field = room.field(from);
    std::vector<Source> sources{{point, 0.0}};
    for (std::size_t c = 0; c < room.corners().size(); ++c) {
        if (field.corner[c] < radius) {
            sources.push_back({room.corners()[c], field.corner[c]});
        }
    }
    const detail::MultiPolygon pieces = covered(room, sources, radius);
    std::vector<Outline> out(pieces.size());
    std::transform(pieces.begin(), pieces.end(), out.begin(),
                   [](const detail::Polygon& piece) { return detail::fromBoost(piece); });
    return out;
}

}  // namespace extcalc::plan

namespace extcalc::plan::detail {

std::vector<Point> spotsBeyond(const Room& room, std::span<const Point> points, double radius) {
    std::vector<Point> above;
    Search search(room, points, radius, &above);
    search.run();
    return above;
}

}  // namespace extcalc::plan::detail
