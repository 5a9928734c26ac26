// SPDX-License-Identifier: MIT
#pragma once

// The commands on whole rows of the table: copy, paste, add, duplicate, delete, move.
// Each is one undoable step of the unit model; what they act on is the table's
// selection, and afterwards its current cell follows the rows they touched, so the
// keyboard goes on where the designer left off.

#include <QObject>
#include <vector>

#include "message_box.h"

class QTableView;
class QWidget;

namespace extcalc::workbook {

class UnitModel;

class RowCommands final : public QObject {
    Q_OBJECT

  public:
    // `window` is where a refused paste is told, and owns the commands.
    RowCommands(UnitModel* model, QTableView* table, ui::MessageBoxFn showMessage, QWidget* window);

    // Inputs and results as tab-separated lines, as a spreadsheet takes them.
    void copyRows();
    // After the current row, or at the end without one; all or nothing.
    void pasteRows();
    void addUnit();
    void duplicateUnits();
    void deleteUnits();
    void moveCurrent(int step);
    // The rows with a selected cell, in order; the current row when none is selected.
    [[nodiscard]] std::vector<int> selectedRows() const;

  private:
    UnitModel* model_;
    QTableView* table_;
    ui::MessageBoxFn showMessage_;
    QWidget* window_;
};

}  // namespace extcalc::workbook
