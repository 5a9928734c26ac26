// SPDX-License-Identifier: MIT
#pragma once

// The calculation report from the command line: --project FILE --report OUT.pdf|OUT.html.
// A project got some other way (a table read in) is reported through writeReport, the
// same as one read from its file.

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

// --project and --report as given (either may be missing, which is a usage error).
int runReportCommand(const std::optional<std::string>& projectPath,
                     const std::optional<std::string>& reportPath, std::ostream& err);

}  // namespace extcalc::cli
