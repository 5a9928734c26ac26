// SPDX-License-Identifier: MIT
#pragma once

// The answers for one calculation unit after GB 50140-2005, as given in words, checked
// here once for every front end with every fault reported, and the unit shown: as text
// for a person and as a JSON object for scripts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "extcalc/faults.h"
#include "extcalc/gb50140.h"

namespace extcalc::building {

// The answers of a unit in the order their faults are reported.
inline constexpr std::array<Field, 9> kFields2005{
    Field::Class, Field::EBasis, Field::Hazard,       Field::K,    Field::Special,
    Field::Area,  Field::Points, Field::Extinguisher, Field::Horn,
};

// An empty optional is an answer not given at all; an empty text is given, and empty.
struct Answers2005 {
    std::array<std::optional<std::string_view>, kFields2005.size()> given;
    std::optional<std::string_view>& operator[](Field field);
    [[nodiscard]] const std::optional<std::string_view>& operator[](Field field) const;
};

struct Check2005 {
    std::optional<gb50140::Unit> unit;  // when every answer can be used
    // The class answer: one class, or several ("A+B"), unit->fireClass being the first.
    gb50140::ClassSet classes;
    std::vector<Fault> faults;  // all of them: missing answers first, then the rest
};

// The class answer takes one class or several joined by "+" (parseFireClasses).
// The basis is asked for with class E only: missing then, a fault when given otherwise.
// The horn is never asked for: unstated, a CO₂ extinguisher in class E keeps its warning.
// Class D is no fault here: the unit is made and its calculation says why it gives nothing.
Check2005 check2005(const Answers2005& answers);

// The ratings of the unit's extinguisher, "2A/55B", or 无灭火级别.
std::string modelRatingsText(const gb50140::Unit& unit);

// One problem as every front end writes it: "错误：" or "警告：", then 【强条】 where the
// problem rests on a mandatory clause, then its text.
std::string problemLine(const gb50140::Problem& problem);

// One problem for scripts: severity, text, its clause (may be empty) and whether that clause
// is mandatory.
nlohmann::json problemJson(const gb50140::Problem& problem);

// The count per point a place of several classes needs by its ratings alone: the largest
// of its classes', before 6.1.1 asks for two in the unit.
std::int64_t perPointByRatings(const gb50140::Result& result);

// The unit readably, in Chinese, one fact a line: the inputs as understood, the formulas
// with their numbers, the counts and every problem. name, when given, heads it.
std::string unitText(const gb50140::Unit& unit, const gb50140::Result& result,
                     std::optional<std::string_view> name);

// The unit as one JSON object. Exact figures are numbers (the unrounded Q and Qe too);
// those the calculation did not reach (class D, no counts for an unsuitable model) are null.
// A place of several classes has "class" as "A+B", its figures per class in "classes" and
// the class that decides the count in "deciding_class"; the keys of one class's figures
// (basis, U, Q, Q_required, Qe, Qe_required, min_rating, rating) are null at the top, since
// an A figure and a B figure cannot be one number.
nlohmann::json unitJson(const gb50140::Result& result, std::optional<std::string_view> name);

}  // namespace extcalc::building
