// SPDX-License-Identifier: MIT
#include "row_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "extcalc/workbook.h"
#include "unit_model.h"

namespace extcalc::workbook {

RowCommands::RowCommands(UnitModel* model, QTableView* table, ui::MessageBoxFn showMessage,
                         QWidget* window)
    : QObject(window),
      model_(model),
      table_(table),
      showMessage_(std::move(showMessage)),
      window_(window) {}

std::vector<int> RowCommands::selectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes()) {
        rows.insert(index.row());
    }
    if (rows.empty() && table_->currentIndex().isValid()) {
        rows.insert(table_->currentIndex().row());
    }
    return {rows.begin(), rows.end()};
}

void RowCommands::copyRows() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    const std::vector<std::size_t> indices(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(building::tabText(model_->workbook(), indices, true)));
}

void RowCommands::pasteRows() {
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    building::PastedRows pasted = building::readTabText(model_->workbook().standard(), text);
    if (!pasted.refusal.empty()) {
        showMessage_(window_, Message{pasted.refusal, {}, Icon::Critical, Buttons::Ok});
        return;
    }
    const int at =
        table_->currentIndex().isValid() ? table_->currentIndex().row() + 1 : model_->rowCount();
    const auto count = static_cast<int>(pasted.units.size());
    model_->addUnits(at, std::move(pasted.units), QStringLiteral("粘贴"));
    table_->setCurrentIndex(model_->index(at, 0));
    table_->selectionModel()->select(
        QItemSelection(model_->index(at, 0),
                       model_->index(at + count - 1, model_->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
}

void RowCommands::addUnit() {
    const int at =
        table_->currentIndex().isValid() ? table_->currentIndex().row() + 1 : model_->rowCount();
    const building::UnitCells* above =
        at > 0 ? &model_->workbook().cells(static_cast<std::size_t>(at - 1)) : nullptr;
    model_->addUnits(at, {building::newUnit(model_->workbook().standard(), above)},
                     QStringLiteral("添加计算单元"));
    table_->setFocus();
    table_->setCurrentIndex(model_->index(at, 0));
}

void RowCommands::duplicateUnits() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    std::vector<building::UnitCells> copies;
    std::ranges::transform(rows, std::back_inserter(copies), [this](int row) {
        return model_->workbook().cells(static_cast<std::size_t>(row));
    });
    const int at = rows.back() + 1;
    model_->addUnits(at, std::move(copies), QStringLiteral("复制计算单元"));
    table_->setCurrentIndex(model_->index(at, table_->currentIndex().column()));
}

void RowCommands::deleteUnits() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    const int column = std::max(table_->currentIndex().column(), 0);
    model_->removeUnits(rows);
    const int next = std::min(rows.front(), model_->rowCount() - 1);
    if (next >= 0) {
        table_->setCurrentIndex(model_->index(next, column));
    }
}

void RowCommands::moveCurrent(int step) {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const int to = current.row() + step;
    if (to < 0 || to >= model_->rowCount()) {
        return;
    }
    model_->moveUnit(current.row(), to);
    table_->setCurrentIndex(model_->index(to, current.column()));
}

}  // namespace extcalc::workbook
