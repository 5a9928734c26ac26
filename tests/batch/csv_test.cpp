// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "extcalc/csv.h"

namespace {

using extcalc::csv::Failure;
using extcalc::csv::Problem;
using extcalc::csv::Reader;
using extcalc::csv::Record;
using extcalc::csv::Writer;
using Rows = std::vector<std::vector<std::string>>;

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

struct Read {
    Rows rows;
    std::vector<long> firstLines;
    std::vector<Problem> problems;
    std::optional<Failure> failure;
};

Read readAll(const std::string& bytes, std::size_t limit = Reader::kDefaultMaxRecordBytes) {
    std::istringstream in(bytes);
    Reader reader(in, limit);
    Record record;
    Read read;
    while (reader.next(record)) {
        read.rows.emplace_back(record.fields().begin(), record.fields().end());
        read.firstLines.push_back(record.firstLine());
        read.problems.push_back(record.problems());
    }
    read.failure = reader.failure();
    return read;
}

struct ParseCase {
    const char* name;
    std::string input;
    Rows rows;
    std::vector<long> firstLines;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(CsvParsing, GivesTheFieldsAndLinesOfEveryRecord) {
    const auto& c = GetParam();
    const Read read = readAll(c.input);
    ASSERT_FALSE(read.failure.has_value());
    EXPECT_EQ(read.rows, c.rows);
    EXPECT_EQ(read.firstLines, c.firstLines);
    for (const auto problem : read.problems) {
        EXPECT_EQ(problem, Problem::None);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CsvParsing,
    testing::Values(
        ParseCase{"LfLineEnds", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        ParseCase{"CrLfLineEnds", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        ParseCase{"LoneCrLineEnds", "a\rb\r", {{"a"}, {"b"}}, {1, 2}},
        ParseCase{"NoLineEndAtTheEnd", "a,b\nc", {{"a", "b"}, {"c"}}, {1, 2}},
        ParseCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF名称,b\n", {{"名称", "b"}}, {1}},
        // Only a mark at the very start is the file's; elsewhere it is text.
        ParseCase{"MarkLaterIsText",
                  "a\n\xEF\xBB\xBF"
                  "b\n",
                  {{"a"},
                   {"\xEF\xBB\xBF"
                    "b"}},
                  {1, 2}},
        ParseCase{"OnlyAMark", "\xEF\xBB\xBF", {}, {}}, ParseCase{"EmptyInput", "", {}, {}},
        ParseCase{"QuotedComma", "\"中危险级,15m2/A\",x\n", {{"中危险级,15m2/A", "x"}}, {1}},
        ParseCase{"DoubledQuotes", "\"say \"\"hi\"\"\",\"\"\"\"\n", {{"say \"hi\"", "\""}}, {1}},
        ParseCase{"EmptyQuotedField", "\"\",a\n", {{"", "a"}}, {1}},
        ParseCase{"QuotedLineBreaksKeptAndCounted",
                  "\"l1\r\nl2\nl3\",b\r\nc\n",
                  {{"l1\r\nl2\nl3", "b"}, {"c"}},
                  {1, 4}},
        ParseCase{"EmptyFields", ",,\n", {{"", "", ""}}, {1}},
        ParseCase{"BlankLinesAreRecords",
                  "a\n\n\r\n\rb\n",
                  {{"a"}, {""}, {""}, {""}, {"b"}},
                  {1, 2, 3, 4, 5}},
        ParseCase{"QuoteInsideUnquotedFieldIsText", "ab\"c,d\n", {{"ab\"c", "d"}}, {1}},
        ParseCase{"BlanksKept", " a , b \n", {{" a ", " b "}}, {1}},
        ParseCase{"FourByteCharacters", "😀,𠀀\n", {{"😀", "𠀀"}}, {1}}),
    byName);

struct ProblemCase {
    const char* name;
    std::string input;
    Rows rows;
    std::vector<Problem> problems;
};

void PrintTo(const ProblemCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvProblems : public testing::TestWithParam<ProblemCase> {};

TEST_P(CsvProblems, MarkTheRecordAndGoOn) {
    const auto& c = GetParam();
    const Read read = readAll(c.input, 64 + 3 * sizeof(std::string));
    ASSERT_FALSE(read.failure.has_value());
    EXPECT_EQ(read.rows, c.rows);
    EXPECT_EQ(read.problems, c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CsvProblems,
    testing::Values(ProblemCase{"TextAfterClosingQuote",
                                "\"ab\"c,d\nok\n",
                                {{"abc", "d"}, {"ok"}},
                                {Problem::TextAfterClosingQuote, Problem::None}},
                    ProblemCase{"UnclosedQuoteRunsToTheEnd",
                                "ok\n\"ab,c\nd\n",
                                {{"ok"}, {"ab,c\nd\n"}},
                                {Problem::None, Problem::UnclosedQuote}},
                    ProblemCase{"TooLongIsCutAndTheNextRecordIsWhole",
                                std::string(200, 'x') + "\nok\n",
                                {{std::string(64 + 2 * sizeof(std::string), 'x')}, {"ok"}},
                                {Problem::TooLong, Problem::None}},
                    // Each field costs as much as a short text, so a line of commas is cut too.
                    ProblemCase{"TooManyFields",
                                std::string(10, ',') + "\nok\n",
                                {{"", "", "", "", ""}, {"ok"}},
                                {Problem::TooLong, Problem::None}}),
    byName);

struct EncodingCase {
    const char* name;
    std::string input;
    long line;
    std::size_t wholeRecordsBefore;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(CsvEncoding, StopsAtTheLineThatIsNotUtf8) {
    const auto& c = GetParam();
    const Read read = readAll(c.input);
    ASSERT_TRUE(read.failure.has_value());
    EXPECT_EQ(read.failure->kind, Failure::Kind::NotUtf8);
    EXPECT_EQ(read.failure->line, c.line);
    // Records before the fault are whole; the one holding it is not handed out.
    EXPECT_EQ(read.rows.size(), c.wholeRecordsBefore);

    std::istringstream again(c.input);
    const auto scanned = extcalc::csv::scan(again);
    ASSERT_TRUE(scanned.has_value());
    EXPECT_EQ(scanned->line, c.line);
}

INSTANTIATE_TEST_SUITE_P(Tables, CsvEncoding,
                         testing::Values(
                             // 名称 as a Chinese Windows edition saves it by default.
                             EncodingCase{"GbkHeader", "\xC3\xFB\xB3\xC6,class\n", 1, 0},
                             EncodingCase{"GbkInThirdLine",
                                          "a\r\nb\r\n\xB0\xEC\xB9\xAB\xCA\xD2,A\r\n", 3, 2},
                             EncodingCase{"AfterAQuotedLineBreak", "\"x\ny\",1\n\xC3\xFB\n", 3, 1},
                             EncodingCase{"StrayContinuationByte", "a\n\x80\n", 2, 1},
                             EncodingCase{"OverlongSlash", "\xC0\xAF\n", 1, 0},
                             EncodingCase{"OverlongThreeBytes", "\xE0\x80\xAF\n", 1, 0},
                             EncodingCase{"Surrogate", "a\n\xED\xA0\x80\n", 2, 1},
                             EncodingCase{"BeyondUnicode", "\xF4\x90\x80\x80\n", 1, 0},
                             EncodingCase{"CutShortByLineEnd", "a\n\xE4\xB8\nb\n", 2, 1},
                             EncodingCase{"CutShortByEndOfInput", "a\nb\xE4\xB8", 2, 1},
                             EncodingCase{"Utf16WithMark",
                                          "\xFF\xFE"
                                          "a",
                                          1, 0}),
                         byName);

TEST(CsvWriter, QuotesOnlyWhatNeedsItAndEndsRecordsWithCrLf) {
    std::ostringstream out;
    Writer writer(out);
    writer.byteOrderMark();
    for (const char* field : {"plain", "中危险级,15m2/A", "say \"hi\"", "two\nlines", "", "cr\r"}) {
        writer.field(field);
    }
    writer.endRecord();
    writer.field("x");
    writer.endRecord();
    EXPECT_EQ(
        out.str(),
        "\xEF\xBB\xBFplain,\"中危险级,15m2/A\",\"say \"\"hi\"\"\",\"two\nlines\",,\"cr\r\"\r\n"
        "x\r\n");
}

// Whatever the fields hold, reading back what was written gives them unchanged.
TEST(CsvWriter, RoundTripsThroughTheReader) {
    const Rows rows{
        {"\xEF\xBB\xBF"
         "looks like a mark",
         "b"},
        {"", ""},
        {""},
        {"\"", "\"\"", "a\"b", "\"quoted\""},
        {"\r", "\n", "\r\n", "\n\r", ","},
        {" lead", "trail ", "名称，全角逗号", "😀"},
        {std::string("nul\0inside", 10)},
    };
    for (const bool mark : {false, true}) {
        std::ostringstream out;
        Writer writer(out);
        if (mark) {
            writer.byteOrderMark();
        }
        for (const auto& row : rows) {
            for (const auto& field : row) {
                writer.field(field);
            }
            writer.endRecord();
        }
        const Read read = readAll(out.str());
        EXPECT_FALSE(read.failure.has_value());
        EXPECT_EQ(read.rows, rows) << "with mark: " << mark;
    }
}

}  // namespace
