// SPDX-License-Identifier: MIT
#pragma once

// Drives the window the way a user does: real mouse and key events, lists picked
// from their drop-down, menus opened from the menu bar.

#include <QString>
#include <QStringList>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QMainWindow;

namespace extcalc::test {

void click(QAbstractButton* button);
// Opens the drop-down with the arrow and clicks the item at `position`.
void pickFromPopup(QComboBox* combo, int position);
// Opens the drop-down with F4, walks to the item with the arrow keys, takes it with Enter.
void pickWithKeyboard(QComboBox* combo, int position);
// Replaces the text of an edit field as typed: select all, then the new characters.
void typeInto(QLineEdit* edit, const QString& text);
// Follows a path of menu captions from the menu bar and clicks the last entry.
void chooseMenu(QMainWindow* window, const QStringList& path);

}  // namespace extcalc::test
