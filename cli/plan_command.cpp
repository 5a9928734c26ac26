// SPDX-License-Identifier: MIT
#include "plan_command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/csv.h"
#include "extcalc/file_errors.h"
#include "extcalc/plan_project.h"
#include "extcalc/project.h"
#include "extcalc/unit_table.h"
#include "extcalc/units.h"

namespace extcalc::cli {

namespace {

constexpr std::string_view kProgram = "extinguisher-calc-cli：";

}  // namespace

int runPlanTable(const std::string& path, std::ostream& out, std::ostream& err) {
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) {
            err << kProgram << path << " 无法打开\n";
            return 2;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    csv::Reader reader(in);
    csv::Record header;
    if (!reader.next(header)) {
        err << kProgram << path << " 是空的或无法读取\n";
        return 2;
    }
    const auto layout = building::readUnitHeader(building::Standard::Gb50140_2005, header);
    if (!layout.layout) {
        err << kProgram << path << " " << layout.text << '\n';
        return 2;
    }
    auto units = nlohmann::json::array();
    bool failed = false;
    csv::Record record;
    long line = 1;
    while (reader.next(record)) {
        ++line;
        const building::UnitCells cells = building::cellsOf(*layout.layout, record);
        const building::UnitOutcome outcome =
            building::evaluate(building::Standard::Gb50140_2005, cells);
        nlohmann::json unit =
            building::outcomeJson(building::Standard::Gb50140_2005, outcome, cells.at(0));
        unit["line"] = line;
        failed = failed || outcome.failed() ||
                 (outcome.plan && outcome.plan->check && !outcome.plan->check->ok);
        units.push_back(std::move(unit));
    }
    if (reader.failure()) {
        err << kProgram << path << " 第 " << reader.failure()->line
            << " 行无法读取（应为 UTF-8）\n";
        return 2;
    }
    out << units.dump(2) << '\n';
    return failed ? 1 : 0;
}

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUnreadable = 2;

std::optional<building::Project> openProject(const std::string& path, std::ostream& err) {
    building::ProjectRead read = building::readProjectFile(path);
    if (!read.project) {
        err << kProgram << "无法打开工程“" << path << "”："
            << (read.error ? read.error->text() : std::string()) << '\n';
        return std::nullopt;
    }
    return std::move(read.project);
}

bool writeProject(const std::string& path, const building::Project& project, std::ostream& err) {
    if (const std::error_code error = building::writeProjectFile(path, project)) {
        err << kProgram << "无法写入工程“" << path << "”（"
            << building::describeFileError(error, building::FileUse::Write) << "）\n";
        return false;
    }
    return true;
}

std::string metres(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::optional<double> metresPerUnit(const std::string& units) {
    if (units == "mm") {
        return 0.001;
    }
    if (units == "m") {
        return 1.0;
    }
    return std::nullopt;
}

}  // namespace

int runProjectPlanCheck(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    const auto project = openProject(path, err);
    if (!project) {
        return kUnreadable;
    }
    bool failed = false;
    std::size_t withPlan = 0;
    auto units = nlohmann::json::array();
    for (const building::UnitCells& cells : project->units) {
        const building::UnitOutcome outcome = building::evaluate(project->standard, cells);
        const std::string name = cells.empty() ? std::string() : cells.front();
        const bool covered = outcome.plan && outcome.plan->check && outcome.plan->check->ok;
        if (outcome.plan) {
            ++withPlan;
            failed = failed || outcome.failed() || !covered;
        }
        if (json) {
            units.push_back(building::outcomeJson(project->standard, outcome, name));
            building::addOutlineArcsJson(*project, cells, units.back());
            continue;
        }
        if (!outcome.plan) {
            out << name << "：没有平面，不检查\n";
            continue;
        }
        const building::PlanOutcome& plan = *outcome.plan;
        if (!plan.error.empty() || !plan.check) {
            out << name << "：错误：" << (plan.error.empty() ? outcome.problemText() : plan.error)
                << '\n';
            continue;
        }
        const plan::Check& check = *plan.check;
        out << name << "：" << plan.points.size() << " 个设置点（" << building::pointsSource(plan)
            << "），";
        if (std::isfinite(check.worstDistance)) {
            out << "最不利点 (" << metres(check.worstAt.x) << ", " << metres(check.worstAt.y)
                << ") 距最近的设置点 " << metres(check.worstDistance) << " m "
                << (check.ok ? "≤" : ">") << " 最大保护距离 " << plan.radiusM << " m，"
                << (check.ok ? "满足" : "不满足") << " 5.2.1/5.2.2\n";
        } else {
            out << "有房间没有设置点，不满足 5.2.1/5.2.2\n";
        }
        if (const auto arcs = building::outlineArcsOf(*project, cells)) {
            out << name << "：" << building::outlineArcsText(*arcs) << '\n';
        }
    }
    if (json) {
        out << units.dump(2) << '\n';
    }
    if (withPlan == 0) {
        err << kProgram << "工程“" << path << "”中没有带平面的计算单元\n";
    }
    return failed ? kFailed : kOk;
}

int runProjectPlace(const std::string& path, const std::string& outPath, std::ostream& err) {
    const auto project = openProject(path, err);
    if (!project) {
        return kUnreadable;
    }
    if (project->standard != building::Standard::Gb50140_2005) {
        err << kProgram << "工程“" << path << "”按 GBJ140-90 计算，没有平面\n";
        return kUnreadable;
    }
    const building::ProjectPlacement placed = building::placeProjectPoints(*project);
    const std::string target = outPath.empty() ? path : outPath;
    if (!writeProject(target, placed.project, err)) {
        return kUnreadable;
    }
    // The designer's own points taken out are named: they are gone from the file.
    for (const std::string& name : placed.replaced) {
        err << kProgram << "“" << name
            << "”：设计人员给出的设置点不满足最大保护距离，已换为程序布置的设置点\n";
    }
    bool failed = false;
    for (const building::UnitCells& cells : placed.project.units) {
        const building::UnitOutcome outcome = building::evaluate(placed.project.standard, cells);
        if (outcome.plan &&
            (outcome.failed() || !outcome.plan->check || !outcome.plan->check->ok)) {
            failed = true;
            err << kProgram << "“" << cells.front() << "”：" << outcome.problemText() << '\n';
        }
    }
    err << kProgram << "已为 " << placed.placed.size() << " 个计算单元布置设置点";
    if (!placed.replaced.empty()) {
        err << "（其中 " << placed.replaced.size() << " 个换下了设计人员给出的设置点）";
    }
    err << "，写入工程“" << target << "”\n";
    return failed ? kFailed : kOk;
}

int runDxfImport(const std::string& dxfPath, const std::string& layer, const std::string& units,
                 const std::string& basePath, const std::string& outPath, std::ostream& err) {
    plan::dxf::ImportOptions options;
    options.layer = layer;
    if (!units.empty()) {
        options.metresPerUnit = metresPerUnit(units);
        if (!options.metresPerUnit) {
            err << kProgram << "选项 --units 的取值“" << units << "”无效（应为 mm 或 m）\n";
            return kUnreadable;
        }
    }
    std::ifstream file(dxfPath, std::ios::binary);
    if (!file) {
        err << kProgram << "无法打开图纸“" << dxfPath << "”（"
            << building::describeFileError({errno, std::generic_category()},
                                           building::FileUse::Read)
            << "）\n";
        return kUnreadable;
    }
    // No floor plan's drawing is this large; a file that is has no place in memory here.
    constexpr std::uintmax_t kMaxDxfBytes = std::uintmax_t{512} << 20U;
    std::error_code sizeError;
    if (std::filesystem::file_size(dxfPath, sizeError) > kMaxDxfBytes && !sizeError) {
        err << kProgram << "图纸“" << dxfPath << "”超过 512 MB，不读取\n";
        return kUnreadable;
    }
    std::ostringstream text;
    text << file.rdbuf();
    building::Project base;
    if (!basePath.empty()) {
        auto read = openProject(basePath, err);
        if (!read) {
            return kUnreadable;
        }
        base = std::move(*read);
    }
    const building::RoomsImport imported =
        building::importRoomsIntoProject(text.str(), options, std::move(base));
    for (const std::string& warning : imported.warnings) {
        err << kProgram << "警告：" << warning << '\n';
    }
    for (const std::string& note : imported.notes) {
        err << kProgram << "注意：" << note << '\n';
    }
    if (!imported.project) {
        err << kProgram << "图纸“" << dxfPath << "”不能读入：" << imported.error << '\n';
        return kUnreadable;
    }
    if (!writeProject(outPath, *imported.project, err)) {
        return kUnreadable;
    }
    err << kProgram << "已从图纸读入 " << imported.added + imported.joined << " 个房间（新计算单元 "
        << imported.added << " 个，并入同名计算单元 " << imported.joined << " 个），写入工程“"
        << outPath << "”\n";
    return kOk;
}

int runDxfExport(const std::string& path, const std::string& dxfPath, const std::string& units,
                 std::ostream& err) {
    const auto unit = metresPerUnit(units.empty() ? "mm" : units);
    if (!unit) {
        err << kProgram << "选项 --units 的取值“" << units << "”无效（应为 mm 或 m）\n";
        return kUnreadable;
    }
    const auto project = openProject(path, err);
    if (!project) {
        return kUnreadable;
    }
    std::vector<std::string> skipped;
    const std::string drawing = building::projectPointsDxf(*project, *unit, &skipped);
    if (const std::error_code error = building::writeFileSafely(dxfPath, drawing)) {
        err << kProgram << "无法写入图纸“" << dxfPath << "”（"
            << building::describeFileError(error, building::FileUse::Write) << "）\n";
        return kUnreadable;
    }
    for (const std::string& name : skipped) {
        err << kProgram << "“" << name << "”有错误，其设置点未写入图纸\n";
    }
    err << kProgram << "已将设置点写入图纸“" << dxfPath << "”（图层“灭火器”）\n";
    return skipped.empty() ? kOk : kFailed;
}

}  // namespace extcalc::cli
