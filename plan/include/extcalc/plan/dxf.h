// SPDX-License-Identifier: MIT
#pragma once

// Rooms read from a CAD drawing and setting points written back, as ASCII DXF. Only what a
// floor plan exchange needs: closed LWPOLYLINE and POLYLINE outlines on one layer, the TEXT
// and MTEXT naming them, the drawing's unit; points as a block inserted on their own layer.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/plan/plan.h"

namespace extcalc::plan::dxf {

struct ImportOptions {
    std::string layer;  // the layer holding the rooms' outlines (compared ignoring ASCII case)
    // Metres per drawing unit as the user gives it (0.001 for mm); unset: the drawing's $INSUNITS.
    std::optional<double> metresPerUnit;
    // Texts of a drawing before AutoCAD 2007 are in its code page (GBK on Chinese systems);
    // this turns such bytes into UTF-8. Unset: only UTF-8 and \U+XXXX are understood.
    std::function<std::string(std::string_view)> decodeLegacy;
};

struct Room {
    std::string name;    // the TEXT or MTEXT inside it, UTF-8; empty when there is none
    Outline outline;     // metres, in the drawing's frame
    std::string handle;  // of the outer polyline ("" where the drawing has no handles)
    long line = 0;       // where its entity starts in the file
};

struct Import {
    std::vector<Room> rooms;
    double metresPerUnit = 1.0;
    std::vector<std::string> warnings;  // Chinese
    std::string error;                  // Chinese, naming what and where; empty when read
};

// Outlines nested in another outline are its holes; outlines inside a hole are rooms again.
// Refuses binary DXF, a truncated file, a layer that the drawing does not have or that holds
// no closed outline, a self-intersecting outline and coordinates beyond any building.
Import importRooms(std::string_view text, const ImportOptions& options);

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
