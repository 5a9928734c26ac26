// SPDX-License-Identifier: MIT
#include "extcalc/workbook.h"

#include <algorithm>
#include <iterator>
#include <ostream>

#include "extcalc/csv.h"
#include "extcalc/result_table.h"

namespace extcalc::building {
namespace {

// The grand total counts every model under this one key.
const ModelKey kAllModels{0, "全部型号"};

std::size_t resultCountColumn(Standard standard) {
    const auto results = resultColumns(standard);
    const auto found = std::find_if(results.begin(), results.end(), [](const ResultColumn& c) {
        return c.key == "install" || c.key == "total";
    });
    return static_cast<std::size_t>(found - results.begin());
}

std::size_t extinguisherColumn(Standard standard) {
    const auto columns = inputColumns(standard);
    const auto found = std::find_if(columns.begin(), columns.end(), [](const InputColumn& c) {
        return c.field == Field::Extinguisher;
    });
    return static_cast<std::size_t>(found - columns.begin());
}

// A cell as spreadsheets copy it: quoted when it holds a tab, a line break or a quote.
void appendCell(std::string& out, std::string_view cell) {
    if (cell.find_first_of("\t\r\n\"") == std::string_view::npos) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

// Splits pasted text into rows of cells, undoing the quoting above. Blank lines carry
// no unit, but in a block they are a column's empty cells.
std::vector<std::vector<std::string>> splitTabText(std::string_view text, bool keepBlank = false) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    bool atCellStart = true;
    const auto endCell = [&] {
        row.push_back(std::move(cell));
        cell.clear();
        atCellStart = true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"' && atCellStart) {
            quoted = true;
            atCellStart = false;
        } else if (c == '\t') {
            endCell();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            endCell();
            rows.push_back(std::move(row));
            row.clear();
        } else {
            cell += c;
            atCellStart = false;
        }
    }
    if (!atCellStart || !row.empty()) {
        endCell();
        rows.push_back(std::move(row));
    }
    // Spreadsheets end the last row with a line break, which makes no row above.
    if (!keepBlank) {
        std::erase_if(rows, [](const std::vector<std::string>& r) {
            return r.size() == 1 && r.front().empty();
        });
    }
    return rows;
}

// The fewest cells a pasted unit may have: rows copied before the optional columns at the
// end existed still paste.
std::size_t fewestInputs(Standard standard) {
    const auto columns = inputColumns(standard);
    std::size_t fewest = columns.size();
    while (fewest > 0 && columns[fewest - 1].optional) {
        --fewest;
    }
    return fewest;
}

}  // namespace

Workbook::Workbook(Project project) : project_(std::move(project)) {
    outcomes_.reserve(project_.units.size());
    for (const UnitCells& unit : project_.units) {
        outcomes_.push_back(compute(unit));
        count(outcomes_.back(), true);
    }
}

bool Workbook::setStandard(Standard standard) {
    if (standard == project_.standard) {
        return true;
    }
    if (!project_.units.empty()) {
        return false;
    }
    project_.standard = standard;
    return true;
}

std::size_t Workbook::columnCount() const {
    return inputColumns(standard()).size() + resultColumns(standard()).size();
}

UnitOutcome Workbook::compute(const UnitCells& unit) const {
    UnitOutcome computed = evaluate(standard(), unit);
    // The working shown in a report is computed when a report is made; a building's
    // worth of it would only take memory here.
    computed.classic.reset();
    computed.classicRequest.reset();
    computed.unit.reset();
    computed.current.reset();
    return computed;
}

void Workbook::count(const UnitOutcome& outcome, bool adding) {
    if (outcome.failed()) {
        adding ? ++failed_ : --failed_;
    }
    if (!outcome.model) {
        return;
    }
    if (adding) {
        totals_.add(*outcome.model, outcome.count);
        all_.add(kAllModels, outcome.count);
    } else {
        totals_.remove(*outcome.model, outcome.count);
        all_.remove(kAllModels, outcome.count);
    }
}

std::string Workbook::canonicalCell(std::size_t row, std::size_t column,
                                    std::string_view text) const {
    if (column >= inputColumns(standard()).size()) {
        return std::string(text);
    }
    return canonical(standard(), column, text, project_.units.at(row));
}

void Workbook::setCell(std::size_t row, std::size_t column, std::string_view text) {
    UnitCells& unit = project_.units.at(row);
    // One cell past the inputs is the mark of points the program placed.
    const std::size_t inputs = inputColumns(standard()).size();
    unit.resize(std::max(unit.size(), column == inputs ? inputs + 1 : inputs));
    unit.at(column) = canonicalCell(row, column, text);
    count(outcomes_[row], false);
    outcomes_[row] = compute(unit);
    count(outcomes_[row], true);
}

void Workbook::insert(std::size_t at, std::vector<UnitCells> units) {
    at = std::min(at, size());
    std::vector<UnitOutcome> computed;
    computed.reserve(units.size());
    for (UnitCells& unit : units) {
        unit.resize(std::max(unit.size(), inputColumns(standard()).size()));
        computed.push_back(compute(unit));
        count(computed.back(), true);
    }
    const auto offset = static_cast<std::ptrdiff_t>(at);
    project_.units.insert(project_.units.begin() + offset, std::make_move_iterator(units.begin()),
                          std::make_move_iterator(units.end()));
    outcomes_.insert(outcomes_.begin() + offset, std::make_move_iterator(computed.begin()),
                     std::make_move_iterator(computed.end()));
}

std::vector<UnitCells> Workbook::remove(std::size_t at, std::size_t count) {
    count = std::min(count, size() - std::min(at, size()));
    const auto first = static_cast<std::ptrdiff_t>(at);
    const auto last = first + static_cast<std::ptrdiff_t>(count);
    for (auto it = outcomes_.begin() + first; it != outcomes_.begin() + last; ++it) {
        this->count(*it, false);
    }
    std::vector<UnitCells> taken(std::make_move_iterator(project_.units.begin() + first),
                                 std::make_move_iterator(project_.units.begin() + last));
    project_.units.erase(project_.units.begin() + first, project_.units.begin() + last);
    outcomes_.erase(outcomes_.begin() + first, outcomes_.begin() + last);
    return taken;
}

void Workbook::move(std::size_t from, std::size_t to) {
    if (from >= size() || to >= size() || from == to) {
        return;
    }
    // A rotation keeps the others in order; no unit is recomputed, the totals stay.
    const auto rotate = [from, to](auto& items) {
        const auto f = items.begin() + static_cast<std::ptrdiff_t>(from);
        const auto t = items.begin() + static_cast<std::ptrdiff_t>(to);
        if (from < to) {
            std::rotate(f, f + 1, t + 1);
        } else {
            std::rotate(t, f, f + 1);
        }
    };
    rotate(project_.units);
    rotate(outcomes_);
}

std::optional<std::string> Workbook::grandTotalText() const {
    return all_.totalText(kAllModels);
}

std::string Workbook::incompleteNote() const {
    return failed_ == 0 ? std::string()
                        : "合计不完整：有 " + std::to_string(failed_) + " 个计算单元出错，未计入";
}

std::string tabText(const Workbook& workbook, const std::vector<std::size_t>& rows,
                    bool withResults) {
    const std::size_t inputs = inputColumns(workbook.standard()).size();
    std::string out;
    for (const std::size_t row : rows) {
        const UnitCells& cells = workbook.cells(row);
        for (std::size_t c = 0; c < inputs; ++c) {
            if (c > 0) {
                out += '\t';
            }
            appendCell(out, c < cells.size() ? std::string_view(cells[c]) : std::string_view{});
        }
        if (withResults) {
            for (const std::string& result : workbook.outcome(row).results) {
                out += '\t';
                appendCell(out, result);
            }
        }
        out += '\n';
    }
    return out;
}

PastedRows readTabText(Standard standard, std::string_view text) {
    const auto columns = inputColumns(standard);
    const std::size_t inputs = columns.size();
    const std::size_t all = inputs + resultColumns(standard).size();
    const std::size_t fewest = fewestInputs(standard);
    PastedRows pasted;
    std::string refused;
    std::size_t number = 0;
    for (auto& row : splitTabText(text)) {
        ++number;
        std::string why;
        // With results the row is as wide as all columns were when it was copied, which
        // may be before some of the optional inputs existed: no row of inputs alone is as wide.
        std::size_t answers = row.size();
        if (answers >= fewest + (all - inputs) && answers <= all) {
            answers -= all - inputs;
        }
        if (answers < fewest || answers > inputs) {
            why = "有 " + std::to_string(row.size()) + " 列，应为 " + std::to_string(inputs) +
                  " 列（" + std::string(standardCode(standard)) + "的输入列）";
        } else {
            row.resize(answers);
            row.resize(inputs);
            for (std::size_t c = 0; c < inputs; ++c) {
                if (!fitsItsList(standard, c, row[c])) {
                    why += (why.empty() ? "" : "，") + std::string(columns[c].chinese) + "“" +
                           row[c] + "”不在列表中";
                }
            }
        }
        if (!why.empty()) {
            refused += "第 " + std::to_string(number) + " 行" + why + "\n";
            continue;
        }
        UnitCells cells(inputs);
        for (std::size_t c = 0; c < inputs; ++c) {
            cells[c] = canonical(standard, c, row[c], cells);
        }
        pasted.units.push_back(std::move(cells));
    }
    if (number == 0) {
        pasted.refusal = "剪贴板中没有可粘贴的行。";
    } else if (!refused.empty()) {
        pasted.units.clear();
        pasted.refusal = "以下行不符合当前规范的输入列，未粘贴任何行：\n" + refused;
    }
    return pasted;
}

std::optional<std::vector<std::vector<std::string>>> readTabBlock(Standard standard,
                                                                  std::string_view text) {
    std::vector<std::vector<std::string>> rows = splitTabText(text, true);
    const std::size_t fewest = fewestInputs(standard);
    if (rows.empty() || std::any_of(rows.begin(), rows.end(),
                                    [fewest](const auto& row) { return row.size() >= fewest; })) {
        return std::nullopt;
    }
    return rows;
}

void writeResultCsv(std::ostream& out, const Workbook& workbook) {
    const Standard standard = workbook.standard();
    const auto inputs = inputColumns(standard);
    const auto results = resultColumns(standard);
    csv::Writer writer(out);
    writer.byteOrderMark();
    for (const auto& column : inputs) {
        writer.field(column.chinese);
    }
    for (const auto& column : results) {
        writer.field(column.chinese);
    }
    writer.endRecord();
    for (std::size_t row = 0; row < workbook.size(); ++row) {
        const UnitCells& cells = workbook.cells(row);
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            writer.field(c < cells.size() ? std::string_view(cells[c]) : std::string_view{});
        }
        for (const std::string& result : workbook.outcome(row).results) {
            writer.field(result);
        }
        writer.endRecord();
    }
    // Total rows read as earlier totals when the table is imported again: 合计 in the
    // name, nothing but the model in the other inputs.
    const std::size_t modelColumn = extinguisherColumn(standard);
    const std::size_t countColumn = resultCountColumn(standard);
    const std::string note = workbook.incompleteNote();
    const auto totalRow = [&](std::string_view model, const std::optional<std::string>& total) {
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            writer.field(c == 0 ? kTotalName : c == modelColumn ? model : std::string_view{});
        }
        for (std::size_t r = 0; r < results.size(); ++r) {
            if (r == countColumn) {
                writer.field(total.value_or(""));
            } else if (r + 1 == results.size()) {
                writer.field(total ? note : std::string(kTotalOutOfRange));
            } else {
                writer.field({});
            }
        }
        writer.endRecord();
    };
    for (const ModelKey& model : workbook.totals().used()) {
        totalRow(model.label, workbook.totals().totalText(model));
    }
    totalRow(kAllModels.label, workbook.grandTotalText());
}

}  // namespace extcalc::building
