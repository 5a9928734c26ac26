// SPDX-License-Identifier: MIT
#pragma once

// What the calculation needs from whoever shows it: the window, the command line
// or a test. Keeping it this small is what lets one calculation serve all three.

#include <string>
#include <string_view>

namespace extcalc {

enum class ListId { Combo2, Combo3, Combo4 };
enum class TextId { Text1, Text2, Text3, Text4 };

enum class Icon { None, Question, Critical };
// YesNo and SaveDiscardCancel serve the workbook: a recovery copy to restore, and
// unsaved changes before a project is closed.
// RecoverOpenDiscardLater: what to do with a project's recovery copy; "later" answers
// Cancel.
enum class Buttons { Ok, OkCancel, YesNo, SaveDiscardCancel, YesNoCancel, RecoverOpenDiscardLater };
enum class Answer { Ok, Cancel, Yes, No, Save, Discard, Recover, OpenUntitled };

// What a message is about, so that callers decide by it and never by its wording.
enum class MessageCode { IncompleteInput, AreaOutOfRange, ClassD, Reference };

struct Message {
    std::string_view text;
    // Empty: the box carries the application's title.
    std::string_view title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    MessageCode code = MessageCode::Reference;
};

class WindowOps {
  public:
    WindowOps() = default;
    WindowOps(const WindowOps&) = delete;
    WindowOps& operator=(const WindowOps&) = delete;
    WindowOps(WindowOps&&) = delete;
    WindowOps& operator=(WindowOps&&) = delete;
    virtual ~WindowOps() = default;

    // Zero-based position of the selected item; -1 when nothing is selected.
    [[nodiscard]] virtual int selectedPosition(ListId list) const = 0;
    [[nodiscard]] virtual std::string text(TextId box) const = 0;
    virtual void setText(TextId box, std::string_view text) = 0;
    // Modal: returns once the user has closed the box.
    virtual Answer showMessage(const Message& message) = 0;
    // Decimal separator for result texts; the window uses its locale's.
    [[nodiscard]] virtual std::string decimalSeparator() const { return "."; }
};

}  // namespace extcalc
