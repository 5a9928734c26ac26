// extinguisher-calc-cli: the window's calculation for scripts and batch work.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch.h"
#include "choices.h"
#include "extcalc/headless.h"
#include "extcalc/lists.h"
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

struct Answers {
    std::string fireClass;
    std::string hazard;
    std::string correction;
    std::string underground;
    std::string extinguisher;
    std::string area;
};

template <class Item>
std::optional<int> position(std::span<const Item> list, const std::string& answer,
                            std::string_view option, std::string& error) {
    auto found = cli::findChoice(list, answer);
    if (!found) {
        error = "选项 " + std::string(option) + " 的取值“" + answer + "”不在列表中（应为 1 到 " +
                std::to_string(list.size()) + " 的编号或列表中的原文；用 --list 查看）";
    }
    return found;
}

int calculate(const Answers& answers) {
    const auto fireClass = cli::parseFireClass(answers.fireClass);
    if (!fireClass) {
        return usageError("选项 --class 的取值“" + answers.fireClass +
                          "”无效（应为 A、B、C 或 D）");
    }
    const ClassGroup* group = groupOf(*fireClass);
    if (group == nullptr) {
        std::cerr << text::kClassDNotice << '\n';
        return kExitNoResult;
    }

    std::string error;
    const auto hazard = position(group->hazards, answers.hazard, "--hazard", error);
    const auto correction = position(correctionList(), answers.correction, "--k", error);
    const auto extinguisher =
        position(group->extinguishers, answers.extinguisher, "--extinguisher", error);
    const auto underground = cli::parseUnderground(answers.underground);
    if (!underground && error.empty()) {
        error =
            "选项 --underground 的取值“" + answers.underground + "”无效（应为 yes、no、是 或 否）";
    }
    if (!error.empty()) {
        return usageError(error);
    }

    const Outcome outcome = calculateOnce(
        {*fireClass, *hazard, *correction, *underground, *extinguisher, answers.area});
    if (!outcome.results) {
        for (const auto& message : outcome.messages) {
            std::cerr << message.text << '\n';
        }
        return kExitNoResult;
    }
    const auto& [q1, q, n] = *outcome.results;
    std::cout << text::kLabelQ1 << q1 << '\n'
              << text::kLabelQ << q << '\n'
              << text::kLabelN << n << '\n';
    return kExitOk;
}

int run(int argc, char** argv) {
    CLI::App app{"", "extinguisher-calc-cli"};
    // CLI11 lays out its own help by bytes, which misaligns Chinese; the help is ours.
    app.set_help_flag();
    bool help = false;
    app.add_flag("-h,--help", help);
    app.set_version_flag("--version", std::string(EXTCALC_VERSION));
    app.allow_extras();

    Answers answers;
    struct Required {
        CLI::Option* option;
        std::string_view name;
    };
    const std::vector<Required> required{
        {app.add_option("--class", answers.fireClass), "--class"},
        {app.add_option("--hazard", answers.hazard), "--hazard"},
        {app.add_option("--k", answers.correction), "--k"},
        {app.add_option("--underground", answers.underground), "--underground"},
        {app.add_option("--extinguisher", answers.extinguisher), "--extinguisher"},
        {app.add_option("--area", answers.area), "--area"},
    };
    for (const auto& entry : required) {
        entry.option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
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
        const auto single = std::find_if(required.begin(), required.end(), [](const auto& entry) {
            return entry.option->count() != 0;
        });
        if (single != required.end()) {
            return usageError("选项 " + std::string(single->name) + " 不能与 --csv 同时使用");
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
    const auto missing = std::find_if(required.begin(), required.end(), [](const Required& entry) {
        return entry.option->count() == 0;
    });
    if (missing != required.end()) {
        return usageError("缺少选项 " + std::string(missing->name));
    }
    return calculate(answers);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        // Only resource exhaustion gets here; say so rather than abort.
        std::cerr << "extinguisher-calc-cli：" << e.what() << '\n';
        return kExitNoResult;
    }
}
