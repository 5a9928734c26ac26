// SPDX-License-Identifier: MIT
#include "batch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "console.h"
#include "extcalc/classic_table.h"
#include "extcalc/csv.h"
#include "extcalc/result_table.h"

namespace extcalc::cli {
namespace {

constexpr std::string_view kProgram = "extinguisher-calc-cli：";

class Batch {
  public:
    Batch(std::ostream& out, std::ostream& err, const BatchOptions& options)
        : out_(out), err_(err), options_(options), writer_(out, options.byteOrderMark) {}

    int run(std::istream& in);

  private:
    int unreadable(const std::string& why);

    std::ostream& out_;
    std::ostream& err_;
    const BatchOptions& options_;
    building::ResultWriter writer_;
    building::ModelTotals totals_;
    bool began_ = false;
    std::size_t rows_ = 0;
    std::size_t failed_ = 0;
};

int Batch::unreadable(const std::string& why) {
    err_ << kProgram << options_.inputName << " " << why;
    if (began_) {
        err_ << "；已写出的结果不完整";
    }
    err_ << '\n';
    return kBatchUnreadable;
}

int Batch::run(std::istream& in) {
    // A file can be checked through before anything is written, so that a table in the
    // wrong encoding is refused as a whole. A pipe cannot be read twice; there the
    // check happens on the way and the output stops where the fault is.
    if (const auto start = in.tellg(); start != std::istream::pos_type(-1)) {
        if (const auto failure = csv::scan(in)) {
            return unreadable(building::describe(*failure));
        }
        in.clear();
        in.seekg(start);
        if (!in) {
            return unreadable("无法回到开头重新读取");
        }
    }

    csv::Reader reader(in);
    csv::Record record;
    std::optional<building::Layout> layout;
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        if (!layout) {
            const building::HeaderCheck header = building::readHeader(record);
            if (!header.layout) {
                return unreadable(building::lineText(record.firstLine()) + "：" + header.text);
            }
            layout = header.layout;
            writer_.header(record, *layout);
            began_ = true;
            continue;
        }
        ++rows_;
        const building::RowResult row = building::evaluate(*layout, record);
        if (row.install) {
            totals_.add(*row.model, *row.install);
        }
        failed_ += row.faults.empty() ? 0U : 1U;
        writer_.row(record, row);
        if (!out_) {
            return unreadable("的结果写不出去");
        }
    }
    if (const auto& failure = reader.failure()) {
        return unreadable(building::describe(*failure));
    }
    if (!layout) {
        return unreadable("是空的，连表头也没有（第一行应为表头，列名为 " +
                          building::allColumnNames() + "）");
    }
    const bool totalsInRange = writer_.totals(totals_, failed_);
    out_.flush();
    if (!out_) {
        return unreadable("的结果写不出去");
    }

    err_ << kProgram;
    if (failed_ == 0 && totalsInRange) {
        err_ << "已计算 " << rows_ << " 行，全部成功\n";
        return kBatchOk;
    }
    if (failed_ == 0) {
        err_ << "已计算 " << rows_ << " 行，但有" << building::kTotalOutOfRange << "\n";
        return kBatchRowsFailed;
    }
    err_ << "共 " << rows_ << " 行，其中 " << failed_ << " 行出错（原因见“"
         << layout->heading(building::Added::Error) << "”列；合计未计入出错的行）\n";
    return kBatchRowsFailed;
}

}  // namespace

int runBatch(std::istream& in, std::ostream& out, std::ostream& err, const BatchOptions& options) {
    Batch batch(out, err, options);
    return batch.run(in);
}

int runBatchFiles(const std::string& inputPath, const std::string& outputPath, bool byteOrderMark,
                  std::ostream& err) {
    BatchOptions options;
    options.byteOrderMark = byteOrderMark;
    std::ifstream file;
    std::istream* in = &std::cin;
    if (inputPath != "-") {
        options.inputName = "“" + inputPath + "”";
        std::error_code ignored;
        if (std::filesystem::is_directory(pathFromUtf8(inputPath), ignored)) {
            err << kProgram << options.inputName << " 是目录，不是表格文件\n";
            return kBatchUnreadable;
        }
        file.open(pathFromUtf8(inputPath), std::ios::binary);
        if (!file) {
            err << kProgram << "无法打开输入文件" << options.inputName << "（"
                << std::generic_category().message(errno) << "）\n";
            return kBatchUnreadable;
        }
        in = &file;
    }
    if (outputPath.empty() || outputPath == "-") {
        return runBatch(*in, std::cout, err, options);
    }

    namespace fs = std::filesystem;
    const auto cannotWrite = [&](const std::string& why) {
        err << kProgram << "无法写入输出文件“" << outputPath << "”（" << why << "）\n";
        return kBatchUnreadable;
    };
    // The temporary file goes next to the real one, through any symbolic link, so that the
    // rename replaces the file and not the link. A device or a pipe (/dev/stdout, a FIFO)
    // cannot be replaced at all: renaming over it would put a plain file in its place.
    std::error_code error;
    fs::path target = fs::weakly_canonical(pathFromUtf8(outputPath), error);
    if (error) {
        target = pathFromUtf8(outputPath);
    }
    if (const auto kind = fs::status(target, error);
        fs::exists(kind) && !fs::is_regular_file(kind)) {
        std::ofstream direct(target, std::ios::binary);
        if (!direct) {
            return cannotWrite(std::generic_category().message(errno));
        }
        const int status = runBatch(*in, direct, err, options);
        direct.close();
        return status != kBatchUnreadable && direct.fail() ? cannotWrite("写入失败") : status;
    }

    fs::path partial = target;
    partial += ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) {
        return cannotWrite(std::generic_category().message(errno));
    }
    const int status = runBatch(*in, out, err, options);
    out.close();
    if (status == kBatchUnreadable || out.fail()) {
        fs::remove(partial, error);
        return status == kBatchUnreadable ? status : cannotWrite("写入失败");
    }
    fs::rename(partial, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return cannotWrite(error.message());
    }
    return status;
}

}  // namespace extcalc::cli
