// SPDX-License-Identifier: MIT
#include "report_command.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>

#include "console.h"
#include "extcalc/file_errors.h"
#include "extcalc/plan_view.h"
#include "extcalc/report.h"
#include "extcalc/unit_table.h"

#ifdef EXTCALC_HAVE_PDF
#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>
#include <QtGlobal>
#include <memory>

#include "extcalc/plan_painter.h"
#include "extcalc/report_pdf.h"
#endif

namespace extcalc::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::string_view kName = "extinguisher-calc-cli：";

enum class Format { Html, Pdf };

std::optional<Format> formatOf(const std::filesystem::path& out) {
    std::string extension = out.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".html" || extension == ".htm" || extension == ".xhtml") {
        return Format::Html;
    }
    if (extension == ".pdf") {
        return Format::Pdf;
    }
    return std::nullopt;
}

int usage(std::ostream& err, std::string_view message) {
    err << kName << message << "\n（用 --help 查看用法）\n";
    return kExitUsage;
}

#ifdef EXTCALC_HAVE_PDF
// Qt's notices about the desktop session it finds (no runtime folder when started from a
// service or as root) say nothing about the report; the command line's standard error is
// for its own messages. Warnings about the report itself still get through.
void quietSessionNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QStringLiteral("QStandardPaths:"))) {
        return;
    }
    qt_message_output(type, context, text);
}

// Qt lays the text out; the command line has no window, so the offscreen platform
// serves unless the user chose one.
std::unique_ptr<QGuiApplication> guiApplication() {
    std::unique_ptr<QGuiApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "extinguisher-calc-cli";
        static char* argv[] = {name, nullptr};
        qInstallMessageHandler(quietSessionNotices);
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    return application;
}

int writePdfFile(const report::Document& document, const std::filesystem::path& out,
                 std::ostream& err) {
    const auto application = guiApplication();
    const report::PdfWritten written = report::writePdf(document, out);
    if (!written.ok) {
        err << kName << "无法写入“" << out.string() << "”：" << written.error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}
#endif

}  // namespace

int writeReport(const building::Project& project, const std::filesystem::path& out,
                std::ostream& err) {
    const auto format = formatOf(out);
    if (!format) {
        return usage(err, "报告文件“" + out.string() + "”的扩展名应为 .pdf 或 .html");
    }
    const report::Document document = report::buildReport(project);
    if (*format == Format::Pdf) {
#ifdef EXTCALC_HAVE_PDF
        if (const int written = writePdfFile(document, out, err); written != kExitOk) {
            return written;
        }
#else
        err << kName << "本版本不能生成 PDF（PDF 需要带 Qt 的版本），请改用 .html\n";
        return kExitFailed;
#endif
    } else if (const std::error_code error =
                   building::writeFileSafely(out, report::renderHtml(document))) {
        err << kName << "无法写入“" << out.string() << "”："
            << building::describeFileError(error, building::FileUse::Write) << '\n';
        return kExitFailed;
    }
    // The report is written for the reviewer to see the faults, but a script must not
    // take it for a finished design.
    if (const auto failed = report::unitsInError(project); !failed.empty()) {
        err << kName << report::unitsInErrorNotice(failed) << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int runReportCommand(ReportSource source, const std::string& sourcePath,
                     building::Standard standard, const std::string& reportPath,
                     std::ostream& err) {
    if (!formatOf(reportPath)) {
        return usage(err, "报告文件“" + reportPath + "”的扩展名应为 .pdf 或 .html");
    }
    building::ProjectRead read;
    if (source == ReportSource::Project) {
        read = building::readProjectFile(pathFromUtf8(sourcePath));
    } else {
        std::ifstream table(pathFromUtf8(sourcePath), std::ios::binary);
        if (!table) {
            err << kName << "无法打开表格文件“" << sourcePath << "”\n";
            return kExitUsage;
        }
        read = building::readTableAsProject(table, standard);
    }
    if (!read.project) {
        err << kName << "无法读入" << (source == ReportSource::Project ? "工程" : "表格") << "文件“"
            << sourcePath << "”：" << (read.error ? read.error->text() : std::string()) << '\n';
        return kExitUsage;
    }
    return writeReport(*read.project, pathFromUtf8(reportPath), err);
}

namespace {

// A unit's name as part of a file name: the characters no file system takes become "_".
std::string fileNamePart(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const bool bad = std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos ||
                         (static_cast<unsigned char>(c) < 0x20);
        out += bad ? '_' : c;
    }
    return out;
}

}  // namespace

int runPlanImages(const std::string& projectPath, const std::string& dir, std::ostream& out,
                  std::ostream& err) {
    const building::ProjectRead read = building::readProjectFile(pathFromUtf8(projectPath));
    if (!read.project) {
        err << kName << "无法读入工程文件“" << projectPath << "”："
            << (read.error ? read.error->text() : std::string()) << '\n';
        return kExitUsage;
    }
    const std::filesystem::path folder = pathFromUtf8(dir);
    std::error_code made;
    std::filesystem::create_directories(folder, made);
#ifdef EXTCALC_HAVE_PDF
    const auto application = guiApplication();
#endif
    const building::Project& project = *read.project;
    int written = 0;
    for (std::size_t i = 0; i < project.units.size(); ++i) {
        const building::UnitCells& cells = project.units[i];
        const auto figure = building::planFigure(building::evaluate(project.standard, cells));
        if (!figure) {
            continue;
        }
        const plan::draw::Drawing drawing = plan::draw::layout(*figure, building::kPlanImageFrame);
        const std::string base =
            std::to_string(i + 1) + "-" + fileNamePart(cells.empty() ? "" : cells.front());
        std::vector<std::pair<std::string, std::string>> files{
            {base + ".svg", plan::draw::svg(drawing)}};
#ifdef EXTCALC_HAVE_PDF
        const QByteArray png = report::planPng(drawing);
        files.emplace_back(base + ".png",
                           std::string(png.constData(), static_cast<std::size_t>(png.size())));
#endif
        for (const auto& [name, bytes] : files) {
            const std::filesystem::path path = folder / pathFromUtf8(name);
            if (const std::error_code error = building::writeFileSafely(path, bytes)) {
                err << kName << "无法写入“" << path.string() << "”："
                    << building::describeFileError(error, building::FileUse::Write) << '\n';
                return kExitFailed;
            }
            out << path.string() << '\n';
        }
        ++written;
    }
    if (written == 0) {
        err << kName << "工程“" << projectPath << "”中没有带可用平面的计算单元\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace extcalc::cli
