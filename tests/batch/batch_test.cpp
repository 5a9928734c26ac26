// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "batch.h"
#include "extcalc/answers.h"
#include "extcalc/csv.h"
#include "extcalc/numbers.h"
#include "extcalc/texts.h"

namespace {

using extcalc::building::installCount;
using extcalc::cli::BatchOptions;
using extcalc::cli::runBatch;
using Rows = std::vector<std::vector<std::string>>;

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };
constexpr std::string_view kMark = "\xEF\xBB\xBF";
const std::string kEnglishHeader = "name,class,hazard,k,underground,extinguisher,area\n";
const std::string kChineseHeader = "名称,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积\n";

// A stream that cannot be rewound, like a pipe into standard input.
class PipeBuf : public std::streambuf {
  public:
    explicit PipeBuf(std::string data) : data_(std::move(data)) {
        setg(data_.data(), data_.data(), data_.data() + data_.size());
    }

  private:
    std::string data_;
};

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    Rows rows;  // the output read back, mark stripped
};

Rows parse(std::string_view out) {
    std::istringstream in{std::string(out)};
    // Room for an overlong row written back whole.
    extcalc::csv::Reader reader(in, 4 * extcalc::csv::Reader::kDefaultMaxRecordBytes);
    extcalc::csv::Record record;
    Rows rows;
    while (reader.next(record)) {
        rows.emplace_back(record.fields().begin(), record.fields().end());
    }
    EXPECT_FALSE(reader.failure().has_value());
    return rows;
}

Outcome finish(int status, const std::ostringstream& out, const std::ostringstream& err) {
    Outcome run{status, out.str(), err.str(), {}};
    run.rows = parse(run.out);
    return run;
}

Outcome batch(const std::string& input, bool mark = true) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    BatchOptions options;
    options.byteOrderMark = mark;
    const int status = runBatch(in, out, err, options);
    return finish(status, out, err);
}

Outcome batchFromPipe(const std::string& input) {
    PipeBuf buf(input);
    std::istream in(&buf);
    std::ostringstream out;
    std::ostringstream err;
    const int status = runBatch(in, out, err, BatchOptions{});
    return finish(status, out, err);
}

// Columns after the seven input columns of the English header.
constexpr std::size_t kQ1 = 7;
constexpr std::size_t kN = 9;
constexpr std::size_t kInstall = 10;
constexpr std::size_t kError = 11;

// --- rows that compute -------------------------------------------------------------

struct ResultCase {
    const char* name;
    std::string row;                   // in the English header's order
    std::vector<std::string> results;  // Q1, Q, N, install
};

void PrintTo(const ResultCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchResults : public testing::TestWithParam<ResultCase> {};

TEST_P(BatchResults, GiveTheWindowsResultsAndTheNumberToInstall) {
    const auto& c = GetParam();
    const Outcome run = batch(kEnglishHeader + c.row + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.rows.size(), 3U) << run.out;
    const auto& row = run.rows[1];
    ASSERT_EQ(row.size(), 12U) << run.out;
    EXPECT_EQ(std::vector<std::string>(row.begin() + kQ1, row.begin() + kError), c.results);
    EXPECT_EQ(row[kError], "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BatchResults,
    testing::Values(
        ResultCase{"WorkedExample", "r,A,2,2,no,3,300", {"20", "14", "1.75", "2"}},
        ResultCase{"LightHazard", "r,A,1,1,no,1,100", {"5", "5", "1.66666666666667", "2"}},
        ResultCase{"UndergroundShowsTheFloatFactor",
                   "r,A,1,1,yes,1,100",
                   {"5", "6.49999976158142", "2.16666658719381", "3"}},
        ResultCase{"ClassB",
                   "r,B,2,3,yes,4,500",
                   {"66.6666666666667", "25.9999990463257", "6.49999976158142", "7"}},
        ResultCase{"ClassCSharesTheBLists",
                   "r,C,2,3,yes,4,500",
                   {"66.6666666666667", "25.9999990463257", "6.49999976158142", "7"}},
        ResultCase{
            "ChoicesByTheirTexts",
            "r,a,\"中危险级,15m2/A\",只有消火栓系统，K=0.7,否,磷酸铵盐干粉，4公斤，8A/具,300",
            {"20", "14", "1.75", "2"}},
        ResultCase{
            "BlanksAroundAnswers", "r, A , 2 ,\t2, 否 , 3 , 300 ", {"20", "14", "1.75", "2"}},
        ResultCase{"AreaWithUnit", "r,A,2,2,no,3,300平方米", {"20", "14", "1.75", "2"}},
        ResultCase{"AreaWithUnitAfterBlank", "r,A,2,2,no,3,300 m²", {"20", "14", "1.75", "2"}},
        ResultCase{"WholeNIsNotRoundedFurther", "r,A,1,1,no,1,300", {"15", "15", "5", "5"}},
        ResultCase{"ZeroArea", "r,A,1,1,no,1,0", {"0", "0", "0", "0"}},
        ResultCase{"TinyNStillNeedsTwo",
                   "r,A,1,1,no,1,1e-9",
                   {"0.00000000005", "0.00000000005", "1.66666666666667E-11", "2"}},
        ResultCase{"SmallRoomGetsTwo", "r,A,3,2,no,2,45", {"4.5", "3.15", "0.63", "2"}},
        ResultCase{"NoNameIsFine", ",A,2,2,no,3,300", {"20", "14", "1.75", "2"}},
        // Cells past the header's width that hold nothing, as spreadsheets leave them.
        ResultCase{"EmptyCellsBeyondTheHeader", "r,A,2,2,no,3,300,,", {"20", "14", "1.75", "2"}}),
    byName);

// --- rows that fail ----------------------------------------------------------------

struct ErrorCase {
    const char* name;
    std::string row;
    std::string error;  // the whole error text of the row, which is on line 2
    std::vector<std::string> results = {"", "", "", ""};
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchRowErrors : public testing::TestWithParam<ErrorCase> {};

// The bad row sits between two good ones, which must come out as if alone.
TEST_P(BatchRowErrors, NameTheFaultAndKeepTheOtherRows) {
    const auto& c = GetParam();
    const Outcome run =
        batch(kEnglishHeader + "first,A,2,2,no,3,300\n" + c.row + "\nlast,B,2,3,yes,4,500\n");
    EXPECT_EQ(run.status, 1);
    ASSERT_GE(run.rows.size(), 4U) << run.out;
    const auto& bad = run.rows[2];
    ASSERT_EQ(bad.size(), 12U) << run.out;
    EXPECT_EQ(bad[kError], "第3行：" + c.error);
    EXPECT_EQ(std::vector<std::string>(bad.begin() + kQ1, bad.begin() + kError), c.results);
    EXPECT_EQ(run.rows[1][kN], "1.75");
    EXPECT_EQ(run.rows[1][kError], "");
    EXPECT_EQ(run.rows[3][kN], "6.49999976158142");
    EXPECT_EQ(run.rows[3][kError], "");
    EXPECT_EQ(
        run.err,
        "extinguisher-calc-cli：共 3 行，其中 1 行出错（原因见“error”列；合计未计入出错的行）\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BatchRowErrors,
    testing::Values(
        ErrorCase{"HazardBeyondItsList", "r,A,4,2,no,3,300",
                  "危险等级“4”不在A类火灾的列表中（应为 1 到 3 的编号或列表中的原文）"},
        ErrorCase{"HazardCountsFromOne", "r,A,0,2,no,3,300",
                  "危险等级“0”不在A类火灾的列表中（应为 1 到 3 的编号或列表中的原文）"},
        ErrorCase{
            "HazardTextOfTheOtherGroup", "r,A,\"轻危险级,10m2/B\",2,no,3,300",
            "危险等级“轻危险级,10m2/B”不在A类火灾的列表中（应为 1 到 3 的编号或列表中的原文）"},
        // Class A has seven models, B eight: the eighth exists only for B and C.
        ErrorCase{"ExtinguisherBeyondTheAList", "r,A,2,2,no,8,300",
                  "灭火器“8”不在A类火灾的列表中（应为 1 到 7 的编号或列表中的原文）"},
        ErrorCase{"CorrectionUnknown", "r,A,2,K=0.7,no,3,300",
                  "修正系数“K=0.7”不在修正系数的列表中（应为 1 到 3 的编号或列表中的原文）"},
        ErrorCase{"ClassUnknown", "r,E,2,2,no,3,300", "火灾类别“E”无效（应为 A、B、C 或 D）"},
        ErrorCase{"ClassD", "r,D,2,2,no,3,300",
                  "D类火灾不作计算：" + std::string(extcalc::text::kClassDNotice)},
        ErrorCase{"UndergroundUnknown", "r,A,2,2,maybe,3,300",
                  "地下建筑“maybe”无效（应为 是、否、yes 或 no）"},
        ErrorCase{"AreaMissing", "r,A,2,2,no,3,", "缺少建筑面积"},
        ErrorCase{"AreaOnlyBlanks", "r,A,2,2,no,3,  ", "缺少建筑面积"},
        ErrorCase{"SeveralMissing", "r,A,,2,no,,300", "缺少危险等级；缺少灭火器"},
        ErrorCase{"ShortRow", "r,A,2", "缺少修正系数；缺少地下建筑；缺少灭火器；缺少建筑面积"},
        ErrorCase{"EverythingWrongAtOnce", "r,B,9,9,x,9,abc",
                  "危险等级“9”不在B类火灾的列表中（应为 1 到 3 的编号或列表中的原文）；"
                  "灭火器“9”不在B类火灾的列表中（应为 1 到 8 的编号或列表中的原文）；"
                  "修正系数“9”不在修正系数的列表中（应为 1 到 3 的编号或列表中的原文）；"
                  "地下建筑“x”无效（应为 是、否、yes 或 no）；建筑面积“abc”不是数值"},
        ErrorCase{"AreaNotANumber", "r,A,2,2,no,3,约300", "建筑面积“约300”不是数值"},
        // Read as the window reads them these are 1 m² and 0 m²: a table says so instead.
        ErrorCase{"AreaWithThousandsSeparator", "r,A,2,2,no,3,\"1,200\"",
                  "建筑面积“1,200”中的“,200”不是数值的一部分（千位分隔符不能用于数值），只读到 1"},
        ErrorCase{"AreaInFullWidthDigits", "r,A,2,2,no,3,３００",
                  "建筑面积“３００”不是数值（全角数字不能用于数值，请用半角数字）"},
        ErrorCase{"AreaWithOtherUnit", "r,A,2,2,no,3,300亩",
                  "建筑面积“300亩”中的“亩”不是数值的一部分，只读到 300"},
        ErrorCase{"AreaOutOfRange", "r,A,2,2,no,3,1e999",
                  std::string(extcalc::text::kAreaOutOfRange)},
        ErrorCase{"NegativeAreaShowsResultsButNoCount",
                  "r,A,1,1,no,1,-100",
                  "需要灭火器数量N为负数（建筑面积为负？），无法给出配置数量",
                  {"-5", "-5", "-1.66666666666667", ""}},
        // The usual slip: a hazard text with its ASCII comma left unquoted.
        ErrorCase{"UnquotedCommaShiftsTheCells", "r,A,中危险级,15m2/A,2,no,3,300",
                  "本行有 8 格，多于表头的 7 列（含英文逗号的选项原文须整格加英文双引号）"},
        ErrorCase{"TextAfterClosingQuote", "r,A,\"2\"x,2,no,3,300",
                  "引号使用有误：右引号之后、逗号之前还有文字"}),
    byName);

TEST(BatchRowErrors, UnclosedQuoteFailsItsRowOnly) {
    const Outcome run = batch(kEnglishHeader + "first,A,2,2,no,3,300\n\"bad,A,2,2,no,3,300\nx,A\n");
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.rows.size(), 4U) << run.out;
    EXPECT_EQ(run.rows[1][kN], "1.75");
    EXPECT_EQ(run.rows[2][kError],
              "第3行：引号没有闭合，本行之后直到文件末尾的内容都被读进了这一格");
    EXPECT_EQ(run.rows[3][0], "合计");
}

TEST(BatchRowErrors, OverlongRowFailsAndTheNextRowIsComputed) {
    const std::string huge(extcalc::csv::Reader::kDefaultMaxRecordBytes, 'x');
    const Outcome run = batch(kEnglishHeader + huge + ",A,2,2,no,3,300\nnext,A,2,2,no,3,300\n");
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.rows.size(), 4U);
    ASSERT_EQ(run.rows[1].size(), 12U);
    EXPECT_TRUE(run.rows[1][kError].starts_with("第2行：本行过长")) << run.rows[1][kError];
    EXPECT_EQ(run.rows[2][kN], "1.75");
}

// --- the number to install ---------------------------------------------------------

TEST(InstallCount, RoundsTheShownNUp) {
    struct Case {
        const char* text;
        double count;
    };
    for (const auto& c : std::initializer_list<Case>{{"2", 2},
                                                     {"1.75", 2},
                                                     {"0", 0},
                                                     {"0.000001", 1},
                                                     {"5.6789E-12", 1},
                                                     {"2.00000000000001", 3},
                                                     {"14.9999999999999", 15},
                                                     {"1.23456789012346E+15", 1234567890123460.0},
                                                     {"2.5E+20", 2.5E+20}}) {
        const auto count = installCount(c.text);
        ASSERT_TRUE(count.has_value()) << c.text;
        EXPECT_EQ(*count, c.count) << c.text;
    }
    for (const char* text : {"-1.66666666666667", "-5", "-0.000001", "", "abc", "1.5x"}) {
        EXPECT_FALSE(installCount(text).has_value()) << text;
    }
}

// N computed in binary may sit a hair above a whole number; the box shows the whole
// number and the designer installs that many.
TEST(InstallCount, BinaryNoiseAddsNoExtinguisher) {
    for (const double whole : {1.0, 2.0, 7.0, 20.0, 1000.0}) {
        const double noisy = std::nextafter(whole, 2 * whole);
        const auto shown = extcalc::resultText(noisy);
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(*shown, extcalc::resultText(whole).value());
        EXPECT_EQ(installCount(*shown), whole);
    }
}

// --- header, columns and languages -------------------------------------------------

struct HeaderCase {
    const char* name;
    std::string input;
    std::vector<std::string> header;  // as written back, with the added columns
    std::vector<std::string> row;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(BatchHeaders, FindTheColumnsByNameInAnyOrder) {
    const auto& c = GetParam();
    const Outcome run = batch(c.input);
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.rows.size(), 2U);
    EXPECT_EQ(run.rows[0], c.header);
    EXPECT_EQ(run.rows[1], c.row);
}

const std::vector<std::string> kChineseAdded{"灭火级别Q1", "修正后灭火级别Q", "需要灭火器数量N",
                                             "配置数量", "错误"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BatchHeaders,
    testing::Values(
        HeaderCase{
            "Chinese",
            kChineseHeader + "办公室,A,2,2,否,3,300\n",
            concat({"名称", "火灾类别", "危险等级", "修正系数", "地下建筑", "灭火器", "建筑面积"},
                   kChineseAdded),
            {"办公室", "A", "2", "2", "否", "3", "300", "20", "14", "1.75", "2", ""}},
        HeaderCase{"English",
                   kEnglishHeader + "office,A,2,2,no,3,300\n",
                   {"name", "class", "hazard", "k", "underground", "extinguisher", "area", "Q1",
                    "Q", "N", "install", "error"},
                   {"office", "A", "2", "2", "no", "3", "300", "20", "14", "1.75", "2", ""}},
        HeaderCase{"EnglishInAnyCaseWithBlanks",
                   " Area ,K,Extinguisher,UNDERGROUND,Hazard,Class,Name\n300,2,3,no,2,A,office\n",
                   {" Area ", "K", "Extinguisher", "UNDERGROUND", "Hazard", "Class", "Name", "Q1",
                    "Q", "N", "install", "error"},
                   {"300", "2", "3", "no", "2", "A", "office", "20", "14", "1.75", "2", ""}},
        // One Chinese name is enough for Chinese headings: the program speaks Chinese.
        HeaderCase{
            "MixedIsChinese",
            "name,class,hazard,k,underground,extinguisher,建筑面积\noffice,A,2,2,no,3,300\n",
            concat({"name", "class", "hazard", "k", "underground", "extinguisher", "建筑面积"},
                   kChineseAdded),
            {"office", "A", "2", "2", "no", "3", "300", "20", "14", "1.75", "2", ""}},
        HeaderCase{"OtherColumnsPassThroughInPlace",
                   "备注,名称,楼层,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积\n"
                   "\"含逗号,的备注\",办公室,3F,A,2,2,否,3,300\n",
                   concat({"备注", "名称", "楼层", "火灾类别", "危险等级", "修正系数", "地下建筑",
                           "灭火器", "建筑面积"},
                          kChineseAdded),
                   {"含逗号,的备注", "办公室", "3F", "A", "2", "2", "否", "3", "300", "20", "14",
                    "1.75", "2", ""}}),
    byName);

struct UnreadableCase {
    const char* name;
    std::string input;
    std::string err;
};

void PrintTo(const UnreadableCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchUnreadable : public testing::TestWithParam<UnreadableCase> {};

TEST_P(BatchUnreadable, RefuseTheWholeTableBeforeWritingAnything) {
    const auto& c = GetParam();
    const Outcome run = batch(c.input);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "extinguisher-calc-cli：标准输入 " + c.err + "\n");
}

const std::string kAllNames =
    "名称、火灾类别、危险等级、修正系数、地下建筑、灭火器、建筑面积、依据（或 name, class, hazard, "
    "k, underground, extinguisher, area, hazard_basis）";
const std::string kSaveAsUtf8 =
    "不是有效的 UTF-8 文本，整个表格也不能按 GB18030（GBK）编码读出；请在表格程序中另存为 "
    "UTF-8 编码的 CSV（如“CSV UTF-8（逗号分隔）”）后重试";
const std::string kPipeSaveAsUtf8 =
    "不是有效的 UTF-8 文本（表格可能是以 GBK 等其他编码保存的）；请在表格程序中另存为 UTF-8 "
    "编码的 CSV（如“CSV UTF-8（逗号分隔）”）后重试";

INSTANTIATE_TEST_SUITE_P(
    Tables, BatchUnreadable,
    testing::Values(
        UnreadableCase{"Empty", "",
                       "是空的，连表头也没有（第一行应为表头，列名为 " + kAllNames + "）"},
        UnreadableCase{"OnlyBlankLines", "\xEF\xBB\xBF\r\n,,,\r\n\r\n",
                       "是空的，连表头也没有（第一行应为表头，列名为 " + kAllNames + "）"},
        UnreadableCase{
            "MissingColumns", "名称,火灾类别,修正系数,地下建筑,建筑面积\n",
            "第1行：表头缺少“危险等级”“灭火器”列（第一行应为表头，列名为 " + kAllNames + "）"},
        // A table without its header starts straight with a row.
        UnreadableCase{
            "NoHeader", "\n\n办公室,A,2,2,否,3,300\n",
            "第3行：表头缺少“名称”“火灾类别”“危险等级”“修正系数”“地下建筑”“灭火器”“建筑面积”"
            "列（第一行应为表头，列名为 " +
                kAllNames + "）"},
        UnreadableCase{"DuplicateColumn",
                       "name,class,hazard,k,underground,extinguisher,area,AREA\n",
                       "第1行：表头中“建筑面积”一列出现了两次（第 7 列和第 8 列）"},
        UnreadableCase{"DuplicateAcrossLanguages",
                       "name,名称,class,hazard,k,underground,extinguisher,area\n",
                       "第1行：表头中“名称”一列出现了两次（第 1 列和第 2 列）"},
        UnreadableCase{"BrokenQuoteInHeader", "\"name\"x,class\n", "第1行：表头的引号使用有误"},
        // 0xFF starts no character in either encoding.
        UnreadableCase{"NeitherInTheHeader", "\xC3\xFB\xB3\xC6\xFF,class\r\n",
                       "第1行" + kSaveAsUtf8},
        // GBK further down that breaks off: still nothing is written.
        UnreadableCase{"NeitherInALaterRow",
                       kEnglishHeader + "office,A,2,2,no,3,300\n\xB0\xEC\xB9,A,2,2,no,3,300\n",
                       "第3行" + kSaveAsUtf8}),
    byName);

// Excel on Chinese Windows saves GBK: such a table is read, and says it was.
TEST(BatchFormat, GbkTableIsReadAsGb18030) {
    const Outcome run = batch(
        "\xC3\xFB\xB3\xC6,\xBB\xF0\xD4\xD6\xC0\xE0\xB1\xF0,\xCE\xA3\xCF\xD5\xB5\xC8\xBC\xB6,"
        "\xD0\xDE\xD5\xFD\xCF\xB5\xCA\xFD,\xB5\xD8\xCF\xC2\xBD\xA8\xD6\xFE,"
        "\xC3\xF0\xBB\xF0\xC6\xF7,"
        "\xBD\xA8\xD6\xFE\xC3\xE6\xBB\xFD\r\n\xB0\xEC\xB9\xAB\xCA\xD2,A,2,2,\xB7\xF1,3,300\r\n");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.rows.size(), 3U) << run.out;
    EXPECT_EQ(run.rows[0][0], "名称");
    EXPECT_EQ(run.rows[1][0], "办公室");
    EXPECT_EQ(run.rows[1][9], "1.75");
    EXPECT_NE(run.err.find("已按 GB18030（GBK）编码读入"), std::string::npos) << run.err;
}

TEST(BatchUnreadable, FromAPipeStopsAtTheFaultAndSaysTheOutputIsIncomplete) {
    const Outcome run =
        batchFromPipe(kEnglishHeader + "office,A,2,2,no,3,300\n" +
                      "\xB0\xEC\xB9\xAB\xCA\xD2,A,2,2,no,3,300\nlater,A,2,2,no,3,300\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "extinguisher-calc-cli：标准输入 第3行" + kPipeSaveAsUtf8 + "；已写出的结果不完整\n");
    ASSERT_EQ(run.rows.size(), 2U) << run.out;  // header and the row before; no totals
    EXPECT_EQ(run.rows[1][kN], "1.75");
}

// --- file format -------------------------------------------------------------------

const std::string kTwoRows = "office,A,2,2,no,3,300\n\"store, north\",B,2,3,yes,4,500\n";

TEST(BatchFormat, SameTableWhateverTheLineEndsMarkAndBlankLines) {
    const Outcome plain = batch(kEnglishHeader + kTwoRows);
    ASSERT_EQ(plain.status, 0);
    std::string crlf = kEnglishHeader + kTwoRows;
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) {
        crlf.replace(at, 1, "\r\n");
    }
    const std::vector<std::string> variants{
        crlf,
        std::string(kMark) + kEnglishHeader + kTwoRows,
        std::string(kMark) + crlf,
        "\n\r\n" + kEnglishHeader + "\n,,,,,,\n" + " , ,\t\n" + kTwoRows + "\n\n",
        kEnglishHeader + "office,A,2,2,no,3,300\n\"store, north\",B,2,3,yes,4,500",
    };
    for (const auto& input : variants) {
        const Outcome run = batch(input);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.rows.size(), plain.rows.size());
        // Errors name lines of the input, so only the computed cells are compared.
        for (std::size_t i = 0; i < std::min(run.rows.size(), plain.rows.size()); ++i) {
            EXPECT_EQ(run.rows[i], plain.rows[i]) << "row " << i << " of:\n" << input;
        }
        EXPECT_EQ(run.err, "extinguisher-calc-cli：已计算 2 行，全部成功\n");
    }
}

TEST(BatchFormat, WritesMarkedCrLfTableQuotingWhatNeedsIt) {
    const std::string table =
        "name,class,hazard,k,underground,extinguisher,area,Q1,Q,N,install,error\r\n"
        "office,A,2,2,no,3,300,20,14,1.75,2,\r\n"
        "\"store, north\",B,2,3,yes,4,500,66.6666666666667,25.9999990463257,6.49999976158142,7,\r\n"
        "合计,,,,,磷酸铵盐干粉，4公斤，8A/具,,,,,2,\r\n"
        "合计,,,,,二氧化碳灭火器，7公斤，4B/具,,,,,7,\r\n";
    EXPECT_EQ(batch(kEnglishHeader + kTwoRows).out, std::string(kMark) + table);
    EXPECT_EQ(batch(kEnglishHeader + kTwoRows, false).out, table);
}

// --- totals ------------------------------------------------------------------------

TEST(BatchTotals, OnePerModelInListOrderWithBAndCTogether) {
    const Outcome run = batch(kChineseHeader +
                              "b1,B,2,3,是,4,500\n"  // 7 of CO2 7 kg
                              "a1,A,2,2,否,3,300\n"  // 2 of 4 kg 8A
                              "c1,C,2,3,是,4,500\n"  // 7 more of CO2 7 kg, the same model
                              "a2,A,1,1,否,1,100\n"  // 2 of 1 kg 3A
                              "a3,A,2,2,否,3,300\n"  // 2 more of 4 kg 8A
                              "a4,A,1,1,否,1,0\n");  // 0 of 1 kg 3A
    EXPECT_EQ(run.status, 0) << run.err;
    const Rows expected{
        {"合计", "", "", "", "", "磷酸铵盐干粉，1公斤，3A/具", "", "", "", "", "2", ""},
        {"合计", "", "", "", "", "磷酸铵盐干粉，4公斤，8A/具", "", "", "", "", "4", ""},
        {"合计", "", "", "", "", "二氧化碳灭火器，7公斤，4B/具", "", "", "", "", "14", ""},
    };
    ASSERT_EQ(run.rows.size(), 1 + 6 + expected.size());
    EXPECT_EQ(Rows(run.rows.end() - 3, run.rows.end()), expected);
}

TEST(BatchTotals, FollowTheColumnsWhereverTheyAre) {
    const Outcome run = batch(
        "area,extinguisher,note,name,class,hazard,k,underground\n"
        "300,3,x,office,A,2,2,no\n");
    ASSERT_EQ(run.rows.size(), 3U);
    EXPECT_EQ(run.rows[2], (std::vector<std::string>{"", "磷酸铵盐干粉，4公斤，8A/具", "", "合计",
                                                     "", "", "", "", "", "", "", "2", ""}));
}

TEST(BatchTotals, SayWhenRowsAreLeftOut) {
    const Outcome run = batch(kEnglishHeader + "a,A,2,2,no,3,300\nb,A,2,2,no,3,\nc,D,1,1,no,1,5\n");
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.rows.size(), 5U);
    EXPECT_EQ(run.rows[4][0], "合计");
    EXPECT_EQ(run.rows[4][kInstall], "2");
    EXPECT_EQ(run.rows[4][kError], "合计不完整：有 2 行出错，未计入");
}

TEST(BatchTotals, BeyondTheFloatRangeAreNotShownAsEmpty) {
    // Each row is finite (3.5E+307 to install), six of them are not.
    std::string table = kEnglishHeader;
    for (int i = 0; i < 6; ++i) {
        table += "a,B,3,1,no,1,1.75e308\n";
    }
    const Outcome run = batch(table);
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.rows.size(), 8U);
    EXPECT_EQ(run.rows[1][kInstall], "3.5E+307");
    EXPECT_EQ(run.rows[1][kError], "");
    EXPECT_EQ(run.rows[7][kInstall], "");
    EXPECT_EQ(run.rows[7][kError], "合计超出数值范围");
    EXPECT_EQ(run.err, "extinguisher-calc-cli：已计算 6 行，但有合计超出数值范围\n");
}

TEST(BatchTotals, AlwaysEndTheTableEvenWithoutRows) {
    const Outcome headerOnly = batch(kEnglishHeader);
    EXPECT_EQ(headerOnly.status, 0);
    EXPECT_EQ(headerOnly.rows.back(),
              (std::vector<std::string>{"合计", "", "", "", "", "", "", "", "", "", "0", ""}));
    EXPECT_EQ(headerOnly.err, "extinguisher-calc-cli：已计算 0 行，全部成功\n");

    const Outcome allFailed = batch(kEnglishHeader + "a,D,1,1,no,1,5\n");
    EXPECT_EQ(allFailed.status, 1);
    EXPECT_EQ(allFailed.rows.back(),
              (std::vector<std::string>{"合计", "", "", "", "", "", "", "", "", "", "0",
                                        "合计不完整：有 1 行出错，未计入"}));
}

}  // namespace
