// SPDX-License-Identifier: MIT
#pragma once

// A project being edited: its units, what each computes to and the totals, kept up to
// date one unit at a time. A building has hundreds of units and the designer changes one
// cell after another, so an edit recomputes that unit alone and moves only its share of
// the totals. The window adapts this; every rule it shows lives here or below.

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/classic_table.h"
#include "extcalc/project.h"
#include "extcalc/units.h"

namespace extcalc::building {

class Workbook {
  public:
    explicit Workbook(Project project = {});

    [[nodiscard]] const Project& project() const { return project_; }
    [[nodiscard]] Standard standard() const { return project_.standard; }
    [[nodiscard]] const ProjectInfo& info() const { return project_.info; }
    void setInfo(ProjectInfo info) { project_.info = std::move(info); }
    // Arcs behind 平面 texts a drawing gave (importRoomsIntoProject): kept by the text, so they
    // belong to whatever unit holds it; an entry no unit holds is never written.
    void addOutlineArcs(const std::map<std::string, OutlineArcs>& arcs) {
        project_.outlineArcs.insert(arcs.begin(), arcs.end());
    }
    // The figures of one standard do not convert into the other's, so a project keeps
    // its standard once it has units: false, and nothing changed, when it has any.
    bool setStandard(Standard standard);

    [[nodiscard]] std::size_t size() const { return project_.units.size(); }
    [[nodiscard]] const UnitCells& cells(std::size_t row) const { return project_.units[row]; }
    [[nodiscard]] const UnitOutcome& outcome(std::size_t row) const { return outcomes_[row]; }
    [[nodiscard]] std::size_t columnCount() const;  // inputs, then results

    // The text as the lists name it ("2" becomes 中危险级), as setCell would store it.
    [[nodiscard]] std::string canonicalCell(std::size_t row, std::size_t column,
                                            std::string_view text) const;
    void setCell(std::size_t row, std::size_t column, std::string_view text);
    void insert(std::size_t at, std::vector<UnitCells> units);
    // The units taken out, in order.
    std::vector<UnitCells> remove(std::size_t at, std::size_t count);
    void move(std::size_t from, std::size_t to);

    [[nodiscard]] const ModelTotals& totals() const { return totals_; }
    // All extinguishers of all models; empty beyond the range of a 64-bit float.
    [[nodiscard]] std::optional<std::string> grandTotalText() const;
    // Units with an error, which the totals leave out.
    [[nodiscard]] std::size_t failedCount() const { return failed_; }
    // What the totals say when they leave units out; empty when they do not.
    [[nodiscard]] std::string incompleteNote() const;

  private:
    UnitOutcome compute(const UnitCells& unit) const;
    void count(const UnitOutcome& outcome, bool adding);

    Project project_;
    std::vector<UnitOutcome> outcomes_;
    ModelTotals totals_;
    ModelTotals all_;  // every model under one key: the grand total, exact
    std::size_t failed_ = 0;
};

// Rows as a spreadsheet copies them: cells separated by tabs, one row a line; the input
// columns, then the results when asked.
std::string tabText(const Workbook& workbook, const std::vector<std::size_t>& rows,
                    bool withResults);

// Rows pasted from a spreadsheet: each must have the input columns (or the inputs and the
// results, which are dropped) and fit the lists; otherwise nothing is taken and the
// message names every row that does not fit.
struct PastedRows {
    std::vector<UnitCells> units;
    std::string refusal;  // empty when the rows can be taken
};
PastedRows readTabText(Standard standard, std::string_view text);

// A paste into a cell rather than between rows: a block narrower than a unit's inputs,
// which fills the cells from there on as a spreadsheet does (one column of areas copied
// from a spreadsheet, say). Rows as copied; a blank line is a row of one empty cell, so
// that a column's empty cells keep their places; the line break after the last row ends
// it. Nothing when the text holds rows as wide as a unit's inputs: those are units, for
// readTabText, which also says why they do not fit.
std::optional<std::vector<std::vector<std::string>>> readTabBlock(Standard standard,
                                                                  std::string_view text);

// The results table: input and result columns headed in Chinese, a row per unit, then a
// total row per model and one for all of them. UTF-8 with a byte-order mark, so that
// spreadsheet programs read the Chinese as such.
void writeResultCsv(std::ostream& out, const Workbook& workbook);

}  // namespace extcalc::building
