// SPDX-License-Identifier: MIT
// The window's events end to end: real clicks, key presses and typing, down to
// the texts in the result boxes and the messages that would have been shown.

#include <QAccessible>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QTest>

#include "extcalc/lists.h"
#include "extcalc/texts.h"
#include "result_box.h"
#include "user_input.h"
#include "window_fixture.h"

namespace extcalc::test {
namespace {

using test::PrintTo;  // lets the case tables print their rows by name

QStringList textsOf(std::span<const HazardItem> items) {
    QStringList texts;
    for (const auto& item : items) {
        texts << QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
    }
    return texts;
}

QStringList textsOf(std::span<const ExtinguisherItem> items) {
    QStringList texts;
    for (const auto& item : items) {
        texts << QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
    }
    return texts;
}

Shown classDNotice() {
    return {std::string(text::kClassDNotice), std::string(text::kClassDTitle), Icon::Critical,
            Buttons::OkCancel};
}

struct Worked {
    const char* name;
    Answers answers;
    std::array<const char*, 3> results;
};

const Worked kWorked[] = {
    {"Typical", {}, {"20", "14", "1.75"}},
    {"TypicalByKeyboard", {.keyboard = true}, {"20", "14", "1.75"}},
    {"LightHazard",
     {.hazard = 0, .area = QStringLiteral("100"), .correction = 0, .extinguisher = 0},
     {"5", "5", "1.66666666666667"}},
    {"LightHazardUnderground",
     {.hazard = 0,
      .area = QStringLiteral("100"),
      .correction = 0,
      .underground = "Option1",
      .extinguisher = 0},
     {"5", "6.49999976158142", "2.16666658719381"}},
    {"ClassB",
     {.fireClass = "Option4",
      .hazard = 1,
      .area = QStringLiteral("500"),
      .correction = 2,
      .underground = "Option1",
      .extinguisher = 3},
     {"66.6666666666667", "25.9999990463257", "6.49999976158142"}},
    {"ClassCSharesB",
     {.fireClass = "Option5",
      .hazard = 1,
      .area = QStringLiteral("500"),
      .correction = 2,
      .underground = "Option1",
      .extinguisher = 3,
      .keyboard = true},
     {"66.6666666666667", "25.9999990463257", "6.49999976158142"}},
    {"NoCorrection", {.correction = -1}, {"20", "0", "0"}},
    {"UndergroundUnanswered", {.underground = nullptr}, {"20", "0", "0"}},
    {"NegativeArea",
     {.hazard = 0, .area = QStringLiteral("-100"), .correction = 0, .extinguisher = 0},
     {"-5", "-5", "-1.66666666666667"}},
    {"AreaWithUnit",
     {.hazard = 0, .area = QStringLiteral("12.5平方米"), .correction = 0, .extinguisher = 0},
     {"0.625", "0.625", "0.208333333333333"}},
    {"AreaWithBlank",
     {.hazard = 0, .area = QStringLiteral("1 200"), .correction = 0, .extinguisher = 0},
     {"60", "60", "20"}},
    {"TinyArea",
     {.hazard = 0, .area = QStringLiteral("0.455"), .correction = 0, .extinguisher = 0},
     {"0.02275", "0.02275", "7.58333333333333E-03"}},
    {"SprinklersAndLargestExtinguisher",
     {.hazard = 0, .area = QStringLiteral("20"), .correction = 2, .extinguisher = 6},
     {"1", "0.3", "8.82352941176471E-03"}},
    {"AreaReadUpToTheComma",
     {.area = QStringLiteral("1,200")},
     {"6.66666666666667E-02", "4.66666666666667E-02", "5.83333333333333E-03"}},
};

class WorkedCase : public WindowTest, public ::testing::WithParamInterface<Worked> {};

TEST_P(WorkedCase, ResultBoxesShowTheRatings) {
    answer(GetParam().answers);
    calculate();
    const auto& expected = GetParam().results;
    EXPECT_EQ(results(), (std::array<QString, 3>{QString::fromUtf8(expected[0]),
                                                 QString::fromUtf8(expected[1]),
                                                 QString::fromUtf8(expected[2])}));
    EXPECT_TRUE(shown.empty());
    // Results wider than their boxes show their leading digits, not their tails.
    for (const char* box : {"Text2", "Text3", "Text4"}) {
        EXPECT_EQ(edit(box)->cursorPosition(), 0) << box;
    }
}

// At rest a box shows its result whole, in a smaller font if need be, or cut
// short with an ellipsis; a bare prefix would read as another number. The
// tooltip and what a screen reader reads stay whole.
TEST_P(WorkedCase, ResultBoxesNeverShowADifferentNumber) {
    answer(GetParam().answers);
    calculate();
    for (const char* name : {"Text2", "Text3", "Text4"}) {
        auto* box = find<ui::ResultBox>(name);
        ASSERT_NE(box, nullptr);
        ASSERT_FALSE(box->hasFocus());
        const QString whole = box->text();
        const ui::ResultBox::Shown view = box->shown();
        EXPECT_LE(QFontMetrics(view.font).horizontalAdvance(view.text), box->textWidth()) << name;
        EXPECT_GE(view.font.pointSizeF(), ui::ResultBox::kMinimumPointSize) << name;
        // Cut digits are marked by an ellipsis, and an exponent is kept whole after it.
        const qsizetype mark = view.text.indexOf(QChar(0x2026));
        const QString exponent = view.text.mid(mark + 1);
        const bool elided = mark > 0 && whole.startsWith(view.text.left(mark)) &&
                            whole.endsWith(exponent) &&
                            (exponent.isEmpty() || exponent == whole.mid(whole.indexOf('E')));
        EXPECT_TRUE(view.text == whole || elided) << name << " shows " << view.text.toStdString();
        const bool reduced = view.text != whole || view.font != box->font();
        EXPECT_EQ(box->toolTip(), reduced ? whole : QString()) << name;

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Value), whole) << name;
        QAccessibleTextInterface* text = accessible->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(0, text->characterCount()), whole) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Window, WorkedCase, ::testing::ValuesIn(kWorked), ByName{});

using EventTest = WindowTest;

TEST_F(EventTest, ResultsUseTheDecimalSeparatorOfTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    answer({});  // the area is still read with "."
    calculate();
    QLocale::setDefault(before);
    EXPECT_EQ(results(), (std::array<QString, 3>{"20", "14", "1,75"}));
}

TEST_F(EventTest, ChoosingAAfterBOffersTheClassALists) {
    answer({.fireClass = "Option4", .hazard = 2, .correction = 1, .extinguisher = 7});
    click(option("Option3"));
    EXPECT_EQ(window->style, 1);
    EXPECT_EQ(itemsOf(combo("Combo2")), textsOf(groupOf(FireClass::A)->hazards));
    EXPECT_EQ(itemsOf(combo("Combo4")), textsOf(groupOf(FireClass::A)->extinguishers));
    for (const char* list : {"Combo2", "Combo4"}) {
        EXPECT_EQ(combo(list)->selectedPosition(), -1) << list;
        EXPECT_EQ(combo(list)->currentIndex(), -1) << list;
        EXPECT_EQ(combo(list)->currentText(), QString()) << list;
    }
    // The K list is not the fire class's: its choice survives.
    EXPECT_EQ(combo("Combo3")->selectedPosition(), 1);
    EXPECT_EQ(combo("Combo3")->currentText(), QStringLiteral("只有消火栓系统，K=0.7"));
}

TEST_F(EventTest, ChoosingCAfterBLosesTheSelectionsMadeUnderB) {
    answer({.fireClass = "Option4", .hazard = 2, .extinguisher = 7});
    click(option("Option5"));
    EXPECT_EQ(window->style, 2);
    EXPECT_EQ(itemsOf(combo("Combo4")), textsOf(groupOf(FireClass::C)->extinguishers));
    EXPECT_EQ(combo("Combo2")->selectedPosition(), -1);
    EXPECT_EQ(combo("Combo4")->selectedPosition(), -1);
}

TEST_F(EventTest, ChoosingTheSelectedClassAgainKeepsItsLists) {
    answer({});
    const WindowState before = state();
    click(option("Option3"));
    QTest::keyClick(option("Option3"), Qt::Key_Space);
    EXPECT_EQ(state(), before);
}

struct Reply {
    const char* name;
    Answer answer;
};

// Whichever button closes the class-D notice, nothing follows.
class ClassDAfterA : public WindowTest, public ::testing::WithParamInterface<Reply> {};

TEST_P(ClassDAfterA, NoticeAndNothingChanges) {
    answer({});
    WindowState before = state();
    replies.push_back(GetParam().answer);
    click(option("Option6"));
    EXPECT_EQ(shown, std::vector<Shown>{classDNotice()});
    EXPECT_TRUE(option("Option6")->isChecked());
    before.checked = state().checked;  // only the fire-class buttons show D now
    EXPECT_EQ(state(), before);
    calculate();
    EXPECT_EQ(results(), (std::array<QString, 3>{"20", "14", "1.75"}));
}

INSTANTIATE_TEST_SUITE_P(EitherButton, ClassDAfterA,
                         ::testing::Values(Reply{"Ok", Answer::Ok},
                                           Reply{"Cancel", Answer::Cancel}),
                         ByName{});

TEST_F(EventTest, ClassDFirstLeavesTheListsEmpty) {
    click(option("Option6"));
    EXPECT_EQ(shown, std::vector<Shown>{classDNotice()});
    EXPECT_EQ(window->style, 0);
    EXPECT_EQ(combo("Combo2")->count(), 0);
    EXPECT_EQ(combo("Combo4")->count(), 0);
}

TEST_F(EventTest, FireClassByArrowKeysRunsEachHandlerOnce) {
    click(option("Option3"));
    QTest::keyClick(option("Option3"), Qt::Key_Right);
    EXPECT_TRUE(option("Option4")->isChecked());
    EXPECT_EQ(window->style, 2);
    EXPECT_EQ(combo("Combo4")->count(), 8);
    QTest::keyClick(option("Option4"), Qt::Key_Right);
    QTest::keyClick(option("Option5"), Qt::Key_Right);
    EXPECT_TRUE(option("Option6")->isChecked());
    EXPECT_EQ(shown, std::vector<Shown>{classDNotice()});
    for (const char* from : {"Option6", "Option5", "Option4"}) {
        QTest::keyClick(option(from), Qt::Key_Left);
    }
    EXPECT_TRUE(option("Option3")->isChecked());
    EXPECT_EQ(shown.size(), 1U);
    EXPECT_EQ(window->style, 1);
    EXPECT_EQ(combo("Combo4")->count(), 7);
}

TEST_F(EventTest, UndergroundAnswerKeepsTheLastChoice) {
    click(option("Option1"));
    EXPECT_EQ(window->kd, 1.3F);
    click(option("Option2"));
    EXPECT_EQ(window->kd, 1.0F);
    QTest::keyClick(option("Option2"), Qt::Key_Left);
    EXPECT_TRUE(option("Option1")->isChecked());
    EXPECT_EQ(static_cast<double>(window->kd), 1.2999999523162842);
}

TEST_F(EventTest, OnlyCalculateWritesTheResults) {
    answer({});
    EXPECT_EQ(results(), (std::array<QString, 3>{"0", "0", "0"}));
    calculate();
    const auto written = results();
    click(option("Option4"));
    pick("Combo2", 0);
    pick("Combo3", 2);
    pick("Combo4", 5);
    click(option("Option1"));
    typeInto(edit("Text1"), QStringLiteral("1000"));
    EXPECT_EQ(results(), written);
    calculate();
    EXPECT_NE(results(), written);
}

TEST_F(EventTest, LongResultIsCopiedWhole) {
    answer({.area = QStringLiteral("1,200")});
    calculate();
    QLineEdit* result = edit("Text4");
    result->setFocus(Qt::TabFocusReason);
    QTest::keyClick(result, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(result, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("5.83333333333333E-03"));
}

TEST_F(EventTest, ResultBoxesAreReadOnlyButSelectable) {
    answer({});
    calculate();
    QLineEdit* result = edit("Text4");
    typeInto(result, QStringLiteral("99"));
    EXPECT_EQ(result->text(), QStringLiteral("1.75"));
    EXPECT_EQ(result->selectedText(), QStringLiteral("1.75"));
}

// Typed text is never a choice, even when it spells an item exactly.
struct Typed {
    const char* name;
    QString text;
    Qt::Key then;  // Qt::Key_unknown: nothing; otherwise a key pressed after typing
};

class TypingIntoAList : public WindowTest, public ::testing::WithParamInterface<Typed> {};

TEST_P(TypingIntoAList, LeavesNoSelectionAndCalculateWarns) {
    answer({});
    calculate();
    shown.clear();
    typeInto(edit("Text1"), QStringLiteral("600"));
    // Picked, but then typed over: the calculation must not use it.
    pick("Combo2", 0);

    ui::DropDownCombo* list = combo("Combo2");
    typeInto(list->lineEdit(), GetParam().text);
    if (GetParam().then != Qt::Key_unknown) {
        QTest::keyClick(list, GetParam().then);
    }
    EXPECT_EQ(list->selectedPosition(), -1);
    EXPECT_EQ(list->currentText(), GetParam().text);  // nothing completed the typing
    EXPECT_EQ(list->count(), 3);                      // Enter added nothing

    calculate();
    EXPECT_EQ(shown, std::vector<Shown>{incompleteInputWarning()});
    // u of the last successful lookup (15), not that of the item picked before typing (20).
    EXPECT_EQ(results(), (std::array<QString, 3>{"40", "28", "3.5"}));
}

const Typed kTyped[] = {
    {"Text", QStringLiteral("abc"), Qt::Key_unknown},
    {"ItemTextThenEnter", QStringLiteral("中危险级,15m2/A"), Qt::Key_Return},
    {"ItemTextThenTab", QStringLiteral("严重危险级,10m2/A"), Qt::Key_Tab},
    {"BeginningThenEnter", QStringLiteral("中"), Qt::Key_Return},
};
INSTANTIATE_TEST_SUITE_P(Combo2, TypingIntoAList, ::testing::ValuesIn(kTyped), ByName{});

TEST_F(EventTest, PickingAfterTypingSelectsAgain) {
    click(option("Option3"));
    typeInto(combo("Combo4")->lineEdit(), QStringLiteral("x"));
    pick("Combo4", 4, true);
    EXPECT_EQ(combo("Combo4")->selectedPosition(), 4);
    QTest::keyClick(combo("Combo4"), Qt::Key_Up);
    EXPECT_EQ(combo("Combo4")->selectedPosition(), 3);
}

// No divisor was ever set: nothing is written, the user is told what is missing,
// and the window goes on working.
struct Incomplete {
    const char* name;
    const char* fireClass;  // nullptr: no fire class chosen
    int hazard;
    std::size_t warnings;
};

class DivisorNeverSet : public WindowTest, public ::testing::WithParamInterface<Incomplete> {};

TEST_P(DivisorNeverSet, WarnsAndWritesNothing) {
    const Incomplete& incomplete = GetParam();
    if (incomplete.fireClass != nullptr) {
        click(option(incomplete.fireClass));
    }
    if (incomplete.hazard >= 0) {
        pick("Combo2", incomplete.hazard);
    }
    typeInto(edit("Text1"), QStringLiteral("300"));
    pick("Combo3", 0);
    click(option("Option2"));
    shown.clear();
    calculate();
    EXPECT_EQ(shown, std::vector<Shown>(incomplete.warnings, incompleteInputWarning()));
    EXPECT_EQ(results(), (std::array<QString, 3>{"0", "0", "0"}));

    shown.clear();
    answer({});
    calculate();
    EXPECT_EQ(results(), (std::array<QString, 3>{"20", "14", "1.75"}));
}

const Incomplete kIncomplete[] = {
    {"NoFireClass", nullptr, -1, 1},
    {"ClassDOnly", "Option6", -1, 1},
    {"ClassANothingPicked", "Option3", -1, 2},
    {"ClassANoExtinguisher", "Option3", 1, 1},
};
INSTANTIATE_TEST_SUITE_P(Calculate, DivisorNeverSet, ::testing::ValuesIn(kIncomplete), ByName{});

}  // namespace
}  // namespace extcalc::test
