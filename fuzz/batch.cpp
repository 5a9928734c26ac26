// SPDX-License-Identifier: MIT
// Fuzzes the whole batch on arbitrary tables. Checked on every input: nothing crashes,
// the status is one of the three documented, a table that is refused leaves no output
// when it could be checked first, and any table that is written is valid UTF-8 CSV
// whose rows all have the header's width, ends with the totals, and has a filled error
// cell exactly when the status says some row failed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "batch.h"
#include "extcalc/csv.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Cannot be rewound, like a pipe.
class PipeBuf : public std::streambuf {
  public:
    explicit PipeBuf(std::string& data) {
        setg(data.data(), data.data(), data.data() + data.size());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool pipe = (data[0] & 1U) != 0;
    const bool mark = (data[0] & 2U) != 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::ostringstream out;
    std::ostringstream err;
    extcalc::cli::BatchOptions options;
    options.byteOrderMark = mark;
    int status = 0;
    if (pipe) {
        PipeBuf buf(input);
        std::istream in(&buf);
        status = extcalc::cli::runBatch(in, out, err, options);
    } else {
        std::istringstream in(input);
        status = extcalc::cli::runBatch(in, out, err, options);
    }
    check(status == 0 || status == 1 || status == 2);
    const std::string text = err.str();
    check(!text.empty() && text.find('\n') == text.size() - 1);
    if (status == 2) {
        check(pipe || out.str().empty());
        return 0;
    }

    std::istringstream written(out.str());
    check(out.str().starts_with(extcalc::csv::kByteOrderMark) == mark);
    extcalc::csv::Reader reader(written, std::size_t{1} << 26U);
    extcalc::csv::Record record;
    std::size_t width = 0;
    std::size_t records = 0;
    bool anyError = false;
    std::vector<std::string> last;
    while (reader.next(record)) {
        check(record.problems() == extcalc::csv::Problem::None);
        if (records == 0) {
            width = record.size();
            check(width >= 12);
        } else {
            check(record.size() == width);
            anyError = anyError || !record.fields().back().empty();
        }
        last.assign(record.fields().begin(), record.fields().end());
        ++records;
    }
    check(!reader.failure().has_value());
    check(records >= 2);
    check(std::find(last.begin(), last.end(), "合计") != last.end());
    check(anyError == (status == 1));
    return 0;
}
