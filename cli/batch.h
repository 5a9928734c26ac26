// SPDX-License-Identifier: MIT
#pragma once

// Batch calculation of a whole building: a table with one row per floor area or fire
// compartment goes in, the same table with the results of every row comes out, and
// the number of extinguishers to install is totalled per model.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "extcalc/units.h"

namespace extcalc::cli {

inline constexpr int kBatchOk = 0;
inline constexpr int kBatchRowsFailed = 1;
inline constexpr int kBatchUnreadable = 2;

struct BatchOptions {
    building::Standard standard = building::Standard::Gbj140_90;
    bool byteOrderMark = true;
    // How messages name the input: a quoted path, or 标准输入.
    std::string inputName = "标准输入";
};

// Reads the table from `in` and writes the result table to `out` row by row, so memory
// does not grow with the table. `err` gets one line: the summary, or why the table
// cannot be read. Returns the exit status: 0 every row computed, 1 some rows failed
// (each says why in its error column), 2 the table cannot be read.
int runBatch(std::istream& in, std::ostream& out, std::ostream& err, const BatchOptions& options);

// The same between files, "-" standing for standard input or output. A result file is
// written under a temporary name and put in place only once the table was read to its
// end, so a table that cannot be read never leaves half a result, nor destroys the
// result of an earlier run.
int runBatchFiles(const std::string& inputPath, const std::string& outputPath, BatchOptions options,
                  std::ostream& err);

}  // namespace extcalc::cli
