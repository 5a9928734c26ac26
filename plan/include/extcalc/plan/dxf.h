// SPDX-License-Identifier: MIT
#pragma once

// Rooms read from a CAD drawing and setting points written back, as ASCII DXF. What a floor
// plan's exchange needs, read as CAD draws it: closed LWPOLYLINE and POLYLINE outlines (their
// arcs included), CIRCLE and whole ELLIPSE outlines on one layer, also inside block inserts
// (nested, scaled, rotated, mirrored, MINSERT arrays) and in a mirrored object coordinate
// system; the TEXT, MTEXT and ATTRIB naming them; the drawing's unit. Points go back as a
// block inserted on their own layer.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/plan/plan.h"

namespace extcalc::plan::dxf {

// Bytes of a drawing before AutoCAD 2007 in its code page (GBK on Chinese systems) as UTF-8.
using LegacyDecoder = std::function<std::string(std::string_view)>;

// An arc becomes straight segments on the side away from the floor: tangents outside an arc
// that bounds the floor from outside, chords where the floor lies outside the arc's circle (an
// inward wall, a round column). The floor read is never smaller than the drawn one, and no
// spot of its outline is farther than this from the drawn arc.
inline constexpr double kArcToleranceM = 0.01;

// Beyond these a drawing is not a floor plan; it is refused with a message rather than read for
// long or into much memory.
// Closed outlines on the room layer, every insert's copy counted (a whole building's floors side
// by side stay well below it).
inline constexpr std::size_t kMaxOutlines = 10'000;
// Vertices of one outline, arcs' segments included.
inline constexpr std::size_t kMaxVertices = 100'000;
// Vertices of all outlines on the room layer together.
inline constexpr std::size_t kMaxTotalVertices = 1'000'000;
// Inserts inside inserts (CAD itself nests a handful deep).
inline constexpr int kMaxBlockDepth = 32;
// Entities visited while expanding the inserts that hold rooms.
inline constexpr std::size_t kMaxExpanded = 2'000'000;

struct ImportOptions {
    std::string layer;  // the layer holding the rooms' outlines (compared ignoring ASCII case)
    // Metres per drawing unit as the user gives it (0.001 for mm); unset: the drawing's $INSUNITS.
    std::optional<double> metresPerUnit;
    // Texts of a drawing before AutoCAD 2007 are in its code page (GBK on Chinese systems);
    // this turns such bytes into UTF-8. Unset: only UTF-8 and \U+XXXX are understood.
    LegacyDecoder decodeLegacy;
};

struct Room {
    std::string name;  // the TEXT, MTEXT or ATTRIB inside it, UTF-8; empty when there is none
    Outline outline;   // metres, in the drawing's world frame
    // Of the outer outline; inside inserts the inserts' handles first, "2A/3F" (an element of a
    // MINSERT array with its row and column, "2A[1,2]/3F"); "" where the drawing has no handles.
    std::string handle;
    long line = 0;  // where its entity starts in the file
    int arcs = 0;   // arcs of the outer outline and its holes replaced by segments (a circle: 1)
};

struct Import {
    std::vector<Room> rooms;
    double metresPerUnit = 1.0;
    // Chinese. Whatever on the room layer was not read as a room (open outlines, lines, inserts
    // of missing blocks…), names left unused, outlines crossing each other: counted and named
    // by handle.
    std::vector<std::string> warnings;
    std::string error;  // Chinese, naming what and where; empty when read
};

// Outlines nested in another outline are its holes; outlines inside a hole are rooms again.
// Refuses binary DXF, a truncated file, a layer that the drawing does not have or that holds
// no closed outline, a self-intersecting outline, coordinates beyond any building, outlines in
// a plane other than the drawing's (a 3D extrusion), a block that inserts itself, and drawings
// beyond the limits above. A hole may touch the outer outline or another hole at a point.
Import importRooms(std::string_view text, const ImportOptions& options);

// One layer of a drawing, for choosing the room layer.
struct LayerSummary {
    std::string name;        // UTF-8, as the drawing spells it
    int closedOutlines = 0;  // what an import of the layer would take as outlines (inserts' too)
};

struct DrawingSummary {
    // Every layer that holds an entity of the model space (through inserts too: an entity on
    // layer 0 inside a block counts on the insert's layer): the LAYER table's order, then any
    // the table lacks in the order they first appear.
    std::vector<LayerSummary> layers;
    std::optional<double> metresPerUnit;  // from $INSUNITS when the drawing states a known unit
    // Index into layers of the layer most likely to hold the rooms: among layers with closed
    // outlines, one whose name says room or area (房间, 空间, 面积, 区域, ROOM, SPACE, AREA) and,
    // of several, the one with most outlines; else the one with most outlines that is not named
    // as walls, columns, doors, windows, furniture, axes, dimensions, hatching or text; else the
    // one with most outlines. 0 when no layer holds a closed outline (or there are no layers).
    std::size_t likelyRoomLayer = 0;
    std::string error;  // Chinese; why the drawing cannot be read (layers is then empty)
};

DrawingSummary summarize(std::string_view text, const LegacyDecoder& decodeLegacy = {});

struct ExportPoint {
    Point at;           // metres
    std::string label;  // the text beside it: number, model and count
};

struct ExportOptions {
    double metresPerUnit = 0.001;  // the drawing's unit, so the points lie over the original
    std::string layer = "灭火器";
};

// An AutoCAD R12 (AC1009) ASCII DXF: a block EXTINGUISHER (a circle with a cross) inserted at
// every point and a TEXT with its label, all on options.layer. Texts other than ASCII are
// written as \U+XXXX, which every DXF reader of R12 decodes.
std::string exportPoints(std::span<const ExportPoint> points, const ExportOptions& options);

}  // namespace extcalc::plan::dxf
