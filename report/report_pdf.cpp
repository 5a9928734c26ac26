// SPDX-License-Identifier: MIT
#include "extcalc/report_pdf.h"

#include "extcalc/file_errors.h"
#include "extcalc/plan_painter.h"
#include "extcalc/project.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cstddef>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

namespace extcalc::report {
namespace {

// Device units per millimetre: fine enough that rounding never shows.
constexpr int kDpi = 600;
constexpr double kPerMm = kDpi / 25.4;

constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;
constexpr double kLeftMm = 20.0;
constexpr double kRightMm = 18.0;
constexpr double kTopMm = 24.0;     // below the page header
constexpr double kBottomMm = 20.0;  // above the page number
constexpr double kCellPadMm = 1.4;

// Latin letters and digits from DejaVu Sans: with Noto CJK, Qt shapes digits after a
// Latin letter into glyphs outside the font's character map, which the PDF then cannot
// name, so "GB 50140-2005" would copy as "GB -". Chinese falls through to Noto CJK.
const char* const kLatinFamily = "DejaVu Sans";
const char* const kFamily = "Noto Sans CJK SC";

double mm(double value) {
    return value * kPerMm;
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QFont font(double points, bool bold = false) {
    QFont f;
    f.setFamilies({QString::fromLatin1(kLatinFamily), QString::fromLatin1(kFamily)});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

const QColor kInk(0x1a, 0x1a, 0x1a);
const QColor kMuted(0x55, 0x55, 0x55);
const QColor kAccent(0x3a, 0x5f, 0x8f);
const QColor kRule(0x77, 0x77, 0x77);
const QColor kHeaderFill(0xe8, 0xed, 0xf3);
const QColor kFormulaFill(0xf3, 0xf5, 0xf8);

QColor statusColor(Status status) {
    switch (status) {
        case Status::Pass:
            return {0x2e, 0x7d, 0x32};
        case Status::Fail:
            return {0xc6, 0x28, 0x28};
        case Status::Warn:
            return {0xb2, 0x6a, 0x00};
    }
    return kInk;
}

QColor statusFill(Status status) {
    return status == Status::Fail   ? QColor(0xfd, 0xec, 0xea)
           : status == Status::Warn ? QColor(0xff, 0xf6, 0xe5)
                                    : QColor(Qt::white);
}

// Painted either as text (the PDF, whose text can be copied and searched) or as the
// glyphs' outlines (a printer and its preview): Qt's preview records text to replay it
// later with fonts resolved anew for the screen, which put Latin letters and Chinese at
// different sizes and off one baseline. Outlines are only geometry, scaled as the PDF's.
enum class TextAs { Text, Outlines };
using Paint = std::function<void(QPainter&, TextAs)>;

void drawOutlines(QPainter& p, const QTextLayout& layout, const QPointF& at, const QColor& color) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        QPainterPath path;
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            path.addPath(raw.pathForGlyph(glyphs[i]).translated(at + positions[i]));
        }
        p.drawPath(path);
    }
    p.restore();
}

// Text broken into lines at a width; Chinese breaks between any two characters.
struct Text {
    std::shared_ptr<QTextLayout> layout;
    double height = 0.0;
    double width = 0.0;  // of the widest line
};

class Layouter {
  public:
    explicit Layouter(QPaintDevice* device) : device_(device) { newPage(); }

    std::vector<std::vector<Paint>> pages;

    Text text(const QString& content, const QFont& f, double width,
              Qt::Alignment align = Qt::AlignLeft,
              const QList<QTextLayout::FormatRange>& formats = {}) const {
        Text t;
        t.layout = std::make_shared<QTextLayout>(content, f, device_);
        QTextOption option(align);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        t.layout->setTextOption(option);
        t.layout->setFormats(formats);
        // Lines step by the Chinese font's spacing, baselines where its ascent puts them,
        // whatever font a line's glyphs come from: "2A" beside "级别" stays on its line.
        QFont cjk(QString::fromLatin1(kFamily));
        cjk.setPointSizeF(f.pointSizeF());
        const QFontMetricsF metrics(cjk, device_);
        t.layout->beginLayout();
        for (QTextLine line = t.layout->createLine(); line.isValid();
             line = t.layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0.0, t.height + metrics.ascent() - line.ascent()));
            t.height += std::max(metrics.height(), line.height());
            t.width = std::max(t.width, line.naturalTextWidth());
        }
        t.layout->endLayout();
        return t;
    }

    [[nodiscard]] double advance(const QString& content, const QFont& f) const {
        return QFontMetricsF(f, device_).horizontalAdvance(content);
    }

    void paint(Paint item) { pages.back().push_back(std::move(item)); }
    void paint(std::size_t page, Paint item) { pages.at(page).push_back(std::move(item)); }
    static Paint drawing(const Text& t, double px, double py, const QColor& color) {
        return [layout = t.layout, px, py, color](QPainter& p, TextAs as) {
            if (as == TextAs::Outlines) {
                drawOutlines(p, *layout, QPointF(px, py), color);
                return;
            }
            p.setPen(color);
            layout->draw(&p, QPointF(px, py));
        };
    }
    void draw(const Text& t, double px, double py, const QColor& color = kInk) {
        paint(drawing(t, px, py, color));
    }
    void fill(const QRectF& rect, const QColor& color) {
        paint([rect, color](QPainter& p, TextAs) { p.fillRect(rect, color); });
    }
    static Paint ruling(const QPointF& from, const QPointF& to, const QColor& color,
                        double widthMm) {
        return [from, to, color, widthMm](QPainter& p, TextAs) {
            p.setPen(QPen(color, mm(widthMm)));
            p.drawLine(from, to);
        };
    }
    void rule(const QPointF& from, const QPointF& to, const QColor& color, double widthMm) {
        paint(ruling(from, to, color, widthMm));
    }

    // Starts a new page unless height fits below y.
    void room(double height) {
        if (y + height > bottom() && y > top()) {
            newPage();
        }
    }
    void newPage() {
        pages.emplace_back();
        y = top();
    }

    static double top() { return mm(kTopMm); }
    static double bottom() { return mm(kPageHeightMm - kBottomMm); }
    static double left() { return mm(kLeftMm); }
    static double width() { return mm(kPageWidthMm - kLeftMm - kRightMm); }

    double y = 0.0;

    [[nodiscard]] QPaintDevice* device() const { return device_; }

  private:
    QPaintDevice* device_;
};

// A table cell's text as pieces that never break inside: the words between blanks, a
// bracket such as "（具）" on its own, and a figure kept with its unit ("4 kg", "10 具").
// Pieces longer than kLongPiece characters (a long name) may still break anywhere.
constexpr qsizetype kLongPiece = 8;

bool isUnitPiece(const QString& piece) {
    static const QStringList units{QStringLiteral("kg"), QStringLiteral("L"),  QStringLiteral("m"),
                                   QStringLiteral("m²"), QStringLiteral("具"), QStringLiteral("A"),
                                   QStringLiteral("B")};
    return units.contains(piece);
}

constexpr QChar kBreakHere(0x200B);

QStringList piecesOf(const QString& text) {
    QStringList pieces;
    for (const QString& word : text.split(QChar(u' '), Qt::SkipEmptyParts)) {
        if (!pieces.isEmpty() && isUnitPiece(word) && pieces.back().back().isDigit()) {
            pieces.back() += QChar(u' ') + word;
            continue;
        }
        // A full-width bracket starts a piece of its own: 每点 / （具）.
        qsizetype from = 0;
        for (qsizetype at = word.indexOf(QChar(u'（'), 1); at > 0;
             at = word.indexOf(QChar(u'（'), at + 1)) {
            pieces.push_back(word.mid(from, at - from));
            from = at;
        }
        // A zero-width space allows a break without a blank: "15A/" then "1100B". It stays at
        // the end of its piece, so that joining the pieces again adds no blank after it.
        const QString rest = word.mid(from);
        qsizetype start = 0;
        for (qsizetype at = rest.indexOf(kBreakHere); at >= 0;
             at = rest.indexOf(kBreakHere, start)) {
            pieces.push_back(rest.mid(start, at + 1 - start));
            start = at + 1;
        }
        if (start < rest.size()) {
            pieces.push_back(rest.mid(start));
        }
    }
    return pieces;
}

class BlockLayout {
  public:
    explicit BlockLayout(Layouter& l) : l_(l) {}

    double keyWidth = mm(30);  // of the key column of a run of key/value lines

    void operator()(const TitleBlock& b) {
        l_.y += mm(8);
        const Text title = l_.text(q(b.title), font(22, true), Layouter::width(), Qt::AlignHCenter);
        l_.draw(title, Layouter::left(), l_.y);
        l_.y += title.height + mm(12);
        const double keyW = mm(28);
        const double valueW = mm(100);
        const double x = Layouter::left() + (Layouter::width() - keyW - valueW) / 2;
        const auto fieldLines = [&](const auto& fields) {
            for (const auto& field : fields) {
                const Text key = l_.text(q(field.key), font(11), keyW - mm(4), Qt::AlignRight);
                const Text value = l_.text(q(field.value), font(11), valueW - mm(2));
                const double h = std::max({key.height, value.height, mm(6)});
                l_.draw(key, x, l_.y);
                l_.draw(value, x + keyW + mm(2), l_.y);
                // Empty fields keep their line, to be filled in by hand.
                l_.rule({x + keyW, l_.y + h + mm(1)}, {x + keyW + valueW, l_.y + h + mm(1)}, kRule,
                        0.2);
                l_.y += h + mm(5);
            }
        };
        fieldLines(b.fields);
        if (!b.overview.empty()) {
            l_.y += mm(2);
            const Text caption = l_.text(q(b.overviewCaption), font(11, true), keyW + valueW);
            l_.draw(caption, x, l_.y);
            l_.y += caption.height + mm(3);
            fieldLines(b.overview);
        }
        if (!b.signatures.empty()) {
            signatures(b, x, keyW + valueW);
        }
        l_.y += mm(4);
        l_.rule({Layouter::left(), l_.y}, {Layouter::left() + Layouter::width(), l_.y}, kInk, 0.5);
        l_.y += mm(6);
    }

    // Role, name as typed, and a box to sign in by hand: tall enough for a signature.
    void signatures(const TitleBlock& b, double x, double width) {
        l_.y += mm(4);
        const std::array<double, 3> widths{width * 0.28, width * 0.32, width * 0.40};
        const auto line = [&](const std::vector<std::string>& cells, double h, bool header) {
            double cx = x;
            if (header) {
                l_.fill(QRectF(x, l_.y, width, h), kHeaderFill);
            }
            for (std::size_t c = 0; c < widths.size(); ++c) {
                const Text t = l_.text(q(c < cells.size() ? cells[c] : std::string()), font(11),
                                       widths[c] - 2 * mm(kCellPadMm),
                                       header ? Qt::AlignHCenter : Qt::AlignLeft);
                l_.draw(t, cx + mm(kCellPadMm), l_.y + (h - t.height) / 2);
                l_.paint([rect = QRectF(cx, l_.y, widths[c], h)](QPainter& p, TextAs) {
                    p.setPen(QPen(kRule, mm(0.2)));
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(rect);
                });
                cx += widths[c];
            }
            l_.y += h;
        };
        line(b.signatureHeader, mm(8), true);
        for (const auto& field : b.signatures) {
            line({field.key, field.value}, mm(12), false);
        }
    }

    void operator()(const Heading& b) {
        const bool section = b.level <= 1;
        const Text t = l_.text(q(b.text), font(section ? 14 : 12, true), Layouter::width() - mm(4));
        // A heading never stands alone at the foot of a page.
        l_.room(t.height + mm(section ? 28 : 22));
        l_.y += mm(section ? 6 : 4);
        if (section) {
            l_.fill(QRectF(Layouter::left(), l_.y, mm(1.2), t.height), kAccent);
            l_.draw(t, Layouter::left() + mm(3.5), l_.y);
            l_.y += t.height + mm(2.5);
        } else {
            l_.draw(t, Layouter::left(), l_.y);
            l_.y += t.height + mm(0.8);
            l_.rule({Layouter::left(), l_.y}, {Layouter::left() + Layouter::width(), l_.y},
                    QColor(0xbb, 0xbb, 0xbb), 0.25);
            l_.y += mm(2);
        }
    }

    void operator()(const Paragraph& b) {
        const Text t = l_.text(q(b.text), font(10), Layouter::width());
        l_.room(t.height);
        l_.draw(t, Layouter::left(), l_.y);
        l_.y += t.height + mm(1.5);
    }

    void operator()(const KeyValue& b) {
        const Text key = l_.text(q(b.field.key + "："), font(10), keyWidth);
        const Text value = l_.text(q(b.field.value), font(10), Layouter::width() - keyWidth);
        const double h = std::max(key.height, value.height);
        l_.room(h);
        l_.draw(key, Layouter::left(), l_.y, kMuted);
        l_.draw(value, Layouter::left() + keyWidth, l_.y);
        l_.y += h + mm(0.6);
    }

    void operator()(const Formula& b) {
        const double indent = mm(6);
        const Text label = l_.text(q(b.label + "："), font(10), Layouter::width());
        QString content = q(b.formula);
        QList<QTextLayout::FormatRange> formats;
        if (!b.taken.empty()) {
            content += QStringLiteral("，");
            QTextLayout::FormatRange bold;
            bold.start = static_cast<int>(content.size());
            content += q(b.taken);
            bold.length = static_cast<int>(content.size()) - bold.start;
            bold.format.setFontWeight(QFont::Bold);
            formats.append(bold);
        }
        const Text formula = l_.text(content, font(10.5), Layouter::width() - indent - mm(4),
                                     Qt::AlignLeft, formats);
        l_.room(label.height + formula.height + mm(2));
        l_.draw(label, Layouter::left(), l_.y, kMuted);
        l_.y += label.height + mm(0.4);
        l_.fill(
            QRectF(Layouter::left() + indent, l_.y, formula.width + mm(4), formula.height + mm(1)),
            kFormulaFill);
        l_.draw(formula, Layouter::left() + indent + mm(2), l_.y + mm(0.5));
        l_.y += formula.height + mm(2.2);
    }

    void operator()(const Check& b) {
        const double badgeW = mm(14);
        const double clauseW = mm(26);  // room for 【强条】 and a clause on one line
        const Text badge =
            l_.text(q(std::string(statusText(b.status))), font(9, true), badgeW, Qt::AlignHCenter);
        // The mark is what the label has before the clause.
        const QString label = q(b.clauseLabel());
        QList<QTextLayout::FormatRange> markBold;
        if (b.mandatory()) {
            QTextLayout::FormatRange bold;
            bold.start = 0;
            bold.length = static_cast<int>(label.size() - q(b.clause).size());
            bold.format.setFontWeight(QFont::Bold);
            markBold.append(bold);
        }
        const Text clause = l_.text(label, font(10), clauseW, Qt::AlignLeft, markBold);
        const double textW = Layouter::width() - badgeW - clauseW - mm(5);
        const Text text = l_.text(q(b.text), font(10), textW);
        const double h = std::max(text.height, badge.height) + mm(1.6);
        l_.room(h);
        const double x = Layouter::left();
        if (b.status != Status::Pass) {
            l_.fill(QRectF(x, l_.y, Layouter::width(), h), statusFill(b.status));
        }
        l_.fill(QRectF(x, l_.y, mm(0.9), h), statusColor(b.status));
        l_.draw(badge, x + mm(1.5), l_.y + mm(0.8), statusColor(b.status));
        l_.draw(clause, x + mm(2) + badgeW, l_.y + mm(0.8), b.mandatory() ? kInk : kMuted);
        l_.draw(text, x + mm(3) + badgeW + clauseW, l_.y + mm(0.8));
        l_.y += h + mm(0.8);
    }

    void operator()(const PlanFigure& b) {
        const double w = std::min(Layouter::width(), mm(160));
        const double h = w * b.drawing.height / b.drawing.width;
        const Text caption = l_.text(q(b.caption), font(9.5), w, Qt::AlignHCenter);
        l_.room(h + caption.height + mm(3));
        l_.y += mm(1.5);
        const double x = Layouter::left() + (Layouter::width() - w) / 2.0;
        const QRectF target(x, l_.y, w, h);
        l_.paint([drawing = std::make_shared<plan::draw::Drawing>(b.drawing), target](
                     QPainter& p, TextAs) { paintPlan(p, *drawing, target); });
        l_.y += h + mm(0.8);
        l_.draw(caption, x, l_.y, kMuted);
        l_.y += caption.height + mm(2.5);
    }

    void operator()(const Table& b) {
        const std::size_t columns = b.header.size();
        // Many columns on a portrait page: less padding leaves the values their room.
        pad_ = columns > 10 ? kCellPadMm * 0.6 : kCellPadMm;
        std::vector<double> widths(columns, Layouter::width() / static_cast<double>(columns));
        if (b.weights.size() == columns) {
            const double sum = std::accumulate(b.weights.begin(), b.weights.end(), 0.0);
            for (std::size_t c = 0; c < columns; ++c) {
                widths[c] = Layouter::width() * b.weights[c] / sum;
            }
        }
        keepValuesWhole(b, widths);
        const auto cells = [&](const std::vector<std::string>& row, bool bold, bool header) {
            std::vector<Text> texts;
            for (std::size_t c = 0; c < columns; ++c) {
                const bool numeric = !header && c < b.numeric.size() && b.numeric[c];
                const double inner = widths[c] - 2 * mm(pad_);
                texts.push_back(l_.text(
                    wrapped(q(c < row.size() ? row[c] : std::string()), font(9, bold), inner),
                    font(9, bold), inner,
                    header    ? Qt::AlignHCenter
                    : numeric ? Qt::AlignRight
                              : Qt::AlignLeft));
            }
            return texts;
        };
        const auto heightOf = [this](const std::vector<Text>& texts) {
            double h = 0.0;
            for (const Text& t : texts) {
                h = std::max(h, t.height);
            }
            return h + 2 * mm(pad_);
        };
        const std::vector<Text> header = cells(b.header, true, true);
        const double headerH = heightOf(header);
        Text caption;
        if (!b.caption.empty()) {
            caption = l_.text(q(b.caption), font(10, true), Layouter::width());
        }
        const double firstRowH =
            b.rows.empty() ? 0.0 : heightOf(cells(b.rows.front(), false, false));
        l_.room(caption.height + headerH + firstRowH + mm(2));
        l_.y += mm(1);
        if (caption.layout) {
            l_.draw(caption, Layouter::left(), l_.y);
            l_.y += caption.height + mm(1);
        }
        row(header, widths, headerH, kHeaderFill);
        for (std::size_t r = 0; r < b.rows.size(); ++r) {
            const bool total = b.lastRowIsTotal && r + 1 == b.rows.size();
            const std::vector<Text> texts = cells(b.rows[r], total, false);
            const double h = heightOf(texts);
            // A row never splits: it goes whole to the next page, under the header again.
            if (l_.y + h > Layouter::bottom()) {
                l_.newPage();
                row(header, widths, headerH, kHeaderFill);
            }
            const Status status = r < b.rowStatus.size() ? b.rowStatus[r] : Status::Pass;
            row(texts, widths, h, statusFill(status));
            if (total) {
                l_.rule({Layouter::left(), l_.y - h},
                        {Layouter::left() + Layouter::width(), l_.y - h}, kInk, 0.5);
            }
        }
        l_.y += mm(3);
    }

  private:
    Layouter& l_;

    double pad_ = kCellPadMm;

    // The cell's pieces laid into lines at its width before Qt breaks anything, so that a
    // line ends between pieces and not inside one, as Qt would between two ideographs.
    [[nodiscard]] QString wrapped(const QString& text, const QFont& f, double width) const {
        QString lines;
        QString line;
        for (const QString& piece : piecesOf(text)) {
            const QString longer = line.isEmpty() || line.endsWith(kBreakHere)
                                       ? line + piece
                                       : line + QChar(u' ') + piece;
            if (!line.isEmpty() && l_.advance(longer, f) > width) {
                lines += line + QChar(QChar::LineSeparator);
                line = piece;
            } else {
                line = longer;
            }
        }
        return lines + line;
    }

    // A figure such as "1300B" or a short word such as "严重危险级" never breaks inside:
    // its column takes the width from columns that have room to spare, such as those of
    // long names, which may wrap.
    void keepValuesWhole(const Table& b, std::vector<double>& widths) const {
        const std::size_t columns = widths.size();
        std::vector<double> least(columns, 0.0);
        const auto widen = [&](std::size_t c, const std::string& text, bool bold, bool numeric) {
            for (const QString& piece : piecesOf(q(text))) {
                if (numeric || piece.size() <= kLongPiece) {
                    least[c] = std::max(least[c],
                                        l_.advance(piece, font(9, bold)) + 2 * mm(pad_) + mm(0.3));
                }
            }
        };
        for (std::size_t c = 0; c < columns; ++c) {
            widen(c, b.header[c], true, false);
        }
        for (std::size_t r = 0; r < b.rows.size(); ++r) {
            const bool total = b.lastRowIsTotal && r + 1 == b.rows.size();
            for (std::size_t c = 0; c < columns && c < b.rows[r].size(); ++c) {
                widen(c, b.rows[r][c], total, c < b.numeric.size() && b.numeric[c]);
            }
        }
        // More than the page holds: every column gives up the same share.
        const double needed = std::accumulate(least.begin(), least.end(), 0.0);
        if (needed > Layouter::width()) {
            std::transform(least.begin(), least.end(), least.begin(),
                           [needed](double w) { return w * Layouter::width() / needed; });
        }
        double missing = 0.0;
        double spare = 0.0;
        for (std::size_t c = 0; c < columns; ++c) {
            missing += std::max(0.0, least[c] - widths[c]);
            spare += std::max(0.0, widths[c] - least[c]);
        }
        if (missing <= 0.0 || spare <= 0.0) {
            return;
        }
        const double share = std::min(1.0, missing / spare);
        for (std::size_t c = 0; c < columns; ++c) {
            widths[c] =
                widths[c] < least[c] ? least[c] : widths[c] - (widths[c] - least[c]) * share;
        }
    }

    void row(const std::vector<Text>& texts, const std::vector<double>& widths, double h,
             const QColor& fill) {
        double x = Layouter::left();
        const double y = l_.y;
        if (fill != QColor(Qt::white)) {
            l_.fill(QRectF(x, y, Layouter::width(), h), fill);
        }
        for (std::size_t c = 0; c < texts.size(); ++c) {
            l_.draw(texts[c], x + mm(pad_), y + mm(pad_));
            l_.paint([rect = QRectF(x, y, widths[c], h)](QPainter& p, TextAs) {
                p.setPen(QPen(kRule, mm(0.2)));
                p.setBrush(Qt::NoBrush);
                p.drawRect(rect);
            });
            x += widths[c];
        }
        l_.y += h;
    }
};

// The header and footer of every page, laid out like the body so that a printer shows
// them as the PDF does. The header names the project on the left only when it has a name:
// the title is on the right already.
void frame(const Document& document, Layouter& l) {
    const double left = mm(kLeftMm);
    const double width = mm(kPageWidthMm - kLeftMm - kRightMm);
    const std::size_t pages = l.pages.size();
    const Text right = l.text(q(std::string(kReportTitle) + "　" + document.standard), font(8.5),
                              width, Qt::AlignRight);
    const double headerBottom = mm(16);
    const double rightWidth =
        l.advance(q(std::string(kReportTitle) + "　" + document.standard), font(8.5));
    Text name;
    if (!document.projectName.empty()) {
        const double room = std::max(0.0, width - rightWidth - mm(6));
        const QString elided = QFontMetricsF(font(8.5), l.device())
                                   .elidedText(q(document.projectName), Qt::ElideRight, room);
        name = l.text(elided, font(8.5), room + mm(1));
    }
    for (std::size_t page = 0; page < pages; ++page) {
        l.paint(page, Layouter::drawing(right, left, headerBottom - right.height, kMuted));
        if (name.layout) {
            l.paint(page, Layouter::drawing(name, left, headerBottom - name.height, kMuted));
        }
        l.paint(page, Layouter::ruling(QPointF(left, mm(17)), QPointF(left + width, mm(17)), kRule,
                                       0.25));
        const Text footer = l.text(QStringLiteral("第 %1 页 共 %2 页").arg(page + 1).arg(pages),
                                   font(8.5), width, Qt::AlignHCenter);
        l.paint(page, Layouter::drawing(footer, left, mm(kPageHeightMm - 14), kMuted));
    }
}

void paintPage(QPainter& p, const std::vector<Paint>& items, TextAs as) {
    for (const Paint& item : items) {
        item(p, as);
    }
}

// Qt names each glyph in a PDF's ToUnicode map by the lowest code point the font gives
// it, and Noto CJK gives many ideographs' glyphs to a radical too (工 and ⼯ U+2F2F), so
// copied or searched text would hold radicals. Each radical is mapped back to the
// ideograph of the same glyph, as the font itself says.
std::map<std::string, std::string> radicalIdeographs() {
    std::map<std::string, std::string> mapping;
    for (const bool bold : {false, true}) {
        QFont cjk(QString::fromLatin1(kFamily));
        cjk.setBold(bold);
        const QRawFont raw = QRawFont::fromFont(cjk);
        if (!raw.isValid()) {
            continue;
        }
        QString ideographs;
        for (char16_t c = 0x3400; c < 0xA000; ++c) {
            ideographs.append(QChar(c));
        }
        const QList<quint32> ideographGlyphs = raw.glyphIndexesForString(ideographs);
        std::map<quint32, char16_t> byGlyph;
        for (qsizetype i = 0; i < ideographGlyphs.size(); ++i) {
            byGlyph.emplace(ideographGlyphs[i], static_cast<char16_t>(0x3400 + i));
        }
        QString radicals;
        for (char16_t c = 0x2E80; c < 0x2FE0; ++c) {
            radicals.append(QChar(c));
        }
        const QList<quint32> radicalGlyphs = raw.glyphIndexesForString(radicals);
        for (qsizetype i = 0; i < radicalGlyphs.size(); ++i) {
            const auto found = byGlyph.find(radicalGlyphs[i]);
            if (radicalGlyphs[i] != 0 && found != byGlyph.end()) {
                mapping.emplace(QStringLiteral("<%1>")
                                    .arg(0x2E80 + i, 4, 16, QChar(u'0'))
                                    .toUpper()
                                    .toStdString(),
                                QStringLiteral("<%1>")
                                    .arg(int{found->second}, 4, 16, QChar(u'0'))
                                    .toUpper()
                                    .toStdString());
            }
        }
    }
    return mapping;
}

// Rewrites the target code points of every ToUnicode map in place: entries keep their
// length, so every offset of the file stays right. Qt writes these maps uncompressed.
void fixToUnicode(std::string& pdf) {
    static const std::map<std::string, std::string> mapping = radicalIdeographs();
    constexpr std::string_view kBegin = "begincmap";
    constexpr std::string_view kEnd = "endcmap";
    constexpr std::size_t kToken = 6;  // <XXXX>
    for (std::size_t at = pdf.find(kBegin); at != std::string::npos; at = pdf.find(kBegin, at)) {
        const std::size_t end = pdf.find(kEnd, at);
        if (end == std::string::npos) {
            return;
        }
        // Destinations only: those inside [ ], and the last of a line without one.
        for (std::size_t line = at; line < end;) {
            const std::size_t lineEnd = std::min(pdf.find('\n', line), end);
            const std::size_t bracket = pdf.find('[', line);
            std::size_t from = bracket < lineEnd ? bracket : pdf.rfind('<', lineEnd);
            if (from == std::string::npos || from < line) {
                from = lineEnd;
            }
            for (std::size_t t = pdf.find('<', from); t < lineEnd && t + kToken <= lineEnd;
                 t = pdf.find('<', t + 1)) {
                const auto found = mapping.find(pdf.substr(t, kToken));
                if (found != mapping.end()) {
                    pdf.replace(t, kToken, found->second);
                }
            }
            line = lineEnd + 1;
        }
        at = end;
    }
}

// Lays the whole document out for device, page by page, before anything is painted, so
// that every page knows how many there are.
void layOut(const Document& document, Layouter& layouter, QPaintDevice& device) {
    BlockLayout blocks(layouter);
    for (std::size_t i = 0; i < document.blocks.size(); ++i) {
        const Block& block = document.blocks[i];
        if (std::holds_alternative<KeyValue>(block) &&
            (i == 0 || !std::holds_alternative<KeyValue>(document.blocks[i - 1]))) {
            // One key column for a run of lines, wide enough for its longest key.
            double widest = 0.0;
            for (std::size_t j = i; j < document.blocks.size(); ++j) {
                const auto* kv = std::get_if<KeyValue>(&document.blocks[j]);
                if (kv == nullptr) {
                    break;
                }
                widest = std::max(
                    widest,
                    QFontMetricsF(font(10), &device).horizontalAdvance(q(kv->field.key + "：")));
            }
            blocks.keyWidth = std::clamp(widest + mm(2), mm(22), mm(60));
        }
        std::visit(blocks, block);
    }
    frame(document, layouter);
}

// Every page laid out, with the frame that names the page and the count.
int paintPages(QPainter& painter, QPagedPaintDevice& device, const Layouter& layouter, TextAs as) {
    const int pages = static_cast<int>(layouter.pages.size());
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            device.newPage();
        }
        paintPage(painter, layouter.pages[static_cast<std::size_t>(page)], as);
    }
    return pages;
}

void setUpA4(QPdfWriter& writer) {
    writer.setResolution(kDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

}  // namespace

int paintReport(const Document& document, QPagedPaintDevice& device) {
    // Laid out on a PDF device of the report's own resolution, then painted scaled to the
    // device's: a printer's page then looks exactly like the PDF's.
    QBuffer discarded;
    discarded.open(QIODevice::WriteOnly);
    QPdfWriter measure(&discarded);
    setUpA4(measure);
    Layouter layouter(&measure);
    layOut(document, layouter, measure);
    QPainter painter;
    if (!painter.begin(&device)) {
        return 0;
    }
    painter.scale(device.logicalDpiX() / static_cast<double>(kDpi),
                  device.logicalDpiY() / static_cast<double>(kDpi));
    const int pages = paintPages(painter, device, layouter, TextAs::Outlines);
    painter.end();
    return pages;
}

PdfWritten writePdf(const Document& document, const std::filesystem::path& path) {
    PdfWritten written;
    // Made in memory and then saved as a project is, so that a failure says why in the
    // same words and leaves an earlier file as it was.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        setUpA4(writer);
        writer.setTitle(q(std::string(kReportTitle)) + (document.projectName.empty()
                                                            ? QString()
                                                            : " — " + q(document.projectName)));
        writer.setCreator(q(std::string(kProgramName)));

        Layouter layouter(&writer);
        layOut(document, layouter, writer);

        QPainter painter;
        if (!painter.begin(&writer)) {
            written.error = "无法生成 PDF";
            return written;
        }
        written.pages = paintPages(painter, writer, layouter, TextAs::Text);
        painter.end();
    }
    std::string pdf(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    fixToUnicode(pdf);
    if (const std::error_code error = building::writeFileSafely(path, pdf)) {
        written.error = building::describeFileError(error, building::FileUse::Write);
        return written;
    }
    written.ok = true;
    return written;
}

}  // namespace extcalc::report
