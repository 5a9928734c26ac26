// SPDX-License-Identifier: MIT
#pragma once

// The calculation report from the command line, of a project file or of a table:
// --project FILE --report OUT.pdf|OUT.html, --csv TABLE --standard S --report OUT.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "extcalc/project.h"

namespace extcalc::cli {

// Writes the report of project to out, PDF or HTML by out's extension (any case); PDF
// only in a build with Qt (EXTCALC_HAVE_PDF), the others say so and write nothing.
// Returns the exit status: 0 written, 1 not written (the file, or PDF without Qt),
// 2 an extension that names neither. Errors go to err, in Chinese.
int writeReport(const building::Project& project, const std::filesystem::path& out,
                std::ostream& err);

enum class ReportSource { Project, Table };

// The report of a project file, or of a table read in as a project of the standard.
// A source that cannot be read exits 2, as the other commands do.
int runReportCommand(ReportSource source, const std::string& sourcePath,
                     building::Standard standard, const std::string& reportPath, std::ostream& err);

// Every unit's plan as an image in folder dir (made if missing): "3-档案室.svg" and, in a
// build with Qt, the same as PNG beside it; each file written is named on out. 0 written,
// 1 a file could not be written or no unit has a usable plan, 2 the project cannot be read.
int runPlanImages(const std::string& projectPath, const std::string& dir, std::ostream& out,
                  std::ostream& err);

}  // namespace extcalc::cli
