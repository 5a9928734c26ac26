// SPDX-License-Identifier: MIT
// The mandatory clauses (强制性条文) and the problems resting on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

struct ClauseCase {
    const char* clause;
    bool mandatory;
};

TEST(Gb50140Mandatory, RecognisesThePublishedClausesOnly) {
    // clang-format off
    const std::vector<ClauseCase> cases{
        // As published with the standard (建设部公告第355号).
        {"4.1.3", true}, {"4.2.1", true}, {"4.2.2", true}, {"4.2.3", true}, {"4.2.4", true},
        {"4.2.5", true}, {"5.1.1", true}, {"5.1.5", true}, {"5.2.1", true}, {"5.2.2", true},
        {"6.1.1", true}, {"6.2.1", true}, {"6.2.2", true}, {"7.1.2", true}, {"7.1.3", true},
        // Clauses of the standard that are not mandatory: 宜, the halon rule, E and D's own.
        {"4.1.2", false}, {"4.2.6", false}, {"5.2.3", false}, {"5.2.4", false},
        {"6.1.2", false}, {"7.1.1", false}, {"7.3.1", false}, {"7.3.3", false},
        // A chapter is not a clause, and nothing near a clause is one.
        {"4.2", false}, {"6.2", false}, {"", false}, {"6.2.1 ", false}, {"6.2.10", false},
        {"６.２.１", false},
        // Joined by "/": mandatory when every one is.
        {"5.2.1/5.2.2", true}, {"6.2.1/6.2.2", true}, {"5.2.1/6.1.2", false},
        {"6.1.2/6.1.1", false}, {"5.2.1/", false}, {"/5.2.1", false},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(isMandatory(c.clause), c.mandatory) << '"' << c.clause << '"';
    }
    // The fifteen of the announcement, no more: each of them is in the table above.
    EXPECT_EQ(mandatoryClauses().size(), 15U);
}

TEST(Gb50140Mandatory, SuitabilityClauseByClass) {
    const std::vector<std::pair<FireClass, const char*>> cases{
        {FireClass::A, "4.2.1"}, {FireClass::B, "4.2.2"}, {FireClass::C, "4.2.3"},
        {FireClass::D, "4.2.4"}, {FireClass::E, "4.2.5"},
    };
    for (const auto& [fireClass, clause] : cases) {
        EXPECT_EQ(suitabilityClause(fireClass), clause);
        EXPECT_TRUE(isMandatory(suitabilityClause(fireClass))) << clause;
    }
}

struct ProblemCase {
    const char* name;
    FireClass fireClass;
    FireClass basis;
    int hazard;
    const char* area;
    int points;
    const char* extinguisher;
    Horn horn;
    ProblemCode code;
    Severity severity;
    const char* clause;
    bool mandatory;
};
void PrintTo(const ProblemCase& c, std::ostream* os) {
    *os << c.name;
}

class MandatoryProblems : public testing::TestWithParam<ProblemCase> {};

TEST_P(MandatoryProblems, CarryTheirClauseAndAFailureIsAnError) {
    const auto& c = GetParam();
    Unit unit;
    unit.fireClass = c.fireClass;
    unit.basis = c.basis;
    unit.hazard = c.hazard;
    unit.areaMillionths = parseArea(c.area).value;
    unit.points = c.points;
    unit.extinguisher = parseExtinguisher(c.extinguisher).value;
    unit.horn = c.horn;
    const Result r = calculate(unit);
    ASSERT_EQ(r.problems.size(), 1U);
    const Problem& p = r.problems.front();
    EXPECT_EQ(p.code, c.code);
    EXPECT_EQ(p.severity, c.severity);
    EXPECT_EQ(p.clause, c.clause);
    EXPECT_EQ(p.mandatory(), c.mandatory);
    // The text names the same clause the problem rests on.
    EXPECT_NE(p.text.find(std::string("（") + c.clause + "）"), std::string::npos) << p.text;
    EXPECT_EQ(r.hasError(), c.severity == Severity::Error);
}

constexpr auto A = FireClass::A;
constexpr auto B = FireClass::B;
constexpr auto C = FireClass::C;
constexpr auto D = FireClass::D;
constexpr auto E = FireClass::E;
constexpr auto kError = Severity::Error;
constexpr auto kWarning = Severity::Warning;
using P = ProblemCode;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gb50140, MandatoryProblems, testing::Values(
    // Failed checks on mandatory clauses: errors.
    ProblemCase{"CarbonDioxideForA", A, A, 2, "150", 2, "MT5", Horn::Unstated,
                P::NotSuitable, kError, "4.2.1", true},
    ProblemCase{"BicarbonateForA", A, A, 2, "200", 2, "MF4", Horn::Unstated,
                P::NotSuitable, kError, "4.2.1", true},
    ProblemCase{"WaterForB", B, A, 1, "15", 2, "MS/Q6", Horn::Unstated,
                P::NotSuitable, kError, "4.2.2", true},
    ProblemCase{"FoamForC", C, A, 2, "100", 2, "MP6", Horn::Unstated,
                P::NotSuitable, kError, "4.2.3", true},
    ProblemCase{"ClassD", D, A, 2, "150", 2, "MF/ABC4", Horn::Unstated,
                P::ClassD, kError, "4.2.4", true},
    ProblemCase{"FoamForE", E, B, 2, "100", 2, "MP6", Horn::Unstated,
                P::NotSuitable, kError, "4.2.5", true},
    ProblemCase{"MetalHornForE", E, B, 2, "200", 2, "MT7", Horn::Metal,
                P::CarbonDioxideForE, kError, "4.2.5", true},
    ProblemCase{"BelowMinimumA", A, A, 3, "300", 2, "MF/ABC4", Horn::Unstated,
                P::BelowMinimum, kError, "6.2.1", true},
    ProblemCase{"BelowMinimumB", B, A, 3, "50", 2, "MF/ABC4", Horn::Unstated,
                P::BelowMinimum, kError, "6.2.2", true},
    ProblemCase{"BelowMinimumC", C, A, 3, "50", 2, "MF/ABC4", Horn::Unstated,
                P::BelowMinimum, kError, "6.2.2", true},
    ProblemCase{"NoARating", A, A, 2, "150", 2, "MS/T6", Horn::Unstated,
                P::NoRating, kError, "6.2.1", true},
    ProblemCase{"EOnABicarbonate", E, A, 2, "150", 2, "MF4", Horn::Unstated,
                P::NoRating, kError, "6.2.1", true},
    // What the program cannot tell stays a warning, marked so the designer confirms it.
    ProblemCase{"HornNotStated", E, B, 2, "200", 2, "MT7", Horn::Unstated,
                P::CarbonDioxideForE, kWarning, "4.2.5", true},
    ProblemCase{"CustomModel", A, A, 1, "3000", 2, "6A/推车式", Horn::Unstated,
                P::CustomSuitability, kWarning, "4.2.1", true},
    // A recommendation (宜) stays a warning and is not marked.
    ProblemCase{"MoreThanFive", A, A, 3, "1000", 1, "MF/ABC5", Horn::Unstated,
                P::MoreThanFive, kWarning, "6.1.2", false}),
    byName);
// clang-format on

}  // namespace
}  // namespace extcalc::gb50140
