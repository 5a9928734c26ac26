// SPDX-License-Identifier: MIT
#include "caption.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace extcalc::ui {

Caption::Caption(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QStringList Caption::lines() const {
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    QStringList result;
    QString line;
    QString blanks;
    QString word;
    const auto placeWord = [&] {
        if (word.isEmpty()) {
            return;
        }
        const QString longer = line + blanks + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            result << line;
            line = word;
        } else {
            line = longer;
        }
        blanks.clear();
        word.clear();
    };
    for (const QChar c : text()) {
        if (c == QLatin1Char(' ')) {
            placeWord();
            if (!line.isEmpty()) {
                blanks += c;
            }
        } else {
            word += c;
        }
    }
    placeWord();
    if (!line.isEmpty()) {
        result << line;
    }
    return result;
}

int Caption::neededHeight() const {
    return static_cast<int>(lines().size()) * fontMetrics().lineSpacing();
}

void Caption::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), lines().join(QLatin1Char('\n')), foregroundRole());
}

}  // namespace extcalc::ui
