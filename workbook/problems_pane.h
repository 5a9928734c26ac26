// SPDX-License-Identifier: MIT
#pragma once

// The problems of the table's current unit in full, under the table: the problems
// column is kept narrow and cuts its texts.

#include <QLabel>

class QTableView;

namespace extcalc::workbook {

class UnitModel;

class ProblemsPane final : public QLabel {
    Q_OBJECT

  public:
    ProblemsPane(const UnitModel* model, const QTableView* table, QWidget* parent);

  private:
    void showCurrent();

    const UnitModel* model_;
    const QTableView* table_;
};

}  // namespace extcalc::workbook
