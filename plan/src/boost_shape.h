// SPDX-License-Identifier: MIT
#pragma once

// Our outlines as Boost.Geometry polygons (clockwise, closed: the library's defaults).

#include <algorithm>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <boost/geometry/multi/geometries/multi_polygon.hpp>
#include <iterator>

#include "extcalc/plan/plan.h"

namespace extcalc::plan::detail {

using BPoint = boost::geometry::model::d2::point_xy<double>;
using Polygon = boost::geometry::model::polygon<BPoint>;
using MultiPolygon = boost::geometry::model::multi_polygon<Polygon>;

inline Polygon toBoost(const Outline& outline) {
    Polygon polygon;
    const auto fill = [](const Ring& from, auto& to) {
        std::transform(from.begin(), from.end(), std::back_inserter(to),
                       [](const Point& p) { return BPoint(p.x, p.y); });
        if (!from.empty()) {
            to.emplace_back(from.front().x, from.front().y);
        }
    };
    fill(outline.outer, polygon.outer());
    for (const Ring& hole : outline.holes) {
        polygon.inners().emplace_back();
        fill(hole, polygon.inners().back());
    }
    boost::geometry::correct(polygon);
    return polygon;
}

inline Outline fromBoost(const Polygon& polygon) {
    const auto ring = [](const auto& from) {
        Ring to;
        std::transform(from.begin(), from.end(), std::back_inserter(to), [](const BPoint& p) {
            return Point{p.x(), p.y()};
        });
        if (to.size() > 1 && to.front() == to.back()) {
            to.pop_back();
        }
        return to;
    };
    Outline outline{ring(polygon.outer()), {}};
    for (const auto& inner : polygon.inners()) {
        outline.holes.push_back(ring(inner));
    }
    return outline;
}

}  // namespace extcalc::plan::detail
