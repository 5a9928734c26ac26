// SPDX-License-Identifier: MIT
// Random GB 50140-2005 calculation units, checked against a slow rational reference: the
// rounded-up figures, the counts and the texts shown. The area also goes through its text
// and parser, so the round trip is checked on the way.

#include <fuzzer/FuzzedDataProvider.h>

#include <boost/multiprecision/cpp_int.hpp>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "checks.h"
#include "extcalc/gb50140.h"

namespace {

using namespace extcalc::gb50140;
using extcalc::fuzz::require;
using Rational = boost::multiprecision::cpp_rational;
using BigInt = boost::multiprecision::cpp_int;

// A decimal text read digit by digit, independently of the parser under test.
Rational decimal(std::string_view text) {
    Rational value = 0;
    Rational place = 1;
    bool fraction = false;
    for (const char c : text) {
        if (c == '.') {
            fraction = true;
        } else if (fraction) {
            place /= 10;
            value += place * (c - '0');
        } else {
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

BigInt ceiling(const Rational& v) {
    return (numerator(v) + denominator(v) - 1) / denominator(v);
}

std::string areaText(std::int64_t millionths) {
    std::string fraction = std::to_string(millionths % 1'000'000);
    fraction.insert(0, 6 - fraction.size(), '0');
    return std::to_string(millionths / 1'000'000) + "." + fraction;
}

void checkText(const Figure& figure, const Rational& exact) {
    const auto dot = figure.text.find('.');
    const bool whole = denominator(exact) == 1;
    require((dot == std::string::npos) == whole, "text shows whole iff value is", figure.text);
    if (!whole) {
        const auto places = figure.text.size() - dot - 1;
        require(places >= 2 && places <= 6, "decimal places out of 2–6", figure.text);
        const Rational unit(BigInt(1), pow(BigInt(10), static_cast<unsigned>(places)));
        const Rational diff = abs(decimal(figure.text) - exact);
        require(diff <= unit / 2 || places == 6, "text is not the value", figure.text);
        require(diff < unit, "text is off by a place or more", figure.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Unit unit;
    unit.fireClass = static_cast<FireClass>(in.ConsumeIntegralInRange(0, 4));
    unit.basis = in.ConsumeBool() ? FireClass::A : FireClass::B;
    unit.hazard = in.ConsumeIntegralInRange(1, 3);
    unit.kItem = in.ConsumeIntegralInRange(1, 5);
    unit.special = in.ConsumeBool();
    const std::int64_t scale = in.PickValueInArray({1, 10'000, 1'000'000});
    const std::int64_t area =
        in.ConsumeIntegralInRange<std::int64_t>(1, kMaxAreaM2 * 1'000'000 / scale) * scale;
    const auto parsed = parseArea(areaText(area) + (in.ConsumeBool() ? " 平方米" : ""));
    require(parsed && parsed.value == area, "area text does not read back", areaText(area));
    unit.areaMillionths = parsed.value;
    unit.points = in.ConsumeIntegralInRange(1, in.ConsumeBool() ? 10 : kMaxPoints);
    if (in.ConsumeBool()) {
        const auto listed = models();
        unit.extinguisher = &listed[in.ConsumeIntegralInRange<std::size_t>(0, listed.size() - 1)];
    } else {
        const int limit = in.ConsumeBool() ? 10 : kMaxCustomRating;
        unit.extinguisher = CustomModel{in.ConsumeIntegralInRange(0, limit),
                                        in.ConsumeIntegralInRange(0, limit), in.ConsumeBool()};
    }

    const Result r = calculate(unit);
    for (const Problem& p : r.problems) {
        // Every problem names the clause it rests on; a failed mandatory check is an error,
        // and only what the program cannot tell stays a warning on a mandatory clause.
        require(p.clause.empty() ||
                    p.text.find("（" + std::string(p.clause) + "）") != std::string::npos,
                "a problem's text does not name its clause", p.text);
        require(!p.mandatory() || p.severity == Severity::Error ||
                    p.code == ProblemCode::CustomSuitability ||
                    p.code == ProblemCode::CarbonDioxideForE,
                "a failed mandatory check is only a warning", p.text);
    }
    if (unit.fireClass == FireClass::D) {
        require(!r.computed && r.problems.size() == 1 && r.problems[0].code == ProblemCode::ClassD,
                "class D must only be refused");
        return 0;
    }
    const bool basisA = unit.fireClass == FireClass::A ||
                        (unit.fireClass == FireClass::E && unit.basis == FireClass::A);
    const RatingRow& row =
        (basisA ? table621() : table622())[static_cast<std::size_t>(unit.hazard - 1)];
    const Rational q = decimal(unit.special ? "1.3" : "1") *
                       decimal(kItems()[static_cast<std::size_t>(unit.kItem - 1)].valueText) *
                       decimal(areaText(area)) / decimal(row.uText);
    require(BigInt(r.qRequired) == ceiling(q), "Q rounded up wrongly", r.q.text);
    require(BigInt(r.qeRequired) == ceiling(q / unit.points), "Qe rounded up wrongly", r.qe.text);
    checkText(r.q, q);
    checkText(r.qe, Rational(r.qRequired) / unit.points);
    if (!r.computed) {
        require(r.hasError() && r.perPoint == 0 && r.total == 0, "no counts without an error");
        return 0;
    }
    require(r.perPoint >= 1 && r.total >= 2, "fewer than the minimum");
    require(r.total == r.perPoint * unit.points, "total is not per point × N");
    require(r.perPoint * r.rating >= r.qeRequired, "a point holds less than Qe");
    require(r.perPoint == 2 || (r.perPoint - 1) * r.rating < r.qeRequired, "more than needed");
    checkText(r.perPointRatio, Rational(r.qeRequired) / r.rating);
    const bool moreThanFive = std::ranges::any_of(
        r.problems, [](const Problem& p) { return p.code == ProblemCode::MoreThanFive; });
    require(moreThanFive == (r.perPoint > 5), "more-than-five warning");
    return 0;
}
