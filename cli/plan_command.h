// SPDX-License-Identifier: MIT
#pragma once

// A table of GB 50140-2005 units with their plans (平面, 设置点): every unit computed, its
// setting points checked against the maximum protection distance or, with place, proposed.

#include <iosfwd>
#include <string>

namespace extcalc::cli {

// Writes a JSON array, one object per unit: the unit's keys plus points_at, worst_distance_m,
// worst_at and distance_ok. A unit without fixed points gets points proposed along its walls,
// and their count becomes N where the table leaves 设置点数 empty (--place and --plan-check
// differ only for projects, where --place writes the points). 0 every unit computed and
// covered, 1 some unit has an error or a spot beyond R, 2 the table cannot be read.
int runPlanTable(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace extcalc::cli

namespace extcalc::cli {

// Every unit of the project with a plan: its worst walked distance against R, readable or as
// the JSON array of the units (the units' keys with the plan's). 0 every plan covered, 1 a unit
// with an error or a spot beyond R, 2 the file cannot be read.
int runProjectPlanCheck(const std::string& path, bool json, std::ostream& out, std::ostream& err);

// Proposes points for every unit whose plan needs them and writes the project, safely, to
// outPath (the project itself when empty). 0 written and every plan covered, 1 written with a
// unit not covered or in error, 2 the file cannot be read or written.
int runProjectPlace(const std::string& path, const std::string& outPath, std::ostream& err);

// The rooms of layer in the drawing as units of base (empty: a new project), written to
// outPath. units: "mm", "m" or empty for the drawing's own. 0 written, 2 refused.
int runDxfImport(const std::string& dxfPath, const std::string& layer, const std::string& units,
                 const std::string& basePath, const std::string& outPath, std::ostream& err);

// The project's points as a DXF drawing in units ("mm" by default, or "m"). 0 written, 1 written
// with units left out, 2 the project cannot be read or the drawing not written.
int runDxfExport(const std::string& path, const std::string& dxfPath, const std::string& units,
                 std::ostream& err);

}  // namespace extcalc::cli
