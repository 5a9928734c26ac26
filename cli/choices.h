// SPDX-License-Identifier: MIT
#pragma once

// The lists as the command line prints them, numbered from 1 as its options take them.

#include <iosfwd>

namespace extcalc::cli {

// Every list, per class group, numbered from 1.
void printLists(std::ostream& out);

}  // namespace extcalc::cli
