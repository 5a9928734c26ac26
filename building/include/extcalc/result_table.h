// SPDX-License-Identifier: MIT
#pragma once

// The result table as a spreadsheet gets it back, for units of either standard: the
// input's own cells as they were, the result columns, and one total row per model. Written as the
// rows come, so the memory does not grow with the table.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "extcalc/classic_table.h"
#include "extcalc/csv.h"
#include "extcalc/unit_table.h"
#include "extcalc/units.h"

namespace extcalc::building {

inline constexpr std::string_view kTotalName = "合计";
inline constexpr std::string_view kTotalOutOfRange = "合计超出数值范围";

// "第5行", as messages about a table name its lines.
std::string lineText(long line);

// Why a table cannot be read any further, with what to do about it; whether it was
// also tried as GB18030 (a stream read only once cannot be).
std::string describe(const csv::Failure& failure, bool triedGb18030);

class ResultWriter {
  public:
    ResultWriter(std::ostream& out, bool byteOrderMark) : writer_(out), mark_(byteOrderMark) {}

    void header(const csv::Record& header, const UnitLayout& layout);
    // A failed row's last column starts with its line; warnings alone are shown as they are.
    void row(const csv::Record& record, const UnitOutcome& outcome);
    // The totals of the computed rows, saying how many failed rows they leave out.
    // False when a total lay beyond the range of a 64-bit float and is left empty.
    bool totals(const ModelTotals& totals, std::size_t failedRows);

  private:
    csv::Writer writer_;
    bool mark_;
    UnitLayout layout_;
};

}  // namespace extcalc::building
