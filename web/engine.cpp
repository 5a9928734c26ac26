// SPDX-License-Identifier: MIT
// The page's engine: the building library as the browser sees it. Every answer crosses as
// JSON text (or plain text), so the page holds no rule, table, label or message of its
// own: columns, drop-down items, a new row's answers, results, totals and refusals all
// come from here, and change here when the library changes.

#include <emscripten/bind.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "extcalc/plan/drawing.h"
#include "extcalc/plan/plan.h"
#include "extcalc/plan_project.h"
#include "extcalc/plan_view.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/unit_table.h"
#include "extcalc/units.h"
#include "extcalc/workbook.h"

namespace extcalc::web {
namespace {

using building::Standard;
using nlohmann::json;

constexpr std::array kStandards{Standard::Gb50140_2005, Standard::Gbj140_90};

std::string_view kindName(building::ColumnKind kind) {
    switch (kind) {
        case building::ColumnKind::Name:
            return "name";
        case building::ColumnKind::Choice:
            return "choice";
        case building::ColumnKind::Text:
            break;
    }
    return "text";
}

json unitsJson(const std::vector<building::UnitCells>& units) {
    json out = json::array();
    for (const auto& unit : units) {
        out.push_back(unit);
    }
    return out;
}

std::vector<building::UnitCells> unitsFrom(const std::string& text) {
    std::vector<building::UnitCells> units;
    for (const json& row : json::parse(text)) {
        units.push_back(row.get<building::UnitCells>());
    }
    return units;
}

// The project as --json computes it, or the reason it cannot be read.
std::string evaluateProject(const std::string& text) {
    const building::ProjectRead read = building::readProject(text);
    if (!read.project) {
        return "!" + (read.error ? read.error->text() : std::string());
    }
    return building::projectResultsJson(*read.project);
}

std::string version() {
    return EXTCALC_VERSION;
}

// ---- plans: DXF in and out, placement, drawings

// Metres per drawing unit as the command line's --units names them; unset for "" (the
// drawing's own $INSUNITS).
struct UnitsChoice {
    std::optional<double> metresPerUnit;
    bool valid = true;
};
UnitsChoice unitsNamed(const std::string& units) {
    if (units.empty()) {
        return {};
    }
    if (units == "mm") {
        return {0.001};
    }
    if (units == "m") {
        return {1.0};
    }
    return {std::nullopt, false};
}

std::string unitsRefusal(const std::string& units) {
    return "选项 --units 的取值“" + units + "”无效（应为 mm 或 m）";
}

// An import refused for its units, in the shape every import answers with.
std::string unitsRefusedJson(const std::string& units) {
    return json{
        {"error", unitsRefusal(units)}, {"warnings", json::array()}, {"notes", json::array()}}
        .dump();
}

json roomsImportJson(const building::RoomsImport& imported) {
    json out;
    out["warnings"] = imported.warnings;
    out["notes"] = imported.notes;
    out["added"] = imported.added;
    out["joined"] = imported.joined;
    if (!imported.project) {
        out["error"] = imported.error;
    }
    return out;
}

// The drawing's rooms as a new project, as `--dxf F --layer L --standard 2005 --out P
// [--units mm|m]` writes it: {"project": text, "warnings", "added", "joined"} or {"error"}.
std::string importDxf(const std::string& bytes, const std::string& layer,
                      const std::string& units) {
    const UnitsChoice unit = unitsNamed(units);
    if (!unit.valid) {
        return unitsRefusedJson(units);
    }
    plan::dxf::ImportOptions options;
    options.layer = layer;
    options.metresPerUnit = unit.metresPerUnit;
    building::Project base;
    base.standard = Standard::Gb50140_2005;
    const building::RoomsImport imported =
        building::importRoomsIntoProject(bytes, std::move(options), std::move(base));
    json out = roomsImportJson(imported);
    if (imported.project) {
        out["project"] = building::projectJson(*imported.project);
    }
    return out.dump();
}

// The layers of a drawing for choosing the room layer: {"layers": [{name, outlines}],
// "metresPerUnit" (null when the drawing does not state it), "likely" (an index into layers),
// "error"}.
std::string dxfSummary(const std::string& bytes) {
    const plan::dxf::DrawingSummary summary = building::summarizeDrawing(bytes);
    json out;
    out["layers"] = json::array();
    for (const plan::dxf::LayerSummary& layer : summary.layers) {
        out["layers"].push_back({{"name", layer.name}, {"outlines", layer.closedOutlines}});
    }
    out["metresPerUnit"] = summary.metresPerUnit ? json(*summary.metresPerUnit) : json();
    out["likely"] = summary.likelyRoomLayer;
    out["error"] = summary.error;
    return out.dump();
}

// The project with points placed, as `--project P --place --out Q` writes it, or "!" and why
// not.
std::string placeProject(const std::string& text) {
    const building::ProjectRead read = building::readProject(text);
    if (!read.project) {
        return "!" + (read.error ? read.error->text() : std::string());
    }
    if (read.project->standard != Standard::Gb50140_2005) {
        return "!工程按 GBJ140-90 计算，没有平面";
    }
    return building::projectJson(building::placeProjectPoints(*read.project).project);
}

emscripten::val bytesOf(const std::string& bytes) {
    return emscripten::val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(),
                                            reinterpret_cast<const unsigned char*>(bytes.data())));
}

// The points as `--project P --export-dxf D [--units mm|m]` writes them: {bytes, skipped}
// (the units in error, left out), or {error}.
emscripten::val pointsDxf(const building::Project& project, const std::string& units) {
    emscripten::val out = emscripten::val::object();
    const UnitsChoice unit = unitsNamed(units.empty() ? "mm" : units);
    if (!unit.valid) {
        out.set("error", unitsRefusal(units));
        return out;
    }
    std::vector<std::string> skipped;
    const std::string drawing = building::projectPointsDxf(project, *unit.metresPerUnit, &skipped);
    out.set("bytes", bytesOf(drawing));
    out.set("skipped", json(skipped).dump());
    return out;
}

emscripten::val exportDxf(const std::string& text, const std::string& units) {
    const building::ProjectRead read = building::readProject(text);
    if (!read.project) {
        emscripten::val out = emscripten::val::object();
        out.set("error", read.error ? read.error->text() : std::string());
        return out;
    }
    return pointsDxf(*read.project, units);
}

json point(plan::Point p) {
    return json::array({p.x, p.y});
}

// A page coordinate to the hundredth of a pixel: finer than any screen, and the text a third
// as long as a double's every digit, which a drag sends on each move.
double pageUnits(double v) {
    return std::round(v * 100.0) / 100.0;
}

json pagePoint(plan::Point p) {
    return json::array({pageUnits(p.x), pageUnits(p.y)});
}

json ringJson(const plan::Ring& ring) {
    json out = json::array();
    for (const plan::Point& p : ring) {
        out.push_back(pageUnits(p.x));
        out.push_back(pageUnits(p.y));
    }
    return out;
}

std::string_view inkName(plan::draw::Ink ink) {
    using plan::draw::Ink;
    switch (ink) {
        case Ink::Floor:
            return "floor";
        case Ink::Reach:
            return "reach";
        case Ink::Uncovered:
            return "uncovered";
        case Ink::Hole:
            return "hole";
        case Ink::Wall:
            return "wall";
        case Ink::Dimension:
            return "dimension";
        case Ink::Point:
            return "point";
        case Ink::Label:
            return "label";
        case Ink::TextBack:
            return "textback";
        case Ink::Worst:
            return "worst";
        case Ink::WorstFail:
            return "worstfail";
        case Ink::Legend:
            break;
    }
    return "legend";
}

constexpr std::array kInks{
    plan::draw::Ink::Floor, plan::draw::Ink::Reach,     plan::draw::Ink::Uncovered,
    plan::draw::Ink::Hole,  plan::draw::Ink::Wall,      plan::draw::Ink::Dimension,
    plan::draw::Ink::Point, plan::draw::Ink::Label,     plan::draw::Ink::TextBack,
    plan::draw::Ink::Worst, plan::draw::Ink::WorstFail, plan::draw::Ink::Legend};

std::string colour(std::uint32_t rgb) {
    constexpr std::string_view kHex = "0123456789abcdef";
    std::string out = "#";
    for (int shift = 20; shift >= 0; shift -= 4) {
        out += kHex[(rgb >> static_cast<unsigned>(shift)) & 0xfU];
    }
    return out;
}

// How each ink is painted, as the library's renderers paint it.
json inksJson() {
    json out = json::object();
    for (const plan::draw::Ink ink : kInks) {
        const plan::draw::Style s = plan::draw::style(ink);
        out[std::string(inkName(ink))] = {{"stroke", colour(s.stroke)},
                                          {"strokeWidth", s.strokeWidth},
                                          {"fill", colour(s.fill)},
                                          {"fillOpacity", s.fillOpacity},
                                          {"dashed", s.dashed},
                                          {"text", colour(s.text)},
                                          {"bold", s.bold}};
    }
    return out;
}

// The laid-out drawing item by item: "l" line, "a" area (rings of x, y, x, y…), "c" circle,
// "t" text. Texts are data; the page puts them in as text.
json drawingJson(const plan::draw::Drawing& drawing) {
    json items = json::array();
    for (const plan::draw::Item& item : drawing.items) {
        if (const auto* line = std::get_if<plan::draw::Line>(&item)) {
            items.push_back({{"k", "l"},
                             {"ink", inkName(line->ink)},
                             {"a", pagePoint(line->a)},
                             {"b", pagePoint(line->b)}});
        } else if (const auto* area = std::get_if<plan::draw::Area>(&item)) {
            json rings = json::array();
            for (const plan::Ring& ring : area->rings) {
                rings.push_back(ringJson(ring));
            }
            items.push_back({{"k", "a"}, {"ink", inkName(area->ink)}, {"rings", rings}});
        } else if (const auto* circle = std::get_if<plan::draw::Circle>(&item)) {
            items.push_back({{"k", "c"},
                             {"ink", inkName(circle->ink)},
                             {"at", pagePoint(circle->centre)},
                             {"r", pageUnits(circle->radius)}});
        } else if (const auto* text = std::get_if<plan::draw::Text>(&item)) {
            const std::string_view anchor = text->anchor == plan::draw::Anchor::Start    ? "start"
                                            : text->anchor == plan::draw::Anchor::Middle ? "middle"
                                                                                         : "end";
            items.push_back({{"k", "t"},
                             {"ink", inkName(text->ink)},
                             {"at", pagePoint(text->at)},
                             {"text", text->text},
                             {"size", text->size},
                             {"anchor", anchor},
                             {"angle", text->angle}});
        }
    }
    return {{"width", drawing.width},
            {"height", drawing.height},
            {"scale", drawing.scale},
            {"origin", point(drawing.origin)},
            {"items", std::move(items)}};
}

std::string planInks() {
    return inksJson().dump();
}

std::size_t columnOf(building::Field field) {
    const auto columns = building::inputColumns(Standard::Gb50140_2005);
    return static_cast<std::size_t>(
        std::find_if(columns.begin(), columns.end(),
                     [field](const building::InputColumn& c) { return c.field == field; }) -
        columns.begin());
}

}  // namespace

// One project being edited, as the desktop workbook holds it.
class Engine {
  public:
    // The columns, lists and fields of the project's standard, and the standards there are.
    [[nodiscard]] std::string schema() const {
        const Standard standard = workbook_.standard();
        json out;
        out["standard"] = building::standardCode(standard);
        out["standardTitle"] = building::standardTitle(standard);
        out["standards"] = json::array();
        for (const Standard s : kStandards) {
            out["standards"].push_back(
                {{"code", building::standardCode(s)}, {"title", building::standardTitle(s)}});
        }
        out["inputs"] = json::array();
        const auto inputs = building::inputColumns(standard);
        const building::UnitCells blank(inputs.size());
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const building::InputColumn& c = inputs[i];
            // A typed column may still offer items (the 2005 extinguisher's listed models).
            const bool offers = c.kind == building::ColumnKind::Choice ||
                                !building::choices(standard, i, blank).empty();
            out["inputs"].push_back({{"key", c.key},
                                     {"label", c.chinese},
                                     {"kind", kindName(c.kind)},
                                     {"optional", c.optional},
                                     {"offers", offers},
                                     {"several", building::takesSeveral(standard, i)}});
        }
        out["results"] = json::array();
        for (const building::ResultColumn& c : building::resultColumns(standard)) {
            out["results"].push_back(
                {{"key", c.key}, {"label", c.chinese}, {"totalled", c.totalled}});
        }
        out["fields"] = json::array();
        for (const building::ProjectInfoField& f : building::projectInfoFields()) {
            out["fields"].push_back({{"key", f.key}, {"label", f.chinese}});
        }
        if (standard == Standard::Gb50140_2005) {
            // The plan's columns and what a row shows from the plan.
            out["plan"] = {{"outline", columnOf(building::Field::Outline)},
                           {"pointsAt", columnOf(building::Field::PointsAt)},
                           {"area", columnOf(building::Field::Area)},
                           {"points", columnOf(building::Field::Points)},
                           {"fromPlan", building::kFromPlanNote},
                           {"worst",
                            {{"key", "worst_distance_m"},
                             {"label", building::kWorstDistanceHeader},
                             {"note", building::kWorstDistanceNote}}}};
        }
        return out.dump();
    }

    // Empty when the project is open, otherwise why it is refused (nothing changes then).
    std::string open(const std::string& text) {
        building::ProjectRead read = building::readProject(text);
        if (!read.project) {
            return read.error ? read.error->text() : std::string("?");
        }
        workbook_ = building::Workbook(std::move(*read.project));
        return {};
    }

    // An empty project of the standard named by its code.
    bool reset(const std::string& standardCode) {
        const auto standard = building::parseStandard(standardCode);
        if (!standard) {
            return false;
        }
        building::Project project;
        project.standard = *standard;
        workbook_ = building::Workbook(std::move(project));
        return true;
    }

    [[nodiscard]] std::string projectText() const {
        return building::projectJson(workbook_.project());
    }

    [[nodiscard]] std::string info() const {
        json out = json::object();
        for (const building::ProjectInfoField& f : building::projectInfoFields()) {
            out[std::string(f.key)] = workbook_.info().*f.member;
        }
        return out.dump();
    }

    bool setInfo(const std::string& key, const std::string& value) {
        for (const building::ProjectInfoField& f : building::projectInfoFields()) {
            if (f.key == key) {
                building::ProjectInfo info = workbook_.info();
                info.*f.member = value;
                workbook_.setInfo(std::move(info));
                return true;
            }
        }
        return false;
    }

    bool setStandard(const std::string& code) {
        const auto standard = building::parseStandard(code);
        return standard && workbook_.setStandard(*standard);
    }

    [[nodiscard]] std::size_t size() const { return workbook_.size(); }

    // Rows first..first+count: the cells, how each is shown (a K with its value), the
    // results and how each row is marked.
    [[nodiscard]] std::string rows(std::size_t first, std::size_t count) const {
        json out = json::array();
        for (std::size_t row = first; row < workbook_.size() && row < first + count; ++row) {
            const building::UnitOutcome& outcome = workbook_.outcome(row);
            const building::UnitCells& cells = workbook_.cells(row);
            json labels = json::array();
            for (std::size_t c = 0; c < cells.size(); ++c) {
                labels.push_back(building::choiceLabel(workbook_.standard(), c, cells[c]));
            }
            json item{{"cells", cells},
                      {"labels", std::move(labels)},
                      {"results", outcome.results},
                      {"failed", outcome.failed()},
                      {"warned", outcome.hasWarnings()},
                      {"problem", outcome.problemText()}};
            if (outcome.plan) {
                // What the plan gives where nothing was typed, shown apart from typed values.
                const building::PlanRow plan = building::planRow(outcome);
                item["plan"] = {{"area", plan.area},
                                {"points", plan.points},
                                {"worst", plan.worstDistance},
                                {"ok", plan.ok}};
            }
            out.push_back(std::move(item));
        }
        return out.dump();
    }

    // The drop-down of a cell: each item with the label it is shown by.
    [[nodiscard]] std::string choices(std::size_t row, std::size_t column) const {
        const Standard standard = workbook_.standard();
        const building::UnitCells none;
        const building::UnitCells& cells = row < workbook_.size() ? workbook_.cells(row) : none;
        json out = json::array();
        for (const std::string& item : building::choices(standard, column, cells)) {
            out.push_back(
                {{"item", item}, {"label", building::choiceLabel(standard, column, item)}});
        }
        return out.dump();
    }

    // Stores the text as the lists name it and gives back what was stored.
    std::string setCell(std::size_t row, std::size_t column, const std::string& text) {
        workbook_.setCell(row, column, text);
        return workbook_.cells(row)[column];
    }

    // The answers a new row starts with, from the row above it (none when above < 0).
    [[nodiscard]] std::string newUnit(int above) const {
        const bool hasAbove = above >= 0 && static_cast<std::size_t>(above) < workbook_.size();
        const building::UnitCells cells = building::newUnit(
            workbook_.standard(),
            hasAbove ? &workbook_.cells(static_cast<std::size_t>(above)) : nullptr);
        return json(cells).dump();
    }

    void insert(std::size_t at, const std::string& unitsText) {
        workbook_.insert(at, unitsFrom(unitsText));
    }

    std::string remove(std::size_t at, std::size_t count) {
        return unitsJson(workbook_.remove(at, count)).dump();
    }

    void move(std::size_t from, std::size_t to) { workbook_.move(from, to); }

    // The 灭火器配置清单: every model used with its count, the grand total, the note on
    // units left out.
    [[nodiscard]] std::string totals() const {
        json out;
        out["models"] = json::array();
        for (const building::ModelKey& key : workbook_.totals().used()) {
            out["models"].push_back(
                {{"label", key.label}, {"total", workbook_.totals().totalText(key).value_or("")}});
        }
        out["grand"] = workbook_.grandTotalText().value_or("");
        out["failed"] = workbook_.failedCount();
        out["note"] = workbook_.incompleteNote();
        return out.dump();
    }

    [[nodiscard]] std::string copyRows(const std::string& rowsText, bool withResults) const {
        std::vector<std::size_t> rows;
        for (const json& row : json::parse(rowsText)) {
            rows.push_back(row.get<std::size_t>());
        }
        return building::tabText(workbook_, rows, withResults);
    }

    // {"units": [...]} to insert, or {"refusal": "..."} naming the rows that do not fit.
    [[nodiscard]] std::string readPaste(const std::string& text) const {
        building::PastedRows pasted = building::readTabText(workbook_.standard(), text);
        if (!pasted.refusal.empty()) {
            return json{{"refusal", pasted.refusal}}.dump();
        }
        return json{{"units", unitsJson(pasted.units)}}.dump();
    }

    // A table's bytes (UTF-8 or GB18030) read as units of this project's standard:
    // {"units": [...], "unused": [the columns left behind]}, or {"refusal": "..."}. The
    // page then adds them or starts a project with them, as the one importing chooses.
    [[nodiscard]] std::string importTable(const std::string& bytes) const {
        std::istringstream in(bytes);
        std::vector<std::string> unused;
        building::ProjectRead read =
            building::readTableAsProject(in, workbook_.standard(), &unused);
        if (!read.project) {
            return json{{"refusal", read.error ? read.error->text() : std::string("?")}}.dump();
        }
        return json{{"units", unitsJson(read.project->units)}, {"unused", unused}}.dump();
    }

    // Bytes, not a string: the text starts with a byte-order mark, which turning it into
    // a JavaScript string would drop.
    [[nodiscard]] emscripten::val exportTable() const {
        std::ostringstream out;
        building::writeResultCsv(out, workbook_);
        const std::string bytes = out.str();
        return emscripten::val::global("Uint8Array")
            .new_(emscripten::typed_memory_view(
                bytes.size(), reinterpret_cast<const unsigned char*>(bytes.data())));
    }

    [[nodiscard]] std::string reportHtml() const {
        return report::renderHtml(report::buildReport(workbook_.project()));
    }

    // The file name a project never saved is offered under: its 工程名称.
    [[nodiscard]] std::string proposedFileName() const {
        return building::proposedFileName(workbook_.info());
    }

    // A paste into a cell: the block of cells it fills from there, or null when the text
    // holds whole units (readPaste's).
    [[nodiscard]] std::string readBlock(const std::string& text) const {
        const auto block = building::readTabBlock(workbook_.standard(), text);
        return block ? json(*block).dump() : std::string("null");
    }

    // A cell that names several items ("A+B"): the items it names, and the text for some.
    [[nodiscard]] std::string pickedItems(std::size_t column, const std::string& text) const {
        return json(building::pickedItems(workbook_.standard(), column, text)).dump();
    }
    [[nodiscard]] std::string pickedText(std::size_t column, const std::string& items) const {
        return building::pickedText(workbook_.standard(), column,
                                    json::parse(items).get<std::vector<std::string>>());
    }

    // Why a text cannot be a cell of the column (not an item of its list); empty when it can.
    [[nodiscard]] std::string listRefusal(std::size_t column, const std::string& text) const {
        return building::listRefusal(workbook_.standard(), column, text);
    }

    // ---- plans

    // A drawing's rooms into this project. append: rooms join the units of their name or
    // become units at the end, given back as the edits to make (the page makes them as one
    // step: {"edits": [{row, column, before, after}], "at", "units"}); otherwise the rooms
    // alone as a new project with this one's particulars ({"project": text}). New units take
    // the answers of the unit at likeRow (-1: none). Warnings always; {"error"} when refused.
    std::string planImport(const std::string& bytes, const std::string& layer,
                           const std::string& units, int likeRow, bool append) {
        const UnitsChoice unit = unitsNamed(units);
        if (!unit.valid) {
            return unitsRefusedJson(units);
        }
        plan::dxf::ImportOptions options;
        options.layer = layer;
        options.metresPerUnit = unit.metresPerUnit;
        building::Project base;
        base.info = workbook_.info();
        if (append) {
            base = workbook_.project();
        }
        const bool hasLike = likeRow >= 0 && static_cast<std::size_t>(likeRow) < workbook_.size() &&
                             workbook_.standard() == Standard::Gb50140_2005;
        const building::UnitCells like =
            hasLike ? workbook_.cells(static_cast<std::size_t>(likeRow)) : building::UnitCells{};
        const building::RoomsImport imported = building::importRoomsIntoProject(
            bytes, std::move(options), std::move(base), hasLike ? &like : nullptr);
        json out = roomsImportJson(imported);
        if (!imported.project) {
            return out.dump();
        }
        if (!append) {
            out["project"] = building::projectJson(*imported.project);
            return out.dump();
        }
        // Harmless before the edits are made and after they are undone: an entry no unit's
        // 平面 holds is never written.
        workbook_.addOutlineArcs(imported.project->outlineArcs);
        out["edits"] = json::array();
        const std::vector<building::UnitCells>& after = imported.project->units;
        const std::size_t kept = workbook_.size();
        for (std::size_t row = 0; row < kept && row < after.size(); ++row) {
            const building::UnitCells& before = workbook_.cells(row);
            for (std::size_t c = 0; c < after[row].size(); ++c) {
                const std::string was = c < before.size() ? before[c] : std::string();
                if (was != after[row][c]) {
                    out["edits"].push_back(
                        {{"row", row}, {"column", c}, {"before", was}, {"after", after[row][c]}});
                }
            }
        }
        out["at"] = kept;
        out["units"] = unitsJson(std::vector<building::UnitCells>(
            after.begin() + static_cast<std::ptrdiff_t>(kept), after.end()));
        return out.dump();
    }

    // Points proposed for the units of rows that need them, as the command line's --place
    // does for a whole project: {"edits": [{row, column, before, after}]}.
    [[nodiscard]] std::string place(const std::string& rowsText) const {
        json out{{"edits", json::array()}};
        if (workbook_.standard() != Standard::Gb50140_2005) {
            return out.dump();
        }
        // From the outcomes the workbook holds: a unit without points has them proposed
        // already, so placing costs no second placement.
        const std::size_t at = columnOf(building::Field::PointsAt);
        for (const json& row : json::parse(rowsText)) {
            const auto r = row.get<std::size_t>();
            if (r >= workbook_.size()) {
                continue;
            }
            const building::UnitCells& cells = workbook_.cells(r);
            const auto points = building::placedPoints(cells, workbook_.outcome(r));
            const std::string was = at < cells.size() ? cells[at] : std::string();
            if (points && *points != was) {
                out["edits"].push_back(
                    {{"row", r}, {"column", at}, {"before", was}, {"after", *points}});
                // The mark that keeps them the program's in the saved file, as --place leaves it,
                // until someone moves one.
                const std::size_t mark = building::inputColumns(Standard::Gb50140_2005).size();
                out["edits"].push_back(
                    {{"row", r},
                     {"column", mark},
                     {"before", mark < cells.size() ? cells[mark] : std::string()},
                     {"after", *points}});
            }
        }
        return out.dump();
    }

    // The plan of the unit at row laid out to a frame of width × height page units: the
    // drawing, the points in metres, the line on the maximum protection distance, or why there
    // is no drawing. withPoints: the unit as if its points were those of pointsJson
    // ([[x, y], …] in metres, as a pane moves, adds or takes them), with "cell" the 设置点
    // text they make; {"refused": why} when they cannot stand (one is off the floor).
    [[nodiscard]] std::string planView(std::size_t row, bool withPoints,
                                       const std::string& pointsJson, double width, double height,
                                       double textSize) const {
        json out = json::object();
        if (workbook_.standard() != Standard::Gb50140_2005 || row >= workbook_.size()) {
            return out.dump();
        }
        building::UnitCells cells = workbook_.cells(row);
        cells.resize(building::inputColumns(Standard::Gb50140_2005).size());
        if (withPoints) {
            std::vector<plan::Point> points;
            for (const json& p : json::parse(pointsJson)) {
                points.push_back({p.at(0).get<double>(), p.at(1).get<double>()});
            }
            const std::string cell = building::pointsCell(points);
            cells[columnOf(building::Field::PointsAt)] = cell;
            out["cell"] = cell;
        }
        const building::UnitOutcome outcome = building::evaluate(Standard::Gb50140_2005, cells);
        if (withPoints && outcome.plan && !outcome.plan->error.empty()) {
            out["refused"] = outcome.plan->error;
            return out.dump();
        }
        out["outline"] = cells[columnOf(building::Field::Outline)];
        if (outcome.plan && !outcome.plan->error.empty()) {
            out["error"] = outcome.plan->error;
        }
        if (const auto line = building::distanceLine(outcome)) {
            out["line"] = {{"clause", line->clause}, {"text", line->text}, {"ok", line->ok}};
        }
        const auto figure = building::planFigure(outcome);
        if (!figure || width <= 0.0 || height <= 0.0) {
            return out.dump();
        }
        out["placed"] = outcome.plan->placed;
        out["points"] = json::array();
        for (const plan::Point& p : figure->points) {
            out["points"].push_back(point(p));
        }
        out["drawing"] = drawingJson(plan::draw::layout(*figure, {width, height, textSize}));
        return out.dump();
    }

    // A pane begins to drag a point of the unit at row: the unit's figure and the reach of
    // every point are kept until the drag ends, so that each move only checks the rooms
    // against the points, reaches from the point that moved and lays the plan out.
    bool dragStart(std::size_t row) {
        drag_.reset();
        if (workbook_.standard() != Standard::Gb50140_2005 || row >= workbook_.size()) {
            return false;
        }
        const auto figure =
            building::planFigure(building::evaluate(Standard::Gb50140_2005, workbook_.cells(row)));
        if (!figure) {
            return false;
        }
        Drag drag{row, *figure, {figure->rooms.begin(), figure->rooms.end()}};
        drag.figure.reaches.assign(figure->points.size(), std::nullopt);
        for (std::size_t i = 0; i < figure->points.size() && figure->radius > 0.0; ++i) {
            const int room = i < figure->roomOf.size() ? figure->roomOf[i] : -1;
            if (room >= 0 && static_cast<std::size_t>(room) < drag.rooms.size()) {
                drag.figure.reaches[i] = plan::reach(drag.rooms[static_cast<std::size_t>(room)],
                                                     figure->points[i], figure->radius);
            }
        }
        drag_ = std::move(drag);
        return true;
    }

    // The plan of the dragged unit with its points at pointsJson, as planView gives it.
    [[nodiscard]] std::string dragView(const std::string& pointsJson, double width, double height,
                                       double textSize) const {
        if (!drag_) {
            return planView(0, true, pointsJson, width, height, textSize);
        }
        std::vector<plan::Point> points;
        for (const json& p : json::parse(pointsJson)) {
            points.push_back({p.at(0).get<double>(), p.at(1).get<double>()});
        }
        // As the cell will hold them, to the millimetre.
        const std::string cell = building::pointsCell(points);
        points = plan::parsePoints(cell).points.value_or(std::vector<plan::Point>{});
        json out = json::object();
        for (const plan::Point& p : points) {
            if (std::none_of(drag_->rooms.begin(), drag_->rooms.end(),
                             [p](const plan::Room& room) { return room.contains(p); })) {
                out["refused"] = "设置点应在平面内";
                return out.dump();
            }
        }
        const plan::draw::Figure moved = building::movedFigure(drag_->figure, points);
        out["cell"] = cell;
        out["points"] = json::array();
        for (const plan::Point& p : moved.points) {
            out["points"].push_back(point(p));
        }
        out["drawing"] = drawingJson(plan::draw::layout(moved, {width, height, textSize}));
        return out.dump();
    }

    void dragEnd() { drag_.reset(); }

    // Whether a spot (metres) lies on one of the unit's rooms: where a point may stand.
    [[nodiscard]] bool onFloor(std::size_t row, double x, double y) const {
        if (workbook_.standard() != Standard::Gb50140_2005 || row >= workbook_.size()) {
            return false;
        }
        const building::UnitCells& cells = workbook_.cells(row);
        const std::size_t outline = columnOf(building::Field::Outline);
        const building::UnitPlan unitPlan =
            building::readUnitPlan(outline < cells.size() ? cells[outline] : std::string(), "");
        return std::any_of(
            unitPlan.outlines.begin(), unitPlan.outlines.end(), [x, y](const plan::Outline& o) {
                return plan::outlineProblem(o).empty() && plan::Room(o).contains({x, y});
            });
    }

    // The plan of the unit at row as an image file of its own: {"name", "svg"}, or {} for a
    // unit without a usable plan.
    [[nodiscard]] std::string planSvg(std::size_t row) const {
        if (row >= workbook_.size()) {
            return "{}";
        }
        const building::UnitCells& cells = workbook_.cells(row);
        const auto figure = building::planFigure(building::evaluate(workbook_.standard(), cells));
        if (!figure) {
            return "{}";
        }
        return json{
            {"name", building::figureCaption(cells.empty() ? std::string() : cells[0])},
            {"svg", plan::draw::svg(plan::draw::layout(*figure, building::kPlanImageFrame))}}
            .dump();
    }

    // Every unit's points as a drawing, as --export-dxf writes them.
    [[nodiscard]] emscripten::val exportPointsDxf(const std::string& units) const {
        return pointsDxf(workbook_.project(), units);
    }

  private:
    struct Drag {
        std::size_t row = 0;
        plan::draw::Figure figure;
        std::vector<plan::Room> rooms;
    };
    building::Workbook workbook_;
    std::optional<Drag> drag_;
};

}  // namespace extcalc::web

EMSCRIPTEN_BINDINGS(extinguisher) {
    using extcalc::web::Engine;
    emscripten::function("evaluateProject", &extcalc::web::evaluateProject);
    emscripten::function("version", &extcalc::web::version);
    emscripten::class_<Engine>("Engine")
        .constructor<>()
        .function("schema", &Engine::schema)
        .function("open", &Engine::open)
        .function("reset", &Engine::reset)
        .function("projectText", &Engine::projectText)
        .function("info", &Engine::info)
        .function("setInfo", &Engine::setInfo)
        .function("setStandard", &Engine::setStandard)
        .function("size", &Engine::size)
        .function("rows", &Engine::rows)
        .function("choices", &Engine::choices)
        .function("setCell", &Engine::setCell)
        .function("newUnit", &Engine::newUnit)
        .function("insert", &Engine::insert)
        .function("remove", &Engine::remove)
        .function("move", &Engine::move)
        .function("totals", &Engine::totals)
        .function("copyRows", &Engine::copyRows)
        .function("readPaste", &Engine::readPaste)
        .function("importTable", &Engine::importTable)
        .function("exportTable", &Engine::exportTable)
        .function("reportHtml", &Engine::reportHtml)
        .function("proposedFileName", &Engine::proposedFileName)
        .function("readBlock", &Engine::readBlock)
        .function("pickedItems", &Engine::pickedItems)
        .function("pickedText", &Engine::pickedText)
        .function("listRefusal", &Engine::listRefusal)
        .function("planImport", &Engine::planImport)
        .function("place", &Engine::place)
        .function("planView", &Engine::planView)
        .function("onFloor", &Engine::onFloor)
        .function("planSvg", &Engine::planSvg)
        .function("exportPointsDxf", &Engine::exportPointsDxf)
        .function("dragStart", &Engine::dragStart)
        .function("dragView", &Engine::dragView)
        .function("dragEnd", &Engine::dragEnd);
    emscripten::function("importDxf", &extcalc::web::importDxf);
    emscripten::function("placeProject", &extcalc::web::placeProject);
    emscripten::function("exportDxf", &extcalc::web::exportDxf);
    emscripten::function("planInks", &extcalc::web::planInks);
    emscripten::function("dxfSummary", &extcalc::web::dxfSummary);
}
