// SPDX-License-Identifier: MIT
#include "user_input.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <algorithm>
#include <stdexcept>

namespace extcalc::test {
namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

QAction* actionNamed(const QList<QAction*>& actions, const QString& caption) {
    const auto found = std::find_if(actions.begin(), actions.end(), [&](const QAction* action) {
        return action->text() == caption;
    });
    return found != actions.end() ? *found : nullptr;
}

// Moves the pointer onto `at` so that the widget notices. Qt drops a move to where
// the pointer already is, and a menu ignores motion near the point where it
// opened; after an earlier visit to the same entry both would swallow a plain
// move. Stepping aside first, within the same row, avoids both.
void moveOnto(QWidget* widget, QPoint at) {
    const int step = QApplication::startDragDistance() + 5;
    QTest::mouseMove(widget, at + QPoint(at.x() > widget->width() / 2 ? -step : step, 0));
    QTest::mouseMove(widget, at);
}

}  // namespace

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void pickFromPopup(QComboBox* combo, int position) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxArrow, combo);
    QTest::mouseClick(combo, Qt::LeftButton, {}, arrow.center());
    QAbstractItemView* view = combo->view();
    require(QTest::qWaitFor([view] { return view->isVisible(); }), "the drop-down did not open");

    const QPoint item = view->visualRect(view->model()->index(position, 0)).center();
    // Moving onto the item highlights it and lifts the guard against the release
    // of the click that opened the list.
    moveOnto(view->viewport(), item);
    // On a real display the pointer motion arrives asynchronously.
    require(QTest::qWaitFor([view, position] { return view->currentIndex().row() == position; }),
            "the pointer did not reach the item");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item);
    require(QTest::qWaitFor([view] { return !view->isVisible(); }), "the drop-down stayed open");
}

void pickWithKeyboard(QComboBox* combo, int position) {
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClick(combo, Qt::Key_F4);
    QAbstractItemView* view = combo->view();
    require(QTest::qWaitFor([view] { return view->isVisible(); }), "the drop-down did not open");
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < position; ++i) {
        QTest::keyClick(view, Qt::Key_Down);
    }
    QTest::keyClick(view, Qt::Key_Return);
    require(QTest::qWaitFor([view] { return !view->isVisible(); }), "the drop-down stayed open");
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else if (edit->testAttribute(Qt::WA_InputMethodEnabled)) {
            // Chinese arrives through an input method, committed character by character;
            // like a real one, it only talks to fields that accept input methods.
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(edit, &commit);
        }
    }
}

void chooseMenu(QMainWindow* window, const QStringList& path) {
    require(!path.isEmpty(), "empty menu path");
    QMenuBar* bar = window->menuBar();
    QAction* top = actionNamed(bar->actions(), path.front());
    require(top != nullptr && top->menu() != nullptr, "no such menu in the menu bar");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
    QMenu* menu = top->menu();
    for (qsizetype i = 1; i < path.size(); ++i) {
        require(QTest::qWaitFor([menu] { return menu->isVisible(); }), "a menu did not open");
        QAction* action = actionNamed(menu->actions(), path[i]);
        require(action != nullptr, "no such menu entry");
        const QPoint at = menu->actionGeometry(action).center();
        moveOnto(menu, at);
        require(QTest::qWaitFor([menu, action] { return menu->activeAction() == action; }),
                "the pointer did not reach the menu entry");
        QTest::mouseClick(menu, Qt::LeftButton, {}, at);
        menu = action->menu();
    }
    // Whatever the entry did, no menu is left open.
    for (QWidget* popup = QApplication::activePopupWidget(); popup != nullptr;
         popup = QApplication::activePopupWidget()) {
        popup->close();
    }
}

}  // namespace extcalc::test
