// SPDX-License-Identifier: MIT
#pragma once

// Calculation units of either standard as rows of typed answers: the columns a unit has,
// what a drop-down offers in each, and what one unit computes to. Tables, project files,
// the workbook and the report all see units this way, so each rule is written once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "extcalc/answers.h"
#include "extcalc/faults.h"
#include "extcalc/gb50140.h"
#include "extcalc/unit_plan.h"

namespace extcalc::building {

enum class Standard { Gbj140_90, Gb50140_2005 };

// "GBJ140-90" and "GB 50140-2005": how files and the command line name the standard.
std::string_view standardCode(Standard standard);
// The full title, 《建筑灭火器配置设计规范》GB 50140-2005.
std::string_view standardTitle(Standard standard);
// From "2005", "1990", or a code as standardCode gives it (any case, blanks ignored).
std::optional<Standard> parseStandard(std::string_view text);

enum class ColumnKind { Name, Choice, Text };

// One input of a unit, in the order of a table's columns; the name comes first.
struct InputColumn {
    std::string_view key;      // project files and English table headers
    std::string_view chinese;  // Chinese table headers and the workbook
    Field field;               // Field::None for the name
    ColumnKind kind;
    bool optional;  // may stay empty (the name; the basis of a class that is not E)
};
std::span<const InputColumn> inputColumns(Standard standard);

// One result of a unit.
struct ResultColumn {
    std::string_view key;
    std::string_view chinese;
    bool totalled = false;  // the count the totals add up per model
};
std::span<const ResultColumn> resultColumns(Standard standard);

// A unit as typed: one text per input column, the name first. A 2005 unit may hold one more
// cell after them, the placement's mark below, which no grid or table shows.
using UnitCells = std::vector<std::string>;

// Points the program placed stay its own after a save: the unit keeps, after its input
// columns, the 设置点 text as the placement wrote it (a project file's "points_placed"). While
// 设置点 holds that very text the points read as proposed; an edit of the cell, typed or
// dragged in a pane, makes them the designer's, and undoing the edit makes them the program's
// again. Tables, grids and the clipboard carry no mark: pasted or typed points are the
// designer's.
inline constexpr std::string_view kPointsPlacedKey = "points_placed";
// Whether the unit's 设置点 are the ones a placement wrote, unchanged since.
bool pointsPlaced(Standard standard, const UnitCells& cells);
// Marks the unit's 设置点, as they are now, as placed by the program.
void markPointsPlaced(Standard standard, UnitCells& cells);

// The items a drop-down offers for a column, given the rest of the row (a classic
// hazard list depends on the class). Empty for a typed column; the 2005 extinguisher
// column offers the listed codes but also takes a model of one's own, typed.
std::vector<std::string> choices(Standard standard, std::size_t column, const UnitCells& row);

// How a drop-down shows one of its items: the item with what a designer needs to pick it
// (a K value, a model's agent, charge and ratings). The cell stores the item itself.
// Anything that is not an item of the column's lists comes back as it is.
std::string choiceLabel(Standard standard, std::size_t column, std::string_view item);

// The answers a new unit starts with, taken from the unit above it where there is one,
// so that a new row computes at once instead of asking for every answer.
UnitCells newUnit(Standard standard, const UnitCells* above);

// Whether a column's cell may name several of its items at once: the 2005 class column,
// where a place of several fire classes is written "A+B" (4.1.2).
bool takesSeveral(Standard standard, std::size_t column);
// The items such a cell names, in list order ("B+a" → A, B); empty when it names none.
std::vector<std::string> pickedItems(Standard standard, std::size_t column, std::string_view text);
// The cell's text for the items picked, in list order: {"B", "A"} → "A+B".
std::string pickedText(Standard standard, std::size_t column,
                       const std::vector<std::string>& items);

// Whether a choice column's text names an item of one of its lists (the number of an
// item where the class settles which list, or its exact text). Empty texts and typed
// columns always fit. A project file or a pasted row holding anything else is refused.
bool fitsItsList(Standard standard, std::size_t column, std::string_view text);
// Why such a text cannot be a cell of the column, "危险等级“300”不在GB 50140-2005的列表中";
// empty when it fits. A grid refuses the edit with it rather than keep a project that its
// own file would then refuse to open.
std::string listRefusal(Standard standard, std::size_t column, std::string_view text);

// The same answer as the item's own text ("2" → "中危险级", "yes" → "是"), so a project
// reads the same whoever typed it; a text that names no item is kept as it is.
std::string canonical(Standard standard, std::size_t column, std::string_view text,
                      const UnitCells& row);

// Extinguishers per model over many units, exact, and a unit can be taken out again.
struct ModelKey {
    int order = 0;      // listed models in list order, others after them
    std::string label;  // the model as the totals name it
    // Spelled out: the libc++ of the WebAssembly build has no <=> for std::string.
    bool operator==(const ModelKey&) const = default;
    friend bool operator<(const ModelKey& a, const ModelKey& b) {
        return a.order != b.order ? a.order < b.order : a.label < b.label;
    }
};

// What one unit computes to.
struct UnitOutcome {
    std::vector<std::string> results;        // one text per result column, empty where not reached
    std::vector<Fault> faults;               // answers that cannot be used
    std::vector<gb50140::Problem> problems;  // the 2005 calculation's own errors and warnings
    std::optional<ModelKey> model;           // with count: what the unit adds to the totals
    double count = 0.0;
    // 'A' or 'B', whose ratings a 2005 unit's figures count in; 0 where none were computed.
    // Kept apart from the working below, which a workbook drops.
    char ratingLetter = 0;
    // A place of several classes: the letter of each class's figures, in the order the
    // per-class results list them ("AB" for 2.67/200); empty for one class.
    std::string ratingLetters;
    // Everything the calculation says, for a report that shows its working.
    std::optional<ClassicResult> classic;
    std::optional<Request> classicRequest;
    std::optional<gb50140::Unit> unit;
    std::optional<gb50140::Result> current;
    // A 2005 unit with a plan (平面): its rooms, the points fixed or proposed, and the check
    // of the maximum protection distance. Its error fails the unit; its warnings are warnings.
    std::optional<PlanOutcome> plan;
    // What the plan filled in where the designer left 建筑面积 or 设置点数 empty, as the
    // calculation took it ("2040.00", "3"); empty where the cell was typed or no plan gave it.
    std::string areaFromPlan;
    std::string pointsFromPlan;

    [[nodiscard]] bool failed() const;
    [[nodiscard]] bool hasWarnings() const;
    // Every fault and problem as one text, errors first, for a cell or a tooltip.
    [[nodiscard]] std::string problemText() const;
};

// One unit on its own; cells as inputColumns orders them (missing trailing cells are empty).
UnitOutcome evaluate(Standard standard, const UnitCells& cells);

// How a grid shows one result of a unit: a rating with its letter (159B, 9A), U in
// m² per A or B, a distance in metres; a place of several classes has one figure per class
// in those columns ("2.67/200" shows 2.67A/200B). Tables, files and the clipboard keep the bare
// figures of UnitOutcome::results; this is for people reading a grid.
std::string shownResult(Standard standard, const UnitOutcome& outcome, std::size_t column);

// A computed unit readably, one fact a line, for a person: the 2005 unit as unitText
// shows it, a classic one as the window's three results and the count to install.
std::string outcomeText(Standard standard, const UnitOutcome& outcome, std::string_view name);

// A computed unit as one JSON object: the 2005 unit as unitJson gives it; a classic one
// with Q1, Q and N as the window's texts, install a number (null when none) and the
// problems. A unit whose answers cannot be used has name and error only.
nlohmann::json outcomeJson(Standard standard, const UnitOutcome& outcome, std::string_view name);

}  // namespace extcalc::building
