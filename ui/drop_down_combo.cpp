// SPDX-License-Identifier: MIT
#include "drop_down_combo.h"

#include <QLineEdit>

namespace extcalc::ui {

DropDownCombo::DropDownCombo(QWidget* parent) : QComboBox(parent) {
    auto* edit = new QLineEdit(this);
    // When the edit field loses focus or takes Enter, QComboBox selects the item
    // whose text was typed and reports it as activated. Typed text is never a
    // choice here, so activations that arrive while the edit is finishing are
    // ignored. Slots run in the order they were connected: this one before
    // QComboBox's own (connected by setLineEdit), the reset after it.
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingEdit_ = true; });
    setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingEdit_ = false; });

    // Typed text stays typed text: no new items on Enter, no completion that
    // would turn a few typed characters into a picked item.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);

    connect(edit, &QLineEdit::textEdited, this, [this] { position_ = -1; });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!finishingEdit_) {
            position_ = index;
        }
    });

    edit->setText(QStringLiteral(" "));
}

void DropDownCombo::clearList() {
    clear();
    lineEdit()->clear();
    position_ = -1;
}

void DropDownCombo::appendItem(const QString& text) {
    const QString shown = lineEdit()->text();
    addItem(text);
    // The first item added to an empty list becomes Qt's current item and
    // replaces the edit text; the list is only being filled, nothing is chosen.
    if (currentIndex() != -1) {
        setCurrentIndex(-1);
    }
    lineEdit()->setText(shown);
}

}  // namespace extcalc::ui
