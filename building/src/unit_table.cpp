// SPDX-License-Identifier: MIT
#include "extcalc/unit_table.h"

#include <algorithm>
#include <sstream>

#include "extcalc/answers.h"
#include "extcalc/gb18030.h"
#include "extcalc/result_table.h"

namespace extcalc::building {
namespace {

bool namesColumn(std::string_view cell, std::string_view chinese, std::string_view key) {
    return cell == chinese || equalsIgnoringAsciiCase(cell, key);
}

// The named columns of the header, kept on writing back, that hold no input: what a
// table carries beside the units (备注, a drawing's number). A spreadsheet's trailing
// separators head no column.
std::vector<std::string> unusedColumns(const UnitLayout& layout, const csv::Record& header) {
    std::vector<std::string> names;
    for (const std::size_t i : layout.kept) {
        const std::string_view name = trimmedAnswer(header.fields()[i]);
        if (!name.empty() &&
            std::find(layout.index.begin(), layout.index.end(), i) == layout.index.end()) {
            names.emplace_back(name);
        }
    }
    return names;
}

}  // namespace

std::string_view UnitLayout::heading(std::size_t result) const {
    const auto& column = resultColumns(standard)[result];
    return chinese ? column.chinese : column.key;
}

std::string allColumnNames(Standard standard) {
    std::string chinese;
    std::string english;
    for (const auto& column : inputColumns(standard)) {
        chinese += (chinese.empty() ? "" : "、") + std::string(column.chinese);
        english += (english.empty() ? "" : ", ") + std::string(column.key);
    }
    return chinese + "（或 " + english + "）";
}

UnitHeaderCheck readUnitHeader(Standard standard, const csv::Record& header) {
    UnitHeaderCheck check;
    if (header.problems() != csv::Problem::None) {
        check.text = "表头的引号使用有误";
        return check;
    }
    const auto columns = inputColumns(standard);
    UnitLayout layout;
    layout.standard = standard;
    layout.index.assign(columns.size(), UnitLayout::kAbsent);
    layout.width = header.size();
    bool anyEnglish = false;
    bool anyChinese = false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string_view cell = trimmedAnswer(header.fields()[i]);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (!namesColumn(cell, columns[c].chinese, columns[c].key)) {
                continue;
            }
            if (layout.index[c] != UnitLayout::kAbsent) {
                check.text = "表头中“" + std::string(columns[c].chinese) + "”一列出现了两次（第 " +
                             std::to_string(layout.index[c] + 1) + " 列和第 " +
                             std::to_string(i + 1) + " 列）";
                return check;
            }
            layout.index[c] = i;
            (cell == columns[c].chinese ? anyChinese : anyEnglish) = true;
        }
    }
    std::string missing;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        // The name and the basis of an E unit may be left out: a table of classes A to
        // D has no use for the basis.
        const bool needed = columns[c].kind != ColumnKind::Name && !columns[c].optional;
        if (layout.index[c] == UnitLayout::kAbsent && (needed || c == 0)) {
            missing += "“" + std::string(columns[c].chinese) + "”";
        }
    }
    if (!missing.empty()) {
        check.text =
            "表头缺少" + missing + "列（第一行应为表头，列名为 " + allColumnNames(standard) + "）";
        return check;
    }
    layout.chinese = anyChinese || !anyEnglish;
    const auto results = resultColumns(standard);
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string_view cell = trimmedAnswer(header.fields()[i]);
        const bool input =
            std::find(layout.index.begin(), layout.index.end(), i) != layout.index.end();
        const bool earlierResult =
            std::any_of(results.begin(), results.end(), [cell](const ResultColumn& column) {
                return namesColumn(cell, column.chinese, column.key);
            });
        if (input || !earlierResult) {
            layout.kept.push_back(i);
        }
    }
    check.layout = std::move(layout);
    return check;
}

UnitCells cellsOf(const UnitLayout& layout, const csv::Record& record) {
    const auto fields = record.fields();
    UnitCells cells(layout.index.size());
    for (std::size_t c = 0; c < layout.index.size(); ++c) {
        if (layout.index[c] < fields.size()) {
            cells[c] = fields[layout.index[c]];
        }
    }
    return cells;
}

UnitOutcome evaluateRow(const UnitLayout& layout, const csv::Record& record) {
    std::vector<Fault> faults;
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
        if (!trimmedAnswer(fields[i]).empty()) {
            Fault fault{FaultCode::TooManyCells};
            fault.cells = fields.size();
            fault.columns = layout.width;
            faults.push_back(std::move(fault));
            break;
        }
    }
    // Cells shifted by a broken quote or a stray comma are not the answers their column
    // names; computing them would give a plausible but wrong row.
    if (faults.empty()) {
        return evaluate(layout.standard, cellsOf(layout, record));
    }
    UnitOutcome outcome;
    outcome.faults = std::move(faults);
    outcome.results.resize(resultColumns(layout.standard).size());
    outcome.results.back() = outcome.problemText();
    return outcome;
}

bool isEarlierTotal(const UnitLayout& layout, const csv::Record& record) {
    if (!layout.resultTableFedBack()) {
        return false;
    }
    const UnitCells cells = cellsOf(layout, record);
    const auto columns = inputColumns(layout.standard);
    if (trimmedAnswer(cells[0]) != kTotalName) {
        return false;
    }
    for (std::size_t c = 1; c < cells.size(); ++c) {
        if (columns[c].field != Field::Extinguisher && !trimmedAnswer(cells[c]).empty()) {
            return false;
        }
    }
    return true;
}

ProjectRead readTableAsProject(std::istream& in, Standard standard,
                               std::vector<std::string>* unused) {
    ProjectRead read;
    const auto refuse = [&read](std::string place, std::string problem) {
        read.error = ProjectError{std::move(place), std::move(problem)};
        return read;
    };
    // Read once into memory: a project holds its units anyway, and the text may have to
    // be read a second time as GB18030.
    std::stringstream raw;
    raw << in.rdbuf();
    bool gb18030 = false;
    if (const auto failure = csv::scan(raw)) {
        raw.clear();
        raw.seekg(0);
        const std::string text = raw.str();
        if (failure->kind != csv::Failure::Kind::NotUtf8 || text.starts_with(csv::kByteOrderMark) ||
            !decodesAsGb18030(raw)) {
            return refuse("", describe(*failure, true));
        }
        gb18030 = true;
    }
    raw.clear();
    raw.seekg(0);
    Gb18030Decoder decoder(raw);
    std::istream decoded(&decoder);
    csv::Reader reader(gb18030 ? decoded : raw);
    csv::Record record;
    std::optional<UnitLayout> layout;
    Project project;
    project.standard = standard;
    const auto columns = inputColumns(standard);
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        const std::string line = lineText(record.firstLine());
        if (!layout) {
            UnitHeaderCheck header = readUnitHeader(standard, record);
            if (!header.layout) {
                return refuse(line, header.text);
            }
            layout = std::move(header.layout);
            if (unused != nullptr) {
                *unused = unusedColumns(*layout, record);
            }
            continue;
        }
        if (isEarlierTotal(*layout, record)) {
            continue;
        }
        if (record.problems() != csv::Problem::None) {
            return refuse(line, "引号使用有误或本行过长，无法读入");
        }
        UnitCells cells = cellsOf(*layout, record);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (std::string why = listRefusal(standard, c, cells[c]); !why.empty()) {
                return refuse(line, std::move(why));
            }
        }
        UnitCells tidy(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c) {
            tidy[c] = columns[c].kind == ColumnKind::Name ? std::string(trimmedAnswer(cells[c]))
                                                          : canonical(standard, c, cells[c], cells);
        }
        project.units.push_back(std::move(tidy));
    }
    if (const auto& failure = reader.failure()) {
        return refuse("", describe(*failure, true));
    }
    if (!layout) {
        return refuse("", "表格是空的，连表头也没有（第一行应为表头，列名为 " +
                              allColumnNames(standard) + "）");
    }
    read.project = std::move(project);
    return read;
}

}  // namespace extcalc::building
