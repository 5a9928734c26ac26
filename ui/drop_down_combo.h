// SPDX-License-Identifier: MIT
#pragma once

#include <QComboBox>
#include <QString>

namespace extcalc::ui {

// An editable drop-down list whose selected position is what the user last
// picked from it, and -1 once the user types into its edit field. QComboBox's
// own currentIndex() cannot serve: it stays on the old item while the user
// types, selects the first item of a list that was empty, and picks an item
// whose text the user happened to type in full.
class DropDownCombo final : public QComboBox {
    Q_OBJECT

  public:
    explicit DropDownCombo(QWidget* parent);

    [[nodiscard]] int selectedPosition() const { return position_; }

    // Removes every item and empties the edit field; nothing is selected.
    void clearList();
    // Adds an item at the end; the edit field and the selection stay as they were.
    void appendItem(const QString& text);

  private:
    int position_ = -1;
    bool finishingEdit_ = false;
};

}  // namespace extcalc::ui
