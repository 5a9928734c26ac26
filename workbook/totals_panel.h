// SPDX-License-Identifier: MIT
#pragma once

// 灭火器配置清单 under the table: the extinguishers the project adds up to, model by model,
// and the grand total. The building library keeps the totals; this only shows them.

#include <QGroupBox>

class QLabel;
class QTableWidget;

namespace extcalc::workbook {

class UnitModel;

class TotalsPanel final : public QGroupBox {
    Q_OBJECT

  public:
    TotalsPanel(const UnitModel* model, QWidget* parent);

    // The list, where the window's tab order goes after the problems.
    [[nodiscard]] QTableWidget* list() const { return totals_; }

  private:
    void showTotals();

    const UnitModel* model_;
    QTableWidget* totals_ = nullptr;
    QLabel* grandTotal_ = nullptr;
};

}  // namespace extcalc::workbook
