// SPDX-License-Identifier: MIT
#pragma once

// A shown window with a message-box recorder, its controls found by objectName.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "drop_down_combo.h"
#include "extcalc/window_ops.h"
#include "form3.h"

namespace extcalc::test {

// What a message box would have shown.
struct Shown {
    std::string text;
    std::string title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* out);

// Everything a user can see or the calculation keeps, to check that something
// changed nothing.
struct WindowState {
    std::array<QString, 4> texts;
    std::array<QString, 3> listTexts;
    std::array<int, 3> positions{};
    std::array<QStringList, 3> items;
    std::array<bool, 6> checked{};
    float u = 0.0F;
    std::int16_t style = 0;
    float kd = 0.0F;
    std::int16_t n = 0;
    bool operator==(const WindowState&) const = default;
};

// The typical run's answers, as list positions; -1 leaves a list or question open.
struct Answers {
    const char* fireClass = "Option3";
    int hazard = 1;
    QString area = QStringLiteral("300");
    int correction = 1;
    const char* underground = "Option2";
    int extinguisher = 2;
    bool keyboard = false;  // pick the list items with the keyboard instead of the mouse
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    template <class Widget>
    Widget* find(const char* name) const {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            ADD_FAILURE() << "no " << Widget::staticMetaObject.className() << " named " << name;
        }
        return widget;
    }
    ui::DropDownCombo* combo(const char* name) const { return find<ui::DropDownCombo>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QRadioButton* option(const char* name) const { return find<QRadioButton>(name); }

    void pick(const char* list, int position, bool keyboard = false);
    void answer(const Answers& answers);
    void calculate();
    [[nodiscard]] std::array<QString, 3> results() const;
    [[nodiscard]] WindowState state() const;
    [[nodiscard]] static QStringList itemsOf(const QComboBox* list);

    std::unique_ptr<ui::form3> window;
    std::vector<Shown> shown;
    std::deque<Answer> replies;  // answers for the next boxes; OK when empty
};

// Names the cases of a parameterised test after the `name` of their row.
struct ByName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

// Shows the row of a parameterised case by its name.
template <class Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// The message the calculation shows for incomplete input.
Shown incompleteInputWarning();

}  // namespace extcalc::test
