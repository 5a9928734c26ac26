// SPDX-License-Identifier: MIT
#pragma once

// A building's calculation units as one project, and its file: JSON that people and
// version control can read, holding the inputs only. Results are computed afresh
// whenever a project is read, so a file can never hold figures that no longer follow
// from its inputs.

#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "extcalc/units.h"

namespace extcalc::building {

inline constexpr std::string_view kProjectFormat = "extinguisher-design";
// 4: a unit whose 平面 was read from a drawing's arcs says so, "outline_arcs": {"count": 2,
// "tolerance_m": 0.01} beside its cells (optional; files of version 3 open as they were).
// 3: a unit's class may name several classes, "A+B" (still one text, so nothing else
// changes; the number tells an older program the file is not its own).
// 2: the project's number, sub-item, reviewers and building overview; units of 2005 with
// the CO₂ horn and the basis of the hazard level. 3 also gives units of 2005 their plan: the
// rooms' outlines (outline) and the fixed setting points (points_at). Files of versions 1 and 2
// open as they were.
inline constexpr int kProjectVersion = 4;
inline constexpr std::string_view kProjectExtension = ".exdesign";

// Typed by the designer, every one of them; nothing is filled in for them.
struct ProjectInfo {
    std::string name;            // 工程名称
    std::string number;          // 工程编号
    std::string subproject;      // 子项
    std::string designUnit;      // 设计单位
    std::string buildingUse;     // 建筑用途, with the three below the 建筑概况
    std::string storeys;         // 建筑层数
    std::string height;          // 建筑高度 (m)
    std::string totalArea;       // 总建筑面积 (m²)
    std::string designer;        // 设计人
    std::string checker;         // 校对人
    std::string reviewer;        // 审核
    std::string approver;        // 审定
    std::string disciplineLead;  // 专业负责人
    std::string date;            // 日期
    bool operator==(const ProjectInfo&) const = default;
};

// Where a field belongs on the report's title page.
enum class InfoGroup {
    Project,    // the particulars beside the name
    Overview,   // 建筑概况
    Signature,  // a person who signs: a name and a line for the signature
};

// The project's fields in the order forms and files show them: the file's key, the label
// every front end shows, and where the text lives. A new field is added here once and
// reaches the file, the workbook, the page and the report.
struct ProjectInfoField {
    std::string_view key;
    std::string_view chinese;
    std::string ProjectInfo::*member;
    InfoGroup group = InfoGroup::Project;
    std::string_view unit;  // of a figure the designer types: "m", "m²"; empty otherwise
};
std::span<const ProjectInfoField> projectInfoFields();

// How a 平面 read from a drawing stands to the drawing's arcs: each replaced by straight
// segments on the side away from the floor, within toleranceM of it, so the 平面 is a little
// larger than the drawn floor, never smaller.
struct OutlineArcs {
    int count = 0;
    double toleranceM = 0.0;
    bool operator==(const OutlineArcs&) const = default;
};

struct Project {
    ProjectInfo info;
    // New projects follow the current standard; GBJ140-90 serves buildings designed under it.
    Standard standard = Standard::Gb50140_2005;
    std::vector<UnitCells> units;  // each as inputColumns(standard) orders them
    // By the text of the 平面 they were read into: whatever unit holds that text (moved,
    // copied, reordered) has them, and a 平面 typed anew has none. The grid's columns stay as
    // they are.
    std::map<std::string, OutlineArcs> outlineArcs;
    bool operator==(const Project&) const = default;
};

// The arcs behind a unit's 平面, if it was read from a drawing's arcs.
std::optional<OutlineArcs> outlineArcsOf(const Project& project, const UnitCells& cells);
// What the 计算书 and the command line say of them: "平面含圆弧 2 段，按圆弧外侧的折线读入（平面
// 只大不小），与圆弧相差不超过 1 cm".
std::string outlineArcsText(const OutlineArcs& arcs);
// outline_arcs for the unit's JSON: count, tolerance_m and the text; nothing without arcs.
void addOutlineArcsJson(const Project& project, const UnitCells& cells, nlohmann::json& unit);

// The name a new project's file is proposed under: the project's name with what no
// file system takes (\ / : * ? " < > | and control characters) replaced, 未命名 for none.
std::string proposedFileName(const ProjectInfo& info);

// The project as its file holds it: indented, keys in a fixed order, a line end last.
std::string projectJson(const Project& project);

// What every unit of the project computes to, as a JSON array with one object per unit
// as outcomeJson gives it, indented, a line end last: the command line's --json output,
// and the page's, byte for byte. failed, when given, tells whether any unit has an error.
std::string projectResultsJson(const Project& project, bool* failed = nullptr);

// Why a text is not a project this program can open: where, and what is wrong there.
struct ProjectError {
    std::string place;  // "第 12 行第 5 列", "第 3 个计算单元（办公室）的“危险等级”"
    std::string problem;  // what is wrong, and what to do where something can be done
    [[nodiscard]] std::string text() const;
};

struct ProjectRead {
    std::optional<Project> project;
    std::optional<ProjectError> error;
};

// Refuses what is not JSON, not a project, of a newer format version, truncated, or
// holding a value outside its list; the error says where.
ProjectRead readProject(std::string_view text);

// The same from a file, which must not be larger than a project can sensibly be.
ProjectRead readProjectFile(const std::filesystem::path& path);

// Writes a temporary file beside the target, flushes it to the disk and renames it over
// the target, so that a failed save leaves the previous file as it was.
std::error_code writeProjectFile(const std::filesystem::path& path, const Project& project);

// What follows the target's name in the temporary file of a save. A save that is killed
// leaves that file behind; the next successful save of the same target removes it.
inline constexpr std::string_view kSavingInfix = ".saving-";

// The same for any text, for files written the same careful way.
std::error_code writeFileSafely(const std::filesystem::path& path, std::string_view text);

}  // namespace extcalc::building
