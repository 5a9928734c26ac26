// SPDX-License-Identifier: MIT
#include "extcalc/classic_table.h"

#include <algorithm>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <limits>

#include "extcalc/numbers.h"
#include "extcalc/texts.h"

namespace extcalc::building {
namespace {

constexpr std::array<ColumnName, kColumnCount> kColumnNames{{
    {"名称", "name"},
    {"火灾类别", "class"},
    {"危险等级", "hazard"},
    {"修正系数", "k"},
    {"地下建筑", "underground"},
    {"灭火器", "extinguisher"},
    {"建筑面积", "area"},
}};

constexpr std::string_view withoutEquals(std::string_view label) {
    return label.substr(0, label.size() - 1);
}
constexpr std::array<std::string_view, kAddedCount> kChineseHeadings{
    withoutEquals(text::kLabelQ1), withoutEquals(text::kLabelQ), withoutEquals(text::kLabelN),
    "配置数量", "错误"};
constexpr std::array<std::string_view, kAddedCount> kEnglishHeadings{"Q1", "Q", "N", "install",
                                                                     "error"};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const ClassGroup& groupA() {
    return *groupOf(FireClass::A);
}
const ClassGroup& groupBC() {
    return *groupOf(FireClass::B);
}

std::size_t modelIndex(const ClassGroup& group, int position) {
    auto model = static_cast<std::size_t>(position);
    return &group == &groupA() ? model : model + groupA().extinguishers.size();
}

}  // namespace

std::span<const ColumnName, kColumnCount> columnNames() {
    return kColumnNames;
}

std::string allColumnNames() {
    std::string chinese;
    std::string english;
    for (const auto& name : kColumnNames) {
        chinese += (chinese.empty() ? "" : "、") + std::string(name.chinese);
        english += (english.empty() ? "" : ", ") + std::string(name.english);
    }
    return chinese + "（或 " + english + "）";
}

std::string_view Layout::heading(Added added) const {
    const auto i = static_cast<std::size_t>(added);
    return chinese ? kChineseHeadings.at(i) : kEnglishHeadings.at(i);
}

HeaderCheck readHeader(const csv::Record& header) {
    HeaderCheck check;
    if (header.problems() != csv::Problem::None) {
        check.fault = HeaderFault::Quotes;
        check.text = "表头的引号使用有误";
        return check;
    }
    constexpr auto kAbsent = static_cast<std::size_t>(-1);
    Layout layout;
    layout.index.fill(kAbsent);
    layout.width = header.size();
    bool anyEnglish = false;
    bool anyChinese = false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string_view cell = trimmed(header.fields()[i]);
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            const bool chinese = cell == kColumnNames[c].chinese;
            if (!chinese && !equalsIgnoringAsciiCase(cell, kColumnNames[c].english)) {
                continue;
            }
            if (layout.index[c] != kAbsent) {
                check.fault = HeaderFault::Duplicate;
                check.text = "表头中“" + std::string(kColumnNames[c].chinese) +
                             "”一列出现了两次（第 " + std::to_string(layout.index[c] + 1) +
                             " 列和第 " + std::to_string(i + 1) + " 列）";
                return check;
            }
            layout.index[c] = i;
            (chinese ? anyChinese : anyEnglish) = true;
        }
    }
    std::string missing;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (layout.index[c] == kAbsent) {
            missing += "“" + std::string(kColumnNames[c].chinese) + "”";
        }
    }
    if (!missing.empty()) {
        check.fault = HeaderFault::MissingColumns;
        check.text = "表头缺少" + missing + "列（第一行应为表头，列名为 " + allColumnNames() + "）";
        return check;
    }
    layout.chinese = anyChinese || !anyEnglish;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string_view cell = trimmed(header.fields()[i]);
        const bool input =
            std::find(layout.index.begin(), layout.index.end(), i) != layout.index.end();
        const bool added = std::find(kChineseHeadings.begin(), kChineseHeadings.end(), cell) !=
                               kChineseHeadings.end() ||
                           std::any_of(kEnglishHeadings.begin(), kEnglishHeadings.end(),
                                       [&](std::string_view heading) {
                                           return equalsIgnoringAsciiCase(cell, heading);
                                       });
        if (input || !added) {
            layout.kept.push_back(i);
        }
    }
    check.layout = layout;
    return check;
}

std::size_t modelCount() {
    return groupA().extinguishers.size() + groupBC().extinguishers.size();
}

std::string_view modelText(std::size_t model) {
    const std::size_t inA = groupA().extinguishers.size();
    return model < inA ? groupA().extinguishers[model].text
                       : groupBC().extinguishers[model - inA].text;
}

bool isEarlierTotal(const Layout& layout, const csv::Record& record) {
    if (!layout.resultTableFedBack()) {
        return false;
    }
    const auto fields = record.fields();
    const auto cell = [&](Column column) {
        const std::size_t i = layout.at(column);
        return i < fields.size() ? trimmed(fields[i]) : std::string_view{};
    };
    return cell(Column::Name) == "合计" &&
           std::all_of(layout.index.begin() + 1, layout.index.end(), [&](std::size_t i) {
               return i == layout.at(Column::Extinguisher) || i >= fields.size() ||
                      trimmed(fields[i]).empty();
           });
}

RowResult evaluate(const Layout& layout, const csv::Record& record) {
    RowResult row;
    auto& faults = row.faults;
    if (has(record.problems(), csv::Problem::TooLong)) {
        faults.emplace_back(FaultCode::RowTooLong);
    }
    if (has(record.problems(), csv::Problem::UnclosedQuote)) {
        faults.emplace_back(FaultCode::UnclosedQuote);
    }
    if (has(record.problems(), csv::Problem::TextAfterClosingQuote)) {
        faults.emplace_back(FaultCode::TextAfterClosingQuote);
    }
    const auto fields = record.fields();
    for (std::size_t i = layout.width; i < fields.size(); ++i) {
        if (!trimmed(fields[i]).empty()) {
            Fault fault{FaultCode::TooManyCells};
            fault.cells = fields.size();
            fault.columns = layout.width;
            faults.push_back(std::move(fault));
            break;
        }
    }
    // Cells shifted by a broken quote or a stray comma are not the answers their column
    // names; computing them would give a plausible but wrong row.
    if (!faults.empty()) {
        return row;
    }

    ClassicAnswers answers;
    for (std::size_t f = 0; f < static_cast<std::size_t>(Field::kCount); ++f) {
        // The answers follow the name column in the same order as the fields.
        const std::size_t i = layout.index.at(f + 1);
        const std::string_view cell = i < fields.size() ? trimmed(fields[i]) : std::string_view{};
        if (!cell.empty()) {
            answers.given.at(f) = cell;
        }
    }
    ClassicCheck check = checkClassic(answers, AreaRule::NumberRequired);
    if (!check.request) {
        faults = std::move(check.faults);
        return row;
    }
    // The area as typed, blanks and all: the window reads blanks inside a number too.
    check.request->area = fields[layout.at(Column::Area)];
    ClassicResult result = computeClassic(*check.request);
    row.results = std::move(result.results);
    faults = std::move(result.faults);
    if (row.results && !result.install) {
        faults.emplace_back(FaultCode::NegativeCount, Field::Area);
    }
    if (result.install) {
        row.install = result.install;
        row.model = modelIndex(*groupOf(check.request->fireClass), check.request->extinguisher);
    }
    return row;
}

struct ModelTotals::State {
    std::vector<boost::multiprecision::cpp_int> totals;
    std::vector<std::size_t> rows;
};

ModelTotals::ModelTotals() : state_(std::make_unique<State>()) {
    state_->totals.resize(modelCount());
    state_->rows.resize(modelCount());
}
ModelTotals::ModelTotals(const ModelTotals& other)
    : state_(std::make_unique<State>(*other.state_)) {}
ModelTotals& ModelTotals::operator=(const ModelTotals& other) {
    if (this != &other) {
        state_ = std::make_unique<State>(*other.state_);
    }
    return *this;
}
ModelTotals::ModelTotals(ModelTotals&&) noexcept = default;
ModelTotals& ModelTotals::operator=(ModelTotals&&) noexcept = default;
ModelTotals::~ModelTotals() = default;

// Counts are whole numbers, so the double converts exactly.
void ModelTotals::add(std::size_t model, double count) {
    state_->totals.at(model) += boost::multiprecision::cpp_int(count);
    ++state_->rows.at(model);
}

void ModelTotals::remove(std::size_t model, double count) {
    state_->totals.at(model) -= boost::multiprecision::cpp_int(count);
    --state_->rows.at(model);
}

std::vector<std::size_t> ModelTotals::used() const {
    std::vector<std::size_t> models;
    for (std::size_t model = 0; model < state_->rows.size(); ++model) {
        if (state_->rows[model] != 0) {
            models.push_back(model);
        }
    }
    return models;
}

std::optional<std::string> ModelTotals::totalText(std::size_t model) const {
    const auto& total = state_->totals.at(model);
    // Only areas near the limit of a 64-bit float can add up past it.
    static const boost::multiprecision::cpp_int kLimit(std::numeric_limits<double>::max());
    if (total > kLimit) {
        return std::nullopt;
    }
    return resultText(total.convert_to<double>());
}

}  // namespace extcalc::building
