// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// The window reads "1,200" as 1, "abc" as 0 and "-100" as −100, and so does the command
// line, whose standard output stays the window's results; but it says so on standard
// error and fails, so that no script takes a negative count or 1 m² for a design.
TEST(CliAreaSlips, WarnWhatWasReadAndFail) {
    struct Case {
        const char* area;
        std::string out;      // the window's results for the area as read
        const char* warning;  // empty: none, and success
    };
    const auto same = [](const char* area) {
        return run(request("A", "2", "2", "no", "3", area)).out;
    };
    for (const Case& c :
         {Case{"1,200", same("1"), "“,200”不是数值的一部分（千位分隔符不能用于数值），只读到 1"},
          Case{"３００", same("0"),
               "“３００”不是数值（全角数字不能用于数值，请用半角数字），读作 0"},
          Case{"abc", same("0"), "“abc”不是数值，读作 0"},
          Case{"300abc", same("300"), "“abc”不是数值的一部分，只读到 300"},
          Case{"-100",
               "灭火级别Q1=-6.66666666666667\n修正后灭火级别Q=-4.66666666666667\n"
               "需要灭火器数量N=-0.583333333333333\n",
               "“-100”是负数，建筑面积不能为负"},
          Case{" - 5", same("-5"), "是负数"}, Case{"300 平方米", same("300"), ""},
          Case{"300m2", same("300"), ""}, Case{"0", same("0"), ""}}) {
        const RunResult r = run({"--class", "A", "--hazard", "2", "--k", "2", "--underground", "no",
                                 "--extinguisher", "3", "--area", c.area});
        EXPECT_EQ(r.out, c.out) << c.area;
        EXPECT_FALSE(r.out.empty()) << c.area;
        if (std::string(c.warning).empty()) {
            EXPECT_EQ(r.exitCode, 0) << c.area;
            EXPECT_EQ(r.err, "") << c.area;
        } else {
            EXPECT_EQ(r.exitCode, 1) << c.area;
            EXPECT_NE(r.err.find(std::string("警告：选项 --area 的取值") + ""), std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("不能用于设计"), std::string::npos) << r.err;
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
    // The repealed standard is the default: the first line says so and how to leave it.
    const std::string first = help.out.substr(0, help.out.find('\n'));
    EXPECT_NE(first.find("GBJ140-90"), std::string::npos) << first;
    EXPECT_NE(first.find("已废止"), std::string::npos) << first;
    EXPECT_NE(help.out.find("--standard 2005"), std::string::npos);
    EXPECT_LT(help.out.find("--standard 2005"), help.out.find("用法"));

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

// GB 50140-2005: one calculation unit, its answers in the option order of unit().
std::vector<std::string> unit(const std::vector<std::string>& answers) {
    std::vector<std::string> args{"--standard", "2005"};
    for (const char* option :
         {"--class", "--hazard", "--k", "--special", "--area", "--points", "--extinguisher"}) {
        args.insert(args.end(), {option, answers.at(args.size() / 2 - 1)});
    }
    return args;
}

const std::vector<std::string> kWorked = unit({"A", "2", "2", "no", "1500", "2", "MF/ABC4"});

struct UnitCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    // Whole lines of the shown unit; with a usage error, parts of standard error instead.
    std::vector<std::string> parts;
};

class Cli2005 : public testing::TestWithParam<UnitCase> {};

TEST_P(Cli2005, ShowsTheUnitOrNamesEveryBadOption) {
    const auto& c = GetParam();
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const bool usage = c.exitCode == 2;
    EXPECT_EQ(usage ? r.out : r.err, "");
    for (const auto& part : c.parts) {
        const auto found = usage ? r.err.find(part) : ("\n" + r.out).find("\n" + part + "\n");
        EXPECT_NE(found, std::string::npos) << part << '\n' << r.out << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Units, Cli2005,
    testing::Values(
        UnitCase{"WorkedExample",
                 kWorked,
                 0,
                 {"计算单元最小需配灭火级别：Q = 0.9 × 1500 ÷ 75 = 18，取 18A",
                  "设置点最小需配灭火级别：Qe = Q ÷ N = 18 ÷ 2 = 9，取 9A",
                  "计算单元灭火器总数：5 × 2 = 10 具", "问题：无"}},
        UnitCase{"SpecialPlaceExact",
                 unit({"b", "1", "2", "是", "150", "3", "mf4"}),
                 0,
                 {"计算单元最小需配灭火级别：Q = 1.3 × 0.9 × 150 ÷ 1.5 = 117，取 117B"}},
        UnitCase{"ClassEAsB",
                 with(with(unit({"E", "2", "1", "no", "100", "1", "MT7"}), "--e-basis"), "B"),
                 0,
                 {"火灾种类：E类 带电火灾，按B类的规定确定", "最大保护距离：12 m"}},
        UnitCase{"ClassD",
                 unit({"D", "1", "1", "no", "100", "1", "MT7"}),
                 1,
                 {"火灾种类：D类 金属火灾"}},
        UnitCase{"UnsuitableModel",
                 unit({"A", "1", "1", "no", "100", "1", "MT7"}),
                 1,
                 {"所选灭火器灭火级别：无A类灭火级别"}},
        UnitCase{"BelowMinimum",
                 unit({"A", "3", "1", "no", "100", "1", "MF/ABC3"}),
                 1,
                 {"计算单元灭火器总数：2 × 1 = 2 具"}},
        UnitCase{"EveryBadAnswerNamed",
                 unit({"E", "9", "0.8", "maybe", "1e3", "1.5", "ZZ"}),
                 2,
                 {"缺少选项 --e-basis", "--hazard 的取值“9”", "--k 的取值“0.8”",
                  "--special 的取值“maybe”", "--area 的取值“1e3”无效：请勿使用科学计数法",
                  "--points 的取值“1.5”无效：必须为整数", "--extinguisher 的取值“ZZ”"}},
        UnitCase{"ClassicOptionsWith2005",
                 {"--standard", "2005", "--underground", "no", "--csv", "a.csv"},
                 2,
                 {"--underground", "--csv"}},
        UnitCase{"OptionsOf2005WithClassic",
                 {"--class", "A", "--points", "2", "--json", "--e-basis", "A", "--special", "no"},
                 2,
                 {"--points", "--json", "--e-basis", "--special"}},
        UnitCase{"UnknownStandard", {"--standard", "2010"}, 2, {"--standard"}},
        UnitCase{"ClassicByItsOtherName",
                 with(with(kTypical, "--standard"), "GBJ140-90"),
                 0,
                 {"灭火级别Q1=20"}}),
    byName);

// Scripts read the worked example back with a JSON parser: each key there with its type.
TEST(Cli2005, JsonOfTheWorkedExample) {
    const RunResult r = run(with(with(with(kWorked, "--json"), "--name"), "仓库"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    for (const char* key :
         {"U", "K", "factor", "Q", "Qe", "points", "min_rating", "rating", "max_distance_m"}) {
        EXPECT_TRUE(json.at(key).is_number()) << key;
    }
    for (const auto& [key, value] :
         {std::pair{"Q_required", 18}, {"Qe_required", 9}, {"per_point", 5}, {"total", 10}}) {
        EXPECT_EQ(json.at(key), value) << key;
    }
    for (const char* key : {"standard", "class", "basis", "model", "name"}) {
        EXPECT_TRUE(json.at(key).is_string()) << key;
    }
    const RunResult warned = run(with(unit({"B", "1", "1", "no", "100", "1", "55B"}), "--json"));
    EXPECT_EQ(warned.exitCode, 0);
    const auto problem = nlohmann::json::parse(warned.out).at("problems").at(0);
    EXPECT_EQ(problem.at("severity"), "warning");
    EXPECT_TRUE(problem.at("text").is_string());
}

// What the designer says of a CO₂ extinguisher's horn in class E (4.2).
TEST(Cli2005, HornOfACarbonDioxideExtinguisher) {
    struct Case {
        std::vector<std::string> horn;
        int exitCode;
        const char* outHas;
        bool warns;
    };
    const std::vector<std::string> switchRoom{
        "--standard", "2005", "--class", "E",  "--e-basis", "B", "--hazard",       "2",  "--k", "1",
        "--special",  "no",   "--area",  "80", "--points",  "1", "--extinguisher", "MT7"};
    for (const Case& c :
         {Case{{}, 0, "计算单元灭火器总数：2 × 1 = 2 具", true},
          Case{{"--nonmetal-horn", "是"}, 0, "计算单元灭火器总数：2 × 1 = 2 具", false},
          Case{{"--nonmetal-horn", "no"}, 1, "不计算具数", false}}) {
        std::vector<std::string> args = switchRoom;
        args.insert(args.end(), c.horn.begin(), c.horn.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
        EXPECT_EQ(
            r.out.find("警告：【强条】E类火灾场所不得选用装有金属喇叭喷筒") != std::string::npos,
            c.warns)
            << r.out;
    }
    const RunResult bad = run({"--standard",      "2005", "--class",  "E", "--e-basis",      "B",
                               "--hazard",        "2",    "--k",      "1", "--special",      "no",
                               "--area",          "80",   "--points", "1", "--extinguisher", "MT7",
                               "--nonmetal-horn", "塑料"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--nonmetal-horn"), std::string::npos) << bad.err;
    const RunResult classic =
        run({"--class", "A", "--hazard", "2", "--k", "2", "--underground", "no", "--extinguisher",
             "3", "--area", "300", "--nonmetal-horn", "是"});
    EXPECT_EQ(classic.exitCode, 2);
    EXPECT_NE(classic.err.find("--nonmetal-horn"), std::string::npos) << classic.err;
}

TEST(Cli2005, ListsAndHelp) {
    const RunResult list = run({"--list", "--standard", "2005"});
    for (const char* line : {"    E  带电火灾", "    2  设有室内消火栓系统，K = 0.9",
                             "    MF/ABC4  2A  55B   手提式  磷酸铵盐干粉 4 kg",
                             "    MST125   6A  -     推车式  推车式水型 125 L"}) {
        EXPECT_NE(list.out.find(std::string(line) + "\n"), std::string::npos) << line << list.out;
    }
    const RunResult help = run({"--help"});
    for (const char* option : {"--standard", "--e-basis", "--special", "--points", "--json"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
