// SPDX-License-Identifier: MIT
// The report as one XHTML file: well-formed XML, so that any XML tool reads it, and
// styled for the screen and for A4 paper alike.

#include <cstddef>
#include <string>
#include <type_traits>
#include <variant>

#include "extcalc/report.h"

namespace extcalc::report {
namespace {

constexpr std::string_view kStyle = R"(
body { font-family: "Noto Sans CJK SC", "Source Han Sans SC", "Microsoft YaHei", sans-serif;
       font-size: 10.5pt; line-height: 1.55; color: #1a1a1a; max-width: 180mm; margin: 0 auto;
       padding: 8mm 0; }
.title { text-align: center; border-bottom: 2px solid #1a1a1a; padding-bottom: 6mm; margin-bottom: 6mm; }
.title h1 { font-size: 20pt; letter-spacing: 0.15em; margin: 4mm 0 6mm; }
.fields { margin: 0 auto; border-collapse: collapse; text-align: left; }
.fields th { font-weight: normal; color: #444; padding: 1.2mm 4mm 1.2mm 0; width: 24mm;
             text-align: justify; white-space: nowrap; }
.fields td { min-width: 90mm; border-bottom: 1px solid #999; padding: 1.2mm 2mm; }
.title h4 { font-size: 11pt; margin: 5mm 0 1mm; }
.signatures { margin: 6mm auto 0; border-collapse: collapse; text-align: left; }
.signatures th, .signatures td { border: 1px solid #777; padding: 2mm 3mm; min-width: 30mm; }
.signatures th { background: #e8edf3; font-weight: normal; text-align: center; }
.signatures td.sign { min-width: 50mm; }
h2 { font-size: 14pt; border-left: 4px solid #3a5f8f; padding-left: 3mm; margin: 8mm 0 3mm; }
h3 { font-size: 12pt; margin: 6mm 0 2mm; padding-bottom: 1mm; border-bottom: 1px solid #ccc;
     page-break-after: avoid; }
p { margin: 1.5mm 0; }
.kv { margin: 0.6mm 0; }
.kv .k { display: inline-block; min-width: 30mm; color: #444; }
.kv .k::after { content: "："; }
.formula { margin: 1mm 0; }
.formula .label { color: #444; }
.formula .label::after { content: "："; }
.formula .expr { font-family: "Noto Sans Mono CJK SC", "DejaVu Sans Mono", monospace;
                 background: #f3f5f8; padding: 0.3mm 1.5mm; }
.formula .taken { font-weight: bold; margin-left: 2mm; }
.check { margin: 0.8mm 0; padding: 0.8mm 2mm; border-left: 3px solid; }
.check .badge { display: inline-block; min-width: 12mm; font-weight: bold; }
.check .clause { display: inline-block; min-width: 16mm; color: #444; }
.check .clause.mandatory { min-width: 26mm; }
.check .mark { color: #c62828; font-weight: bold; }
.check.pass { border-color: #2e7d32; }
.check.pass .badge { color: #2e7d32; }
.check.warn { border-color: #b26a00; background: #fff6e5; }
.check.warn .badge { color: #b26a00; }
.check.fail { border-color: #c62828; background: #fdecea; }
.check.fail .badge { color: #c62828; }
table.data { border-collapse: collapse; width: 100%; margin: 2mm 0 4mm; font-size: 9pt; }
table.data caption { text-align: left; font-weight: bold; padding: 1mm 0; }
table.data th, table.data td { border: 1px solid #777; padding: 1mm 1.5mm; vertical-align: top; }
table.data th { background: #e8edf3; }
table.data td.num { text-align: right; white-space: nowrap; }
table.data tr { page-break-inside: avoid; }
table.data thead { display: table-header-group; }
table.data tr.fail td { background: #fdecea; }
table.data tr.warn td { background: #fff6e5; }
table.data tr.total td { font-weight: bold; border-top: 2px solid #1a1a1a; }
figure.plan { margin: 3mm 0 4mm; text-align: center; page-break-inside: avoid; }
figure.plan svg { width: 160mm; max-width: 100%; height: auto; }
figure.plan figcaption { font-size: 9.5pt; color: #444; margin-top: 1mm; }
)";

// Text as a CSS string's content: quotes and backslashes escaped, and what would end or mark
// up the style element (<, >, &) or break its line written as hexadecimal escapes, so the
// style stays the same text whether a browser reads the file as HTML or as XML.
std::string cssString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
            case '\\':
                out += '\\';
                out += c;
                break;
            case '<':
                out += "\\3c ";
                break;
            case '>':
                out += "\\3e ";
                break;
            case '&':
                out += "\\26 ";
                break;
            case '\n':
            case '\r':
            case '\t':
                out += ' ';
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) {
                    out += c;
                }
        }
    }
    return out + '"';
}

// Every printed page as the PDF's: the project on the left and the title with the standard
// on the right above a rule, 第 x 页 共 y 页 below, in the page's margin boxes. A browser
// without margin boxes skips them and prints the rest, with its own header if it adds one.
std::string pageRules(const Document& document) {
    constexpr std::string_view kMarginText =
        "font-family: \"Noto Sans CJK SC\", \"Source Han Sans SC\", \"Microsoft YaHei\", "
        "sans-serif; font-size: 8.5pt; color: #666;";
    constexpr std::string_view kHeader =
        " vertical-align: bottom; padding-bottom: 1mm; margin-bottom: 4mm;"
        " border-bottom: 0.25pt solid #999; ";
    std::string rules = "@page { size: A4 portrait; margin: 22mm 16mm 18mm 18mm;\n";
    rules +=
        "  @top-left { content: " +
        (document.projectName.empty() ? std::string("\"\"") : cssString(document.projectName)) +
        ";" + std::string(kHeader) + std::string(kMarginText) +
        " white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n";
    rules += "  @top-center { content: \"\";" + std::string(kHeader) + "}\n";
    rules += "  @top-right { content: " +
             cssString(std::string(kReportTitle) + "　" + document.standard) + ";" +
             std::string(kHeader) + std::string(kMarginText) + " white-space: nowrap; }\n";
    rules += R"(  @bottom-center { content: "第 " counter(page) " 页 共 " counter(pages) " 页"; )" +
             std::string(kMarginText) + " vertical-align: top; padding-top: 4mm; }\n}\n";
    return rules;
}

std::string_view statusClass(Status status) {
    switch (status) {
        case Status::Pass:
            return "pass";
        case Status::Fail:
            return "fail";
        case Status::Warn:
            return "warn";
    }
    return {};
}

class Writer {
  public:
    std::string out;

    void element(std::string_view tag, std::string_view cls, std::string_view text) {
        open(tag, cls);
        out += escapeXml(text);
        close(tag);
    }
    void open(std::string_view tag, std::string_view cls = {}) {
        out += '<';
        out += tag;
        if (!cls.empty()) {
            out += " class=\"";
            out += cls;
            out += '"';
        }
        out += '>';
    }
    void close(std::string_view tag) {
        out += "</";
        out += tag;
        out += '>';
    }

    void operator()(const TitleBlock& b) {
        open("div", "title");
        element("h1", "", b.title);
        open("table", "fields");
        for (const auto& field : b.fields) {
            open("tr");
            element("th", "", field.key);
            element("td", "", field.value);
            close("tr");
        }
        close("table");
        if (!b.overview.empty()) {
            element("h4", "", b.overviewCaption);
            open("table", "fields");
            for (const auto& field : b.overview) {
                open("tr");
                element("th", "", field.key);
                element("td", "", field.value);
                close("tr");
            }
            close("table");
        }
        if (!b.signatures.empty()) {
            open("table", "signatures");
            open("tr");
            for (const auto& heading : b.signatureHeader) {
                element("th", "", heading);
            }
            close("tr");
            for (const auto& field : b.signatures) {
                open("tr");
                element("td", "", field.key);
                element("td", "", field.value);
                element("td", "sign", "");
                close("tr");
            }
            close("table");
        }
        close("div");
        out += '\n';
    }
    void operator()(const Heading& b) { element(b.level <= 1 ? "h2" : "h3", "", b.text); }
    void operator()(const Paragraph& b) { element("p", "", b.text); }
    void operator()(const KeyValue& b) {
        open("div", "kv");
        element("span", "k", b.field.key);
        element("span", "v", b.field.value);
        close("div");
    }
    void operator()(const Formula& b) {
        open("div", "formula");
        element("span", "label", b.label);
        element("span", "expr", b.formula);
        if (!b.taken.empty()) {
            element("span", "taken", b.taken);
        }
        close("div");
    }
    void operator()(const Check& b) {
        out += "<div class=\"check ";
        out += statusClass(b.status);
        out += "\">";
        element("span", "badge", statusText(b.status));
        if (b.mandatory()) {
            open("span", "clause mandatory");
            element("span", "mark", gb50140::kMandatoryMark);
            out += escapeXml(b.clause);
            close("span");
        } else if (!b.clause.empty()) {
            element("span", "clause", b.clause);
        }
        element("span", "text", b.text);
        close("div");
    }
    void operator()(const PlanFigure& b) {
        open("figure", "plan");
        std::string svg = plan::draw::svg(b.drawing);
        // Inline in the page: without the XML declaration of a file of its own.
        const std::size_t start = svg.find("<svg");
        out.append(svg, start == std::string::npos ? 0 : start);
        element("figcaption", "", b.caption);
        close("figure");
        out += '\n';
    }
    void operator()(const Table& b) {
        open("table", "data");
        if (!b.caption.empty()) {
            element("caption", "", b.caption);
        }
        open("thead");
        open("tr");
        for (const auto& cell : b.header) {
            element("th", "", cell);
        }
        close("tr");
        close("thead");
        open("tbody");
        for (std::size_t r = 0; r < b.rows.size(); ++r) {
            std::string_view rowClass;
            if (r < b.rowStatus.size() && b.rowStatus[r] != Status::Pass) {
                rowClass = statusClass(b.rowStatus[r]);
            }
            if (b.lastRowIsTotal && r + 1 == b.rows.size()) {
                rowClass = "total";
            }
            open("tr", rowClass);
            for (std::size_t c = 0; c < b.rows[r].size(); ++c) {
                const bool numeric = c < b.numeric.size() && b.numeric[c];
                element("td", numeric ? "num" : "", b.rows[r][c]);
            }
            close("tr");
        }
        close("tbody");
        close("table");
        out += '\n';
    }
};

}  // namespace

std::string escapeXml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                // Control characters other than tab and line ends are not allowed in XML.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
                    escaped += c;
                }
        }
    }
    return escaped;
}

std::string renderHtml(const Document& document) {
    Writer w;
    w.out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n";
    w.out += "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"zh-CN\" xml:lang=\"zh-CN\">\n";
    w.out += "<head>\n<meta charset=\"UTF-8\"/>\n<title>";
    w.out += escapeXml(std::string(kReportTitle) +
                       (document.projectName.empty() ? "" : " — " + document.projectName));
    w.out += "</title>\n<style>\n";
    w.out += pageRules(document);
    w.out += kStyle;
    w.out += "</style>\n</head>\n<body>\n";
    for (const Block& block : document.blocks) {
        std::visit(w, block);
        w.out += '\n';
    }
    w.out += "</body>\n</html>\n";
    return std::move(w.out);
}

}  // namespace extcalc::report
