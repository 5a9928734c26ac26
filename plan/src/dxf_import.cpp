// SPDX-License-Identifier: MIT
// The rooms of a drawing's layer: its outlines as rings in metres (arcs cut to the side away
// from the floor), nested into rooms and holes, checked, crossed ones named, and named by the
// texts inside them; and the summary of a drawing's layers for choosing the room layer.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "dxf_read.h"
#include "extcalc/plan/dxf.h"

// GCC at -O3 (the MinGW release build) sees a maybe-uninitialized value inside Boost.Geometry's
// own rescaling policy, which the crossing check of outlines instantiates; the code is Boost's.
// A pragma rather than a build flag: clang (the linters, the page's em++) has no such warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <boost/geometry/index/rtree.hpp>

#include "boost_shape.h"

namespace extcalc::plan::dxf {

namespace {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using Box = bg::model::box<plan::detail::BPoint>;
using Indexed = std::pair<Box, std::size_t>;
using Tree = bgi::rtree<Indexed, bgi::quadratic<16>>;

using detail::listed;
using detail::shownName;
using detail::whereOf;

std::optional<double> unitOfInsunits(int code) {
    switch (code) {
        case 1:
            return 0.0254;
        case 2:
            return 0.3048;
        case 4:
            return 0.001;
        case 5:
            return 0.01;
        case 6:
            return 1.0;
        default:
            return std::nullopt;
    }
}

// MTEXT's inline formatting left out: fonts, heights, colours, stacking, paragraph breaks.
std::string plainMtext(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '{' || c == '}') {
            continue;
        }
        if (c != '\\' || i + 1 >= s.size()) {
            out.push_back(c);
            continue;
        }
        const char k = s[++i];
        switch (k) {
            case 'P':
            case 'p':
                if (k == 'P') {
                    out.push_back(' ');
                    break;
                }
                [[fallthrough]];
            case 'f':
            case 'F':
            case 'H':
            case 'h':
            case 'C':
            case 'c':
            case 'A':
            case 'Q':
            case 'T':
            case 'W': {
                const std::size_t end = s.find(';', i);
                i = end == std::string_view::npos ? s.size() : end;
                break;
            }
            case 'S': {  // stacked: a^b, a/b, a#b; kept as a/b
                const std::size_t end = s.find(';', i);
                const std::string_view stack =
                    s.substr(i + 1, (end == std::string_view::npos ? s.size() : end) - i - 1);
                std::transform(stack.begin(), stack.end(), std::back_inserter(out),
                               [](char t) { return t == '^' || t == '#' ? '/' : t; });
                i = end == std::string_view::npos ? s.size() : end;
                break;
            }
            case '~':
                out.push_back(' ');
                break;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k':
                break;
            default:
                out.push_back(k);
                break;
        }
    }
    return out;
}

// What a text says, as a name: the first paragraph of an MTEXT, without its formatting.
std::string wordsOf(const detail::Entity& text, const detail::Decoder& decoder) {
    if (text.type == "MTEXT") {
        const std::size_t paragraph = text.text.find("\\P");
        return decoder.text(plainMtext(std::string_view(text.text).substr(
            0, paragraph == std::string::npos ? text.text.size() : paragraph)));
    }
    return decoder.text(text.text);
}

std::string withoutPrefix(std::string problem) {
    if (problem.rfind("平面", 0) == 0) {
        problem = problem.substr(std::string_view("平面").size());
    }
    return problem;
}

Import readRooms(std::string_view text, const ImportOptions& options) {
    Import result;
    const detail::Drawing drawing = detail::readDrawing(text);
    if (!drawing.error.empty()) {
        result.error = drawing.error;
        return result;
    }
    const detail::Decoder decoder(drawing, options.decodeLegacy);

    // The unit: the user's word first.
    const std::optional<int> insunits = drawing.insunits;
    const std::optional<double> fromHeader = insunits ? unitOfInsunits(*insunits) : std::nullopt;
    if (options.metresPerUnit) {
        result.metresPerUnit = *options.metresPerUnit;
        if (fromHeader && std::abs(*fromHeader - *options.metresPerUnit) > 1e-12) {
            result.warnings.push_back("图纸注明的单位（$INSUNITS = " + std::to_string(*insunits) +
                                      "）与指定的单位不同，按指定的单位读取");
        }
    } else if (fromHeader) {
        result.metresPerUnit = *fromHeader;
    } else {
        result.error =
            insunits ? "图纸的单位（$INSUNITS = " + std::to_string(*insunits) +
                           "）不是毫米、厘米、米、英寸或英尺；请用 --units mm 或 --units m 指定"
                     : "图纸没有注明单位（$INSUNITS）；请用 --units mm 或 --units m 指定";
        return result;
    }

    const detail::Census layers = detail::census(drawing, decoder);
    if (!layers.error.empty()) {
        result.error = layers.error;
        return result;
    }
    if (std::none_of(layers.layers.begin(), layers.layers.end(),
                     [&options](const detail::LayerCount& l) {
                         return detail::sameLayer(l.name, options.layer);
                     })) {
        std::string list;
        for (const detail::LayerCount& l : layers.layers) {
            list += (list.empty() ? "" : "、") + shownName(l.name);
        }
        result.error =
            "图纸中没有图层“" + options.layer + "”" +
            (list.empty() ? std::string("（图纸中没有任何图层）") : "；图纸中的图层有：" + list);
        return result;
    }

    detail::Placed placed = detail::place(drawing, decoder, options.layer);
    if (!placed.error.empty()) {
        result.error = placed.error;
        return result;
    }
    if (placed.outlines.empty()) {
        result.error =
            "图层“" + options.layer +
            "”上没有闭合的多段线或圆（LWPOLYLINE、POLYLINE、CIRCLE、ELLIPSE）" +
            (placed.openCount > 0
                 ? "；有 " + std::to_string(placed.openCount) + " 条未闭合的多段线（" +
                       listed(placed.open, placed.openCount) + "），请在 CAD 中将房间轮廓闭合"
                 : std::string());
        return result;
    }
    if (placed.openCount > 0) {
        result.warnings.push_back(
            "图层“" + options.layer + "”上有 " + std::to_string(placed.openCount) +
            " 条未闭合的多段线，未作为房间读入：句柄 " + listed(placed.open, placed.openCount));
    }
    if (placed.otherCount > 0) {
        result.warnings.push_back(
            "图层“" + options.layer + "”上有 " + std::to_string(placed.otherCount) +
            " 个对象不是闭合的轮廓，未作为房间读入：" + listed(placed.others, placed.otherCount));
    }
    if (placed.unreadTextCount > 0) {
        result.warnings.push_back(std::to_string(placed.unreadTextCount) +
                                  " 个文字无法读取，未用作房间名称：" +
                                  listed(placed.unreadTexts, placed.unreadTextCount));
    }
    result.warnings.insert(result.warnings.end(), placed.warnings.begin(), placed.warnings.end());

    // Metres, each ring on its own, as the outer outline of a floor: coordinates, crossings.
    const double scale = result.metresPerUnit;
    const std::size_t n = placed.outlines.size();
    std::vector<detail::PlacedRing> rings;
    rings.reserve(n);
    std::vector<plan::detail::Polygon> shapes;
    std::vector<double> areas;
    std::vector<Box> boxes;
    for (const detail::PlacedOutline& outline : placed.outlines) {
        detail::PlacedRing ring = detail::ringOf(outline, scale, true);
        const std::string where =
            whereOf(outline.entity->type, outline.handle, outline.entity->line);
        if (!ring.error.empty()) {
            result.error = ring.error;
            return result;
        }
        if (ring.ring.size() < 3) {
            result.error = where + "少于 3 个不同的顶点，不是房间的轮廓";
            return result;
        }
        const Outline alone{ring.ring, {}};
        if (std::string problem = outlineProblem(alone); !problem.empty()) {
            result.error = where + "：轮廓" + withoutPrefix(problem);
            return result;
        }
        shapes.push_back(plan::detail::toBoost(alone));
        areas.push_back(bg::area(shapes.back()));
        boxes.push_back(bg::return_envelope<Box>(shapes.back()));
        rings.push_back(std::move(ring));
    }

    // Nesting: the smallest outline around each is its parent; depth decides room or hole.
    std::vector<std::size_t> order(n);
    for (std::size_t k = 0; k < n; ++k) {
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&areas](std::size_t a, std::size_t b) { return areas[a] > areas[b]; });
    std::vector<std::size_t> rank(n);
    for (std::size_t r = 0; r < n; ++r) {
        rank[order[r]] = r;
    }
    std::vector<Indexed> entries;
    entries.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        entries.emplace_back(boxes[k], k);
    }
    const Tree tree(entries.begin(), entries.end());
    std::vector<std::ptrdiff_t> parent(n, -1);
    std::vector<int> depth(n, 0);
    std::vector<bool> duplicate(n, false);
    std::vector<std::size_t> nameless;
    for (const std::size_t k : order) {
        std::vector<Indexed> around;
        tree.query(bgi::covers(boxes[k]), std::back_inserter(around));
        // Smallest first: the first that holds this one is its parent.
        std::sort(around.begin(), around.end(), [&areas](const Indexed& a, const Indexed& b) {
            return areas[a.second] < areas[b.second];
        });
        for (const Indexed& candidate : around) {
            const std::size_t m = candidate.second;
            if (m == k || rank[m] > rank[k] || duplicate[m] ||
                !bg::covered_by(shapes[k], shapes[m])) {
                continue;
            }
            if (areas[m] - areas[k] <= 1e-9 * areas[m] && bg::covered_by(shapes[m], shapes[k])) {
                duplicate[k] = true;
                result.warnings.push_back(
                    whereOf(placed.outlines[k].entity->type, placed.outlines[k].handle,
                            placed.outlines[k].entity->line) +
                    "与" +
                    whereOf(placed.outlines[m].entity->type, placed.outlines[m].handle,
                            placed.outlines[m].entity->line) +
                    "重合，只读入一次");
            } else {
                parent[k] = static_cast<std::ptrdiff_t>(m);
                depth[k] = depth[m] + 1;
            }
            break;
        }
    }

    // Outlines that cross: each is read as a room of its own, and both are named.
    const auto ancestor = [&parent](std::size_t of, std::size_t a) {
        for (std::ptrdiff_t p = parent[of]; p >= 0; p = parent[static_cast<std::size_t>(p)]) {
            if (static_cast<std::size_t>(p) == a) {
                return true;
            }
        }
        return false;
    };
    std::size_t crossings = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (duplicate[k]) {
            continue;
        }
        std::vector<Indexed> near;
        tree.query(bgi::intersects(boxes[k]), std::back_inserter(near));
        for (const Indexed& candidate : near) {
            const std::size_t m = candidate.second;
            if (m <= k || duplicate[m] || ancestor(k, m) || ancestor(m, k) ||
                !bg::overlaps(shapes[k], shapes[m])) {
                continue;
            }
            std::vector<plan::detail::Polygon> common;
            bg::intersection(shapes[k], shapes[m], common);
            double shared = 0.0;
            for (const auto& piece : common) {
                shared += bg::area(piece);
            }
            // Walls on an arc shared by two rooms: each is read a little beyond the arc.
            const double slack =
                0.01 + 2.0 * kArcToleranceM * std::min(rings[k].arcLengthM, rings[m].arcLengthM);
            if (shared <= slack) {
                continue;
            }
            ++crossings;
            if (crossings <= 10) {
                char overlap[40];
                std::snprintf(overlap, sizeof overlap, "%.2f", shared);
                result.warnings.push_back(
                    whereOf(placed.outlines[k].entity->type, placed.outlines[k].handle,
                            placed.outlines[k].entity->line) +
                    "与" +
                    whereOf(placed.outlines[m].entity->type, placed.outlines[m].handle,
                            placed.outlines[m].entity->line) +
                    "相交（重叠 " + overlap +
                    " m²），不是房间和其中的洞，各作为一个房间读入；请在 CAD 中检查这两条轮廓");
            }
        }
    }
    if (crossings > 10) {
        result.warnings.push_back("另有 " + std::to_string(crossings - 10) + " 对轮廓相交");
    }

    // Rooms at even depth, holes at odd depth, each hole cut to lie inside the drawn one; the
    // rooms in the drawing's order, as a designer finds them there.
    std::vector<std::ptrdiff_t> roomOf(n, -1);
    for (std::size_t k = 0; k < n; ++k) {
        if (!duplicate[k] && depth[k] % 2 == 0) {
            roomOf[k] = static_cast<std::ptrdiff_t>(result.rooms.size());
            Room room;
            room.outline.outer = std::move(rings[k].ring);
            room.handle = placed.outlines[k].handle;
            room.line = placed.outlines[k].entity->line;
            room.arcs = rings[k].arcs;
            result.rooms.push_back(std::move(room));
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (duplicate[k] || depth[k] % 2 == 0) {
            continue;
        }
        Room& owner =
            result.rooms[static_cast<std::size_t>(roomOf[static_cast<std::size_t>(parent[k])])];
        detail::PlacedRing hole = rings[k].arcs > 0
                                      ? detail::ringOf(placed.outlines[k], scale, false)
                                      : std::move(rings[k]);
        if (!hole.error.empty()) {
            result.error = hole.error;
            return result;
        }
        owner.arcs += hole.arcs;
        owner.outline.holes.push_back(std::move(hole.ring));
    }
    for (const Room& room : result.rooms) {
        if (std::string problem = outlineProblem(room.outline); !problem.empty()) {
            result.error = whereOf("房间轮廓", room.handle, room.line) + "与其中的洞：" +
                           withoutPrefix(problem);
            return result;
        }
    }

    // Names: the topmost text inside a room and outside its holes.
    std::vector<plan::detail::Polygon> roomShapes;
    std::vector<Indexed> roomEntries;
    for (std::size_t r = 0; r < result.rooms.size(); ++r) {
        roomShapes.push_back(plan::detail::toBoost(result.rooms[r].outline));
        roomEntries.emplace_back(bg::return_envelope<Box>(roomShapes.back()), r);
    }
    const Tree roomTree(roomEntries.begin(), roomEntries.end());
    std::vector<double> nameHeight(result.rooms.size(), -std::numeric_limits<double>::infinity());
    for (const detail::PlacedText& t : placed.texts) {
        const plan::detail::BPoint at(t.at.x * scale, t.at.y * scale);
        std::vector<Indexed> holding;
        roomTree.query(bgi::intersects(at), std::back_inserter(holding));
        for (const Indexed& candidate : holding) {
            const std::size_t r = candidate.second;
            if (at.y() <= nameHeight[r] || !bg::within(at, roomShapes[r])) {
                continue;
            }
            const std::string decoded = wordsOf(*t.entity, decoder);
            if (!detail::validUtf8(decoded)) {
                result.warnings.push_back(
                    whereOf("房间轮廓", result.rooms[r].handle, result.rooms[r].line) +
                    "中的文字无法识别编码，未用作名称");
                continue;
            }
            std::string name = shownName(decoded);
            if (!name.empty()) {
                result.rooms[r].name = std::move(name);
                nameHeight[r] = at.y();
            }
        }
    }
    return result;
}

bool says(const std::string& name, std::initializer_list<std::string_view> words) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return std::any_of(words.begin(), words.end(),
                       [&lower](std::string_view w) { return lower.find(w) != std::string::npos; });
}

}  // namespace

Import importRooms(std::string_view text, const ImportOptions& options) {
    Import result = readRooms(text, options);
    // A drawing refused gives no rooms, even those read before the fault was found.
    if (!result.error.empty()) {
        result.rooms.clear();
    }
    return result;
}

DrawingSummary summarize(std::string_view text, const LegacyDecoder& decodeLegacy) {
    DrawingSummary summary;
    const detail::Drawing drawing = detail::readDrawing(text);
    if (!drawing.error.empty()) {
        summary.error = drawing.error;
        return summary;
    }
    if (drawing.insunits) {
        summary.metresPerUnit = unitOfInsunits(*drawing.insunits);
    }
    const detail::Decoder decoder(drawing, decodeLegacy);
    const detail::Census census = detail::census(drawing, decoder);
    if (!census.error.empty()) {
        summary.error = census.error;
        return summary;
    }
    for (const detail::LayerCount& layer : census.layers) {
        if (layer.used) {
            const double most = std::numeric_limits<int>::max();
            summary.layers.push_back(
                {shownName(layer.name), static_cast<int>(std::min(layer.closedOutlines, most))});
        }
    }
    // The room layer by its name, else by its outlines among layers not named as something else.
    const auto roomWord = [](const std::string& name) {
        return says(name, {"房间", "空间", "面积", "区域", "room", "space", "area"});
    };
    const auto otherWord = [](const std::string& name) {
        return says(name,
                    {"墙",   "wall",  "柱",   "colu",  "门",   "door", "窗",    "window", "家具",
                     "furn", "轴",    "axis", "标注",  "dim",  "填充", "hatch", "文字",   "text",
                     "楼梯", "stair", "设备", "equip", "洁具", "图框", "title"});
    };
    const auto best = [&summary](auto fits) {
        std::optional<std::size_t> found;
        for (std::size_t i = 0; i < summary.layers.size(); ++i) {
            const LayerSummary& l = summary.layers[i];
            if (l.closedOutlines > 0 && fits(l.name) &&
                (!found || l.closedOutlines > summary.layers[*found].closedOutlines)) {
                found = i;
            }
        }
        return found;
    };
    if (const auto named = best(roomWord)) {
        summary.likelyRoomLayer = *named;
    } else if (const auto plain = best([&](const std::string& n) { return !otherWord(n); })) {
        summary.likelyRoomLayer = *plain;
    } else if (const auto any = best([](const std::string&) { return true; })) {
        summary.likelyRoomLayer = *any;
    }
    return summary;
}

}  // namespace extcalc::plan::dxf
