// SPDX-License-Identifier: MIT
#pragma once

// A table whose rows are calculation units of one standard: which column holds which
// input, found by name (Chinese, or the English key in any case) in any order, and a
// whole table read in as a project.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/csv.h"
#include "extcalc/project.h"
#include "extcalc/units.h"

namespace extcalc::building {

struct UnitLayout {
    Standard standard = Standard::Gb50140_2005;
    static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
    std::vector<std::size_t> index;  // per input column: the table's column, or kAbsent
    std::size_t width = 0;           // the header's columns
    // The result columns are headed in the language of the input's header: English only
    // when every column read was named in English.
    bool chinese = true;
    // The header's columns kept when the table is written back: all but the result
    // columns of an earlier run, which are computed afresh.
    std::vector<std::size_t> kept;

    [[nodiscard]] bool resultTableFedBack() const { return kept.size() != width; }
    [[nodiscard]] std::string_view heading(std::size_t result) const;
};

struct UnitHeaderCheck {
    std::optional<UnitLayout> layout;
    std::string text;  // why the header cannot serve
};

UnitHeaderCheck readUnitHeader(Standard standard, const csv::Record& header);

// Every column name a header of the standard may use, for a message about a bad header.
std::string allColumnNames(Standard standard);

// A row's cells in input-column order.
UnitCells cellsOf(const UnitLayout& layout, const csv::Record& record);

// One row of the table: its cells as the header places them, refused without computing
// when a broken quote, an overlong row or a stray cell past the header makes the cells
// other than the answers their columns name.
UnitOutcome evaluateRow(const UnitLayout& layout, const csv::Record& record);

// A total row of an earlier run, in a result table fed back in: 合计 in the name column
// and nothing but a model in the other input columns.
bool isEarlierTotal(const UnitLayout& layout, const csv::Record& record);

// A whole table as a project of the standard, its answers written as the lists' own
// texts. Refused, with the line, when it cannot be read, its header does not serve, or a
// row holds a value outside its list or broken quotes. A table in GB18030 (GBK) is read
// as such. A project keeps only the inputs: the header's other columns (notes, the
// results of an earlier run) are left behind, and when unused is given it receives the
// names of those that are not results, so that the caller can say which were dropped.
ProjectRead readTableAsProject(std::istream& in, Standard standard,
                               std::vector<std::string>* unused = nullptr);

}  // namespace extcalc::building
