// SPDX-License-Identifier: MIT
// The page's engine: the building library as the browser sees it. Every answer crosses as
// JSON text (or plain text), so the page holds no rule, table, label or message of its
// own: columns, drop-down items, a new row's answers, results, totals and refusals all
// come from here, and change here when the library changes.

#include <emscripten/bind.h>

#include <array>
#include <cstddef>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

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
            out.push_back({{"cells", cells},
                           {"labels", std::move(labels)},
                           {"results", outcome.results},
                           {"failed", outcome.failed()},
                           {"warned", outcome.hasWarnings()},
                           {"problem", outcome.problemText()}});
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

  private:
    building::Workbook workbook_;
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
        .function("listRefusal", &Engine::listRefusal);
}
