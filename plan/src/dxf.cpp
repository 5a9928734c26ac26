// SPDX-License-Identifier: MIT
// ASCII DXF, read and written by hand: Debian packages no DXF library that is both kept up and
// under a licence that fits ours (dxflib is GPL, dime has not changed since 2011), and a floor
// plan's exchange needs only group codes, a few entities and the header's unit.
#include "extcalc/plan/dxf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <map>

// GCC at -O3 (the MinGW release build) sees a maybe-uninitialized value inside Boost.Geometry's
// own rescaling policy, which the crossing check of outlines instantiates; the code is Boost's.
// A pragma rather than a build flag: clang (the linters, the page's em++) has no such warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "boost_shape.h"

namespace extcalc::plan::dxf {

namespace {

namespace bg = boost::geometry;

// Larger than any building, as the outlines' own limit.
constexpr double kMaxCoordinateM = 100'000.0;
// Vertices of one outline and outlines of one drawing: beyond them a file is not a floor plan.
constexpr std::size_t kMaxVertices = 100'000;
constexpr std::size_t kMaxOutlines = 100'000;

struct Tag {
    int code = 0;
    std::string_view value;
    long line = 0;  // of the group code
};

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

std::string lineText(long line) {
    return "第 " + std::to_string(line) + " 行";
}

// The pairs of lines, group code and value; an error names the first line that is not one.
struct Tags {
    std::vector<Tag> tags;
    std::string error;
};

Tags tagsOf(std::string_view text) {
    Tags result;
    if (text.substr(0, 18) == "AutoCAD Binary DXF") {
        result.error =
            "这是二进制 DXF 文件，本程序只读 ASCII DXF；请在 CAD 中另存为 ASCII 格式的 DXF";
        return result;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::size_t at = 0;
    long line = 0;
    const auto nextLine = [&](std::string_view& out) {
        if (at >= text.size()) {
            return false;
        }
        const std::size_t end = std::min(text.find('\n', at), text.size());
        out = text.substr(at, end - at);
        if (!out.empty() && out.back() == '\r') {
            out.remove_suffix(1);
        }
        at = end + 1;
        ++line;
        return true;
    };
    std::string_view codeLine;
    std::string_view value;
    while (nextLine(codeLine)) {
        const long codeAt = line;
        const std::string_view code = trimmed(codeLine);
        if (code.empty() && at >= text.size()) {
            break;  // a line end after the last line
        }
        int number = 0;
        bool digits = !code.empty() && code.size() <= 6;
        std::size_t i = 0;
        if (digits && code[0] == '-') {
            i = 1;
        }
        digits = digits && i < code.size();
        for (; digits && i < code.size(); ++i) {
            digits = code[i] >= '0' && code[i] <= '9';
            number = number * 10 + (code[i] - '0');
        }
        if (!digits) {
            std::string shown(code.substr(0, 40));
            if (std::any_of(shown.begin(), shown.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
                shown = "无法显示的字节";
            }
            result.error = lineText(codeAt) + "应为组码（整数），却是“" + shown +
                           "”：这不是 ASCII DXF 文件，或文件已损坏";
            return result;
        }
        if (!nextLine(value)) {
            result.error = "文件在" + lineText(codeAt) + "之后意外结束（组码后缺少值），内容不完整";
            return result;
        }
        result.tags.push_back({code[0] == '-' ? -number : number, value, codeAt});
    }
    if (result.tags.empty()) {
        result.error = "文件是空的，不是 DXF 文件";
        return result;
    }
    const Tag& last = result.tags.back();
    if (last.code != 0 || trimmed(last.value) != "EOF") {
        result.error = "文件在" + lineText(line) +
                       "意外结束（缺少结尾的 EOF），内容不完整，可能没有保存完或被截断";
    }
    return result;
}

std::optional<double> numberOf(std::string_view value) {
    value = trimmed(value);
    if (value.empty() || value.size() > 40) {
        return std::nullopt;
    }
    const std::string copy(value);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

void appendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (b < 0x80) {
            n = 0;
        } else if ((b & 0xE0U) == 0xC0U && b >= 0xC2U) {
            n = 1;
        } else if ((b & 0xF0U) == 0xE0U) {
            n = 2;
        } else if ((b & 0xF8U) == 0xF0U && b <= 0xF4U) {
            n = 3;
        } else {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0U) != 0x80U) {
                return false;
            }
        }
        i += n + 1;
    }
    return true;
}

// \U+XXXX, as DXF before 2007 writes characters its code page lacks.
std::string decodeEscapes(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 6 < s.size() && (s[i + 1] == 'U' || s[i + 1] == 'u') &&
            s[i + 2] == '+') {
            unsigned long c = 0;
            bool hex = true;
            for (std::size_t k = 3; k < 7 && hex; ++k) {
                const char h = s[i + k];
                hex = (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
                c = c * 16 + static_cast<unsigned long>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
            }
            if (hex && !(c >= 0xD800 && c <= 0xDFFF)) {
                appendUtf8(out, c);
                i += 6;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
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

std::string shownName(std::string_view s) {
    std::string out(trimmed(s));
    if (out.size() > 60) {
        out.resize(60);
        // Not in the middle of a character.
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0U) == 0x80U) {
            out.pop_back();
        }
        if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0U) {
            out.pop_back();
        }
    }
    return validUtf8(out) ? out : std::string("（无法识别编码的文字）");
}

std::string whereOf(std::string_view type, std::string_view handle, long line) {
    std::string w = std::string(type);
    if (!handle.empty()) {
        w += "（句柄 " + std::string(handle) + "，" + lineText(line) + "）";
    } else {
        w += "（" + lineText(line) + "）";
    }
    return w;
}

bool sameLayer(std::string_view a, std::string_view b) {
    a = trimmed(a);
    b = trimmed(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
               };
               return lower(x) == lower(y);
           });
}

struct Polyline {
    std::string type;
    std::string handle;
    long line = 0;
    Ring ring;  // drawing units
    bool closed = false;
    bool curved = false;
};

struct Text {
    std::string text;
    Point at;  // drawing units
};

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

// A ring without repeated neighbours or the closing vertex repeated.
Ring cleaned(const Ring& ring) {
    Ring out;
    std::unique_copy(ring.begin(), ring.end(), std::back_inserter(out), [](Point a, Point b) {
        return std::abs(a.x - b.x) <= 1e-9 && std::abs(a.y - b.y) <= 1e-9;
    });
    while (out.size() > 1 && std::abs(out.front().x - out.back().x) <= 1e-9 &&
           std::abs(out.front().y - out.back().y) <= 1e-9) {
        out.pop_back();
    }
    return out;
}

}  // namespace

namespace {

Import readDrawing(std::string_view text, const ImportOptions& options) {
    Import result;
    const Tags read = tagsOf(text);
    if (!read.error.empty()) {
        result.error = read.error;
        return result;
    }
    const std::vector<Tag>& tags = read.tags;

    std::string version;
    std::optional<int> insunits;
    std::vector<std::string> layers;
    std::vector<Polyline> polylines;
    std::vector<Text> texts;
    std::size_t openOnLayer = 0;
    const auto knowLayer = [&layers](std::string_view name) {
        const std::string n(trimmed(name));
        if (!n.empty() && std::none_of(layers.begin(), layers.end(),
                                       [&n](const std::string& l) { return sameLayer(l, n); })) {
            layers.push_back(n);
        }
    };

    // Names as UTF-8: \U+XXXX decoded; bytes of a code page through the caller's decoder.
    const auto textOf = [&options, &version](std::string_view raw) {
        std::string decoded = decodeEscapes(raw);
        if (!validUtf8(decoded) && options.decodeLegacy && version < "AC1021") {
            decoded = options.decodeLegacy(decoded);
        }
        return decoded;
    };
    std::string section;
    std::size_t i = 0;
    while (i < tags.size()) {
        const Tag& tag = tags[i];
        if (tag.code != 0) {
            // Header variables: 9 $NAME, then the value.
            if (section == "HEADER" && tag.code == 9 && i + 1 < tags.size()) {
                const std::string_view name = trimmed(tag.value);
                if (name == "$ACADVER") {
                    version = std::string(trimmed(tags[i + 1].value));
                } else if (name == "$INSUNITS") {
                    if (const auto v = numberOf(tags[i + 1].value); v && std::abs(*v) < 1000) {
                        insunits = static_cast<int>(*v);
                    }
                }
            }
            ++i;
            continue;
        }
        const std::string_view kind = trimmed(tag.value);
        if (kind == "SECTION") {
            section = i + 1 < tags.size() && tags[i + 1].code == 2
                          ? std::string(trimmed(tags[i + 1].value))
                          : "";
            i += 2;
            continue;
        }
        if (kind == "ENDSEC") {
            section.clear();
            ++i;
            continue;
        }
        // The tags of this object, up to the next group code 0.
        std::size_t end = i + 1;
        while (end < tags.size() && tags[end].code != 0) {
            ++end;
        }
        const auto value = [&](int code) -> std::optional<std::string_view> {
            for (std::size_t k = i + 1; k < end; ++k) {
                if (tags[k].code == code) {
                    return tags[k].value;
                }
            }
            return std::nullopt;
        };
        if (section == "TABLES" && kind == "LAYER") {
            if (const auto name = value(2)) {
                knowLayer(textOf(*name));
            }
        } else if (section == "ENTITIES") {
            const std::string handle(trimmed(value(5).value_or("")));
            const std::string layer = textOf(value(8).value_or("0"));
            knowLayer(layer);
            if (kind == "LWPOLYLINE" || kind == "POLYLINE") {
                Polyline polyline;
                polyline.type = std::string(kind);
                polyline.handle = handle;
                polyline.line = tag.line;
                const auto flags = numberOf(value(70).value_or("0")).value_or(0.0);
                const auto bits = static_cast<long>(flags);
                polyline.closed = (bits & 1) != 0;
                const bool mesh = (bits & (16 | 64)) != 0;
                std::optional<double> x;
                std::string bad;
                long badLine = 0;
                const auto collect = [&](std::size_t from, std::size_t to) {
                    for (std::size_t k = from; k < to; ++k) {
                        if (tags[k].code == 10 || tags[k].code == 20) {
                            const auto v = numberOf(tags[k].value);
                            if (!v && bad.empty()) {
                                bad = std::string(trimmed(tags[k].value).substr(0, 40));
                                badLine = tags[k].line + 1;
                            }
                            if (tags[k].code == 10) {
                                x = v.value_or(0.0);
                            } else if (x) {
                                polyline.ring.push_back({*x, v.value_or(0.0)});
                                x.reset();
                            }
                        } else if (tags[k].code == 42) {
                            polyline.curved =
                                polyline.curved || numberOf(tags[k].value).value_or(0.0) != 0.0;
                        }
                    }
                };
                if (kind == "LWPOLYLINE") {
                    collect(i + 1, end);
                } else {
                    // VERTEX entities up to SEQEND.
                    std::size_t k = end;
                    while (k < tags.size() && tags[k].code == 0 &&
                           trimmed(tags[k].value) == "VERTEX") {
                        std::size_t vertexEnd = k + 1;
                        while (vertexEnd < tags.size() && tags[vertexEnd].code != 0) {
                            ++vertexEnd;
                        }
                        collect(k + 1, vertexEnd);
                        k = vertexEnd;
                        if (polyline.ring.size() > kMaxVertices) {
                            break;
                        }
                    }
                    if (k >= tags.size() || trimmed(tags[k].value) != "SEQEND") {
                        result.error = whereOf("POLYLINE", handle, tag.line) +
                                       "的顶点没有以 SEQEND 结束，文件可能已损坏";
                        return result;
                    }
                    end = k + 1;
                }
                if (!bad.empty()) {
                    result.error = whereOf(polyline.type, handle, tag.line) + "的坐标“" + bad +
                                   "”（" + lineText(badLine) + "）不是数值";
                    return result;
                }
                if (polyline.ring.size() > kMaxVertices) {
                    result.error = whereOf(polyline.type, handle, tag.line) + "的顶点超过 " +
                                   std::to_string(kMaxVertices) + " 个，不是房间的轮廓";
                    return result;
                }
                if (sameLayer(layer, options.layer) && !mesh) {
                    const Ring ring = cleaned(polyline.ring);
                    // A polyline whose last vertex repeats its first is closed too.
                    polyline.closed =
                        polyline.closed ||
                        (polyline.ring.size() > 3 && ring.size() + 1 <= polyline.ring.size() &&
                         polyline.ring.front() == polyline.ring.back());
                    polyline.ring = ring;
                    if (polyline.closed) {
                        polylines.push_back(std::move(polyline));
                        if (polylines.size() > kMaxOutlines) {
                            result.error =
                                "图层上的闭合多段线超过 " + std::to_string(kMaxOutlines) + " 条";
                            return result;
                        }
                    } else {
                        ++openOnLayer;
                    }
                }
            } else if (kind == "TEXT" || kind == "MTEXT") {
                Text t;
                std::optional<double> x = numberOf(value(10).value_or(""));
                std::optional<double> y = numberOf(value(20).value_or(""));
                // A justified TEXT is placed by its alignment point.
                if (kind == "TEXT" && (numberOf(value(72).value_or("0")).value_or(0) != 0 ||
                                       numberOf(value(73).value_or("0")).value_or(0) != 0)) {
                    if (const auto ax = numberOf(value(11).value_or(""))) {
                        x = ax;
                        y = numberOf(value(21).value_or(""));
                    }
                }
                if (x && y) {
                    std::string body;
                    for (std::size_t k = i + 1; k < end; ++k) {
                        if (tags[k].code == 3) {
                            body += tags[k].value;
                        }
                    }
                    body += value(1).value_or("");
                    if (kind == "MTEXT") {
                        // The first paragraph names the room; an area or a note may follow.
                        const std::size_t paragraph = body.find("\\P");
                        t.text = plainMtext(std::string_view(body).substr(
                            0, paragraph == std::string::npos ? body.size() : paragraph));
                    } else {
                        t.text = body;
                    }
                    t.at = {*x, *y};
                    texts.push_back(std::move(t));
                }
            }
        }
        i = end;
    }

    // The unit: the user's word first.
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

    if (std::none_of(layers.begin(), layers.end(),
                     [&options](const std::string& l) { return sameLayer(l, options.layer); })) {
        std::string list;
        for (const std::string& l : layers) {
            list += (list.empty() ? "" : "、") + shownName(l);
        }
        result.error =
            "图纸中没有图层“" + options.layer + "”" +
            (list.empty() ? std::string("（图纸中没有任何图层）") : "；图纸中的图层有：" + list);
        return result;
    }
    if (polylines.empty()) {
        result.error = "图层“" + options.layer + "”上没有闭合的多段线（LWPOLYLINE 或 POLYLINE）" +
                       (openOnLayer > 0 ? "；有 " + std::to_string(openOnLayer) +
                                              " 条未闭合的多段线，请在 CAD 中将房间轮廓闭合"
                                        : std::string());
        return result;
    }
    if (openOnLayer > 0) {
        result.warnings.push_back("图层“" + options.layer + "”上有 " + std::to_string(openOnLayer) +
                                  " 条未闭合的多段线，未作为房间读入");
    }

    // Metres, each ring on its own: coordinates, vertices, crossings.
    const double scale = result.metresPerUnit;
    std::vector<detail::Polygon> shapes;
    std::vector<double> areas;
    std::vector<bg::model::box<detail::BPoint>> boxes;
    for (Polyline& polyline : polylines) {
        const std::string where = whereOf(polyline.type, polyline.handle, polyline.line);
        for (Point& p : polyline.ring) {
            p.x *= scale;
            p.y *= scale;
            if (!(std::abs(p.x) <= kMaxCoordinateM) || !(std::abs(p.y) <= kMaxCoordinateM)) {
                char said[120];
                std::snprintf(said, sizeof said, "的坐标 (%.6g, %.6g) m 超出任何建筑（限 %.0f m）",
                              p.x, p.y, kMaxCoordinateM);
                result.error = where + said + "；请检查图纸单位，或在 CAD 中把平面移近原点";
                return result;
            }
        }
        if (polyline.curved) {
            result.warnings.push_back(where + "有圆弧段，按直线（弦）读入");
        }
        if (polyline.ring.size() < 3) {
            result.error = where + "少于 3 个不同的顶点，不是房间的轮廓";
            return result;
        }
        const Outline alone{polyline.ring, {}};
        if (std::string problem = outlineProblem(alone); !problem.empty()) {
            if (problem.rfind("平面", 0) == 0) {
                problem = problem.substr(std::string_view("平面").size());
            }
            result.error = where;
            result.error.append("：轮廓").append(problem);
            return result;
        }
        shapes.push_back(detail::toBoost(alone));
        areas.push_back(bg::area(shapes.back()));
        boxes.push_back(bg::return_envelope<bg::model::box<detail::BPoint>>(shapes.back()));
    }

    // Nesting: the smallest outline around each is its parent; depth decides room or hole.
    const std::size_t n = polylines.size();
    std::vector<std::size_t> order(n);
    for (std::size_t k = 0; k < n; ++k) {
        order[k] = k;
    }
    std::sort(order.begin(), order.end(),
              [&areas](std::size_t a, std::size_t b) { return areas[a] > areas[b]; });
    std::vector<std::ptrdiff_t> parent(n, -1);
    std::vector<int> depth(n, 0);
    for (std::size_t oi = 0; oi < n; ++oi) {
        const std::size_t k = order[oi];
        // Larger ones come first: the last that holds this one is the smallest around it.
        for (std::size_t oj = 0; oj < oi; ++oj) {
            const std::size_t m = order[oj];
            if (bg::covered_by(boxes[k], boxes[m]) && bg::covered_by(shapes[k], shapes[m])) {
                if (parent[k] < 0 || areas[m] < areas[static_cast<std::size_t>(parent[k])]) {
                    parent[k] = static_cast<std::ptrdiff_t>(m);
                }
            }
        }
        depth[k] = parent[k] < 0 ? 0 : depth[static_cast<std::size_t>(parent[k])] + 1;
    }
    std::vector<std::ptrdiff_t> roomOf(n, -1);
    for (const std::size_t k : order) {
        if (depth[k] % 2 == 0) {
            roomOf[k] = static_cast<std::ptrdiff_t>(result.rooms.size());
            Room room;
            room.outline.outer = polylines[k].ring;
            room.handle = polylines[k].handle;
            room.line = polylines[k].line;
            result.rooms.push_back(std::move(room));
        }
    }
    for (const std::size_t k : order) {
        if (depth[k] % 2 == 1) {
            const auto owner =
                static_cast<std::size_t>(roomOf[static_cast<std::size_t>(parent[k])]);
            result.rooms[owner].outline.holes.push_back(polylines[k].ring);
        }
    }
    for (Room& room : result.rooms) {
        if (std::string problem = outlineProblem(room.outline); !problem.empty()) {
            if (problem.rfind("平面", 0) == 0) {
                problem = problem.substr(std::string_view("平面").size());
            }
            result.error = whereOf("房间轮廓", room.handle, room.line) + "与其中的洞：" + problem;
            return result;
        }
    }

    // Names: the topmost text inside a room and outside its holes.
    std::vector<double> nameHeight(result.rooms.size(), -std::numeric_limits<double>::infinity());
    std::vector<detail::Polygon> roomShapes;
    std::vector<bg::model::box<detail::BPoint>> roomBoxes;
    for (const Room& room : result.rooms) {
        roomShapes.push_back(detail::toBoost(room.outline));
        roomBoxes.push_back(bg::return_envelope<bg::model::box<detail::BPoint>>(roomShapes.back()));
    }
    for (const Text& t : texts) {
        const detail::BPoint at(t.at.x * scale, t.at.y * scale);
        for (std::size_t r = 0; r < result.rooms.size(); ++r) {
            if (at.y() <= nameHeight[r] || !bg::covered_by(at, roomBoxes[r])) {
                continue;
            }
            if (bg::within(at, roomShapes[r])) {
                const std::string decoded = textOf(t.text);
                if (!validUtf8(decoded)) {
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
    }
    // In the drawing's order, as a designer finds them there.
    std::sort(result.rooms.begin(), result.rooms.end(),
              [](const Room& a, const Room& b) { return a.line < b.line; });
    return result;
}

}  // namespace

Import importRooms(std::string_view text, const ImportOptions& options) {
    Import result = readDrawing(text, options);
    // A drawing refused gives no rooms, even those read before the fault was found.
    if (!result.error.empty()) {
        result.rooms.clear();
    }
    return result;
}

namespace {

// ASCII, with every other character as \U+XXXX (outside the BMP: replaced, as R12 cannot say it).
std::string escaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(b < 0x20 ? ' ' : static_cast<char>(b));
            ++i;
            continue;
        }
        unsigned long c = 0;
        std::size_t n = 0;
        if ((b & 0xE0U) == 0xC0U) {
            c = b & 0x1FU;
            n = 1;
        } else if ((b & 0xF0U) == 0xE0U) {
            c = b & 0x0FU;
            n = 2;
        } else if ((b & 0xF8U) == 0xF0U) {
            c = b & 0x07U;
            n = 3;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        bool ok = i + n < s.size();
        for (std::size_t k = 1; ok && k <= n; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            ok = (cont & 0xC0U) == 0x80U;
            c = (c << 6U) | (cont & 0x3FU);
        }
        if (!ok || c > 0xFFFF) {
            out.push_back('?');
            i += ok ? n + 1 : 1;
            continue;
        }
        char hex[12];
        std::snprintf(hex, sizeof hex, "\\U+%04lX", c);
        out += hex;
        i += n + 1;
    }
    return out;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", std::abs(v) < 5e-7 ? 0.0 : v);
    return text;
}

class Writer {
  public:
    void pair(int code, std::string_view value) {
        text_ += std::to_string(code);
        text_ += '\n';
        text_ += value;
        text_ += '\n';
    }
    void pair(int code, double value) { pair(code, number(value)); }
    void whole(int code, int value) { pair(code, std::to_string(value)); }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

}  // namespace

// The symbol's size on paper as on the site: about what an extinguisher's footprint is.
constexpr double kSymbolAcross = 0.3;

std::string exportPoints(std::span<const ExportPoint> points, const ExportOptions& options) {
    const double unit = options.metresPerUnit > 0.0 ? options.metresPerUnit : 1.0;
    const double radius = kSymbolAcross / 2.0 / unit;
    const double height = 0.25 / unit;
    const std::string layer = escaped(options.layer);
    Writer w;
    w.pair(0, "SECTION");
    w.pair(2, "HEADER");
    w.pair(9, "$ACADVER");
    w.pair(1, "AC1009");
    w.pair(9, "$DWGCODEPAGE");
    w.pair(3, "ANSI_1252");
    w.pair(9, "$INSUNITS");
    w.whole(70, std::abs(unit - 0.001) < 1e-12 ? 4 : std::abs(unit - 1.0) < 1e-12 ? 6 : 0);
    w.pair(0, "ENDSEC");

    w.pair(0, "SECTION");
    w.pair(2, "TABLES");
    w.pair(0, "TABLE");
    w.pair(2, "LTYPE");
    w.whole(70, 1);
    w.pair(0, "LTYPE");
    w.pair(2, "CONTINUOUS");
    w.whole(70, 0);
    w.pair(3, "Solid line");
    w.whole(72, 65);
    w.whole(73, 0);
    w.pair(40, 0.0);
    w.pair(0, "ENDTAB");
    w.pair(0, "TABLE");
    w.pair(2, "LAYER");
    w.whole(70, 2);
    for (const std::string& name : {std::string("0"), layer}) {
        w.pair(0, "LAYER");
        w.pair(2, name);
        w.whole(70, 0);
        w.whole(62, name == "0" ? 7 : 1);  // the points in red
        w.pair(6, "CONTINUOUS");
    }
    w.pair(0, "ENDTAB");
    w.pair(0, "ENDSEC");

    // The symbol: a circle 0.3 m across with a cross, drawn on layer 0 so it takes the insert's
    // layer.
    w.pair(0, "SECTION");
    w.pair(2, "BLOCKS");
    w.pair(0, "BLOCK");
    w.pair(8, "0");
    w.pair(2, "EXTINGUISHER");
    w.whole(70, 0);
    w.pair(10, 0.0);
    w.pair(20, 0.0);
    w.pair(30, 0.0);
    w.pair(3, "EXTINGUISHER");
    w.pair(0, "CIRCLE");
    w.pair(8, "0");
    w.pair(10, 0.0);
    w.pair(20, 0.0);
    w.pair(30, 0.0);
    w.pair(40, radius);
    for (const bool across : {true, false}) {
        w.pair(0, "LINE");
        w.pair(8, "0");
        w.pair(10, across ? -radius : 0.0);
        w.pair(20, across ? 0.0 : -radius);
        w.pair(30, 0.0);
        w.pair(11, across ? radius : 0.0);
        w.pair(21, across ? 0.0 : radius);
        w.pair(31, 0.0);
    }
    w.pair(0, "ENDBLK");
    w.pair(8, "0");
    w.pair(0, "ENDSEC");

    w.pair(0, "SECTION");
    w.pair(2, "ENTITIES");
    for (const ExportPoint& p : points) {
        const double x = p.at.x / unit;
        const double y = p.at.y / unit;
        w.pair(0, "INSERT");
        w.pair(8, layer);
        w.pair(2, "EXTINGUISHER");
        w.pair(10, x);
        w.pair(20, y);
        w.pair(30, 0.0);
        w.pair(0, "TEXT");
        w.pair(8, layer);
        w.pair(10, x + radius * 1.2);
        w.pair(20, y + radius * 1.2);
        w.pair(30, 0.0);
        w.pair(40, height);
        w.pair(1, escaped(p.label));
    }
    w.pair(0, "ENDSEC");
    w.pair(0, "EOF");
    return w.take();
}

}  // namespace extcalc::plan::dxf
