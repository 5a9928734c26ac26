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
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "console.h"
#include "extcalc/classic_table.h"
#include "extcalc/csv.h"
#include "extcalc/file_errors.h"
#include "extcalc/gb18030.h"
#include "extcalc/result_table.h"
#include "extcalc/unit_table.h"

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
    int process(std::istream& in);
    // Reads the input afresh as GB18030 when it is not UTF-8 but is that; false when it
    // is neither, or cannot be read twice.
    bool tryGb18030(std::istream& in, std::istream::pos_type start);

    std::ostream& out_;
    std::ostream& err_;
    const BatchOptions& options_;
    building::ResultWriter writer_;
    building::ModelTotals totals_;
    bool began_ = false;
    bool gb18030_ = false;
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

bool Batch::tryGb18030(std::istream& in, std::istream::pos_type start) {
    in.clear();
    in.seekg(start);
    std::array<char, 3> mark{};
    in.read(mark.data(), mark.size());
    // A table that says it is UTF-8 is not read as anything else.
    if (in.gcount() == 3 && std::string_view(mark.data(), 3) == csv::kByteOrderMark) {
        return false;
    }
    in.clear();
    in.seekg(start);
    const bool decodes = building::decodesAsGb18030(in);
    in.clear();
    in.seekg(start);
    return decodes && in;
}

int Batch::run(std::istream& in) {
    // A file can be checked through before anything is written, so that a table in the
    // wrong encoding is refused as a whole. A pipe cannot be read twice; there the
    // check happens on the way and the output stops where the fault is.
    if (const auto start = in.tellg(); start != std::istream::pos_type(-1)) {
        if (const auto failure = csv::scan(in)) {
            if (failure->kind == csv::Failure::Kind::NotUtf8 && tryGb18030(in, start)) {
                building::Gb18030Decoder decoder(in);
                std::istream text(&decoder);
                gb18030_ = true;
                return process(text);
            }
            return unreadable(building::describe(*failure, true));
        }
        in.clear();
        in.seekg(start);
        if (!in) {
            return unreadable("无法回到开头重新读取");
        }
    }
    return process(in);
}

int Batch::process(std::istream& in) {
    csv::Reader reader(in);
    csv::Record record;
    std::optional<building::UnitLayout> layout;
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        if (!layout) {
            const building::UnitHeaderCheck header =
                building::readUnitHeader(options_.standard, record);
            if (!header.layout) {
                return unreadable(building::lineText(record.firstLine()) + "：" + header.text);
            }
            layout = header.layout;
            writer_.header(record, *layout);
            began_ = true;
            continue;
        }
        if (building::isEarlierTotal(*layout, record)) {
            continue;
        }
        ++rows_;
        const building::UnitOutcome row = building::evaluateRow(*layout, record);
        if (row.model) {
            totals_.add(*row.model, row.count);
        }
        failed_ += row.failed() ? 1U : 0U;
        writer_.row(record, row);
        if (!out_) {
            return unreadable("的结果写不出去");
        }
    }
    if (const auto& failure = reader.failure()) {
        return unreadable(building::describe(*failure, false));
    }
    if (!layout) {
        return unreadable("是空的，连表头也没有（第一行应为表头，列名为 " +
                          building::allColumnNames(options_.standard) + "）");
    }
    const bool totalsInRange = writer_.totals(totals_, failed_);
    out_.flush();
    if (!out_) {
        return unreadable("的结果写不出去");
    }

    // The designer should know the table was not UTF-8: another program may not guess.
    const std::string_view encoding =
        gb18030_ ? "（表格不是 UTF-8 编码，已按 GB18030（GBK）编码读入；结果为 UTF-8）" : "";
    err_ << kProgram;
    if (failed_ == 0 && totalsInRange) {
        err_ << "已计算 " << rows_ << " 行，全部成功" << encoding << "\n";
        return kBatchOk;
    }
    if (failed_ == 0) {
        err_ << "已计算 " << rows_ << " 行，但有" << building::kTotalOutOfRange << encoding << "\n";
        return kBatchRowsFailed;
    }
    err_ << "共 " << rows_ << " 行，其中 " << failed_ << " 行出错（原因见“"
         << layout->heading(building::resultColumns(options_.standard).size() - 1)
         << "”列；合计未计入出错的行）" << encoding << "\n";
    return kBatchRowsFailed;
}

}  // namespace

int runBatch(std::istream& in, std::ostream& out, std::ostream& err, const BatchOptions& options) {
    Batch batch(out, err, options);
    return batch.run(in);
}

namespace {

namespace fs = std::filesystem;

// Standard input is kept in a temporary file while it is read, so that a table from a
// pipe is checked as a whole and tried as GB18030 like any file.
class SpooledInput {
  public:
    SpooledInput() {
        std::error_code error;
        const fs::path folder = fs::temp_directory_path(error);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && !file_.is_open(); ++attempt) {
            path_ = folder / ("extinguisher-calc-stdin-" + std::to_string(random()) + ".csv");
            if (!fs::exists(path_, error)) {
                file_.open(path_,
                           std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
            }
        }
        if (!file_.is_open()) {
            return;
        }
        file_ << std::cin.rdbuf();
        file_.clear();
        file_.seekg(0);
    }
    SpooledInput(const SpooledInput&) = delete;
    SpooledInput& operator=(const SpooledInput&) = delete;
    SpooledInput(SpooledInput&&) = delete;
    SpooledInput& operator=(SpooledInput&&) = delete;
    ~SpooledInput() {
        file_.close();
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    [[nodiscard]] bool ok() const { return file_.is_open(); }
    std::istream& stream() { return file_; }

  private:
    fs::path path_;
    std::fstream file_;
};

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

int runBatchFiles(const std::string& inputPath, const std::string& outputPath, BatchOptions options,
                  std::ostream& err) {
    std::ifstream file;
    std::optional<SpooledInput> spooled;
    std::istream* in = nullptr;
    if (inputPath == "-") {
        spooled.emplace();
        // Without a temporary file the table is still read, only once and as UTF-8.
        in = spooled->ok() ? &spooled->stream() : &std::cin;
    } else {
        options.inputName = "“" + inputPath + "”";
        std::error_code ignored;
        if (fs::is_directory(pathFromUtf8(inputPath), ignored)) {
            err << kProgram << options.inputName
                << " 是文件夹，不是表格文件；请给出表格文件的名称\n";
            return kBatchUnreadable;
        }
        file.open(pathFromUtf8(inputPath), std::ios::binary);
        if (!file) {
            err << kProgram << "无法打开输入文件" << options.inputName << "（"
                << building::describeFileError(lastError(), building::FileUse::Read) << "）\n";
            return kBatchUnreadable;
        }
        in = &file;
    }
    if (outputPath.empty() || outputPath == "-") {
        return runBatch(*in, std::cout, err, options);
    }

    const auto cannotWrite = [&](const std::string& why) {
        err << kProgram << "无法写入输出文件“" << outputPath << "”（" << why << "）\n";
        return kBatchUnreadable;
    };
    const auto cannotWriteFor = [&](std::error_code error) {
        return cannotWrite(building::describeFileError(error, building::FileUse::Write));
    };
    // Replacing the table with its own result would destroy the designer's input, and
    // the input is read while the result is written: refused, however the two are named.
    if (std::error_code error;
        inputPath != "-" &&
        fs::equivalent(pathFromUtf8(inputPath), pathFromUtf8(outputPath), error)) {
        return cannotWrite("这就是输入的表格，写入会毁掉它；请给结果另选一个文件名");
    }
    if (std::error_code error; fs::is_directory(pathFromUtf8(outputPath), error)) {
        return cannotWrite("这是一个文件夹，不是文件；请给出结果表格的文件名");
    }
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
            return cannotWriteFor(lastError());
        }
        const int status = runBatch(*in, direct, err, options);
        direct.close();
        return status != kBatchUnreadable && direct.fail() ? cannotWrite("写入失败") : status;
    }

    fs::path partial = target;
    partial += ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) {
        return cannotWriteFor(lastError());
    }
    const int status = runBatch(*in, out, err, options);
    out.close();
    if (status == kBatchUnreadable || out.fail()) {
        fs::remove(partial, error);
        return status == kBatchUnreadable ? status : cannotWrite("写入失败；磁盘可能已满");
    }
    fs::rename(partial, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return cannotWriteFor(error);
    }
    return status;
}

}  // namespace extcalc::cli
