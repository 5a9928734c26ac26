// SPDX-License-Identifier: MIT
#include "extcalc/answers2005.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "extcalc/answers.h"

namespace extcalc::building {
namespace {

namespace gb = gb50140;

std::size_t indexOf(Field field) {
    const auto* found = std::find(kFields2005.begin(), kFields2005.end(), field);
    return static_cast<std::size_t>(std::distance(kFields2005.begin(), found));
}

Fault unreadable(Field field, std::string_view answer, gb::ParseError error) {
    Fault fault{FaultCode::Unreadable, field, std::string(answer)};
    fault.parseError = error;
    return fault;
}

// Reads one answer with a parser of the core, noting why it cannot be used.
template <class Parser, class T>
void read(const Answers2005& answers, Field field, Parser parser, T& into,
          std::vector<Fault>& faults) {
    if (const auto& answer = answers[field]) {
        if (auto parsed = parser(*answer)) {
            into = std::move(parsed.value);
        } else {
            faults.push_back(unreadable(field, *answer, parsed.error));
        }
    }
}

char letterOf(gb::FireClass fireClass) {
    return gb::fireClasses()[static_cast<std::size_t>(fireClass)].letter;
}

struct Ratings {
    int a = 0;
    int b = 0;
};

Ratings ratingsOf(const gb::Unit& unit) {
    if (const auto* const* listed = std::get_if<const gb::Model*>(&unit.extinguisher)) {
        return {(*listed)->ratingA, (*listed)->ratingB};
    }
    const auto& custom = std::get<gb::CustomModel>(unit.extinguisher);
    return {custom.ratingA, custom.ratingB};
}

std::string ratingsOfText(Ratings ratings) {
    std::string text;
    if (ratings.a > 0) {
        text += std::to_string(ratings.a) + "A";
    }
    if (ratings.b > 0) {
        // Appended piece by piece: GCC 12 misreads "literal" + std::string&& when optimising.
        if (!text.empty()) {
            text += '/';
        }
        text.append(std::to_string(ratings.b)).append("B");
    }
    return text.empty() ? "无灭火级别" : text;
}

std::string_view severityText(gb::Severity severity) {
    return severity == gb::Severity::Error ? "错误" : "警告";
}

}  // namespace

std::optional<std::string_view>& Answers2005::operator[](Field field) {
    return given.at(indexOf(field));
}

const std::optional<std::string_view>& Answers2005::operator[](Field field) const {
    return given.at(indexOf(field));
}

std::string modelRatingsText(const gb::Unit& unit) {
    return ratingsOfText(ratingsOf(unit));
}

Check2005 check2005(const Answers2005& answers) {
    Check2005 check;
    auto& faults = check.faults;
    gb::Unit unit;

    std::optional<gb::ClassSet> fireClass;
    std::optional<Fault> classFault;
    if (const auto& answer = answers[Field::Class]) {
        if (const auto parsed = gb::parseFireClasses(*answer)) {
            fireClass = parsed.value;
            check.classes = parsed.value;
            unit.fireClass = parsed.value.list().front();
        } else {
            classFault = unreadable(Field::Class, *answer, parsed.error);
        }
    }
    const bool classE = fireClass && fireClass->has(gb::FireClass::E);
    for (const Field field : kFields2005) {
        if (!answers[field] && field != Field::Horn && (field != Field::EBasis || classE)) {
            faults.emplace_back(FaultCode::Missing, field);
        }
    }
    if (classFault) {
        faults.push_back(std::move(*classFault));
    }
    if (const auto& answer = answers[Field::EBasis]) {
        const bool basisA = equalsIgnoringAsciiCase(*answer, "A");
        if (fireClass && !classE) {
            faults.emplace_back(FaultCode::BasisNotForClass, Field::EBasis, std::string(*answer));
        } else if (!basisA && !equalsIgnoringAsciiCase(*answer, "B")) {
            faults.emplace_back(FaultCode::BadBasis, Field::EBasis, std::string(*answer));
        } else {
            unit.basis = basisA ? gb::FireClass::A : gb::FireClass::B;
        }
    }
    read(answers, Field::Hazard, gb::parseHazard, unit.hazard, faults);
    read(answers, Field::K, gb::parseKItem, unit.kItem, faults);
    if (const auto& answer = answers[Field::Special]) {
        if (const auto special = parseYesNo(*answer)) {
            unit.special = *special;
        } else {
            faults.emplace_back(FaultCode::BadYesNo, Field::Special, std::string(*answer));
        }
    }
    read(answers, Field::Area, gb::parseArea, unit.areaMillionths, faults);
    read(answers, Field::Points, gb::parsePoints, unit.points, faults);
    read(answers, Field::Extinguisher, gb::parseExtinguisher, unit.extinguisher, faults);
    if (const auto& answer = answers[Field::Horn]) {
        if (const auto nonMetal = parseYesNo(*answer)) {
            unit.horn = *nonMetal ? gb::Horn::NonMetal : gb::Horn::Metal;
        } else {
            faults.emplace_back(FaultCode::BadYesNo, Field::Horn, std::string(*answer));
        }
    }

    if (faults.empty()) {
        check.unit = unit;
    }
    return check;
}

namespace {

// The class line and the working of a place of several classes, one class at a time.
std::string severalClassesText(const gb::Unit& unit, const gb::Result& r) {
    std::string t = "火灾种类：" + gb::classSetText(r.classSet) + "（";
    bool first = true;
    for (const gb::FireClass fireClass : r.classSet.list()) {
        const auto& row = gb::fireClasses()[static_cast<std::size_t>(fireClass)];
        t += (first ? "" : "；") + std::string(1, row.letter) + "类 " + std::string(row.burns);
        first = false;
    }
    t += "）";
    if (r.classSet.has(gb::FireClass::E)) {
        t += "，E类按" + std::string(1, letterOf(unit.basis)) + "类的规定确定";
    }
    return t + '\n';
}

std::string perClassText(const gb::Result& r) {
    std::string t;
    for (const gb::ClassFigures& c : r.classes) {
        const std::string letter(1, letterOf(c.fireClass));
        const std::string basis(1, c.basis);
        t.append("\n").append(letter).append("类（U = ").append(c.u.text).append(" m²/");
        t.append(basis).append("）\n");
        t += "  计算单元最小需配灭火级别：" + c.formulaQ + "，取 " + std::to_string(c.qRequired) +
             basis + '\n';
        t += "  设置点最小需配灭火级别：" + c.formulaQe + "，取 " + std::to_string(c.qeRequired) +
             basis + '\n';
        t += "  单具灭火器最小配置灭火级别：" + std::to_string(c.minRating) + basis + '\n';
        t += "  所选灭火器灭火级别：" +
             (c.rating > 0 ? std::to_string(c.rating) + basis : "无" + basis + "类灭火级别") + '\n';
        if (c.counted) {
            t += "  每个设置点灭火器数：" + c.formulaPerPoint + "，取 " +
                 std::to_string(c.perPoint) + " 具\n";
        }
    }
    return t;
}

}  // namespace

std::int64_t perPointByRatings(const gb::Result& r) {
    std::int64_t most = 0;
    for (const gb::ClassFigures& c : r.classes) {
        most = std::max(most, c.perPoint);
    }
    return most;
}

std::string unitText(const gb::Unit& unit, const gb::Result& r,
                     std::optional<std::string_view> name) {
    const auto& fireClass = gb::fireClasses()[static_cast<std::size_t>(unit.fireClass)];
    const auto& hazard = gb::hazardLevels()[static_cast<std::size_t>(unit.hazard - 1)];
    const auto& k = gb::kItems()[static_cast<std::size_t>(unit.kItem - 1)];
    const std::string basis(1, r.basis);
    std::string t = std::string(r.standard) + '\n';
    if (name) {
        t += "计算单元：" + std::string(*name) + '\n';
    }
    if (r.several()) {
        t += severalClassesText(unit, r);
    } else {
        t += "火灾种类：" + std::string(1, fireClass.letter) + "类 " + std::string(fireClass.burns);
        if (unit.fireClass == gb::FireClass::E) {
            t += "，按" + std::string(1, letterOf(unit.basis)) + "类的规定确定";
        }
        t += '\n';
    }
    t += "危险等级：" + std::string(hazard.name) + '\n';
    t += "修正系数：" + std::string(k.text) + "，K = " + std::string(k.valueText) + '\n';
    t += "特殊场所：" +
         (unit.special ? "是（" + std::string(gb::kSpecialPlaces) + "，Q 乘以 1.3）"
                       : std::string("否")) +
         '\n';
    t += "保护面积：S = " + gb::decimalText(unit.areaMillionths, 1'000'000) + " m²\n";
    t += "设置点数：N = " + std::to_string(unit.points) + '\n';
    // Class D stops before the model is looked at; its problem says why.
    if (r.several() && !r.classes.empty()) {
        t += "灭火器：" + r.modelDescription + "，" + (r.wheeled ? "推车式" : "手提式") + "，" +
             modelRatingsText(unit) + '\n';
        t += perClassText(r);
        if (r.computed) {
            const std::string deciding(1, letterOf(*r.decidingClass));
            t += "\n每个设置点灭火器数：取各类中最多者，由" + deciding + "类确定，取 " +
                 std::to_string(r.perPoint) + " 具";
            if (r.perPoint > perPointByRatings(r)) {
                t += "（每个计算单元不少于2具，6.1.1）";
            }
            t += "\n计算单元灭火器总数：" + std::to_string(r.perPoint) + " × " +
                 std::to_string(r.points) + " = " + std::to_string(r.total) + " 具\n";
            t += "最大保护距离：" + std::to_string(r.maxDistanceM) + " m（取各类中最小者）\n";
        }
    } else if (!r.formulaQ.empty()) {
        t += "灭火器：" + r.modelDescription + "，" + (r.wheeled ? "推车式" : "手提式") + "，" +
             modelRatingsText(unit) + '\n';
        t += "\n计算单元最小需配灭火级别：" + r.formulaQ + "，取 " + std::to_string(r.qRequired) +
             basis + '\n';
        t += "设置点最小需配灭火级别：" + r.formulaQe + "，取 " + std::to_string(r.qeRequired) +
             basis + '\n';
        t += "单具灭火器最小配置灭火级别：" + std::to_string(r.minRating) + basis + '\n';
        t += "所选灭火器灭火级别：" +
             (r.rating > 0 ? std::to_string(r.rating) + basis : "无" + basis + "类灭火级别") + '\n';
    }
    if (r.computed && !r.several()) {
        t += "每个设置点灭火器数：" + r.formulaPerPoint + "，取 " + std::to_string(r.perPoint) +
             " 具";
        const std::int64_t byRating = (r.qeRequired + r.rating - 1) / r.rating;
        if (r.perPoint > byRating) {
            t += "（每个计算单元不少于2具，6.1.1）";
        }
        t += "\n计算单元灭火器总数：" + std::to_string(r.perPoint) + " × " +
             std::to_string(r.points) + " = " + std::to_string(r.total) + " 具\n";
        t += "最大保护距离：" + std::to_string(r.maxDistanceM) + " m\n";
    }

    t += r.problems.empty() ? "\n问题：无\n" : "\n问题：\n";
    for (const gb::Problem& problem : r.problems) {
        t += "  " + problemLine(problem) + '\n';
    }
    if (std::any_of(r.problems.begin(), r.problems.end(),
                    [](const gb::Problem& p) { return p.mandatory(); })) {
        t += "  （" + std::string(gb::kMandatoryLegend) + "）\n";
    }
    return t;
}

std::string problemLine(const gb::Problem& problem) {
    return std::string(severityText(problem.severity)) + "：" +
           (problem.mandatory() ? std::string(gb::kMandatoryMark) : std::string()) + problem.text;
}

nlohmann::json problemJson(const gb::Problem& problem) {
    return {{"severity", problem.severity == gb::Severity::Error ? "error" : "warning"},
            {"text", problem.text},
            {"clause", problem.clause},
            {"mandatory", problem.mandatory()}};
}

nlohmann::json unitJson(const gb::Result& r, std::optional<std::string_view> name) {
    using nlohmann::json;
    const bool calculated = !r.formulaQ.empty();
    const auto figure = [calculated](const gb::Figure& f) {
        return calculated ? json(f.value) : json(nullptr);
    };
    const auto whole = [](bool given, std::int64_t value) {
        return given ? json(value) : json(nullptr);
    };
    json object{
        {"standard", r.standard},
        {"class", std::string(1, letterOf(r.fireClass))},
        {"basis", calculated ? json(std::string(1, r.basis)) : json(nullptr)},
        {"U", figure(r.u)},
        {"K", figure(r.k)},
        {"factor", figure(r.factor)},
        {"S", figure(r.area)},
        {"Q", figure(r.q)},
        {"Q_required", whole(calculated, r.qRequired)},
        {"points", r.points},
        {"Qe", figure(r.qe)},
        {"Qe_required", whole(calculated, r.qeRequired)},
        {"min_rating", whole(calculated, r.minRating)},
        {"model",
         calculated ? json(r.modelCode.empty() ? r.modelDescription : r.modelCode) : json(nullptr)},
        {"wheeled", calculated ? json(r.wheeled) : json(nullptr)},
        {"rating", whole(calculated, r.rating)},
        {"per_point", whole(r.computed, r.perPoint)},
        {"total", whole(r.computed, r.total)},
        {"max_distance_m", whole(calculated, r.maxDistanceM)},
        {"formula_Q", r.formulaQ},
        {"formula_Qe", r.formulaQe},
        {"problems", json::array()},
    };
    if (name) {
        object["name"] = *name;
    }
    if (r.several()) {
        object["class"] = gb::classSetText(r.classSet);
        for (const char* key :
             {"basis", "U", "Q", "Q_required", "Qe", "Qe_required", "min_rating", "rating"}) {
            object[key] = nullptr;
        }
        object["formula_Q"] = "";
        object["formula_Qe"] = "";
        object["classes"] = json::array();
        for (const gb::ClassFigures& c : r.classes) {
            object["classes"].push_back({
                {"class", std::string(1, letterOf(c.fireClass))},
                {"basis", std::string(1, c.basis)},
                {"U", c.u.value},
                {"Q", c.q.value},
                {"Q_required", c.qRequired},
                {"Qe", c.qe.value},
                {"Qe_required", c.qeRequired},
                {"min_rating", c.minRating},
                {"rating", c.rating},
                {"per_point", whole(c.counted, c.perPoint)},
                {"max_distance_m", c.maxDistanceM},
                {"formula_Q", c.formulaQ},
                {"formula_Qe", c.formulaQe},
                {"formula_per_point", c.formulaPerPoint},
            });
        }
        object["deciding_class"] =
            r.decidingClass ? json(std::string(1, letterOf(*r.decidingClass))) : json(nullptr);
    }
    for (const gb::Problem& problem : r.problems) {
        object["problems"].push_back(problemJson(problem));
    }
    return object;
}

}  // namespace extcalc::building
