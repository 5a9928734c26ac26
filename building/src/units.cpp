// SPDX-License-Identifier: MIT
#include "extcalc/units.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <variant>

#include <nlohmann/json.hpp>

#include "extcalc/answers2005.h"
#include "extcalc/classic_table.h"
#include "extcalc/lists.h"
#include "extcalc/numbers.h"
#include "extcalc/texts.h"

namespace extcalc::building {
namespace {

namespace gb = gb50140;

// Columns added after the first file format stay last and optional, so that tables,
// pasted rows and files made before them still read the same.
constexpr std::array<InputColumn, 8> kClassicInputs{{
    {"name", "名称", Field::None, ColumnKind::Name, true},
    {"class", "火灾类别", Field::Class, ColumnKind::Choice, false},
    {"hazard", "危险等级", Field::Hazard, ColumnKind::Choice, false},
    {"k", "修正系数", Field::K, ColumnKind::Choice, false},
    {"underground", "地下建筑", Field::Underground, ColumnKind::Choice, false},
    {"extinguisher", "灭火器", Field::Extinguisher, ColumnKind::Choice, false},
    {"area", "建筑面积", Field::Area, ColumnKind::Text, false},
    {"hazard_basis", "依据", Field::HazardBasis, ColumnKind::Text, true},
}};

// 平面 and 设置点 came with the plan (file format 3): optional, last, so that every table,
// file, pasted row and grid made before them reads the same and carries them with no code
// of its own.
constexpr std::array<InputColumn, 13> kCurrentInputs{{
    {"name", "名称", Field::None, ColumnKind::Name, true},
    {"class", "火灾类别", Field::Class, ColumnKind::Choice, false},
    {"e_basis", "E类按", Field::EBasis, ColumnKind::Choice, true},
    {"hazard", "危险等级", Field::Hazard, ColumnKind::Choice, false},
    {"k", "修正系数", Field::K, ColumnKind::Choice, false},
    {"special", "特殊场所", Field::Special, ColumnKind::Choice, false},
    {"area", "建筑面积", Field::Area, ColumnKind::Text, false},
    {"points", "设置点数", Field::Points, ColumnKind::Text, false},
    {"extinguisher", "灭火器", Field::Extinguisher, ColumnKind::Text, false},
    {"nonmetal_horn", "非金属喇叭喷筒", Field::Horn, ColumnKind::Choice, true},
    {"hazard_basis", "依据", Field::HazardBasis, ColumnKind::Text, true},
    {"outline", "平面", Field::Outline, ColumnKind::Text, true},
    {"points_at", "设置点", Field::PointsAt, ColumnKind::Text, true},
}};

constexpr std::array<ResultColumn, 5> kClassicResults{{
    {"Q1", "灭火级别Q1"},
    {"Q", "修正后灭火级别Q"},
    {"N", "需要灭火器数量N"},
    {"install", "配置数量", true},
    {"error", "错误"},
}};

constexpr std::array<ResultColumn, 10> kCurrentResults{{
    {"U", "U"},
    {"Q", "Q"},
    {"Q_required", "需配灭火级别"},
    {"Qe", "Qe"},
    {"Qe_required", "每点需配灭火级别"},
    {"min_rating", "单具最小灭火级别"},
    {"per_point", "每点具数"},
    {"total", "合计具数", true},
    {"max_distance_m", "最大保护距离"},
    {"problems", "问题"},
}};

std::string_view cellAt(const UnitCells& cells, std::size_t column) {
    return column < cells.size() ? trimmedAnswer(cells[column]) : std::string_view{};
}

Field fieldOf(Standard standard, std::size_t column) {
    const auto columns = inputColumns(standard);
    return column < columns.size() ? columns[column].field : Field::None;
}

std::size_t columnOf(Standard standard, Field field) {
    const auto columns = inputColumns(standard);
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [field](const InputColumn& c) { return c.field == field; });
    return static_cast<std::size_t>(found - columns.begin());
}

// Each item of a list as its text, in list order.
template <class Range, class Text>
std::vector<std::string> textsOf(const Range& items, Text text) {
    std::vector<std::string> texts;
    std::transform(items.begin(), items.end(), std::back_inserter(texts),
                   [&text](const auto& item) { return std::string(text(item)); });
    return texts;
}

template <class Item>
std::vector<std::string> textsOf(std::span<const Item> items) {
    return textsOf(items, [](const Item& item) { return item.text; });
}

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The class group a classic row's class cell names, if it names one.
const ClassGroup* classicGroup(const UnitCells& row) {
    const auto fireClass = parseFireClass(cellAt(row, columnOf(Standard::Gbj140_90, Field::Class)));
    return fireClass ? groupOf(*fireClass) : nullptr;
}

template <class Item>
bool inAnyOf(std::string_view text, std::span<const Item> first, std::span<const Item> second) {
    return findChoice(first, text).has_value() || findChoice(second, text).has_value();
}

std::vector<std::string> classicChoices(Field field, const UnitCells& row) {
    const ClassGroup* group = classicGroup(row);
    const ClassGroup& classA = *groupOf(FireClass::A);
    const ClassGroup& bc = *groupOf(FireClass::B);
    switch (field) {
        case Field::Class:
            return {"A", "B", "C", "D"};
        case Field::Hazard:
            if (group != nullptr) {
                return textsOf(group->hazards);
            }
            return joined(textsOf(classA.hazards), textsOf(bc.hazards));
        case Field::K:
            return textsOf(correctionList());
        case Field::Underground:
            return {"是", "否"};
        case Field::Extinguisher:
            if (group != nullptr) {
                return textsOf(group->extinguishers);
            }
            return joined(textsOf(classA.extinguishers), textsOf(bc.extinguishers));
        default:
            return {};
    }
}

std::vector<std::string> currentChoices(Field field) {
    switch (field) {
        case Field::Class:
            return textsOf(gb::fireClasses(),
                           [](const auto& row) { return std::string(1, row.letter); });
        case Field::EBasis:
            return {"A", "B"};
        case Field::Hazard:
            return textsOf(gb::hazardLevels(), [](const auto& level) { return level.name; });
        case Field::K:
            return textsOf(gb::kItems());
        case Field::Special:
        case Field::Horn:
            return {"是", "否"};
        case Field::Extinguisher:
            return textsOf(gb::models(), [](const auto& model) { return model.code; });
        default:
            return {};
    }
}

bool isBasis(std::string_view text) {
    return text == "A" || text == "a" || text == "B" || text == "b";
}

UnitOutcome evaluateClassic(const UnitCells& cells) {
    UnitOutcome outcome;
    outcome.results.resize(kClassicResults.size());
    ClassicAnswers answers;
    for (std::size_t column = 1; column < kClassicInputs.size(); ++column) {
        if (const auto cell = cellAt(cells, column);
            !cell.empty() && kClassicInputs[column].field < Field::kCount) {
            answers[kClassicInputs[column].field] = cell;
        }
    }
    ClassicCheck check = checkClassic(answers, AreaRule::NumberRequired);
    if (!check.request) {
        outcome.faults = std::move(check.faults);
        outcome.results.back() = outcome.problemText();
        return outcome;
    }
    // The area as typed, blanks and all: the window reads blanks inside a number too.
    check.request->area = cells.at(columnOf(Standard::Gbj140_90, Field::Area));
    ClassicResult result = computeClassic(*check.request);
    outcome.faults = result.faults;
    if (result.results) {
        std::copy(result.results->begin(), result.results->end(), outcome.results.begin());
        if (result.install) {
            outcome.results[3] = resultText(*result.install).value_or("");
            const ClassGroup& group = *groupOf(check.request->fireClass);
            const ClassGroup& classA = *groupOf(FireClass::A);
            auto model = static_cast<std::size_t>(check.request->extinguisher);
            if (&group != &classA) {
                model += classA.extinguishers.size();
            }
            outcome.model = ModelKey{static_cast<int>(model), std::string(modelText(model))};
            outcome.count = *result.install;
        } else {
            outcome.faults.emplace_back(FaultCode::NegativeCount, Field::Area);
        }
    }
    outcome.classicRequest = check.request;
    outcome.classic = std::move(result);
    outcome.results.back() = outcome.problemText();
    return outcome;
}

std::string wholeText(std::int64_t value) {
    return std::to_string(value);
}

// Two decimals, as an area read off a plan is typed.
std::string areaText(double m2) {
    char text[40];
    std::snprintf(text, sizeof text, "%.2f", m2);
    return text;
}

bool readByCalculation(Field field) {
    return std::find(kFields2005.begin(), kFields2005.end(), field) != kFields2005.end();
}

UnitOutcome evaluateCurrent(const UnitCells& cells) {
    UnitOutcome outcome;
    outcome.results.resize(kCurrentResults.size());
    Answers2005 answers;
    for (std::size_t column = 1; column < kCurrentInputs.size(); ++column) {
        if (const auto cell = cellAt(cells, column);
            !cell.empty() && readByCalculation(kCurrentInputs[column].field)) {
            answers[kCurrentInputs[column].field] = cell;
        }
    }
    // The plan fills what the designer left empty: S with the rooms' area, N with the
    // points fixed on it or, where none are, with the points proposed, which need R and so a
    // first calculation with any N.
    const std::string_view outlineCell =
        cellAt(cells, columnOf(Standard::Gb50140_2005, Field::Outline));
    UnitPlan unitPlan =
        readUnitPlan(outlineCell, cellAt(cells, columnOf(Standard::Gb50140_2005, Field::PointsAt)));
    unitPlan.placed = pointsPlaced(Standard::Gb50140_2005, cells);
    const bool usable = unitPlan.hasPlan() && unitPlan.error.empty();
    const bool countFromPlan = usable && !answers[Field::Points];
    std::string count;
    std::string area;
    if (countFromPlan) {
        count = unitPlan.fixed.empty() ? "1" : std::to_string(unitPlan.fixed.size());
        answers[Field::Points] = count;
    }
    if (usable && !answers[Field::Area]) {
        area = areaText(planArea(unitPlan.outlines));
        answers[Field::Area] = area;
    }
    Check2005 check = check2005(answers);
    if (!check.unit) {
        outcome.faults = std::move(check.faults);
        if (!unitPlan.error.empty()) {
            outcome.plan = PlanOutcome{};
            outcome.plan->error = unitPlan.error;
            // S and N left to a plan that cannot be used are missing because of it: its error
            // says what to mend, and the plan fills them once it is mended.
            if (!outlineCell.empty()) {
                std::erase_if(outcome.faults, [](const Fault& fault) {
                    return fault.code == FaultCode::Missing &&
                           (fault.field == Field::Area || fault.field == Field::Points);
                });
            }
        }
        outcome.results.back() = outcome.problemText();
        return outcome;
    }
    if (unitPlan.hasPlan() || !unitPlan.error.empty()) {
        const gb::Result first = gb::calculate(*check.unit, check.classes);
        const double typedArea =
            area.empty() ? static_cast<double>(check.unit->areaMillionths) / 1e6 : 0.0;
        outcome.plan = planUnit(unitPlan, first.maxDistanceM, typedArea, true,
                                countFromPlan ? 0 : check.unit->points);
        if (countFromPlan && outcome.plan->placed && !outcome.plan->points.empty()) {
            count = std::to_string(outcome.plan->points.size());
            answers[Field::Points] = count;
            check = check2005(answers);
            if (!check.unit) {  // more points than a unit may have
                outcome.faults = std::move(check.faults);
                outcome.results.back() = outcome.problemText();
                return outcome;
            }
        }
    }
    gb::Result result = gb::calculate(*check.unit, check.classes);
    outcome.areaFromPlan = area;
    outcome.pointsFromPlan = count;
    outcome.problems = result.problems;
    if (outcome.plan) {
        // A spot beyond reach fails a mandatory clause: the unit's own error, like any other.
        outcome.problems.insert(outcome.problems.end(), outcome.plan->problems.begin(),
                                outcome.plan->problems.end());
    }
    if (result.several() && !result.classes.empty()) {
        // One figure per class, "/" between them, in the order of the classes.
        const auto joinedBy = [&result](auto figure) {
            std::string text;
            for (const gb::ClassFigures& c : result.classes) {
                text += (text.empty() ? "" : "/") + figure(c);
            }
            return text;
        };
        outcome.results[0] = joinedBy([](const gb::ClassFigures& c) { return c.u.text; });
        outcome.results[1] = joinedBy([](const gb::ClassFigures& c) { return c.q.text; });
        outcome.results[2] =
            joinedBy([](const gb::ClassFigures& c) { return wholeText(c.qRequired); });
        outcome.results[3] = joinedBy([](const gb::ClassFigures& c) { return c.qe.text; });
        outcome.results[4] =
            joinedBy([](const gb::ClassFigures& c) { return wholeText(c.qeRequired); });
        outcome.results[5] =
            joinedBy([](const gb::ClassFigures& c) { return std::to_string(c.minRating); });
        outcome.results[8] = std::to_string(result.maxDistanceM);
        outcome.ratingLetter = result.basis;
        for (const gb::ClassFigures& c : result.classes) {
            outcome.ratingLetters += c.basis;
        }
    } else if (!result.formulaQ.empty()) {
        outcome.results[0] = result.u.text;
        outcome.results[1] = result.q.text;
        outcome.results[2] = wholeText(result.qRequired);
        outcome.results[3] = result.qe.text;
        outcome.results[4] = wholeText(result.qeRequired);
        outcome.results[5] = std::to_string(result.minRating);
        outcome.results[8] = std::to_string(result.maxDistanceM);
        outcome.ratingLetter = result.basis;
    }
    if (result.computed) {
        outcome.results[6] = wholeText(result.perPoint);
        outcome.results[7] = wholeText(result.total);
    }
    outcome.results.back() = outcome.problemText();
    // A unit with an error is not installed as it stands: it stays out of the totals,
    // which then say they are incomplete.
    if (result.computed && !outcome.failed()) {
        const auto models = gb::models();
        int order = static_cast<int>(models.size());
        if (const auto* const* listed = std::get_if<const gb::Model*>(&check.unit->extinguisher)) {
            order = static_cast<int>(*listed - models.data());
        }
        outcome.model =
            ModelKey{order, result.modelCode.empty() ? result.modelDescription : result.modelCode};
        outcome.count = static_cast<double>(result.total);
    }
    outcome.unit = check.unit;
    outcome.current = std::move(result);
    return outcome;
}

}  // namespace

std::string_view standardCode(Standard standard) {
    return standard == Standard::Gbj140_90 ? "GBJ140-90" : "GB 50140-2005";
}

std::string_view standardTitle(Standard standard) {
    return standard == Standard::Gbj140_90 ? "《建筑灭火器配置设计规范》GBJ140-90"
                                           : "《建筑灭火器配置设计规范》GB 50140-2005";
}

std::optional<Standard> parseStandard(std::string_view text) {
    std::string squeezed;
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            squeezed.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        }
    }
    if (squeezed == "1990" || squeezed == "GBJ140-90") {
        return Standard::Gbj140_90;
    }
    if (squeezed == "2005" || squeezed == "GB50140-2005") {
        return Standard::Gb50140_2005;
    }
    return std::nullopt;
}

bool pointsPlaced(Standard standard, const UnitCells& cells) {
    if (standard != Standard::Gb50140_2005) {
        return false;
    }
    const std::size_t mark = kCurrentInputs.size();
    const std::string_view points = cellAt(cells, columnOf(standard, Field::PointsAt));
    return mark < cells.size() && !points.empty() && trimmedAnswer(cells[mark]) == points;
}

void markPointsPlaced(Standard standard, UnitCells& cells) {
    if (standard != Standard::Gb50140_2005) {
        return;
    }
    cells.resize(std::max(cells.size(), kCurrentInputs.size() + 1));
    cells[kCurrentInputs.size()] = std::string(cellAt(cells, columnOf(standard, Field::PointsAt)));
}

std::span<const InputColumn> inputColumns(Standard standard) {
    if (standard == Standard::Gbj140_90) {
        return kClassicInputs;
    }
    return kCurrentInputs;
}

std::span<const ResultColumn> resultColumns(Standard standard) {
    if (standard == Standard::Gbj140_90) {
        return kClassicResults;
    }
    return kCurrentResults;
}

std::vector<std::string> choices(Standard standard, std::size_t column, const UnitCells& row) {
    const Field field = fieldOf(standard, column);
    return standard == Standard::Gbj140_90 ? classicChoices(field, row) : currentChoices(field);
}

std::string choiceLabel(Standard standard, std::size_t column, std::string_view item) {
    // The classic lists already name their K and ratings in every item.
    if (standard == Standard::Gbj140_90) {
        return std::string(item);
    }
    const std::string_view answer = trimmedAnswer(item);
    switch (fieldOf(standard, column)) {
        case Field::K: {
            const auto items = gb::kItems();
            const auto found =
                std::find_if(items.begin(), items.end(),
                             [answer](const gb::KItem& k) { return k.text == answer; });
            if (found != items.end()) {
                std::string label(found->text);
                label.append("（K=").append(found->valueText).append("）");
                return label;
            }
            break;
        }
        case Field::Extinguisher: {
            // Only a code as the list spells it: a model of one's own stays as typed.
            const gb::Model* model = gb::findModel(answer);
            if (model != nullptr && model->code == answer) {
                std::string label(model->code);
                label.append(" ").append(model->type).append(" ").append(model->charge);
                gb::Unit unit;
                unit.extinguisher = model;
                label.append(" ").append(modelRatingsText(unit));
                return label;
            }
            break;
        }
        default:
            break;
    }
    return std::string(item);
}

namespace {

// What a new unit's name starts with: the storey of the unit above, "二层 办公室" giving
// "二层 ", since units are typed storey by storey; nothing where the name has no storey.
std::string storeyOf(std::string_view name) {
    constexpr std::string_view kWideSpace = "\u3000";
    const std::size_t ascii = name.find(' ');
    const std::size_t wide = name.find(kWideSpace);
    if (ascii != std::string_view::npos && (wide == std::string_view::npos || ascii < wide)) {
        return ascii == 0 ? std::string() : std::string(name.substr(0, ascii + 1));
    }
    if (wide != std::string_view::npos && wide > 0) {
        return std::string(name.substr(0, wide + kWideSpace.size()));
    }
    return {};
}

// The first unit of a project: the answers that assume least in the designer's favour.
std::string_view firstAnswer(Standard standard, Field field) {
    if (standard == Standard::Gbj140_90) {
        switch (field) {
            case Field::Class:
                return "A";
            case Field::Hazard:
                return groupOf(FireClass::A)->hazards[1].text;
            case Field::K:
                return correctionList().front().text;
            case Field::Underground:
                return "否";
            case Field::Extinguisher:
                return groupOf(FireClass::A)->extinguishers[2].text;
            default:
                return {};
        }
    }
    switch (field) {
        case Field::Class:
            return "A";
        case Field::Hazard:
            return gb::hazardLevels()[1].name;
        case Field::K:
            return gb::kItems().front().text;
        case Field::Special:
            return "否";
        case Field::Points:
            return "1";
        case Field::Extinguisher:
            return gb::findModel("MF/ABC4")->code;
        default:
            return {};
    }
}

}  // namespace

UnitCells newUnit(Standard standard, const UnitCells* above) {
    const auto columns = inputColumns(standard);
    UnitCells cells(columns.size());
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const InputColumn& input = columns[column];
        const bool offered = !choices(standard, column, {}).empty();
        if (input.kind == ColumnKind::Name) {
            cells[column] = above != nullptr ? storeyOf(cellAt(*above, column)) : std::string();
        } else if (above != nullptr) {
            // Every answer that is picked rather than typed, the count of points and the
            // area; a typed text of its own (a reason, a note) belongs to its unit alone.
            if (offered || input.field == Field::Points || input.field == Field::Area) {
                cells[column] = std::string(cellAt(*above, column));
            }
        } else {
            cells[column] = std::string(firstAnswer(standard, input.field));
        }
    }
    return cells;
}

std::string shownResult(Standard standard, const UnitOutcome& outcome, std::size_t column) {
    if (column >= outcome.results.size()) {
        return {};
    }
    const std::string& text = outcome.results[column];
    const auto results = resultColumns(standard);
    const char letter = outcome.ratingLetter;
    if (standard == Standard::Gbj140_90 || letter == 0 || text.empty() ||
        column >= results.size()) {
        return text;
    }
    const std::string_view key = results[column].key;
    const bool perClass = key == "U" || key == "Q" || key == "Q_required" || key == "Qe" ||
                          key == "Qe_required" || key == "min_rating";
    if (perClass && outcome.ratingLetters.size() > 1) {
        std::string shown;
        std::size_t start = 0;
        for (const char each : outcome.ratingLetters) {
            const std::size_t end = std::min(text.find('/', start), text.size());
            shown += (start == 0   ? ""
                      : key == "U" ? "；"
                                   : "/") +
                     text.substr(start, end - start) + (key == "U" ? " m²/" : "") + each;
            start = std::min(end + 1, text.size());
        }
        return shown;
    }
    if (key == "U") {
        return text + " m²/" + letter;
    }
    if (perClass) {
        return text + letter;
    }
    if (key == "max_distance_m") {
        return text + " m";
    }
    return text;
}

bool takesSeveral(Standard standard, std::size_t column) {
    return standard == Standard::Gb50140_2005 && fieldOf(standard, column) == Field::Class;
}

std::vector<std::string> pickedItems(Standard standard, std::size_t column, std::string_view text) {
    if (!takesSeveral(standard, column)) {
        return {};
    }
    const auto classes = gb::parseFireClasses(trimmedAnswer(text));
    if (!classes) {
        return {};
    }
    const std::vector<gb::FireClass> picked = classes.value.list();
    std::vector<std::string> items;
    std::transform(
        picked.begin(), picked.end(), std::back_inserter(items), [](gb::FireClass fireClass) {
            return std::string(1, gb::fireClasses()[static_cast<std::size_t>(fireClass)].letter);
        });
    return items;
}

std::string pickedText(Standard standard, std::size_t column,
                       const std::vector<std::string>& items) {
    if (!takesSeveral(standard, column)) {
        return items.empty() ? std::string() : items.front();
    }
    gb::ClassSet classes;
    for (const std::string& item : items) {
        if (const auto fireClass = gb::parseFireClass(item)) {
            classes.add(fireClass.value);
        }
    }
    return gb::classSetText(classes);
}

std::string listRefusal(Standard standard, std::size_t column, std::string_view text) {
    if (fitsItsList(standard, column, text)) {
        return {};
    }
    return std::string(inputColumns(standard)[column].chinese) + "“" +
           std::string(trimmedAnswer(text)) + "”不在" + std::string(standardCode(standard)) +
           "的列表中";
}

bool fitsItsList(Standard standard, std::size_t column, std::string_view text) {
    const auto columns = inputColumns(standard);
    text = trimmedAnswer(text);
    if (column >= columns.size() || columns[column].kind != ColumnKind::Choice || text.empty()) {
        return true;
    }
    const Field field = columns[column].field;
    if (standard == Standard::Gbj140_90) {
        const ClassGroup& classA = *groupOf(FireClass::A);
        const ClassGroup& bc = *groupOf(FireClass::B);
        switch (field) {
            case Field::Class:
                return parseFireClass(text).has_value();
            case Field::Hazard:
                return inAnyOf(text, classA.hazards, bc.hazards);
            case Field::K:
                return findChoice(correctionList(), text).has_value();
            case Field::Underground:
                return parseYesNo(text).has_value();
            case Field::Extinguisher:
                return inAnyOf(text, classA.extinguishers, bc.extinguishers);
            default:
                return true;
        }
    }
    switch (field) {
        case Field::Class:
            return static_cast<bool>(gb::parseFireClasses(text));
        case Field::EBasis:
            return isBasis(text);
        case Field::Hazard:
            return static_cast<bool>(gb::parseHazard(text));
        case Field::K:
            return static_cast<bool>(gb::parseKItem(text));
        case Field::Special:
        case Field::Horn:
            return parseYesNo(text).has_value();
        default:
            return true;
    }
}

std::string canonical(Standard standard, std::size_t column, std::string_view text,
                      const UnitCells& row) {
    const std::string_view answer = trimmedAnswer(text);
    const Field field = fieldOf(standard, column);
    if (field == Field::Underground || field == Field::Special || field == Field::Horn) {
        if (const auto yes = parseYesNo(answer)) {
            return *yes ? "是" : "否";
        }
        return std::string(answer);
    }
    if (standard == Standard::Gbj140_90) {
        const ClassGroup* group = classicGroup(row);
        std::optional<int> position;
        if (field == Field::Class) {
            if (const auto fireClass = parseFireClass(answer)) {
                std::string letter(1, static_cast<char>('A' + static_cast<int>(*fireClass)));
                return letter;
            }
        } else if (field == Field::K) {
            if ((position = findChoice(correctionList(), answer))) {
                return std::string(correctionList()[static_cast<std::size_t>(*position)].text);
            }
        } else if (group != nullptr && field == Field::Hazard) {
            if ((position = findChoice(group->hazards, answer))) {
                return std::string(group->hazards[static_cast<std::size_t>(*position)].text);
            }
        } else if (group != nullptr && field == Field::Extinguisher) {
            if ((position = findChoice(group->extinguishers, answer))) {
                return std::string(group->extinguishers[static_cast<std::size_t>(*position)].text);
            }
        }
        return std::string(answer);
    }
    // A label as the grid shows it, copied back into a cell, names its item.
    const std::vector<std::string> items = currentChoices(field);
    const auto labelled = std::find_if(items.begin(), items.end(), [&](const std::string& item) {
        return item != answer && choiceLabel(standard, column, item) == answer;
    });
    if (labelled != items.end()) {
        return *labelled;
    }
    switch (field) {
        case Field::Class:
            if (const auto classes = gb::parseFireClasses(answer)) {
                return gb::classSetText(classes.value);
            }
            break;
        case Field::EBasis:
            if (isBasis(answer)) {
                return answer == "a" || answer == "A" ? "A" : "B";
            }
            break;
        case Field::Hazard:
            if (const auto hazard = gb::parseHazard(answer)) {
                return std::string(
                    gb::hazardLevels()[static_cast<std::size_t>(hazard.value - 1)].name);
            }
            break;
        case Field::K:
            if (const auto item = gb::parseKItem(answer)) {
                return std::string(gb::kItems()[static_cast<std::size_t>(item.value - 1)].text);
            }
            break;
        case Field::Extinguisher:
            if (const auto* model = gb::findModel(answer)) {
                return std::string(model->code);
            }
            break;
        default:
            break;
    }
    return std::string(answer);
}

bool UnitOutcome::failed() const {
    return !faults.empty() || (plan && !plan->error.empty()) ||
           std::any_of(problems.begin(), problems.end(), [](const gb::Problem& problem) {
               return problem.severity == gb::Severity::Error;
           });
}

bool UnitOutcome::hasWarnings() const {
    return (plan && !plan->warnings.empty()) ||
           std::any_of(problems.begin(), problems.end(), [](const gb::Problem& problem) {
               return problem.severity == gb::Severity::Warning;
           });
}

std::string UnitOutcome::problemText() const {
    std::string text = describeAll(faults, Naming::Column);
    const auto add = [&text](std::string_view prefix, const std::string& said) {
        text += (text.empty() ? "" : "；") + std::string(prefix) + said;
    };
    for (const gb::Severity severity : {gb::Severity::Error, gb::Severity::Warning}) {
        const std::string_view prefix = severity == gb::Severity::Error ? "错误：" : "警告：";
        if (plan && severity == gb::Severity::Error && !plan->error.empty()) {
            add(prefix, "平面：" + plan->error);
        }
        for (const gb::Problem& problem : problems) {
            if (problem.severity == severity) {
                text += (text.empty() ? "" : "；") + problemLine(problem);
            }
        }
        if (plan && severity == gb::Severity::Warning) {
            for (const std::string& warning : plan->warnings) {
                add(prefix, warning);
            }
        }
    }
    return text;
}

UnitOutcome evaluate(Standard standard, const UnitCells& cells) {
    return standard == Standard::Gbj140_90 ? evaluateClassic(cells) : evaluateCurrent(cells);
}

std::string outcomeText(Standard standard, const UnitOutcome& outcome, std::string_view name) {
    if (outcome.unit && outcome.current) {
        return unitText(*outcome.unit, *outcome.current, name);
    }
    std::string t = std::string(standardCode(standard)) + '\n';
    t += "计算单元：" + std::string(name) + '\n';
    if (outcome.classic && outcome.classic->results) {
        const auto& [q1, q, n] = *outcome.classic->results;
        t += std::string(text::kLabelQ1) + q1 + '\n' + std::string(text::kLabelQ) + q + '\n' +
             std::string(text::kLabelN) + n + '\n';
        t += std::string(kClassicResults[3].chinese) + "=" + outcome.results[3] + '\n';
    }
    if (outcome.failed()) {
        t += "错误：" + outcome.problemText() + '\n';
    }
    return t;
}

nlohmann::json outcomeJson(Standard standard, const UnitOutcome& outcome, std::string_view name) {
    if (outcome.current) {
        nlohmann::json object = unitJson(*outcome.current, name);
        if (outcome.plan) {
            addPlanJson(*outcome.plan, object);
        }
        return object;
    }
    nlohmann::json object{{"name", name}};
    if (outcome.plan && !outcome.plan->error.empty()) {
        object["plan_error"] = outcome.plan->error;
    }
    if (standard == Standard::Gbj140_90 && outcome.classic) {
        const bool computed = outcome.classic->results.has_value();
        for (std::size_t i = 0; i < 3; ++i) {
            object[kClassicResults[i].key] =
                computed ? nlohmann::json(outcome.results[i]) : nlohmann::json();
        }
        // Whole numbers, written as such while a double holds them exactly.
        constexpr double kExact = 9'007'199'254'740'992.0;
        object["install"] = !outcome.model ? nlohmann::json()
                            : outcome.count < kExact
                                ? nlohmann::json(static_cast<std::int64_t>(outcome.count))
                                : nlohmann::json(outcome.count);
    }
    object["error"] = outcome.failed() ? nlohmann::json(outcome.problemText()) : nlohmann::json();
    return object;
}

}  // namespace extcalc::building
