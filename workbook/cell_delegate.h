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

  signals:
    // Ctrl+V in a cell's editor with rows on the clipboard (tabs or line breaks): the
    // edit is dropped and the rows are to be pasted, as outside the editor.
    void rowsPasted();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace extcalc::workbook
