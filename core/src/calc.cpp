// SPDX-License-Identifier: MIT
#include "extcalc/calc.h"

#include <optional>
#include <string>

#include "extcalc/lists.h"
#include "extcalc/numbers.h"
#include "extcalc/texts.h"

namespace extcalc {
namespace {

constexpr Message kIncompleteMessage{text::kIncompleteInput, text::kNoteTitle, Icon::Question,
                                     Buttons::Ok, MessageCode::IncompleteInput};
constexpr Message kOutOfRangeMessage{text::kAreaOutOfRange, text::kNoteTitle, Icon::Question,
                                     Buttons::Ok, MessageCode::AreaOutOfRange};
constexpr Message kClassDMessage{text::kClassDNotice, text::kClassDTitle, Icon::Critical,
                                 Buttons::OkCancel, MessageCode::ClassD};

// Both steps always run, so a user who left both lists open hears about each.
bool lookUpRatings(const ClassGroup& group, FormVariables& form, WindowOps& ops) {
    bool warned = false;
    if (const auto u = hazardU(group, ops.selectedPosition(ListId::Combo2))) {
        form.u = *u;
    } else {
        wrong(ops);
        warned = true;
    }
    if (const auto n = extinguisherN(group, ops.selectedPosition(ListId::Combo4))) {
        form.n = *n;
    } else {
        wrong(ops);
        warned = true;
    }
    return warned;
}

}  // namespace

const ClassGroup* chooseFireClass(FormVariables& form, FireClass fireClass, WindowOps& ops) {
    const ClassGroup* group = groupOf(fireClass);
    if (group == nullptr) {
        // The answer does not matter: class D is settled with the fire authority, not here.
        ops.showMessage(kClassDMessage);
        return nullptr;
    }
    form.style = group->style;
    return group;
}

void chooseUnderground(FormVariables& form, bool underground) {
    form.kd = undergroundFactor(underground);
}

void wrong(WindowOps& ops) {
    ops.showMessage(kIncompleteMessage);
}

bool a(FormVariables& form, WindowOps& ops) {
    return lookUpRatings(*groupForStyle(kStyleA), form, ops);
}

bool b(FormVariables& form, WindowOps& ops) {
    return lookUpRatings(*groupForStyle(kStyleBC), form, ops);
}

void calcu(FormVariables& form, WindowOps& ops) {
    // A K list without a selection is no mistake of the user's worth a warning: it
    // simply contributes nothing, so Q and N come out as 0.
    const double k = correctionK(ops.selectedPosition(ListId::Combo3)).value_or(0.0);

    const std::optional<double> area = parseArea(ops.text(TextId::Text1));
    if (!area) {
        ops.showMessage(kOutOfRangeMessage);
        return;
    }

    bool warned = false;
    if (form.style == kStyleA) {
        warned = a(form, ops);
    } else if (form.style == kStyleBC) {
        warned = b(form, ops);
    }

    // Nothing has ever been chosen for one of the divisors. Dividing anyway would
    // show infinities or NaN; the user is told once that the input is incomplete.
    if (form.u == 0.0F || form.n == 0) {
        if (!warned) {
            wrong(ops);
        }
        return;
    }

    // 64-bit arithmetic in a fixed order, with u and kd entering at their 32-bit
    // values: the results must match the original digit for digit.
    const double s = *area;
    const auto u = static_cast<double>(form.u);
    const double q1 = s / u;
    const double m = static_cast<double>(form.kd) * k;
    const double q = (s * m) / u;
    const double nResult = q / form.n;

    const std::string separator = ops.decimalSeparator();
    const auto q1Text = resultText(q1, separator);
    const auto qText = resultText(q, separator);
    const auto nText = resultText(nResult, separator);
    if (!q1Text || !qText || !nText) {
        ops.showMessage(kOutOfRangeMessage);
        return;
    }
    ops.setText(TextId::Text2, *q1Text);
    ops.setText(TextId::Text3, *qText);
    ops.setText(TextId::Text4, *nText);
}

}  // namespace extcalc
