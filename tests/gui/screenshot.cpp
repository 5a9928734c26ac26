// SPDX-License-Identifier: MIT
// Takes the README's picture of the window: the typical run done with real input
// on a real display (run it under Xvfb), then the screen grabbed around the window,
// and optionally around one list's open drop-down as well. Another area shows
// how the result boxes cope with results longer than they are wide.
//
//   extcalc-screenshot OUT.png [Combo2|Combo3|Combo4] [--area S]

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "application.h"
#include "form3.h"
#include "user_input.h"

namespace {

template <class Widget>
Widget* child(const QWidget& window, const char* name) {
    return window.findChild<Widget*>(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fputs("usage: extcalc-screenshot OUT.png [Combo2|Combo3|Combo4] [--area S]\n", stderr);
        return 2;
    }
    QString area = QStringLiteral("300");
    QString list;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--area") && i + 1 < args.size()) {
            area = args[++i];
        } else {
            list = args[i];
        }
    }
    extcalc::ui::setUpApplication(app);
    extcalc::ui::form3 window;
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    using namespace extcalc::test;
    click(child<QRadioButton>(window, "Option3"));
    pickFromPopup(child<QComboBox>(window, "Combo2"), 1);
    typeInto(child<QLineEdit>(window, "Text1"), area);
    pickFromPopup(child<QComboBox>(window, "Combo3"), 1);
    click(child<QRadioButton>(window, "Option2"));
    pickFromPopup(child<QComboBox>(window, "Combo4"), 2);
    click(child<QPushButton>(window, "Command1"));

    QRect shown = window.frameGeometry();
    if (!list.isEmpty()) {
        auto* combo = window.findChild<QComboBox*>(list);
        if (combo == nullptr) {
            return 2;
        }
        combo->showPopup();
        QTest::qWait(300);
        QWidget* popup = combo->view()->window();
        shown = shown.united(popup->frameGeometry());
    }
    QTest::qWait(300);
    const QPixmap shot =
        window.screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
    return shot.save(args[1]) ? 0 : 1;
}
