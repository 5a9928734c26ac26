// SPDX-License-Identifier: MIT
#pragma once

// A table of GB 50140-2005 units with their plans (平面, 设置点): every unit computed, its
// setting points checked against the maximum protection distance or, with place, proposed.

#include <iosfwd>
#include <string>

namespace extcalc::cli {

// Writes a JSON array, one object per unit: the unit's keys plus points_at, worst_distance_m,
// worst_at and distance_ok. With place, a unit without fixed points gets points placed along
// its walls, and their count becomes N where the table leaves 设置点数 empty. 0 every unit
// computed and covered, 1 some unit has an error or a spot beyond R, 2 the table cannot be
// read.
int runPlanTable(const std::string& path, bool place, std::ostream& out, std::ostream& err);

}  // namespace extcalc::cli
