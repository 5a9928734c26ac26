// SPDX-License-Identifier: MIT
#include "plan_pane.h"

#include <QAbstractItemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "extcalc/plan_painter.h"
#include "extcalc/plan_view.h"
#include "extcalc/units.h"
#include "unit_model.h"

namespace extcalc::workbook {

namespace {

// A press this near a point's centre takes the point, in pixels.
constexpr double kGrab = 12.0;

}  // namespace

PlanCanvas::PlanCanvas(QWidget* parent) : QWidget(parent) {
    // Small enough that the window keeps the sizes it had before the pane; the drawing scales.
    setMinimumSize(120, 40);
    setMouseTracking(false);
    setAutoFillBackground(false);
}

void PlanCanvas::setFigure(std::optional<plan::draw::Figure> figure) {
    figure_ = std::move(figure);
    dragged_ = -1;
    relayout();
}

void PlanCanvas::relayout() {
    drawing_ = {};
    if (figure_) {
        // The text a little larger than on paper, read on a screen.
        drawing_ = plan::draw::layout(
            *figure_, {static_cast<double>(width()), static_cast<double>(height()), 12.0});
        scale_ = std::min(width() / drawing_.width, height() / drawing_.height);
    }
    update();
}

QPointF PlanCanvas::toWidget(plan::Point metres) const {
    const plan::Point page = drawing_.toPage(metres);
    return {page.x * scale_, page.y * scale_};
}

plan::Point PlanCanvas::toPlan(QPointF widget) const {
    return drawing_.toPlan({widget.x() / scale_, widget.y() / scale_});
}

void PlanCanvas::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!figure_) {
        return;
    }
    report::paintPlan(p, drawing_, QRectF(rect()));
}

void PlanCanvas::resizeEvent(QResizeEvent* /*event*/) {
    relayout();
}

int PlanCanvas::pointAt(QPointF widget) const {
    if (!figure_) {
        return -1;
    }
    int best = -1;
    double nearest = kGrab;
    for (std::size_t i = 0; i < figure_->points.size(); ++i) {
        const QPointF at = toWidget(figure_->points[i]);
        const double d = std::hypot(at.x() - widget.x(), at.y() - widget.y());
        if (d <= nearest) {
            nearest = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

bool PlanCanvas::onFloor(plan::Point p) const {
    return figure_ &&
           std::any_of(figure_->rooms.begin(), figure_->rooms.end(),
                       [&](const plan::Outline& o) { return plan::Room(o).contains(p); });
}

void PlanCanvas::mousePressEvent(QMouseEvent* event) {
    if (!figure_) {
        return;
    }
    const QPointF at = event->position();
    const int hit = pointAt(at);
    if (event->button() == Qt::RightButton) {
        if (hit >= 0) {
            auto points = figure_->points;
            points.erase(points.begin() + hit);
            emit pointsEdited(points);
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (hit >= 0) {
        dragged_ = hit;
        moved_ = false;
        return;
    }
    const plan::Point spot = toPlan(at);
    if (onFloor(spot)) {
        auto points = figure_->points;
        points.push_back(spot);
        emit pointsEdited(points);
    }
}

void PlanCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragged_ < 0 || !figure_) {
        return;
    }
    const plan::Point spot = toPlan(event->position());
    if (!onFloor(spot)) {
        return;  // a point stays in its room
    }
    figure_->points[static_cast<std::size_t>(dragged_)] = spot;
    // While dragging, the old check no longer holds: the reach follows, the verdict waits.
    figure_->checks.clear();
    moved_ = true;
    const int keep = dragged_;
    relayout();
    dragged_ = keep;
}

void PlanCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (dragged_ < 0 || !figure_) {
        return;
    }
    mouseMoveEvent(event);
    dragged_ = -1;
    if (moved_) {
        emit pointsEdited(figure_->points);
    }
}

PlanPane::PlanPane(UnitModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("平面(&M)："), this);
    outline_ = new QLineEdit(this);
    outline_->setObjectName(QStringLiteral("planOutline"));
    outline_->setPlaceholderText(QStringLiteral("长x宽，如 68x30；或顶点 x y; x y; …（m）"));
    label->setBuddy(outline_);
    top->addWidget(label);
    top->addWidget(outline_, 1);
    layout->addLayout(top);
    canvas_ = new PlanCanvas(this);
    canvas_->setObjectName(QStringLiteral("planCanvas"));
    canvas_->setToolTip(QStringLiteral("单击平面内添加设置点，拖动移动设置点，右键单击删除设置点"));
    layout->addWidget(canvas_, 1);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    layout->addWidget(message_);

    connect(outline_, &QLineEdit::editingFinished, this, &PlanPane::commitOutline);
    connect(canvas_, &PlanCanvas::pointsEdited, this, &PlanPane::commitPoints);
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                if (row_ >= from.row() && row_ <= to.row()) {
                    refresh();
                }
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { showRow(-1); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (row_ >= model_->rowCount()) {
            showRow(-1);
        } else {
            refresh();
        }
    });
    refresh();
}

int PlanPane::columnOf(std::string_view key) const {
    const auto columns = building::inputColumns(model_->workbook().standard());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].key == key) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

void PlanPane::showRow(int row) {
    row_ = row;
    refresh();
}

void PlanPane::refresh() {
    const int outlineColumn = columnOf("outline");
    const bool usable =
        row_ >= 0 && row_ < model_->rowCount() && outlineColumn >= 0 && columnOf("points_at") >= 0;
    outline_->setEnabled(usable);
    if (!usable) {
        outline_->clear();
        canvas_->setFigure(std::nullopt);
        message_->setText(outlineColumn < 0 ? QStringLiteral("平面只用于 GB 50140-2005 的项目")
                                            : QStringLiteral("选择一个计算单元以查看其平面"));
        return;
    }
    const auto r = static_cast<std::size_t>(row_);
    const building::UnitCells& cells = model_->workbook().cells(r);
    const auto c = static_cast<std::size_t>(outlineColumn);
    if (!outline_->hasFocus()) {
        outline_->setText(QString::fromStdString(c < cells.size() ? cells[c] : std::string()));
    }
    // Computed afresh: the workbook keeps no unit's working, and the labels need its counts.
    const building::UnitOutcome outcome = building::evaluate(model_->workbook().standard(), cells);
    canvas_->setFigure(building::planFigure(outcome));
    if (const auto line = building::distanceLine(outcome)) {
        message_->setText(QString::fromStdString(line->clause + " " + line->text));
    } else if (outcome.plan && !outcome.plan->error.empty()) {
        message_->setText(QString::fromStdString("平面：" + outcome.plan->error));
    } else {
        message_->setText(QStringLiteral("没有平面：在上面输入长x宽或顶点"));
    }
}

void PlanPane::commitOutline() {
    if (row_ < 0 || row_ >= model_->rowCount()) {
        return;
    }
    const auto typed = building::typedOutline(outline_->text().toStdString());
    if (!typed.error.empty()) {
        message_->setText(QString::fromStdString("平面：" + typed.error));
        return;
    }
    model_->setData(model_->index(row_, columnOf("outline")), QString::fromStdString(typed.cell),
                    Qt::EditRole);
}

void PlanPane::commitPoints(const std::vector<plan::Point>& points) {
    if (row_ < 0 || row_ >= model_->rowCount()) {
        return;
    }
    model_->setData(model_->index(row_, columnOf("points_at")),
                    QString::fromStdString(building::pointsCell(points)), Qt::EditRole);
}

}  // namespace extcalc::workbook
