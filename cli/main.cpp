// SPDX-License-Identifier: MIT
// extinguisher-calc-cli: the window's calculation for scripts and batch work, and one
// calculation unit after GB 50140-2005.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch.h"
#include "choices.h"
#include "console.h"
#include "extcalc/answers.h"
#include "extcalc/answers2005.h"
#include "extcalc/faults.h"
#include "extcalc/texts.h"
#include "extcalc/units.h"
#include "plan_command.h"
#include "project_command.h"
#include "report_command.h"

namespace {

using namespace extcalc;

constexpr int kExitOk = 0;
constexpr int kExitNoResult = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kHelp =
    "不给 --standard 时按已废止的《建筑灭火器配置设计规范》GBJ140-90 计算（与窗口相同）；\n"
    "按现行 GB 50140-2005 计算请加 --standard 2005。\n"
    "\n"
    "用法：extinguisher-calc-cli --class 类别 --hazard 等级 --k 系数 --underground 是否\n"
    "                            --extinguisher 灭火器 --area 面积\n"
    "      extinguisher-calc-cli --csv 表格.csv [--standard 2005|1990] [--out 结果.csv] "
    "[--no-bom]\n"
    "      extinguisher-calc-cli --csv 表格.csv [--standard 2005|1990] --out 工程.exdesign\n"
    "      extinguisher-calc-cli --project 工程.exdesign [--json]\n"
    "      extinguisher-calc-cli --list | --help | --version\n"
    "      extinguisher-calc-cli --standard 2005 --class 类别 [--e-basis A|B] --hazard 等级\n"
    "                            --k 系数 --special 是否 --area 面积 --points 点数\n"
    "                            --extinguisher 型号 [--name 名称] [--json]\n"
    "      extinguisher-calc-cli --standard 2005 --list\n"
    "      extinguisher-calc-cli --project 工程.exdesign --report 计算书.pdf|计算书.html\n"
    "      extinguisher-calc-cli --csv 表格.csv --standard 2005 --place|--plan-check --json\n"
    "      extinguisher-calc-cli --project 工程.exdesign --plan-check [--json]\n"
    "      extinguisher-calc-cli --project 工程.exdesign --place [--out 新工程.exdesign]\n"
    "      extinguisher-calc-cli --dxf 平面.dxf --layer 图层 --standard 2005 --out 工程.exdesign\n"
    "                            [--units mm|m] [--project 基础工程.exdesign]\n"
    "      extinguisher-calc-cli --project 工程.exdesign --export-dxf 设置点.dxf [--units mm|m]\n"
    "\n"
    "--standard 选择规范：1990（默认，也可写 GBJ140-90）或 2005（也可写 GB50140-2005）。\n"
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
    "                        与 --standard 2005 一起时每行一个 GB 50140-2005 计算单元，表头为\n"
    "                        "
    "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
    "                        （或 name,class,e_basis,hazard,k,special,area,points,extinguisher；\n"
    "                        E类按 仅E类需要；几类火灾写成 A+B 等），结果加 U、Q、需配灭火级别、\n"
    "                        Qe、每点需配灭火级别、\n"
    "                        单具最小灭火级别、每点具数、合计具数、最大保护距离、问题\n"
    "  --out 文件            批量计算的结果表写入该文件（默认标准输出）；文件名以 .exdesign\n"
    "                        结尾时改为把表格转为该规范的工程文件\n"
    "  --project 文件        计算工程文件的每个计算单元并逐个输出；加 --json 时输出 JSON 数组\n"
    "  --no-bom              结果表开头不写 UTF-8 字节顺序标记\n"
    "  --list                列出各类火灾的全部选项及编号\n"
    "  -h, --help            显示本帮助\n"
    "  --version             显示版本\n"
    "\n"
    "\n"
    "按 GB 50140-2005《建筑灭火器配置设计规范》计算一个计算单元（--standard 2005），\n"
    "除 --e-basis、--name、--json 外各项都必须给出：\n"
    "  --class 类别          火灾种类：A、B、C、D 或 E（大小写均可；D类不作计算）\n"
    "                        几类火灾的场所用 + 连接，如 A+B、A+E、B+C：逐类计算 Q、Qe，\n"
    "                        所选灭火器须适用于每一类，每点具数取各类中最多者\n"
    "  --e-basis A|B         仅E类火灾，且必须给出：按该场所A类还是B类的规定确定\n"
    "  --hazard 等级         1 轻危险级、2 中危险级、3 严重危险级，编号或名称\n"
    "  --k 系数              修正系数：编号 1–5、该项原文或数值（1.0、0.9、0.7、0.5、0.3）\n"
    "  --special 是否        是否歌舞娱乐放映游艺场所、网吧、商场、寺庙以及地下场所等\n"
    "                        （Q 乘以 1.3）：yes、no、是 或 否\n"
    "  --area 面积           保护面积 S（平方米），可带单位 平方米、m2 或 m²，最多6位小数\n"
    "  --points 点数         设置点数 N，1–10000 的整数\n"
    "  --extinguisher 型号   附录A型号（如 MF/ABC4，大小写均可）或自备型号的灭火级别，\n"
    "                        如 3A/55B、4A、89B、6A/推车式\n"
    "  --nonmetal-horn 是否  E类火灾选用二氧化碳灭火器时，是否为非金属喇叭喷筒（4.2）：\n"
    "                        是 则不再提示；否 为错误；不给出时提示请注明\n"
    "  --name 名称           计算单元名称，写在结果开头\n"
    "  --json                结果以一个 JSON 对象输出（供脚本使用）\n"
    "  --list                与 --standard 2005 一起时列出该规范的各项选项和灭火器型号\n"
    "\n"
    "  --project 文件 --report 计算书  由工程文件生成计算书，按扩展名写成 PDF 或 HTML\n"
    "  --project 文件 --plan-image 文件夹  把每个带平面的计算单元的平面图写成 SVG 和 PNG\n"
    "\n"
    "平面与设置点（--csv 表格 --standard 2005，结果为 JSON 数组）：表格可另有两列\n"
    "  平面（outline）     长x宽（单位 m，如 68x30，原点在左下角）或 WKT POLYGON((x y, …), (洞 "
    "…))\n"
    "  设置点（points_at） 设计人员定的设置点“x y; x y; …”，只检查、不移动\n"
    "  --plan-check          检查每个单元的设置点：最不利点及其距离、是否不超过最大保护距离\n"
    "  --place               没有设置点的单元沿墙（距墙不大于 0.5 m）布置最少的设置点并检查；\n"
    "                        设置点数 为空时取布置的点数\n"
    "  平面也可为 WKT MULTIPOLYGON(((…)), ((…)))：一个计算单元的几个房间\n"
    "\n"
    "工程的平面：\n"
    "  --project 工程 --plan-check  逐个计算单元检查最不利点与最大保护距离（加 --json 输出 JSON）\n"
    "  --project 工程 --place       为没有设置点或设置点未通过检查的单元布置设置点，写入 --out\n"
    "                        给出的新工程（不给 --out 时写回原工程）；填写的 设置点数 不变\n"
    "  --dxf 图纸 --layer 图层      把 DXF 图纸该图层上闭合的多段线作为房间读入工程（--out），\n"
    "                        房间内的文字为名称，与已有计算单元同名时并入该单元；单位取图纸的\n"
    "                        $INSUNITS，或由 --units mm|m 指定\n"
    "  --export-dxf 图纸        把工程的设置点写成 DXF（R12）图纸，图层“灭火器”，单位默认 mm\n"
    "\n"
    "示例：\n"
    "  extinguisher-calc-cli --class A --hazard 2 --k 2 --underground no --extinguisher 3 "
    "--area 300\n"
    "  extinguisher-calc-cli --standard 2005 --class A --hazard 2 --k 2 --special no "
    "--area 1500 --points 2 --extinguisher MF/ABC4\n"
    "\n"
    "退出状态：0 已算出结果；1 无法给出结果（D类火灾、面积超出范围），或建筑面积为负数、\n"
    "          不是数值或数值后有多余文字（结果照窗口的读数输出，标准错误输出警告），\n"
    "          批量计算时为有行出错；\n"
    "          2 参数错误，批量计算时为表格无法读取。\n"
    "计算工程（--project）时：0 全部算出且无错误；1 有计算单元出错；2 文件无法打开或不是工程。\n"
    "生成计算书（--report）时：0 已写出且无错误；1 无法写入，或有计算单元出错（计算书照常写出，\n"
    "          标准错误输出列出这些计算单元）；2 文件无法打开或不是工程。\n"
    "按 GB 50140-2005 计算时：0 已算出且无错误（可有警告）；1 计算单元有错误（D类火灾、\n"
    "灭火器不适用、无相应灭火级别、低于单具最小配置灭火级别），结果和问题照常输出；\n"
    "2 参数错误。\n";

using building::Standard;

// Every answer either standard takes, each one option; the classic ones first.
constexpr std::array<building::Field, 10> kAllFields{
    building::Field::Class,       building::Field::Hazard,       building::Field::K,
    building::Field::Underground, building::Field::Extinguisher, building::Field::Area,
    building::Field::EBasis,      building::Field::Special,      building::Field::Points,
    building::Field::Horn,
};

struct GivenOption {
    std::string value;
    CLI::Option* option = nullptr;
    [[nodiscard]] bool given() const { return option->count() != 0; }
};

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

    // The window reads such an area too, and so does the command line, whose output stays
    // the window's; but a script must not take 1 m² for the 1,200 that was meant, nor a
    // negative count for a result, without a word and a failing status.
    for (const auto& warning : check.warnings) {
        std::cerr << "extinguisher-calc-cli：警告："
                  << building::describe(warning, building::Naming::Option) << "，结果按此算出\n";
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
    if (!check.warnings.empty()) {
        std::cerr << "extinguisher-calc-cli：建筑面积有误，以上结果与窗口按同样读数算出的相同，"
                     "但不能用于设计\n";
        return kExitNoResult;
    }
    return kExitOk;
}

// Options that belong to the other standard, each named.
int foreignOptions(const std::vector<std::string>& names, std::string_view standard) {
    for (const auto& name : names) {
        std::cerr << "extinguisher-calc-cli：选项 " << name << " 不能与 --standard " << standard
                  << " 同时使用\n";
    }
    std::cerr << "（用 --help 查看用法）\n";
    return kExitUsage;
}

int calculate2005(const std::map<building::Field, GivenOption>& options,
                  std::optional<std::string_view> name, bool json) {
    building::Answers2005 answers;
    for (const building::Field field : building::kFields2005) {
        if (const GivenOption& given = options.at(field); given.given()) {
            answers[field] = given.value;
        }
    }
    const building::Check2005 check = building::check2005(answers);
    if (!check.unit) {
        return usageErrors(check.faults);
    }
    const gb50140::Result result = gb50140::calculate(*check.unit, check.classes);
    if (json) {
        std::cout << building::unitJson(result, name).dump(2) << '\n';
    } else {
        std::cout << building::unitText(*check.unit, result, name);
    }
    return result.hasError() ? kExitNoResult : kExitOk;
}

// A table or a project file, with no option of a single unit beside it.
int tableOrProject(const CLI::App& app, const std::map<building::Field, GivenOption>& options,
                   const CLI::Option* projectOption, const CLI::Option* csvOption,
                   Standard standard) {
    const bool project = projectOption->count() != 0;
    const std::string with = project ? "--project" : "--csv";
    std::vector<std::string> unitOptions{"--name", "--list"};
    if (project) {
        unitOptions.insert(unitOptions.end(), {"--csv", "--out", "--no-bom", "--standard"});
    } else {
        unitOptions.emplace_back("--json");
    }
    std::transform(options.begin(), options.end(), std::back_inserter(unitOptions),
                   [](const auto& entry) { return entry.second.option->get_name(); });
    for (const auto& name : unitOptions) {
        if (app.get_option(name)->count() != 0) {
            return usageError(std::string("选项 ")
                                  .append(name)
                                  .append(" 不能与 ")
                                  .append(with)
                                  .append(" 同时使用"));
        }
    }
    const auto value = [&app](const std::string& name) {
        return app.get_option(name)->as<std::string>();
    };
    if (app.get_option("--report")->count() != 0) {
        for (const char* name : {"--json", "--out", "--no-bom"}) {
            if (app.get_option(name)->count() != 0) {
                return usageError(std::string("选项 ") + name + " 不能与 --report 同时使用");
            }
        }
        return cli::runReportCommand(
            project ? cli::ReportSource::Project : cli::ReportSource::Table, value(with), standard,
            value("--report"), std::cerr);
    }
    if (project) {
        return cli::runProject(value("--project"), app.get_option("--json")->count() != 0,
                               std::cout, std::cerr);
    }
    const std::string out = app.get_option("--out")->count() != 0 ? value("--out") : "";
    if (cli::namesProjectFile(out)) {
        return cli::runTableToProject(csvOption->as<std::string>(), standard, out, std::cerr);
    }
    // Row by row through large tables: the C stdio synchronisation would only slow it.
    std::ios::sync_with_stdio(false);
    cli::BatchOptions batch;
    batch.standard = standard;
    batch.byteOrderMark = app.get_option("--no-bom")->count() == 0;
    return cli::runBatchFiles(csvOption->as<std::string>(), out, batch, std::cerr);
}

int run(int argc, const char* const* argv) {
    CLI::App app{"", "extinguisher-calc-cli"};
    // CLI11 lays out its own help by bytes, which misaligns Chinese; the help is ours.
    app.set_help_flag();
    bool help = false;
    app.add_flag("-h,--help", help);
    app.set_version_flag("--version", std::string(EXTCALC_VERSION));
    app.allow_extras();

    // One option per answer of either calculation.
    std::map<building::Field, GivenOption> options;
    for (const building::Field field : kAllFields) {
        GivenOption& given = options[field];
        given.option = app.add_option(std::string(building::optionName(field)), given.value);
        given.option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
    std::string standardText;
    std::string unitName;
    bool json = false;
    CLI::Option* standardOption = app.add_option("--standard", standardText);
    CLI::Option* nameOption = app.add_option("--name", unitName);
    CLI::Option* jsonOption = app.add_flag("--json", json);
    bool list = false;
    app.add_flag("--list", list);
    std::string csvPath;
    std::string outPath;
    bool noBom = false;
    CLI::Option* csvOption = app.add_option("--csv", csvPath);
    CLI::Option* outOption = app.add_option("--out", outPath);
    CLI::Option* noBomOption = app.add_flag("--no-bom", noBom);
    std::string projectPath;
    std::string reportPath;
    CLI::Option* projectOption = app.add_option("--project", projectPath);
    CLI::Option* reportOption = app.add_option("--report", reportPath);
    for (auto* option :
         {csvOption, outOption, standardOption, nameOption, projectOption, reportOption}) {
        option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
    std::string planImageDir;
    CLI::Option* planImageOption = app.add_option("--plan-image", planImageDir);
    planImageOption->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    bool place = false;
    bool planCheck = false;
    app.add_flag("--place", place);
    app.add_flag("--plan-check", planCheck);
    std::string dxfPath;
    std::string layer;
    std::string units;
    std::string exportPath;
    CLI::Option* dxfOption = app.add_option("--dxf", dxfPath);
    CLI::Option* layerOption = app.add_option("--layer", layer);
    CLI::Option* unitsOption = app.add_option("--units", units);
    CLI::Option* exportOption = app.add_option("--export-dxf", exportPath);
    for (auto* option : {dxfOption, layerOption, unitsOption, exportOption}) {
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
    Standard standard = Standard::Gbj140_90;
    if (standardOption->count() != 0) {
        const auto chosen = building::parseStandard(standardText);
        if (!chosen) {
            return usageError("选项 --standard 的取值“" + standardText +
                              "”无效（应为 1990、GBJ140-90、2005 或 GB50140-2005）");
        }
        standard = *chosen;
    }
    if (planImageOption->count() != 0) {
        const bool others = csvOption->count() + outOption->count() + reportOption->count() +
                                    standardOption->count() + jsonOption->count() +
                                    dxfOption->count() + exportOption->count() !=
                                0 ||
                            place || planCheck;
        if (projectOption->count() == 0 || others) {
            return usageError("选项 --plan-image 须与 --project 一起使用，且不与其他选项同用");
        }
        return cli::runPlanImages(projectPath, planImageDir, std::cout, std::cerr);
    }
    const auto isGiven = [](const CLI::Option* option) { return option->count() != 0; };
    if (isGiven(dxfOption)) {
        if (!isGiven(layerOption) || !isGiven(outOption) || !cli::namesProjectFile(outPath) ||
            standard != Standard::Gb50140_2005 || place || planCheck || json ||
            isGiven(csvOption) || isGiven(reportOption) || isGiven(exportOption)) {
            return usageError(
                "--dxf 图纸 须与 --layer 图层 --standard 2005 --out 工程.exdesign 一起使用"
                "（可另给 --units mm|m 和作为基础的 --project 工程）");
        }
        return cli::runDxfImport(dxfPath, layer, units,
                                 isGiven(projectOption) ? projectPath : std::string(), outPath,
                                 std::cerr);
    }
    if (isGiven(exportOption)) {
        if (!isGiven(projectOption) || place || planCheck || json || isGiven(csvOption) ||
            isGiven(outOption) || isGiven(reportOption) || isGiven(layerOption)) {
            return usageError(
                "--export-dxf 图纸 须与 --project 工程 一起使用（可另给 --units mm|m）");
        }
        return cli::runDxfExport(projectPath, exportPath, units, std::cerr);
    }
    if (isGiven(layerOption) || isGiven(unitsOption)) {
        return usageError(std::string(isGiven(layerOption) ? "--layer" : "--units") +
                          " 只能与 --dxf 或 --export-dxf 一起使用");
    }
    if ((place || planCheck) && isGiven(projectOption)) {
        if ((place && planCheck) || isGiven(csvOption) || isGiven(reportOption) ||
            isGiven(standardOption) || (place && json) || (planCheck && isGiven(outOption))) {
            return usageError(
                "工程的平面：--project 工程 --plan-check [--json]，或 --project 工程 "
                "--place [--out 新工程.exdesign]");
        }
        if (place) {
            if (isGiven(outOption) && !cli::namesProjectFile(outPath)) {
                return usageError("--place 的 --out 应为 .exdesign 工程文件");
            }
            return cli::runProjectPlace(projectPath, isGiven(outOption) ? outPath : std::string(),
                                        std::cerr);
        }
        return cli::runProjectPlanCheck(projectPath, json, std::cout, std::cerr);
    }
    if (place || planCheck) {
        if (csvOption->count() == 0 || standard != Standard::Gb50140_2005 || !json ||
            (place && planCheck) || outOption->count() != 0 || reportOption->count() != 0) {
            return usageError(std::string(place ? "--place" : "--plan-check") +
                              " 须与 --csv 表格 --standard 2005 --json 或 --project 工程 一起使用");
        }
        return cli::runPlanTable(csvPath, std::cout, std::cerr);
    }
    if (projectOption->count() != 0 || csvOption->count() != 0) {
        return tableOrProject(app, options, projectOption, csvOption, standard);
    }
    if (reportOption->count() != 0) {
        return usageError("选项 --report 须与 --project 或 --csv 一起使用");
    }
    if (outOption->count() != 0 || noBomOption->count() != 0) {
        return usageError(std::string(outOption->count() != 0 ? "--out" : "--no-bom") +
                          " 只能与 --csv 一起使用");
    }
    if (standard == Standard::Gb50140_2005) {
        if (const CLI::Option* underground = options.at(building::Field::Underground).option;
            underground->count() != 0) {
            return foreignOptions({underground->get_name()}, standardText);
        }
        if (list) {
            cli::printLists2005(std::cout);
            return kExitOk;
        }
        return calculate2005(
            options,
            nameOption->count() != 0 ? std::optional<std::string_view>(unitName) : std::nullopt,
            json);
    }
    {
        std::vector<std::string> foreign;
        for (CLI::Option* option :
             {options.at(building::Field::EBasis).option,
              options.at(building::Field::Special).option,
              options.at(building::Field::Points).option, options.at(building::Field::Horn).option,
              nameOption, jsonOption}) {
            if (option->count() != 0) {
                foreign.push_back(option->get_name());
            }
        }
        if (!foreign.empty()) {
            return foreignOptions(foreign, standardOption->count() != 0 ? standardText : "1990");
        }
    }

    if (list) {
        cli::printLists(std::cout);
        return kExitOk;
    }
    building::ClassicAnswers answers;
    for (std::size_t i = 0; i < answers.given.size(); ++i) {
        if (const GivenOption& given = options.at(static_cast<building::Field>(i)); given.given()) {
            answers.given.at(i) = given.value;
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
