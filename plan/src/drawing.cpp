// SPDX-License-Identifier: MIT
// The plan's figure laid out on a page. Texts are kept apart by an estimate of their width
// rather than a font's metrics, which this library does not have: the estimate errs wide, so
// a renderer with real fonts only ever finds more room than was planned.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "extcalc/plan/drawing.h"

namespace extcalc::plan::draw {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A page rectangle a text or a mark takes.
struct Box {
    double left;
    double top;
    double right;
    double bottom;
    [[nodiscard]] bool meets(const Box& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    [[nodiscard]] bool within(double width, double height) const {
        return left >= 0.0 && top >= 0.0 && right <= width && bottom <= height;
    }
};

// Whole hundredths without the C library's locale: a Qt program may have set one with a comma.
std::string fixed(double value, int decimals) {
    const double factor = decimals == 2 ? 100.0 : 1.0;
    long long n = std::llround(value * factor);
    std::string sign;
    if (n < 0) {
        sign = "-";
        n = -n;
    }
    if (decimals == 0) {
        return sign + std::to_string(n);
    }
    const long long whole = n / 100;
    const long long part = n % 100;
    return sign + std::to_string(whole) + (part < 10 ? ".0" : ".") + std::to_string(part);
}

struct Bounds {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    void add(Point p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
};

Bounds boundsOf(const Ring& ring) {
    Bounds b;
    for (const Point& p : ring) {
        b.add(p);
    }
    return b;
}

// A ring that is an axis-parallel rectangle: its dimensions say everything about it.
bool isRectangle(const Ring& ring) {
    if (ring.size() != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const Point a = ring[i];
        const Point b = ring[(i + 1) % 4];
        if (a.x != b.x && a.y != b.y) {
            return false;
        }
    }
    return true;
}

class Layout {
  public:
    Layout(const Figure& figure, const Frame& frame) : figure_(figure), ts_(frame.textSize) {
        Bounds b;
        for (const Outline& room : figure.rooms) {
            for (const Point& p : room.outer) {
                b.add(p);
            }
        }
        if (figure.rooms.empty()) {
            b.add({0, 0});
        }
        bounds_ = b;
        for (const Check& c : figure.checks) {
            ok_ = ok_ && c.ok;
            if (std::isfinite(c.worstDistance) &&
                (!worst_ || c.worstDistance > worst_->worstDistance)) {
                worst_ = &c;
            }
        }
        const double lengthX = std::max(b.maxX - b.minX, 1e-6);
        const double lengthY = std::max(b.maxY - b.minY, 1e-6);
        // Room on the left and below for the overall dimensions, below that the legend.
        left_ = 3.2 * ts_;
        top_ = 1.2 * ts_;
        right_ = 1.2 * ts_;
        bottom_ = 6.2 * ts_;
        more_ = legendLines(frame.width) - 1;
        bottom_ += 1.5 * ts_ * more_;
        const double availableX = frame.width - left_ - right_;
        const double availableY = std::max(frame.maxHeight - top_ - bottom_, 4.0 * ts_);
        d_.scale = std::min(availableX / lengthX, availableY / lengthY);
        d_.width = frame.width;
        d_.height = top_ + lengthY * d_.scale + bottom_;
        // Centred across the page when the height limits the scale.
        const double spare = availableX - lengthX * d_.scale;
        d_.origin = {left_ + spare / 2.0 - b.minX * d_.scale, top_ + b.maxY * d_.scale};
    }

    Drawing run() {
        // The marks are fixed before any text, so that no text lands on one.
        const double r = 0.85 * ts_;
        for (const Point& p : figure_.points) {
            const Point at = d_.toPage(p);
            taken_.push_back({at.x - r, at.y - r, at.x + r, at.y + r});
        }
        if (worst_ != nullptr) {
            const Point at = d_.toPage(worst_->worstAt);
            taken_.push_back({at.x - r, at.y - r, at.x + r, at.y + r});
        }
        floorAndRegions();
        walls();
        dimensions();
        points();
        worst();
        legend();
        return std::move(d_);
    }

  private:
    Ring page(const Ring& ring) const {
        Ring out(ring.size());
        std::transform(ring.begin(), ring.end(), out.begin(),
                       [&](const Point& p) { return d_.toPage(p); });
        return out;
    }
    void area(const Outline& outline, Ink ink) {
        Area a{{page(outline.outer)}, ink};
        for (const Ring& hole : outline.holes) {
            a.rings.push_back(page(hole));
        }
        d_.items.emplace_back(std::move(a));
    }
    void text(Point at, std::string content, double size, Anchor anchor, double angle, Ink ink) {
        d_.items.emplace_back(Text{at, std::move(content), size, anchor, angle, ink});
    }
    static Box textBox(Point at, std::string_view content, double size, Anchor anchor) {
        const double w = textWidth(content, size);
        const double left =
            anchor == Anchor::Start ? at.x : (anchor == Anchor::Middle ? at.x - w / 2 : at.x - w);
        return {left, at.y - 0.65 * size, left + w, at.y + 0.65 * size};
    }

    void floorAndRegions() {
        for (const Outline& room : figure_.rooms) {
            area(room, Ink::Floor);
        }
        if (figure_.radius > 0.0) {
            std::vector<Room> rooms(figure_.rooms.begin(), figure_.rooms.end());
            for (std::size_t i = 0; i < figure_.points.size(); ++i) {
                const Point p = figure_.points[i];
                std::size_t r = rooms.size();
                if (i < figure_.roomOf.size() && figure_.roomOf[i] >= 0) {
                    r = static_cast<std::size_t>(figure_.roomOf[i]);
                } else {
                    r = static_cast<std::size_t>(
                        std::find_if(rooms.begin(), rooms.end(),
                                     [&](const Room& room) { return room.contains(p); }) -
                        rooms.begin());
                }
                if (r >= rooms.size() || !rooms[r].contains(p)) {
                    continue;  // a point outside every room reaches nothing drawn
                }
                const bool known = i < figure_.reaches.size() && figure_.reaches[i];
                for (const Outline& piece :
                     known ? *figure_.reaches[i] : reach(rooms[r], p, figure_.radius)) {
                    area(piece, Ink::Reach);
                }
            }
        }
        for (const Check& c : figure_.checks) {
            if (!c.ok) {
                for (const Outline& piece : c.uncovered) {
                    area(piece, Ink::Uncovered);
                }
            }
        }
        for (const Outline& room : figure_.rooms) {
            for (const Ring& hole : room.holes) {
                d_.items.emplace_back(Area{{page(hole)}, Ink::Hole});
            }
        }
    }

    void walls() {
        const auto ring = [&](const Ring& r) {
            for (std::size_t i = 0; i < r.size(); ++i) {
                d_.items.emplace_back(
                    Line{d_.toPage(r[i]), d_.toPage(r[(i + 1) % r.size()]), Ink::Wall});
            }
        };
        for (const Outline& room : figure_.rooms) {
            ring(room.outer);
            for (const Ring& hole : room.holes) {
                ring(hole);
            }
        }
    }

    // A dimension line from a to b (page), its extension lines reaching back to the plan, ticks
    // at both ends and the length written along it.
    void dimension(Point a, Point b, Point from, double metres) {
        d_.items.emplace_back(Line{a, b, Ink::Dimension});
        const double t = 0.35 * ts_;
        for (const Point& end : {a, b}) {
            const Point back{end.x + (from.x - a.x), end.y + (from.y - a.y)};
            d_.items.emplace_back(
                Line{back,
                     {end.x + (end.x - back.x) * 0.25, end.y + (end.y - back.y) * 0.25},
                     Ink::Dimension});
            d_.items.emplace_back(
                Line{{end.x - t, end.y + t}, {end.x + t, end.y - t}, Ink::Dimension});
        }
        const Point mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const bool vertical = a.x == b.x;
        const Point at =
            vertical ? Point{mid.x - 0.8 * ts_, mid.y} : Point{mid.x, mid.y + 0.8 * ts_};
        std::string content = metresText(metres);
        const Box box = vertical ? Box{at.x - 0.65 * ts_, mid.y - textWidth(content, ts_) / 2,
                                       at.x + 0.65 * ts_, mid.y + textWidth(content, ts_) / 2}
                                 : textBox(at, content, ts_, Anchor::Middle);
        taken_.push_back(box);
        text(at, std::move(content), ts_, Anchor::Middle, vertical ? 90.0 : 0.0, Ink::Dimension);
    }

    void dimensions() {
        const Bounds& b = bounds_;
        const Point lowLeft = d_.toPage({b.minX, b.minY});
        const Point lowRight = d_.toPage({b.maxX, b.minY});
        const Point highLeft = d_.toPage({b.minX, b.maxY});
        const double gap = 1.4 * ts_;
        dimension({lowLeft.x, lowLeft.y + gap}, {lowRight.x, lowRight.y + gap}, lowLeft,
                  b.maxX - b.minX);
        dimension({lowLeft.x - gap, lowLeft.y}, {highLeft.x - gap, highLeft.y}, lowLeft,
                  b.maxY - b.minY);
        // Walls of a shape that is not a plain rectangle each get their length, inside the
        // room along the wall, where the text fits; of several rooms, a rectangle its size.
        for (const Outline& room : figure_.rooms) {
            const Ring& r = room.outer;
            if (!isRectangle(r)) {
                const double turn = signedArea(r) > 0.0 ? 1.0 : -1.0;  // inward is to the left
                for (std::size_t i = 0; i < r.size(); ++i) {
                    const Point a = r[i];
                    const Point c = r[(i + 1) % r.size()];
                    if (!overallSide(a, c)) {
                        edgeLength(a, c, turn);
                    }
                }
            } else if (figure_.rooms.size() > 1) {
                const Bounds h = boundsOf(r);
                sizeInside(h, {(h.minX + h.maxX) / 2, h.minY + 0.25 * (h.maxY - h.minY)});
            }
            for (const Ring& hole : room.holes) {
                if (isRectangle(hole)) {
                    const Bounds h = boundsOf(hole);
                    sizeInside(h, {(h.minX + h.maxX) / 2, (h.minY + h.maxY) / 2});
                }
            }
        }
    }

    // A wall that is the whole lower or left side of the plan, which the overall dimensions
    // already measure.
    [[nodiscard]] bool overallSide(Point a, Point b) const {
        const Bounds& o = bounds_;
        const bool lower = a.y == o.minY && b.y == o.minY && std::min(a.x, b.x) == o.minX &&
                           std::max(a.x, b.x) == o.maxX;
        const bool left = a.x == o.minX && b.x == o.minX && std::min(a.y, b.y) == o.minY &&
                          std::max(a.y, b.y) == o.maxY;
        return lower || left;
    }

    // "10 m × 10 m" at a spot of a rectangle, where it fits and meets nothing.
    void sizeInside(const Bounds& h, Point spot) {
        std::string content = metresText(h.maxX - h.minX) + " × " + metresText(h.maxY - h.minY);
        const Point mid = d_.toPage(spot);
        const double size = 0.85 * ts_;
        if (textWidth(content, size) > (h.maxX - h.minX) * d_.scale * 0.9 ||
            1.4 * size > (h.maxY - h.minY) * d_.scale) {
            return;
        }
        const Box box = textBox(mid, content, size, Anchor::Middle);
        if (std::any_of(taken_.begin(), taken_.end(), [&](const Box& t) { return t.meets(box); })) {
            return;
        }
        taken_.push_back(box);
        text(mid, std::move(content), size, Anchor::Middle, 0.0, Ink::Dimension);
    }

    static double signedArea(const Ring& r) {
        double sum = 0.0;
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Point a = r[i];
            const Point b = r[(i + 1) % r.size()];
            sum += a.x * b.y - b.x * a.y;
        }
        return sum / 2.0;
    }

    void edgeLength(Point a, Point b, double turn) {
        const double metres = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
        std::string content = metresText(metres);
        const double size = 0.85 * ts_;
        if (textWidth(content, size) > 0.7 * metres * d_.scale) {
            return;
        }
        // Inward normal in the plan, then on the page (y flips).
        const Point n{-turn * (b.y - a.y) / metres, turn * (b.x - a.x) / metres};
        const Point mid = d_.toPage({(a.x + b.x) / 2, (a.y + b.y) / 2});
        const Point at{mid.x + n.x * 0.9 * size, mid.y - n.y * 0.9 * size};
        double angle = std::atan2(b.y - a.y, b.x - a.x) * 180.0 / kPi;
        if (angle > 90.0) {
            angle -= 180.0;
        } else if (angle <= -90.0) {
            angle += 180.0;
        }
        // The box of a turned text: its width along the wall, kept simple as a square.
        const double w = textWidth(content, size);
        const bool level = std::abs(angle) < 1.0;
        const bool upright = std::abs(std::abs(angle) - 90.0) < 1.0;
        const Box box =
            level     ? textBox(at, content, size, Anchor::Middle)
            : upright ? Box{at.x - 0.65 * size, at.y - w / 2, at.x + 0.65 * size, at.y + w / 2}
                      : Box{at.x - w / 2, at.y - w / 2, at.x + w / 2, at.y + w / 2};
        if (std::any_of(taken_.begin(), taken_.end(), [&](const Box& t) { return t.meets(box); })) {
            return;
        }
        taken_.push_back(box);
        text(at, std::move(content), size, Anchor::Middle, angle, Ink::Dimension);
    }

    // The first of the places around a mark where the text meets nothing already placed and
    // stays on the page; the first place when none is free.
    void placeText(Point mark, double clearance, std::string content, double size, Ink ink) {
        const std::array<std::pair<Point, Anchor>, 8> places{{
            {{mark.x + clearance, mark.y}, Anchor::Start},
            {{mark.x - clearance, mark.y}, Anchor::End},
            {{mark.x, mark.y - clearance - 0.7 * size}, Anchor::Middle},
            {{mark.x, mark.y + clearance + 0.7 * size}, Anchor::Middle},
            {{mark.x + clearance * 0.7, mark.y - clearance - 0.5 * size}, Anchor::Start},
            {{mark.x + clearance * 0.7, mark.y + clearance + 0.5 * size}, Anchor::Start},
            {{mark.x - clearance * 0.7, mark.y - clearance - 0.5 * size}, Anchor::End},
            {{mark.x - clearance * 0.7, mark.y + clearance + 0.5 * size}, Anchor::End},
        }};
        for (const auto& [at, anchor] : places) {
            const Box box = textBox(at, content, size, anchor);
            if (box.within(d_.width, d_.height) &&
                std::none_of(taken_.begin(), taken_.end(),
                             [&](const Box& t) { return t.meets(box); })) {
                grounded(box, at, std::move(content), size, anchor, ink);
                return;
            }
        }
        const auto& [at, anchor] = places[0];
        // The box first: the text is moved into the call.
        const Box box = textBox(at, content, size, anchor);
        grounded(box, at, std::move(content), size, anchor, ink);
    }

    void grounded(const Box& box, Point at, std::string content, double size, Anchor anchor,
                  Ink ink) {
        taken_.push_back(box);
        const double pad = 0.15 * size;
        d_.items.emplace_back(Area{{{{box.left - pad, box.top + pad},
                                     {box.right + pad, box.top + pad},
                                     {box.right + pad, box.bottom - pad},
                                     {box.left - pad, box.bottom - pad}}},
                                   Ink::TextBack});
        text(at, std::move(content), size, anchor, 0.0, ink);
    }

    void points() {
        const double r = 0.85 * ts_;
        for (std::size_t i = 0; i < figure_.points.size(); ++i) {
            const Point at = d_.toPage(figure_.points[i]);
            d_.items.emplace_back(Circle{at, r, Ink::Point});
            text(at, std::to_string(i + 1), 0.9 * ts_, Anchor::Middle, 0.0, Ink::Point);
        }
        for (std::size_t i = 0; i < figure_.points.size() && i < figure_.labels.size(); ++i) {
            if (!figure_.labels[i].empty()) {
                placeText(d_.toPage(figure_.points[i]), r + 0.3 * ts_, figure_.labels[i], 0.9 * ts_,
                          Ink::Label);
            }
        }
    }

    void worst() {
        if (worst_ == nullptr) {
            return;
        }
        const Check& c = *worst_;
        const Ink ink = ok_ ? Ink::Worst : Ink::WorstFail;
        const Point at = d_.toPage(c.worstAt);
        const double s = 0.55 * ts_;
        d_.items.emplace_back(Line{{at.x - s, at.y - s}, {at.x + s, at.y + s}, ink});
        d_.items.emplace_back(Line{{at.x - s, at.y + s}, {at.x + s, at.y - s}, ink});
        std::string content = "最不利点 " + metresText(c.worstDistance);
        if (figure_.radius > 0.0) {
            content += (c.worstDistance <= figure_.radius + 0.005 ? " ≤ " : " > ") +
                       metresText(figure_.radius);
        }
        placeText(at, s + 0.4 * ts_, std::move(content), 0.9 * ts_, ink);
    }

    // What the legend says: a mark (none, a swatch of an ink, a point's circle) and a text.
    struct Entry {
        int mark;  // 0 none, 1 swatch, 2 circle
        Ink ink;
        std::string text;
    };
    [[nodiscard]] std::vector<Entry> legendEntries() const {
        std::vector<Entry> out;
        if (figure_.radius > 0.0) {
            out.push_back({0, Ink::Legend, "最大保护距离 R = " + metresText(figure_.radius)});
            if (!figure_.points.empty()) {
                out.push_back({1, Ink::Reach, "保护范围（步行距离 ≤ R）"});
            }
        }
        if (!ok_) {
            out.push_back({1, Ink::Uncovered, "盲区"});
        }
        if (!figure_.points.empty()) {
            out.push_back({2, Ink::Point, "设置点"});
        }
        return out;
    }
    [[nodiscard]] double entryWidth(const Entry& e) const {
        return (e.mark == 0 ? 0.0 : 1.4 * ts_) + textWidth(e.text, 0.9 * ts_) + 1.2 * ts_;
    }
    // The lines the legend takes at a width, breaking as legend() does.
    [[nodiscard]] int legendLines(double width) const {
        int lines = 1;
        double x = left_;
        for (const Entry& e : legendEntries()) {
            if (x > left_ && x + entryWidth(e) > width - right_) {
                x = left_;
                ++lines;
            }
            x += entryWidth(e);
        }
        return lines;
    }

    // Under the plan: R, what the shading means, the marks; on more lines where one is too
    // narrow.
    void legend() {
        double x = left_;
        double y = d_.height - 1.3 * ts_ - 1.5 * ts_ * more_;
        const double size = 0.9 * ts_;
        for (const Entry& e : legendEntries()) {
            if (x > left_ && x + entryWidth(e) > d_.width - right_) {
                x = left_;
                y += 1.5 * ts_;
            }
            if (e.mark == 1) {
                const double h = 0.5 * ts_;
                d_.items.emplace_back(Area{
                    {{{x, y - h}, {x + 2 * h, y - h}, {x + 2 * h, y + h}, {x, y + h}}}, e.ink});
                x += 2 * h + 0.4 * ts_;
            } else if (e.mark == 2) {
                const double r = 0.45 * ts_;
                d_.items.emplace_back(Circle{{x + r, y}, r, e.ink});
                x += 2 * r + 0.4 * ts_;
            }
            text({x, y}, e.text, size, Anchor::Start, 0.0, Ink::Legend);
            x += textWidth(e.text, size) + 1.2 * ts_;
        }
    }

    const Figure& figure_;
    double ts_;
    const Check* worst_ = nullptr;  // of the room with the farthest spot
    bool ok_ = true;
    Bounds bounds_;
    double left_ = 0.0;
    double top_ = 0.0;
    double right_ = 0.0;
    double bottom_ = 0.0;
    int more_ = 0;  // lines of the legend after its first
    Drawing d_;
    std::vector<Box> taken_;
};

std::string number(double value) {
    return fixed(value, 2);
}

std::string colour(std::uint32_t rgb) {
    static constexpr std::string_view kHex = "0123456789abcdef";
    std::string out = "#";
    for (int shift = 20; shift >= 0; shift -= 4) {
        out += kHex[(rgb >> shift) & 0xFU];
    }
    return out;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string paint(Ink ink, bool filled) {
    const Style s = style(ink);
    std::string out;
    if (filled && s.fillOpacity > 0.0) {
        out += " fill=\"" + colour(s.fill) + "\"";
        if (s.fillOpacity < 1.0) {
            out += " fill-opacity=\"" + number(s.fillOpacity) + "\"";
        }
    } else {
        out += " fill=\"none\"";
    }
    if (s.strokeWidth > 0.0) {
        out +=
            " stroke=\"" + colour(s.stroke) + "\" stroke-width=\"" + number(s.strokeWidth) + "\"";
        if (s.dashed) {
            out += " stroke-dasharray=\"" + number(3 * s.strokeWidth + 1) + " " +
                   number(2 * s.strokeWidth + 1) + "\"";
        }
    }
    return out;
}

}  // namespace

Style style(Ink ink) {
    // stroke, width, fill, fill opacity, dashed, text, bold
    switch (ink) {
        case Ink::Floor:
            return {0x000000, 0.0, 0xfbfbf8, 1.0, false, 0, false};
        case Ink::Reach:
            return {0x3a6fb0, 0.6, 0x5b8fd0, 0.13, true, 0, false};
        case Ink::Uncovered:
            return {0xc62828, 0.8, 0xe53935, 0.55, false, 0, false};
        case Ink::Hole:
            return {0x000000, 0.0, 0xb8b8b8, 1.0, false, 0x333333, false};
        case Ink::Wall:
            return {0x1a1a1a, 1.6, 0, 0.0, false, 0, false};
        case Ink::Dimension:
            return {0x555555, 0.5, 0, 0.0, false, 0x333333, false};
        case Ink::Point:
            return {0x1f4e8c, 1.0, 0xffffff, 1.0, false, 0x1f4e8c, true};
        case Ink::Label:
            return {0, 0.0, 0, 0.0, false, 0x1f4e8c, false};
        case Ink::TextBack:
            return {0, 0.0, 0xffffff, 0.8, false, 0, false};
        case Ink::Worst:
            return {0x2e7d32, 1.4, 0, 0.0, false, 0x2e7d32, true};
        case Ink::WorstFail:
            return {0xc62828, 1.4, 0, 0.0, false, 0xb71c1c, true};
        case Ink::Legend:
            return {0, 0.0, 0, 0.0, false, 0x333333, false};
    }
    return {};
}

double textWidth(std::string_view text, double size) {
    double width = 0.0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // A character's first byte: ASCII, or the lead of two bytes (Latin letters with marks,
        // ×, ², …) a little over half an em; three bytes and more (Chinese, full-width signs)
        // a full em. Continuation bytes add nothing.
        const bool narrow = byte < 0x80 || (byte >= 0xC0 && byte < 0xE0);
        if (narrow) {
            width += 0.6 * size;
        } else if (byte >= 0xE0) {
            width += 1.0 * size;
        }
    }
    return width;
}

std::string metresText(double metres) {
    const long long hundredths = std::llround(metres * 100.0);
    if (hundredths % 100 == 0) {
        return fixed(metres, 0) + " m";
    }
    std::string text = fixed(metres, 2);
    if (hundredths % 10 == 0) {
        text.pop_back();
    }
    return text + " m";
}

Drawing layout(const Figure& figure, const Frame& frame) {
    return Layout(figure, frame).run();
}

std::string svg(const Drawing& drawing) {
    std::string out = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                      "\n";
    out += R"(<svg xmlns="http://www.w3.org/2000/svg" width=")" + number(drawing.width) +
           R"(" height=")" + number(drawing.height) + R"(" viewBox="0 0 )" + number(drawing.width) +
           " " + number(drawing.height) +
           R"(" font-family="Noto Sans CJK SC, Source Han Sans SC, Microsoft YaHei, sans-serif">)"
           "\n";
    for (const Item& item : drawing.items) {
        if (const auto* line = std::get_if<Line>(&item)) {
            out += "<line x1=\"" + number(line->a.x) + "\" y1=\"" + number(line->a.y) + "\" x2=\"" +
                   number(line->b.x) + "\" y2=\"" + number(line->b.y) + "\"" +
                   paint(line->ink, false) + "/>\n";
        } else if (const auto* shape = std::get_if<Area>(&item)) {
            std::string path;
            for (const Ring& ring : shape->rings) {
                for (std::size_t i = 0; i < ring.size(); ++i) {
                    path += (i == 0 ? (path.empty() ? "M" : " M") : " L") + number(ring[i].x) +
                            " " + number(ring[i].y);
                }
                path += " Z";
            }
            out += R"(<path d=")" + path + R"(" fill-rule="evenodd")" + paint(shape->ink, true) +
                   "/>\n";
        } else if (const auto* circle = std::get_if<Circle>(&item)) {
            out += "<circle cx=\"" + number(circle->centre.x) + "\" cy=\"" +
                   number(circle->centre.y) + "\" r=\"" + number(circle->radius) + "\"" +
                   paint(circle->ink, true) + "/>\n";
        } else if (const auto* text = std::get_if<Text>(&item)) {
            const Style s = style(text->ink);
            const std::string_view anchor = text->anchor == Anchor::Start    ? "start"
                                            : text->anchor == Anchor::Middle ? "middle"
                                                                             : "end";
            out += "<text x=\"" + number(text->at.x) + "\" y=\"" + number(text->at.y) +
                   "\" font-size=\"" + number(text->size) + "\" text-anchor=\"" +
                   std::string(anchor) + R"(" dominant-baseline="central" fill=")" +
                   colour(s.text) + "\"";
            if (s.bold) {
                out += " font-weight=\"bold\"";
            }
            if (text->angle != 0.0) {
                // SVG turns clockwise on the page.
                out += " transform=\"rotate(" + number(-text->angle) + " " + number(text->at.x) +
                       " " + number(text->at.y) + ")\"";
            }
            out += ">" + escaped(text->text) + "</text>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

}  // namespace extcalc::plan::draw
