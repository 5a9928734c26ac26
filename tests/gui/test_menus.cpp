// SPDX-License-Identifier: MIT
// The reference menus: captions, the messages behind them, and that reading
// them leaves the calculation alone.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include "user_input.h"
#include "window_fixture.h"

namespace extcalc::test {
namespace {

using test::PrintTo;  // lets the case tables print their rows by name

struct Entry {
    const char* name;
    const char* caption;
    const char* parent;  // nullptr: the menu bar
};

constexpr Entry kMenuTree[] = {
    {"danger", "危险等级分类", nullptr},
    {"civil", "民用建筑", "danger"},
    {"q", "轻危险级", "civil"},
    {"z", "中危险级", "civil"},
    {"y", "严重危险级", "civil"},
    {"ch", "灭火器类型选择", nullptr},
    {"al", "A类火灾", "ch"},
    {"s", "选用水型、泡沫、磷酸铵盐干粉、卤代烷型灭火器", "al"},
    {"bl", "B类火灾", "ch"},
    {"g", "选用干粉、泡沫、卤代烷、二氧化碳灭火器", "bl"},
    {"cl", "C类火灾", "ch"},
    {"gf", "选用干粉、卤代烷、二氧化碳灭火器", "cl"},
    {"dl", "D类火灾", "ch"},
    {"xt", "需同当地消防部门协商", "dl"},
    {"zl", "帮助", nullptr},
    {"cx", "程序设计依据", "zl"},
    {"gfa", "《建筑灭火器配置设计规范》GBJ140-90", "cx"},
    {"help", "使用说明", "zl"},
    {"sjr", "关于本程序", "zl"},
};

using MenuTest = WindowTest;

TEST_F(MenuTest, TreeAndCaptionsInOrder) {
    QList<const QAction*> expectedOrder;
    for (const Entry& entry : kMenuTree) {
        const QAction* action = nullptr;
        for (const QAction* candidate : window->findChildren<QAction*>()) {
            if (candidate->objectName() == QLatin1String(entry.name)) {
                action = candidate;
            }
        }
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_EQ(action->text(), QString::fromUtf8(entry.caption)) << entry.name;
        const QList<QAction*> siblings = entry.parent == nullptr
                                             ? window->menuBar()->actions()
                                             : find<QMenu>(entry.parent)->actions();
        EXPECT_TRUE(siblings.contains(action)) << entry.name;
        expectedOrder << action;
    }
    // Within each parent, the entries come in the order of the tree.
    for (const QWidget* holder : QList<const QWidget*>{window->menuBar(), find<QMenu>("danger"),
                                                       find<QMenu>("ch"), find<QMenu>("zl")}) {
        const QList<QAction*> actions = holder->actions();
        for (qsizetype i = 1; i < actions.size(); ++i) {
            EXPECT_LT(expectedOrder.indexOf(actions[i - 1]), expectedOrder.indexOf(actions[i]));
        }
    }
}

struct Reference {
    const char* name;
    QStringList path;
    qsizetype lines;
    const char* heading;
    const char* last;
};

class ReferenceMessage : public WindowTest, public ::testing::WithParamInterface<Reference> {};

TEST_P(ReferenceMessage, ShownLineByLineAndChangesNothing) {
    answer({});
    calculate();
    const WindowState before = state();

    chooseMenu(window.get(), GetParam().path);
    ASSERT_EQ(shown.size(), 1U);
    const Shown& box = shown.front();
    EXPECT_EQ(box.title, "");  // so the box carries the application title
    EXPECT_EQ(box.icon, Icon::None);
    EXPECT_EQ(box.buttons, Buttons::Ok);
    EXPECT_EQ(state(), before);

    const QString text = QString::fromStdString(box.text);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), GetParam().lines);
    EXPECT_EQ(lines.front(), QString::fromUtf8(GetParam().heading));
    EXPECT_EQ(lines.back(), QString::fromUtf8(GetParam().last));
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\r(?!\n)|(?<!\r)\n"))))
        << "line breaks other than CR LF";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + QLatin1Char('.')))
            << lines[i].toStdString();
        EXPECT_GT(lines[i].size(), QString::number(i).size() + 1);
    }
}

const Reference kReferences[] = {
    {"Light",
     {"危险等级分类", "民用建筑", "轻危险级"},
     9,
     "轻危险级范围",
     "8.十层及十层以上的普通住宅"},
    {"Medium",
     {"危险等级分类", "民用建筑", "中危险级"},
     16,
     "中危险级范围：",
     "15.民用的油浸变压器室和高、低压配电室"},
    {"Severe",
     {"危险等级分类", "民用建筑", "严重危险级"},
     11,
     "严重危险级范围：",
     "10.电影、电视摄影棚"},
};
INSTANTIATE_TEST_SUITE_P(Menus, ReferenceMessage, ::testing::ValuesIn(kReferences), ByName{});

TEST_F(MenuTest, AboutCreditsTheProjectAndAsksForComments) {
    chooseMenu(window.get(), {"帮助", "关于本程序"});
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown.front().title, "");
    EXPECT_EQ(shown.front().icon, Icon::None);
    EXPECT_EQ(shown.front().buttons, Buttons::Ok);
    const QStringList lines = QString::fromStdString(shown.front().text).split("\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("建筑灭火器配置设计计算程序 版本 " EXTCALC_VERSION));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("extinguisher-calc")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("意见和建议")));
    // No telephone number and no address that nobody answers.
    EXPECT_FALSE(lines.join("").contains(QRegularExpression(QStringLiteral("\\d{5,}|https?:"))));
}

TEST_F(MenuTest, EntriesWithoutActionDoNothing) {
    answer({});
    calculate();
    const WindowState before = state();
    const QStringList paths[] = {
        {"灭火器类型选择", "A类火灾", "选用水型、泡沫、磷酸铵盐干粉、卤代烷型灭火器"},
        {"灭火器类型选择", "B类火灾", "选用干粉、泡沫、卤代烷、二氧化碳灭火器"},
        {"灭火器类型选择", "C类火灾", "选用干粉、卤代烷、二氧化碳灭火器"},
        {"灭火器类型选择", "D类火灾", "需同当地消防部门协商"},
        {"帮助", "程序设计依据", "《建筑灭火器配置设计规范》GBJ140-90"},
        {"帮助", "使用说明"},
    };
    for (const QStringList& path : paths) {
        chooseMenu(window.get(), path);
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(state(), before);
}

}  // namespace
}  // namespace extcalc::test
