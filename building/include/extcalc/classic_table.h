// SPDX-License-Identifier: MIT
#pragma once

// A table of areas for the classic calculation: which column holds which answer,
// what one row computes to, and the totals per extinguisher model. Nothing here
// reads or writes a file: a front end streams rows through it.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/answers.h"
#include "extcalc/csv.h"
#include "extcalc/faults.h"
#include "extcalc/lists.h"
#include "extcalc/units.h"

namespace extcalc::building {

// The columns a table must have: the name, then the answers in Field order.
enum class Column : std::size_t { Name, Class, Hazard, K, Underground, Extinguisher, Area, kCount };
inline constexpr std::size_t kColumnCount = static_cast<std::size_t>(Column::kCount);

struct ColumnName {
    std::string_view chinese;
    std::string_view english;
};
std::span<const ColumnName, kColumnCount> columnNames();
// Every name, for a message saying what the header should hold.
std::string allColumnNames();

// The columns the results add after the input's own.
enum class Added : std::size_t { Q1, Q, N, Install, Error, kCount };
inline constexpr std::size_t kAddedCount = static_cast<std::size_t>(Added::kCount);

struct Layout {
    std::array<std::size_t, kColumnCount> index{};
    std::size_t width = 0;
    // The input's columns written back, in order: all but the result columns of an
    // earlier run, which a table fed back in still has and which are computed afresh.
    std::vector<std::size_t> kept;
    [[nodiscard]] bool resultTableFedBack() const { return kept.size() != width; }
    // The added columns are headed in the language of the input's header: English only
    // when every column read was named in English.
    bool chinese = false;
    [[nodiscard]] std::string_view heading(Added added) const;
    [[nodiscard]] std::size_t at(Column column) const {
        return index.at(static_cast<std::size_t>(column));
    }
};

enum class HeaderFault { None, Quotes, Duplicate, MissingColumns };
struct HeaderCheck {
    std::optional<Layout> layout;
    HeaderFault fault = HeaderFault::None;
    std::string text;  // why the header cannot serve
};
HeaderCheck readHeader(const csv::Record& header);

// Every extinguisher model of both class groups under one number, in list order,
// classes B and C sharing theirs.
std::size_t modelCount();
std::string_view modelText(std::size_t model);

struct RowResult {
    std::optional<std::array<std::string, 3>> results;  // Q1, Q, N as the window shows them
    std::optional<double> install;
    std::optional<ModelKey> model;  // set with install
    std::vector<Fault> faults;      // empty when the row computed
};

// A total row of an earlier run, in a result table fed back in: left out, since the
// totals are computed afresh.
bool isEarlierTotal(const Layout& layout, const csv::Record& record);

// One row on its own, as if the window had just been opened. Pure: totals are the
// caller's to keep, so a workbook can take a row out again.
RowResult evaluate(const Layout& layout, const csv::Record& record);

// Extinguishers to install per model. Exact, so that taking a row out undoes its
// adding whatever else was added in between.
class ModelTotals {
  public:
    ModelTotals();
    ModelTotals(const ModelTotals&);
    ModelTotals& operator=(const ModelTotals&);
    ModelTotals(ModelTotals&&) noexcept;
    ModelTotals& operator=(ModelTotals&&) noexcept;
    ~ModelTotals();

    void add(const ModelKey& model, double count);
    void remove(const ModelKey& model, double count);
    // Models with at least one unit, in list order.
    [[nodiscard]] std::vector<ModelKey> used() const;
    // The total as the results show numbers; empty beyond the range of a 64-bit float.
    [[nodiscard]] std::optional<std::string> totalText(const ModelKey& model) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace extcalc::building
