// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "extcalc/lists.h"
#include "extcalc/window_ops.h"

namespace extcalc {

// The window's calculation state. All four start at zero and nothing resets them:
// they outlive calculations and changes of fire class, which is how an earlier
// choice stays in force when a list is later left without a selection.
struct FormVariables {
    float u = 0.0F;          // m² per unit of rating of the chosen hazard level
    std::int16_t style = 0;  // fire-class group: 0 none, 1 class A, 2 classes B and C
    float kd = 0.0F;         // underground factor; 0 until the question is answered
    std::int16_t n = 0;      // rating of one extinguisher of the chosen model
};

// A fire class chosen: sets `style` and returns the group whose hazard and
// extinguisher lists the front end must now offer (their previous selections are
// lost). Class D shows its notice and changes nothing, whatever the answer: the
// result is then nullptr and the lists stay as they were.
const ClassGroup* chooseFireClass(FormVariables& form, FireClass fireClass, WindowOps& ops);

// The underground question answered.
void chooseUnderground(FormVariables& form, bool underground);

// Calculate: reads the K list, the area and (through a or b) the hazard and
// extinguisher lists, then writes Q1, Q and N, or nothing at all when they
// cannot all be computed.
void calcu(FormVariables& form, WindowOps& ops);

// Rating lookups for group 1 (class A) and group 2 (classes B, C). Each sets u
// and n from the selected positions, warning once per list without a selection
// and leaving that variable as it was. Returns whether a warning was shown.
bool a(FormVariables& form, WindowOps& ops);
bool b(FormVariables& form, WindowOps& ops);

// The incomplete-input warning.
void wrong(WindowOps& ops);

}  // namespace extcalc
