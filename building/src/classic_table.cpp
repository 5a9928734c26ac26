// SPDX-License-Identifier: MIT
#include "extcalc/classic_table.h"

#include <algorithm>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>

#include "extcalc/lists.h"
#include "extcalc/numbers.h"

namespace extcalc::building {
namespace {

const ClassGroup& groupA() {
    return *groupOf(FireClass::A);
}
const ClassGroup& groupBC() {
    return *groupOf(FireClass::B);
}

}  // namespace

std::size_t modelCount() {
    return groupA().extinguishers.size() + groupBC().extinguishers.size();
}

std::string_view modelText(std::size_t model) {
    const std::size_t inA = groupA().extinguishers.size();
    return model < inA ? groupA().extinguishers[model].text
                       : groupBC().extinguishers[model - inA].text;
}

struct ModelTotals::State {
    struct Total {
        boost::multiprecision::cpp_int count;
        std::size_t units = 0;
    };
    std::map<ModelKey, Total> totals;
};

ModelTotals::ModelTotals() : state_(std::make_unique<State>()) {}
ModelTotals::ModelTotals(const ModelTotals& other)
    : state_(std::make_unique<State>(*other.state_)) {}
ModelTotals& ModelTotals::operator=(const ModelTotals& other) {
    if (this != &other) {
        state_ = std::make_unique<State>(*other.state_);
    }
    return *this;
}
ModelTotals::ModelTotals(ModelTotals&&) noexcept = default;
ModelTotals& ModelTotals::operator=(ModelTotals&&) noexcept = default;
ModelTotals::~ModelTotals() = default;

// Counts are whole numbers, so the double converts exactly.
void ModelTotals::add(const ModelKey& model, double count) {
    auto& total = state_->totals[model];
    total.count += boost::multiprecision::cpp_int(count);
    ++total.units;
}

void ModelTotals::remove(const ModelKey& model, double count) {
    const auto found = state_->totals.find(model);
    if (found == state_->totals.end()) {
        return;
    }
    found->second.count -= boost::multiprecision::cpp_int(count);
    if (--found->second.units == 0) {
        state_->totals.erase(found);
    }
}

std::vector<ModelKey> ModelTotals::used() const {
    std::vector<ModelKey> models;
    models.reserve(state_->totals.size());
    std::transform(state_->totals.begin(), state_->totals.end(), std::back_inserter(models),
                   [](const auto& entry) { return entry.first; });
    return models;
}

std::optional<std::string> ModelTotals::totalText(const ModelKey& model) const {
    const auto found = state_->totals.find(model);
    if (found == state_->totals.end()) {
        return "0";
    }
    // Only areas near the limit of a 64-bit float can add up past it.
    static const boost::multiprecision::cpp_int kLimit(std::numeric_limits<double>::max());
    if (found->second.count > kLimit) {
        return std::nullopt;
    }
    return resultText(found->second.count.convert_to<double>());
}

}  // namespace extcalc::building
