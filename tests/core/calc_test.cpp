// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "extcalc/calc.h"
#include "extcalc/headless.h"
#include "extcalc/texts.h"

namespace extcalc {
namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

using Texts = std::array<std::string, 3>;

// The window's state across several user actions: form variables and the controls.
struct Session {
    FormVariables form;
    ScriptedOps ops;

    void choose(FireClass fireClass) {
        if (chooseFireClass(form, fireClass, ops) != nullptr) {
            // Refilled lists have nothing selected.
            ops.combo2 = -1;
            ops.combo4 = -1;
        }
    }
    void fill(int hazard, int correction, int extinguisher, std::string area) {
        ops.combo2 = hazard;
        ops.combo3 = correction;
        ops.combo4 = extinguisher;
        ops.texts[0] = std::move(area);
    }
    [[nodiscard]] Texts results() const { return {ops.texts[1], ops.texts[2], ops.texts[3]}; }
    [[nodiscard]] auto count(std::string_view text) const {
        return std::count_if(ops.messages.begin(), ops.messages.end(),
                             [&](const ShownMessage& m) { return m.text == text; });
    }
};

struct WorkedCase {
    const char* name;
    FireClass fireClass;
    int hazard;
    int correction;
    std::optional<bool> underground;  // empty: never answered
    int extinguisher;
    std::string area;
    Texts expected;
};

void PrintTo(const WorkedCase& c, std::ostream* os) {
    *os << c.name;
}

class WorkedCases : public testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedCases, ResultTexts) {
    const auto& c = GetParam();
    Session s;
    s.choose(c.fireClass);
    if (c.underground) {
        chooseUnderground(s.form, *c.underground);
    }
    s.fill(c.hazard, c.correction, c.extinguisher, c.area);
    calcu(s.form, s.ops);
    EXPECT_EQ(s.results(), c.expected);
    EXPECT_TRUE(s.ops.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WorkedCases,
    testing::Values(
        WorkedCase{"TypicalRun", FireClass::A, 1, 1, false, 2, "300", {"20", "14", "1.75"}},
        WorkedCase{
            "LightHazard", FireClass::A, 0, 0, false, 0, "100", {"5", "5", "1.66666666666667"}},
        WorkedCase{"Underground",
                   FireClass::A,
                   0,
                   0,
                   true,
                   0,
                   "100",
                   {"5", "6.49999976158142", "2.16666658719381"}},
        WorkedCase{"ClassB",
                   FireClass::B,
                   1,
                   2,
                   true,
                   3,
                   "500",
                   {"66.6666666666667", "25.9999990463257", "6.49999976158142"}},
        WorkedCase{"ClassCAsB",
                   FireClass::C,
                   1,
                   2,
                   true,
                   3,
                   "500",
                   {"66.6666666666667", "25.9999990463257", "6.49999976158142"}},
        WorkedCase{"NoK", FireClass::A, 1, -1, false, 2, "300", {"20", "0", "0"}},
        WorkedCase{"UndergroundNeverAnswered",
                   FireClass::A,
                   1,
                   1,
                   std::nullopt,
                   2,
                   "300",
                   {"20", "0", "0"}},
        WorkedCase{"NegativeArea",
                   FireClass::A,
                   0,
                   0,
                   false,
                   0,
                   "-100",
                   {"-5", "-5", "-1.66666666666667"}},
        WorkedCase{"AreaNotANumber", FireClass::A, 0, 0, false, 0, "abc", {"0", "0", "0"}},
        WorkedCase{"HugeButFinite",
                   FireClass::B,
                   2,
                   0,
                   false,
                   7,
                   "1e300",
                   {"2E+299", "2E+299", "1.42857142857143E+298"}},
        WorkedCase{"Tiny",
                   FireClass::A,
                   0,
                   0,
                   false,
                   0,
                   "1e-320",
                   {"4.99006302299659E-322", "4.99006302299659E-322", "1.67982319586024E-322"}}),
    byName);

TEST(CalcuWarnings, ListsWithoutSelectionWarnOnceEachAndKeepEarlierValues) {
    Session s;
    s.choose(FireClass::A);
    chooseUnderground(s.form, false);
    s.fill(0, 0, 0, "100");  // u = 20, n = 3
    calcu(s.form, s.ops);
    ASSERT_EQ(s.results(), (Texts{"5", "5", "1.66666666666667"}));

    s.choose(FireClass::A);  // both lists refilled: nothing selected
    s.ops.texts[0] = "200";
    calcu(s.form, s.ops);
    EXPECT_EQ(s.count(text::kIncompleteInput), 2);
    EXPECT_EQ(s.ops.messages.size(), 2U);
    EXPECT_EQ(s.results(), (Texts{"10", "10", "3.33333333333333"}));
    EXPECT_EQ(s.form.u, 20.0F);
    EXPECT_EQ(s.form.n, 3);

    const auto& warning = s.ops.messages.front();
    EXPECT_EQ(warning.title, text::kNoteTitle);
    EXPECT_EQ(warning.icon, Icon::Question);
    EXPECT_EQ(warning.buttons, Buttons::Ok);
}

TEST(CalcuWarnings, ChangingClassKeepsOldRatingsUntilNewOnesArePicked) {
    Session s;
    s.choose(FireClass::B);
    chooseUnderground(s.form, false);
    s.fill(2, 0, 7, "70");  // u = 5, n = 14
    calcu(s.form, s.ops);
    s.choose(FireClass::A);
    s.ops.combo4 = 6;  // 34 A; hazard left open
    calcu(s.form, s.ops);
    EXPECT_EQ(s.count(text::kIncompleteInput), 1);
    EXPECT_EQ(s.form.u, 5.0F);
    EXPECT_EQ(s.form.n, 34);
    EXPECT_EQ(s.results(), (Texts{"14", "14", "0.411764705882353"}));
}

struct ZeroDivisorCase {
    const char* name;
    std::vector<FireClass> classes;
    int hazard;
    int extinguisher;
    int expectedWarnings;
};

void PrintTo(const ZeroDivisorCase& c, std::ostream* os) {
    *os << c.name;
}

class ZeroDivisors : public testing::TestWithParam<ZeroDivisorCase> {};

// Nothing was ever chosen for a divisor: no result box is written and the user is
// told once, whether or not a lookup already warned.
TEST_P(ZeroDivisors, NoResultAndASingleWarning) {
    const auto& c = GetParam();
    Session s;
    for (const auto fireClass : c.classes) {
        s.choose(fireClass);
    }
    chooseUnderground(s.form, true);
    s.fill(c.hazard, 0, c.extinguisher, "300");
    s.ops.messages.clear();
    calcu(s.form, s.ops);
    EXPECT_EQ(s.results(), (Texts{"0", "0", "0"}));
    EXPECT_EQ(s.ops.written, (std::array<bool, 4>{}));
    EXPECT_EQ(s.count(text::kIncompleteInput), c.expectedWarnings);
    EXPECT_EQ(s.ops.messages.size(), static_cast<std::size_t>(c.expectedWarnings));

    // The state stays usable: choosing properly afterwards computes.
    s.choose(FireClass::A);
    s.fill(1, 1, 2, "300");
    chooseUnderground(s.form, false);
    calcu(s.form, s.ops);
    EXPECT_EQ(s.results(), (Texts{"20", "14", "1.75"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ZeroDivisors,
                         testing::Values(ZeroDivisorCase{"NoClassYet", {}, 0, 0, 1},
                                         ZeroDivisorCase{"ClassDOnly", {FireClass::D}, 0, 0, 1},
                                         ZeroDivisorCase{"NoHazardEver", {FireClass::A}, -1, 0, 1},
                                         ZeroDivisorCase{
                                             "NoExtinguisherEver", {FireClass::B}, 0, -1, 1},
                                         ZeroDivisorCase{"NeitherEver", {FireClass::C}, -1, -1, 2}),
                         byName);

TEST(CalcuRange, AreaBeyondTheRangeWarnsAndWritesNothing) {
    Session s;
    s.choose(FireClass::A);
    chooseUnderground(s.form, false);
    s.fill(1, 1, 2, "300");
    calcu(s.form, s.ops);
    for (const char* area : {"1e999", "-1e400", "1.8e308"}) {
        s.ops.messages.clear();
        s.ops.written = {};
        s.ops.texts[0] = area;
        calcu(s.form, s.ops);
        EXPECT_EQ(s.ops.written, (std::array<bool, 4>{})) << area;
        ASSERT_EQ(s.ops.messages.size(), 1U) << area;
        EXPECT_EQ(s.ops.messages[0].text, text::kAreaOutOfRange);
        EXPECT_EQ(s.ops.messages[0].title, text::kNoteTitle);
        EXPECT_EQ(s.ops.messages[0].icon, Icon::Question);
        EXPECT_EQ(s.results(), (Texts{"20", "14", "1.75"})) << area;
    }
}

// The area itself is in range, but a corrected rating is not: still nothing is
// written, not even the finite Q1.
TEST(CalcuRange, InfiniteIntermediateWritesNoBox) {
    Session s;
    s.choose(FireClass::A);
    chooseUnderground(s.form, true);
    s.fill(0, 0, 0, "1.7e308");
    calcu(s.form, s.ops);
    EXPECT_EQ(s.ops.written, (std::array<bool, 4>{}));
    ASSERT_EQ(s.ops.messages.size(), 1U);
    EXPECT_EQ(s.ops.messages[0].text, text::kAreaOutOfRange);
}

TEST(FireClassChoice, ClassDShowsTheNoticeAndChangesNothing) {
    for (const auto before :
         {std::optional<FireClass>{}, std::optional{FireClass::A}, std::optional{FireClass::B}}) {
        Session s;
        if (before) {
            s.choose(*before);
        }
        const auto style = s.form.style;
        EXPECT_EQ(chooseFireClass(s.form, FireClass::D, s.ops), nullptr);
        EXPECT_EQ(s.form.style, style);
        ASSERT_EQ(s.ops.messages.size(), 1U);
        const auto& notice = s.ops.messages[0];
        EXPECT_EQ(notice.text, text::kClassDNotice);
        EXPECT_EQ(notice.title, text::kClassDTitle);
        EXPECT_EQ(notice.icon, Icon::Critical);
        EXPECT_EQ(notice.buttons, Buttons::OkCancel);
    }
}

TEST(UndergroundChoice, LastAnswerHolds) {
    FormVariables form;
    EXPECT_EQ(form.kd, 0.0F);
    chooseUnderground(form, true);
    chooseUnderground(form, false);
    EXPECT_EQ(form.kd, 1.0F);
    chooseUnderground(form, true);
    EXPECT_EQ(static_cast<double>(form.kd), 1.2999999523162842);
}

TEST(Headless, OneCalculationOnFreshState) {
    const Outcome ok = calculateOnce({FireClass::A, 1, 1, false, 2, "300"});
    ASSERT_TRUE(ok.results.has_value());
    EXPECT_EQ(*ok.results, (Texts{"20", "14", "1.75"}));
    EXPECT_TRUE(ok.messages.empty());

    // Nothing carries over from the call before: a missing list cannot borrow its value.
    const Outcome missing = calculateOnce({FireClass::A, 1, 1, false, -1, "300"});
    EXPECT_FALSE(missing.results.has_value());
    EXPECT_EQ(missing.messages.size(), 1U);

    const Outcome classD = calculateOnce({FireClass::D, 0, 0, false, 0, "300"});
    EXPECT_FALSE(classD.results.has_value());
    ASSERT_EQ(classD.messages.size(), 1U);
    EXPECT_EQ(classD.messages[0].text, text::kClassDNotice);
}

}  // namespace
}  // namespace extcalc
