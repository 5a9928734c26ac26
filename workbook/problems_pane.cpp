// SPDX-License-Identifier: MIT
#include "problems_pane.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <string>

#include "extcalc/workbook.h"
#include "unit_model.h"

namespace extcalc::workbook {

ProblemsPane::ProblemsPane(const UnitModel* model, const QTableView* table, QWidget* parent)
    : QLabel(parent), model_(model), table_(table) {
    setObjectName(QStringLiteral("problemPane"));
    setAccessibleName(QStringLiteral("当前计算单元的问题"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::StyledPanel);
    setMargin(4);
    setMinimumHeight(2 * fontMetrics().lineSpacing() + 10);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The current unit's texts change, or another unit becomes current, or it goes.
    connect(model_, &QAbstractItemModel::dataChanged, this, &ProblemsPane::showCurrent);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ProblemsPane::showCurrent);
    connect(model_, &QAbstractItemModel::modelReset, this, &ProblemsPane::showCurrent);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &ProblemsPane::showCurrent);
    showCurrent();
}

void ProblemsPane::showCurrent() {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount()) {
        setText(model_->rowCount() == 0 ? QString() : QStringLiteral("（未选中计算单元）"));
        return;
    }
    const auto row = static_cast<std::size_t>(current.row());
    const building::UnitOutcome& outcome = model_->workbook().outcome(row);
    const std::string& name = model_->workbook().cells(row).front();
    QString text = QStringLiteral("第 %1 个计算单元").arg(current.row() + 1);
    if (!name.empty()) {
        text += QStringLiteral("（%1）").arg(QString::fromStdString(name));
    }
    const std::string problems = outcome.problemText();
    text += problems.empty() ? QStringLiteral("：没有问题。")
                             : QStringLiteral("：") + QString::fromStdString(problems);
    setText(text);
}

}  // namespace extcalc::workbook
