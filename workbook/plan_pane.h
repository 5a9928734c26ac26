// SPDX-License-Identifier: MIT
#pragma once

// The plan of the selected unit: its rooms, typed as a rectangle or vertices, and its setting
// points, which can be dragged, added by a click and taken away by a right click. Every edit
// becomes a change of the unit's 平面 or 设置点 cell, undone as any cell is; the drawing is
// the one the report shows.

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "extcalc/plan/drawing.h"

class QLabel;
class QLineEdit;

namespace extcalc::workbook {

class UnitModel;

// Paints a figure and lets its points be moved.
class PlanCanvas final : public QWidget {
    Q_OBJECT

  public:
    explicit PlanCanvas(QWidget* parent = nullptr);
    void setFigure(std::optional<plan::draw::Figure> figure);
    [[nodiscard]] const std::optional<plan::draw::Figure>& figure() const { return figure_; }
    // Where a spot of the plan is on the widget, for tests and tooltips.
    [[nodiscard]] QPointF toWidget(plan::Point metres) const;
    [[nodiscard]] plan::Point toPlan(QPointF widget) const;
    [[nodiscard]] const plan::draw::Drawing& drawing() const { return drawing_; }

  signals:
    // The points after a drag, a click that added one or a right click that took one.
    void pointsEdited(const std::vector<plan::Point>& points);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void relayout();
    [[nodiscard]] int pointAt(QPointF widget) const;
    [[nodiscard]] bool onFloor(plan::Point p) const;

    std::optional<plan::draw::Figure> figure_;
    plan::draw::Drawing drawing_;
    double scale_ = 1.0;  // widget pixels per page unit of the drawing
    int dragged_ = -1;
    bool moved_ = false;
};

class PlanPane final : public QWidget {
    Q_OBJECT

  public:
    explicit PlanPane(UnitModel* model, QWidget* parent = nullptr);
    // The unit shown; -1 for none.
    void showRow(int row);
    [[nodiscard]] int row() const { return row_; }
    [[nodiscard]] PlanCanvas* canvas() const { return canvas_; }
    [[nodiscard]] QLineEdit* outlineEdit() const { return outline_; }
    [[nodiscard]] QLabel* message() const { return message_; }

  private:
    void refresh();
    void commitOutline();
    void commitPoints(const std::vector<plan::Point>& points);
    [[nodiscard]] int columnOf(std::string_view key) const;

    UnitModel* model_;
    int row_ = -1;
    QLineEdit* outline_ = nullptr;
    QLabel* message_ = nullptr;
    PlanCanvas* canvas_ = nullptr;
};

}  // namespace extcalc::workbook
