// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "extcalc/answers.h"
#include "extcalc/classic_table.h"

namespace {

using extcalc::building::Fault;
using extcalc::building::FaultCode;
using extcalc::building::Field;

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

struct AnswerCase {
    const char* name;
    // class, hazard, k, underground, extinguisher, area; nullptr: not given
    std::vector<const char*> given;
    std::vector<std::pair<FaultCode, Field>> faults;
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class ClassicAnswerCheck : public testing::TestWithParam<AnswerCase> {};

// Every fault is reported with its code and the answer it is about, so that both
// front ends can name each one, the command line by option, a table by column.
TEST_P(ClassicAnswerCheck, ReportsEveryFaultByCodeAndField) {
    const auto& c = GetParam();
    extcalc::building::ClassicAnswers answers;
    for (std::size_t i = 0; i < c.given.size(); ++i) {
        if (c.given[i] != nullptr) {
            answers.given.at(i) = c.given[i];
        }
    }
    const auto check = checkClassic(answers, extcalc::building::AreaRule::NumberRequired);
    std::vector<std::pair<FaultCode, Field>> got(check.faults.size());
    std::transform(check.faults.begin(), check.faults.end(), got.begin(),
                   [](const Fault& fault) { return std::pair(fault.code, fault.field); });
    EXPECT_EQ(got, c.faults);
    EXPECT_EQ(check.request.has_value(), c.faults.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ClassicAnswerCheck,
    testing::Values(
        AnswerCase{"AllGood", {"A", "2", "2", "no", "3", "300"}, {}},
        AnswerCase{"HazardAndKBothNamed",
                   {"A", "9", "9", "no", "3", "300"},
                   {{FaultCode::NotInList, Field::Hazard}, {FaultCode::NotInList, Field::K}}},
        AnswerCase{"NothingGiven",
                   {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                   {{FaultCode::Missing, Field::Class},
                    {FaultCode::Missing, Field::Hazard},
                    {FaultCode::Missing, Field::K},
                    {FaultCode::Missing, Field::Underground},
                    {FaultCode::Missing, Field::Extinguisher},
                    {FaultCode::Missing, Field::Area}}},
        // Without a class there is no list to look hazard and model up in; the
        // answers that do not depend on it are still checked.
        AnswerCase{"BadClassStillChecksTheRest",
                   {"E", "9", "9", "maybe", "9", "abc"},
                   {{FaultCode::BadFireClass, Field::Class},
                    {FaultCode::NotInList, Field::K},
                    {FaultCode::BadYesNo, Field::Underground},
                    {FaultCode::AreaNotNumber, Field::Area}}},
        AnswerCase{"ClassD", {"d", "1", "1", "no", "1", "1"}, {{FaultCode::ClassD, Field::Class}}},
        AnswerCase{
            "EmptyAnswerIsGivenAndWrong",
            {"A", "", "2", "", "3", "300"},
            {{FaultCode::NotInList, Field::Hazard}, {FaultCode::BadYesNo, Field::Underground}}},
        AnswerCase{"AreaMayFollowASignAndBlanks", {"B", "1", "1", "是", "1", "- .5"}, {}}),
    byName);

// A workbook edits rows: taking one out must leave the totals as if it had never
// been added, also where a double would have lost the small count beside a huge one.
TEST(ModelTotals, RemovingARowUndoesItsAdding) {
    using extcalc::building::ModelKey;
    const ModelKey small{2, "two"};
    const ModelKey other{9, "nine"};
    extcalc::building::ModelTotals totals;
    totals.add(other, 5.0);
    totals.add(small, 3.0);
    totals.add(small, 1e17);
    totals.remove(small, 1e17);
    EXPECT_EQ(totals.totalText(small), "3");
    EXPECT_EQ(totals.used(), (std::vector<ModelKey>{small, other}));
    totals.remove(other, 5.0);
    EXPECT_EQ(totals.used(), (std::vector<ModelKey>{small}));
}

}  // namespace
