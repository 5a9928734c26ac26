// SPDX-License-Identifier: MIT
#include "extcalc/result_table.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace extcalc::building {

std::string lineText(long line) {
    return "第" + std::to_string(line) + "行";
}

std::string describe(const csv::Failure& failure, bool triedGb18030) {
    if (failure.kind == csv::Failure::Kind::NotUtf8) {
        return lineText(failure.line) + "不是有效的 UTF-8 文本" +
               (triedGb18030 ? "，整个表格也不能按 GB18030（GBK）编码读出"
                             : "（表格可能是以 GBK 等其他编码保存的）") +
               "；请在表格程序中另存为 UTF-8 编码的 CSV（如“CSV UTF-8（逗号分隔）”）后重试";
    }
    return "读到" + lineText(failure.line) + "时读取失败";
}

void ResultWriter::header(const csv::Record& header, const UnitLayout& layout) {
    layout_ = layout;
    if (mark_) {
        writer_.byteOrderMark();
    }
    for (const std::size_t i : layout_.kept) {
        writer_.field(header.fields()[i]);
    }
    for (std::size_t result = 0; result < resultColumns(layout_.standard).size(); ++result) {
        writer_.field(layout_.heading(result));
    }
    writer_.endRecord();
}

void ResultWriter::row(const csv::Record& record, const UnitOutcome& outcome) {
    const auto fields = record.fields();
    for (const std::size_t i : layout_.kept) {
        writer_.field(i < fields.size() ? std::string_view(fields[i]) : std::string_view{});
    }
    const std::size_t last = resultColumns(layout_.standard).size() - 1;
    for (std::size_t i = 0; i < last; ++i) {
        writer_.field(i < outcome.results.size() ? std::string_view(outcome.results[i])
                                                 : std::string_view{});
    }
    const std::string problems = outcome.problemText();
    writer_.field(outcome.failed() ? lineText(record.firstLine()) + "：" + problems : problems);
    writer_.endRecord();
}

bool ResultWriter::totals(const ModelTotals& totals, std::size_t failedRows) {
    const std::string note =
        failedRows == 0 ? std::string()
                        : "合计不完整：有 " + std::to_string(failedRows) + " 行出错，未计入";
    const auto inputs = inputColumns(layout_.standard);
    const auto results = resultColumns(layout_.standard);
    const auto model = std::find_if(inputs.begin(), inputs.end(), [](const InputColumn& column) {
        return column.field == Field::Extinguisher;
    });
    const std::size_t modelColumn =
        layout_.index.at(static_cast<std::size_t>(model - inputs.begin()));
    bool inRange = true;
    const auto writeRow = [&](std::string_view label, const std::optional<std::string>& total) {
        for (const std::size_t i : layout_.kept) {
            writer_.field(i == layout_.index.front() ? kTotalName
                          : i == modelColumn         ? label
                                                     : std::string_view{});
        }
        for (std::size_t r = 0; r + 1 < results.size(); ++r) {
            if (!results[r].totalled) {
                writer_.field({});
            } else if (total) {
                writer_.field(*total);
            } else {
                inRange = false;
                writer_.field({});
            }
        }
        // An empty cell would read as nothing to install, so it says why it is empty.
        writer_.field(total          ? note
                      : note.empty() ? std::string(kTotalOutOfRange)
                                     : note + "；" + std::string(kTotalOutOfRange));
        writer_.endRecord();
    };
    const auto used = totals.used();
    for (const ModelKey& key : used) {
        writeRow(key.label, totals.totalText(key));
    }
    if (used.empty()) {
        writeRow({}, "0");
    }
    return inRange;
}

}  // namespace extcalc::building
