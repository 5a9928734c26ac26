// SPDX-License-Identifier: MIT
#include "extcalc/plan_painter.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <variant>

namespace extcalc::report {

namespace draw = plan::draw;

namespace {

QColor colour(std::uint32_t rgb, double opacity = 1.0) {
    QColor c(static_cast<int>((rgb >> 16) & 0xFFU), static_cast<int>((rgb >> 8) & 0xFFU),
             static_cast<int>(rgb & 0xFFU));
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

void setInk(QPainter& p, draw::Ink ink, double scale, bool filled) {
    const draw::Style s = draw::style(ink);
    if (s.strokeWidth > 0.0) {
        QPen pen(colour(s.stroke), s.strokeWidth * scale);
        if (s.dashed) {
            // Qt counts dashes in pen widths; the SVG's dash of 3w + 1 and gap of 2w + 1.
            pen.setDashPattern({3.0 + 1.0 / s.strokeWidth, 2.0 + 1.0 / s.strokeWidth});
        }
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    if (filled && s.fillOpacity > 0.0) {
        p.setBrush(colour(s.fill, s.fillOpacity));
    } else {
        p.setBrush(Qt::NoBrush);
    }
}

}  // namespace

double paintPlan(QPainter& p, const draw::Drawing& d, const QRectF& target) {
    const double scale = std::min(target.width() / d.width, target.height() / d.height);
    const auto at = [&](plan::Point point) {
        return QPointF(target.left() + point.x * scale, target.top() + point.y * scale);
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double dpi = p.device() != nullptr ? p.device()->logicalDpiY() : 96.0;
    for (const draw::Item& item : d.items) {
        if (const auto* line = std::get_if<draw::Line>(&item)) {
            setInk(p, line->ink, scale, false);
            p.drawLine(at(line->a), at(line->b));
        } else if (const auto* area = std::get_if<draw::Area>(&item)) {
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            for (const plan::Ring& ring : area->rings) {
                if (ring.empty()) {
                    continue;
                }
                path.moveTo(at(ring.front()));
                for (std::size_t i = 1; i < ring.size(); ++i) {
                    path.lineTo(at(ring[i]));
                }
                path.closeSubpath();
            }
            setInk(p, area->ink, scale, true);
            p.drawPath(path);
        } else if (const auto* circle = std::get_if<draw::Circle>(&item)) {
            setInk(p, circle->ink, scale, true);
            p.drawEllipse(at(circle->centre), circle->radius * scale, circle->radius * scale);
        } else if (const auto* text = std::get_if<draw::Text>(&item)) {
            const draw::Style s = draw::style(text->ink);
            // DejaVu for Latin letters and digits first, as the report's own texts.
            QFont font;
            font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
            font.setPointSizeF(text->size * scale * 72.0 / dpi);
            font.setBold(s.bold);
            const QFontMetricsF metrics(font, p.device());
            const QString content = QString::fromStdString(text->text);
            const double width = metrics.horizontalAdvance(content);
            const double x = text->anchor == draw::Anchor::Start    ? 0.0
                             : text->anchor == draw::Anchor::Middle ? -width / 2.0
                                                                    : -width;
            const double baseline = (metrics.ascent() - metrics.descent()) / 2.0;
            p.save();
            p.translate(at(text->at));
            p.rotate(-text->angle);
            p.setFont(font);
            p.setPen(colour(s.text));
            p.drawText(QPointF(x, baseline), content);
            p.restore();
        }
    }
    p.restore();
    return scale;
}

QByteArray planPng(const draw::Drawing& d) {
    QImage image(static_cast<int>(std::ceil(d.width)), static_cast<int>(std::ceil(d.height)),
                 QImage::Format_RGB32);
    // 96 dots per inch, so that a text of 18 page units is 18 pixels high.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        paintPlan(p, d, QRectF(0, 0, d.width, d.height));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace extcalc::report
