// SPDX-License-Identifier: MIT
#pragma once

// A DXF drawing as the import needs it: the header's unit, the layers, the blocks and the
// model space's entities, read in one pass over the text (nothing but what is kept is held in
// memory); then the model space walked through its inserts, every entity placed in the world
// frame with the layer it is drawn on.

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/plan/dxf.h"
#include "extcalc/plan/plan.h"

namespace extcalc::plan::dxf::detail {

std::string_view trimmed(std::string_view text);
std::string lineText(long line);
bool validUtf8(std::string_view s);
// Trimmed, at most 60 bytes, whole characters; a text that is not UTF-8 is replaced.
std::string shownName(std::string_view s);
// Layer names compare ignoring ASCII case, as CAD does.
bool sameLayer(std::string_view a, std::string_view b);
// "LWPOLYLINE（句柄 2A/3F，第 120 行）"
std::string whereOf(std::string_view type, std::string_view handle, long line);
// The first few of a list, then how many more: "2F、30、31 等 12 个".
std::string listed(const std::vector<std::string>& items, std::size_t total);

// x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double e = 0.0;
    double f = 0.0;
    Point operator()(Point p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
    // This map after inner.
    Affine after(const Affine& inner) const;
    double det() const { return a * d - b * c; }
    // How much longer a segment can become: the largest singular value.
    double stretch() const;
};

struct Vertex {
    Point at;
    double bulge = 0.0;  // of the segment to the next vertex: tan(sweep / 4), counter-clockwise > 0
};

enum class Kind { Outline, Text, Insert };

struct Entity {
    Kind kind = Kind::Outline;
    std::string_view type;    // as the drawing names it: LWPOLYLINE, CIRCLE, TEXT, INSERT…
    std::string_view handle;  // trimmed
    std::string_view layer;   // as written (decoded when used)
    long line = 0;
    bool tilted = false;  // an extrusion other than ±Z: a plane other than the drawing's
    // The entity's own frame into its container's: the object coordinate system of an extrusion
    // −Z mirrors x; an ELLIPSE's frame takes the unit circle onto it.
    Affine frame;
    std::string fault;  // why the entity cannot be read ("的坐标“x1”（第 14 行）不是数值")

    // Outline: the vertices in the frame, at most kMaxVertices + 1 of them kept.
    std::vector<Vertex> vertices;
    std::size_t vertexCount = 0;
    bool closed = false;
    bool round = false;  // a CIRCLE or ELLIPSE: one curve, counted as one arc

    // Text: where it stands in the frame, and what it says as written.
    Point at;
    std::string text;

    // Insert: the block, how its copies are placed, and the ATTRIBs that follow it.
    std::string_view block;
    Point insert;
    double xScale = 1.0;
    double yScale = 1.0;
    double rotationDeg = 0.0;
    int rows = 1;
    int columns = 1;
    double rowSpacing = 0.0;
    double columnSpacing = 0.0;
    std::vector<Entity> attributes;
};

// Entities of kinds the import does not read (LINE, ARC, HATCH…), counted by layer, the first
// few named.
struct OtherUse {
    std::string_view layer;
    std::size_t count = 0;
    std::vector<std::string> named;  // "LINE 句柄 2F"
};

struct Container {
    std::deque<Entity> entities;  // never moved once read: places point at them
    std::vector<OtherUse> others;
};

struct Block {
    std::string_view name;
    Point base;
    bool external = false;  // an external reference: its entities are in another file
    long line = 0;
    Container content;
};

struct Drawing {
    std::string version;  // $ACADVER
    std::optional<int> insunits;
    std::vector<std::string_view> layerTable;  // as written, in the table's order
    Container model;
    Container paper;  // entities of a layout, which the floor's model does not hold
    std::vector<Block> blocks;
    std::map<std::string, std::size_t> blockIndex;  // by the name in ASCII upper case
    std::string error;
};

Drawing readDrawing(std::string_view text);

// The text of a name or layer as UTF-8: \U+XXXX decoded; bytes of a code page through the
// decoder for drawings before AutoCAD 2007.
class Decoder {
  public:
    Decoder(const Drawing& drawing, const LegacyDecoder& legacy);
    std::string text(std::string_view raw) const;
    const std::string& layer(std::string_view raw) const;  // cached

  private:
    bool legacyAllowed_ = false;
    const LegacyDecoder& legacy_;
    mutable std::map<std::string_view, std::string> layers_;
};

// Per layer, what the model space holds through all its inserts.
struct LayerCount {
    std::string name;  // decoded
    double closedOutlines = 0.0;
    bool used = false;
};

struct Census {
    std::vector<LayerCount> layers;  // the table's order, then the others as found
    std::string error;               // a block that inserts itself, nesting too deep
};

Census census(const Drawing& drawing, const Decoder& decoder);

// An outline where the drawing shows it.
struct PlacedOutline {
    const Entity* entity = nullptr;
    Affine toWorld;      // from the entity's frame, drawing units
    std::string handle;  // inserts' handles first
};

struct PlacedText {
    Point at;  // drawing units, world frame
    const Entity* entity = nullptr;
};

struct Placed {
    std::vector<PlacedOutline> outlines;  // closed, on the layer, in the drawing's order
    std::vector<PlacedText> texts;
    std::vector<std::string> open;  // handles of open polylines on the layer
    std::size_t openCount = 0;
    std::vector<std::string> others;  // "LINE 句柄 2F" on the layer
    std::size_t otherCount = 0;
    std::vector<std::string> unreadTexts;  // texts that cannot name a room, and why
    std::size_t unreadTextCount = 0;
    std::vector<std::string> warnings;
    std::string error;
};

// The model space's closed outlines on layer and the texts that may name them: those of the
// model space, those inside inserts that hold outlines on the layer, and the inserts' visible
// ATTRIBs.
Placed place(const Drawing& drawing, const Decoder& decoder, std::string_view layer);

// The outline as a ring in metres. asFloor: the segments of its arcs lie outside the region it
// encloses (an outer outline, never smaller); otherwise inside it (a hole, never larger). Within
// kArcToleranceM of the arcs either way. error says why it cannot be (coordinates, vertices).
struct PlacedRing {
    Ring ring;
    int arcs = 0;
    double arcLengthM = 0.0;
    std::string error;
};
PlacedRing ringOf(const PlacedOutline& placed, double metresPerUnit, bool asFloor);

}  // namespace extcalc::plan::dxf::detail
