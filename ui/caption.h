// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>
#include <QStringList>

namespace extcalc::ui {

// A label whose caption wraps at blanks only. Qt would break Chinese text between
// any two characters and split "平方米" across lines; the captions were written
// with blanks where a line may end.
class Caption final : public QLabel {
    Q_OBJECT

  public:
    Caption(const QString& text, QWidget* parent);

    // The caption as it is shown, line by line, for the label's present width.
    [[nodiscard]] QStringList lines() const;
    // The height the shown lines need.
    [[nodiscard]] int neededHeight() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace extcalc::ui
