// SPDX-License-Identifier: MIT
// The window as it opens: controls in their designed places, captions readable,
// every choice open, keyboard order as designed.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QTest>
#include <span>

#include "caption.h"
#include "extcalc/lists.h"
#include "user_input.h"
#include "window_fixture.h"

namespace extcalc::test {
namespace {

using test::PrintTo;  // lets the case tables print their rows by name

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using LayoutTest = WindowTest;

TEST_F(LayoutTest, OpensWithEveryChoiceOpen) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("建筑灭火器配置设计计算程序"));
    for (const char* name : {"Text1", "Text2", "Text3", "Text4"}) {
        EXPECT_EQ(edit(name)->text(), QStringLiteral("0")) << name;
    }
    for (const char* name : {"Combo2", "Combo3", "Combo4"}) {
        EXPECT_EQ(combo(name)->currentText(), QStringLiteral(" ")) << name;
        EXPECT_EQ(combo(name)->selectedPosition(), -1) << name;
        // No item highlighted either when the user opens the list.
        EXPECT_EQ(combo(name)->currentIndex(), -1) << name;
    }
    EXPECT_EQ(combo("Combo2")->count(), 0);
    EXPECT_EQ(combo("Combo4")->count(), 0);
    QStringList corrections;
    for (const CorrectionItem& item : correctionList()) {
        corrections << utf8(item.text);
    }
    EXPECT_EQ(itemsOf(combo("Combo3")), corrections);
    for (const QRadioButton* button : window->findChildren<QRadioButton*>()) {
        EXPECT_FALSE(button->isChecked()) << button->objectName().toStdString();
    }
    EXPECT_EQ(window->u, 0.0F);
    EXPECT_EQ(window->style, 0);
    EXPECT_EQ(window->kd, 0.0F);
    EXPECT_EQ(window->n, 0);
    EXPECT_EQ(QApplication::focusWidget(), combo("Combo2"));
    EXPECT_TRUE(shown.empty());
}

TEST_F(LayoutTest, NoDefaultButtonAccessKeyOrShortcut) {
    for (const QPushButton* button : window->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault() || button->autoDefault())
            << button->objectName().toStdString();
    }
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        EXPECT_FALSE(button->text().contains(QLatin1Char('&'))) << button->text().toStdString();
    }
    for (const QAction* action : window->findChildren<QAction*>()) {
        EXPECT_FALSE(action->text().contains(QLatin1Char('&'))) << action->text().toStdString();
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    }
    // Enter on the area does not press Calculate.
    typeInto(edit("Text1"), QStringLiteral("300"));
    QTest::keyClick(edit("Text1"), Qt::Key_Return);
    EXPECT_EQ(edit("Text2")->text(), QStringLiteral("0"));
    EXPECT_TRUE(shown.empty());
}

// The design table, in twips, relative to the client area or the frame.
struct Designed {
    const char* name;
    const char* container;
    int left, top, width, height;
    bool mayGrow;  // the toolkit's font may need more height than designed
};

constexpr Designed kDesign[] = {
    {"Frame2", "client", 600, 360, 3015, 735, false},
    {"Option6", "Frame2", 1920, 360, 615, 255, false},
    {"Option5", "Frame2", 1320, 360, 615, 255, false},
    {"Option4", "Frame2", 720, 360, 495, 255, false},
    {"Option3", "Frame2", 120, 360, 495, 255, false},
    {"Frame1", "client", 4080, 2160, 2415, 615, false},
    {"Option1", "Frame1", 360, 240, 615, 255, false},
    {"Option2", "Frame1", 1440, 240, 615, 255, false},
    {"Command2", "client", 3720, 5280, 2175, 495, false},
    {"Command1", "client", 720, 5280, 2055, 495, false},
    {"Text4", "client", 2160, 4440, 735, 495, false},
    {"Text3", "client", 5160, 3720, 855, 375, false},
    {"Text2", "client", 2160, 3720, 735, 375, false},
    {"Combo4", "client", 600, 2520, 3255, 300, true},
    {"Combo3", "client", 3840, 1560, 2655, 300, true},
    {"Text1", "client", 2160, 1560, 735, 375, false},
    {"Combo2", "client", 3840, 720, 2655, 300, true},
    {"Label10", "client", 3840, 480, 1455, 255, true},
    {"Label9", "client", 3840, 1320, 1575, 255, true},
    {"Label8", "client", 600, 2280, 2295, 255, true},
    {"Label5", "client", 720, 3240, 1575, 255, true},
    {"Label4", "client", 480, 4560, 1575, 255, true},
    {"Label3", "client", 3360, 3840, 1575, 255, true},
    {"Label2", "client", 600, 3840, 1095, 255, true},
    {"Label1", "client", 600, 1560, 1455, 375, true},
};

class DesignTable : public WindowTest, public ::testing::WithParamInterface<Designed> {};

TEST_P(DesignTable, ControlSitsWhereDesigned) {
    const Designed& design = GetParam();
    const QWidget* control = find<QWidget>(design.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget()->objectName(), QString::fromLatin1(design.container));
    EXPECT_EQ(control->x() * 15, design.left);
    EXPECT_EQ(control->y() * 15, design.top);
    EXPECT_EQ(control->width() * 15, design.width);
    if (design.mayGrow) {
        EXPECT_GE(control->height() * 15, design.height);
    } else {
        EXPECT_EQ(control->height() * 15, design.height);
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, DesignTable, ::testing::ValuesIn(kDesign), ByName{});

TEST_F(LayoutTest, ClientAreaBelowTheMenuBarAndFixedSize) {
    const QWidget* client = find<QWidget>("client");
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(7380 / 15, 6510 / 15));
    EXPECT_EQ(client->y(), window->menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const auto* line = find<QFrame>("Line1");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frameShape(), QFrame::HLine);
    EXPECT_EQ(line->x() * 15, 240);
    EXPECT_EQ((line->x() + line->width()) * 15, 6240);
    EXPECT_EQ(line->y() * 15, 3000);
}

// Rectangles of neighbouring controls may share the one pixel row or column
// where the design lets a caption touch its list or two options touch; anything
// more is an overlap.
TEST_F(LayoutTest, NothingOverlapsAndEveryCaptionFits) {
    const QList<QWidget*> containers{find<QWidget>("client"), find<QWidget>("Frame2"),
                                     find<QWidget>("Frame1")};
    for (const QWidget* container : containers) {
        const QList<QWidget*> controls =
            container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                const QRect common = controls[i]->geometry() & controls[j]->geometry();
                EXPECT_TRUE(common.isEmpty() || common.height() <= 1 || common.width() <= 1)
                    << controls[i]->objectName().toStdString() << " overlaps "
                    << controls[j]->objectName().toStdString();
            }
        }
    }

    for (const ui::Caption* caption : window->findChildren<ui::Caption*>()) {
        const QFontMetrics metrics = caption->fontMetrics();
        const QStringList lines = caption->lines();
        for (const QString& line : lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), caption->contentsRect().width())
                << line.toStdString();
        }
        EXPECT_LE(lines.size() * metrics.lineSpacing(), caption->height())
            << caption->text().toStdString();
        // Nothing of the caption is lost in the wrapping.
        EXPECT_EQ(lines.join(QString()).remove(QLatin1Char(' ')),
                  QString(caption->text()).remove(QLatin1Char(' ')));
    }
    EXPECT_EQ(find<ui::Caption>("Label1")->lines(),
              QStringList({QStringLiteral("建筑面积S="), QStringLiteral("平方米")}));

    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        int needed = button->fontMetrics().horizontalAdvance(button->text());
        if (qobject_cast<const QRadioButton*>(button) != nullptr) {
            needed += button->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                      button->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        }
        EXPECT_LE(needed, button->width()) << button->text().toStdString();
        EXPECT_LE(button->fontMetrics().height(), button->height()) << button->text().toStdString();
    }
    for (const QGroupBox* frame : window->findChildren<QGroupBox*>()) {
        EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()), frame->width());
    }
    for (const char* name : {"Combo2", "Combo3", "Combo4"}) {
        EXPECT_GE(combo(name)->height(), combo(name)->sizeHint().height()) << name;
    }
}

// An option group is one stop, entered at its first option while none is chosen;
// the arrow keys move within it.
TEST_F(LayoutTest, TabFollowsTheDesignedOrder) {
    const QStringList expected{"Text1",    "Combo3",   "Combo4",  "Text2",   "Text3", "Text4",
                               "Command1", "Command2", "Option2", "Option3", "Combo2"};
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, expected);
}

struct Named {
    const char* control;
    const char* accessibleName;
    QAccessible::Role role;
    const char* label;  // the caption that labels it, if any
};

// What a screen reader is told, asked the way it asks: through the accessibility
// interface, not the widget's own property. On Linux a combo box reports its
// current text as its name and is announced by the label it is labelled by.
TEST_F(LayoutTest, InputsCarryTheirCaptionsForAssistiveTools) {
    const Named kNames[] = {
        {"Text1", "建筑面积", QAccessible::EditableText, "Label1"},
        {"Combo2", "火灾危险等级", QAccessible::ComboBox, "Label10"},
        {"Combo3", "修正系数", QAccessible::ComboBox, "Label9"},
        {"Combo4", "采用灭火器类型", QAccessible::ComboBox, "Label8"},
        {"Text2", "灭火级别Q1", QAccessible::EditableText, "Label2"},
        {"Text3", "修正后灭火级别Q", QAccessible::EditableText, "Label3"},
        {"Text4", "需要灭火器数量N", QAccessible::EditableText, "Label4"},
        {"Frame2", "火灾类别", QAccessible::Grouping, nullptr},
        {"Frame1", "是否地下建筑", QAccessible::Grouping, nullptr},
    };
    for (const Named& named : kNames) {
        auto* widget = find<QWidget>(named.control);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr) << named.control;
        EXPECT_EQ(accessible->role(), named.role) << named.control;
        const QString name = QString::fromUtf8(named.accessibleName);
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(list->lineEdit());
            ASSERT_NE(edit, nullptr) << named.control;
            EXPECT_EQ(edit->text(QAccessible::Name), name) << named.control;
        } else {
            EXPECT_EQ(accessible->text(QAccessible::Name), name) << named.control;
        }
        if (named.label != nullptr) {
            const auto labels = accessible->relations(QAccessible::Label);
            ASSERT_EQ(labels.size(), 1) << named.control;
            EXPECT_EQ(labels.front().first->text(QAccessible::Name),
                      find<QLabel>(named.label)->text())
                << named.control;
        }
    }
    // Each option button is announced inside its group, under the group's caption.
    const std::pair<const char*, const char*> kOptions[] = {{"Option3", "火灾类别"},
                                                            {"Option6", "火灾类别"},
                                                            {"Option1", "是否地下建筑"},
                                                            {"Option2", "是否地下建筑"}};
    for (const auto& [name, group] : kOptions) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(option(name));
        ASSERT_NE(accessible, nullptr) << name;
        EXPECT_EQ(accessible->role(), QAccessible::RadioButton) << name;
        EXPECT_EQ(accessible->text(QAccessible::Name), option(name)->text()) << name;
        ASSERT_NE(accessible->parent(), nullptr) << name;
        EXPECT_EQ(accessible->parent()->text(QAccessible::Name), QString::fromUtf8(group)) << name;
    }
}

}  // namespace
}  // namespace extcalc::test
