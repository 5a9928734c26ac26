// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

class QApplication;

namespace extcalc::ui {

// The program's full name, the window caption.
QString windowCaption();
// The shorter name that message boxes without a title of their own carry.
QString applicationTitle();
// The font the window was laid out for.
QFont windowFont();

// Everything the application needs before the window is created: its title,
// style, font and Qt's own Chinese texts. The tests go through it as well, so
// they see the window exactly as the user does.
void setUpApplication(QApplication& app);

}  // namespace extcalc::ui
