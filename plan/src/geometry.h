// SPDX-License-Identifier: MIT
#pragma once

// Small vector arithmetic shared by the room, the check and the placement.

#include <cmath>
#include <span>
#include <vector>

#include "extcalc/plan/plan.h"

namespace extcalc::plan {

// Found by argument lookup wherever points are, in these sources only.
inline Point operator+(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point operator-(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point operator*(double k, Point a) {
    return {k * a.x, k * a.y};
}

}  // namespace extcalc::plan

namespace extcalc::plan::detail {

inline double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
inline double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}
// Not std::hypot: C libraries need not round it alike (glibc's is correctly rounded, the
// WebAssembly build's C library's within an ulp), and an ulp can decide a tie between equally
// good points. A square root is correctly rounded everywhere, and a floor plan's metres are far
// from overflowing its square.
inline double norm(Point a) {
    return std::sqrt(a.x * a.x + a.y * a.y);
}
inline double dist(Point a, Point b) {
    return norm(a - b);
}

// Signed distance of c from the line through a and b (left positive).
inline double side(Point a, Point b, Point c) {
    const double length = dist(a, b);
    return length == 0.0 ? dist(a, c) : cross(b - a, c - a) / length;
}

// Spots the check finds farther than radius from every point: vertices of the distance's
// pieces, so they include the farthest spot of every uncovered piece.
std::vector<Point> spotsBeyond(const Room& room, std::span<const Point> points, double radius);

// Where the placement may stand a point: along every wall, inset from it and never past its
// ends (every step along it, one at the middle of a wall too short for two), or over the
// whole floor as well.
std::vector<Point> candidates(const Room& room, const PlaceOptions& options, double step);

inline double segmentDistance(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double l2 = dot(ab, ab);
    double t = l2 == 0.0 ? 0.0 : dot(p - a, ab) / l2;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return dist(p, a + t * ab);
}

}  // namespace extcalc::plan::detail
