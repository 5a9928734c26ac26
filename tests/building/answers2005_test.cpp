// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/answers2005.h"

namespace {

using extcalc::building::FaultCode;
using extcalc::building::Field;
using extcalc::gb50140::ParseError;
using Found = std::tuple<FaultCode, Field, ParseError>;

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

struct Case2005 {
    const char* name;
    // class, e-basis, hazard, k, special, area, points, extinguisher; nullptr: not given
    std::vector<const char*> given;
    std::vector<Found> faults;
};

extcalc::building::Answers2005 answersOf(const std::vector<const char*>& given) {
    extcalc::building::Answers2005 answers;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (given[i] != nullptr) {
            answers.given.at(i) = given[i];
        }
    }
    return answers;
}

class Check2005 : public testing::TestWithParam<Case2005> {};

TEST_P(Check2005, ReportsEveryFaultMissingOnesFirst) {
    const auto check = extcalc::building::check2005(answersOf(GetParam().given));
    std::vector<Found> got(check.faults.size());
    std::transform(check.faults.begin(), check.faults.end(), got.begin(), [](const auto& fault) {
        return Found{fault.code, fault.field, fault.parseError};
    });
    EXPECT_EQ(got, GetParam().faults);
    EXPECT_EQ(check.unit.has_value(), got.empty());
}

constexpr auto kNone = ParseError::None;

INSTANTIATE_TEST_SUITE_P(
    Answers, Check2005,
    testing::Values(Case2005{"Good", {"a", nullptr, "2", "2", "否", "1500", "2", "mf/abc4"}, {}},
                    Case2005{"ClassENeedsBasis",
                             {"E", nullptr, "1", "9", "no", "1", "1", "MT2"},
                             {{FaultCode::Missing, Field::EBasis, kNone},
                              {FaultCode::Unreadable, Field::K, ParseError::UnknownK}}},
                    Case2005{"BasisOnlyForE",
                             {"B", "A", "1", "1", "no", "1", "1", "MT2"},
                             {{FaultCode::BasisNotForClass, Field::EBasis, kNone}}},
                    Case2005{
                        "NothingGiven",
                        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                        {{FaultCode::Missing, Field::Class, kNone},
                         {FaultCode::Missing, Field::Hazard, kNone},
                         {FaultCode::Missing, Field::K, kNone},
                         {FaultCode::Missing, Field::Special, kNone},
                         {FaultCode::Missing, Field::Area, kNone},
                         {FaultCode::Missing, Field::Points, kNone},
                         {FaultCode::Missing, Field::Extinguisher, kNone}}},
                    Case2005{"EveryBadAnswerAfterTheMissing",
                             {"F", "C", "4", "1", "maybe", "1,500", "0", nullptr},
                             {{FaultCode::Missing, Field::Extinguisher, kNone},
                              {FaultCode::Unreadable, Field::Class, ParseError::UnknownFireClass},
                              {FaultCode::BadBasis, Field::EBasis, kNone},
                              {FaultCode::Unreadable, Field::Hazard, ParseError::UnknownHazard},
                              {FaultCode::BadYesNo, Field::Special, kNone},
                              {FaultCode::Unreadable, Field::Area, ParseError::ThousandsSeparator},
                              {FaultCode::Unreadable, Field::Points, ParseError::Zero}}}),
    byName);

// Class D is no fault of the answers; what a script reads is null where nothing was computed.
TEST(Unit2005Json, NullWhereNotCalculated) {
    const auto jsonOf = [](const std::vector<const char*>& given) {
        const auto check = extcalc::building::check2005(answersOf(given));
        return extcalc::building::unitJson(extcalc::gb50140::calculate(*check.unit), std::nullopt);
    };
    const auto classD = jsonOf({"D", nullptr, "1", "1", "no", "1", "1", "MT2"});
    EXPECT_TRUE(classD["Q"].is_null());
    EXPECT_EQ(classD["problems"].at(0)["severity"], "error");

    const auto unsuitable = jsonOf({"A", nullptr, "1", "1", "no", "100", "1", "MT2"});
    EXPECT_TRUE(unsuitable["Q"].is_number());
    EXPECT_TRUE(unsuitable["per_point"].is_null());
}

}  // namespace
