// SPDX-License-Identifier: MIT
#include "extcalc/project.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace extcalc::building {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

// Beside a unit's cells: how its 平面 stands to a drawing's arcs.
constexpr std::string_view kOutlineArcsKey = "outline_arcs";

std::size_t outlineColumn() {
    const auto columns = inputColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(
        std::find_if(columns.begin(), columns.end(),
                     [](const InputColumn& c) { return c.field == Field::Outline; }) -
        columns.begin());
}

// No building has this many units; a file this large is something else.
constexpr std::uintmax_t kMaxProjectBytes = std::uintmax_t{256} << 20U;

// Every key is optional when a file is read: a version 1 file has name, design_unit,
// designer, checker and date only.
constexpr std::array<ProjectInfoField, 14> kInfoKeys{{
    {"name", "工程名称", &ProjectInfo::name, InfoGroup::Project, ""},
    {"number", "工程编号", &ProjectInfo::number, InfoGroup::Project, ""},
    {"subproject", "子项", &ProjectInfo::subproject, InfoGroup::Project, ""},
    {"design_unit", "设计单位", &ProjectInfo::designUnit, InfoGroup::Project, ""},
    {"building_use", "建筑用途", &ProjectInfo::buildingUse, InfoGroup::Overview, ""},
    {"storeys", "建筑层数", &ProjectInfo::storeys, InfoGroup::Overview, ""},
    {"height", "建筑高度", &ProjectInfo::height, InfoGroup::Overview, "m"},
    {"total_area", "总建筑面积", &ProjectInfo::totalArea, InfoGroup::Overview, "m²"},
    {"designer", "设计人", &ProjectInfo::designer, InfoGroup::Signature, ""},
    {"checker", "校对人", &ProjectInfo::checker, InfoGroup::Signature, ""},
    {"reviewer", "审核", &ProjectInfo::reviewer, InfoGroup::Signature, ""},
    {"approver", "审定", &ProjectInfo::approver, InfoGroup::Signature, ""},
    {"discipline_lead", "专业负责人", &ProjectInfo::disciplineLead, InfoGroup::Signature, ""},
    {"date", "日期", &ProjectInfo::date, InfoGroup::Project, ""},
}};

}  // namespace

std::span<const ProjectInfoField> projectInfoFields() {
    return kInfoKeys;
}

std::string proposedFileName(const ProjectInfo& info) {
    std::string name;
    for (const char c : info.name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool refused = byte < 0x20 || byte == 0x7F ||
                             std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
        name.push_back(refused ? '_' : c);
    }
    // Windows drops blanks and dots at the end of a name, and a name of dots is a folder.
    const auto kept = name.find_last_not_of(" .");
    name.erase(kept == std::string::npos ? 0 : kept + 1);
    name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
    return (name.empty() ? std::string("未命名") : name) + std::string(kProjectExtension);
}

namespace {

// Line and column of a byte offset, as an editor counts them (columns in characters).
std::string placeOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    long line = 1;
    long column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U) {
            ++column;
        }
    }
    return "第 " + std::to_string(line) + " 行第 " + std::to_string(column) + " 列";
}

std::string unitPlace(std::size_t index, const Json& unit) {
    std::string place = "第 " + std::to_string(index + 1) + " 个计算单元";
    if (const auto name = unit.find("name");
        name != unit.end() && name->is_string() && !name->get_ref<const std::string&>().empty()) {
        place += "（" + name->get<std::string>() + "）";
    }
    return place;
}

// {"count": n ≥ 1, "tolerance_m": t > 0}, and nothing else.
std::optional<OutlineArcs> outlineArcsOf(const Json& value) {
    if (!value.is_object() || value.size() != 2) {
        return std::nullopt;
    }
    const auto count = value.find("count");
    const auto tolerance = value.find("tolerance_m");
    if (count == value.end() || tolerance == value.end() || !count->is_number_integer() ||
        !tolerance->is_number() || count->get<long long>() < 1 ||
        count->get<long long>() > 1'000'000 || !(tolerance->get<double>() > 0.0) ||
        !(tolerance->get<double>() < 1.0)) {
        return std::nullopt;
    }
    return OutlineArcs{static_cast<int>(count->get<long long>()), tolerance->get<double>()};
}

ProjectRead refuse(std::string place, std::string problem) {
    ProjectRead read;
    read.error = ProjectError{std::move(place), std::move(problem)};
    return read;
}

// A text value, or a number written without quotes where the column is typed text.
std::optional<std::string> textOf(const Json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_integer() || value.is_number_unsigned()) {
        return value.dump();
    }
    if (value.is_number_float()) {
        return value.dump();
    }
    return std::nullopt;
}

}  // namespace

std::string ProjectError::text() const {
    return place.empty() ? problem : place + "：" + problem;
}

std::optional<OutlineArcs> outlineArcsOf(const Project& project, const UnitCells& cells) {
    if (project.outlineArcs.empty() || project.standard != Standard::Gb50140_2005) {
        return std::nullopt;
    }
    const std::size_t column = outlineColumn();
    if (column >= cells.size() || cells[column].empty()) {
        return std::nullopt;
    }
    const auto found = project.outlineArcs.find(cells[column]);
    if (found == project.outlineArcs.end() || found->second.count <= 0) {
        return std::nullopt;
    }
    return found->second;
}

std::string outlineArcsText(const OutlineArcs& arcs) {
    char tolerance[40];
    const double cm = arcs.toleranceM * 100.0;
    std::snprintf(tolerance, sizeof tolerance,
                  std::abs(cm - std::round(cm)) < 1e-9 ? "%.0f cm" : "%.1f cm", cm);
    return "平面含圆弧 " + std::to_string(arcs.count) +
           " 段，按圆弧外侧的折线读入（平面只大不小），与圆弧相差不超过 " + tolerance;
}

void addOutlineArcsJson(const Project& project, const UnitCells& cells, nlohmann::json& unit) {
    if (const auto arcs = outlineArcsOf(project, cells)) {
        unit["outline_arcs"] = {{"count", arcs->count},
                                {"tolerance_m", arcs->toleranceM},
                                {"text", outlineArcsText(*arcs)}};
    }
}

std::string projectJson(const Project& project) {
    Json info = Json::object();
    for (const auto& key : kInfoKeys) {
        info[std::string(key.key)] = project.info.*key.member;
    }
    Json units = Json::array();
    const auto columns = inputColumns(project.standard);
    for (const UnitCells& cells : project.units) {
        Json unit = Json::object();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            unit[std::string(columns[c].key)] = c < cells.size() ? cells[c] : std::string();
        }
        if (const auto arcs = outlineArcsOf(project, cells)) {
            unit[std::string(kOutlineArcsKey)] = {{"count", arcs->count},
                                                  {"tolerance_m", arcs->toleranceM}};
        }
        units.push_back(std::move(unit));
    }
    Json file = Json::object();
    file["format"] = kProjectFormat;
    file["version"] = kProjectVersion;
    file["standard"] = standardCode(project.standard);
    file["project"] = std::move(info);
    file["units"] = std::move(units);
    return file.dump(2) + "\n";
}

std::string projectResultsJson(const Project& project, bool* failed) {
    bool anyFailed = false;
    nlohmann::json units = nlohmann::json::array();
    for (const UnitCells& cells : project.units) {
        const UnitOutcome outcome = evaluate(project.standard, cells);
        anyFailed = anyFailed || outcome.failed();
        const std::string_view name = cells.empty() ? std::string_view{} : cells.front();
        units.push_back(outcomeJson(project.standard, outcome, name));
        addOutlineArcsJson(project, cells, units.back());
    }
    if (failed != nullptr) {
        *failed = anyFailed;
    }
    return units.dump(2) + '\n';
}

ProjectRead readProject(std::string_view text) {
    Json file;
    try {
        file = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& error) {
        if (error.byte >= text.size()) {
            return refuse(placeOf(text, text.size()),
                          "文件在这里意外结束，内容不完整（可能没有保存完或被截断）");
        }
        return refuse(placeOf(text, error.byte > 0 ? error.byte - 1 : 0),
                      "这里不是有效的 JSON 文本，文件可能已损坏，或不是工程文件");
    } catch (const Json::out_of_range&) {
        // A number too large for any figure is read as an overflow, not a syntax error.
        return refuse("", "文件中有超出数值范围的数字，文件可能已损坏，或不是工程文件");
    }
    if (!file.is_object() || file.value("format", Json()) != Json(kProjectFormat)) {
        return refuse("", "这不是建筑灭火器配置设计的工程文件（缺少 \"format\": \"" +
                              std::string(kProjectFormat) + "\"）");
    }
    const auto version = file.find("version");
    if (version == file.end() || !version->is_number_integer() || version->get<long long>() < 1) {
        return refuse("“version”", "工程文件的版本号缺失或无效");
    }
    if (version->get<long long>() > kProjectVersion) {
        return refuse("“version”", "这个工程文件是较新版本的程序保存的（格式版本 " +
                                       std::to_string(version->get<long long>()) +
                                       "），本程序只能打开格式版本 " +
                                       std::to_string(kProjectVersion) + "；请使用新版程序打开");
    }

    Project project;
    const auto standard = file.find("standard");
    const auto parsed = standard != file.end() && standard->is_string()
                            ? parseStandard(standard->get<std::string>())
                            : std::nullopt;
    if (!parsed) {
        return refuse("“standard”", "规范缺失或无效（应为 \"GB 50140-2005\" 或 \"GBJ140-90\"）");
    }
    project.standard = *parsed;

    if (const auto info = file.find("project"); info != file.end()) {
        if (!info->is_object()) {
            return refuse("“project”", "工程信息应为对象");
        }
        for (const auto& key : kInfoKeys) {
            if (const auto value = info->find(key.key); value != info->end()) {
                if (!value->is_string()) {
                    return refuse("工程信息的“" + std::string(key.chinese) + "”", "应为文字");
                }
                project.info.*key.member = value->get<std::string>();
            }
        }
    }

    const auto units = file.find("units");
    if (units == file.end() || !units->is_array()) {
        return refuse("“units”", "缺少计算单元列表");
    }
    const auto columns = inputColumns(project.standard);
    project.units.reserve(units->size());
    for (std::size_t i = 0; i < units->size(); ++i) {
        const Json& unit = (*units)[i];
        if (!unit.is_object()) {
            return refuse("第 " + std::to_string(i + 1) + " 个计算单元", "应为对象");
        }
        UnitCells cells(columns.size());
        std::optional<OutlineArcs> arcs;
        for (const auto& [key, value] : unit.items()) {
            // clang before 16 cannot capture a structured binding in a lambda.
            const std::string& named = key;
            if (named == kOutlineArcsKey && project.standard == Standard::Gb50140_2005) {
                arcs = outlineArcsOf(value);
                if (!arcs) {
                    return refuse(unitPlace(i, unit) + "的“" + std::string(kOutlineArcsKey) + "”",
                                  "应为 {\"count\": 圆弧段数, \"tolerance_m\": 与圆弧相差的米数}");
                }
                continue;
            }
            const auto column = std::find_if(columns.begin(), columns.end(),
                                             [&](const InputColumn& c) { return c.key == named; });
            if (column == columns.end()) {
                return refuse(unitPlace(i, unit), "有未知的项“" + key + "”（" +
                                                      std::string(standardCode(project.standard)) +
                                                      " 的计算单元没有这一项）");
            }
            const auto cell = textOf(value);
            if (!cell) {
                return refuse(unitPlace(i, unit) + "的“" + std::string(column->chinese) + "”",
                              "应为文字");
            }
            const auto index = static_cast<std::size_t>(column - columns.begin());
            if (!fitsItsList(project.standard, index, *cell)) {
                return refuse(unitPlace(i, unit) + "的“" + std::string(column->chinese) + "”",
                              "“" + *cell + "”不在" + std::string(standardCode(project.standard)) +
                                  "的列表中");
            }
            cells[index] = *cell;
        }
        if (arcs) {
            const std::string& outline = cells[outlineColumn()];
            if (outline.empty()) {
                return refuse(unitPlace(i, unit) + "的“" + std::string(kOutlineArcsKey) + "”",
                              "说明了平面的圆弧，却没有平面");
            }
            project.outlineArcs[outline] = *arcs;
        }
        project.units.push_back(std::move(cells));
    }
    ProjectRead read;
    read.project = std::move(project);
    return read;
}

ProjectRead readProjectFile(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return refuse("", "这是一个文件夹，不是工程文件");
    }
    const auto size = fs::file_size(path, error);
    if (!error && size > kMaxProjectBytes) {
        return refuse("", "文件太大，不是工程文件");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return refuse("", fs::exists(path, error) ? "无法读取该文件；请检查文件的权限"
                                                  : "文件不存在；请检查文件名和所在的文件夹");
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return refuse("", "读取文件时出错");
    }
    return readProject(text.str());
}

namespace {

// The temporary files of saves of `target` that were killed before their rename. Only
// once this save's own file has taken its place, so the folder holds the whole project
// at every moment; and only this file's, by the exact prefix, nothing else in the folder.
// A save of the same file running at this very moment in another program loses its
// temporary file and reports that it failed; its own file is not touched.
void removeLeftovers(const fs::path& target, const fs::path& ours) {
    const fs::path::string_type prefix =
        target.filename().native() + fs::path(kSavingInfix).native();
    std::error_code error;
    fs::directory_iterator entries(
        target.parent_path().empty() ? fs::path(".") : target.parent_path(), error);
    if (error) {
        return;
    }
    std::vector<fs::path> leftovers;
    for (const fs::directory_entry& entry : entries) {
        const fs::path::string_type name = entry.path().filename().native();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.path().filename() != ours.filename() && entry.is_regular_file(error)) {
            leftovers.push_back(entry.path());
        }
    }
    for (const fs::path& leftover : leftovers) {
        fs::remove(leftover, error);
    }
}

}  // namespace

std::error_code writeFileSafely(const fs::path& path, std::string_view text) {
    std::error_code error;
    fs::path target = fs::weakly_canonical(path, error);
    if (error) {
        target = path;
    }
    std::random_device random;
    fs::path temporary = target;
    temporary += std::string(kSavingInfix) + std::to_string(random() % 1000000U);
    std::FILE* file = nullptr;
#ifdef _WIN32
    file = _wfopen(temporary.c_str(), L"wb");
#else
    file = std::fopen(temporary.c_str(), "wb");
#endif
    if (file == nullptr) {
        return {errno, std::generic_category()};
    }
    bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    int failure = written ? 0 : errno;
    // On the disk before the rename, or a crash right after it could leave an empty file
    // where the previous project was.
#ifdef _WIN32
    if (written && _commit(_fileno(file)) != 0) {
#else
    if (written && fsync(fileno(file)) != 0) {
#endif
        written = false;
        failure = errno;
    }
    if (std::fclose(file) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written) {
        fs::remove(temporary, error);
        return {failure != 0 ? failure : EIO, std::generic_category()};
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return error;
    }
    removeLeftovers(target, temporary);
    return error;
}

std::error_code writeProjectFile(const fs::path& path, const Project& project) {
    return writeFileSafely(path, projectJson(project));
}

}  // namespace extcalc::building
