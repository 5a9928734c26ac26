// SPDX-License-Identifier: MIT
#pragma once

// The project's own fields above the table (name, number, designer and the rest the
// building library lists) and the standard it follows. A field's text reaches the
// project when the field is left, as one undoable step, like a cell's.

#include <QGroupBox>
#include <QString>
#include <array>
#include <vector>

#include "extcalc/units.h"
#include "message_box.h"

class QComboBox;
class QLineEdit;

namespace extcalc::workbook {

class UnitModel;

// The standards a project may follow, in the order the 规范 box and the question of
// 导入 CSV offer them, and how both name one.
std::array<building::Standard, 2> offeredStandards();
QString standardCaption(building::Standard standard);

class ProjectFieldsPanel final : public QGroupBox {
    Q_OBJECT

  public:
    ProjectFieldsPanel(UnitModel* model, ui::MessageBoxFn showMessage, QWidget* parent);

    // Takes what the fields hold into the project: before it is written or put aside,
    // since a field still being typed in has not been left yet.
    void commit();

    // One per building::projectInfoFields(), in its order.
    [[nodiscard]] const std::vector<QLineEdit*>& edits() const { return edits_; }
    [[nodiscard]] QComboBox* standardBox() const { return standard_; }

  private:
    void chooseStandard(int position);
    void showInfo();

    UnitModel* model_;
    ui::MessageBoxFn showMessage_;
    std::vector<QLineEdit*> edits_;
    QComboBox* standard_ = nullptr;
};

}  // namespace extcalc::workbook
