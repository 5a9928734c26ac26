// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

namespace extcalc::workbook {

// Edits a choice cell with a drop-down of what its list offers (given the rest of the
// row), and every other input cell as typed text. A pick is taken at once, so a unit's
// results follow the mouse or the Enter key without a further step.
class CellDelegate final : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};

}  // namespace extcalc::workbook
