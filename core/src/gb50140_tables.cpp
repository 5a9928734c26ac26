// SPDX-License-Identifier: MIT
// The tables of GB 50140-2005, each in one place. Only rows confirmed from the published text
// are here: the other wheeled models and the halon (1211) models are left out on purpose.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

constexpr std::array kFireClasses{
    FireClassRow{FireClass::A, 'A', "固体物质火灾"},
    FireClassRow{FireClass::B, 'B', "液体火灾或可熔化固体物质火灾"},
    FireClassRow{FireClass::C, 'C', "气体火灾"},
    FireClassRow{FireClass::D, 'D', "金属火灾"},
    FireClassRow{FireClass::E, 'E', "带电火灾"},
};

constexpr std::array kHazards{
    HazardLevel{1, "轻危险级"},
    HazardLevel{2, "中危险级"},
    HazardLevel{3, "严重危险级"},
};

constexpr std::array kTable621{
    RatingRow{1, 1, 1000, "100"},
    RatingRow{2, 2, 750, "75"},
    RatingRow{3, 3, 500, "50"},
};

constexpr std::array kTable622{
    RatingRow{1, 21, 15, "1.5"},
    RatingRow{2, 55, 10, "1.0"},
    RatingRow{3, 89, 5, "0.5"},
};

constexpr std::array kTable521{
    DistanceRow{1, 25, 50},
    DistanceRow{2, 20, 40},
    DistanceRow{3, 15, 30},
};

constexpr std::array kTable522{
    DistanceRow{1, 15, 30},
    DistanceRow{2, 12, 24},
    DistanceRow{3, 9, 18},
};

constexpr std::array kKItems{
    KItem{1, "未设室内消火栓系统和灭火系统", 10, "1.0"},
    KItem{2, "设有室内消火栓系统", 9, "0.9"},
    KItem{3, "设有灭火系统", 7, "0.7"},
    KItem{4, "设有室内消火栓系统和灭火系统", 5, "0.5"},
    KItem{5, "可燃物露天堆场、甲乙丙类液体储罐区、可燃气体储罐区", 3, "0.3"},
};

constexpr std::string_view kWater = "清水";
constexpr std::string_view kWaterB = "水型（灭B类火）";
constexpr std::string_view kFoam = "泡沫";
constexpr std::string_view kFoamAR = "抗溶泡沫";
constexpr std::string_view kBc = "碳酸氢钠干粉";
constexpr std::string_view kAbc = "磷酸铵盐干粉";
constexpr std::string_view kCo2 = "二氧化碳";
constexpr std::string_view kWheeledWater = "推车式水型";

constexpr Model handHeld(std::string_view code, std::string_view type, std::string_view charge,
                         Agent agent, int ratingA, int ratingB) {
    return Model{code, type, charge, agent, ratingA, ratingB, false};
}

constexpr std::array kModels{
    handHeld("MS/Q3", kWater, "3 L", Agent::Water, 1, 0),
    handHeld("MS/Q6", kWater, "6 L", Agent::Water, 1, 0),
    handHeld("MS/Q9", kWater, "9 L", Agent::Water, 2, 0),
    handHeld("MS/T3", kWaterB, "3 L", Agent::WaterForB, 0, 55),
    handHeld("MS/T6", kWaterB, "6 L", Agent::WaterForB, 0, 55),
    handHeld("MS/T9", kWaterB, "9 L", Agent::WaterForB, 0, 89),
    handHeld("MP3", kFoam, "3 L", Agent::Foam, 1, 55),
    handHeld("MP4", kFoam, "4 L", Agent::Foam, 1, 55),
    handHeld("MP6", kFoam, "6 L", Agent::Foam, 1, 55),
    handHeld("MP9", kFoam, "9 L", Agent::Foam, 2, 89),
    handHeld("MP/AR3", kFoamAR, "3 L", Agent::FoamAR, 1, 55),
    handHeld("MP/AR4", kFoamAR, "4 L", Agent::FoamAR, 1, 55),
    handHeld("MP/AR6", kFoamAR, "6 L", Agent::FoamAR, 1, 55),
    handHeld("MP/AR9", kFoamAR, "9 L", Agent::FoamAR, 2, 89),
    handHeld("MF1", kBc, "1 kg", Agent::BcPowder, 0, 21),
    handHeld("MF2", kBc, "2 kg", Agent::BcPowder, 0, 21),
    handHeld("MF3", kBc, "3 kg", Agent::BcPowder, 0, 34),
    handHeld("MF4", kBc, "4 kg", Agent::BcPowder, 0, 55),
    handHeld("MF5", kBc, "5 kg", Agent::BcPowder, 0, 89),
    handHeld("MF6", kBc, "6 kg", Agent::BcPowder, 0, 89),
    handHeld("MF8", kBc, "8 kg", Agent::BcPowder, 0, 144),
    handHeld("MF10", kBc, "10 kg", Agent::BcPowder, 0, 144),
    handHeld("MF/ABC1", kAbc, "1 kg", Agent::AbcPowder, 1, 21),
    handHeld("MF/ABC2", kAbc, "2 kg", Agent::AbcPowder, 1, 21),
    handHeld("MF/ABC3", kAbc, "3 kg", Agent::AbcPowder, 2, 34),
    handHeld("MF/ABC4", kAbc, "4 kg", Agent::AbcPowder, 2, 55),
    handHeld("MF/ABC5", kAbc, "5 kg", Agent::AbcPowder, 3, 89),
    handHeld("MF/ABC6", kAbc, "6 kg", Agent::AbcPowder, 3, 89),
    handHeld("MF/ABC8", kAbc, "8 kg", Agent::AbcPowder, 4, 144),
    handHeld("MF/ABC10", kAbc, "10 kg", Agent::AbcPowder, 6, 144),
    handHeld("MT2", kCo2, "2 kg", Agent::CarbonDioxide, 0, 21),
    handHeld("MT3", kCo2, "3 kg", Agent::CarbonDioxide, 0, 21),
    handHeld("MT5", kCo2, "5 kg", Agent::CarbonDioxide, 0, 34),
    handHeld("MT7", kCo2, "7 kg", Agent::CarbonDioxide, 0, 55),
    Model{"MST20", kWheeledWater, "20 L", Agent::Water, 4, 0, true},
    Model{"MST40", kWheeledWater, "45 L", Agent::Water, 4, 0, true},
    Model{"MST60", kWheeledWater, "60 L", Agent::Water, 4, 0, true},
    Model{"MST125", kWheeledWater, "125 L", Agent::Water, 6, 0, true},
};

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::span<const FireClassRow> fireClasses() {
    return kFireClasses;
}
std::span<const HazardLevel> hazardLevels() {
    return kHazards;
}
std::span<const RatingRow> table621() {
    return kTable621;
}
std::span<const RatingRow> table622() {
    return kTable622;
}
std::span<const DistanceRow> table521() {
    return kTable521;
}
std::span<const DistanceRow> table522() {
    return kTable522;
}
int maxDistanceM(FireClass fireClass, FireClass basis, int hazard, bool wheeled) {
    if (fireClass == FireClass::D || hazard < 1 || hazard > 3) {
        return 0;
    }
    const bool basisA =
        fireClass == FireClass::A || (fireClass == FireClass::E && basis == FireClass::A);
    // Rows are in hazard order.
    const DistanceRow& row =
        (basisA ? table521() : table522())[static_cast<std::size_t>(hazard - 1)];
    return wheeled ? row.wheeledM : row.handHeldM;
}
std::span<const KItem> kItems() {
    return kKItems;
}
std::span<const Model> models() {
    return kModels;
}

std::string_view agentName(Agent agent) {
    switch (agent) {
        case Agent::Water:
            return "水型";
        case Agent::WaterForB:
            return kWaterB;
        case Agent::Foam:
            return kFoam;
        case Agent::FoamAR:
            return kFoamAR;
        case Agent::BcPowder:
            return kBc;
        case Agent::AbcPowder:
            return kAbc;
        case Agent::CarbonDioxide:
            return kCo2;
    }
    return {};
}

const Model* findModel(std::string_view code) {
    const auto* found = std::find_if(kModels.begin(), kModels.end(), [&](const Model& m) {
        return std::equal(m.code.begin(), m.code.end(), code.begin(), code.end(),
                          [](char a, char b) { return a == upper(b); });
    });
    return found == kModels.end() ? nullptr : found;
}

bool suitable(Agent agent, FireClass fireClass) {
    switch (fireClass) {
        case FireClass::A:
            return agent == Agent::Water || agent == Agent::WaterForB || agent == Agent::Foam ||
                   agent == Agent::FoamAR || agent == Agent::AbcPowder;
        case FireClass::B:
            return agent != Agent::Water;
        case FireClass::C:
        case FireClass::E:
            return agent == Agent::AbcPowder || agent == Agent::BcPowder ||
                   agent == Agent::CarbonDioxide;
        case FireClass::D:
            return false;
    }
    return false;
}

int ClassSet::size() const {
    return static_cast<int>(
        std::count_if(kFireClasses.begin(), kFireClasses.end(),
                      [this](const FireClassRow& row) { return has(row.fireClass); }));
}

std::vector<FireClass> ClassSet::list() const {
    std::vector<FireClass> out;
    for (const auto& row : kFireClasses) {
        if (has(row.fireClass)) {
            out.push_back(row.fireClass);
        }
    }
    return out;
}

std::string classSetText(ClassSet classes) {
    std::string text;
    for (const auto& row : kFireClasses) {
        if (classes.has(row.fireClass)) {
            if (!text.empty()) {
                text += '+';
            }
            text += row.letter;
        }
    }
    return text;
}

std::string_view suitabilityClause(FireClass fireClass) {
    switch (fireClass) {
        case FireClass::A:
            return "4.2.1";
        case FireClass::B:
            return "4.2.2";
        case FireClass::C:
            return "4.2.3";
        case FireClass::D:
            return "4.2.4";
        case FireClass::E:
            return "4.2.5";
    }
    return {};
}

namespace {

constexpr std::array<std::string_view, 15> kMandatory{
    "4.1.3", "4.2.1", "4.2.2", "4.2.3", "4.2.4", "4.2.5", "5.1.1", "5.1.5",
    "5.2.1", "5.2.2", "6.1.1", "6.2.1", "6.2.2", "7.1.2", "7.1.3",
};

}  // namespace

std::span<const std::string_view> mandatoryClauses() {
    return kMandatory;
}

bool isMandatory(std::string_view clause) {
    if (clause.empty()) {
        return false;
    }
    while (true) {
        const std::size_t slash = clause.find('/');
        const std::string_view one = clause.substr(0, slash);
        if (std::find(kMandatory.begin(), kMandatory.end(), one) == kMandatory.end()) {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        clause.remove_prefix(slash + 1);
    }
}

}  // namespace extcalc::gb50140
