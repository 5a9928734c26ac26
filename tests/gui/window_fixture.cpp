// SPDX-License-Identifier: MIT
#include "window_fixture.h"

#include <QTest>

#include "extcalc/texts.h"
#include "user_input.h"

namespace extcalc::test {

void PrintTo(const Shown& shown, std::ostream* out) {
    *out << "{\"" << shown.text << "\", title \"" << shown.title << "\", icon "
         << static_cast<int>(shown.icon) << ", buttons " << static_cast<int>(shown.buttons) << "}";
}

Shown incompleteInputWarning() {
    return {std::string(text::kIncompleteInput), std::string(text::kNoteTitle), Icon::Question,
            Buttons::Ok};
}

void WindowTest::SetUp() {
    window = std::make_unique<ui::form3>([this](QWidget*, const Message& message) {
        shown.push_back(
            {std::string(message.text), std::string(message.title), message.icon, message.buttons});
        if (replies.empty()) {
            return Answer::Ok;
        }
        const Answer reply = replies.front();
        replies.pop_front();
        return reply;
    });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::TearDown() {
    window.reset();
}

void WindowTest::pick(const char* list, int position, bool keyboard) {
    if (keyboard) {
        pickWithKeyboard(combo(list), position);
    } else {
        pickFromPopup(combo(list), position);
    }
}

void WindowTest::answer(const Answers& answers) {
    click(option(answers.fireClass));
    if (answers.hazard >= 0) {
        pick("Combo2", answers.hazard, answers.keyboard);
    }
    typeInto(edit("Text1"), answers.area);
    if (answers.correction >= 0) {
        pick("Combo3", answers.correction, answers.keyboard);
    }
    if (answers.underground != nullptr) {
        click(option(answers.underground));
    }
    if (answers.extinguisher >= 0) {
        pick("Combo4", answers.extinguisher, answers.keyboard);
    }
}

void WindowTest::calculate() {
    click(find<QPushButton>("Command1"));
}

std::array<QString, 3> WindowTest::results() const {
    return {edit("Text2")->text(), edit("Text3")->text(), edit("Text4")->text()};
}

QStringList WindowTest::itemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

WindowState WindowTest::state() const {
    WindowState state;
    const std::array<const char*, 4> texts{"Text1", "Text2", "Text3", "Text4"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        state.texts[i] = edit(texts[i])->text();
    }
    const std::array<const char*, 3> lists{"Combo2", "Combo3", "Combo4"};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const ui::DropDownCombo* list = combo(lists[i]);
        state.listTexts[i] = list->currentText();
        state.positions[i] = list->selectedPosition();
        state.items[i] = itemsOf(list);
    }
    const std::array<const char*, 6> options{"Option1", "Option2", "Option3",
                                             "Option4", "Option5", "Option6"};
    for (std::size_t i = 0; i < options.size(); ++i) {
        state.checked[i] = option(options[i])->isChecked();
    }
    state.u = window->u;
    state.style = window->style;
    state.kd = window->kd;
    state.n = window->n;
    return state;
}

}  // namespace extcalc::test
