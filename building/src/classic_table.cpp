// SPDX-License-Identifier: MIT
#include "extcalc/classic_table.h"

#include <algorithm>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>

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

    UnitCells cells(kColumnCount);
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        const std::size_t i = layout.index.at(c);
        if (i < fields.size()) {
            cells[c] = fields[i];
        }
    }
    UnitOutcome outcome = building::evaluate(Standard::Gbj140_90, cells);
    faults = std::move(outcome.faults);
    if (outcome.classic && outcome.classic->results) {
        row.results = outcome.classic->results;
    }
    if (outcome.model) {
        row.install = outcome.count;
        row.model = std::move(outcome.model);
    }
    return row;
}

struct ModelTotals::State {
    struct Total {
        boost::multiprecision::cpp_int count;
        std::size_t units = 0;
    };
    std::map<ModelKey, Total> totals;
};

ModelTotals::ModelTotals() : state_(std::make_unique<State>()) {}
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
void ModelTotals::add(const ModelKey& model, double count) {
    auto& total = state_->totals[model];
    total.count += boost::multiprecision::cpp_int(count);
    ++total.units;
}

void ModelTotals::remove(const ModelKey& model, double count) {
    const auto found = state_->totals.find(model);
    if (found == state_->totals.end()) {
        return;
    }
    found->second.count -= boost::multiprecision::cpp_int(count);
    if (--found->second.units == 0) {
        state_->totals.erase(found);
    }
}

std::vector<ModelKey> ModelTotals::used() const {
    std::vector<ModelKey> models;
    models.reserve(state_->totals.size());
    std::ranges::transform(state_->totals, std::back_inserter(models),
                           [](const auto& entry) { return entry.first; });
    return models;
}

std::optional<std::string> ModelTotals::totalText(const ModelKey& model) const {
    const auto found = state_->totals.find(model);
    if (found == state_->totals.end()) {
        return "0";
    }
    // Only areas near the limit of a 64-bit float can add up past it.
    static const boost::multiprecision::cpp_int kLimit(std::numeric_limits<double>::max());
    if (found->second.count > kLimit) {
        return std::nullopt;
    }
    return resultText(found->second.count.convert_to<double>());
}

}  // namespace extcalc::building
