// SPDX-License-Identifier: MIT
#include "result_box.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace extcalc::ui {
namespace {

// QLineEdit keeps these between its contents rectangle and the text; drawing
// at the same place keeps the text still when the box gains or loses the focus.
constexpr int kHorizontalMargin = 2;

// Shrinking in half points finds the largest size that fits without visible jumps.
constexpr qreal kPointSizeStep = 0.5;

int advance(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text);
}

}  // namespace

ResultBox::ResultBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, &ResultBox::updateToolTip);
}

QRect ResultBox::contentsArea() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .marginsRemoved(textMargins());
}

int ResultBox::textWidth() const {
    return std::max(0, contentsArea().width() - 2 * kHorizontalMargin);
}

bool ResultBox::fits() const {
    return advance(font(), text()) <= textWidth();
}

ResultBox::Shown ResultBox::shown() const {
    const QString whole = text();
    const int width = textWidth();
    QFont smaller = font();
    // A font set in pixels has no point size to shrink; it is shown elided instead.
    qreal size = smaller.pointSizeF();
    while (size > 0 && advance(smaller, whole) > width && size > kMinimumPointSize) {
        size = std::max(kMinimumPointSize, size - kPointSizeStep);
        smaller.setPointSizeF(size);
    }
    if (advance(smaller, whole) <= width) {
        return {smaller, whole};
    }
    // The exponent carries the size of the number: "5.83333…" alone would read as five,
    // where "5.83…E-03" is visibly cut and still says a few thousandths.
    const qsizetype exponentAt = whole.indexOf(QLatin1Char('E'));
    const QString exponent = exponentAt < 0 ? QString() : whole.mid(exponentAt);
    const QString mantissa = exponentAt < 0 ? whole : whole.left(exponentAt);
    const QFontMetrics metrics(smaller);
    const int room = width - metrics.horizontalAdvance(exponent);
    return {smaller, metrics.elidedText(mantissa, Qt::ElideRight, std::max(0, room)) + exponent};
}

void ResultBox::paintEvent(QPaintEvent* event) {
    // Focused or selected, the user is reading the digits one by one: the line
    // edit's own drawing scrolls and shows the selection.
    if (hasFocus() || hasSelectedText() || fits()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);

    const QRect area = contentsArea();
    painter.setClipRect(area);
    const Shown view = shown();
    painter.setFont(view.font);
    painter.setPen(palette().color(QPalette::Text));
    const QRect line = area.adjusted(kHorizontalMargin, 0, -kHorizontalMargin, 0);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, view.text);
}

void ResultBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    updateToolTip();
}

void ResultBox::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateToolTip();
    }
}

// Only a result the box cannot show at full size needs one; "0" as a tooltip
// would be noise.
void ResultBox::updateToolTip() {
    setToolTip(fits() ? QString() : text());
}

}  // namespace extcalc::ui
