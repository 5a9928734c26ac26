// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "extcalc/calc.h"
#include "extcalc/lists.h"
#include "message_box.h"

class QAction;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace extcalc::ui {

class Caption;
class DropDownCombo;
class ResultBox;

// The calculator's only window. It holds the form variables and answers the
// user's actions; every rule of the calculation lives in the core.
class form3 final : public QMainWindow, public FormVariables {
    Q_OBJECT

  public:
    explicit form3(MessageBoxFn showMessage = showModalMessageBox, QWidget* parent = nullptr);
    ~form3() override;

    form3(const form3&) = delete;
    form3& operator=(const form3&) = delete;
    form3(form3&&) = delete;
    form3& operator=(form3&&) = delete;

    // QWidget::style() would make the form variable's name ambiguous.
    using FormVariables::style;

  private:
    class Ops;

    void createControls();
    void createMenus();
    void fitHeights();
    void setTabOrder();
    void connectHandlers();

    void chooseClass(FireClass fireClass);
    void showReference(const std::string& text);

    // Handlers, named after their control and event.
    void Form_Load();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option6_Click();
    void Option1_Click();
    void Option2_Click();
    void Command1_Click();
    void Command2_Click();
    void q_Click();
    void z_Click();
    void y_Click();
    void sjr_Click();

    MessageBoxFn showMessage_;
    std::unique_ptr<Ops> ops_;

    // Controls, in the order the window creates them; Qt's parent links own them.
    QWidget* client_ = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option3 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;
    ResultBox* Text4 = nullptr;
    ResultBox* Text3 = nullptr;
    ResultBox* Text2 = nullptr;
    DropDownCombo* Combo4 = nullptr;
    DropDownCombo* Combo3 = nullptr;
    QLineEdit* Text1 = nullptr;
    DropDownCombo* Combo2 = nullptr;
    Caption* Label10 = nullptr;
    Caption* Label9 = nullptr;
    Caption* Label8 = nullptr;
    Caption* Label5 = nullptr;
    QFrame* Line1 = nullptr;
    Caption* Label4 = nullptr;
    Caption* Label3 = nullptr;
    Caption* Label2 = nullptr;
    Caption* Label1 = nullptr;

    // Menu bar.
    QMenu* danger = nullptr;
    QMenu* civil = nullptr;
    QAction* q = nullptr;
    QAction* z = nullptr;
    QAction* y = nullptr;
    QMenu* ch = nullptr;
    QMenu* al = nullptr;
    QAction* s = nullptr;
    QMenu* bl = nullptr;
    QAction* g = nullptr;
    QMenu* cl = nullptr;
    QAction* gf = nullptr;
    QMenu* dl = nullptr;
    QAction* xt = nullptr;
    QMenu* zl = nullptr;
    QMenu* cx = nullptr;
    QAction* gfa = nullptr;
    QAction* help = nullptr;
    QAction* sjr = nullptr;
};

}  // namespace extcalc::ui
