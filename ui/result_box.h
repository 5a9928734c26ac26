// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QLineEdit>
#include <QString>

namespace extcalc::ui {

// A read-only box for a result that may be longer than the box is wide.
// Showing its leading characters would pass for a different number
// ("7.583333" for 7.58333333333333E-03), so while the box is not being read
// through the keyboard or a selection it draws the whole result in a smaller
// font, or, below a readable size, cut short with an ellipsis. text(), the
// tooltip and the accessible value always hold the whole result; with the focus
// the box is a plain line edit again, to scroll through, select and copy.
class ResultBox final : public QLineEdit {
    Q_OBJECT

  public:
    explicit ResultBox(QWidget* parent);

    // The smallest font the box shrinks to before it elides.
    static constexpr qreal kMinimumPointSize = 7.0;

    struct Shown {
        QFont font;
        QString text;
    };
    // What the box draws while it is at rest.
    [[nodiscard]] Shown shown() const;
    // The width the text may take, inside the frame and the line edit's margins.
    [[nodiscard]] int textWidth() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    [[nodiscard]] QRect contentsArea() const;
    [[nodiscard]] bool fits() const;
    void updateToolTip();
};

}  // namespace extcalc::ui
