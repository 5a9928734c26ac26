// SPDX-License-Identifier: MIT
#include "cell_delegate.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <functional>

#include "unit_model.h"

namespace extcalc::workbook {
namespace {

bool holdsRows(const QString& text) {
    return text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r');
}

// The list of a cell that names several items ("A+B"): a click or Space checks and unchecks
// an item and the field shows the items checked; Enter takes them. Enter before anything
// was checked takes the highlighted item alone, as any drop-down does. The field can also
// be typed in.
class SeveralPicker final : public QComboBox {
  public:
    SeveralPicker(QWidget* parent, const UnitModel* model, int column)
        : QComboBox(parent), model_(model), column_(column) {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        // A class list typed in the field is taken with Enter, as a typed cell is.
        connect(lineEdit(), &QLineEdit::returnPressed, this, [this] {
            if (finished) {
                finished();
            }
        });
    }

    // Called once Enter has taken the checked items.
    std::function<void()> finished;

    void showPopup() override {
        const QStringList picked = model_->pickedItems(column_, currentText());
        for (int i = 0; i < count(); ++i) {
            setItemData(i, picked.contains(itemData(i).toString()) ? Qt::Checked : Qt::Unchecked,
                        Qt::CheckStateRole);
        }
        toggled_ = false;
        QComboBox::showPopup();
        // Ahead of the popup's own filters, which would close it on a click: the filter
        // installed last is asked first, and installing again moves ours to the front.
        view()->installEventFilter(this);
        view()->viewport()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QAbstractItemView* list = view();
        if (watched == list->viewport()) {
            // A press would make the item current, and the combo box then shows it alone.
            if (event->type() == QEvent::MouseButtonPress ||
                event->type() == QEvent::MouseButtonDblClick) {
                return true;
            }
            if (event->type() == QEvent::MouseButtonRelease) {
                toggle(list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
                return true;
            }
        }
        if (watched == list && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space) {
                toggle(list->currentIndex());
                return true;
            }
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                const QModelIndex current = list->currentIndex();
                const QString chosen = !toggled_ && current.isValid()
                                           ? itemData(current.row()).toString()
                                           : checkedText();
                // Closing the list makes its highlighted item current; the field keeps
                // what was chosen.
                hidePopup();
                setEditText(chosen);
                if (finished) {
                    finished();
                }
                return true;
            }
        }
        return QComboBox::eventFilter(watched, event);
    }

  private:
    void toggle(const QModelIndex& index) {
        if (!index.isValid()) {
            return;
        }
        const int row = index.row();
        const bool checked = itemData(row, Qt::CheckStateRole).toInt() == Qt::Checked;
        setItemData(row, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        toggled_ = true;
        setEditText(checkedText());
    }

    QString checkedText() const {
        QStringList items;
        for (int i = 0; i < count(); ++i) {
            if (itemData(i, Qt::CheckStateRole).toInt() == Qt::Checked) {
                items.append(itemData(i).toString());
            }
        }
        return model_->pickedText(column_, items);
    }

    const UnitModel* model_;
    int column_;
    bool toggled_ = false;
};

}  // namespace

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const auto* model = qobject_cast<const UnitModel*>(index.model());
    if (model == nullptr || !model->isChoice(index.column())) {
        auto* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("cellEditor"));
        return editor;
    }
    auto* self = const_cast<CellDelegate*>(this);  // Qt's signals are not const
    QComboBox* combo = nullptr;
    if (model->takesSeveral(index.column())) {
        auto* picker = new SeveralPicker(parent, model, index.column());
        picker->finished = [self, picker] {
            // The list had the focus; with the editor holding it, closing the editor gives
            // it back to the grid, so the next key (Ctrl+Z, an arrow) acts there.
            picker->setFocus(Qt::OtherFocusReason);
            emit self->commitData(picker);
            emit self->closeEditor(picker, QAbstractItemDelegate::NoHint);
        };
        combo = picker;
    } else {
        combo = new QComboBox(parent);
        combo->setEditable(model->takesOwnText(index.column()));
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
        });
    }
    combo->setObjectName(QStringLiteral("cellChoice"));
    combo->setAccessibleName(
        model->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString());
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
        combo->lineEdit()->installEventFilter(self);
    }
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
    if (dynamic_cast<SeveralPicker*>(combo) != nullptr) {
        // The field holds the items checked, or what was typed.
        model->setData(index, combo->currentText(), Qt::EditRole);
    } else if (combo->isEditable()) {
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
