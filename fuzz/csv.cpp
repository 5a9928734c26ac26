// SPDX-License-Identifier: MIT
// Fuzzes the table reader and writer. Checked on every input: nothing crashes, no
// record outgrows its limit, line numbers only go forward, the input is refused
// exactly when it is not UTF-8 and at the line where it stops being so (found here
// by a decoder written differently from the reader's), a whole scan agrees, and
// whatever was read cleanly, or whatever fields are made up from the input, comes
// back unchanged through the writer.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/csv.h"

namespace {

using extcalc::csv::Problem;
using extcalc::csv::Reader;
using extcalc::csv::Record;
using extcalc::csv::Writer;
using Rows = std::vector<std::vector<std::string>>;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Position of the first byte that does not start a well-formed UTF-8 sequence.
std::optional<std::size_t> firstInvalid(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0U) == 0xC0U) {
            length = 2;
            code = lead & 0x1FU;
            minimum = 0x80;
        } else if ((lead & 0xF0U) == 0xE0U) {
            length = 3;
            code = lead & 0x0FU;
            minimum = 0x800;
        } else if ((lead & 0xF8U) == 0xF0U) {
            length = 4;
            code = lead & 0x07U;
            minimum = 0x10000;
        } else {
            return i;
        }
        if (i + length > text.size()) {
            return i;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0U) != 0x80U) {
                return i;
            }
            code = (code << 6U) | (next & 0x3FU);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return i;
        }
        i += length;
    }
    return std::nullopt;
}

long lineAt(std::string_view text, std::size_t position) {
    long line = 1;
    for (std::size_t i = 0; i < position; ++i) {
        if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) {
            ++line;
        }
    }
    return line;
}

Rows readAll(const std::string& bytes, std::size_t limit, std::optional<long>* failureLine,
             bool* clean) {
    std::istringstream in(bytes);
    Reader reader(in, limit);
    Record record;
    Rows rows;
    long previousLast = 0;
    *clean = true;
    while (reader.next(record)) {
        check(record.size() >= 1 || record.problems() != Problem::None);
        check(record.firstLine() > previousLast);
        check(record.lastLine() >= record.firstLine());
        previousLast = record.lastLine();
        std::size_t bytesHeld = 0;
        for (const auto& field : record.fields()) {
            bytesHeld += field.size() + sizeof(std::string);
        }
        check(bytesHeld <= limit);
        *clean = *clean && record.problems() == Problem::None;
        rows.emplace_back(record.fields().begin(), record.fields().end());
    }
    *failureLine = reader.failure() ? std::optional<long>(reader.failure()->line) : std::nullopt;
    return rows;
}

std::string writeAll(const Rows& rows, bool mark) {
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
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the size limit, so that small inputs reach the cut-off too.
    const std::size_t limit = sizeof(std::string) + 8 + std::size_t{data[0]} * 4;
    const bool mark = (data[0] & 1U) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::optional<long> failureLine;
    bool clean = true;
    const Rows rows = readAll(input, limit, &failureLine, &clean);

    const auto invalid = firstInvalid(input);
    check(invalid.has_value() == failureLine.has_value());
    if (invalid) {
        check(*failureLine == lineAt(input, *invalid));
    }
    {
        std::istringstream again(input);
        const auto scanned = extcalc::csv::scan(again, limit);
        check(scanned.has_value() == failureLine.has_value());
        check(!scanned || scanned->line == *failureLine);
    }

    constexpr std::size_t kRoomy = std::size_t{1} << 24U;
    if (!invalid && clean) {
        std::optional<long> line;
        bool cleanAgain = true;
        check(readAll(writeAll(rows, mark), limit, &line, &cleanAgain) == rows);
        check(!line && cleanAgain);
    }

    // Fields made up from the input: US separates fields, RS records.
    if (!invalid) {
        Rows made(1, std::vector<std::string>(1));
        for (const char c : input) {
            if (c == '\x1E') {
                made.emplace_back(1);
            } else if (c == '\x1F') {
                made.back().emplace_back();
            } else {
                made.back().back() += c;
            }
        }
        std::optional<long> line;
        bool cleanAgain = true;
        check(readAll(writeAll(made, mark), kRoomy, &line, &cleanAgain) == made);
        check(!line && cleanAgain);
    }
    return 0;
}
