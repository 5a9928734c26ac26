// SPDX-License-Identifier: MIT
#pragma once

// A small streaming reader and writer for comma-separated tables as spreadsheet
// programs save them (RFC 4180 quoting, CRLF or LF line ends, optional UTF-8
// byte-order mark). Written here rather than taken from a library because the
// batch needs what general readers do not give: the line number of every record
// and of the first byte that is not UTF-8, and memory that stays bounded whatever
// the input holds, even a quote that is never closed.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace extcalc::csv {

// What was wrong with a record that could still be read to its end. The reader
// goes on with the next record: one bad row must not cost the rest of the table.
enum class Problem : unsigned {
    None = 0,
    TextAfterClosingQuote = 1U << 0U,  // "abc"def
    UnclosedQuote = 1U << 1U,          // the input ended inside quotes
    TooLong = 1U << 2U,                // the record passed the size limit; the rest was dropped
};
constexpr Problem operator|(Problem a, Problem b) {
    return static_cast<Problem>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool has(Problem set, Problem one) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

class Record {
  public:
    [[nodiscard]] std::span<const std::string> fields() const { return {fields_.data(), count_}; }
    [[nodiscard]] std::size_t size() const { return count_; }
    // Physical lines as an editor counts them (CR LF, LF or a lone CR end one), from 1.
    // A quoted field may hold line breaks, so a record can span several lines.
    [[nodiscard]] long firstLine() const { return firstLine_; }
    [[nodiscard]] long lastLine() const { return lastLine_; }
    [[nodiscard]] Problem problems() const { return problems_; }
    // A line with nothing on it, or only separators and blanks.
    [[nodiscard]] bool blank() const;

  private:
    friend class Reader;
    // The strings are kept between records so that their buffers are reused: reading
    // a million rows then allocates about as much as reading one.
    std::vector<std::string> fields_;
    std::size_t count_ = 0;
    long firstLine_ = 0;
    long lastLine_ = 0;
    Problem problems_ = Problem::None;
};

// Why the input cannot be read any further.
struct Failure {
    enum class Kind { NotUtf8, ReadError };
    Kind kind;
    long line;  // where it was noticed
};

class Reader {
  public:
    // A record larger than this many bytes (its fields plus one per field) is cut
    // off and marked TooLong; that bounds the memory one record can take.
    static constexpr std::size_t kDefaultMaxRecordBytes = std::size_t{1} << 20U;

    explicit Reader(std::istream& in, std::size_t maxRecordBytes = kDefaultMaxRecordBytes);

    // The next record, true if there is one. False at the end of the input and when
    // it cannot be read on (failure() says why); a record cut short by a failure is
    // not returned.
    bool next(Record& record);
    [[nodiscard]] const std::optional<Failure>& failure() const { return failure_; }

  private:
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    bool fill();
    bool checkUtf8(unsigned char byte);
    void openField(Record& record);
    void append(Record& record, char c);

    std::istream& in_;
    std::size_t maxRecordBytes_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atStart_ = true;
    bool eof_ = false;
    long line_ = 1;
    bool previousWasCr_ = false;
    // Decoding UTF-8: how many continuation bytes are still due, and the range the
    // next one must fall in (narrower after some lead bytes, which is how overlong
    // forms, surrogates and values beyond U+10FFFF are refused).
    int pending_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
    std::size_t recordBytes_ = 0;
    bool fieldOpen_ = false;  // false once a record is cut off: the rest is dropped
    std::optional<Failure> failure_;
};

// Reads the whole input only to find whether and where it stops being readable.
std::optional<Failure> scan(std::istream& in,
                            std::size_t maxRecordBytes = Reader::kDefaultMaxRecordBytes);

// Writes records with the quoting spreadsheet programs expect, CR LF after each.
class Writer {
  public:
    explicit Writer(std::ostream& out) : out_(out) {}
    void byteOrderMark();
    void field(std::string_view text);
    void endRecord();

  private:
    void put(std::string_view text);

    std::ostream& out_;
    bool firstInRecord_ = true;
    bool atStart_ = true;
};

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace extcalc::csv
