// SPDX-License-Identifier: MIT
#pragma once

// The lists as the command line prints them, numbered from 1 as its options take them.

#include <iosfwd>

namespace extcalc::cli {

// Every list, per class group, numbered from 1.
void printLists(std::ostream& out);

// The lists of GB 50140-2005: classes, hazard levels, K items, the ×1.3 places, the
// models of Appendix A and how to type a model of one's own.
void printLists2005(std::ostream& out);

}  // namespace extcalc::cli
