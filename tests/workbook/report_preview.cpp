// SPDX-License-Identifier: MIT
// The report as the workbook's print preview shows it, page by page, as PNG: to compare
// with the PDF's pages (pdftoppm) by eye. Runs on the offscreen platform.
//
//   extcalc-report-preview PROJECT.exdesign OUT-PREFIX

#include <QApplication>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>
#include <cstdio>

#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: extcalc-report-preview PROJECT.exdesign OUT-PREFIX\n", stderr);
        return 2;
    }
    const auto read = extcalc::building::readProjectFile(argv[1]);
    if (!read.project) {
        std::fputs("cannot read the project\n", stderr);
        return 1;
    }
    const auto document = extcalc::report::buildReport(*read.project);
    // Set up as the workbook's 打印计算书 sets up its printer.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&document](QPrinter* target) {
        extcalc::report::paintReport(document, *target);
    });
    preview.resize(900, 1250);
    preview.setViewMode(QPrintPreviewWidget::SinglePageView);
    preview.show();
    preview.updatePreview();
    if (!QTest::qWaitForWindowExposed(&preview)) {
        return 1;
    }
    for (int page = 1; page <= preview.pageCount(); ++page) {
        preview.setCurrentPage(page);
        preview.fitInView();
        QTest::qWait(100);
        preview.grab().save(
            QStringLiteral("%1-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(page));
    }
    return 0;
}
