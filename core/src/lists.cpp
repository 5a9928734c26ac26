// SPDX-License-Identifier: MIT
#include "extcalc/lists.h"

#include <array>
#include <cstddef>

namespace extcalc {
namespace {

// Figures of GBJ140-90. The hazard texts use an ASCII comma, the others full-width ones.
constexpr std::array<HazardItem, 3> kHazardsA{{
    {"轻危险级,20m2/A", 20.0F},
    {"中危险级,15m2/A", 15.0F},
    {"严重危险级,10m2/A", 10.0F},
}};

constexpr std::array<HazardItem, 3> kHazardsBC{{
    {"轻危险级,10m2/B", 10.0F},
    {"中危险级,7.5m2/B", 7.5F},
    {"严重危险级,5m2/B", 5.0F},
}};

constexpr std::array<ExtinguisherItem, 7> kExtinguishersA{{
    {"磷酸铵盐干粉，1公斤，3A/具", 3},
    {"磷酸铵盐干粉，2公斤，5A/具", 5},
    {"磷酸铵盐干粉，4公斤，8A/具", 8},
    {"磷酸铵盐干粉，6公斤，13A/具", 13},
    {"推车式磷酸铵盐，25公斤，21A/具", 21},
    {"推车式磷酸铵盐，35公斤，27A/具", 27},
    {"推车式磷酸铵盐，50公斤，34A/具", 34},
}};

constexpr std::array<ExtinguisherItem, 8> kExtinguishersBC{{
    {"二氧化碳灭火器，2公斤，1B/具", 1},
    {"二氧化碳灭火器，3公斤，2B/具", 2},
    {"二氧化碳灭火器，5公斤，3B/具", 3},
    {"二氧化碳灭火器，7公斤，4B/具", 4},
    {"磷酸铵盐干粉，1公斤，2B/具", 2},
    {"磷酸铵盐干粉，2公斤，5B/具", 5},
    {"磷酸铵盐干粉，4公斤，10B/具", 10},
    {"磷酸铵盐干粉，6公斤，14B/具", 14},
}};

constexpr std::array<CorrectionItem, 3> kCorrections{{
    {"无其他灭火系统，K=1.0", 1.0},
    {"只有消火栓系统，K=0.7", 0.7},
    {"有消火栓及喷淋系统，K=0.3", 0.3},
}};

constexpr ClassGroup kGroupA{kStyleA, kHazardsA, kExtinguishersA};
constexpr ClassGroup kGroupBC{kStyleBC, kHazardsBC, kExtinguishersBC};

template <class Item>
const Item* at(std::span<const Item> list, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= list.size()) {
        return nullptr;
    }
    return &list[static_cast<std::size_t>(position)];
}

}  // namespace

const ClassGroup* groupOf(FireClass fireClass) {
    switch (fireClass) {
        case FireClass::A:
            return &kGroupA;
        case FireClass::B:
        case FireClass::C:
            return &kGroupBC;
        case FireClass::D:
            break;
    }
    return nullptr;
}

const ClassGroup* groupForStyle(std::int16_t style) {
    switch (style) {
        case kStyleA:
            return &kGroupA;
        case kStyleBC:
            return &kGroupBC;
        default:
            return nullptr;
    }
}

std::span<const CorrectionItem> correctionList() {
    return kCorrections;
}

std::optional<float> hazardU(const ClassGroup& group, int position) {
    if (const auto* item = at(group.hazards, position)) {
        return item->u;
    }
    return std::nullopt;
}

std::optional<std::int16_t> extinguisherN(const ClassGroup& group, int position) {
    if (const auto* item = at(group.extinguishers, position)) {
        return item->n;
    }
    return std::nullopt;
}

std::optional<double> correctionK(int position) {
    if (const auto* item = at(correctionList(), position)) {
        return item->k;
    }
    return std::nullopt;
}

}  // namespace extcalc
