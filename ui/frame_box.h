// SPDX-License-Identifier: MIT
#pragma once

#include <QGroupBox>

namespace extcalc::ui {

// A frame whose caption sits on its border line, so the option buttons can stand
// just below the caption where the design puts them. Fusion draws the caption
// above the border instead; a style sheet could move it, but would load Qt's
// style-sheet engine at start-up for two frames.
class FrameBox final : public QGroupBox {
    Q_OBJECT

  public:
    FrameBox(const QString& caption, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace extcalc::ui
