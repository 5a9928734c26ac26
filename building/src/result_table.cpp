// SPDX-License-Identifier: MIT
#include "extcalc/result_table.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "extcalc/numbers.h"

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

void ResultWriter::header(const csv::Record& header, const Layout& layout) {
    layout_ = layout;
    if (mark_) {
        writer_.byteOrderMark();
    }
    for (const std::size_t i : layout_.kept) {
        writer_.field(header.fields()[i]);
    }
    for (std::size_t added = 0; added < kAddedCount; ++added) {
        writer_.field(layout_.heading(static_cast<Added>(added)));
    }
    writer_.endRecord();
}

void ResultWriter::row(const csv::Record& record, const RowResult& result) {
    const auto fields = record.fields();
    for (const std::size_t i : layout_.kept) {
        writer_.field(i < fields.size() ? std::string_view(fields[i]) : std::string_view{});
    }
    for (std::size_t i = 0; i < 3; ++i) {
        writer_.field(result.results ? std::string_view((*result.results)[i]) : std::string_view{});
    }
    writer_.field(result.install ? resultText(*result.install).value_or("") : std::string());
    writer_.field(result.faults.empty() ? std::string()
                                        : lineText(record.firstLine()) + "：" +
                                              describeAll(result.faults, Naming::Column));
    writer_.endRecord();
}

bool ResultWriter::totals(const ModelTotals& totals, std::size_t failedRows) {
    const std::string note =
        failedRows == 0 ? std::string()
                        : "合计不完整：有 " + std::to_string(failedRows) + " 行出错，未计入";
    bool inRange = true;
    const auto writeRow = [&](std::string_view model, const std::optional<std::string>& total) {
        for (const std::size_t i : layout_.kept) {
            writer_.field(i == layout_.at(Column::Name)           ? kTotalName
                          : i == layout_.at(Column::Extinguisher) ? model
                                                                  : std::string_view{});
        }
        writer_.field({});
        writer_.field({});
        writer_.field({});
        // An empty cell would read as nothing to install, so it says why it is empty.
        if (total) {
            writer_.field(*total);
            writer_.field(note);
        } else {
            inRange = false;
            writer_.field({});
            writer_.field(note.empty() ? std::string(kTotalOutOfRange)
                                       : note + "；" + std::string(kTotalOutOfRange));
        }
        writer_.endRecord();
    };
    const auto used = totals.used();
    for (const ModelKey& model : used) {
        writeRow(model.label, totals.totalText(model));
    }
    if (used.empty()) {
        writeRow({}, "0");
    }
    return inRange;
}

}  // namespace extcalc::building
