// SPDX-License-Identifier: MIT
#pragma once

// A project's plans as a whole: points proposed for every unit that needs them, rooms of a
// CAD drawing made into units, and the points written out as a drawing.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/plan/dxf.h"
#include "extcalc/project.h"
#include "extcalc/units.h"

namespace extcalc::building {

struct ProjectPlacement {
    Project project;
    std::vector<std::string> placed;    // the units whose 设置点 were written
    std::vector<std::string> replaced;  // of them, those whose failing points were the designer's
};

// Every GB 50140-2005 unit with a plan whose setting points are missing or leave a spot beyond R
// gets the points the program proposes written into 设置点, marked as placed (pointsPlaced);
// points that pass stay as they are. A typed 设置点数 stays: the designer fixed it.
ProjectPlacement placeProjectPoints(const Project& project);

// What placeProjectPoints writes into one unit's 设置点, given the unit's outcome as it stands
// (a workbook keeps it): the points proposed, or none when its points stay (they pass, the unit
// has no usable plan, or nothing could be placed).
std::optional<std::string> placedPoints(const UnitCells& cells, const UnitOutcome& now);

struct RoomsImport {
    std::optional<Project> project;
    std::size_t added = 0;   // new units
    std::size_t joined = 0;  // rooms that joined a unit of the same name
    std::vector<std::string> warnings;
    // What the designer should know without anything being wrong: the units whose 平面 came
    // from arcs, and how (as outlineArcsText says).
    std::vector<std::string> notes;
    std::string error;
};

// The drawing's rooms into base (a GB 50140-2005 project): a room whose name is a unit's joins
// it (the first such room replaces the unit's plan, fixed points outside it are dropped); any
// other becomes a new unit with the answers of like where given (the unit a designer is on,
// so that class, hazard, K and model are set once) or else of the unit above it, its area and
// point count left to the plan. Texts in the code page of a Chinese system (GBK) are read as
// such. A unit whose rooms had arcs keeps that in the project's outlineArcs; rooms without a
// name are named by their handles, all of them in one warning.
RoomsImport importRoomsIntoProject(std::string_view dxfText, plan::dxf::ImportOptions options,
                                   Project base, const UnitCells* like = nullptr);

// The drawing's layers with their closed outlines and the likely room layer, for choosing the
// layer before importRoomsIntoProject; texts in the code page of a Chinese system (GBK) are
// read as such there too.
plan::dxf::DrawingSummary summarizeDrawing(std::string_view dxfText);

// The points of every unit with a plan, numbered unit by unit, each labelled with the unit's
// name, number, model and count per point. Units that fail are left out and named in skipped.
std::string projectPointsDxf(const Project& project, double metresPerUnit,
                             std::vector<std::string>* skipped = nullptr);

}  // namespace extcalc::building
