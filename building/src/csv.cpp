// SPDX-License-Identifier: MIT
#include "extcalc/csv.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>

namespace extcalc::csv {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 10U;
// What a field costs beyond its text: without this a record of nothing but commas
// would hold a million empty strings within the byte limit.
constexpr std::size_t kFieldOverhead = sizeof(std::string);

bool isBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

bool Record::blank() const {
    return std::all_of(fields_.begin(), fields_.begin() + static_cast<std::ptrdiff_t>(count_),
                       [](const std::string& field) { return isBlankText(field); });
}

Reader::Reader(std::istream& in, std::size_t maxRecordBytes)
    : in_(in), maxRecordBytes_(maxRecordBytes), buffer_(kChunkBytes) {}

bool Reader::fill() {
    while (!eof_) {
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        const auto got = static_cast<std::size_t>(in_.gcount());
        if (in_.bad()) {
            failure_ = Failure{Failure::Kind::ReadError, line_};
            return false;
        }
        if (got == 0) {
            eof_ = true;
            return false;
        }
        pos_ = 0;
        end_ = got;
        if (atStart_) {
            atStart_ = false;
            if (end_ >= kByteOrderMark.size() &&
                std::memcmp(buffer_.data(), kByteOrderMark.data(), kByteOrderMark.size()) == 0) {
                pos_ = kByteOrderMark.size();
            }
        }
        if (pos_ < end_) {
            return true;
        }
    }
    return false;
}

bool Reader::checkUtf8(unsigned char byte) {
    if (pending_ > 0) {
        if (byte < low_ || byte > high_) {
            return false;
        }
        low_ = 0x80;
        high_ = 0xBF;
        --pending_;
        return true;
    }
    if (byte < 0x80) {
        return true;
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
        pending_ = 1;
    } else if (byte == 0xE0) {
        pending_ = 2;
        low_ = 0xA0;  // below would be an overlong form
    } else if ((byte >= 0xE1 && byte <= 0xEC) || byte == 0xEE || byte == 0xEF) {
        pending_ = 2;
    } else if (byte == 0xED) {
        pending_ = 2;
        high_ = 0x9F;  // above would be a UTF-16 surrogate
    } else if (byte == 0xF0) {
        pending_ = 3;
        low_ = 0x90;
    } else if (byte >= 0xF1 && byte <= 0xF3) {
        pending_ = 3;
    } else if (byte == 0xF4) {
        pending_ = 3;
        high_ = 0x8F;  // above would pass U+10FFFF
    } else {
        return false;  // a stray continuation byte, C0, C1 or F5 and up: typical of GBK text
    }
    return true;
}

void Reader::openField(Record& record) {
    fieldOpen_ = false;
    if (has(record.problems_, Problem::TooLong)) {
        return;
    }
    if (recordBytes_ + kFieldOverhead > maxRecordBytes_) {
        record.problems_ = record.problems_ | Problem::TooLong;
        return;
    }
    recordBytes_ += kFieldOverhead;
    if (record.count_ == record.fields_.size()) {
        record.fields_.emplace_back();
    } else {
        record.fields_[record.count_].clear();
    }
    ++record.count_;
    fieldOpen_ = true;
}

void Reader::append(Record& record, char c) {
    if (!fieldOpen_) {
        return;
    }
    if (recordBytes_ + 1 > maxRecordBytes_) {
        record.problems_ = record.problems_ | Problem::TooLong;
        fieldOpen_ = false;
        return;
    }
    ++recordBytes_;
    record.fields_[record.count_ - 1].push_back(c);
}

bool Reader::next(Record& record) {
    if (failure_) {
        return false;
    }
    record.count_ = 0;
    record.problems_ = Problem::None;
    recordBytes_ = 0;
    State state = State::FieldStart;
    bool started = false;
    long lastLine = line_;

    for (;;) {
        if (pos_ == end_ && !fill()) {
            if (failure_) {
                return false;
            }
            if (pending_ > 0) {
                failure_ = Failure{Failure::Kind::NotUtf8, lastLine};
                return false;
            }
            if (!started) {
                return false;
            }
            if (state == State::Quoted) {
                record.problems_ = record.problems_ | Problem::UnclosedQuote;
            }
            record.lastLine_ = lastLine;
            return true;
        }
        const char c = buffer_[pos_++];
        const long line = line_;
        if (!checkUtf8(static_cast<unsigned char>(c))) {
            failure_ = Failure{Failure::Kind::NotUtf8, line};
            return false;
        }
        const bool secondHalfOfCrLf = c == '\n' && previousWasCr_;
        previousWasCr_ = c == '\r';
        if (c == '\r' || (c == '\n' && !secondHalfOfCrLf)) {
            ++line_;
        }
        if (!started) {
            if (secondHalfOfCrLf) {
                continue;  // the previous record ended with this CR LF
            }
            started = true;
            record.firstLine_ = line;
            openField(record);
        }
        lastLine = line;

        const bool lineEnd = c == '\r' || c == '\n';
        switch (state) {
            case State::FieldStart:
                if (c == '"') {
                    state = State::Quoted;
                    continue;
                }
                [[fallthrough]];
            case State::Unquoted:
                // A quote inside an unquoted field is taken as it stands, as spreadsheet
                // programs do: only a field that starts with one is quoted.
                if (c == ',') {
                    openField(record);
                    state = State::FieldStart;
                } else if (lineEnd) {
                    record.lastLine_ = line;
                    return true;
                } else {
                    append(record, c);
                    state = State::Unquoted;
                }
                continue;
            case State::Quoted:
                if (c == '"') {
                    state = State::QuoteInQuoted;
                } else {
                    append(record, c);
                }
                continue;
            case State::QuoteInQuoted:
                if (c == '"') {
                    append(record, '"');
                    state = State::Quoted;
                } else if (c == ',') {
                    openField(record);
                    state = State::FieldStart;
                } else if (lineEnd) {
                    record.lastLine_ = line;
                    return true;
                } else {
                    // Kept rather than dropped, so the row shows what was there.
                    record.problems_ = record.problems_ | Problem::TextAfterClosingQuote;
                    append(record, c);
                    state = State::Unquoted;
                }
                continue;
        }
    }
}

std::optional<Failure> scan(std::istream& in, std::size_t maxRecordBytes) {
    Reader reader(in, maxRecordBytes);
    Record record;
    while (reader.next(record)) {
    }
    return reader.failure();
}

void Writer::put(std::string_view text) {
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void Writer::field(std::string_view text) {
    if (!firstInRecord_) {
        put(",");
    }
    // A mark at the very start would be taken for the file's byte-order mark and lost.
    const bool looksLikeMark = atStart_ && text.starts_with(kByteOrderMark);
    const bool quote = looksLikeMark || std::any_of(text.begin(), text.end(), [](char c) {
                           return c == ',' || c == '"' || c == '\r' || c == '\n';
                       });
    if (quote) {
        put("\"");
        for (std::size_t start = 0;;) {
            const std::size_t quoteAt = text.find('"', start);
            put(text.substr(start, quoteAt == std::string_view::npos ? quoteAt : quoteAt - start));
            if (quoteAt == std::string_view::npos) {
                break;
            }
            put("\"\"");
            start = quoteAt + 1;
        }
        put("\"");
    } else {
        put(text);
    }
    firstInRecord_ = false;
    atStart_ = false;
}

void Writer::endRecord() {
    put("\r\n");
    firstInRecord_ = true;
    atStart_ = false;
}

void Writer::byteOrderMark() {
    put(kByteOrderMark);
    atStart_ = false;
}

}  // namespace extcalc::csv
