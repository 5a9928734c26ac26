// SPDX-License-Identifier: MIT
// extinguisher-calc-cli: the window's calculation for scripts and batch work.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch.h"
#include "choices.h"
#include "console.h"
#include "extcalc/answers.h"
#include "extcalc/faults.h"
#include "extcalc/texts.h"

namespace {

using namespace extcalc;

constexpr int kExitOk = 0;
constexpr int kExitNoResult = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kHelp =
    "用法：extinguisher-calc-cli --class 类别 --hazard 等级 --k 系数 --underground 是否\n"
    "                            --extinguisher 灭火器 --area 面积\n"
    "      extinguisher-calc-cli --csv 表格.csv [--out 结果.csv] [--no-bom]\n"
    "      extinguisher-calc-cli --list | --help | --version\n"
    "\n"
    "按《建筑灭火器配置设计规范》GBJ140-90 计算一个建筑面积的灭火级别 Q1、\n"
    "修正后灭火级别 Q 和需要灭火器数量 N，与窗口的计算完全相同。\n"
    "\n"
    "选项（计算时六项都必须给出）：\n"
    "  --class 类别          火灾类别：A、B、C 或 D（大小写均可）\n"
    "  --hazard 等级         火灾危险等级：--list 中该类别的编号（从 1 起）或列表原文\n"
    "  --k 系数              修正系数：--list 中的编号（从 1 起）或列表原文\n"
    "  --underground 是否    是否地下建筑：yes、no、是 或 否\n"
    "  --extinguisher 灭火器 采用灭火器类型：--list 中该类别的编号（从 1 起）或列表原文\n"
    "  --area 面积           建筑面积 S（平方米），读数规则与窗口相同\n"
    "  --csv 文件            批量计算：逐行计算表格中的每个建筑面积（- 为标准输入）；\n"
    "                        表头为 名称,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积\n"
    "                        （或 name,class,hazard,k,underground,extinguisher,area），列序不限\n"
    "  --out 文件            批量计算的结果表写入该文件（默认标准输出）\n"
    "  --no-bom              结果表开头不写 UTF-8 字节顺序标记\n"
    "  --list                列出各类火灾的全部选项及编号\n"
    "  -h, --help            显示本帮助\n"
    "  --version             显示版本\n"
    "\n"
    "示例：\n"
    "  extinguisher-calc-cli --class A --hazard 2 --k 2 --underground no --extinguisher 3 "
    "--area 300\n"
    "\n"
    "退出状态：0 已算出结果；1 无法给出结果（D类火灾、面积超出范围），批量计算时为有行出错；\n"
    "          2 参数错误，批量计算时为表格无法读取。\n";

int usageError(std::string_view message) {
    std::cerr << "extinguisher-calc-cli：" << message << "\n（用 --help 查看用法）\n";
    return kExitUsage;
}

// CLI11 words its parse errors in English and starts them with the option's name;
// the user gets them in Chinese, with that name kept.
std::string describeParseError(const CLI::ParseError& error) {
    const std::string what = error.what();
    const std::string option = what.substr(0, what.find(':'));
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        if (what.find("Most") != std::string::npos || what.find("most") != std::string::npos) {
            return "选项 " + option + " 只能给出一次";
        }
        return "选项 " + option + " 缺少取值";
    }
    return "无法识别的命令行参数：" + what;
}

int usageErrors(const std::vector<building::Fault>& faults) {
    for (const auto& fault : faults) {
        std::cerr << "extinguisher-calc-cli："
                  << building::describe(fault, building::Naming::Option) << '\n';
    }
    std::cerr << "（用 --help 查看用法）\n";
    return kExitUsage;
}

int calculate(const building::ClassicAnswers& answers) {
    building::ClassicCheck check = building::checkClassic(answers, building::AreaRule::AsTheWindow);
    if (!check.request) {
        // Class D is no mistake in the answers: the standard offers no calculation for it.
        auto& faults = check.faults;
        const auto classD = std::find_if(faults.begin(), faults.end(), [](const auto& fault) {
            return fault.code == building::FaultCode::ClassD;
        });
        if (classD != faults.end() && faults.size() == 1) {
            std::cerr << building::describe(*classD, building::Naming::Option) << '\n';
            return kExitNoResult;
        }
        faults.erase(classD, classD == faults.end() ? classD : std::next(classD));
        return usageErrors(faults);
    }

    const building::ClassicResult result = building::computeClassic(*check.request);
    if (!result.results) {
        for (const auto& fault : result.faults) {
            std::cerr << building::describe(fault, building::Naming::Option) << '\n';
        }
        return kExitNoResult;
    }
    const auto& [q1, q, n] = *result.results;
    std::cout << text::kLabelQ1 << q1 << '\n'
              << text::kLabelQ << q << '\n'
              << text::kLabelN << n << '\n';
    return kExitOk;
}

int run(int argc, const char* const* argv) {
    CLI::App app{"", "extinguisher-calc-cli"};
    // CLI11 lays out its own help by bytes, which misaligns Chinese; the help is ours.
    app.set_help_flag();
    bool help = false;
    app.add_flag("-h,--help", help);
    app.set_version_flag("--version", std::string(EXTCALC_VERSION));
    app.allow_extras();

    // One option per answer of the calculation, in the order their faults are named.
    std::array<std::string, static_cast<std::size_t>(building::Field::kCount)> given;
    std::vector<CLI::Option*> required;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const auto name = building::optionName(static_cast<building::Field>(i));
        required.push_back(app.add_option(std::string(name), given.at(i)));
        required.back()->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
    bool list = false;
    app.add_flag("--list", list);
    std::string csvPath;
    std::string outPath;
    bool noBom = false;
    CLI::Option* csvOption = app.add_option("--csv", csvPath);
    CLI::Option* outOption = app.add_option("--out", outPath);
    CLI::Option* noBomOption = app.add_flag("--no-bom", noBom);
    for (auto* option : {csvOption, outOption}) {
        option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usageError(describeParseError(e));
    }

    if (const auto extras = app.remaining(); !extras.empty()) {
        return usageError("无法识别的参数：" + extras.front());
    }
    if (help) {
        std::cout << kHelp;
        return kExitOk;
    }
    if (csvOption->count() != 0) {
        const auto single =
            std::find_if(required.begin(), required.end(),
                         [](const CLI::Option* option) { return option->count() != 0; });
        if (single != required.end()) {
            return usageError("选项 " + (*single)->get_name() + " 不能与 --csv 同时使用");
        }
        // Row by row through large tables: the C stdio synchronisation would only slow it.
        std::ios::sync_with_stdio(false);
        return cli::runBatchFiles(csvPath, outPath, !noBom, std::cerr);
    }
    if (outOption->count() != 0 || noBomOption->count() != 0) {
        return usageError(std::string(outOption->count() != 0 ? "--out" : "--no-bom") +
                          " 只能与 --csv 一起使用");
    }
    if (list) {
        cli::printLists(std::cout);
        return kExitOk;
    }
    building::ClassicAnswers answers;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (required[i]->count() != 0) {
            answers.given.at(i) = given.at(i);
        }
    }
    return calculate(answers);
}

}  // namespace

int main(int argc, char** argv) {
    const extcalc::cli::ConsoleSession console(argc, argv);
    try {
        return run(console.argc(), console.argv());
    } catch (const std::exception& e) {
        // Only resource exhaustion gets here; say so rather than abort.
        std::cerr << "extinguisher-calc-cli：" << e.what() << '\n';
        return kExitNoResult;
    }
}
