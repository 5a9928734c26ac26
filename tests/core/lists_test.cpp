// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string_view>

#include "extcalc/lists.h"

namespace extcalc {
namespace {

constexpr std::string_view kFullWidthComma = "，";

TEST(Lists, ClassesBAndCShareOneGroupAndDHasNone) {
    EXPECT_EQ(groupOf(FireClass::A)->style, kStyleA);
    EXPECT_EQ(groupOf(FireClass::B), groupOf(FireClass::C));
    EXPECT_EQ(groupOf(FireClass::B)->style, kStyleBC);
    EXPECT_EQ(groupOf(FireClass::D), nullptr);
    EXPECT_EQ(groupForStyle(kStyleA), groupOf(FireClass::A));
    EXPECT_EQ(groupForStyle(kStyleBC), groupOf(FireClass::B));
    for (const int style : {0, -1, 3, 32767}) {
        EXPECT_EQ(groupForStyle(static_cast<std::int16_t>(style)), nullptr) << style;
    }
}

// The lists are the window's contents, so their punctuation matters: the hazard
// texts carry an ASCII comma, the others full-width commas only.
TEST(Lists, PunctuationOfEveryItem) {
    for (const auto* group : {groupOf(FireClass::A), groupOf(FireClass::B)}) {
        for (const auto& item : group->hazards) {
            EXPECT_NE(item.text.find(','), std::string_view::npos) << item.text;
            EXPECT_EQ(item.text.find(kFullWidthComma), std::string_view::npos) << item.text;
        }
        for (const auto& item : group->extinguishers) {
            EXPECT_EQ(item.text.find(','), std::string_view::npos) << item.text;
            EXPECT_NE(item.text.find(kFullWidthComma), std::string_view::npos) << item.text;
        }
    }
    for (const auto& item : correctionList()) {
        EXPECT_EQ(item.text.find(','), std::string_view::npos) << item.text;
        EXPECT_NE(item.text.find(kFullWidthComma), std::string_view::npos) << item.text;
    }
}

struct LookupCase {
    FireClass fireClass;
    int position;
    std::optional<float> u;
    std::optional<std::int16_t> n;
};

class RatingLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(RatingLookup, ValueByPosition) {
    const auto& c = GetParam();
    const ClassGroup& group = *groupOf(c.fireClass);
    EXPECT_EQ(hazardU(group, c.position), c.u);
    EXPECT_EQ(extinguisherN(group, c.position), c.n);
}

INSTANTIATE_TEST_SUITE_P(
    GroupA, RatingLookup,
    testing::Values(LookupCase{FireClass::A, -1, std::nullopt, std::nullopt},
                    LookupCase{FireClass::A, 0, 20.0F, 3}, LookupCase{FireClass::A, 1, 15.0F, 5},
                    LookupCase{FireClass::A, 2, 10.0F, 8},
                    LookupCase{FireClass::A, 3, std::nullopt, 13},
                    LookupCase{FireClass::A, 6, std::nullopt, 34},
                    LookupCase{FireClass::A, 7, std::nullopt, std::nullopt},
                    LookupCase{FireClass::A, -2147483647 - 1, std::nullopt, std::nullopt}));

// Positions 1 and 4 of the B/C extinguishers both stand for 2 B.
INSTANTIATE_TEST_SUITE_P(
    GroupBC, RatingLookup,
    testing::Values(LookupCase{FireClass::C, -1, std::nullopt, std::nullopt},
                    LookupCase{FireClass::B, 0, 10.0F, 1}, LookupCase{FireClass::B, 1, 7.5F, 2},
                    LookupCase{FireClass::C, 2, 5.0F, 3},
                    LookupCase{FireClass::B, 4, std::nullopt, 2},
                    LookupCase{FireClass::B, 7, std::nullopt, 14},
                    LookupCase{FireClass::B, 8, std::nullopt, std::nullopt},
                    LookupCase{FireClass::B, 2147483647, std::nullopt, std::nullopt}));

TEST(Lists, CorrectionByPosition) {
    EXPECT_EQ(correctionK(-1), std::nullopt);
    EXPECT_EQ(correctionK(0), 1.0);
    EXPECT_EQ(correctionK(1), 0.7);
    EXPECT_EQ(correctionK(2), 0.3);
    EXPECT_EQ(correctionK(3), std::nullopt);
}

TEST(Lists, UndergroundFactorIsTheSinglePrecisionValue) {
    EXPECT_EQ(static_cast<double>(undergroundFactor(true)), 1.2999999523162842);
    EXPECT_EQ(static_cast<double>(undergroundFactor(false)), 1.0);
}

}  // namespace
}  // namespace extcalc
