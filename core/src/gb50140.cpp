// SPDX-License-Identifier: MIT
// One calculation unit under GB 50140-2005 (7.1–7.3, with 4.2, 5.2, 6.1, 6.2).
//
// Every quantity is a fraction of whole numbers: S in millionths of a m², K, the factor and U
// in tenths. Q = f·K·S/U is then num/den with num ≤ 13 · 10 · 10¹⁵ and den ≤ 10¹⁰, so rounding
// up is an integer division and never suffers from binary noise. The checked 128-bit type
// leaves room for the decimal expansion of the texts and turns any mistaken bound into an
// exception rather than a wrong count.

#include <boost/multiprecision/cpp_int.hpp>

#include <string>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

using Int = boost::multiprecision::checked_int128_t;

std::int64_t toInt64(const Int& v) {
    return v.convert_to<std::int64_t>();
}

Int ceilDiv(const Int& num, const Int& den) {
    return (num + den - 1) / den;
}

Figure figure(const Int& num, const Int& den) {
    const Int whole = num / den;
    const Int rest = num % den;
    // Both parts are exact doubles, so only the last division and sum round.
    const double value =
        whole.convert_to<double>() + rest.convert_to<double>() / den.convert_to<double>();
    return Figure{value, decimalText(toInt64(num), toInt64(den))};
}

Figure wholeFigure(std::int64_t v) {
    return Figure{static_cast<double>(v), std::to_string(v)};
}

// A value held in tenths, as the tables write it.
Figure tenthsFigure(int tenths, std::string_view text) {
    return Figure{static_cast<double>(tenths) / 10.0, std::string(text)};
}

std::string ratingText(int rating, char letter) {
    return std::to_string(rating) + letter;
}

struct ModelInfo {
    std::string code;
    std::string description;
    int ratingA = 0;
    int ratingB = 0;
    bool wheeled = false;
    const Model* listed = nullptr;
};

ModelInfo describe(const std::variant<const Model*, CustomModel>& choice) {
    ModelInfo info;
    if (const auto* const* listed = std::get_if<const Model*>(&choice)) {
        const Model& m = **listed;
        info.code = m.code;
        info.description =
            std::string(m.code) + " " + std::string(m.type) + " " + std::string(m.charge);
        info.ratingA = m.ratingA;
        info.ratingB = m.ratingB;
        info.wheeled = m.wheeled;
        info.listed = &m;
        return info;
    }
    const auto& custom = std::get<CustomModel>(choice);
    info.ratingA = custom.ratingA;
    info.ratingB = custom.ratingB;
    info.wheeled = custom.wheeled;
    std::string spec;
    if (custom.ratingA > 0) {
        spec = ratingText(custom.ratingA, 'A');
    }
    if (custom.ratingB > 0) {
        spec += (spec.empty() ? "" : "/") + ratingText(custom.ratingB, 'B');
    }
    if (custom.wheeled) {
        spec += "/推车式";
    }
    info.description = "自备型号 " + spec;
    return info;
}

// What is wrong with a unit built without the parsers; empty when nothing.
std::string_view invalidInput(const Unit& unit) {
    if (unit.fireClass < FireClass::A || unit.fireClass > FireClass::E) {
        return "火灾种类";
    }
    if (unit.fireClass == FireClass::E && unit.basis != FireClass::A &&
        unit.basis != FireClass::B) {
        return "E类火灾应按A类或B类确定";
    }
    if (unit.hazard < 1 || unit.hazard > 3) {
        return "危险等级";
    }
    if (unit.kItem < 1 || unit.kItem > 5) {
        return "修正系数";
    }
    if (unit.areaMillionths <= 0 || unit.areaMillionths > kMaxAreaM2 * 1'000'000) {
        return "面积";
    }
    if (unit.points < 1 || unit.points > kMaxPoints) {
        return "设置点数";
    }
    if (const auto* listed = std::get_if<const Model*>(&unit.extinguisher)) {
        if (*listed == nullptr) {
            return "灭火器型号";
        }
    } else {
        const auto& custom = std::get<CustomModel>(unit.extinguisher);
        if (custom.ratingA < 0 || custom.ratingA > kMaxCustomRating || custom.ratingB < 0 ||
            custom.ratingB > kMaxCustomRating) {
            return "灭火级别";
        }
    }
    return {};
}

char classLetter(FireClass fireClass) {
    return fireClasses()[static_cast<std::size_t>(fireClass)].letter;
}

void add(Result& r, ProblemCode code, Severity severity, std::string text) {
    r.problems.push_back(Problem{code, severity, std::move(text)});
}

}  // namespace

std::string decimalText(std::int64_t num, std::int64_t den) {
    const Int d = den;
    const Int whole = Int(num) / d;
    const Int rest = Int(num) % d;
    if (rest == 0) {
        return whole.str();
    }
    Int scale = 10;
    for (int decimals = 1; decimals <= 6; ++decimals, scale *= 10) {
        if (decimals == 1) {
            continue;
        }
        // Rounded half up to `decimals` places.
        Int fraction = (rest * scale * 2 + d) / (d * 2);
        Int shown = whole;
        if (fraction == scale) {
            shown += 1;
            fraction = 0;
        }
        if (fraction != 0 || decimals == 6) {
            if (fraction == 0) {
                // Still looks whole: take the nearest 6-place text on the true side instead.
                fraction = shown == whole ? Int(1) : scale - 1;
                shown = whole;
            }
            std::string digits = fraction.str();
            return shown.str() + "." +
                   std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
        }
    }
    return whole.str();  // not reached: the loop returns at 6 places
}

bool Result::hasError() const {
    for (const auto& p : problems) {
        if (p.severity == Severity::Error) {
            return true;
        }
    }
    return false;
}

Result calculate(const Unit& unit) {
    Result r;
    r.fireClass = unit.fireClass;
    r.points = unit.points;
    if (const auto what = invalidInput(unit); !what.empty()) {
        add(r, ProblemCode::InvalidUnit, Severity::Error, "输入超出范围：" + std::string(what));
        return r;
    }
    if (unit.fireClass == FireClass::D) {
        add(r, ProblemCode::ClassD, Severity::Error,
            "D类火灾（金属火灾）：规范无通用计算规则，应根据具体情况研究确定，"
            "并选择扑灭金属火灾的专用灭火器（4.2）");
        return r;
    }

    const bool basisA = unit.fireClass == FireClass::A ||
                        (unit.fireClass == FireClass::E && unit.basis == FireClass::A);
    r.basis = basisA ? 'A' : 'B';
    const auto level = static_cast<std::size_t>(unit.hazard - 1);  // rows are in hazard order
    const RatingRow& ratings = (basisA ? table621() : table622())[level];
    const DistanceRow& distance = (basisA ? table521() : table522())[level];
    const KItem& k = kItems()[static_cast<std::size_t>(unit.kItem - 1)];
    const int factorTenths = unit.special ? kSpecialFactorTenths : 10;

    r.u = tenthsFigure(ratings.uTenths, ratings.uText);
    r.k = tenthsFigure(k.tenths, k.valueText);
    r.factor = unit.special ? tenthsFigure(factorTenths, "1.3") : wholeFigure(1);
    r.area = figure(unit.areaMillionths, 1'000'000);
    r.minRating = ratings.minRating;

    // Q = (f/10)(K/10)(S/10⁶) / (U/10)
    const Int qNum = Int(factorTenths) * k.tenths * unit.areaMillionths;
    const Int qDen = Int(ratings.uTenths) * 10'000'000;
    r.q = figure(qNum, qDen);
    r.qRequired = toInt64(ceilDiv(qNum, qDen));
    // Qe from the rounded-up Q (7.1.1); ⌈⌈x⌉/N⌉ = ⌈x/N⌉, so the count is the same either way.
    r.qe = figure(r.qRequired, unit.points);
    r.qeRequired = toInt64(ceilDiv(r.qRequired, unit.points));
    r.formulaQ = "Q = " + std::string(unit.special ? "1.3 × " : "") + std::string(k.valueText) +
                 " × " + r.area.text + " ÷ " + std::string(ratings.uText) + " = " + r.q.text;
    r.formulaQe = "Qe = Q ÷ N = " + std::to_string(r.qRequired) + " ÷ " +
                  std::to_string(unit.points) + " = " + r.qe.text;

    const ModelInfo model = describe(unit.extinguisher);
    r.modelCode = model.code;
    r.modelDescription = model.description;
    r.wheeled = model.wheeled;
    r.rating = basisA ? model.ratingA : model.ratingB;
    r.maxDistanceM = model.wheeled ? distance.wheeledM : distance.handHeldM;

    const std::string classText = std::string(1, classLetter(unit.fireClass)) + "类火灾";
    bool countable = true;
    if (model.listed != nullptr) {
        if (!suitable(model.listed->agent, unit.fireClass)) {
            add(r, ProblemCode::NotSuitable, Severity::Error,
                r.modelDescription + "（" + std::string(agentName(model.listed->agent)) +
                    "）不适用于" + classText + "（4.2），不计算具数");
            countable = false;
        } else if (unit.fireClass == FireClass::E && model.listed->agent == Agent::CarbonDioxide) {
            add(r, ProblemCode::CarbonDioxideForE, Severity::Warning,
                "E类火灾场所不得选用装有金属喇叭喷筒的二氧化碳灭火器（4.2）");
        }
    } else {
        add(r, ProblemCode::CustomSuitability, Severity::Warning,
            "自备型号：程序无法核对其对" + classText + "的适用性（4.2），请自行确认");
    }
    if (countable && r.rating == 0) {
        add(r, ProblemCode::NoRating, Severity::Error,
            r.modelDescription + " 没有" + std::string(1, r.basis) + "类灭火级别，不计算具数");
        countable = false;
    }
    if (!countable) {
        return r;
    }

    if (r.rating < r.minRating) {
        add(r, ProblemCode::BelowMinimum, Severity::Error,
            "单具灭火级别 " + ratingText(r.rating, r.basis) + " 低于单具灭火器最小配置灭火级别 " +
                ratingText(r.minRating, r.basis) + (basisA ? "（6.2.1）" : "（6.2.2）"));
    }
    r.perPointRatio = figure(r.qeRequired, r.rating);
    r.formulaPerPoint = "n = Qe ÷ R = " + std::to_string(r.qeRequired) + " ÷ " +
                        std::to_string(r.rating) + " = " + r.perPointRatio.text;
    r.perPoint = toInt64(ceilDiv(r.qeRequired, r.rating));
    // 6.1.1: at least two in the unit; with one point both stand there.
    if (r.perPoint * unit.points < 2) {
        r.perPoint = 2;
    }
    r.total = r.perPoint * unit.points;
    r.computed = true;
    if (r.perPoint > 5) {
        const std::int64_t leastPoints = toInt64(ceilDiv(r.qRequired, Int(5) * r.rating));
        add(r, ProblemCode::MoreThanFive, Severity::Warning,
            "每个设置点 " + std::to_string(r.perPoint) +
                " 具，宜不多于5具（6.1.2）；设置点至少需 " + std::to_string(leastPoints) + " 个");
    }
    return r;
}

}  // namespace extcalc::gb50140
