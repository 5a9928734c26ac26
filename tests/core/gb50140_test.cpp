// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };
using P = ProblemCode;

struct UnitCase {
    const char *name, *fireClass;  // "E/A": class E on the A rules
    int hazard;
    const char* k;
    bool special;
    const char* area;
    int points;
    const char *extinguisher, *q;
    std::int64_t qRequired, qeRequired;
    int rating;
    std::int64_t perPoint, total;
    int distance;
    std::vector<ProblemCode> problems;
};
void PrintTo(const UnitCase& c, std::ostream* os) {
    *os << c.name;
}

class Units : public testing::TestWithParam<UnitCase> {};

TEST_P(Units, Figures) {
    const auto& c = GetParam();
    const std::string cls = c.fireClass;
    Unit unit;
    unit.fireClass = parseFireClass(cls.substr(0, 1)).value;
    unit.basis = cls.size() > 2 ? parseFireClass(cls.substr(2)).value : FireClass::A;
    unit.hazard = c.hazard;
    unit.kItem = parseKItem(c.k).value;
    unit.special = c.special;
    unit.areaMillionths = parseArea(c.area).value;
    unit.points = c.points;
    const auto ext = parseExtinguisher(c.extinguisher);
    ASSERT_TRUE(ext);
    unit.extinguisher = ext.value;

    const Result r = calculate(unit);
    EXPECT_EQ(r.q.text, c.q);
    EXPECT_EQ(r.qRequired, c.qRequired);
    EXPECT_EQ(r.qeRequired, c.qeRequired);
    EXPECT_EQ(r.rating, c.rating);
    EXPECT_EQ(r.perPoint, c.perPoint);
    EXPECT_EQ(r.total, c.total);
    EXPECT_EQ(r.maxDistanceM, c.distance);
    std::vector<ProblemCode> codes(r.problems.size());
    std::ranges::transform(r.problems, codes.begin(), &Problem::code);
    EXPECT_EQ(codes, c.problems);
    EXPECT_EQ(r.computed, c.total > 0);
}

// Expected figures worked out by hand from Tables 6.2.1/6.2.2, 5.2.1/5.2.2 and 7.3.2.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Gb50140, Units, testing::Values(
    UnitCase{"WorkedExample", "A", 2, "0.9", false, "1500", 2, "MF/ABC4",
             "18", 18, 9, 2, 5, 10, 20, {}},
    UnitCase{"SpecialPlaceExact", "B", 1, "2", true, "150", 1, "MF/ABC8",
             "117", 117, 117, 144, 2, 2, 15, {}},
    UnitCase{"SevenTenthsExact", "A", 2, "0.7", false, "1500", 1, "mf/abc10",
             "14", 14, 14, 6, 3, 3, 20, {}},
    UnitCase{"SpecialSevereBExact", "B", 3, "设有灭火系统", true, "100", 2, "MF8",
             "182", 182, 91, 144, 1, 2, 9, {}},
    UnitCase{"SpecialOrdinaryBExact", "B", 2, "0.9", true, "200", 2, "MF/ABC4",
             "234", 234, 117, 55, 3, 6, 12, {}},
    UnitCase{"SpecialSevereExact", "B", 3, "0.9", true, "250", 3, "MF/ABC8",
             "585", 585, 195, 144, 2, 6, 9, {}},
    UnitCase{"ThreeTenthsExact", "B", 3, "5", false, "250", 4, "MF/ABC10",
             "150", 150, 38, 144, 1, 4, 9, {}},
    UnitCase{"DecimalArea", "A", 2, "0.9", true, "1500.5平方米", 3, "MF/ABC6",
             "23.41", 24, 8, 3, 3, 9, 20, {}},
    UnitCase{"JustAboveWhole", "A", 2, "1", false, "1350.075", 2, "MF/ABC4",
             "18.001", 19, 10, 2, 5, 10, 20, {}},
    UnitCase{"TinyArea", "A", 1, "0.3", false, "0.000001", 1, "MF/ABC3",
             "0.000001", 1, 1, 2, 2, 2, 25, {}},
    UnitCase{"MinimumTwo", "A", 1, "1.0", false, "50", 1, "MF/ABC4",
             "0.50", 1, 1, 2, 2, 2, 25, {}},
    UnitCase{"MoreThanFive", "A", 3, "1", false, "1000", 1, "MF/ABC5",
             "20", 20, 20, 3, 7, 7, 15, {P::MoreThanFive}},
    UnitCase{"ExactlyTenPerPoint", "A", 3, "1", false, "1500", 1, "MF/ABC5",
             "30", 30, 30, 3, 10, 10, 15, {P::MoreThanFive}},
    UnitCase{"BelowMinimumA", "A", 3, "1", false, "300", 2, "MF/ABC4",
             "6", 6, 3, 2, 2, 4, 15, {P::BelowMinimum}},
    UnitCase{"BelowMinimumB", "B", 3, "1", false, "50", 2, "MF/ABC4",
             "100", 100, 50, 55, 1, 2, 9, {P::BelowMinimum}},
    UnitCase{"CarbonDioxideForA", "A", 2, "1", false, "150", 2, "MT5",
             "2", 2, 1, 0, 0, 0, 20, {P::NotSuitable}},
    UnitCase{"FoamForC", "C", 2, "1", false, "100", 2, "MP6",
             "100", 100, 50, 55, 0, 0, 12, {P::NotSuitable}},
    UnitCase{"WaterForB", "B", 1, "1", false, "15", 2, "MS/Q6",
             "10", 10, 5, 0, 0, 0, 15, {P::NotSuitable}},
    UnitCase{"NoARating", "A", 2, "1", false, "150", 2, "MS/T6",
             "2", 2, 1, 0, 0, 0, 20, {P::NoRating}},
    UnitCase{"ClassD", "D", 2, "1", false, "150", 2, "MF/ABC4",
             "", 0, 0, 0, 0, 0, 0, {P::ClassD}},
    UnitCase{"EOnA", "E/A", 2, "0.9", false, "1500", 2, "MF/ABC4",
             "18", 18, 9, 2, 5, 10, 20, {}},
    UnitCase{"EOnB", "E/B", 2, "4", false, "200", 2, "MF/ABC4",
             "100", 100, 50, 55, 1, 2, 12, {}},
    UnitCase{"EOnBCarbonDioxide", "E/B", 2, "0.5", false, "200", 2, "MT7",
             "100", 100, 50, 55, 1, 2, 12, {P::CarbonDioxideForE}},
    UnitCase{"EOnABicarbonate", "E/A", 2, "1", false, "150", 2, "MF4",
             "2", 2, 1, 0, 0, 0, 20, {P::NoRating}},
    UnitCase{"FoamForE", "E/B", 2, "1", false, "100", 2, "MP6",
             "100", 100, 50, 55, 0, 0, 12, {P::NotSuitable}},
    UnitCase{"ClassCSevere", "C", 3, "0.7", false, "100", 1, "MF8",
             "140", 140, 140, 144, 2, 2, 9, {}},
    UnitCase{"WheeledListed", "A", 2, "1", false, "1500", 1, "MST20",
             "20", 20, 20, 4, 5, 5, 40, {}},
    UnitCase{"CustomWheeled", "A", 1, "1", false, "3000", 2, "6A/推车式",
             "30", 30, 15, 6, 3, 6, 50, {P::CustomSuitability}},
    UnitCase{"CustomB", "B", 1, "0.3", false, "4455", 3, "89B",
             "891", 891, 297, 89, 4, 12, 15, {P::CustomSuitability}},
    UnitCase{"CustomWithoutA", "A", 2, "1", false, "150", 2, "55b",
             "2", 2, 1, 0, 0, 0, 20, {P::CustomSuitability, P::NoRating}}),
    byName);
// clang-format on

TEST(Gb50140Texts, WorkedExampleFormulas) {
    Unit unit{FireClass::A, FireClass::A, 2, 2, false, 1'500'000'000, 2, findModel("MF/ABC4")};
    const Result r = calculate(unit);
    EXPECT_EQ(r.formulaQ, "Q = 0.9 × 1500 ÷ 75 = 18");
    EXPECT_EQ(r.formulaQe, "Qe = Q ÷ N = 18 ÷ 2 = 9");
    EXPECT_EQ(r.formulaPerPoint, "n = Qe ÷ R = 9 ÷ 2 = 4.50");
    unit = Unit{FireClass::B, FireClass::A, 1, 2, true, 150'000'000, 1, findModel("MF/ABC8")};
    EXPECT_EQ(calculate(unit).formulaQ, "Q = 1.3 × 0.9 × 150 ÷ 1.5 = 117");
}

struct DecimalCase {
    const char* name;
    std::int64_t num, den;
    const char* text;
};
class Decimals : public testing::TestWithParam<DecimalCase> {};
TEST_P(Decimals, Text) {
    EXPECT_EQ(decimalText(GetParam().num, GetParam().den), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(
    Gb50140, Decimals,
    testing::Values(DecimalCase{"Whole", 117, 1, "117"}, DecimalCase{"TwoPlaces", 234, 10, "23.40"},
                    DecimalCase{"HalfUp", 1, 8, "0.13"},
                    DecimalCase{"HalfUpSmall", 5, 1000, "0.01"}, DecimalCase{"Third", 2, 3, "0.67"},
                    DecimalCase{"HalfUpFourthPlace", 100005, 100000, "1.0001"},
                    DecimalCase{"SixPlaces", 1000001, 1000000, "1.000001"},
                    DecimalCase{"BeyondSixAbove", 10000001, 10000000, "1.000001"},
                    DecimalCase{"BeyondSixBelow", 9999999, 10000000, "0.999999"},
                    DecimalCase{"JustBelowWhole", 19999, 1000, "19.999"}),
    byName);

struct ParseCase {
    const char* name;
    Parsed<std::int64_t> (*parse)(std::string_view);
    const char* text;
    std::int64_t value;
    ParseError error;
};
class Parsing : public testing::TestWithParam<ParseCase> {};
TEST_P(Parsing, ValueOrError) {
    const auto& c = GetParam();
    const auto got = c.parse(c.text);
    EXPECT_EQ(got.error, c.error);
    if (c.error == ParseError::None) {
        EXPECT_EQ(got.value, c.value);
    }
}
// The other parsers, widened to the area's value type so one table holds them all.
template <auto parse>
Parsed<std::int64_t> widened(std::string_view t) {
    const auto p = parse(t);
    return {p.value, p.error};
}
constexpr auto points = widened<parsePoints>;
constexpr auto hazard = widened<parseHazard>;
constexpr auto kItem = widened<parseKItem>;
using E = ParseError;
INSTANTIATE_TEST_SUITE_P(
    Gb50140, Parsing,
    testing::Values(
        ParseCase{"AreaPlain", parseArea, "1500", 1'500'000'000, E::None},
        ParseCase{"AreaUnit", parseArea, " 12.5 m2 ", 12'500'000, E::None},
        ParseCase{"AreaSquareMetreSign", parseArea, "3m²", 3'000'000, E::None},
        ParseCase{"AreaChineseUnit", parseArea, "0.000001 平方米", 1, E::None},
        ParseCase{"AreaLargest", parseArea, "1000000000", 1'000'000'000'000'000, E::None},
        ParseCase{"AreaEmpty", parseArea, "  ", 0, E::Empty},
        ParseCase{"AreaWord", parseArea, "abc", 0, E::NotANumber},
        ParseCase{"AreaLeadingPoint", parseArea, ".5", 0, E::NotANumber},
        ParseCase{"AreaNegative", parseArea, "-5", 0, E::Negative},
        ParseCase{"AreaZero", parseArea, "0.000", 0, E::Zero},
        ParseCase{"AreaThousands", parseArea, "1,500", 0, E::ThousandsSeparator},
        ParseCase{"AreaExponent", parseArea, "1e3", 0, E::Exponent},
        ParseCase{"AreaFullWidth", parseArea, "１５００", 0, E::FullWidth},
        ParseCase{"AreaFullWidthDecimals", parseArea, "15．5", 0, E::FullWidth},
        ParseCase{"AreaOtherUnit", parseArea, "1500 平方", 0, E::TrailingText},
        ParseCase{"AreaBarePoint", parseArea, "1.", 0, E::TrailingText},
        ParseCase{"AreaTooLarge", parseArea, "1000000000.000001", 0, E::TooLarge},
        ParseCase{"AreaManyDigits", parseArea, "99999999999999999999999", 0, E::TooLarge},
        ParseCase{"AreaTooManyDecimals", parseArea, "0.0000001", 0, E::TooManyDecimals},
        ParseCase{"PointsMax", points, "10000", 10000, E::None},
        ParseCase{"PointsAbove", points, "10001", 0, E::TooLarge},
        ParseCase{"PointsZero", points, "0", 0, E::Zero},
        ParseCase{"PointsDecimal", points, "2.5", 0, E::NotWhole},
        ParseCase{"PointsNegative", points, "-1", 0, E::Negative},
        ParseCase{"HazardNumber", hazard, "1", 1, E::None},
        ParseCase{"HazardName", hazard, "严重危险级", 3, E::None},
        ParseCase{"HazardOutOfRange", hazard, "4", 0, E::UnknownHazard},
        ParseCase{"HazardPartialName", hazard, "中", 0, E::UnknownHazard},
        ParseCase{"KNumber", kItem, "4", 4, E::None}, ParseCase{"KValue", kItem, "0.9", 2, E::None},
        ParseCase{"KValueOne", kItem, "1.0", 1, E::None},
        ParseCase{"KValueTrailingZero", kItem, "0.30", 5, E::None},
        ParseCase{"KText", kItem, "设有室内消火栓系统和灭火系统", 4, E::None},
        ParseCase{"KOtherValue", kItem, "0.8", 0, E::UnknownK},
        ParseCase{"KSixthItem", kItem, "6", 0, E::UnknownK}),
    byName);

struct ExtinguisherCase {
    const char* name;
    const char* text;
    const char* description;  // as a result names the model
    ParseError error;
};
class Extinguishers : public testing::TestWithParam<ExtinguisherCase> {};
TEST_P(Extinguishers, Parse) {
    const auto& c = GetParam();
    const auto got = parseExtinguisher(c.text);
    EXPECT_EQ(got.error, c.error);
    if (got) {
        Unit unit;
        unit.areaMillionths = 1;
        unit.extinguisher = got.value;
        EXPECT_EQ(calculate(unit).modelDescription, c.description);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Gb50140, Extinguishers,
    testing::Values(ExtinguisherCase{"LowerCaseCode", " mp/ar6 ", "MP/AR6 抗溶泡沫 6 L", E::None},
                    ExtinguisherCase{"Wheeled", "mst40", "MST40 推车式水型 45 L", E::None},
                    ExtinguisherCase{"BothRatings", "3A/55B", "自备型号 3A/55B", E::None},
                    ExtinguisherCase{"BFirst", "55b/4a/推车式", "自备型号 4A/55B/推车式", E::None},
                    ExtinguisherCase{"WheeledA", "6A/推车式", "自备型号 6A/推车式", E::None},
                    ExtinguisherCase{"ZeroRating", "0A", "", E::RatingOutOfRange},
                    ExtinguisherCase{"HugeRating", "10000B", "", E::RatingOutOfRange},
                    ExtinguisherCase{"TwiceA", "3A/4A", "", E::UnknownExtinguisher},
                    ExtinguisherCase{"OnlyWheeled", "推车式", "", E::UnknownExtinguisher},
                    ExtinguisherCase{"UnlistedCode", "MF12", "", E::UnknownExtinguisher}),
    byName);

}  // namespace
}  // namespace extcalc::gb50140

// R by class, hazard and kind, as Tables 5.2.1/5.2.2 print it; E takes its basis' table.
TEST(Gb50140Distance, ByClassHazardAndKind) {
    using extcalc::gb50140::FireClass;
    const struct {
        FireClass fireClass;
        FireClass basis;
        int hazard;
        bool wheeled;
        int metres;
    } cases[] = {
        {FireClass::A, FireClass::A, 3, false, 15}, {FireClass::A, FireClass::A, 2, false, 20},
        {FireClass::A, FireClass::A, 1, false, 25}, {FireClass::A, FireClass::A, 3, true, 30},
        {FireClass::A, FireClass::A, 1, true, 50},  {FireClass::B, FireClass::A, 3, false, 9},
        {FireClass::B, FireClass::A, 2, false, 12}, {FireClass::C, FireClass::A, 1, false, 15},
        {FireClass::C, FireClass::A, 2, true, 24},  {FireClass::B, FireClass::A, 1, true, 30},
        {FireClass::E, FireClass::A, 2, false, 20}, {FireClass::E, FireClass::B, 2, false, 12},
        {FireClass::E, FireClass::B, 3, true, 18},  {FireClass::D, FireClass::A, 2, false, 0},
        {FireClass::A, FireClass::A, 4, false, 0},  {FireClass::A, FireClass::A, 0, true, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(extcalc::gb50140::maxDistanceM(c.fireClass, c.basis, c.hazard, c.wheeled),
                  c.metres)
            << static_cast<int>(c.fireClass) << ' ' << c.hazard << ' ' << c.wheeled;
    }
}
