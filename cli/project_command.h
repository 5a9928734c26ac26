// SPDX-License-Identifier: MIT
#pragma once

// Projects on the command line: a saved project computed and shown unit by unit, and a
// table of units turned into a project file.

#include <iosfwd>
#include <string>
#include <string_view>

#include "extcalc/units.h"

namespace extcalc::cli {

// Whether an output path asks for a project file rather than a result table.
bool namesProjectFile(std::string_view path);

// Computes every unit of the project file: readable, or as a JSON array with one object
// per unit. 0 every unit computed, 1 some unit has an error, 2 the file cannot be read
// or is not a project.
int runProject(const std::string& path, bool json, std::ostream& out, std::ostream& err);

// Reads the table ("-" for standard input) as a project of the standard and writes it to
// outputPath. 0 written, 2 the table is refused or the file cannot be written.
int runTableToProject(const std::string& inputPath, building::Standard standard,
                      const std::string& outputPath, std::ostream& err);

}  // namespace extcalc::cli
