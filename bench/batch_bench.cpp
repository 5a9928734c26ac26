// SPDX-License-Identifier: MIT
// Throughput of the batch on a large building table, generated on the fly so that
// neither the input nor the output is held in memory: what is measured is the
// reader, the calculation and the writer, and the peak resident size shows whether
// memory stays flat with the number of rows.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>

#include "batch.h"

namespace {

// A building's rows in every class, list and answer form, the same as make-rooms.sh.
std::string row(std::int64_t i) {
    static constexpr std::array<const char*, 3> kClasses{"A", "B", "C"};
    static constexpr std::array<const char*, 2> kUnderground{"否", "是"};
    const auto pick = [i](std::int64_t n) { return std::to_string(i % n + 1); };
    const char* fireClass = kClasses[static_cast<std::size_t>(i % 3)];
    std::string hazard = pick(3);
    if (i % 7 == 0) {
        hazard = i % 3 == 0 ? "\"中危险级,15m2/A\"" : "\"中危险级,7.5m2/B\"";
    }
    return "房间" + std::to_string(i) + "," + fireClass + "," + hazard + "," + pick(3) + "," +
           kUnderground[static_cast<std::size_t>(i % 2)] + "," + (i % 3 == 0 ? pick(7) : pick(8)) +
           "," + std::to_string(i % 3000 + 10) + ".5\n";
}

// Hands out the header and then the rows one by one; cannot be rewound, like a pipe.
class GeneratedTable : public std::streambuf {
  public:
    explicit GeneratedTable(std::int64_t rows) : rows_(rows) {
        current_ = "名称,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积\n";
        setg(current_.data(), current_.data(), current_.data() + current_.size());
    }

  protected:
    int_type underflow() override {
        if (next_ >= rows_) {
            return traits_type::eof();
        }
        current_.clear();
        for (int i = 0; i < 256 && next_ < rows_; ++i) {
            current_ += row(next_++);
        }
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(current_.front());
    }

  private:
    std::int64_t rows_;
    std::int64_t next_ = 0;
    std::string current_;
};

// Counts what is written and forgets it.
class CountingSink : public std::streambuf {
  public:
    std::int64_t bytes = 0;

  protected:
    std::streamsize xsputn(const char* /*text*/, std::streamsize n) override {
        bytes += n;
        return n;
    }
    int_type overflow(int_type c) override {
        ++bytes;
        return c;
    }
};

void BM_BatchRows(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    std::int64_t written = 0;
    for (auto _ : state) {
        GeneratedTable table(rows);
        std::istream in(&table);
        CountingSink sink;
        std::ostream out(&sink);
        std::ostream err(nullptr);
        const int status = extcalc::cli::runBatch(in, out, err, {});
        if (status != extcalc::cli::kBatchOk) {
            state.SkipWithError("the generated table did not compute cleanly");
        }
        written = sink.bytes;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations() * rows),
                                                  benchmark::Counter::kIsRate);
    state.counters["output_MB"] = static_cast<double>(written) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Small first: the process's peak only grows, so the million rows come last.
BENCHMARK(BM_BatchRows)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
