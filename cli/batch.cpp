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

#include "choices.h"
#include "csv.h"
#include "extcalc/headless.h"
#include "extcalc/lists.h"
#include "extcalc/numbers.h"
#include "extcalc/texts.h"

namespace extcalc::cli {
namespace {

constexpr std::string_view kProgram = "extinguisher-calc-cli：";
constexpr std::string_view kTotalName = "合计";
constexpr std::string_view kTotalOutOfRange = "合计超出数值范围";

enum Column : std::size_t { Name, Class, Hazard, K, Underground, Extinguisher, Area, kColumnCount };

struct ColumnName {
    std::string_view chinese;
    std::string_view english;
};
constexpr std::array<ColumnName, kColumnCount> kColumnNames{{
    {"名称", "name"},
    {"火灾类别", "class"},
    {"危险等级", "hazard"},
    {"修正系数", "k"},
    {"地下建筑", "underground"},
    {"灭火器", "extinguisher"},
    {"建筑面积", "area"},
}};

// The columns the batch adds after the input's own.
enum Added : std::size_t { AddedQ1, AddedQ, AddedN, AddedInstall, AddedError, kAddedCount };
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

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

std::string lineText(long line) {
    return "第" + std::to_string(line) + "行";
}

struct Layout {
    std::array<std::size_t, kColumnCount> index{};
    std::size_t width = 0;
    // The added columns are headed in the language of the input's header: English only
    // when every column the batch reads was named in English.
    bool chinese = false;
    [[nodiscard]] std::string_view heading(Added added) const {
        return chinese ? kChineseHeadings[added] : kEnglishHeadings[added];
    }
};

std::string allColumnNames() {
    std::string chinese;
    std::string english;
    for (const auto& name : kColumnNames) {
        chinese += (chinese.empty() ? "" : "、") + std::string(name.chinese);
        english += (english.empty() ? "" : ", ") + std::string(name.english);
    }
    return chinese + "（或 " + english + "）";
}

// The layout, or why the header cannot serve: then nothing in the table can be computed.
std::optional<Layout> readHeader(const csv::Record& header, std::string& error) {
    if (header.problems() != csv::Problem::None) {
        error = "表头的引号使用有误";
        return std::nullopt;
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
                error = "表头中“" + std::string(kColumnNames[c].chinese) + "”一列出现了两次（第 " +
                        std::to_string(layout.index[c] + 1) + " 列和第 " + std::to_string(i + 1) +
                        " 列）";
                return std::nullopt;
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
        error = "表头缺少" + missing + "列（第一行应为表头，列名为 " + allColumnNames() + "）";
        return std::nullopt;
    }
    layout.chinese = anyChinese || !anyEnglish;
    return layout;
}

// Whether the area text holds a number where the window would look for one. The
// window reads any other text as 0; in a table that is a typing slip or a shifted
// column, and computing it would quietly drop the area's extinguishers from the total.
bool startsWithNumber(std::string_view text) {
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) {
            ++i;
        }
    };
    const auto digitHere = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
        skipBlanks();
    }
    if (digitHere()) {
        return true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        skipBlanks();
        return digitHere();
    }
    return false;
}

// Every model, whatever its class group, under one number: the totals are kept per
// model, so their size is fixed by the lists and not by the table.
class Models {
  public:
    Models()
        : groupA_(*groupOf(FireClass::A)),
          groupBC_(*groupOf(FireClass::B)),
          totals_(groupA_.extinguishers.size() + groupBC_.extinguishers.size(), 0.0),
          used_(totals_.size(), false) {}

    void add(const ClassGroup& group, int position, double count) {
        auto model = static_cast<std::size_t>(position);
        if (&group != &groupA_) {
            model += groupA_.extinguishers.size();
        }
        totals_[model] += count;
        used_[model] = true;
    }
    [[nodiscard]] std::size_t size() const { return totals_.size(); }
    [[nodiscard]] bool used(std::size_t model) const { return used_[model]; }
    [[nodiscard]] double total(std::size_t model) const { return totals_[model]; }
    [[nodiscard]] std::string_view text(std::size_t model) const {
        return model < groupA_.extinguishers.size()
                   ? groupA_.extinguishers[model].text
                   : groupBC_.extinguishers[model - groupA_.extinguishers.size()].text;
    }

  private:
    const ClassGroup& groupA_;
    const ClassGroup& groupBC_;
    std::vector<double> totals_;
    std::vector<bool> used_;
};

struct RowResult {
    std::optional<std::array<std::string, 3>> results;
    std::string install;
    std::vector<std::string> errors;
};

template <class Item>
std::optional<int> choice(std::span<const Item> list, std::string_view answer, Column column,
                          std::string_view listName, std::vector<std::string>& errors) {
    auto found = findChoice(list, answer);
    if (!found) {
        errors.push_back(std::string(kColumnNames[column].chinese) + "“" + std::string(answer) +
                         "”不在" + std::string(listName) + "的列表中（应为 1 到 " +
                         std::to_string(list.size()) + " 的编号或列表中的原文）");
    }
    return found;
}

class Batch {
  public:
    Batch(std::ostream& out, std::ostream& err, const BatchOptions& options)
        : out_(out), err_(err), options_(options), writer_(out) {}

    int run(std::istream& in);

  private:
    int unreadable(const std::string& why);
    void writeHeader(const csv::Record& header);
    void computeRow(const csv::Record& record);
    RowResult evaluate(const csv::Record& record);
    void writeTotals();

    std::ostream& out_;
    std::ostream& err_;
    const BatchOptions& options_;
    csv::Writer writer_;
    Layout layout_;
    Models models_;
    bool began_ = false;
    std::size_t rows_ = 0;
    std::size_t failed_ = 0;
    bool totalOutOfRange_ = false;
};

int Batch::unreadable(const std::string& why) {
    err_ << kProgram << options_.inputName << " " << why;
    if (began_) {
        err_ << "；已写出的结果不完整";
    }
    err_ << '\n';
    return kBatchUnreadable;
}

std::string describe(const csv::Failure& failure) {
    if (failure.kind == csv::Failure::Kind::NotUtf8) {
        return lineText(failure.line) +
               "不是有效的 UTF-8 文本（表格可能是以 GBK 等其他编码保存的）；请在表格程序中"
               "另存为 UTF-8 编码的 CSV（如“CSV UTF-8（逗号分隔）”）后重试";
    }
    return "读到" + lineText(failure.line) + "时读取失败";
}

int Batch::run(std::istream& in) {
    // A file can be checked through before anything is written, so that a table in the
    // wrong encoding is refused as a whole. A pipe cannot be read twice; there the
    // check happens on the way and the output stops where the fault is.
    if (const auto start = in.tellg(); start != std::istream::pos_type(-1)) {
        if (const auto failure = csv::scan(in)) {
            return unreadable(describe(*failure));
        }
        in.clear();
        in.seekg(start);
        if (!in) {
            return unreadable("无法回到开头重新读取");
        }
    }

    csv::Reader reader(in);
    csv::Record record;
    bool haveHeader = false;
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        if (!haveHeader) {
            std::string error;
            const auto layout = readHeader(record, error);
            if (!layout) {
                return unreadable(lineText(record.firstLine()) + "：" + error);
            }
            layout_ = *layout;
            haveHeader = true;
            writeHeader(record);
            continue;
        }
        computeRow(record);
        if (!out_) {
            return unreadable("的结果写不出去");
        }
    }
    if (const auto& failure = reader.failure()) {
        return unreadable(describe(*failure));
    }
    if (!haveHeader) {
        return unreadable("是空的，连表头也没有（第一行应为表头，列名为 " + allColumnNames() +
                          "）");
    }
    writeTotals();
    out_.flush();
    if (!out_) {
        return unreadable("的结果写不出去");
    }

    err_ << kProgram;
    if (failed_ == 0 && !totalOutOfRange_) {
        err_ << "已计算 " << rows_ << " 行，全部成功\n";
        return kBatchOk;
    }
    if (failed_ == 0) {
        err_ << "已计算 " << rows_ << " 行，但有" << kTotalOutOfRange << "\n";
        return kBatchRowsFailed;
    }
    err_ << "共 " << rows_ << " 行，其中 " << failed_ << " 行出错（原因见“"
         << layout_.heading(AddedError) << "”列；合计未计入出错的行）\n";
    return kBatchRowsFailed;
}

void Batch::writeHeader(const csv::Record& header) {
    if (options_.byteOrderMark) {
        writer_.byteOrderMark();
    }
    for (const auto& field : header.fields()) {
        writer_.field(field);
    }
    for (std::size_t added = 0; added < kAddedCount; ++added) {
        writer_.field(layout_.heading(static_cast<Added>(added)));
    }
    writer_.endRecord();
    began_ = true;
}

RowResult Batch::evaluate(const csv::Record& record) {
    RowResult row;
    auto& errors = row.errors;
    if (has(record.problems(), csv::Problem::TooLong)) {
        errors.emplace_back("本行过长（超过 " +
                            std::to_string(csv::Reader::kDefaultMaxRecordBytes) +
                            " 字节），超出部分没有读入");
    }
    if (has(record.problems(), csv::Problem::UnclosedQuote)) {
        errors.emplace_back("引号没有闭合，本行之后直到文件末尾的内容都被读进了这一格");
    }
    if (has(record.problems(), csv::Problem::TextAfterClosingQuote)) {
        errors.emplace_back("引号使用有误：右引号之后、逗号之前还有文字");
    }
    const auto fields = record.fields();
    for (std::size_t i = layout_.width; i < fields.size(); ++i) {
        if (!trimmed(fields[i]).empty()) {
            errors.emplace_back("本行有 " + std::to_string(fields.size()) + " 格，多于表头的 " +
                                std::to_string(layout_.width) +
                                " 列（含英文逗号的选项原文须整格加英文双引号）");
            break;
        }
    }
    // Cells shifted by a broken quote or a stray comma are not the answers their column
    // names; computing them would give a plausible but wrong row.
    if (!errors.empty()) {
        return row;
    }

    const auto cell = [&](Column column) -> std::string_view {
        const std::size_t i = layout_.index[column];
        return i < fields.size() ? trimmed(fields[i]) : std::string_view{};
    };
    for (const Column column : {Class, Hazard, K, Underground, Extinguisher, Area}) {
        if (cell(column).empty()) {
            errors.push_back("缺少" + std::string(kColumnNames[column].chinese));
        }
    }

    const ClassGroup* group = nullptr;
    std::string className;
    const auto fireClass = parseFireClass(cell(Class));
    if (!cell(Class).empty()) {
        if (!fireClass) {
            errors.push_back("火灾类别“" + std::string(cell(Class)) + "”无效（应为 A、B、C 或 D）");
        } else if (group = groupOf(*fireClass); group == nullptr) {
            errors.push_back("D类火灾不作计算：" + std::string(text::kClassDNotice));
        } else {
            className =
                std::string(1, static_cast<char>('A' + static_cast<int>(*fireClass))) + "类火灾";
        }
    }
    std::optional<int> hazard;
    std::optional<int> extinguisher;
    if (group != nullptr) {
        if (!cell(Hazard).empty()) {
            hazard = choice(group->hazards, cell(Hazard), Hazard, className, errors);
        }
        if (!cell(Extinguisher).empty()) {
            extinguisher =
                choice(group->extinguishers, cell(Extinguisher), Extinguisher, className, errors);
        }
    }
    std::optional<int> correction;
    if (!cell(K).empty()) {
        correction = choice(correctionList(), cell(K), K, "修正系数", errors);
    }
    std::optional<bool> underground;
    if (!cell(Underground).empty()) {
        underground = parseUnderground(cell(Underground));
        if (!underground) {
            errors.push_back("地下建筑“" + std::string(cell(Underground)) +
                             "”无效（应为 是、否、yes 或 no）");
        }
    }
    if (!cell(Area).empty() && !startsWithNumber(cell(Area))) {
        errors.push_back("建筑面积“" + std::string(cell(Area)) + "”不是数值");
    }
    if (!errors.empty()) {
        return row;
    }

    Outcome outcome = calculateOnce({*fireClass, *hazard, *correction, *underground, *extinguisher,
                                     std::string(fields[layout_.index[Area]])});
    if (!outcome.results) {
        std::transform(outcome.messages.begin(), outcome.messages.end(), std::back_inserter(errors),
                       [](ShownMessage& message) { return std::move(message.text); });
        if (errors.empty()) {
            errors.emplace_back("无法计算");
        }
        return row;
    }
    row.results = std::move(outcome.results);
    const auto count = installCount((*row.results)[2]);
    if (!count) {
        errors.emplace_back("需要灭火器数量N为负数（建筑面积为负？），无法给出配置数量");
        return row;
    }
    row.install = resultText(*count).value_or("");
    models_.add(*group, *extinguisher, *count);
    return row;
}

void Batch::computeRow(const csv::Record& record) {
    ++rows_;
    const RowResult row = evaluate(record);
    const auto fields = record.fields();
    for (std::size_t i = 0; i < layout_.width; ++i) {
        writer_.field(i < fields.size() ? std::string_view(fields[i]) : std::string_view{});
    }
    for (std::size_t i = 0; i < 3; ++i) {
        writer_.field(row.results ? std::string_view((*row.results)[i]) : std::string_view{});
    }
    writer_.field(row.install);
    if (row.errors.empty()) {
        writer_.field({});
    } else {
        ++failed_;
        std::string error = lineText(record.firstLine()) + "：";
        for (std::size_t i = 0; i < row.errors.size(); ++i) {
            error += (i == 0 ? "" : "；") + row.errors[i];
        }
        writer_.field(error);
    }
    writer_.endRecord();
}

void Batch::writeTotals() {
    const std::string note = failed_ == 0
                                 ? std::string()
                                 : "合计不完整：有 " + std::to_string(failed_) + " 行出错，未计入";
    std::vector<std::string_view> cells(layout_.width);
    const auto writeRow = [&](std::string_view model, const std::optional<std::string>& total) {
        std::fill(cells.begin(), cells.end(), std::string_view{});
        cells[layout_.index[Name]] = kTotalName;
        cells[layout_.index[Extinguisher]] = model;
        for (const auto cell : cells) {
            writer_.field(cell);
        }
        writer_.field({});
        writer_.field({});
        writer_.field({});
        // Only areas near the limit of a 64-bit float can add up past it; an empty cell
        // would read as nothing to install.
        if (total) {
            writer_.field(*total);
            writer_.field(note);
        } else {
            totalOutOfRange_ = true;
            writer_.field({});
            writer_.field(note.empty() ? std::string(kTotalOutOfRange)
                                       : note + "；" + std::string(kTotalOutOfRange));
        }
        writer_.endRecord();
    };
    bool any = false;
    for (std::size_t model = 0; model < models_.size(); ++model) {
        if (models_.used(model)) {
            writeRow(models_.text(model), resultText(models_.total(model)));
            any = true;
        }
    }
    if (!any) {
        writeRow({}, "0");
    }
}

}  // namespace

std::optional<double> installCount(std::string_view nText) {
    double value = 0.0;
    const char* end = nText.data() + nText.size();
    const auto [ptr, error] = std::from_chars(nText.data(), end, value);
    if (error != std::errc{} || ptr != end || !std::isfinite(value) || value < 0.0) {
        return std::nullopt;
    }
    // The text has at most 15 significant digits and the nearest double to it lies
    // closer to it than to any whole number it is not, so rounding this double up is
    // rounding the shown decimal up.
    return std::ceil(value) + 0.0;  // + 0.0 turns -0 into 0
}

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
        if (std::filesystem::is_directory(inputPath, ignored)) {
            err << kProgram << options.inputName << " 是目录，不是表格文件\n";
            return kBatchUnreadable;
        }
        file.open(inputPath, std::ios::binary);
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
    fs::path target = fs::weakly_canonical(outputPath, error);
    if (error) {
        target = outputPath;
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
