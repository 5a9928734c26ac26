// SPDX-License-Identifier: MIT
#include "project_command.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "batch.h"
#include "extcalc/answers.h"
#include "extcalc/file_errors.h"
#include "extcalc/project.h"
#include "extcalc/unit_table.h"

namespace extcalc::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProgram = "extinguisher-calc-cli：";

}  // namespace

bool namesProjectFile(std::string_view path) {
    const std::string_view extension = building::kProjectExtension;
    return path.size() > extension.size() &&
           building::equalsIgnoringAsciiCase(path.substr(path.size() - extension.size()),
                                             extension);
}

int runProject(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    const building::ProjectRead read = building::readProjectFile(path);
    if (!read.project) {
        err << kProgram << "无法打开工程“" << path << "”："
            << (read.error ? read.error->text() : std::string()) << '\n';
        return kBatchUnreadable;
    }
    const building::Project& project = *read.project;
    bool failed = false;
    if (json) {
        out << building::projectResultsJson(project, &failed);
    } else {
        for (std::size_t i = 0; i < project.units.size(); ++i) {
            const building::UnitCells& cells = project.units[i];
            const building::UnitOutcome outcome = building::evaluate(project.standard, cells);
            failed = failed || outcome.failed();
            const std::string_view name = cells.empty() ? std::string_view{} : cells.front();
            out << (i == 0 ? "" : "\n") << building::outcomeText(project.standard, outcome, name);
        }
    }
    return failed ? kBatchRowsFailed : kBatchOk;
}

int runTableToProject(const std::string& inputPath, building::Standard standard,
                      const std::string& outputPath, std::ostream& err) {
    std::ifstream file;
    if (inputPath != "-") {
        file.open(inputPath, std::ios::binary);
        if (!file) {
            err << kProgram << "无法打开输入文件“" << inputPath << "”（"
                << building::describeFileError({errno, std::generic_category()},
                                               building::FileUse::Read)
                << "）\n";
            return kBatchUnreadable;
        }
    }
    if (std::error_code error; inputPath != "-" && fs::equivalent(inputPath, outputPath, error)) {
        err << kProgram << "无法写入工程“" << outputPath
            << "”（这就是输入的表格，写入会毁掉它；请给工程另选一个文件名）\n";
        return kBatchUnreadable;
    }
    const building::ProjectRead read =
        building::readTableAsProject(inputPath == "-" ? std::cin : file, standard);
    if (!read.project) {
        err << kProgram << "表格“" << inputPath << "”不能转为工程："
            << (read.error ? read.error->text() : std::string()) << '\n';
        return kBatchUnreadable;
    }
    if (const std::error_code error = building::writeProjectFile(outputPath, *read.project)) {
        err << kProgram << "无法写入工程“" << outputPath << "”（"
            << building::describeFileError(error, building::FileUse::Write) << "）\n";
        return kBatchUnreadable;
    }
    err << kProgram << "已将 " << read.project->units.size() << " 个计算单元写入工程“" << outputPath
        << "”\n";
    return kBatchOk;
}

}  // namespace extcalc::cli
