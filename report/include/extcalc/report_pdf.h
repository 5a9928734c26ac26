// SPDX-License-Identifier: MIT
#pragma once

// The report as a PDF: A4 portrait, the project in every page's header, 第 X 页 共 Y 页
// at the foot, tables that carry their header row onto the next page, fonts embedded.
// Needs a QGuiApplication (Qt's text engine), which the caller owns.

#include <filesystem>
#include <string>

#include "extcalc/report.h"

class QPagedPaintDevice;

namespace extcalc::report {

struct PdfWritten {
    bool ok = false;
    int pages = 0;
    std::string error;  // why not, in Chinese, as a failed save says it (no file names)
};

// Lays the whole document out first, so every page knows the count, then paints it and
// writes it as projects are saved (writeFileSafely): a failure leaves any earlier file as
// it was.
PdfWritten writePdf(const Document& document, const std::filesystem::path& path);

// The same pages painted onto another paged device, a printer or its preview, which the
// caller has set to A4 with the whole page to paint on; text as the glyphs' outlines, so
// that every device shows exactly the PDF's shapes. Returns the number of pages, 0
// when the device could not be painted on.
int paintReport(const Document& document, QPagedPaintDevice& device);

}  // namespace extcalc::report
