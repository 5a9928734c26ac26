// SPDX-License-Identifier: MIT
#pragma once

// The calculation without a window: for the command line, batch work and tests.
// It goes through the same steps as the window, on a fresh set of form variables.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "extcalc/calc.h"
#include "extcalc/lists.h"
#include "extcalc/window_ops.h"

namespace extcalc {

struct ShownMessage {
    std::string text;
    std::string title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    MessageCode code = MessageCode::Reference;
};

// Stands in for the window: list positions and the area are set beforehand, the
// result texts and every message box are recorded; boxes are answered with OK.
class ScriptedOps final : public WindowOps {
  public:
    int combo2 = -1;
    int combo3 = -1;
    int combo4 = -1;
    std::array<std::string, 4> texts{"0", "0", "0", "0"};
    std::array<bool, 4> written{};
    std::vector<ShownMessage> messages;
    std::string separator = ".";

    [[nodiscard]] int selectedPosition(ListId list) const override;
    [[nodiscard]] std::string text(TextId box) const override;
    void setText(TextId box, std::string_view value) override;
    Answer showMessage(const Message& message) override;
    [[nodiscard]] std::string decimalSeparator() const override { return separator; }
};

// One area, every answer given: positions are zero-based, as the lists hold them.
struct Request {
    FireClass fireClass = FireClass::A;
    int hazard = -1;
    int correction = -1;
    bool underground = false;
    int extinguisher = -1;
    std::string area;
};

struct Outcome {
    // Q1, Q and N as the result boxes would show them; empty when nothing was written.
    std::optional<std::array<std::string, 3>> results;
    std::vector<ShownMessage> messages;
};

Outcome calculateOnce(const Request& request);

}  // namespace extcalc
