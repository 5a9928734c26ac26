// SPDX-License-Identifier: MIT
#include "cell_delegate.h"

#include <QComboBox>
#include <QLineEdit>

#include "unit_model.h"

namespace extcalc::workbook {

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const auto* model = qobject_cast<const UnitModel*>(index.model());
    if (model == nullptr || !model->isChoice(index.column())) {
        auto* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("cellEditor"));
        return editor;
    }
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("cellChoice"));
    combo->setAccessibleName(
        model->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString());
    combo->setEditable(model->takesOwnText(index.column()));
    // The lists are asked for here, once per editor, never while painting.
    combo->addItems(model->choicesFor(index));
    combo->setMaxVisibleItems(20);
    auto* self = const_cast<CellDelegate*>(this);  // Qt's signals are not const
    connect(combo, &QComboBox::activated, self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
    });
    return combo;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (combo == nullptr) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QString text = index.data(Qt::EditRole).toString();
    const int found = combo->findText(text);
    combo->setCurrentIndex(found);
    if (combo->isEditable()) {
        combo->setEditText(text);
    }
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (combo == nullptr) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // Nothing picked from a fixed list leaves the cell as it was.
    if (combo->isEditable() || combo->currentIndex() >= 0) {
        model->setData(index, combo->currentText(), Qt::EditRole);
    }
}

}  // namespace extcalc::workbook
