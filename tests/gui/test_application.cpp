// SPDX-License-Identifier: MIT
// The parts that only the real application shows: Qt's message boxes with their
// Chinese buttons, Qt's own texts, and the end of the program.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <optional>

#include "application.h"
#include "form3.h"
#include "user_input.h"
#include "window_fixture.h"

namespace extcalc::test {
namespace {

using test::PrintTo;  // lets the case tables print their rows by name

// What Qt's box showed, read while it was open.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

struct RealBox {
    const char* name;
    void (*open)(ui::form3& window);
    const char* press;  // caption of the button the user presses
    SeenBox expected;
};

class RealMessageBox : public ::testing::TestWithParam<RealBox> {};

TEST_P(RealMessageBox, ModalWithChineseButtons) {
    ui::form3 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    std::optional<SeenBox> seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        poll.stop();
        SeenBox now{box->windowTitle(), box->text(), box->icon(), {}};
        for (const QAbstractButton* button : box->buttons()) {
            now.buttons << button->text();
        }
        now.buttons.sort();
        seen = now;
        const auto buttons = box->buttons();
        const auto press = std::find_if(buttons.begin(), buttons.end(), [](const auto* button) {
            return button->text() == QString::fromUtf8(GetParam().press);
        });
        if (press != buttons.end()) {
            QTest::mouseClick(*press, Qt::LeftButton);
            return;
        }
        box->reject();
    });
    poll.start(20);
    GetParam().open(window);  // returns once the box is closed

    ASSERT_TRUE(seen.has_value()) << "no message box appeared";
    SeenBox expected = GetParam().expected;
    expected.buttons.sort();
    EXPECT_EQ(seen->title, expected.title);
    EXPECT_EQ(seen->text, expected.text);
    EXPECT_EQ(seen->icon, expected.icon);
    EXPECT_EQ(seen->buttons, expected.buttons);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

const RealBox kRealBoxes[] = {
    {"ClassDNotice",
     [](ui::form3& window) { click(window.findChild<QRadioButton*>("Option6")); },
     "取消",
     {"确定", "需会同当地公安消防监督部门协商解决", QMessageBox::Critical, {"确定", "取消"}}},
    {"IncompleteInput",
     [](ui::form3& window) { click(window.findChild<QPushButton*>("Command1")); },
     "确定",
     {"注意", "输入的选项及数据不全，请核对！", QMessageBox::Question, {"确定"}}},
    {"ReferenceWithApplicationTitle",
     [](ui::form3& window) {
         chooseMenu(&window, {"危险等级分类", "民用建筑", "轻危险级"});
     },
     "确定",
     {"灭火器配置计算",
      "轻危险级范围\r\n1.电影院、剧院、会堂、礼堂、体育馆的观众厅\r\n2.医院门诊部、住院部\r\n"
      "3.学校教学楼、幼儿园与托儿所的活动室\r\n4.办公楼\r\n5.车站、码头、机场的候车、候船、候机厅"
      "\r\n6.普通旅馆\r\n7.商店\r\n8.十层及十层以上的普通住宅",
      QMessageBox::NoIcon,
      {"确定"}}},
};
INSTANTIATE_TEST_SUITE_P(Window, RealMessageBox, ::testing::ValuesIn(kRealBoxes), ByName{});

TEST(QtTexts, EditMenusAreChinese) {
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions << action->text();
    }
    EXPECT_TRUE(captions.join(' ').contains(QStringLiteral("复制")))
        << captions.join(' ').toStdString();
}

struct WayOut {
    const char* name;
    void (*end)(ui::form3& window);
};

// Exit and the close box both end the program: the event loop returns.
class Ending : public ::testing::TestWithParam<WayOut> {};

TEST_P(Ending, ClosesTheWindowAndEndsTheEventLoop) {
    QApplication::setQuitOnLastWindowClosed(true);
    auto window = std::make_unique<ui::form3>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto end = GetParam().end;
    QTimer::singleShot(0, window.get(), [&window, end] { end(*window); });
    QTimer giveUp;  // a program that does not end would hang the test
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QApplication::exit(99); });
    giveUp.start(5000);
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Window, Ending,
    ::testing::Values(
        WayOut{"ExitButton",
               [](ui::form3& window) { click(window.findChild<QPushButton*>("Command2")); }},
        WayOut{"CloseBox", [](ui::form3& window) { window.windowHandle()->close(); }}),
    ByName{});

}  // namespace
}  // namespace extcalc::test
