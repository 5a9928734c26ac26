// SPDX-License-Identifier: MIT
#include "extcalc/headless.h"

#include <cstddef>
#include <utility>

namespace extcalc {
namespace {

std::size_t index(TextId box) {
    return static_cast<std::size_t>(box);
}

}  // namespace

int ScriptedOps::selectedPosition(ListId list) const {
    switch (list) {
        case ListId::Combo2:
            return combo2;
        case ListId::Combo3:
            return combo3;
        case ListId::Combo4:
            return combo4;
    }
    return -1;
}

std::string ScriptedOps::text(TextId box) const {
    return texts.at(index(box));
}

void ScriptedOps::setText(TextId box, std::string_view value) {
    texts.at(index(box)) = std::string(value);
    written.at(index(box)) = true;
}

Answer ScriptedOps::showMessage(const Message& message) {
    messages.push_back({std::string(message.text), std::string(message.title), message.icon,
                        message.buttons, message.code});
    return Answer::Ok;
}

Outcome calculateOnce(const Request& request) {
    FormVariables form;
    ScriptedOps ops;
    Outcome outcome;
    if (chooseFireClass(form, request.fireClass, ops) != nullptr) {
        // Choosing a class empties both lists, so positions are picked after it, as a user would.
        ops.combo2 = request.hazard;
        ops.combo3 = request.correction;
        ops.combo4 = request.extinguisher;
        ops.texts[index(TextId::Text1)] = request.area;
        chooseUnderground(form, request.underground);

        calcu(form, ops);
        if (ops.written[index(TextId::Text2)] && ops.written[index(TextId::Text3)] &&
            ops.written[index(TextId::Text4)]) {
            outcome.results = {ops.texts[index(TextId::Text2)], ops.texts[index(TextId::Text3)],
                               ops.texts[index(TextId::Text4)]};
        }
    }
    outcome.messages = std::move(ops.messages);
    return outcome;
}

}  // namespace extcalc
