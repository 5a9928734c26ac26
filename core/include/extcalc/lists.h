// SPDX-License-Identifier: MIT
#pragma once

// The fixed selection lists of the window, with the number behind every item.
// Values are always found from an item's position, never read out of its text.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace extcalc {

struct HazardItem {
    std::string_view text;
    float u;  // protected area per unit of rating, m² per A or per B
};

struct ExtinguisherItem {
    std::string_view text;
    std::int16_t n;  // rating of one extinguisher, in A or B
};

struct CorrectionItem {
    std::string_view text;
    double k;  // correction for the fixed systems already installed
};

// Classes B and C share one group; `style` holds the group number.
struct ClassGroup {
    std::int16_t style;
    std::span<const HazardItem> hazards;
    std::span<const ExtinguisherItem> extinguishers;
};

enum class FireClass { A, B, C, D };

inline constexpr std::int16_t kStyleNone = 0;
inline constexpr std::int16_t kStyleA = 1;
inline constexpr std::int16_t kStyleBC = 2;

// The group a fire class selects; class D has none (no calculation is offered for it).
const ClassGroup* groupOf(FireClass fireClass);
// The group that `style` stands for; none for 0 or any value that is not a group.
const ClassGroup* groupForStyle(std::int16_t style);

std::span<const CorrectionItem> correctionList();

// Lookups by list position. A position outside the list (-1 for "nothing selected"
// included) has no value, so the caller leaves its target untouched.
std::optional<float> hazardU(const ClassGroup& group, int position);
std::optional<std::int16_t> extinguisherN(const ClassGroup& group, int position);
std::optional<double> correctionK(int position);

// The underground factor as the window stores it: a 32-bit float, so 1.3 is really
// 1.2999999523162842 and that is what enters the arithmetic.
inline constexpr float kUndergroundFactor = 1.3F;
inline constexpr float kAboveGroundFactor = 1.0F;
constexpr float undergroundFactor(bool underground) {
    return underground ? kUndergroundFactor : kAboveGroundFactor;
}

}  // namespace extcalc
