// SPDX-License-Identifier: MIT
#pragma once

// The units of a project as a Qt table: the input columns, editable, then the results.
// A thin adapter over building::Workbook, which keeps every outcome and the totals; each
// change goes through the undo stack as a command that calls the apply functions below.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <cstddef>
#include <vector>

#include "extcalc/workbook.h"

class QUndoStack;

namespace extcalc::workbook {

class UnitModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit UnitModel(QUndoStack* undo, QObject* parent = nullptr);

    [[nodiscard]] const building::Workbook& workbook() const { return workbook_; }
    // A new project; the undo history belongs to the old one and is cleared with it.
    void reset(building::Project project);

    [[nodiscard]] int inputCount() const { return inputs_; }
    // Figures are aligned right, so their places line up down a column.
    [[nodiscard]] bool isFigure(int column) const;
    [[nodiscard]] bool isChoice(int column) const;
    // What the cell's drop-down offers; empty for a typed column.
    [[nodiscard]] QStringList choicesFor(const QModelIndex& index) const;
    // How the drop-down and the cell show an item: its K, its model's ratings.
    [[nodiscard]] QString choiceLabel(int column, const QString& item) const;
    // The 2005 extinguisher column offers codes but takes a model of one's own.
    [[nodiscard]] bool takesOwnText(int column) const;
    // The 2005 class column names one class or several ("A+B"): its list is checked, not
    // picked, and the items checked make the cell's text.
    [[nodiscard]] bool takesSeveral(int column) const;
    [[nodiscard]] QStringList pickedItems(int column, const QString& text) const;
    [[nodiscard]] QString pickedText(int column, const QStringList& items) const;
    // The column that names a unit, while it is scrolled out of sight: the row headers
    // then carry the names, so the rows can still be told apart.
    void setNamesInRowHeaders(bool names);
    [[nodiscard]] bool namesInRowHeaders() const { return namesInHeaders_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edit becomes an undoable command; the same text again changes nothing.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Undoable changes, one step each.
    void addUnits(int at, std::vector<building::UnitCells> units, const QString& what);
    void removeUnits(std::vector<int> rows);
    void moveUnit(int from, int to);
    void changeInfo(const building::ProjectInfo& info, building::Standard standard);

    // Used by the commands only.
    void applyCell(int row, int column, const std::string& text);
    void applyInsert(int at, std::vector<building::UnitCells> units);
    std::vector<building::UnitCells> applyRemove(int at, int count);
    void applyMove(int from, int to);
    void applyInfo(const building::ProjectInfo& info, building::Standard standard);

  signals:
    void totalsChanged();
    void infoChanged();

  private:
    void columnsChanged();
    [[nodiscard]] std::size_t inputsAt() const { return static_cast<std::size_t>(inputs_); }

    QUndoStack* undo_;
    building::Workbook workbook_;
    int inputs_ = 0;
    QStringList headers_;
    mutable QIcon errorIcon_;
    mutable QIcon warningIcon_;
    bool namesInHeaders_ = false;
};

}  // namespace extcalc::workbook
