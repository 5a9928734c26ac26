// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "extcalc/window_ops.h"

class QWidget;

namespace extcalc::ui {

// Every message box of the window goes through one of these: the real one shows a
// modal QMessageBox, a test's records what would have been shown and answers it.
using MessageBoxFn = std::function<Answer(QWidget* parent, const Message& message)>;

// A modal QMessageBox; a message without a title of its own carries the
// application title.
Answer showModalMessageBox(QWidget* parent, const Message& message);

}  // namespace extcalc::ui
