// SPDX-License-Identifier: MIT
#include "extcalc/report.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "extcalc/answers2005.h"
#include "extcalc/classic_table.h"
#include "extcalc/lists.h"
#include "extcalc/numbers.h"
#include "extcalc/plan_view.h"

namespace extcalc::report {
namespace {

namespace gb = gb50140;
using building::Standard;
using building::UnitCells;
using building::UnitOutcome;

std::string str(std::string_view text) {
    return std::string(text);
}

Table makeTable(std::string caption, std::vector<std::string> header, std::vector<int> weights,
                std::vector<bool> numeric) {
    Table table;
    table.caption = std::move(caption);
    table.header = std::move(header);
    table.weights = std::move(weights);
    table.numeric = std::move(numeric);
    return table;
}

std::string cellOf(Standard standard, const UnitCells& cells, building::Field field) {
    const auto columns = building::inputColumns(standard);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].field == field) {
            return i < cells.size() ? cells[i] : std::string();
        }
    }
    return {};
}

std::string unitName(const UnitCells& cells, std::size_t index) {
    const std::string& name = cells.empty() ? std::string() : cells.front();
    return name.empty() ? "计算单元 " + std::to_string(index + 1) : name;
}

Status statusOf(gb::Severity severity) {
    return severity == gb::Severity::Error ? Status::Fail : Status::Warn;
}

Status statusOf(const UnitOutcome& outcome) {
    if (outcome.failed()) {
        return Status::Fail;
    }
    return outcome.hasWarnings() ? Status::Warn : Status::Pass;
}

void faultChecks(const UnitOutcome& outcome, std::vector<Block>& blocks) {
    std::transform(outcome.faults.begin(), outcome.faults.end(), std::back_inserter(blocks),
                   [](const building::Fault& fault) -> Block {
                       return Check{Status::Fail, "", describe(fault, building::Naming::Column)};
                   });
}

// ---- GB 50140-2005 ----------------------------------------------------------------------

constexpr std::size_t kSummaryColumns2005 = 15;

const gb::Problem* problemOf(const gb::Result& r, gb::ProblemCode code) {
    const auto found = std::find_if(r.problems.begin(), r.problems.end(),
                                    [code](const gb::Problem& p) { return p.code == code; });
    return found == r.problems.end() ? nullptr : &*found;
}

char letterOf(gb::FireClass fireClass) {
    return gb::fireClasses()[static_cast<std::size_t>(fireClass)].letter;
}

bool basisIsA(const gb::Unit& unit) {
    return unit.fireClass == gb::FireClass::A ||
           (unit.fireClass == gb::FireClass::E && unit.basis == gb::FireClass::A);
}

std::string_view hazardName(int hazard) {
    return gb::hazardLevels()[static_cast<std::size_t>(hazard - 1)].name;
}

std::string classText(const gb::Unit& unit) {
    const auto& row = gb::fireClasses()[static_cast<std::size_t>(unit.fireClass)];
    std::string text = std::string(1, row.letter) + "类（" + str(row.burns) + "）";
    if (unit.fireClass == gb::FireClass::E) {
        text += "，按" + std::string(1, letterOf(unit.basis)) +
                "类的规定确定（最大保护距离 5.2.4、配置基准 6.2：不低于该场所" +
                std::string(1, letterOf(unit.basis)) + "类火灾的规定）";
    }
    return text;
}

// "A+B：A类（固体物质火灾）、B类（…）", with E's basis when E is among them.
std::string classesText(const gb::Unit& unit, const gb::Result& r) {
    std::string text = gb::classSetText(r.classSet) + "：";
    bool first = true;
    for (const gb::FireClass fireClass : r.classSet.list()) {
        const auto& row = gb::fireClasses()[static_cast<std::size_t>(fireClass)];
        text += (first ? "" : "、") + std::string(1, row.letter) + "类（" + str(row.burns) + "）";
        first = false;
    }
    if (r.classSet.has(gb::FireClass::E)) {
        text += "；E类按" + std::string(1, letterOf(unit.basis)) + "类的规定确定（5.2.4、6.2）";
    }
    return text + "；几类火灾的场所选用通用型灭火器，逐类计算（4.1.2、7.3.1）";
}

// The hazard level, and beside it why, as the designer wrote it.
std::string hazardText(std::string_view level, std::string_view basis) {
    std::string text(level);
    const std::string_view why = building::trimmedAnswer(basis);
    if (!why.empty()) {
        text += "（依据：" + str(why) + "）";
    }
    return text;
}

// What the units of a project use of the standard's tables, for the basis.
struct Used {
    std::set<int> hazardsA;  // 6.2.1 and 5.2.1
    std::set<int> hazardsB;  // 6.2.2 and 5.2.2
    std::set<int> kItems;
    std::set<const gb::Model*> models;
    bool special = false;
};

Used usedBy(const std::vector<UnitOutcome>& outcomes) {
    Used used;
    for (const auto& outcome : outcomes) {
        if (!outcome.unit || outcome.unit->fireClass == gb::FireClass::D) {
            continue;
        }
        const gb::Unit& unit = *outcome.unit;
        if (outcome.current && outcome.current->several()) {
            if (outcome.current->classSet.has(gb::FireClass::D)) {
                continue;
            }
            for (const gb::ClassFigures& c : outcome.current->classes) {
                (c.basis == 'A' ? used.hazardsA : used.hazardsB).insert(unit.hazard);
            }
        } else {
            (basisIsA(unit) ? used.hazardsA : used.hazardsB).insert(unit.hazard);
        }
        used.kItems.insert(unit.kItem);
        used.special = used.special || unit.special;
        if (const auto* const* model = std::get_if<const gb::Model*>(&unit.extinguisher)) {
            used.models.insert(*model);
        }
    }
    return used;
}

std::string uUnit(bool a) {
    return a ? "m²/A" : "m²/B";
}

void ratingTable(bool a, const std::set<int>& hazards, std::vector<Block>& blocks) {
    if (hazards.empty()) {
        return;
    }
    const std::string letter = a ? "A" : "B";
    Table table = makeTable(a ? "表6.2.1 A类火灾场所灭火器的最低配置基准（本工程用到的行）"
                              : "表6.2.2 B、C类火灾场所灭火器的最低配置基准（本工程用到的行）",
                            {"危险等级", "单具灭火器最小配置灭火级别",
                             "单位灭火级别最大保护面积 U（" + uUnit(a) + "）"},
                            {3, 4, 4}, {false, true, true});
    for (const int hazard : hazards) {
        const auto& row =
            (a ? gb::table621() : gb::table622())[static_cast<std::size_t>(hazard - 1)];
        table.rows.push_back(
            {str(hazardName(hazard)), std::to_string(row.minRating) + letter, str(row.uText)});
    }
    blocks.emplace_back(std::move(table));
}

void distanceTable(bool a, const std::set<int>& hazards, std::vector<Block>& blocks) {
    if (hazards.empty()) {
        return;
    }
    Table table =
        makeTable(a ? "表5.2.1 A类火灾场所的灭火器最大保护距离（m，本工程用到的行）"
                    : "表5.2.2 B、C类火灾场所的灭火器最大保护距离（m，本工程用到的行）",
                  {"危险等级", "手提式灭火器", "推车式灭火器"}, {3, 3, 3}, {false, true, true});
    for (const int hazard : hazards) {
        const auto& row =
            (a ? gb::table521() : gb::table522())[static_cast<std::size_t>(hazard - 1)];
        table.rows.push_back(
            {str(hazardName(hazard)), std::to_string(row.handHeldM), std::to_string(row.wheeledM)});
    }
    blocks.emplace_back(std::move(table));
}

std::string ratingText(int rating, std::string_view letter) {
    return rating > 0 ? std::to_string(rating) + str(letter) : "—";
}

// The clauses a key names, marked when every one of them is mandatory; shown is how the key
// writes them where that differs ("4.2.1～4.2.5").
std::string clauseKey(std::string_view clauses, std::string_view shown = {}) {
    return (gb::isMandatory(clauses) ? str(gb::kMandatoryMark) : std::string()) +
           str(shown.empty() ? clauses : shown);
}

// What the mark means, and which clauses carry it, from the one list of them. A zero-width
// space after each "、" lets a line break between two clause numbers, never inside one
// ("4." and "2.5" on two lines): without it the list is one unbreakable word to the PDF's
// line breaker.
std::string mandatoryLegend() {
    std::string text = str(gb::kMandatoryLegend) + "。本规范的强制性条文为第 ";
    const auto clauses = gb::mandatoryClauses();
    for (std::size_t i = 0; i < clauses.size(); ++i) {
        text += (i == 0 ? "" : "、\u200B") + str(clauses[i]);
    }
    return text + " 条。下文的校核凡依据其中一条的，均标“" + str(gb::kMandatoryMark) +
           "”：不满足的为“不通过”；程序无法判定、须设计人确认的为“注意”。";
}

void basis2005(const Used& used, std::vector<Block>& blocks) {
    blocks.emplace_back(Heading{1, "一、设计依据"});
    blocks.emplace_back(Paragraph{"按" + str(building::standardTitle(Standard::Gb50140_2005)) +
                                  "计算，所用条文如下。"});
    blocks.emplace_back(Paragraph{mandatoryLegend()});
    blocks.emplace_back(KeyValue{{clauseKey("4.2.1/4.2.2/4.2.3/4.2.4/4.2.5", "4.2.1～4.2.5"),
                                  "灭火器的选择：所选灭火器应适用于计算单元的火灾种类；"
                                  "E类火灾场所不得选用装有金属喇叭喷筒的二氧化碳灭火器。"}});
    blocks.emplace_back(KeyValue{{clauseKey("5.2.1/5.2.2"),
                                  "设置点到计算单元内任一点的距离不应大于"
                                  "灭火器的最大保护距离。"}});
    blocks.emplace_back(
        KeyValue{{clauseKey("6.1.1"), "一个计算单元内配置的灭火器数量不得少于2具。"}});
    blocks.emplace_back(KeyValue{{clauseKey("6.1.2"), "每个设置点的灭火器数量不宜多于5具。"}});
    blocks.emplace_back(KeyValue{{clauseKey("6.2.1/6.2.2"),
                                  "单具灭火器的灭火级别不应低于单具灭火器"
                                  "最小配置灭火级别；U 为单位灭火级别最大保护面积。"}});
    blocks.emplace_back(KeyValue{{"7.1.1", "计算所得的灭火级别和灭火器数量只进不舍，取整数。"}});
    blocks.emplace_back(KeyValue{{"7.3.1", "计算单元的最小需配灭火级别 Q = K·S/U。"}});
    blocks.emplace_back(
        KeyValue{{"7.3.2", "修正系数 K：按室内消火栓系统和灭火系统的设置情况取值。"}});
    blocks.emplace_back(KeyValue{{"7.3.3", str(gb::kSpecialPlaces) + "：Q = 1.3·K·S/U。"}});
    blocks.emplace_back(KeyValue{{"7.3.4", "设置点的最小需配灭火级别 Qe = Q/N，N 为设置点数。"}});

    ratingTable(true, used.hazardsA, blocks);
    ratingTable(false, used.hazardsB, blocks);
    distanceTable(true, used.hazardsA, blocks);
    distanceTable(false, used.hazardsB, blocks);
    if (!used.kItems.empty()) {
        Table table =
            makeTable("7.3.2 修正系数（本工程用到的项）", {"设置情况", "K"}, {8, 2}, {false, true});
        for (const int item : used.kItems) {
            const auto& k = gb::kItems()[static_cast<std::size_t>(item - 1)];
            table.rows.push_back({str(k.text), str(k.valueText)});
        }
        blocks.emplace_back(std::move(table));
    }
    if (!used.models.empty()) {
        Table table = makeTable("附录A 本工程选用的灭火器型号",
                                {"型号", "类型", "充装量", "灭火级别 A", "灭火级别 B", "形式"},
                                {3, 5, 2, 2, 2, 2}, {false, false, false, true, true, false});
        // Pointers into the one array of models: their order is the list's.
        for (const gb::Model* m : used.models) {
            table.rows.push_back({str(m->code), str(m->type), str(m->charge),
                                  ratingText(m->ratingA, "A"), ratingText(m->ratingB, "B"),
                                  m->wheeled ? "推车式" : "手提式"});
        }
        blocks.emplace_back(std::move(table));
    }
}

std::string symbolicQ(bool special) {
    return special ? "Q = 1.3 × K × S ÷ U" : "Q = K × S ÷ U";
}

// "Q = 0.9 × 1500 ÷ 75 = 18" from the core, with the symbols put in front.
std::string formulaQ(const gb::Result& r, bool special) {
    constexpr std::string_view kPrefix = "Q = ";
    std::string_view numbers = r.formulaQ;
    if (numbers.starts_with(kPrefix)) {
        numbers.remove_prefix(kPrefix.size());
    }
    return symbolicQ(special) + " = " + str(numbers);
}

void checks2005(const gb::Unit& unit, const gb::Result& r, std::vector<Block>& blocks) {
    using gb::ProblemCode;
    const std::string basis(1, r.basis);
    if (const auto* p = problemOf(r, ProblemCode::InvalidUnit)) {
        blocks.emplace_back(Check{Status::Fail, "", p->text});
        return;
    }
    if (const auto* p = problemOf(r, ProblemCode::ClassD)) {
        blocks.emplace_back(Check{Status::Fail, str(p->clause), p->text});
        return;
    }
    const std::string suitClause = str(gb::suitabilityClause(unit.fireClass));
    if (const auto* p = problemOf(r, ProblemCode::NotSuitable)) {
        blocks.emplace_back(Check{Status::Fail, suitClause, p->text});
    } else if (const auto* co2 = problemOf(r, ProblemCode::CarbonDioxideForE)) {
        blocks.emplace_back(Check{statusOf(co2->severity), suitClause, co2->text});
    } else if (const auto* custom = problemOf(r, ProblemCode::CustomSuitability)) {
        blocks.emplace_back(Check{Status::Warn, suitClause, custom->text});
    } else if (const auto* const* model = std::get_if<const gb::Model*>(&unit.extinguisher)) {
        std::string text = r.modelCode + "（" + str(gb::agentName((*model)->agent)) + "）适用于" +
                           std::string(1, letterOf(unit.fireClass)) + "类火灾";
        if (unit.fireClass == gb::FireClass::E && (*model)->agent == gb::Agent::CarbonDioxide) {
            text += "；设计人注明：采用非金属喇叭喷筒";
        }
        blocks.emplace_back(Check{Status::Pass, suitClause, std::move(text)});
    }
    const std::string minClause = r.basis == 'A' ? "6.2.1" : "6.2.2";
    if (const auto* p = problemOf(r, ProblemCode::NoRating)) {
        blocks.emplace_back(Check{Status::Fail, minClause, p->text});
    } else if (const auto* below = problemOf(r, ProblemCode::BelowMinimum)) {
        blocks.emplace_back(Check{Status::Fail, minClause, below->text});
    } else if (r.rating > 0) {
        blocks.emplace_back(Check{Status::Pass, minClause,
                                  "单具灭火级别 " + std::to_string(r.rating) + basis +
                                      " 不低于单具灭火器最小配置灭火级别 " +
                                      std::to_string(r.minRating) + basis});
    }
    if (!r.computed) {
        return;
    }
    blocks.emplace_back(Check{Status::Pass, "6.1.1",
                              "计算单元内灭火器 " + std::to_string(r.total) + " 具，不少于2具"});
    if (const auto* p = problemOf(r, ProblemCode::MoreThanFive)) {
        blocks.emplace_back(Check{Status::Warn, "6.1.2", p->text});
    } else {
        blocks.emplace_back(Check{Status::Pass, "6.1.2",
                                  "每个设置点 " + std::to_string(r.perPoint) + " 具，不多于5具"});
    }
}

// The checks of a place of several classes: 4.2 and the minimum rating once per class.
void checksSeveral(const gb::Unit& unit, const gb::Result& r, std::vector<Block>& blocks) {
    using gb::ProblemCode;
    if (const auto* p = problemOf(r, ProblemCode::ClassD)) {
        blocks.emplace_back(Check{Status::Fail, std::string(p->clause), p->text});
        return;
    }
    const auto* const* model = std::get_if<const gb::Model*>(&unit.extinguisher);
    bool allSuitable = true;
    for (const gb::ClassFigures& c : r.classes) {
        const std::string letter(1, letterOf(c.fireClass));
        const std::string clause(gb::suitabilityClause(c.fireClass));
        if (model == nullptr) {
            continue;
        }
        if (!gb::suitable((*model)->agent, c.fireClass)) {
            allSuitable = false;
            const auto found =
                std::find_if(r.problems.begin(), r.problems.end(), [&](const gb::Problem& p) {
                    return p.code == ProblemCode::NotSuitable &&
                           p.text.find("（" + clause + "）") != std::string::npos;
                });
            blocks.emplace_back(
                Check{Status::Fail, clause, found != r.problems.end() ? found->text : ""});
            continue;
        }
        std::string text = r.modelCode + "（" + str(gb::agentName((*model)->agent)) + "）适用于" +
                           letter + "类火灾";
        Status status = Status::Pass;
        if (c.fireClass == gb::FireClass::E && (*model)->agent == gb::Agent::CarbonDioxide) {
            if (const auto* co2 = problemOf(r, ProblemCode::CarbonDioxideForE)) {
                status = co2->severity == gb::Severity::Error ? Status::Fail : Status::Warn;
                text = co2->text;
            } else {
                text += "；设计人注明：采用非金属喇叭喷筒";
            }
        }
        blocks.emplace_back(Check{status, clause, std::move(text)});
    }
    if (model == nullptr) {
        // One per class, each under that class's clause of 4.2.
        for (const gb::Problem& custom : r.problems) {
            if (custom.code == ProblemCode::CustomSuitability) {
                blocks.emplace_back(Check{Status::Warn, std::string(custom.clause), custom.text});
            }
        }
    } else {
        blocks.emplace_back(Check{allSuitable ? Status::Pass : Status::Fail, "4.1.2",
                                  allSuitable
                                      ? "所选灭火器适用于该场所的全部火灾种类（" +
                                            gb::classSetText(r.classSet) + "），为通用型"
                                      : "几类火灾的场所应选用适用于全部火灾种类的通用型灭火器"});
    }
    for (const gb::ClassFigures& c : r.classes) {
        const std::string letter(1, letterOf(c.fireClass));
        const std::string basis(1, c.basis);
        const std::string minClause = c.basis == 'A' ? "6.2.1" : "6.2.2";
        if (c.rating == 0) {
            if (r.problems.end() !=
                std::find_if(r.problems.begin(), r.problems.end(), [&](const gb::Problem& p) {
                    return p.code == ProblemCode::NoRating &&
                           p.text.find("（" + letter + "类") != std::string::npos;
                })) {
                std::string said = letter + "类：";
                said += r.modelDescription;
                said += " 没有";
                said += basis;
                said += "类灭火级别";
                blocks.emplace_back(Check{Status::Fail, minClause, std::move(said)});
            }
        } else {
            const bool below = c.rating < c.minRating;
            std::string said = letter + "类：单具灭火级别 ";
            said += std::to_string(c.rating);
            said += basis;
            said += below ? " 低于" : " 不低于";
            said += "单具灭火器最小配置灭火级别 ";
            said += std::to_string(c.minRating);
            said += basis;
            blocks.emplace_back(
                Check{below ? Status::Fail : Status::Pass, minClause, std::move(said)});
        }
    }
    if (!r.computed) {
        return;
    }
    blocks.emplace_back(Check{Status::Pass, "6.1.1",
                              "计算单元内灭火器 " + std::to_string(r.total) + " 具，不少于2具"});
    if (const auto* p = problemOf(r, ProblemCode::MoreThanFive)) {
        blocks.emplace_back(Check{Status::Warn, "6.1.2", p->text});
    } else {
        blocks.emplace_back(Check{Status::Pass, "6.1.2",
                                  "每个设置点 " + std::to_string(r.perPoint) + " 具，不多于5具"});
    }
}

// The working of a place of several classes: each class's formulas, then the count that
// the class needing most per point decides.
void workingSeveral(const gb::Unit& unit, const gb::Result& r, std::vector<Block>& blocks) {
    const std::string symbols = unit.special ? "1.3 × K × S ÷ U" : "K × S ÷ U";
    for (const gb::ClassFigures& c : r.classes) {
        const std::string letter(1, letterOf(c.fireClass));
        const std::string basis(1, c.basis);
        blocks.emplace_back(
            KeyValue{{letter + "类 U", c.u.text + " " + uUnit(c.basis == 'A') + "（表" +
                                           (c.basis == 'A' ? "6.2.1" : "6.2.2") + "，" +
                                           str(hazardName(unit.hazard)) + "）"}});
        // "QA = 1.0 × 200 ÷ 75 = 2.67" with the symbols put in after the name.
        const std::size_t equals = c.formulaQ.find(" = ");
        blocks.emplace_back(
            Formula{letter + "类 计算单元最小需配灭火级别（7.3）",
                    c.formulaQ.substr(0, equals) + " = " + symbols + c.formulaQ.substr(equals),
                    "取 " + std::to_string(c.qRequired) + basis});
        blocks.emplace_back(Formula{letter + "类 设置点最小需配灭火级别（7.3.4）", c.formulaQe,
                                    "取 " + std::to_string(c.qeRequired) + basis});
        blocks.emplace_back(KeyValue{
            {letter + "类 单具灭火器最小配置灭火级别", std::to_string(c.minRating) + basis}});
        if (c.counted) {
            blocks.emplace_back(Formula{letter + "类 每个设置点灭火器数", c.formulaPerPoint,
                                        "取 " + std::to_string(c.perPoint) + " 具"});
        }
    }
    if (!r.computed) {
        return;
    }
    std::string names;
    std::string values;
    for (const gb::ClassFigures& c : r.classes) {
        names += (names.empty() ? "" : ", ") + std::string("n") + letterOf(c.fireClass);
        values += (values.empty() ? "" : ", ") + std::to_string(c.perPoint);
    }
    const std::string deciding(1, letterOf(*r.decidingClass));
    std::string taken = "取 " + std::to_string(r.perPoint) + " 具，由" + deciding + "类确定";
    if (r.perPoint > building::perPointByRatings(r)) {
        taken += "（每个计算单元不少于2具，6.1.1）";
    }
    blocks.emplace_back(Formula{"每个设置点灭火器数（取各类中最多者）",
                                "n = max(" + names + ") = max(" + values +
                                    ") = " + std::to_string(building::perPointByRatings(r)),
                                std::move(taken)});
    blocks.emplace_back(Formula{"计算单元灭火器总数",
                                std::to_string(r.perPoint) + " × " + std::to_string(r.points) +
                                    " = " + std::to_string(r.total),
                                std::to_string(r.total) + " 具"});
    std::string distances;
    for (const gb::ClassFigures& c : r.classes) {
        distances += (distances.empty() ? "" : "，") + std::string(1, letterOf(c.fireClass)) +
                     "类 " + std::to_string(c.maxDistanceM) + " m";
    }
    blocks.emplace_back(KeyValue{
        {"最大保护距离", std::to_string(r.maxDistanceM) + " m（取各类中最小者：" + distances +
                             "；表5.2.1、5.2.2，" + (r.wheeled ? "推车式" : "手提式") + "）"}});
}

// The plan: the distance checked on it (5.2.1/5.2.2), how its outline was read from a
// drawing's arcs, and its figure.
void plan2005(std::string_view name, const UnitOutcome& outcome, const std::string& arcs,
              std::vector<Block>& blocks) {
    if (const auto line = building::distanceLine(outcome)) {
        blocks.emplace_back(
            Check{line->ok ? Status::Pass : Status::Fail, line->clause, line->text});
    }
    if (!arcs.empty() && outcome.plan) {
        blocks.emplace_back(Paragraph{arcs});
    }
    if (const auto figure = building::planFigure(outcome)) {
        blocks.emplace_back(
            PlanFigure{building::figureCaption(name), plan::draw::layout(*figure, {})});
    }
}

void unit2005(const UnitCells& cells, const UnitOutcome& outcome, const std::string& arcs,
              std::vector<Block>& blocks) {
    if (!outcome.unit || !outcome.current) {
        const auto columns = building::inputColumns(Standard::Gb50140_2005);
        for (std::size_t i = 1; i < columns.size(); ++i) {
            blocks.emplace_back(
                KeyValue{{str(columns[i].chinese), i < cells.size() ? cells[i] : std::string()}});
        }
        faultChecks(outcome, blocks);
        return;
    }
    const gb::Unit& unit = *outcome.unit;
    const gb::Result& r = *outcome.current;
    const auto& k = gb::kItems()[static_cast<std::size_t>(unit.kItem - 1)];
    const std::string basis(1, r.basis);
    blocks.emplace_back(
        KeyValue{{"火灾种类", r.several() ? classesText(unit, r) : classText(unit)}});
    blocks.emplace_back(KeyValue{
        {"危险等级", hazardText(hazardName(unit.hazard), cellOf(Standard::Gb50140_2005, cells,
                                                                building::Field::HazardBasis))}});
    blocks.emplace_back(KeyValue{{"修正系数", str(k.text) + "，K = " + str(k.valueText)}});
    blocks.emplace_back(KeyValue{
        {"特殊场所", unit.special ? "是（" + str(gb::kSpecialPlaces) + "，7.3.3）" : "否"}});
    blocks.emplace_back(
        KeyValue{{"保护面积", "S = " + gb::decimalText(unit.areaMillionths, 1'000'000) + " m²"}});
    blocks.emplace_back(KeyValue{{"设置点数", "N = " + std::to_string(unit.points)}});
    if (r.several()) {
        if (!r.classes.empty()) {
            blocks.emplace_back(
                KeyValue{{"灭火器", r.modelDescription + "，" + (r.wheeled ? "推车式" : "手提式") +
                                        "，" + building::modelRatingsText(unit)}});
            workingSeveral(unit, r, blocks);
        }
        checksSeveral(unit, r, blocks);
        plan2005(cells.empty() ? std::string_view() : std::string_view(cells.front()), outcome,
                 arcs, blocks);
        return;
    }
    if (!r.formulaQ.empty()) {
        std::string model = r.modelDescription + "，" + (r.wheeled ? "推车式" : "手提式") + "，" +
                            building::modelRatingsText(unit);
        if (unit.horn != gb::Horn::Unstated) {
            model += unit.horn == gb::Horn::NonMetal ? "，非金属喇叭喷筒（设计人注明）"
                                                     : "，金属喇叭喷筒（设计人注明）";
        }
        blocks.emplace_back(KeyValue{{"灭火器", std::move(model)}});
        blocks.emplace_back(KeyValue{{"U", r.u.text + " " + uUnit(r.basis == 'A') + "（表" +
                                               (r.basis == 'A' ? "6.2.1" : "6.2.2") + "，" +
                                               str(hazardName(unit.hazard)) + "）"}});
        blocks.emplace_back(Formula{"计算单元最小需配灭火级别（7.3）", formulaQ(r, unit.special),
                                    "取 " + std::to_string(r.qRequired) + basis});
        blocks.emplace_back(Formula{"设置点最小需配灭火级别（7.3.4）", r.formulaQe,
                                    "取 " + std::to_string(r.qeRequired) + basis});
        blocks.emplace_back(
            KeyValue{{"单具灭火器最小配置灭火级别", std::to_string(r.minRating) + basis}});
    }
    if (r.computed) {
        std::string taken = "取 " + std::to_string(r.perPoint) + " 具";
        if (r.perPoint > (r.qeRequired + r.rating - 1) / r.rating) {
            taken += "（每个计算单元不少于2具，6.1.1）";
        }
        blocks.emplace_back(Formula{"每个设置点灭火器数", r.formulaPerPoint, taken});
        blocks.emplace_back(Formula{"计算单元灭火器总数",
                                    std::to_string(r.perPoint) + " × " + std::to_string(r.points) +
                                        " = " + std::to_string(r.total),
                                    std::to_string(r.total) + " 具"});
        blocks.emplace_back(
            KeyValue{{"最大保护距离", std::to_string(r.maxDistanceM) + " m（表" +
                                          (r.basis == 'A' ? "5.2.1" : "5.2.2") + "，" +
                                          (r.wheeled ? "推车式" : "手提式") + "）"}});
    }
    checks2005(unit, r, blocks);
    plan2005(cells.empty() ? std::string_view() : std::string_view(cells.front()), outcome, arcs,
             blocks);
}

std::vector<std::string> summaryRow2005(std::size_t i, const UnitCells& cells,
                                        const UnitOutcome& outcome) {
    std::vector<std::string> row{std::to_string(i + 1), unitName(cells, i)};
    if (!outcome.unit || !outcome.current) {
        row.resize(kSummaryColumns2005 - 1);
        row.emplace_back(statusText(Status::Fail));
        return row;
    }
    const gb::Unit& unit = *outcome.unit;
    const gb::Result& r = *outcome.current;
    const std::string basis(1, r.basis);
    const bool reached = !r.formulaQ.empty();
    // A place of several classes has one figure per class, "3A/200B". A narrow column may
    // break after the slash (the zero-width space), never inside a figure.
    const auto perClass = [&r](auto figure) {
        std::string text;
        for (const gb::ClassFigures& c : r.classes) {
            text += (text.empty() ? "" : "/\u200B") + figure(c);
        }
        return text;
    };
    row.push_back(
        (r.several() ? gb::classSetText(r.classSet) : std::string(1, letterOf(unit.fireClass))) +
        "类 " + str(hazardName(unit.hazard)));
    row.push_back(gb::decimalText(unit.areaMillionths, 1'000'000));
    row.push_back(reached ? r.k.text : "—");
    row.emplace_back(unit.special ? "1.3" : "—");
    if (r.several() && reached) {
        row.push_back(perClass([](const gb::ClassFigures& c) { return c.u.text; }));
        row.push_back(perClass(
            [](const gb::ClassFigures& c) { return std::to_string(c.qRequired) + c.basis; }));
        row.push_back(std::to_string(unit.points));
        row.push_back(perClass(
            [](const gb::ClassFigures& c) { return std::to_string(c.qeRequired) + c.basis; }));
    } else {
        row.push_back(reached ? r.u.text : "—");
        row.push_back(reached ? std::to_string(r.qRequired) + basis : "—");
        row.push_back(std::to_string(unit.points));
        row.push_back(reached ? std::to_string(r.qeRequired) + basis : "—");
    }
    row.push_back(reached ? (r.modelCode.empty() ? r.modelDescription : r.modelCode) : "—");
    row.push_back(r.computed ? std::to_string(r.perPoint) : "—");
    row.push_back(r.computed ? std::to_string(r.total) : "—");
    row.push_back(reached ? std::to_string(r.maxDistanceM) : "—");
    row.emplace_back(statusText(statusOf(outcome)));
    return row;
}

// ---- GBJ140-90 --------------------------------------------------------------------------

struct ClassicValues {
    std::string u, k, kd, n;
    std::string hazard, correction, extinguisher;
};

// K as its list writes it, with one decimal at least: 1.0, 0.7.
std::string kText(double k) {
    std::string text = resultText(k).value_or("");
    return text.find('.') == std::string::npos ? text + ".0" : text;
}

std::optional<ClassicValues> classicValues(const Request& request) {
    const ClassGroup* group = groupOf(request.fireClass);
    if (group == nullptr) {
        return std::nullopt;
    }
    const auto u = hazardU(*group, request.hazard);
    const auto k = correctionK(request.correction);
    const auto n = extinguisherN(*group, request.extinguisher);
    if (!u || !k || !n) {
        return std::nullopt;
    }
    return ClassicValues{
        resultText(static_cast<double>(*u)).value_or(""),
        kText(*k),
        request.underground ? "1.3" : "1.0",
        std::to_string(*n),
        str(group->hazards[static_cast<std::size_t>(request.hazard)].text),
        str(correctionList()[static_cast<std::size_t>(request.correction)].text),
        str(group->extinguishers[static_cast<std::size_t>(request.extinguisher)].text),
    };
}

std::string areaText(std::string_view typed) {
    const auto area = parseArea(typed);
    return area ? resultText(*area).value_or(str(typed)) : str(typed);
}

void basisClassic(const std::vector<UnitOutcome>& outcomes, std::vector<Block>& blocks) {
    blocks.emplace_back(Heading{1, "一、设计依据"});
    blocks.emplace_back(Paragraph{"按" + str(building::standardTitle(Standard::Gbj140_90)) +
                                  "计算，与本程序窗口的计算相同："});
    blocks.emplace_back(Formula{"灭火级别", "Q1 = S ÷ U", ""});
    blocks.emplace_back(Formula{"修正后灭火级别", "Q = S × K × kd ÷ U", ""});
    blocks.emplace_back(Formula{"需要灭火器数量", "N = Q ÷ n", ""});
    blocks.emplace_back(Paragraph{
        "S 为建筑面积（m²），U 为危险等级的单位灭火级别保护面积，K 为修正系数，kd 地下建筑取 "
        "1.3、其他取 1.0，n 为所选灭火器每具的灭火级别。配置数量为 N 向上取整，且不少于2具。"
        "窗口以单精度数 1.2999999523 计 1.3，故地下建筑的 Q、N 末位可能不是整齐的数，"
        "此处照窗口所示列出。"});
    std::set<std::string> hazards;
    std::set<std::string> corrections;
    std::set<std::string> extinguishers;
    Table hazardTable = makeTable("本工程用到的危险等级", {"危险等级", "U"}, {6, 3}, {false, true});
    Table kTable = makeTable("本工程用到的修正系数", {"修正系数", "K"}, {6, 3}, {false, true});
    Table nTable = makeTable("本工程用到的灭火器", {"灭火器", "n"}, {6, 3}, {false, true});
    for (const auto& outcome : outcomes) {
        if (!outcome.classicRequest) {
            continue;
        }
        const auto values = classicValues(*outcome.classicRequest);
        if (!values) {
            continue;
        }
        if (hazards.insert(values->hazard).second) {
            hazardTable.rows.push_back({values->hazard, values->u});
        }
        if (corrections.insert(values->correction).second) {
            kTable.rows.push_back({values->correction, values->k});
        }
        if (extinguishers.insert(values->extinguisher).second) {
            nTable.rows.push_back({values->extinguisher, values->n});
        }
    }
    for (Table* table : {&hazardTable, &kTable, &nTable}) {
        if (!table->rows.empty()) {
            blocks.emplace_back(std::move(*table));
        }
    }
}

void unitClassic(const UnitCells& cells, const UnitOutcome& outcome, std::vector<Block>& blocks) {
    const auto columns = building::inputColumns(Standard::Gbj140_90);
    for (std::size_t i = 1; i < columns.size(); ++i) {
        std::string value = i < cells.size() ? cells[i] : std::string();
        if (columns[i].field == building::Field::HazardBasis) {
            continue;
        }
        if (columns[i].field == building::Field::Hazard) {
            value =
                hazardText(value, cellOf(Standard::Gbj140_90, cells, building::Field::HazardBasis));
        }
        blocks.emplace_back(KeyValue{{str(columns[i].chinese), std::move(value)}});
    }
    const auto values =
        outcome.classicRequest ? classicValues(*outcome.classicRequest) : std::nullopt;
    if (values && outcome.classic && outcome.classic->results) {
        const auto& [q1, q, n] = *outcome.classic->results;
        const std::string s = areaText(outcome.classicRequest->area);
        blocks.emplace_back(
            Formula{"灭火级别", "Q1 = S ÷ U = " + s + " ÷ " + values->u + " = " + q1, ""});
        blocks.emplace_back(Formula{"修正后灭火级别",
                                    "Q = S × K × kd ÷ U = " + s + " × " + values->k + " × " +
                                        values->kd + " ÷ " + values->u + " = " + q,
                                    ""});
        blocks.emplace_back(
            Formula{"需要灭火器数量", "N = Q ÷ n = " + q + " ÷ " + values->n + " = " + n, ""});
        if (outcome.classic->install) {
            const std::string install = resultText(*outcome.classic->install).value_or("");
            blocks.emplace_back(KeyValue{{"配置数量", install + " 具（N 向上取整，且不少于2具）"}});
            blocks.emplace_back(Check{Status::Pass, "", "配置 " + install + " 具，不少于2具"});
        }
    }
    faultChecks(outcome, blocks);
}

std::vector<std::string> summaryRowClassic(std::size_t i, const UnitCells& cells,
                                           const UnitOutcome& outcome) {
    std::vector<std::string> row{
        std::to_string(i + 1), unitName(cells, i),
        cellOf(Standard::Gbj140_90, cells, building::Field::Class),
        areaText(cellOf(Standard::Gbj140_90, cells, building::Field::Area))};
    for (std::size_t r = 0; r < 3; ++r) {
        row.push_back(outcome.results.size() > r ? outcome.results[r] : std::string());
    }
    row.push_back(outcome.model ? outcome.model->label : "—");
    row.push_back(outcome.results.size() > 3 && !outcome.results[3].empty() ? outcome.results[3]
                                                                            : "—");
    row.emplace_back(statusText(statusOf(outcome)));
    return row;
}

// ---- The whole --------------------------------------------------------------------------

TitleBlock titleBlock(const building::Project& project) {
    TitleBlock title;
    title.title = str(kReportTitle);
    title.overviewCaption = "建筑概况";
    title.signatureHeader = {"职责", "姓名", "签字"};
    for (const auto& field : building::projectInfoFields()) {
        std::string value = project.info.*field.member;
        switch (field.group) {
            case building::InfoGroup::Project:
                title.fields.push_back({str(field.chinese), std::move(value)});
                break;
            case building::InfoGroup::Overview:
                if (!field.unit.empty() && !building::trimmedAnswer(value).empty()) {
                    value += " " + str(field.unit);
                }
                title.overview.push_back({str(field.chinese), std::move(value)});
                break;
            case building::InfoGroup::Signature:
                title.signatures.push_back({str(field.chinese), std::move(value)});
                break;
        }
    }
    title.fields.push_back({"执行规范", str(building::standardTitle(project.standard))});
    title.fields.push_back({"计算程序", str(kProgramName) + " " + EXTCALC_VERSION});
    return title;
}

// 手提式磷酸铵盐干粉灭火器 4 kg, from the table of models.
std::string fullName(const gb::Model& model) {
    const std::string_view kind = model.wheeled ? "推车式" : "手提式";
    std::string name = model.type.starts_with(kind) ? str(model.type) : str(kind) + str(model.type);
    return name + "灭火器 " + str(model.charge);
}

std::string ratingsOf(const gb::Model& model) {
    std::string text;
    if (model.ratingA > 0) {
        text = std::to_string(model.ratingA) + "A";
    }
    if (model.ratingB > 0) {
        text += (text.empty() ? "" : "/") + std::to_string(model.ratingB) + "B";
    }
    return text.empty() ? "—" : text;
}

// Each model once, with its full name and size, its ratings, the count and the
// units it stands in, so that the list can be handed to whoever buys and installs.
void modelList(const building::Project& project, const std::vector<UnitOutcome>& outcomes,
               std::vector<Block>& blocks) {
    const bool current = project.standard == Standard::Gb50140_2005;
    building::ModelTotals totals;
    building::ModelTotals grand;
    const building::ModelKey all{0, "合计"};
    // Where each model stands, unit by unit; a model in very many units names the first
    // ones, and the summary above lists them all.
    constexpr std::size_t kPlacesNamed = 10;
    std::map<building::ModelKey, std::pair<std::string, std::size_t>> places;
    std::size_t leftOut = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const UnitOutcome& outcome = outcomes[i];
        if (outcome.model) {
            totals.add(*outcome.model, outcome.count);
            grand.add(all, outcome.count);
            auto& place = places[*outcome.model];
            if (++place.second <= kPlacesNamed) {
                std::string& where = place.first;
                where += (where.empty() ? "" : "、") + unitName(project.units[i], i) + " " +
                         resultText(outcome.count).value_or("") + " 具";
            }
        } else {
            ++leftOut;
        }
    }
    for (auto& [model, place] : places) {
        if (place.second > kPlacesNamed) {
            place.first += " 等，共 " + std::to_string(place.second) +
                           " 个计算单元（各单元见“三、计算结果汇总”）";
        }
    }
    Table table =
        current ? makeTable("",
                            {"序号", "名称及规格", "型号", "灭火级别", "数量（具）",
                             "设置位置（计算单元及具数）"},
                            {2, 12, 4, 4, 3, 8}, {false, false, false, false, true, false})
                : makeTable("", {"序号", "名称及规格", "数量（具）", "设置位置（计算单元及具数）"},
                            {2, 10, 3, 10}, {false, false, true, false});
    const auto models = gb::models();
    std::size_t number = 0;
    for (const auto& model : totals.used()) {
        std::vector<std::string> row{std::to_string(++number)};
        if (!current) {
            row.push_back(model.label);
        } else if (model.order >= 0 && static_cast<std::size_t>(model.order) < models.size()) {
            const gb::Model& listed = models[static_cast<std::size_t>(model.order)];
            row.insert(row.end(), {fullName(listed), str(listed.code), ratingsOf(listed)});
        } else {
            row.insert(row.end(), {"自备型号", "—", model.label});
        }
        row.push_back(totals.totalText(model).value_or("—"));
        row.push_back(places[model].first);
        table.rows.push_back(std::move(row));
    }
    std::vector<std::string> total(table.header.size());
    total[1] = "合计";
    total[table.header.size() - 2] = grand.totalText(all).value_or("—");
    table.rows.push_back(std::move(total));
    table.lastRowIsTotal = true;
    blocks.emplace_back(std::move(table));
    if (leftOut > 0) {
        blocks.emplace_back(
            Check{Status::Fail, "",
                  std::to_string(leftOut) + " 个计算单元有错误，未计入本清单；改正后清单才完整"});
    }
}

}  // namespace

bool Check::mandatory() const {
    return gb::isMandatory(clause);
}

std::string Check::clauseLabel() const {
    return mandatory() ? str(gb::kMandatoryMark) + clause : clause;
}

std::string_view statusText(Status status) {
    switch (status) {
        case Status::Pass:
            return "通过";
        case Status::Fail:
            return "不通过";
        case Status::Warn:
            return "注意";
    }
    return {};
}

std::vector<std::string> unitsInError(const building::Project& project) {
    std::vector<std::string> units;
    for (std::size_t i = 0; i < project.units.size(); ++i) {
        if (building::evaluate(project.standard, project.units[i]).failed()) {
            const std::string& name =
                project.units[i].empty() ? std::string() : project.units[i][0];
            units.push_back(std::to_string(i + 1) + (name.empty() ? "" : " " + name));
        }
    }
    return units;
}

namespace {

// The first units by name, the rest counted, so that a message stays readable.
std::string namedUnits(const std::vector<std::string>& units) {
    constexpr std::size_t kNamed = 8;
    std::string text;
    for (std::size_t i = 0; i < units.size() && i < kNamed; ++i) {
        text += (i == 0 ? "" : "、") + units[i];
    }
    if (units.size() > kNamed) {
        text += " 等（另有 " + std::to_string(units.size() - kNamed) + " 个）";
    }
    return text;
}

}  // namespace

std::string unitsInErrorQuestion(const std::vector<std::string>& units, std::string_view action) {
    return "以下 " + std::to_string(units.size()) + " 个计算单元有错误：\n" + namedUnits(units) +
           "\n\n计算书会把它们标为“不通过”，灭火器配置清单不含它们。\n仍要" + str(action) +
           "计算书吗？";
}

std::string unitsInErrorNotice(const std::vector<std::string>& units) {
    return "计算书已写出，但有 " + std::to_string(units.size()) +
           " 个计算单元有错误（计算书中标为“不通过”，未计入灭火器配置清单）：" + namedUnits(units);
}

Document buildReport(const building::Project& project) {
    Document document;
    document.projectName = project.info.name;
    document.standard = str(building::standardCode(project.standard));
    auto& blocks = document.blocks;
    blocks.emplace_back(titleBlock(project));

    std::vector<UnitOutcome> outcomes;
    outcomes.reserve(project.units.size());
    std::transform(
        project.units.begin(), project.units.end(), std::back_inserter(outcomes),
        [&project](const UnitCells& cells) { return building::evaluate(project.standard, cells); });
    const bool current = project.standard == Standard::Gb50140_2005;
    if (current) {
        basis2005(usedBy(outcomes), blocks);
    } else {
        basisClassic(outcomes, blocks);
    }
    blocks.emplace_back(
        Paragraph{"规范条文和表中数值摘自规范，使用时请与正式出版的规范文本核对。"});

    blocks.emplace_back(Heading{1, "二、计算单元"});
    if (project.units.empty()) {
        blocks.emplace_back(Paragraph{"本工程尚无计算单元。"});
    }
    for (std::size_t i = 0; i < project.units.size(); ++i) {
        blocks.emplace_back(
            Heading{2, std::to_string(i + 1) + "　" + unitName(project.units[i], i)});
        if (current) {
            const auto arcs = building::outlineArcsOf(project, project.units[i]);
            unit2005(project.units[i], outcomes[i],
                     arcs ? building::outlineArcsText(*arcs) : std::string(), blocks);
        } else {
            unitClassic(project.units[i], outcomes[i], blocks);
        }
    }

    blocks.emplace_back(Heading{1, "三、计算结果汇总"});
    Table summary;
    if (current) {
        summary =
            makeTable("K 修正系数，×1.3 为 7.3.3 的场所，U 单位 m²/A 或 m²/B，最大保护距离单位 m",
                      {"序号", "计算单元", "种类/等级", "S（m²）", "K", "×1.3", "U", "Q", "N", "Qe",
                       "灭火器", "每点（具）", "合计（具）", "最大 保护距离", "结论"},
                      {3, 8, 7, 6, 3, 3, 3, 4, 3, 4, 6, 3, 3, 4, 4},
                      {false, false, false, true, true, true, true, true, true, true, false, true,
                       true, true, false});
    } else {
        summary = makeTable(
            "", {"序号", "名称", "类别", "S（m²）", "Q1", "Q", "N", "灭火器", "配置（具）", "结论"},
            {3, 8, 3, 6, 5, 5, 5, 11, 4, 4},
            {false, false, false, true, true, true, true, false, true, false});
    }
    for (std::size_t i = 0; i < project.units.size(); ++i) {
        summary.rows.push_back(current ? summaryRow2005(i, project.units[i], outcomes[i])
                                       : summaryRowClassic(i, project.units[i], outcomes[i]));
        summary.rowStatus.push_back(statusOf(outcomes[i]));
    }
    blocks.emplace_back(std::move(summary));

    blocks.emplace_back(Heading{1, "四、灭火器配置清单"});
    modelList(project, outcomes, blocks);
    return document;
}

}  // namespace extcalc::report
