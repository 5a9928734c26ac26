// SPDX-License-Identifier: MIT
#pragma once

// The fewest sets that cover every element, by branch and bound, within a budget of search
// nodes: the placement's proof that no fewer candidates serve the spots it samples.

#include <cstddef>
#include <vector>

namespace extcalc::plan::detail {

enum class CoverSearch {
    Found,      // a cover of at most the number asked for
    None,       // searched to the end: no such cover exists
    Undecided,  // the budget ran out first
};

struct CoverFound {
    CoverSearch outcome = CoverSearch::Undecided;
    std::vector<std::size_t> chosen;  // the sets of the cover, when found
};

// A cover of at most `most` of the sets (each the sorted elements it holds, elements numbered
// below `elements`), counting every node searched against `nodes`, which is decreased. Elements
// no set holds are left out: no choice of sets changes them. The search is deterministic: the
// same sets and budget give the same answer on every platform.
CoverFound coverWithin(const std::vector<std::vector<int>>& sets, std::size_t elements,
                       std::size_t most, long& nodes);

}  // namespace extcalc::plan::detail
