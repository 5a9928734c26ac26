// SPDX-License-Identifier: MIT
#pragma once

// The classic extinguisher models under one number, and the totals per model that a
// table of units of either standard adds up. Nothing here reads or writes a file.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extcalc/units.h"

namespace extcalc::building {

// Every extinguisher model of both class groups under one number, in list order,
// classes B and C sharing theirs.
std::size_t modelCount();
std::string_view modelText(std::size_t model);

// Extinguishers to install per model. Exact, so that taking a row out undoes its
// adding whatever else was added in between.
class ModelTotals {
  public:
    ModelTotals();
    ModelTotals(const ModelTotals& other);
    ModelTotals& operator=(const ModelTotals& other);
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
