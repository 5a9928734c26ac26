// SPDX-License-Identifier: MIT
// The project's ways out: the result table as CSV, the report as PDF, HTML or on paper,
// and the plan of one unit as an image. Kept apart from the life cycle in
// project_document.cpp, though the same class, since neither touches the other's state.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <optional>
#include <sstream>

#include "extcalc/file_errors.h"
#include "extcalc/plan_painter.h"
#include "extcalc/plan_view.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"
#include "extcalc/result_table.h"
#include "extcalc/unit_table.h"
#include "extcalc/workbook.h"
#include "project_document.h"
#include "unit_model.h"

namespace extcalc::workbook {

void ProjectDocument::chooseAndExport() {
    const QFileInfo proposed(proposedSavePath());
    const QString suggested =
        proposed.path() + QDir::separator() + proposed.completeBaseName() + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(
        window_, QStringLiteral("导出 CSV"), suggested, QStringLiteral("CSV 表格 (*.csv)"));
    if (!path.isEmpty()) {
        exportCsv(path);
    }
}

bool ProjectDocument::exportCsv(const QString& path) {
    std::ostringstream out;
    building::writeResultCsv(out, model_->workbook());
    const std::error_code error = building::writeFileSafely(fsPath(path), out.str());
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    emit statusMessage(QStringLiteral("已导出 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool ProjectDocument::exportReport(const QString& path) {
    const report::Document document = report::buildReport(model_->workbook().project());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("pdf")) {
        const report::PdfWritten written = report::writePdf(document, fsPath(path));
        if (!written.ok) {
            tell("无法导出“" + fileName(path) + "”：\n" + written.error);
            return false;
        }
        rememberFolder(path);
        emit statusMessage(QStringLiteral("计算书已导出到 %1").arg(QDir::toNativeSeparators(path)));
        return true;
    }
    if (suffix != QStringLiteral("html") && suffix != QStringLiteral("htm")) {
        tell("计算书的文件名应以 .pdf 或 .html 结尾：“" + fileName(path) + "”");
        return false;
    }
    const std::error_code error =
        building::writeFileSafely(fsPath(path), report::renderHtml(document));
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    emit statusMessage(QStringLiteral("计算书已导出到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool ProjectDocument::reportDespiteErrors(std::string_view action) {
    const auto failed = report::unitsInError(model_->workbook().project());
    if (failed.empty()) {
        return true;
    }
    const std::string text = report::unitsInErrorQuestion(failed, action);
    return showMessage_(window_, Message{text, {}, Icon::Question, Buttons::YesNo}) == Answer::Yes;
}

void ProjectDocument::chooseAndExportReport() {
    if (!reportDespiteErrors("导出")) {
        return;
    }
    const QString pdf = QStringLiteral("PDF 文件 (*.pdf)");
    const QString html = QStringLiteral("HTML 网页 (*.html)");
    const QFileInfo proposed(proposedSavePath());
    const QString suggested = proposed.path() + QDir::separator() + proposed.completeBaseName() +
                              QStringLiteral("-计算书.pdf");
    QString chosenFilter = pdf;
    QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("导出计算书"), suggested,
                                                pdf + QStringLiteral(";;") + html, &chosenFilter);
    if (path.isEmpty()) {
        return;
    }
    // The file type decides the format: a name without one takes the chosen filter's.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += chosenFilter == html ? QStringLiteral(".html") : QStringLiteral(".pdf");
    }
    exportReport(path);
}

void ProjectDocument::printReport() {
    if (!reportDespiteErrors("打印")) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("建筑灭火器配置设计计算书"));
    QPrintPreviewDialog preview(&printer, window_);
    preview.setObjectName(QStringLiteral("printPreview"));
    preview.setWindowTitle(QStringLiteral("打印预览 — 计算书"));
    const report::Document document = report::buildReport(model_->workbook().project());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&document](QPrinter* target) { report::paintReport(document, *target); });
    preview.exec();
}

bool ProjectDocument::exportPlanImage(const QString& path, int row) {
    // Computed afresh: the workbook keeps no unit's working, and the labels need its counts.
    const auto figure = row >= 0 ? building::planFigure(building::evaluate(
                                       model_->workbook().standard(),
                                       model_->workbook().cells(static_cast<std::size_t>(row))))
                                 : std::nullopt;
    if (!figure) {
        tell("所选的计算单元没有可用的平面");
        return false;
    }
    const plan::draw::Drawing drawing = plan::draw::layout(*figure, building::kPlanImageFrame);
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::error_code error;
    if (suffix == QStringLiteral("svg")) {
        error = building::writeFileSafely(fsPath(path), plan::draw::svg(drawing));
    } else if (suffix == QStringLiteral("png")) {
        const QByteArray png = report::planPng(drawing);
        error = building::writeFileSafely(fsPath(path), png.toStdString());
    } else {
        tell("平面图的文件名应以 .png 或 .svg 结尾：“" + fileName(path) + "”");
        return false;
    }
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    emit statusMessage(QStringLiteral("平面图已导出到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void ProjectDocument::chooseAndExportPlan(int row) {
    const QString png = QStringLiteral("PNG 图片 (*.png)");
    const QString svg = QStringLiteral("SVG 图形 (*.svg)");
    const QFileInfo proposed(proposedSavePath());
    const std::string unit =
        row >= 0 ? model_->workbook().cells(static_cast<std::size_t>(row)).front() : std::string();
    const QString suggested = proposed.path() + QDir::separator() + proposed.completeBaseName() +
                              QStringLiteral("-") + QString::fromStdString(unit) +
                              QStringLiteral("-平面.png");
    QString chosenFilter = png;
    QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("导出平面图"), suggested,
                                                png + QStringLiteral(";;") + svg, &chosenFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += chosenFilter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    }
    exportPlanImage(path, row);
}

}  // namespace extcalc::workbook
