// SPDX-License-Identifier: MIT
#pragma once

// The texts of the reference menus: which civil buildings belong to each hazard
// level of GBJ140-90, and the About message. Lines are joined by CR LF.

#include <string>

namespace extcalc::ui::reference {

std::string lightHazard();
std::string mediumHazard();
std::string severeHazard();
std::string about();

}  // namespace extcalc::ui::reference
