// SPDX-License-Identifier: MIT
// Outlines as text, their area and their validity, through Boost.Geometry.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "boost_shape.h"
#include "extcalc/plan/plan.h"

namespace extcalc::plan {

namespace {

// Larger than any building; beyond it a typo in millimetres is more likely than a room.
constexpr double kMaxCoordinate = 100'000.0;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A plain decimal number, as a designer types a length in metres.
std::optional<double> number(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 40) {
        return std::nullopt;
    }
    std::size_t i = 0;
    if (text[i] == '-' || text[i] == '+') {
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (std::size_t j = i; j < text.size(); ++j) {
        const char c = text[j];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    // strtod reads the C locale's decimal point, which is "." unless a program changes it.
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

std::string fixed3(double v) {
    if (std::abs(v) < 0.0005) {
        v = 0.0;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", v);
    std::string s = buffer;
    while (s.back() == '0') {
        s.pop_back();
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return s;
}

}  // namespace

Outline rectangle(double length, double width) {
    return Outline{{{0, 0}, {length, 0}, {length, width}, {0, width}}, {}};
}

OutlineText parseOutline(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) {
        return {std::nullopt, "平面为空"};
    }
    // 长x宽: the separator may be x, X, × or *.
    for (const std::string_view separator : {"x", "X", "\xC3\x97", "*"}) {
        const auto at = text.find(separator);
        if (at == std::string_view::npos || at == 0) {
            continue;
        }
        const auto length = number(text.substr(0, at));
        const auto width = number(text.substr(at + separator.size()));
        if (!length || !width) {
            return {std::nullopt, "平面“" + std::string(text) +
                                      "”不是“长x宽”（单位 m，如 68x30），也不是 WKT POLYGON"};
        }
        if (!(*length > 0.0) || !(*width > 0.0) || *length > kMaxCoordinate ||
            *width > kMaxCoordinate) {
            return {std::nullopt, "平面“" + std::string(text) + "”的长和宽应大于 0、不超过 " +
                                      fixed3(kMaxCoordinate) + " m"};
        }
        return {rectangle(*length, *width), {}};
    }
    std::string upper(text.substr(0, std::min<std::size_t>(text.size(), 7)));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    if (upper != "POLYGON") {
        return {std::nullopt, "平面“" + std::string(text) +
                                  "”不是“长x宽”（单位 m，如 68x30），也不是 WKT POLYGON"};
    }
    detail::Polygon polygon;
    try {
        boost::geometry::read_wkt(std::string(text), polygon);
    } catch (const std::exception&) {
        return {std::nullopt, "平面的 WKT 无法读取：应为 POLYGON((x y, x y, …), (洞 …))"};
    }
    Outline outline = detail::fromBoost(polygon);
    if (auto problem = outlineProblem(outline); !problem.empty()) {
        return {std::nullopt, std::move(problem)};
    }
    return {std::move(outline), {}};
}

std::string outlineText(const Outline& outline) {
    std::string s = "POLYGON(";
    const auto ring = [&s](const Ring& r) {
        s += '(';
        for (std::size_t i = 0; i <= r.size(); ++i) {
            const Point& p = r[i % r.size()];
            s += (i == 0 ? "" : ", ") + fixed3(p.x) + ' ' + fixed3(p.y);
        }
        s += ')';
    };
    ring(outline.outer);
    for (const Ring& hole : outline.holes) {
        s += ", ";
        ring(hole);
    }
    return s + ')';
}

OutlinesText parseOutlines(std::string_view text) {
    text = trimmed(text);
    std::string upper(text.substr(0, std::min<std::size_t>(text.size(), 12)));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    if (upper.rfind("MULTIPOLYGON", 0) != 0) {
        auto one = parseOutline(text);
        if (!one.outline) {
            return {std::nullopt, std::move(one.error)};
        }
        return {std::vector<Outline>{std::move(*one.outline)}, {}};
    }
    detail::MultiPolygon polygons;
    try {
        boost::geometry::read_wkt(std::string(text), polygons);
    } catch (const std::exception&) {
        return {std::nullopt,
                "平面的 WKT 无法读取：应为 MULTIPOLYGON(((x y, x y, …), (洞 …)), ((…)))"};
    }
    if (polygons.empty()) {
        return {std::nullopt, "平面的 MULTIPOLYGON 中没有多边形"};
    }
    std::vector<Outline> outlines;
    outlines.reserve(polygons.size());
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        Outline outline = detail::fromBoost(polygons[i]);
        if (auto problem = outlineProblem(outline); !problem.empty()) {
            return {std::nullopt, "第 " + std::to_string(i + 1) + " 个轮廓：" + problem};
        }
        outlines.push_back(std::move(outline));
    }
    // Rooms are walked one by one: a spot of two rooms at once would be checked twice over
    // against different points, so the rooms may touch but not overlap.
    std::vector<detail::Polygon> corrected;
    corrected.reserve(outlines.size());
    std::transform(outlines.begin(), outlines.end(), std::back_inserter(corrected),
                   [](const Outline& o) { return detail::toBoost(o); });
    std::vector<boost::geometry::model::box<detail::BPoint>> boxes;
    boxes.reserve(corrected.size());
    std::transform(
        corrected.begin(), corrected.end(), std::back_inserter(boxes),
        [](const detail::Polygon& p) {
            return boost::geometry::return_envelope<boost::geometry::model::box<detail::BPoint>>(p);
        });
    for (std::size_t i = 0; i < corrected.size(); ++i) {
        for (std::size_t j = i + 1; j < corrected.size(); ++j) {
            if (!boost::geometry::intersects(boxes[i], boxes[j]) ||
                !boost::geometry::intersects(corrected[i], corrected[j])) {
                continue;
            }
            std::vector<detail::Polygon> common;
            boost::geometry::intersection(corrected[i], corrected[j], common);
            double shared = 0.0;
            for (const auto& piece : common) {
                shared += boost::geometry::area(piece);
            }
            if (shared > 0.01) {
                return {std::nullopt, "第 " + std::to_string(i + 1) + " 个轮廓与第 " +
                                          std::to_string(j + 1) + " 个重叠"};
            }
        }
    }
    return {std::move(outlines), {}};
}

std::string outlinesText(std::span<const Outline> outlines) {
    if (outlines.empty()) {
        return {};
    }
    if (outlines.size() == 1) {
        return outlineText(outlines.front());
    }
    std::string s = "MULTIPOLYGON(";
    for (std::size_t i = 0; i < outlines.size(); ++i) {
        // Each polygon's text without its POLYGON keyword.
        s += (i == 0 ? "" : ", ") + outlineText(outlines[i]).substr(7);
    }
    return s + ')';
}

PointsText parsePoints(std::string_view text) {
    std::vector<Point> points;
    text = trimmed(text);
    if (text.empty()) {
        return {std::move(points), {}};
    }
    std::size_t start = 0;
    int index = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(';', start), text.size());
        std::string item(trimmed(text.substr(start, end - start)));
        ++index;
        std::replace(item.begin(), item.end(), ',', ' ');
        const auto blank = item.find_first_of(" \t");
        const auto x = blank == std::string::npos ? std::nullopt : number(item.substr(0, blank));
        const auto y = blank == std::string::npos ? std::nullopt : number(item.substr(blank + 1));
        if (!x || !y) {
            return {std::nullopt, "设置点第 " + std::to_string(index) + " 个“" + item +
                                      "”不是“x y”（单位 m，各点以分号分隔）"};
        }
        if (std::abs(*x) > kMaxCoordinate || std::abs(*y) > kMaxCoordinate) {
            return {std::nullopt, "设置点第 " + std::to_string(index) + " 个的坐标超过 " +
                                      fixed3(kMaxCoordinate) + " m"};
        }
        points.push_back({*x, *y});
        start = end + 1;
    }
    return {std::move(points), {}};
}

std::string pointsText(std::span<const Point> points) {
    std::string s;
    for (const Point& p : points) {
        s += (s.empty() ? "" : "; ") + fixed3(p.x) + ' ' + fixed3(p.y);
    }
    return s;
}

std::string outlineProblem(const Outline& outline) {
    const auto finite = [](const Ring& ring) {
        return std::all_of(ring.begin(), ring.end(), [](const Point& p) {
            return std::isfinite(p.x) && std::isfinite(p.y) && std::abs(p.x) <= kMaxCoordinate &&
                   std::abs(p.y) <= kMaxCoordinate;
        });
    };
    if (outline.outer.size() < 3) {
        return "平面的外轮廓少于 3 个顶点";
    }
    if (!finite(outline.outer) ||
        !std::all_of(outline.holes.begin(), outline.holes.end(), finite)) {
        return "平面的坐标超过 " + fixed3(kMaxCoordinate) + " m";
    }
    const detail::Polygon polygon = detail::toBoost(outline);
    // Each ring on its own before validity, which names a crossed outline only as turning the
    // wrong way. Rings that touch one another at a point are valid: a hole against the wall.
    if (boost::geometry::intersects(polygon.outer()) ||
        std::any_of(polygon.inners().begin(), polygon.inners().end(),
                    [](const auto& inner) { return boost::geometry::intersects(inner); })) {
        return "平面的边自相交";
    }
    std::string why;
    if (!boost::geometry::is_valid(polygon, why)) {
        if (why.find("self-intersection") != std::string::npos) {
            return "平面的洞与外轮廓或其他洞相交（洞只可在一点与之相接）";
        }
        if (why.find("interior") != std::string::npos || why.find("hole") != std::string::npos ||
            why.find("nterior") != std::string::npos) {
            return "平面的洞不在外轮廓之内或与之相交";
        }
        if (why.find("spike") != std::string::npos || why.find("duplicate") != std::string::npos ||
            why.find("few") != std::string::npos) {
            return "平面有重合的顶点或宽度为零的尖角";
        }
        return "平面不是有效的多边形（" + why + "）";
    }
    if (boost::geometry::area(polygon) < 0.01) {
        return "平面的面积小于 0.01 m²";
    }
    return {};
}

double area(const Outline& outline) {
    return boost::geometry::area(detail::toBoost(outline));
}

}  // namespace extcalc::plan
