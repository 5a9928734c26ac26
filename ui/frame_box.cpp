// SPDX-License-Identifier: MIT
#include "frame_box.h"

#include <QFontMetrics>
#include <QPainter>

namespace extcalc::ui {
namespace {

constexpr int kCaptionIndent = 8;
constexpr int kCaptionPadding = 2;

}  // namespace

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

void FrameBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QString caption = title();
    const QRect captionRect(kCaptionIndent, 0, metrics.horizontalAdvance(caption),
                            metrics.height());

    // The border runs through the middle of the caption, and stops short of it.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, captionRect.center().y(), -1, -1));
    painter.fillRect(captionRect.adjusted(-kCaptionPadding, 0, kCaptionPadding, 0),
                     palette().window());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter, caption);
}

}  // namespace extcalc::ui
