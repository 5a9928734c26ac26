// SPDX-License-Identifier: MIT
#pragma once

// Why an answer, a unit or a row of a table cannot be computed. Every failure has a
// code, and its wording lives here only: front ends and tests decide by the code and
// leave the words to describe().

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "extcalc/gb50140.h"

namespace extcalc::building {

// The answers that make up one area of the classic calculation, in the order their
// faults are reported.
// The answers only GB 50140-2005 asks for follow None, so that kCount still sizes the
// classic answers; the 2005 unit shares Class, Hazard, K, Extinguisher and Area with it.
// None is the end of the classic answers by design, not a value of its own.
enum class Field {  // NOLINT(readability-enum-initial-value)
    Class,
    Hazard,
    K,
    Underground,
    Extinguisher,
    Area,
    kCount,
    None = kCount,
    EBasis,   // class E: whether the place's A or B rules apply
    Special,  // one of the places that take ×1.3
    Points,   // setting points in the unit
    Horn,     // a CO₂ extinguisher's horn is non-metal (是) or metal (否)
    // Read by no calculation: printed for whoever checks the unit.
    HazardBasis,  // why the hazard level: a clause of an appendix, or the designer's reason
    // The plan, read by the check of the maximum protection distance, not by the counts.
    Outline,   // 平面: the rooms' outlines
    PointsAt,  // 设置点: the setting points fixed on the plan
};

enum class FaultCode {
    // An answer
    Missing,           // not given, or an empty cell
    BadFireClass,      // not A to D
    ClassD,            // no calculation is offered for it
    NotInList,         // neither a number of its list nor an item's exact text
    BadYesNo,          // not 是, 否, yes or no
    AreaNotNumber,     // the text does not begin with a number
    AreaTextIgnored,   // more than a unit after the number: "1,200" is read as 1
    AreaNegative,      // read as the window reads it, a negative area gives a negative count
    Unreadable,        // GB 50140-2005: a parser of the core refused it; parseError says why
    BadBasis,          // --e-basis neither A nor B
    BasisNotForClass,  // a basis given for a class other than E
    // The calculation
    IncompleteInput,  // a divisor was never chosen (the window's warning)
    AreaOutOfRange,   // beyond a 64-bit float, or a result that is not finite
    NegativeCount,    // a negative N: no number of extinguishers meets it
    NoResult,         // nothing computed and nothing said why (never expected)
    // A row of a table
    RowTooLong,
    UnclosedQuote,
    TextAfterClosingQuote,
    TooManyCells,
};

struct Fault {
    explicit Fault(FaultCode faultCode, Field about = Field::None, std::string given = {})
        : code(faultCode), field(about), answer(std::move(given)) {}

    FaultCode code;
    Field field = Field::None;
    std::string answer;        // what was given, for the answer faults
    std::string ignored;       // AreaTextIgnored: the part of the answer left unread
    std::string read;          // AreaTextIgnored: the number that was read instead
    std::string listName;      // NotInList: whose list, e.g. "A类火灾"
    std::size_t listSize = 0;  // NotInList: how many items it has
    std::size_t cells = 0;     // TooManyCells: the row's cells and the header's columns
    std::size_t columns = 0;
    gb50140::ParseError parseError = gb50140::ParseError::None;  // Unreadable: why
};

// How the words name an answer: a table names its column ("危险等级“4”…"), the
// command line its option ("选项 --hazard 的取值“4”…").
enum class Naming { Column, Option };

std::string_view columnName(Field field);
std::string_view optionName(Field field);

std::string describe(const Fault& fault, Naming naming);

// Several faults as one text, in the order given, as a table's error cell holds them.
std::string describeAll(const std::vector<Fault>& faults, Naming naming);

}  // namespace extcalc::building
