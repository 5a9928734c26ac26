// SPDX-License-Identifier: MIT
#include "totals_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <string>

#include "extcalc/result_table.h"
#include "extcalc/workbook.h"
#include "unit_model.h"

namespace extcalc::workbook {

TotalsPanel::TotalsPanel(const UnitModel* model, QWidget* parent)
    : QGroupBox(QStringLiteral("灭火器配置清单"), parent), model_(model) {
    setObjectName(QStringLiteral("totalsPanel"));
    auto* totalsLayout = new QHBoxLayout(this);
    totals_ = new QTableWidget(0, 2, this);
    totals_->setObjectName(QStringLiteral("totals"));
    totals_->setAccessibleName(QStringLiteral("灭火器配置清单"));
    totals_->setHorizontalHeaderLabels({QStringLiteral("灭火器"), QStringLiteral("数量（具）")});
    totals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    totals_->verticalHeader()->hide();
    totals_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    totals_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    grandTotal_ = new QLabel(this);
    grandTotal_->setObjectName(QStringLiteral("grandTotal"));
    grandTotal_->setAccessibleName(QStringLiteral("合计"));
    grandTotal_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    grandTotal_->setWordWrap(true);
    grandTotal_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A list of a dozen models needs no more width than this; the rest shows the total.
    totals_->setMinimumWidth(380);
    totals_->setMaximumWidth(520);
    totalsLayout->addWidget(totals_, 1);
    totalsLayout->addWidget(grandTotal_, 1);
    connect(model_, &UnitModel::totalsChanged, this, &TotalsPanel::showTotals);
    showTotals();
}

void TotalsPanel::showTotals() {
    const building::Workbook& workbook = model_->workbook();
    const auto used = workbook.totals().used();
    totals_->setRowCount(static_cast<int>(used.size()));
    int row = 0;
    for (const building::ModelKey& key : used) {
        const auto total = workbook.totals().totalText(key);
        auto* count = new QTableWidgetItem(
            QString::fromStdString(total.value_or(std::string(building::kTotalOutOfRange))));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        totals_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(key.label)));
        totals_->setItem(row, 1, count);
        ++row;
    }
    const auto grand = workbook.grandTotalText();
    QString text =
        QStringLiteral("合计：%1 具（%2 个计算单元）")
            .arg(QString::fromStdString(grand.value_or(std::string(building::kTotalOutOfRange))))
            .arg(workbook.size());
    if (workbook.failedCount() > 0) {
        text += QStringLiteral("\n") + QString::fromStdString(workbook.incompleteNote());
    }
    grandTotal_->setText(text);
}

}  // namespace extcalc::workbook
