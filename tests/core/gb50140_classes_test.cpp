// SPDX-License-Identifier: MIT
// Places with several fire classes: each class on its own tables, the count per point decided
// by the class needing most, and the reader of "A+B".
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };
using P = ProblemCode;

struct ClassExpect {
    char letter;
    const char* q;
    std::int64_t qRequired, qeRequired;
    int minRating, rating;
    std::int64_t perPoint;  // 0: no count for the class
};

struct SeveralCase {
    const char *name, *classes;
    char basis;  // for E
    int hazard;
    const char* k;
    bool special;
    const char* area;
    int points;
    const char* extinguisher;
    std::vector<ClassExpect> perClass;
    char deciding;  // 0: none
    std::int64_t perPoint, total;
    int distance;
    std::vector<ProblemCode> problems;
};
void PrintTo(const SeveralCase& c, std::ostream* os) {
    *os << c.name;
}

Result calculated(const SeveralCase& c) {
    Unit unit;
    unit.basis = c.basis == 'B' ? FireClass::B : FireClass::A;
    unit.hazard = c.hazard;
    unit.kItem = parseKItem(c.k).value;
    unit.special = c.special;
    unit.areaMillionths = parseArea(c.area).value;
    unit.points = c.points;
    unit.extinguisher = parseExtinguisher(c.extinguisher).value;
    return calculate(unit, parseFireClasses(c.classes).value);
}

class Several : public testing::TestWithParam<SeveralCase> {};

TEST_P(Several, Figures) {
    const auto& c = GetParam();
    ASSERT_TRUE(parseFireClasses(c.classes));
    ASSERT_TRUE(parseExtinguisher(c.extinguisher));
    const Result r = calculated(c);
    ASSERT_EQ(r.classes.size(), c.perClass.size());
    for (std::size_t i = 0; i < c.perClass.size(); ++i) {
        const ClassExpect& e = c.perClass[i];
        const ClassFigures& got = r.classes[i];
        SCOPED_TRACE(e.letter);
        EXPECT_EQ(fireClasses()[static_cast<std::size_t>(got.fireClass)].letter, e.letter);
        EXPECT_EQ(got.q.text, e.q);
        EXPECT_EQ(got.qRequired, e.qRequired);
        EXPECT_EQ(got.qeRequired, e.qeRequired);
        EXPECT_EQ(got.minRating, e.minRating);
        EXPECT_EQ(got.rating, e.rating);
        EXPECT_EQ(got.counted, e.perPoint > 0);
        EXPECT_EQ(got.perPoint, e.perPoint);
    }
    if (c.deciding == 0) {
        EXPECT_FALSE(r.decidingClass.has_value());
    } else {
        ASSERT_TRUE(r.decidingClass.has_value());
        EXPECT_EQ(fireClasses()[static_cast<std::size_t>(*r.decidingClass)].letter, c.deciding);
    }
    EXPECT_EQ(r.perPoint, c.perPoint);
    EXPECT_EQ(r.total, c.total);
    EXPECT_EQ(r.computed, c.total > 0);
    EXPECT_EQ(r.maxDistanceM, c.distance);
    std::vector<ProblemCode> codes;
    std::transform(r.problems.begin(), r.problems.end(), std::back_inserter(codes),
                   [](const Problem& p) { return p.code; });
    EXPECT_EQ(codes, c.problems);
}

// Worked by hand from Tables 6.2.1/6.2.2, 5.2.1/5.2.2 and 7.3.2; per point is ⌈Qe/R⌉ of each
// class and the unit takes the largest.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Gb50140, Several, testing::Values(
    // 中危险级 A+B: Q_A = 200/75 = 2.67 → 3, Qe_A = 2; Q_B = 200/1.0 = 200, Qe_B = 100;
    // max(⌈2/2⌉, ⌈100/55⌉) = 2 per point, 4 in all.
    SeveralCase{"OrdinaryAB", "A+B", 'A', 2, "1.0", false, "200", 2, "MF/ABC4",
                {{'A', "2.67", 3, 2, 2, 2, 1}, {'B', "200", 200, 100, 55, 55, 2}},
                'B', 2, 4, 12, {}},
    SeveralCase{"BcPowderNotForA", "A+B", 'A', 2, "1.0", false, "200", 2, "MF4",
                {{'A', "2.67", 3, 2, 2, 0, 0}, {'B', "200", 200, 100, 55, 55, 2}},
                0, 0, 0, 12, {P::NotSuitable}},
    // 严重危险级: MF/ABC4 (2A/55B) is under both 3A and 89B; counts are still given.
    SeveralCase{"SevereBelowBothMinimums", "B+A", 'A', 3, "1.0", false, "200", 2, "MF/ABC4",
                {{'A', "4", 4, 2, 3, 2, 1}, {'B', "400", 400, 200, 89, 55, 4}},
                'B', 4, 8, 9, {P::BelowMinimum, P::BelowMinimum}},
    SeveralCase{"ElectricalOnB", "A+E", 'B', 2, "1.0", false, "100", 1, "MF/ABC4",
                {{'A', "1.33", 2, 2, 2, 2, 1}, {'E', "100", 100, 100, 55, 55, 2}},
                'E', 2, 2, 12, {}},
    SeveralCase{"ElectricalOnAWithCarbonDioxide", "A+E", 'A', 2, "1.0", false, "100", 1, "MT5",
                {{'A', "1.33", 2, 2, 2, 0, 0}, {'E', "1.33", 2, 2, 2, 0, 0}},
                0, 0, 0, 20, {P::NotSuitable, P::CarbonDioxideForE, P::NoRating}},
    SeveralCase{"GasWithLiquidTieGoesToFirst", "C+B", 'A', 2, "0.9", false, "300", 3, "MT7",
                {{'B', "270", 270, 90, 55, 55, 2}, {'C', "270", 270, 90, 55, 55, 2}},
                'B', 2, 6, 12, {}},
    SeveralCase{"AtLeastTwoInTheUnit", "A+B", 'A', 1, "1.0", false, "10", 1, "MF/ABC4",
                {{'A', "0.10", 1, 1, 1, 2, 1}, {'B', "6.67", 7, 7, 21, 55, 1}},
                'A', 2, 2, 15, {}},
    SeveralCase{"CustomWithoutB", "A+B", 'A', 2, "1.0", false, "200", 2, "3A",
                {{'A', "2.67", 3, 2, 2, 3, 1}, {'B', "200", 200, 100, 55, 0, 0}},
                // A warning per class, each naming that class's clause of 4.2.
                0, 0, 0, 12, {P::CustomSuitability, P::CustomSuitability, P::NoRating}},
    // Most points for the B figures: ⌈14/(5·2)⌉ = 2 against ⌈1000/(5·55)⌉ = 4.
    SeveralCase{"MoreThanFive", "A+B", 'A', 2, "1.0", false, "1000", 1, "MF/ABC4",
                {{'A', "13.33", 14, 14, 2, 2, 7}, {'B', "1000", 1000, 1000, 55, 55, 19}},
                'B', 19, 19, 12, {P::MoreThanFive}},
    SeveralCase{"SpecialPlace", "A+B", 'A', 2, "0.9", true, "200", 2, "MF/ABC4",
                {{'A', "3.12", 4, 2, 2, 2, 1}, {'B', "234", 234, 117, 55, 55, 3}},
                'B', 3, 6, 12, {}},
    SeveralCase{"MetalWithAnother", "A+D", 'A', 2, "1.0", false, "200", 2, "MF/ABC4",
                {}, 0, 0, 0, 0, {P::ClassD}}),
    byName);
// clang-format on

TEST(Gb50140Several, WorkedCaseTexts) {
    const SeveralCase c{"", "A+B", 'A', 2, "1.0", false, "200", 2, "MF/ABC4", {}, 0, 0, 0, 0, {}};
    const Result r = calculated(c);
    ASSERT_EQ(r.classes.size(), 2U);
    EXPECT_EQ(r.classes[0].formulaQ, "QA = 1.0 × 200 ÷ 75 = 2.67");
    EXPECT_EQ(r.classes[0].formulaQe, "QeA = QA ÷ N = 3 ÷ 2 = 1.50");
    EXPECT_EQ(r.classes[0].formulaPerPoint, "nA = QeA ÷ RA = 2 ÷ 2 = 1");
    EXPECT_EQ(r.classes[1].formulaPerPoint, "nB = QeB ÷ RB = 100 ÷ 55 = 1.82");
    // The single fields carry the deciding class.
    EXPECT_EQ(r.formulaQ, r.classes[1].formulaQ);
    EXPECT_EQ(r.basis, 'B');

    SeveralCase bc = c;
    bc.extinguisher = "MF4";
    const Result unsuitable = calculated(bc);
    ASSERT_EQ(unsuitable.problems.size(), 1U);
    EXPECT_EQ(unsuitable.problems[0].severity, Severity::Error);
    EXPECT_NE(unsuitable.problems[0].text.find("不适用于A类火灾（4.2.1）"), std::string::npos);
}

// A set of one class is the unit of one class, to the byte.
TEST(Gb50140Several, OneClassSetIsTheSingleUnit) {
    for (const char* letter : {"A", "B", "C", "E"}) {
        for (const char* model : {"MF/ABC4", "MF4", "MT5", "3A", "MS/Q9"}) {
            Unit single;
            single.basis = FireClass::B;
            single.hazard = 3;
            single.areaMillionths = parseArea("123.45").value;
            single.points = 3;
            single.extinguisher = parseExtinguisher(model).value;
            single.fireClass = FireClass::D;  // the set decides
            const Result b = calculate(single, parseFireClasses(letter).value);
            single.fireClass = parseFireClass(letter).value;
            const Result a = calculate(single);
            SCOPED_TRACE(std::string(letter) + " " + model);
            EXPECT_EQ(a.formulaQ, b.formulaQ);
            EXPECT_EQ(a.formulaPerPoint, b.formulaPerPoint);
            EXPECT_EQ(a.total, b.total);
            ASSERT_EQ(a.problems.size(), b.problems.size());
            for (std::size_t i = 0; i < a.problems.size(); ++i) {
                EXPECT_EQ(a.problems[i].text, b.problems[i].text);
            }
            EXPECT_TRUE(b.classes.empty());
            EXPECT_FALSE(b.decidingClass.has_value());
        }
    }
}

struct ClassesParseCase {
    const char *name, *text, *canonical;  // canonical nullptr: refused
    ParseError error;
};
void PrintTo(const ClassesParseCase& c, std::ostream* os) {
    *os << c.name;
}
class ClassesParsing : public testing::TestWithParam<ClassesParseCase> {};

TEST_P(ClassesParsing, SetOrError) {
    const auto& c = GetParam();
    const auto parsed = parseFireClasses(c.text);
    EXPECT_EQ(parsed.error, c.error);
    if (c.canonical != nullptr) {
        ASSERT_TRUE(parsed);
        EXPECT_EQ(classSetText(parsed.value), c.canonical);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gb50140, ClassesParsing, testing::Values(
    ClassesParseCase{"One", "A", "A", ParseError::None},
    ClassesParseCase{"OneLower", " e ", "E", ParseError::None},
    ClassesParseCase{"Two", "A+B", "A+B", ParseError::None},
    ClassesParseCase{"OutOfOrder", "B+A", "A+B", ParseError::None},
    ClassesParseCase{"Lower", "a+b", "A+B", ParseError::None},
    ClassesParseCase{"FullWidthPlus", "A＋B", "A+B", ParseError::None},
    ClassesParseCase{"Blanks", " E + a\t+ C ", "A+C+E", ParseError::None},
    ClassesParseCase{"All", "E+D+C+B+A", "A+B+C+D+E", ParseError::None},
    ClassesParseCase{"Repeated", "A+B+a", nullptr, ParseError::RepeatedFireClass},
    ClassesParseCase{"TrailingPlus", "A+", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"LeadingPlus", "+A", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"Glued", "AB", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"Comma", "A,B", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"Ideographic", "A、B", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"Unknown", "A+F", nullptr, ParseError::UnknownFireClass},
    ClassesParseCase{"Empty", "", nullptr, ParseError::UnknownFireClass}),
    byName);
// clang-format on

}  // namespace
}  // namespace extcalc::gb50140
