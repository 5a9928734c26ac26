// SPDX-License-Identifier: MIT
#pragma once

// The calculation report (计算书) of a project, built once as a document of blocks that
// every renderer writes the same way: HTML here, PDF in the Qt report library. What the
// report says is decided here only, so the two can never say different things.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "extcalc/plan/drawing.h"
#include "extcalc/project.h"

namespace extcalc::report {

inline constexpr std::string_view kReportTitle = "建筑灭火器配置设计计算书";
inline constexpr std::string_view kProgramName = "建筑灭火器配置设计";

enum class Status { Pass, Fail, Warn };
std::string_view statusText(Status status);  // 通过, 不通过, 注意

struct Field {
    std::string key;
    std::string value;  // empty: a line left for filling in by hand
};

// The top of the first page: the title, the project's particulars and the program, the
// building overview, and the people who sign, each with a line for the signature.
struct TitleBlock {
    std::string title;
    std::vector<Field> fields;
    std::string overviewCaption;  // 建筑概况
    std::vector<Field> overview;
    std::vector<std::string> signatureHeader;  // 职责, 姓名, 签字
    std::vector<Field> signatures;             // role and name; the signature is by hand
};

struct Heading {
    int level = 1;  // 1 a section, 2 a subsection
    std::string text;
};

struct Paragraph {
    std::string text;
};

struct KeyValue {
    Field field;
};

// A formula with its numbers put in, and what is taken from it: "Q = … = 17.55" "取 18A".
struct Formula {
    std::string label;
    std::string formula;
    std::string taken;  // may be empty
};

struct Check {
    Status status = Status::Pass;
    std::string clause;  // "6.1.1"
    std::string text;

    // Whether the check rests on a mandatory clause: from the clause, never set by hand.
    [[nodiscard]] bool mandatory() const;
    // The clause as the report shows it: "【强条】6.1.1" for a mandatory one.
    [[nodiscard]] std::string clauseLabel() const;
};

struct Table {
    std::string caption;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> weights;       // relative column widths, one per header cell
    std::vector<bool> numeric;      // right-aligned columns, one per header cell
    std::vector<Status> rowStatus;  // empty, or one per row: how the row is marked
    bool lastRowIsTotal = false;
};

// A unit's plan: the rooms, the setting points, their reach and the uncovered region, laid
// out once; the HTML writes it as SVG, the PDF paints it.
struct PlanFigure {
    std::string caption;
    plan::draw::Drawing drawing;
};

using Block =
    std::variant<TitleBlock, Heading, Paragraph, KeyValue, Formula, Check, Table, PlanFigure>;

struct Document {
    std::string projectName;  // for the page headers; may be empty, and then not repeated
    std::string standard;     // the code, GB 50140-2005 or GBJ140-90
    std::vector<Block> blocks;
};

// The whole report of a project: its particulars as typed, the basis, one section per
// unit, the summary of all units and the list of extinguishers per model.
Document buildReport(const building::Project& project);

// The units in error, each as "3 档案室" (its number and name), in project order: the
// report marks them 不通过 and leaves them out of the list of extinguishers.
std::vector<std::string> unitsInError(const building::Project& project);

// What a front end says before it exports or prints a report with such units: they are
// named (the first few, then how many more), and what follows from them. action: 导出, 打印.
std::string unitsInErrorQuestion(const std::vector<std::string>& units, std::string_view action);

// The same for a command line that writes the report anyway, one line.
std::string unitsInErrorNotice(const std::vector<std::string>& units);

// One self-contained XHTML file, UTF-8, styles embedded, printable on A4.
std::string renderHtml(const Document& document);

// Text made safe for XML character data and attribute values.
std::string escapeXml(std::string_view text);

}  // namespace extcalc::report
