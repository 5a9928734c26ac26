// SPDX-License-Identifier: MIT
// ASCII DXF, read by hand: Debian packages no DXF library that is both kept up and under a
// licence that fits ours (dxflib is GPL, dime has not changed since 2011), and a floor plan's
// exchange needs only group codes, a few entities, the blocks and the header's unit. Read in
// one pass over the text, keeping only what the import uses, so that a drawing's size costs
// time but not memory beyond its outlines and texts.
#include "dxf_read.h"

#include <fast_float/fast_float.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <set>

#include "geometry.h"

// MinGW's GCC at -O3 takes the engaged values of this reader's optionals for uninitialised, a
// false alarm the native GCC and clang do not raise; silenced for this file only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace extcalc::plan::dxf::detail {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Larger than any building, as the outlines' own limit.
constexpr double kMaxCoordinateM = 100'000.0;
// Handles named in one message before the rest are only counted.
constexpr std::size_t kNamedAtMost = 10;

}  // namespace

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

std::string whereOf(std::string_view type, std::string_view handle, long line) {
    std::string w(type);
    if (!handle.empty()) {
        w += "（句柄 " + shownName(handle) + "，" + lineText(line) + "）";
    } else {
        w += "（" + lineText(line) + "）";
    }
    return w;
}

std::string listed(const std::vector<std::string>& items, std::size_t total) {
    std::string out;
    for (std::size_t i = 0; i < items.size() && i < kNamedAtMost; ++i) {
        out += (i == 0 ? "" : "、") + items[i];
    }
    if (total > std::min(items.size(), kNamedAtMost)) {
        out += " 等 " + std::to_string(total) + " 个";
    }
    return out;
}

Affine Affine::after(const Affine& inner) const {
    return {a * inner.a + b * inner.c,     a * inner.b + b * inner.d,
            c * inner.a + d * inner.c,     c * inner.b + d * inner.d,
            a * inner.e + b * inner.f + e, c * inner.e + d * inner.f + f};
}

double Affine::stretch() const {
    // The square root of the larger eigenvalue of MᵀM.
    const double p = a * a + c * c;
    const double q = a * b + c * d;
    const double r = b * b + d * d;
    const double mean = (p + r) / 2.0;
    const double half = (p - r) / 2.0;
    const double spread = std::sqrt(half * half + q * q);
    return std::sqrt(mean + spread);
}

// ---- Reading ------------------------------------------------------------------------------

namespace {

struct Tag {
    int code = 0;
    std::string_view value;
    long line = 0;  // of the group code
};

// The pairs of lines, group code and value, one at a time; an error names the first line that
// is not one.
class TagStream {
  public:
    explicit TagStream(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            text_.remove_prefix(3);
        }
    }

    bool next(Tag& tag) {
        if (held_) {
            tag = *held_;
            held_.reset();
            return true;
        }
        if (!error_.empty()) {
            return false;
        }
        std::string_view codeLine;
        if (!nextLine(codeLine)) {
            return false;
        }
        const long codeAt = line_;
        const std::string_view code = trimmed(codeLine);
        if (code.empty() && at_ >= text_.size()) {
            return false;  // a line end after the last line
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
            if (!validUtf8(shown) || std::any_of(shown.begin(), shown.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20;
                })) {
                shown = "无法显示的字节";
            }
            error_ = lineText(codeAt) + "应为组码（整数），却是“" + shown +
                     "”：这不是 ASCII DXF 文件，或文件已损坏";
            return false;
        }
        std::string_view value;
        if (!nextLine(value)) {
            error_ = "文件在" + lineText(codeAt) + "之后意外结束（组码后缺少值），内容不完整";
            return false;
        }
        tag = {code[0] == '-' ? -number : number, value, codeAt};
        ++count_;
        return true;
    }
    void putBack(const Tag& tag) { held_ = tag; }
    const std::string& error() const { return error_; }
    long line() const { return line_; }
    std::size_t count() const { return count_; }

  private:
    bool nextLine(std::string_view& out) {
        if (at_ >= text_.size()) {
            return false;
        }
        const std::size_t end = std::min(text_.find('\n', at_), text_.size());
        out = text_.substr(at_, end - at_);
        if (!out.empty() && out.back() == '\r') {
            out.remove_suffix(1);
        }
        at_ = end + 1;
        ++line_;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    long line_ = 0;
    std::size_t count_ = 0;
    std::optional<Tag> held_;
    std::string error_;
};

std::optional<double> numberOf(std::string_view value) {
    value = trimmed(value);
    if (!value.empty() && value.front() == '+') {
        value.remove_prefix(1);
    }
    if (value.empty() || value.size() > 40) {
        return std::nullopt;
    }
    double v = 0.0;
    const auto [end, error] = fast_float::from_chars(value.data(), value.data() + value.size(), v);
    if (error != std::errc{} || end != value.data() + value.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

int wholeOf(std::string_view value, int otherwise) {
    const auto v = numberOf(value);
    return v && std::abs(*v) < 1e9 ? static_cast<int>(*v) : otherwise;
}

// The OCS of an extrusion: ±Z keeps the drawing's plane (−Z mirrors x, by the arbitrary axis
// algorithm: Ax = Wy × N = (−1, 0, 0), Ay = N × Ax = (0, 1, 0)); anything else is tilted.
struct Extrusion {
    double x = 0.0;
    double y = 0.0;
    double z = 1.0;
    bool tilted() const {
        const double length = std::sqrt(x * x + y * y + z * z);
        return !(length > 0.0) || std::abs(x) > 1e-9 * length || std::abs(y) > 1e-9 * length;
    }
    bool mirrored() const { return z < 0.0; }
    Affine frame() const { return mirrored() ? Affine{-1.0, 0.0, 0.0, 1.0, 0.0, 0.0} : Affine{}; }
};

class Reader {
  public:
    explicit Reader(std::string_view text) : tags_(text) {}

    Drawing read() {
        Drawing d;
        std::string section;
        std::string headerVariable;
        std::optional<std::size_t> block;
        bool eof = false;
        Tag tag;
        while (d.error.empty() && tags_.next(tag)) {
            if (tag.code != 0) {
                if (section == "HEADER") {
                    header(d, tag, headerVariable);
                }
                continue;
            }
            const std::string_view kind = trimmed(tag.value);
            if (kind == "EOF") {
                eof = true;
                break;
            }
            if (kind == "SECTION") {
                Tag name;
                section.clear();
                if (tags_.next(name)) {
                    if (name.code == 2) {
                        section = std::string(trimmed(name.value));
                    } else {
                        tags_.putBack(name);
                    }
                }
                continue;
            }
            if (kind == "ENDSEC") {
                section.clear();
                block.reset();
                continue;
            }
            if (section == "TABLES" && kind == "LAYER") {
                eachOwn([&](const Tag& t) {
                    if (t.code == 2) {
                        d.layerTable.push_back(t.value);
                    }
                });
            } else if (section == "BLOCKS" && kind == "BLOCK") {
                Block b;
                b.line = tag.line;
                std::optional<double> x;
                eachOwn([&](const Tag& t) {
                    if (t.code == 2) {
                        b.name = trimmed(t.value);
                    } else if (t.code == 70) {
                        b.external = (wholeOf(t.value, 0) & (4 | 8)) != 0;
                    } else if (t.code == 10) {
                        x = numberOf(t.value);
                    } else if (t.code == 20) {
                        b.base = {x.value_or(0.0), numberOf(t.value).value_or(0.0)};
                    }
                });
                std::string key = upper(b.name);
                block.reset();
                if (!d.blockIndex.contains(key)) {
                    d.blockIndex.emplace(std::move(key), d.blocks.size());
                    block = d.blocks.size();
                    d.blocks.push_back(std::move(b));
                }
            } else if (section == "BLOCKS" && kind == "ENDBLK") {
                skipOwn();
                block.reset();
            } else if (section == "BLOCKS" && block) {
                entity(tag, kind, d.blocks[*block].content, d.error);
            } else if (section == "ENTITIES") {
                entity(tag, kind, d.model, d.error, &d.paper);
            } else {
                skipOwn();
            }
        }
        if (!d.error.empty()) {
            return d;
        }
        if (!tags_.error().empty()) {
            d.error = tags_.error();
        } else if (tags_.count() == 0) {
            d.error = "文件是空的，不是 DXF 文件";
        } else if (!eof) {
            d.error = "文件在" + lineText(tags_.line()) +
                      "意外结束（缺少结尾的 EOF），内容不完整，可能没有保存完或被截断";
        }
        return d;
    }

  private:
    static std::string upper(std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        return out;
    }

    static void header(Drawing& d, const Tag& tag, std::string& variable) {
        if (tag.code == 9) {
            variable = std::string(trimmed(tag.value));
        } else if (variable == "$ACADVER" && tag.code == 1) {
            d.version = std::string(trimmed(tag.value));
        } else if (variable == "$INSUNITS" && tag.code == 70) {
            if (const auto v = numberOf(tag.value); v && std::abs(*v) < 1000) {
                d.insunits = static_cast<int>(*v);
            }
        }
    }

    // Each tag of the object begun, up to the next group code 0: one at a time, so that an
    // entity of a million vertices is never held as tags.
    template <typename Each>
    void eachOwn(Each&& each) {
        Tag t;
        while (tags_.next(t)) {
            if (t.code == 0) {
                tags_.putBack(t);
                break;
            }
            each(t);
        }
    }
    void skipOwn() {
        eachOwn([](const Tag&) {});
    }

    // A coordinate; the first that is not a number becomes the entity's fault.
    static double coordinate(Entity& e, const Tag& t) {
        const auto v = numberOf(t.value);
        if (!v && e.fault.empty()) {
            e.fault = "的坐标“" + shownName(trimmed(t.value).substr(0, 40)) + "”（" +
                      lineText(t.line + 1) + "）不是数值";
        }
        return v.value_or(0.0);
    }

    // The group codes every entity may have; true when the tag was one of them.
    static bool common(Entity& e, const Tag& t, Extrusion& extrusion, bool& paper) {
        switch (t.code) {
            case 5:
                // Hexadecimal in every drawing; anything else is no handle to name.
                e.handle = trimmed(t.value);
                if (e.handle.size() > 16 ||
                    !std::all_of(e.handle.begin(), e.handle.end(),
                                 [](char c) { return c > ' ' && c < 0x7F; })) {
                    e.handle = {};
                }
                return true;
            case 8:
                e.layer = t.value;
                return true;
            case 67:
                paper = wholeOf(t.value, 0) == 1;
                return true;
            case 210:
                extrusion.x = numberOf(t.value).value_or(0.0);
                return true;
            case 220:
                extrusion.y = numberOf(t.value).value_or(0.0);
                return true;
            case 230:
                extrusion.z = numberOf(t.value).value_or(1.0);
                return true;
            default:
                return false;
        }
    }

    static void finish(Entity& e, const Extrusion& extrusion) {
        e.tilted = extrusion.tilted();
        e.frame = extrusion.frame();
        // A polyline whose last vertex repeats its first is closed too.
        if (e.kind == Kind::Outline && !e.closed && e.vertices.size() > 3 &&
            e.vertices.front().at == e.vertices.back().at) {
            e.closed = true;
        }
    }

    static void countOther(Container& c, std::string_view kind, const Entity& e) {
        auto use = std::find_if(c.others.begin(), c.others.end(),
                                [&e](const OtherUse& u) { return u.layer == e.layer; });
        if (use == c.others.end()) {
            c.others.push_back({e.layer, 0, {}});
            use = c.others.end() - 1;
        }
        ++use->count;
        if (use->named.size() < kNamedAtMost) {
            use->named.push_back(shownName(kind.substr(0, 40)) +
                                 (e.handle.empty() ? "（" + lineText(e.line) + "）"
                                                   : " 句柄 " + std::string(e.handle)));
        }
    }

    static void addVertex(Entity& e, Point at) {
        ++e.vertexCount;
        if (e.vertices.size() <= kMaxVertices) {
            e.vertices.push_back({at, 0.0});
        }
    }

    // One entity of a section or block; what the import does not read is only counted.
    void entity(const Tag& start, std::string_view kind, Container& into, std::string& error,
                Container* paperSpace = nullptr) {
        Entity e;
        e.type = kind;
        e.line = start.line;
        e.layer = "0";
        Extrusion extrusion;
        bool paper = false;
        // After an embedded object (101) the codes mean something else.
        bool embedded = false;
        std::optional<double> x;
        if (kind == "LWPOLYLINE") {
            eachOwn([&](const Tag& t) {
                if (common(e, t, extrusion, paper)) {
                    return;
                }
                if (t.code == 70) {
                    e.closed = (wholeOf(t.value, 0) & 1) != 0;
                } else if (t.code == 10) {
                    x = coordinate(e, t);
                } else if (t.code == 20 && x) {
                    addVertex(e, {*x, coordinate(e, t)});
                    x.reset();
                } else if (t.code == 42 && !e.vertices.empty()) {
                    e.vertices.back().bulge = numberOf(t.value).value_or(0.0);
                }
            });
            finish(e, extrusion);
        } else if (kind == "POLYLINE") {
            int flags = 0;
            eachOwn([&](const Tag& t) {
                if (!common(e, t, extrusion, paper) && t.code == 70) {
                    flags = wholeOf(t.value, 0);
                }
            });
            e.closed = (flags & 1) != 0;
            const bool mesh = (flags & (16 | 64)) != 0;
            const bool space = (flags & 8) != 0;
            // VERTEX entities up to SEQEND.
            Tag t;
            while (tags_.next(t) && t.code == 0 && trimmed(t.value) == "VERTEX") {
                std::optional<Vertex> v;
                int vertexFlags = 0;
                double bulge = 0.0;
                eachOwn([&](const Tag& vt) {
                    if (vt.code == 10) {
                        x = coordinate(e, vt);
                    } else if (vt.code == 20 && x) {
                        v = Vertex{{*x, coordinate(e, vt)}, 0.0};
                        x.reset();
                    } else if (vt.code == 42) {
                        bulge = numberOf(vt.value).value_or(0.0);
                    } else if (vt.code == 70) {
                        vertexFlags = wholeOf(vt.value, 0);
                    }
                });
                // A spline's frame points are not drawn; the fitted vertices are.
                if (v && (vertexFlags & 16) == 0) {
                    addVertex(e, v->at);
                    if (e.vertices.size() == e.vertexCount && !space) {
                        e.vertices.back().bulge = bulge;
                    }
                }
            }
            if (tags_.error().empty() && (t.code != 0 || trimmed(t.value) != "SEQEND")) {
                error = whereOf("POLYLINE", e.handle, start.line) +
                        "的顶点没有以 SEQEND 结束，文件可能已损坏";
                return;
            }
            skipOwn();  // the SEQEND's own tags
            if (mesh) {
                countOther(paper && paperSpace ? *paperSpace : into, "POLYLINE（网格）", e);
                return;
            }
            // A 3D polyline's vertices are in the world frame.
            finish(e, space ? Extrusion{} : extrusion);
        } else if (kind == "CIRCLE") {
            Point centre;
            double radius = 0.0;
            eachOwn([&](const Tag& t) {
                if (common(e, t, extrusion, paper)) {
                    return;
                }
                if (t.code == 10) {
                    centre.x = coordinate(e, t);
                } else if (t.code == 20) {
                    centre.y = coordinate(e, t);
                } else if (t.code == 40) {
                    radius = std::abs(coordinate(e, t));
                }
            });
            // Two half circles, as CAD draws a round polyline.
            e.vertices = {{{centre.x - radius, centre.y}, 1.0},
                          {{centre.x + radius, centre.y}, 1.0}};
            e.vertexCount = 2;
            e.closed = true;
            e.round = true;
            finish(e, extrusion);
        } else if (kind == "ELLIPSE") {
            Point centre;
            Point major;
            double ratio = 1.0;
            double from = 0.0;
            double to = 2.0 * kPi;
            eachOwn([&](const Tag& t) {
                if (common(e, t, extrusion, paper)) {
                    return;
                }
                if (t.code == 10) {
                    centre.x = coordinate(e, t);
                } else if (t.code == 20) {
                    centre.y = coordinate(e, t);
                } else if (t.code == 11) {
                    major.x = coordinate(e, t);
                } else if (t.code == 21) {
                    major.y = coordinate(e, t);
                } else if (t.code == 40) {
                    ratio = coordinate(e, t);
                } else if (t.code == 41) {
                    from = coordinate(e, t);
                } else if (t.code == 42) {
                    to = coordinate(e, t);
                }
            });
            // In the world frame: the unit circle onto centre + u·major + v·minor, the minor axis
            // ratio × (N × major).
            const double sense = extrusion.mirrored() ? -1.0 : 1.0;
            e.tilted = extrusion.tilted();
            e.frame = {major.x,  -sense * ratio * major.y,
                       major.y,  sense * ratio * major.x,
                       centre.x, centre.y};
            e.vertices = {{{-1.0, 0.0}, 1.0}, {{1.0, 0.0}, 1.0}};
            e.vertexCount = 2;
            e.closed = std::abs(std::abs(to - from) - 2.0 * kPi) < 1e-6;
            e.round = true;
        } else if (kind == "TEXT" || kind == "MTEXT" || kind == "ATTRIB") {
            e.kind = Kind::Text;
            std::optional<double> ax;
            std::optional<double> ay;
            bool justified = false;
            bool hidden = false;
            std::string chunks;
            std::string_view last;
            eachOwn([&](const Tag& t) {
                if (embedded || t.code == 101) {
                    embedded = true;
                    return;
                }
                if (common(e, t, extrusion, paper)) {
                    return;
                }
                if (t.code == 10) {
                    e.at.x = coordinate(e, t);
                } else if (t.code == 20) {
                    e.at.y = coordinate(e, t);
                } else if (t.code == 11 && kind != "MTEXT") {
                    ax = numberOf(t.value);
                } else if (t.code == 21 && kind != "MTEXT") {
                    ay = numberOf(t.value);
                } else if ((t.code == 72 && kind != "MTEXT") || (t.code == 73 && kind == "TEXT") ||
                           (t.code == 74 && kind == "ATTRIB")) {
                    justified = justified || wholeOf(t.value, 0) != 0;
                } else if (t.code == 70 && kind == "ATTRIB") {
                    hidden = (wholeOf(t.value, 0) & 1) != 0;
                } else if (t.code == 3 && kind == "MTEXT") {
                    chunks += t.value;
                } else if (t.code == 1) {
                    last = t.value;
                }
            });
            if (hidden) {
                return;
            }
            // A justified text is placed by its alignment point.
            if (justified && ax && ay) {
                e.at = {*ax, *ay};
            }
            e.text = chunks + std::string(last);
            // MTEXT stands in the world frame; TEXT and ATTRIB in their OCS.
            finish(e, extrusion);
            if (kind == "MTEXT") {
                e.frame = {};
            }
        } else if (kind == "INSERT") {
            e.kind = Kind::Insert;
            bool attributes = false;
            eachOwn([&](const Tag& t) {
                if (common(e, t, extrusion, paper)) {
                    return;
                }
                switch (t.code) {
                    case 2:
                        e.block = trimmed(t.value);
                        break;
                    case 10:
                        e.insert.x = coordinate(e, t);
                        break;
                    case 20:
                        e.insert.y = coordinate(e, t);
                        break;
                    case 41:
                        e.xScale = coordinate(e, t);
                        break;
                    case 42:
                        e.yScale = coordinate(e, t);
                        break;
                    case 50:
                        e.rotationDeg = coordinate(e, t);
                        break;
                    case 70:
                        e.columns = std::max(1, wholeOf(t.value, 1));
                        break;
                    case 71:
                        e.rows = std::max(1, wholeOf(t.value, 1));
                        break;
                    case 44:
                        e.columnSpacing = coordinate(e, t);
                        break;
                    case 45:
                        e.rowSpacing = coordinate(e, t);
                        break;
                    case 66:
                        attributes = wholeOf(t.value, 0) == 1;
                        break;
                    default:
                        break;
                }
            });
            finish(e, extrusion);
            if (attributes) {
                Tag t;
                while (tags_.next(t) && t.code == 0 && trimmed(t.value) == "ATTRIB") {
                    Container held;
                    entity(t, "ATTRIB", held, error);
                    if (!held.entities.empty()) {
                        e.attributes.push_back(std::move(held.entities.front()));
                    }
                }
                if (tags_.error().empty() && (t.code != 0 || trimmed(t.value) != "SEQEND")) {
                    error = whereOf("INSERT", e.handle, start.line) +
                            "的属性（ATTRIB）没有以 SEQEND 结束，文件可能已损坏";
                    return;
                }
                skipOwn();
            }
        } else {
            eachOwn([&](const Tag& t) { common(e, t, extrusion, paper); });
            // Definitions of attributes are templates; the inserts' ATTRIBs are drawn.
            if (kind != "ATTDEF" && kind != "SEQEND") {
                countOther(paper && paperSpace ? *paperSpace : into, kind, e);
            }
            return;
        }
        (paper && paperSpace ? *paperSpace : into).entities.push_back(std::move(e));
    }

    TagStream tags_;
};

}  // namespace

Drawing readDrawing(std::string_view text) {
    if (text.substr(0, 18) == "AutoCAD Binary DXF") {
        Drawing d;
        d.error = "这是二进制 DXF 文件，本程序只读 ASCII DXF；请在 CAD 中另存为 ASCII 格式的 DXF";
        return d;
    }
    return Reader(text).read();
}

// ---- Texts --------------------------------------------------------------------------------

namespace {

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
            if (hex && (c < 0xD800 || c > 0xDFFF)) {
                appendUtf8(out, c);
                i += 6;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

}  // namespace

Decoder::Decoder(const Drawing& drawing, const LegacyDecoder& legacy)
    : legacyAllowed_(drawing.version < "AC1021"), legacy_(legacy) {}

std::string Decoder::text(std::string_view raw) const {
    std::string decoded = decodeEscapes(raw);
    if (!validUtf8(decoded) && legacy_ && legacyAllowed_) {
        decoded = legacy_(decoded);
    }
    return decoded;
}

const std::string& Decoder::layer(std::string_view raw) const {
    const auto found = layers_.find(raw);
    if (found != layers_.end()) {
        return found->second;
    }
    return layers_.emplace(raw, std::string(trimmed(text(raw)))).first->second;
}

// ---- Blocks -------------------------------------------------------------------------------

namespace {

bool onLayerZero(std::string_view raw) {
    return trimmed(raw) == "0";
}

std::string keyOf(std::string_view name) {
    std::string key(trimmed(name));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return key;
}

// Layer 0 inside a block: drawn on the insert's layer.
const std::string kInherited = "\x01";

// What a block holds through its own inserts, per layer key: closed and open outlines and
// entities of other kinds, every copy counted.
struct Tally {
    std::map<std::string, double> closed;
    std::map<std::string, double> open;
    std::map<std::string, double> others;
    std::vector<std::string> used;  // layer keys in the order first found
};

double copiesOf(const Entity& insert) {
    // Copies at one place are one: spacing 0 lays a row or column on itself.
    const double columns = insert.columnSpacing == 0.0 ? 1.0 : insert.columns;
    const double rows = insert.rowSpacing == 0.0 ? 1.0 : insert.rows;
    return rows * columns;
}

class Tallies {
  public:
    Tallies(const Drawing& drawing, const Decoder& decoder)
        : drawing_(drawing),
          decoder_(decoder),
          state_(drawing.blocks.size(), 0),
          tallies_(drawing.blocks.size()) {}

    // The block's tally; nullptr and error set when it inserts itself or nests too deep.
    const Tally* of(std::size_t block, std::string& error) {
        if (state_[block] == 2) {
            return &tallies_[block];
        }
        if (state_[block] == 1) {
            std::string chain;
            const auto from = std::find(stack_.begin(), stack_.end(), block);
            for (auto i = from; i != stack_.end(); ++i) {
                chain += "“" + shownName(decoder_.text(drawing_.blocks[*i].name)) + "”→";
            }
            error = "图块插入了自身（" + chain + "“" +
                    shownName(decoder_.text(drawing_.blocks[block].name)) + "”，图块定义于" +
                    lineText(drawing_.blocks[block].line) +
                    "），无法展开；请在 CAD 中修正图块的定义";
            return nullptr;
        }
        if (stack_.size() >= static_cast<std::size_t>(kMaxBlockDepth)) {
            error = "图块嵌套超过 " + std::to_string(kMaxBlockDepth) + " 层（图块“" +
                    shownName(decoder_.text(drawing_.blocks[stack_.front()].name)) +
                    "”之内），不是楼层平面图；请在 CAD 中分解（EXPLODE）部分图块后再读入";
            return nullptr;
        }
        state_[block] = 1;
        stack_.push_back(block);
        Tally t;
        const bool done = tally(drawing_.blocks[block].content, true, t, error);
        stack_.pop_back();
        if (!done) {
            return nullptr;
        }
        state_[block] = 2;
        tallies_[block] = std::move(t);
        return &tallies_[block];
    }

    // The layer's key as written; layer 0 inside a block is the insert's.
    const std::string& keyFor(std::string_view raw, bool inBlock) {
        if (inBlock && onLayerZero(raw)) {
            return kInherited;
        }
        const auto found = keys_.find(raw);
        if (found != keys_.end()) {
            return found->second;
        }
        const std::string& name = decoder_.layer(raw);
        std::string key = keyOf(name);
        names_.emplace(key, name);
        return keys_.emplace(raw, std::move(key)).first->second;
    }
    // The name of a key as first spelled.
    const std::string& nameOf(const std::string& key) const { return names_.at(key); }

    // A container's tally: the model space (layer 0 is its own) or a block's content.
    bool tally(const Container& c, bool inBlock, Tally& t, std::string& error) {
        const auto keyHere = [&](std::string_view raw) -> const std::string& {
            return keyFor(raw, inBlock);
        };
        const auto use = [&t](const std::string& key) {
            if (std::find(t.used.begin(), t.used.end(), key) == t.used.end()) {
                t.used.push_back(key);
            }
        };
        for (const Entity& e : c.entities) {
            const std::string& key = keyHere(e.layer);
            use(key);
            if (e.kind == Kind::Outline && !e.tilted) {
                (e.closed ? t.closed : t.open)[key] += 1.0;
            }
            for (const Entity& a : e.attributes) {
                use(keyHere(a.layer));
            }
            if (e.kind != Kind::Insert) {
                continue;
            }
            const auto found = drawing_.blockIndex.find(upperOf(e.block));
            if (found == drawing_.blockIndex.end() || drawing_.blocks[found->second].external) {
                continue;
            }
            const Tally* inner = of(found->second, error);
            if (inner == nullptr) {
                return false;
            }
            const double copies = copiesOf(e);
            const auto add = [&](const std::map<std::string, double>& from,
                                 std::map<std::string, double>& to) {
                for (const auto& [k, n] : from) {
                    to[k == kInherited ? key : k] += copies * n;
                }
            };
            add(inner->closed, t.closed);
            add(inner->open, t.open);
            add(inner->others, t.others);
            for (const std::string& k : inner->used) {
                use(k == kInherited ? key : k);
            }
        }
        for (const OtherUse& o : c.others) {
            const std::string& key = keyHere(o.layer);
            use(key);
            t.others[key] += static_cast<double>(o.count);
        }
        return true;
    }

    static std::string upperOf(std::string_view name) {
        std::string key(name);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        return key;
    }

  private:
    const Drawing& drawing_;
    const Decoder& decoder_;
    std::vector<int> state_;  // 0 not yet, 1 being tallied, 2 done
    std::vector<Tally> tallies_;
    std::vector<std::size_t> stack_;
    std::map<std::string_view, std::string> keys_;
    std::map<std::string, std::string> names_;
};

}  // namespace

Census census(const Drawing& drawing, const Decoder& decoder) {
    Census result;
    Tallies tallies(drawing, decoder);
    Tally model;
    if (!tallies.tally(drawing.model, false, model, result.error)) {
        return result;
    }
    // The table's order first, then layers it lacks as found.
    std::vector<std::string> order;
    for (const std::string_view raw : drawing.layerTable) {
        const std::string& key = tallies.keyFor(raw, false);
        if (std::find(order.begin(), order.end(), key) == order.end()) {
            order.push_back(key);
        }
    }
    for (const std::string& key : model.used) {
        if (std::find(order.begin(), order.end(), key) == order.end()) {
            order.push_back(key);
        }
    }
    for (const std::string& key : order) {
        LayerCount count;
        count.name = tallies.nameOf(key);
        count.used = std::find(model.used.begin(), model.used.end(), key) != model.used.end();
        const auto closed = model.closed.find(key);
        count.closedOutlines = closed == model.closed.end() ? 0.0 : closed->second;
        result.layers.push_back(std::move(count));
    }
    return result;
}

// ---- Placing ------------------------------------------------------------------------------

namespace {

class Placer {
  public:
    Placer(const Drawing& drawing, const Decoder& decoder, std::string_view layer)
        : drawing_(drawing),
          decoder_(decoder),
          tallies_(drawing, decoder),
          layer_(layer),
          key_(keyOf(layer)) {}

    Placed run() {
        Tally model;
        if (!tallies_.tally(drawing_.model, false, model, placed_.error)) {
            return std::move(placed_);
        }
        const auto closed = model.closed.find(key_);
        if (closed != model.closed.end() && closed->second > static_cast<double>(kMaxOutlines)) {
            char count[40];
            std::snprintf(count, sizeof count, "%.0f", closed->second);
            placed_.error = "图层“" + layer_ + "”上的闭合轮廓有 " + count +
                            " 个（图块的每次插入都计），超过 " + std::to_string(kMaxOutlines) +
                            " 个，不是一层的平面图；请只把房间轮廓放在这个图层上，或分几次读入";
            return std::move(placed_);
        }
        walk(drawing_.model, Affine{}, nullptr, "", 0);
        if (!placed_.error.empty()) {
            return std::move(placed_);
        }
        for (const Entity& e : drawing_.paper.entities) {
            if (sameLayer(decoder_.layer(e.layer), layer_)) {
                paper_.push_back(std::string(e.type) + " 句柄 " + std::string(e.handle));
            }
        }
        std::size_t paperCount = paper_.size();
        for (const OtherUse& o : drawing_.paper.others) {
            if (sameLayer(decoder_.layer(o.layer), layer_)) {
                paperCount += o.count;
                paper_.insert(paper_.end(), o.named.begin(), o.named.end());
            }
        }
        if (paperCount > 0) {
            placed_.warnings.push_back(
                "图层“" + layer_ + "”在图纸空间（布局）中有 " + std::to_string(paperCount) +
                " 个对象，不属于模型的平面，未读入：" + listed(paper_, paperCount));
        }
        return std::move(placed_);
    }

  private:
    void tooMany() {
        placed_.error = "展开图块后的对象超过 " + std::to_string(kMaxExpanded) +
                        " 个，不是一层的平面图；请在 CAD 中删去不需要的图块后再读入";
    }

    const std::string& layerOf(const Entity& e, const std::string* inherited) const {
        return inherited != nullptr && onLayerZero(e.layer) ? *inherited : decoder_.layer(e.layer);
    }

    void walk(const Container& c, const Affine& toWorld, const std::string* inherited,
              const std::string& path, int depth) {
        for (const Entity& e : c.entities) {
            if (!placed_.error.empty()) {
                return;
            }
            if (++visited_ > kMaxExpanded) {
                tooMany();
                return;
            }
            const std::string& layer = layerOf(e, inherited);
            const bool onLayer = sameLayer(layer, layer_);
            // Without a handle of its own, the inserts' say where it is.
            const std::string handle = e.handle.empty()
                                           ? path.substr(0, path.empty() ? 0 : path.size() - 1)
                                           : path + std::string(e.handle);
            switch (e.kind) {
                case Kind::Outline:
                    if (onLayer) {
                        outline(e, toWorld, handle);
                    }
                    break;
                case Kind::Text:
                    text(e, toWorld, handle);
                    break;
                case Kind::Insert:
                    insert(e, toWorld, layer, onLayer, path, handle, depth);
                    break;
            }
        }
        for (const OtherUse& o : c.others) {
            const std::string& layer =
                inherited != nullptr && onLayerZero(o.layer) ? *inherited : decoder_.layer(o.layer);
            if (sameLayer(layer, layer_)) {
                placed_.otherCount += o.count;
                for (const std::string& named : o.named) {
                    if (placed_.others.size() < kNamedAtMost) {
                        placed_.others.push_back(path.empty()
                                                     ? named
                                                     : named + "（插入 " +
                                                           path.substr(0, path.size() - 1) + "）");
                    }
                }
            }
        }
    }

    void outline(const Entity& e, const Affine& toWorld, const std::string& handle) {
        if (!e.fault.empty()) {
            placed_.error = whereOf(e.type, handle, e.line) + e.fault;
            return;
        }
        if (e.tilted) {
            placed_.error =
                whereOf(e.type, handle, e.line) +
                "不在图纸的平面内（拉伸方向不是 Z 轴，是三维的），无法作为平面的房间读入；"
                "请在 CAD 中将其转到世界坐标系的 XY 平面";
            return;
        }
        if (e.vertexCount > kMaxVertices) {
            placed_.error = whereOf(e.type, handle, e.line) + "的顶点有 " +
                            std::to_string(e.vertexCount) + " 个，超过 " +
                            std::to_string(kMaxVertices) + " 个，不是房间的轮廓";
            return;
        }
        if (!e.closed) {
            ++placed_.openCount;
            if (placed_.open.size() < kNamedAtMost) {
                placed_.open.push_back(handle.empty() ? lineText(e.line) : handle);
            }
            return;
        }
        vertices_ += e.vertexCount;
        if (vertices_ > kMaxTotalVertices) {
            placed_.error = "图层“" + layer_ + "”上的轮廓共有 " + std::to_string(vertices_) +
                            " 个以上的顶点，超过 " + std::to_string(kMaxTotalVertices) +
                            " 个，不是一层的平面图";
            return;
        }
        placed_.outlines.push_back({&e, toWorld.after(e.frame), handle});
    }

    void text(const Entity& e, const Affine& toWorld, const std::string& handle) {
        if (!e.fault.empty() || e.tilted) {
            ++placed_.unreadTextCount;
            if (placed_.unreadTexts.size() < kNamedAtMost) {
                placed_.unreadTexts.push_back(
                    whereOf(e.type, handle, e.line) + "“" + shownName(decoder_.text(e.text)) + "”" +
                    (e.fault.empty() ? "不在图纸的平面内（三维的拉伸方向）" : e.fault));
            }
            return;
        }
        placed_.texts.push_back({toWorld.after(e.frame)(e.at), &e});
    }

    void insert(const Entity& e, const Affine& toWorld, const std::string& layer, bool onLayer,
                const std::string& path, const std::string& handle, int depth) {
        const std::string where = whereOf("INSERT", handle, e.line);
        const auto found = drawing_.blockIndex.find(Tallies::upperOf(e.block));
        const double angle = e.rotationDeg * kPi / 180.0;
        const Affine rotate{
            std::cos(angle), -std::sin(angle), std::sin(angle), std::cos(angle), 0.0, 0.0};
        const Affine toContainer =
            e.frame.after(Affine{1.0, 0.0, 0.0, 1.0, e.insert.x, e.insert.y});
        // The copies of an array: offsets along the rotated rows and columns, not scaled.
        const int columns = e.columnSpacing == 0.0 ? 1 : e.columns;
        const int rows = e.rowSpacing == 0.0 ? 1 : e.rows;
        const auto offset = [&](int row, int column) {
            return Affine{1.0, 0.0, 0.0, 1.0, column * e.columnSpacing, row * e.rowSpacing};
        };
        // The ATTRIBs stand in the container's frame already; an array's copies move them along.
        for (const Entity& a : e.attributes) {
            for (int r = 0; r < rows && placed_.error.empty(); ++r) {
                for (int k = 0; k < columns && placed_.error.empty(); ++k) {
                    if (++visited_ > kMaxExpanded) {
                        tooMany();
                        return;
                    }
                    const Point shift = toContainer.after(rotate.after(offset(r, k)))({0.0, 0.0});
                    const Point base = toContainer({0.0, 0.0});
                    const Affine moved{1.0, 0.0, 0.0, 1.0, shift.x - base.x, shift.y - base.y};
                    text(a, toWorld.after(moved), path + std::string(a.handle));
                }
            }
        }
        if (found == drawing_.blockIndex.end()) {
            if (onLayer) {
                placed_.warnings.push_back(where + "插入的图块“" +
                                           shownName(decoder_.text(e.block)) +
                                           "”在图纸中没有定义，未读入");
            }
            return;
        }
        const Block& block = drawing_.blocks[found->second];
        if (block.external) {
            placed_.warnings.push_back(
                where + "是外部参照“" + shownName(decoder_.text(e.block)) +
                "”，其内容在另一个文件中，未读入；需要时请在 CAD 中绑定（BIND）后再读入");
            return;
        }
        const Tally* inner = tallies_.of(found->second, placed_.error);
        if (inner == nullptr) {
            return;
        }
        const auto count = [&](const std::map<std::string, double>& of) {
            double n = 0.0;
            for (const auto& [k, v] : of) {
                if (k == key_ || (k == kInherited && onLayer)) {
                    n += v;
                }
            }
            return n * copiesOf(e);
        };
        const double closed = count(inner->closed);
        if (closed == 0.0) {
            // Nothing to read inside; what lies on the layer there is still named.
            const double open = count(inner->open);
            const double others = count(inner->others);
            if (open > 0.0) {
                placed_.openCount += static_cast<std::size_t>(open);
                if (placed_.open.size() < kNamedAtMost) {
                    placed_.open.push_back("插入 " + handle + " 中");
                }
            }
            if (others > 0.0) {
                placed_.otherCount += static_cast<std::size_t>(others);
                if (placed_.others.size() < kNamedAtMost) {
                    placed_.others.push_back("插入 " + handle + " 中的 " +
                                             std::to_string(static_cast<long long>(others)) +
                                             " 个");
                }
            }
            return;
        }
        if (e.tilted) {
            placed_.error =
                where + "不在图纸的平面内（拉伸方向不是 Z 轴，是三维的），其中的房间无法读入";
            return;
        }
        if (!e.fault.empty()) {
            placed_.error = where + e.fault;
            return;
        }
        const Affine scale{
            e.xScale, 0.0, 0.0, e.yScale, -e.xScale * block.base.x, -e.yScale * block.base.y};
        if (scale.det() == 0.0) {
            placed_.warnings.push_back(where + "的比例为 0，其中的房间没有面积，未读入");
            return;
        }
        for (int r = 0; r < rows; ++r) {
            for (int k = 0; k < columns; ++k) {
                const Affine copy =
                    toWorld.after(toContainer.after(rotate.after(offset(r, k).after(scale))));
                std::string copyPath = handle;
                if (rows * columns > 1) {
                    copyPath += "[" + std::to_string(r + 1) + "," + std::to_string(k + 1) + "]";
                }
                walk(block.content, copy, &layer, copyPath + "/", depth + 1);
                if (!placed_.error.empty()) {
                    return;
                }
            }
        }
    }

    const Drawing& drawing_;
    const Decoder& decoder_;
    Tallies tallies_;
    std::string layer_;
    std::string key_;
    Placed placed_;
    std::size_t visited_ = 0;
    std::size_t vertices_ = 0;
    std::vector<std::string> paper_;
};

}  // namespace

Placed place(const Drawing& drawing, const Decoder& decoder, std::string_view layer) {
    return Placer(drawing, decoder, layer).run();
}

// ---- Arcs ---------------------------------------------------------------------------------

namespace {

// Signed area of the drawn curve: the chords' polygon and each arc's segment beside its chord.
double curveArea(const std::vector<Vertex>& v) {
    double twice = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const Point p = v[i].at;
        const Point q = v[(i + 1) % v.size()].at;
        twice += plan::detail::cross(p, q);
        const double b = v[i].bulge;
        const double chord = plan::detail::dist(p, q);
        if (b != 0.0 && chord > 0.0) {
            const double sweep = 4.0 * std::atan(std::abs(b));
            const double radius = chord / (2.0 * std::sin(sweep / 2.0));
            const double segment = radius * radius / 2.0 * (sweep - std::sin(sweep));
            twice += 2.0 * (b > 0.0 ? segment : -segment);
        }
    }
    return twice / 2.0;
}

}  // namespace

PlacedRing ringOf(const PlacedOutline& placed, double metresPerUnit, bool asFloor) {
    PlacedRing result;
    const Entity& e = *placed.entity;
    const Affine toMetres =
        Affine{metresPerUnit, 0.0, 0.0, metresPerUnit, 0.0, 0.0}.after(placed.toWorld);
    const std::string where = whereOf(e.type, placed.handle, e.line);
    // Without zero-length segments; a closing vertex repeated is one.
    std::vector<Vertex> v;
    for (std::size_t i = 0; i < e.vertices.size(); ++i) {
        const Vertex& here = e.vertices[i];
        const Vertex& next = e.vertices[(i + 1) % e.vertices.size()];
        if (std::abs(here.at.x - next.at.x) > 1e-9 || std::abs(here.at.y - next.at.y) > 1e-9) {
            v.push_back(here);
        }
    }
    const auto beyond = [&](Point m) {
        if (std::abs(m.x) <= kMaxCoordinateM && std::abs(m.y) <= kMaxCoordinateM) {
            return false;
        }
        char said[160];
        std::snprintf(said, sizeof said, "的坐标 (%.6g, %.6g) m 超出任何建筑（限 %.0f m）", m.x,
                      m.y, kMaxCoordinateM);
        result.error = where + said + "；请检查图纸单位，或在 CAD 中把平面移近原点";
        return true;
    };
    // The vertices first: their arcs are cut to the centimetre, which needs them near.
    if (std::any_of(v.begin(), v.end(),
                    [&](const Vertex& vertex) { return beyond(toMetres(vertex.at)); })) {
        return result;
    }
    const double stretch = toMetres.stretch();
    const double tolerance = kArcToleranceM / stretch;  // in the entity's frame
    const bool counterClockwise = curveArea(v) > 0.0;
    Ring local;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const Point p = v[i].at;
        const Point q = v[(i + 1) % v.size()].at;
        local.push_back(p);
        const double b = v[i].bulge;
        const double chord = plan::detail::dist(p, q);
        if (b == 0.0 || !std::isfinite(b) || chord == 0.0 || v.size() < 2) {
            continue;
        }
        // In the chord's frame: u along p→q from its middle, w towards the arc's apex (right of
        // p→q for a counter-clockwise arc). Measured from the apex, the arc runs from α = −H at
        // p to H at q; no centre far away is ever formed, so a nearly straight arc stays exact.
        const double half = 2.0 * std::atan(std::abs(b));  // H, half the sweep
        const double radius = chord / (2.0 * std::sin(half));
        if (std::abs(b) > 1.0 && !(radius * stretch <= kMaxCoordinateM)) {
            result.error = where + "的圆弧（半径约 " +
                           std::to_string(static_cast<long long>(radius * stretch)) +
                           " m）超出任何建筑；请检查图纸单位和圆弧";
            return result;
        }
        ++result.arcs;
        result.arcLengthM += 2.0 * half * radius * stretch;
        // The floor lies towards the centre when the arc turns the way the outline runs.
        const bool floorInside = (b > 0.0) == counterClockwise;
        const bool pushOut = asFloor ? floorInside : !floorInside;
        // Tangents stand off the circle by r (1/cos(θ/2) − 1), chords by r (1 − cos(θ/2)).
        double most = pushOut ? 2.0 * std::acos(radius / (radius + tolerance))
                              : 2.0 * std::acos(std::max(-1.0, 1.0 - tolerance / radius));
        most = std::min(most, kPi / 2.0);
        const double needed = std::ceil(2.0 * half / most - 1e-9);
        if (!(needed + static_cast<double>(local.size()) <= static_cast<double>(kMaxVertices))) {
            result.error = where + "的圆弧按 1 cm 的精度分段后超过 " +
                           std::to_string(kMaxVertices) + " 个顶点，不是房间的轮廓";
            return result;
        }
        const auto pieces = std::max<std::size_t>(1, static_cast<std::size_t>(needed));
        const double step = 2.0 * half / static_cast<double>(pieces);
        const Point along{(q.x - p.x) / chord, (q.y - p.y) / chord};
        const double toApex = b > 0.0 ? -1.0 : 1.0;
        const Point apexward{-toApex * along.y, toApex * along.x};
        const Point middle = 0.5 * (p + q);
        const auto at = [&](double u, double w) { return middle + u * along + w * apexward; };
        // cos α − cos H without cancellation.
        const auto lift = [half](double alpha) {
            return 2.0 * std::sin((half + alpha) / 2.0) * std::sin((half - alpha) / 2.0);
        };
        if (pushOut) {
            // Where the tangents at the pieces' ends meet: from p along its tangent, around, and
            // into q along its own.
            const double h = step / 2.0;
            for (std::size_t k = 0; k < pieces; ++k) {
                const double alpha = -half + (static_cast<double>(k) + 0.5) * step;
                const double sh = std::sin(h / 2.0);
                const double w =
                    radius * (lift(alpha) + 2.0 * std::cos(half) * sh * sh) / std::cos(h);
                local.push_back(at(radius * std::sin(alpha) / std::cos(h), w));
            }
        } else {
            for (std::size_t k = 1; k < pieces; ++k) {
                const double alpha = -half + static_cast<double>(k) * step;
                local.push_back(at(radius * std::sin(alpha), radius * lift(alpha)));
            }
        }
    }
    if (e.round) {
        result.arcs = 1;
    }
    for (const Point& p : local) {
        const Point m = toMetres(p);
        if (beyond(m)) {
            result.ring.clear();
            return result;
        }
        // Repeated neighbours out.
        if (result.ring.empty() || std::abs(result.ring.back().x - m.x) > 1e-9 ||
            std::abs(result.ring.back().y - m.y) > 1e-9) {
            result.ring.push_back(m);
        }
    }
    while (result.ring.size() > 1 &&
           std::abs(result.ring.front().x - result.ring.back().x) <= 1e-9 &&
           std::abs(result.ring.front().y - result.ring.back().y) <= 1e-9) {
        result.ring.pop_back();
    }
    return result;
}

}  // namespace extcalc::plan::dxf::detail
