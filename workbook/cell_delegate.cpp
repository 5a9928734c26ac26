// SPDX-License-Identifier: MIT
#include "cell_delegate.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include "unit_model.h"

namespace extcalc::workbook {
namespace {

bool holdsRows(const QString& text) {
    return text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r');
}

}  // namespace

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
    // The lists are asked for here, once per editor, never while painting. Each item
    // shows what it is picked by; the cell takes the item itself.
    for (const QString& item : model->choicesFor(index)) {
        combo->addItem(model->choiceLabel(index.column(), item), item);
    }
    combo->setMaxVisibleItems(20);
    // The list is as wide as its longest item, however narrow the column.
    QAbstractItemView* list = combo->view();
    list->setTextElideMode(Qt::ElideNone);
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->verticalScrollBar()->sizeHint().width() + 8);
    if (combo->lineEdit() != nullptr) {
        combo->lineEdit()->installEventFilter(const_cast<CellDelegate*>(this));
    }
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
    combo->setCurrentIndex(combo->findData(text));
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
    if (combo->isEditable()) {
        // A picked item shows its label in the field; the cell takes the item, and a
        // typed text (a model of one's own) as typed.
        const int picked = combo->currentIndex();
        const bool isPick = picked >= 0 && combo->currentText() == combo->itemText(picked);
        model->setData(index, isPick ? combo->itemData(picked) : QVariant(combo->currentText()),
                       Qt::EditRole);
    } else if (combo->currentIndex() >= 0) {
        // Nothing picked from a fixed list leaves the cell as it was.
        model->setData(index, combo->currentData(), Qt::EditRole);
    }
}

bool CellDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste) &&
        holdsRows(QGuiApplication::clipboard()->text())) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        // The editor itself, or the field of an editable drop-down.
        QWidget* editor =
            edit != nullptr && qobject_cast<QComboBox*>(edit->parentWidget()) != nullptr
                ? edit->parentWidget()
                : qobject_cast<QWidget*>(watched);
        if (editor != nullptr && (edit != nullptr || qobject_cast<QComboBox*>(editor) != nullptr)) {
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            emit rowsPasted();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

}  // namespace extcalc::workbook
