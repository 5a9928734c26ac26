// SPDX-License-Identifier: MIT
// One calculation unit under GB 50140-2005 (7.1–7.3, with 4.2, 5.2, 6.1, 6.2).
//
// Every quantity is a fraction of whole numbers: S in millionths of a m², K, the factor and U
// in tenths. Q = f·K·S/U is then num/den with num ≤ 13 · 10 · 10¹⁵ and den ≤ 10¹⁰, so rounding
// up is an integer division and never suffers from binary noise. The product is formed in a
// checked wide type, so a limit raised without care throws instead of giving a wrong count;
// everything after it provably fits 64 bits and stays there, which keeps a unit well under a
// microsecond.

#include <boost/multiprecision/cpp_int.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

using Int = boost::multiprecision::checked_int128_t;

std::int64_t toInt64(const Int& v) {
    if (v > std::numeric_limits<std::int64_t>::max() ||
        v < std::numeric_limits<std::int64_t>::min()) {
        throw std::overflow_error("GB 50140-2005: value beyond 64 bits");
    }
    return static_cast<std::int64_t>(v);
}

std::int64_t ceilDiv(std::int64_t num, std::int64_t den) {
    return num / den + (num % den > 0 ? 1 : 0);
}

// A number as text on the stack.
class Number {
  public:
    explicit Number(std::int64_t v)
        : size_(static_cast<std::size_t>(std::to_chars(buf_.begin(), buf_.end(), v).ptr -
                                         buf_.data())) {}
    operator std::string_view() const {
        return {buf_.data(), size_};
    }  // NOLINT(google-explicit-constructor)

  private:
    std::array<char, 24> buf_{};
    std::size_t size_;
};

// One allocation for a whole line of text.
template <typename... Parts>
std::string concat(const Parts&... parts) {
    const std::array<std::string_view, sizeof...(Parts)> views{std::string_view(parts)...};
    std::string out;
    out.reserve(std::accumulate(views.begin(), views.end(), std::size_t{0},
                                [](std::size_t n, std::string_view v) { return n + v.size(); }));
    for (const auto v : views) {
        out.append(v);
    }
    return out;
}

Figure figure(std::int64_t num, std::int64_t den) {
    // Both parts are exact doubles, so only the last division and the sum round.
    const std::int64_t whole = num / den;
    const std::int64_t rest = num % den;
    const double value =
        static_cast<double>(whole) + static_cast<double>(rest) / static_cast<double>(den);
    return Figure{value, decimalText(num, den)};
}

Figure wholeFigure(std::int64_t v) {
    return Figure{static_cast<double>(v), std::string(Number(v))};
}

// A value held in tenths, as the tables write it.
Figure tenthsFigure(int tenths, std::string_view text) {
    return Figure{static_cast<double>(tenths) / 10.0, std::string(text)};
}

std::string_view letterText(const char& letter) {
    return {&letter, 1};
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
        info.description = concat(m.code, " ", m.type, " ", m.charge);
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
    // Written back in the grammar the parser reads, so the designer recognises the entry.
    const Number a(custom.ratingA);
    const Number b(custom.ratingB);
    const bool hasA = custom.ratingA > 0;
    const bool hasB = custom.ratingB > 0;
    info.description = concat("自备型号 ", hasA ? std::string_view(a) : "", hasA ? "A" : "",
                              hasA && hasB ? "/" : "", hasB ? std::string_view(b) : "",
                              hasB ? "B" : "", custom.wheeled ? "/推车式" : "");
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

const char& classLetter(FireClass fireClass) {
    return fireClasses()[static_cast<std::size_t>(fireClass)].letter;
}

void add(Result& r, ProblemCode code, Severity severity, std::string_view clause,
         std::string text) {
    r.problems.push_back(Problem{code, severity, std::move(text), clause});
}

}  // namespace

std::string decimalText(std::int64_t num, std::int64_t den) {
    const std::int64_t whole = num / den;
    const std::int64_t rest = num % den;
    if (rest == 0) {
        return std::string(Number(whole));
    }
    // rest·10⁶·2 + den stays within 64 bits up to this denominator (every one the calculation
    // uses); beyond it the checked wide type takes over.
    constexpr std::int64_t kNarrowDen = 1'000'000'000'000;
    std::int64_t scale = 100;
    for (int decimals = 2; decimals <= 6; ++decimals, scale *= 10) {
        // Rounded half up to `decimals` places.
        std::int64_t fraction = den <= kNarrowDen
                                    ? (rest * scale * 2 + den) / (den * 2)
                                    : toInt64((Int(rest) * scale * 2 + den) / (Int(den) * 2));
        std::int64_t shown = whole;
        if (fraction == scale) {
            shown += 1;
            fraction = 0;
        }
        if (fraction != 0 || decimals == 6) {
            if (fraction == 0) {
                // Still looks whole: take the nearest 6-place text on the true side instead.
                fraction = shown == whole ? 1 : scale - 1;
                shown = whole;
            }
            const Number digits(fraction);
            const std::string_view zeros = "000000";
            return concat(Number(shown), ".",
                          zeros.substr(0, static_cast<std::size_t>(decimals) -
                                              std::string_view(digits).size()),
                          digits);
        }
    }
    return std::string(Number(whole));  // not reached: the loop returns at 6 places
}

bool Result::hasError() const {
    return std::any_of(problems.begin(), problems.end(),
                       [](const Problem& p) { return p.severity == Severity::Error; });
}

namespace {

// A place with several classes (4.1.2): each class is calculated on its own tables (7.3.1),
// the model must suit and be rated for every one of them (4.2, 6.2.1/6.2.2), and the class
// needing most extinguishers per point decides the count.
// 4.2 for one class of the place: whether the model may count for it. A model of one's own
// cannot be checked, and a CO₂ extinguisher in class E only by the horn the designer states.
// rest is said after the clause of an unsuitable model (a place of several classes adds 4.1.2).
bool suitsClass(Result& r, const ModelInfo& model, FireClass fireClass, Horn horn,
                std::string_view rest) {
    const std::string_view classText = letterText(classLetter(fireClass));
    const std::string_view suitClause = suitabilityClause(fireClass);
    if (model.listed == nullptr) {
        add(r, ProblemCode::CustomSuitability, Severity::Warning, suitClause,
            concat("自备型号：程序无法核对其对", classText, "类火灾的适用性（", suitClause,
                   "），请自行确认"));
        return true;
    }
    if (!suitable(model.listed->agent, fireClass)) {
        add(r, ProblemCode::NotSuitable, Severity::Error, suitClause,
            concat(r.modelDescription, "（", agentName(model.listed->agent), "）不适用于",
                   classText, "类火灾（", suitClause, "）", rest, "，不计算具数"));
        return false;
    }
    if (fireClass == FireClass::E && model.listed->agent == Agent::CarbonDioxide) {
        if (horn == Horn::Metal) {
            add(r, ProblemCode::CarbonDioxideForE, Severity::Error, suitClause,
                "装有金属喇叭喷筒的二氧化碳灭火器不得用于E类火灾场所（4.2.5），不计算具数");
            return false;
        }
        if (horn == Horn::Unstated) {
            // Not a failed check: only the installed product shows the horn.
            add(r, ProblemCode::CarbonDioxideForE, Severity::Warning, suitClause,
                "E类火灾场所不得选用装有金属喇叭喷筒的二氧化碳灭火器（4.2.5）；"
                "所选灭火器为非金属喇叭喷筒时，请注明");
        }
    }
    return true;
}

Result calculateSeveral(const Unit& unit, ClassSet set) {
    Result r;
    const std::vector<FireClass> classes = set.list();
    r.fireClass = classes.front();
    r.classSet = set;
    r.points = unit.points;
    if (set.has(FireClass::D)) {
        add(r, ProblemCode::ClassD, Severity::Error, suitabilityClause(FireClass::D),
            "D类火灾（金属火灾）：规范无通用计算规则，应根据具体情况研究确定，"
            "并选择扑灭金属火灾的专用灭火器（4.2.4）");
        return r;
    }
    const KItem& k = kItems()[static_cast<std::size_t>(unit.kItem - 1)];
    const int factorTenths = unit.special ? kSpecialFactorTenths : 10;
    const auto level = static_cast<std::size_t>(unit.hazard - 1);
    r.k = tenthsFigure(k.tenths, k.valueText);
    r.factor = unit.special ? tenthsFigure(factorTenths, "1.3") : wholeFigure(1);
    r.area = figure(unit.areaMillionths, 1'000'000);

    ModelInfo model = describe(unit.extinguisher);
    r.modelCode = std::move(model.code);
    r.modelDescription = std::move(model.description);
    r.wheeled = model.wheeled;

    bool countable = true;
    for (const FireClass fireClass : classes) {
        const std::string_view classText = letterText(classLetter(fireClass));
        const bool basisA =
            fireClass == FireClass::A || (fireClass == FireClass::E && unit.basis == FireClass::A);
        const RatingRow& ratings = (basisA ? table621() : table622())[level];
        const std::string_view minClause = basisA ? "6.2.1" : "6.2.2";
        ClassFigures c;
        c.fireClass = fireClass;
        c.basis = basisA ? 'A' : 'B';
        c.u = tenthsFigure(ratings.uTenths, ratings.uText);
        c.minRating = ratings.minRating;
        const std::int64_t qNum = toInt64(Int(factorTenths) * k.tenths * unit.areaMillionths);
        const std::int64_t qDen = std::int64_t{ratings.uTenths} * 10'000'000;
        c.q = figure(qNum, qDen);
        c.qRequired = ceilDiv(qNum, qDen);
        c.qe = figure(c.qRequired, unit.points);
        c.qeRequired = ceilDiv(c.qRequired, unit.points);
        c.formulaQ = concat("Q", classText, " = ", unit.special ? "1.3 × " : "", k.valueText, " × ",
                            r.area.text, " ÷ ", ratings.uText, " = ", c.q.text);
        c.formulaQe = concat("Qe", classText, " = Q", classText, " ÷ N = ", Number(c.qRequired),
                             " ÷ ", Number(unit.points), " = ", c.qe.text);
        c.rating = basisA ? model.ratingA : model.ratingB;
        c.maxDistanceM = maxDistanceM(fireClass, unit.basis, unit.hazard, model.wheeled);

        bool classCountable = suitsClass(r, model, fireClass, unit.horn,
                                         "；几类火灾的场所应选用通用型灭火器（4.1.2）");
        if (classCountable && c.rating == 0) {
            add(r, ProblemCode::NoRating, Severity::Error, minClause,
                concat(r.modelDescription, " 没有", letterText(c.basis), "类灭火级别（", classText,
                       "类火灾需要，", minClause, "），不计算具数"));
            classCountable = false;
        }
        if (classCountable) {
            if (c.rating < c.minRating) {
                add(r, ProblemCode::BelowMinimum, Severity::Error, minClause,
                    concat(classText, "类：单具灭火级别 ", Number(c.rating), letterText(c.basis),
                           " 低于单具灭火器最小配置灭火级别 ", Number(c.minRating),
                           letterText(c.basis), "（", minClause, "）"));
            }
            c.perPointRatio = figure(c.qeRequired, c.rating);
            c.formulaPerPoint =
                concat("n", classText, " = Qe", classText, " ÷ R", classText, " = ",
                       Number(c.qeRequired), " ÷ ", Number(c.rating), " = ", c.perPointRatio.text);
            c.perPoint = ceilDiv(c.qeRequired, c.rating);
            c.counted = true;
        }
        countable = countable && classCountable;
        r.classes.push_back(std::move(c));
    }

    // The figures of one class stand in the single fields: the deciding class's once there
    // is a count, the first class's until then.
    const auto deciding = std::max_element(
        r.classes.begin(), r.classes.end(),
        [](const ClassFigures& a, const ClassFigures& b) { return a.perPoint < b.perPoint; });
    const ClassFigures& shown = countable ? *deciding : r.classes.front();
    r.basis = shown.basis;
    r.u = shown.u;
    r.q = shown.q;
    r.qRequired = shown.qRequired;
    r.qe = shown.qe;
    r.qeRequired = shown.qeRequired;
    r.minRating = shown.minRating;
    r.rating = shown.rating;
    r.formulaQ = shown.formulaQ;
    r.formulaQe = shown.formulaQe;
    // Every class's spot must be within reach, so the shortest distance holds (5.2.1, 5.2.2).
    r.maxDistanceM = std::min_element(r.classes.begin(), r.classes.end(),
                                      [](const ClassFigures& a, const ClassFigures& b) {
                                          return a.maxDistanceM < b.maxDistanceM;
                                      })
                         ->maxDistanceM;
    if (!countable) {
        return r;
    }
    r.decidingClass = shown.fireClass;
    r.perPointRatio = shown.perPointRatio;
    r.formulaPerPoint = shown.formulaPerPoint;
    r.perPoint = shown.perPoint;
    if (r.perPoint * unit.points < 2) {
        r.perPoint = 2;
    }
    r.total = r.perPoint * unit.points;
    r.computed = true;
    if (r.perPoint > 5) {
        std::int64_t leastPoints = 1;
        for (const ClassFigures& c : r.classes) {
            leastPoints = std::max(leastPoints, ceilDiv(c.qRequired, std::int64_t{5} * c.rating));
        }
        add(r, ProblemCode::MoreThanFive, Severity::Warning, "6.1.2",
            concat("每个设置点 ", Number(r.perPoint), " 具，宜不多于5具（6.1.2）；设置点至少需 ",
                   Number(leastPoints), " 个"));
    }
    return r;
}

}  // namespace

Result calculate(const Unit& unit, ClassSet classes) {
    if (classes.size() <= 1) {
        Unit one = unit;
        if (!classes.empty()) {
            one.fireClass = classes.list().front();
        }
        return calculate(one);
    }
    Unit checked = unit;
    // The first class stands for the set in the range checks; E's basis is checked with E.
    checked.fireClass = classes.has(FireClass::E) ? FireClass::E : classes.list().front();
    if (!invalidInput(checked).empty()) {
        return calculate(checked);
    }
    return calculateSeveral(unit, classes);
}

Result calculate(const Unit& unit) {
    Result r;
    r.fireClass = unit.fireClass;
    r.points = unit.points;
    if (const auto what = invalidInput(unit); !what.empty()) {
        add(r, ProblemCode::InvalidUnit, Severity::Error, "", concat("输入超出范围：", what));
        return r;
    }
    if (unit.fireClass == FireClass::D) {
        add(r, ProblemCode::ClassD, Severity::Error, suitabilityClause(FireClass::D),
            "D类火灾（金属火灾）：规范无通用计算规则，应根据具体情况研究确定，"
            "并选择扑灭金属火灾的专用灭火器（4.2.4）");
        return r;
    }

    const bool basisA = unit.fireClass == FireClass::A ||
                        (unit.fireClass == FireClass::E && unit.basis == FireClass::A);
    r.basis = basisA ? 'A' : 'B';
    const auto level = static_cast<std::size_t>(unit.hazard - 1);  // rows are in hazard order
    const RatingRow& ratings = (basisA ? table621() : table622())[level];
    const KItem& k = kItems()[static_cast<std::size_t>(unit.kItem - 1)];
    const int factorTenths = unit.special ? kSpecialFactorTenths : 10;

    r.u = tenthsFigure(ratings.uTenths, ratings.uText);
    r.k = tenthsFigure(k.tenths, k.valueText);
    r.factor = unit.special ? tenthsFigure(factorTenths, "1.3") : wholeFigure(1);
    r.area = figure(unit.areaMillionths, 1'000'000);
    r.minRating = ratings.minRating;

    // Q = (f/10)(K/10)(S/10⁶) / (U/10)
    const std::int64_t qNum = toInt64(Int(factorTenths) * k.tenths * unit.areaMillionths);
    const std::int64_t qDen = std::int64_t{ratings.uTenths} * 10'000'000;
    r.q = figure(qNum, qDen);
    r.qRequired = ceilDiv(qNum, qDen);
    // Qe from the rounded-up Q (7.1.1); ⌈⌈x⌉/N⌉ = ⌈x/N⌉, so the count is the same either way.
    r.qe = figure(r.qRequired, unit.points);
    r.qeRequired = ceilDiv(r.qRequired, unit.points);
    r.formulaQ = concat("Q = ", unit.special ? "1.3 × " : "", k.valueText, " × ", r.area.text,
                        " ÷ ", ratings.uText, " = ", r.q.text);
    r.formulaQe =
        concat("Qe = Q ÷ N = ", Number(r.qRequired), " ÷ ", Number(unit.points), " = ", r.qe.text);

    ModelInfo model = describe(unit.extinguisher);
    r.modelCode = std::move(model.code);
    r.modelDescription = std::move(model.description);
    r.wheeled = model.wheeled;
    r.rating = basisA ? model.ratingA : model.ratingB;
    r.maxDistanceM = maxDistanceM(unit.fireClass, unit.basis, unit.hazard, model.wheeled);

    const std::string_view minClause = basisA ? "6.2.1" : "6.2.2";
    bool countable = suitsClass(r, model, unit.fireClass, unit.horn, "");
    if (countable && r.rating == 0) {
        add(r, ProblemCode::NoRating, Severity::Error, minClause,
            concat(r.modelDescription, " 没有", letterText(r.basis), "类灭火级别（", minClause,
                   "），不计算具数"));
        countable = false;
    }
    if (!countable) {
        return r;
    }

    if (r.rating < r.minRating) {
        add(r, ProblemCode::BelowMinimum, Severity::Error, minClause,
            concat("单具灭火级别 ", Number(r.rating), letterText(r.basis),
                   " 低于单具灭火器最小配置灭火级别 ", Number(r.minRating), letterText(r.basis),
                   "（", minClause, "）"));
    }
    r.perPointRatio = figure(r.qeRequired, r.rating);
    r.formulaPerPoint = concat("n = Qe ÷ R = ", Number(r.qeRequired), " ÷ ", Number(r.rating),
                               " = ", r.perPointRatio.text);
    r.perPoint = ceilDiv(r.qeRequired, r.rating);
    // 6.1.1: at least two in the unit; with one point both stand there.
    if (r.perPoint * unit.points < 2) {
        r.perPoint = 2;
    }
    r.total = r.perPoint * unit.points;
    r.computed = true;
    if (r.perPoint > 5) {
        const std::int64_t leastPoints = ceilDiv(r.qRequired, std::int64_t{5} * r.rating);
        add(r, ProblemCode::MoreThanFive, Severity::Warning, "6.1.2",
            concat("每个设置点 ", Number(r.perPoint), " 具，宜不多于5具（6.1.2）；设置点至少需 ",
                   Number(leastPoints), " 个"));
    }
    return r;
}

}  // namespace extcalc::gb50140
