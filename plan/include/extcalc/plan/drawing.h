// SPDX-License-Identifier: MIT
#pragma once

// The drawing of a room's plan, laid out once as a short list of lines, areas, circles and
// texts on a page, which every renderer walks the same way: SVG here (the HTML report, the
// browser page, image export), QPainter in the PDF report and the workbook's plan pane.
// Colours and line widths belong to the kind of an item (its ink), so they are chosen here too.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "extcalc/plan/plan.h"

namespace extcalc::plan::draw {

enum class Ink {
    Floor,      // the room
    Reach,      // what one setting point reaches by walking within R
    Uncovered,  // 盲区
    Hole,       // shafts, cores, columns
    Wall,
    Dimension,  // dimension lines and their texts
    Point,      // a setting point's circle and number
    Label,      // a setting point's model and count
    TextBack,   // the pale ground under a label, so that walls and shading do not cross it
    Worst,      // the least favourable spot, within R
    WorstFail,  // the least favourable spot, beyond R
    Legend,
};

struct Style {
    std::uint32_t stroke = 0;  // 0xRRGGBB
    double strokeWidth = 0.0;  // page units; 0: not stroked
    std::uint32_t fill = 0;
    double fillOpacity = 0.0;  // 0: not filled
    bool dashed = false;
    std::uint32_t text = 0;  // texts
    bool bold = false;
};
Style style(Ink ink);

// Page coordinates: units of the page (points for print, pixels on screen), y downwards.
struct Line {
    Point a;
    Point b;
    Ink ink;
};
// Rings filled together by the even-odd rule: an outline with its holes.
struct Area {
    std::vector<Ring> rings;
    Ink ink;
};
struct Circle {
    Point centre;
    double radius;
    Ink ink;
};
enum class Anchor { Start, Middle, End };
// at is the middle of the text's height at its anchor; angle turns it counter-clockwise about
// at, in degrees, as a page shows it.
struct Text {
    Point at;
    std::string text;
    double size;
    Anchor anchor;
    double angle;
    Ink ink;
};
using Item = std::variant<Line, Area, Circle, Text>;

struct Drawing {
    double width = 0.0;
    double height = 0.0;
    double scale = 1.0;  // page units per metre
    Point origin;        // where the plan's (0, 0) lies on the page
    std::vector<Item> items;

    [[nodiscard]] Point toPage(Point metres) const {
        return {origin.x + metres.x * scale, origin.y - metres.y * scale};
    }
    [[nodiscard]] Point toPlan(Point page) const {
        return {(page.x - origin.x) / scale, (origin.y - page.y) / scale};
    }
};

// What is drawn: one or more rooms in one frame, the setting points with what stands at each
// ("MF/ABC4 × 2"), the distance R and the check of every room against it.
struct Figure {
    std::vector<Outline> rooms;
    std::vector<Point> points;
    std::vector<int> roomOf;          // per point, its room; empty: the room that holds it
    std::vector<std::string> labels;  // one per point, or none
    double radius = 0.0;              // 0: no reach drawn
    std::vector<Check> checks;        // one per room, or none
    // Per point, its reach as reach() gives it, where known already (a pane dragging one point
    // keeps the others'); empty, or empty for a point: computed when laid out.
    std::vector<std::optional<std::vector<Outline>>> reaches;
};

struct Frame {
    double width = 480.0;
    double maxHeight = 400.0;
    double textSize = 9.0;
};

// The figure laid out to the frame's width, as tall as the plan's shape needs (at most
// maxHeight). No room may have a problem (outlineProblem).
Drawing layout(const Figure& figure, const Frame& frame);

// How wide a text is estimated to be: Chinese a full em, other characters a little over half.
// Layout keeps texts apart by this estimate with room to spare.
double textWidth(std::string_view text, double size);

// A length in metres as the drawing writes it: "68 m", "12.5 m", "22.66 m".
std::string metresText(double metres);

// A complete SVG document, UTF-8, the same bytes on every platform.
std::string svg(const Drawing& drawing);

}  // namespace extcalc::plan::draw
