// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "extcalc/answers.h"
#include "extcalc/texts.h"
#include "run_program.h"

namespace {

constexpr auto byName = [](const auto& info) { return std::string(info.param.name); };

using extcalc::test::RunResult;

RunResult run(const std::vector<std::string>& args) {
    return extcalc::test::runProgram(EXTCALC_CLI_PATH, args);
}

std::vector<std::string> request(const std::string& fireClass, const std::string& hazard,
                                 const std::string& k, const std::string& underground,
                                 const std::string& extinguisher, const std::string& area) {
    return {"--class",       fireClass,   "--hazard",       hazard,       "--k",           k,
            "--underground", underground, "--extinguisher", extinguisher, "--area=" + area};
}

struct ResultCase {
    const char* name;
    std::vector<std::string> args;
    std::string out;
};

void PrintTo(const ResultCase& c, std::ostream* os) {
    *os << c.name;
}

class CliResults : public testing::TestWithParam<ResultCase> {};

TEST_P(CliResults, PrintsTheThreeLabelledResults) {
    const RunResult r = run(GetParam().args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().out);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CliResults,
    testing::Values(
        ResultCase{"Typical",
                   {"--class", "A", "--hazard", "2", "--k", "2", "--underground", "no",
                    "--extinguisher", "3", "--area", "300"},
                   "灭火级别Q1=20\n修正后灭火级别Q=14\n需要灭火器数量N=1.75\n"},
        ResultCase{"Light", request("a", "1", "1", "否", "1", "100"),
                   "灭火级别Q1=5\n修正后灭火级别Q=5\n需要灭火器数量N=1.66666666666667\n"},
        ResultCase{"Underground", request("A", "1", "1", "YES", "1", "100"),
                   "灭火级别Q1=5\n修正后灭火级别Q=6.49999976158142\n"
                   "需要灭火器数量N=2.16666658719381\n"},
        ResultCase{"ClassB", request("B", "2", "3", "是", "4", "500"),
                   "灭火级别Q1=66.6666666666667\n修正后灭火级别Q=25.9999990463257\n"
                   "需要灭火器数量N=6.49999976158142\n"},
        ResultCase{"ClassCByItemText",
                   request("c", "中危险级,7.5m2/B", "有消火栓及喷淋系统，K=0.3", "yes",
                           "二氧化碳灭火器，7公斤，4B/具", "500"),
                   "灭火级别Q1=66.6666666666667\n修正后灭火级别Q=25.9999990463257\n"
                   "需要灭火器数量N=6.49999976158142\n"},
        ResultCase{"NegativeArea", request("A", "1", "1", "no", "1", "-100"),
                   "灭火级别Q1=-5\n修正后灭火级别Q=-5\n需要灭火器数量N=-1.66666666666667\n"},
        ResultCase{"AreaReadLikeTheWindow", request("A", "1", "1", "no", "1", " 1 2.5平方米"),
                   "灭火级别Q1=0.625\n修正后灭火级别Q=0.625\n需要灭火器数量N=0.208333333333333\n"},
        ResultCase{"ExponentResult", request("B", "3", "1", "no", "1", "1e20"),
                   "灭火级别Q1=2E+19\n修正后灭火级别Q=2E+19\n需要灭火器数量N=2E+19\n"}),
    byName);

struct FailureCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string errContains;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class CliFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(CliFailures, ExplainOnStandardErrorOnly) {
    const auto& c = GetParam();
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
}

const std::vector<std::string> kTypical = request("A", "2", "2", "no", "3", "300");

std::vector<std::string> without(const std::string& option) {
    std::vector<std::string> args;
    for (std::size_t i = 0; i < kTypical.size(); ++i) {
        if (kTypical[i] == option) {
            ++i;
        } else if (kTypical[i].rfind(option + "=", 0) != 0) {
            args.push_back(kTypical[i]);
        }
    }
    return args;
}

std::vector<std::string> with(std::vector<std::string> args, const std::string& extra) {
    args.push_back(extra);
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    NoResult, CliFailures,
    testing::Values(FailureCase{"ClassD", request("D", "1", "1", "no", "1", "300"), 1,
                                std::string(extcalc::text::kClassDNotice)},
                    FailureCase{"AreaOutOfRange", request("A", "1", "1", "no", "1", "1e999"), 1,
                                std::string(extcalc::text::kAreaOutOfRange)},
                    FailureCase{"ResultNotFinite", request("A", "1", "1", "yes", "1", "1.7e308"), 1,
                                std::string(extcalc::text::kAreaOutOfRange)}),
    byName);

INSTANTIATE_TEST_SUITE_P(
    Usage, CliFailures,
    testing::Values(
        FailureCase{"MissingClass", without("--class"), 2, "--class"},
        FailureCase{"MissingHazard", without("--hazard"), 2, "--hazard"},
        FailureCase{"MissingK", without("--k"), 2, "--k"},
        FailureCase{"MissingUnderground", without("--underground"), 2, "--underground"},
        FailureCase{"MissingExtinguisher", without("--extinguisher"), 2, "--extinguisher"},
        FailureCase{"MissingArea", without("--area"), 2, "--area"},
        FailureCase{"UnknownOption", with(kTypical, "--colour"), 2, "--colour"},
        FailureCase{"StrayArgument", with(kTypical, "extra"), 2, "extra"},
        FailureCase{"RepeatedOption", with(with(kTypical, "--class"), "B"), 2, "--class"},
        FailureCase{"ValueMissing", {"--class"}, 2, "--class"},
        FailureCase{"BadClass", request("E", "1", "1", "no", "1", "1"), 2, "--class"},
        FailureCase{"HazardZero", request("A", "0", "1", "no", "1", "1"), 2, "--hazard"},
        FailureCase{"HazardBeyondList", request("A", "4", "1", "no", "1", "1"), 2, "--hazard"},
        FailureCase{"ExtinguisherBeyondClassA", request("A", "1", "1", "no", "8", "1"), 2,
                    "--extinguisher"},
        FailureCase{"ExtinguisherOfOtherClass",
                    request("A", "1", "1", "no", "二氧化碳灭火器，2公斤，1B/具", "1"), 2,
                    "--extinguisher"},
        FailureCase{"KBeyondList", request("A", "1", "4", "no", "1", "1"), 2, "--k"},
        FailureCase{"KNotANumber", request("A", "1", "1.0", "no", "1", "1"), 2, "--k"},
        FailureCase{"BadUnderground", request("A", "1", "1", "maybe", "1", "1"), 2,
                    "--underground"}),
    byName);

// A user who got several answers wrong hears about each at once, not one per run.
TEST(CliFailures, NameEveryBadOrMissingOption) {
    const RunResult bad = run(request("A", "9", "9", "maybe", "3", "300"));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
    for (const char* option : {"--hazard", "--k", "--underground"}) {
        EXPECT_NE(bad.err.find(option), std::string::npos) << option << '\n' << bad.err;
    }
    EXPECT_EQ(bad.err.find("--extinguisher"), std::string::npos) << bad.err;

    const RunResult none = run({});
    EXPECT_EQ(none.exitCode, 2);
    for (const char* option :
         {"--class", "--hazard", "--k", "--underground", "--extinguisher", "--area"}) {
        EXPECT_NE(none.err.find("缺少选项 " + std::string(option)), std::string::npos) << option;
    }
}

// The window reads "1,200" as 1 and so does the command line; but it says so, on
// standard error, and leaves the results on standard output as they were.
TEST(CliAreaSlips, WarnWhatWasIgnoredAndWhatWasRead) {
    struct Case {
        const char* area;
        const char* sameAs;
        const char* warning;  // empty: none
    };
    for (const Case& c :
         {Case{"1,200", "1", "“,200”不是数值的一部分（千位分隔符不能用于数值），只读到 1"},
          Case{"３００", "0", "“３００”不是数值（全角数字不能用于数值，请用半角数字），读作 0"},
          Case{"300 平方米", "300", ""}, Case{"300m2", "300", ""}, Case{"-100", "-100", ""}}) {
        const RunResult r = run({"--class", "A", "--hazard", "2", "--k", "2", "--underground", "no",
                                 "--extinguisher", "3", "--area", c.area});
        const RunResult plain = run(request("A", "2", "2", "no", "3", c.sameAs));
        EXPECT_EQ(r.exitCode, 0) << c.area;
        EXPECT_EQ(r.out, plain.out) << c.area;
        if (std::string(c.warning).empty()) {
            EXPECT_EQ(r.err, "") << c.area;
        } else {
            EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
        }
    }
}

TEST(CliInformation, HelpVersionAndLists) {
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--class", "--hazard", "--k", "--underground", "--extinguisher",
                               "--area", "--list", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }

    const RunResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string(EXTCALC_VERSION_FOR_TESTS) + "\n");

    const RunResult list = run({"--list"});
    EXPECT_EQ(list.exitCode, 0);
    // Numbered from 1 as the options take them, with the exact item texts.
    EXPECT_NE(list.out.find("    2  中危险级,15m2/A\n"), std::string::npos);
    EXPECT_NE(list.out.find("    8  磷酸铵盐干粉，6公斤，14B/具\n"), std::string::npos);
    EXPECT_NE(list.out.find("    3  有消火栓及喷淋系统，K=0.3\n"), std::string::npos);
}

struct ChoiceCase {
    std::string answer;
    std::optional<int> position;
};

TEST(CliChoices, NumberFromOneOrExactText) {
    const auto& group = *extcalc::groupOf(extcalc::FireClass::A);
    const std::vector<ChoiceCase> cases{{"1", 0},
                                        {"7", 6},
                                        {"0", std::nullopt},
                                        {"8", std::nullopt},
                                        {"-1", std::nullopt},
                                        {"+1", std::nullopt},
                                        {"1 ", std::nullopt},
                                        {"01", 0},
                                        {"", std::nullopt},
                                        {"99999999999999999999", std::nullopt},
                                        {"推车式磷酸铵盐，50公斤，34A/具", 6},
                                        {"推车式磷酸铵盐,50公斤,34A/具", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(extcalc::building::findChoice(group.extinguishers, c.answer), c.position)
            << '"' << c.answer << '"';
    }
}

}  // namespace
