// SPDX-License-Identifier: MIT
// The placement's exact set cover against instances whose answer is known: small ones written
// out, where a greedy choice goes wrong, and random ones against every subset of their sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "exact_cover.h"

namespace {

using extcalc::plan::detail::CoverSearch;
using extcalc::plan::detail::coverWithin;
using Sets = std::vector<std::vector<int>>;

// Every element some set holds is held by a chosen set.
bool covers(const Sets& sets, std::size_t elements, const std::vector<std::size_t>& chosen) {
    std::vector<bool> held(elements, false);
    std::vector<bool> reachable(elements, false);
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const bool picked = std::find(chosen.begin(), chosen.end(), s) != chosen.end();
        for (const int e : sets[s]) {
            reachable[static_cast<std::size_t>(e)] = true;
            if (picked) {
                held[static_cast<std::size_t>(e)] = true;
            }
        }
    }
    return held == reachable;
}

struct Known {
    const char* name;
    Sets sets;
    std::size_t elements;
    std::size_t most;
    CoverSearch outcome;
};

TEST(ExactCover, KnownInstances) {
    const Known cases[] = {
        // The largest set first would take three.
        {"greedy takes three, two do",
         {{0, 1, 3, 4}, {0, 1, 2}, {3, 4, 5}, {2}, {5}},
         6,
         2,
         CoverSearch::Found},
        {"not with one", {{0, 1, 3, 4}, {0, 1, 2}, {3, 4, 5}, {2}, {5}}, 6, 1, CoverSearch::None},
        {"an element no set holds is left out", {{0, 1}, {1, 2}}, 4, 2, CoverSearch::Found},
        {"nothing to cover", {{}, {}}, 3, 0, CoverSearch::Found},
        {"identical sets, one taken", {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}}, 3, 1, CoverSearch::Found},
        {"a chain: every other set",
         {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}},
         6,
         3,
         CoverSearch::Found},
        {"a chain with one fewer",
         {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}},
         6,
         2,
         CoverSearch::None},
        {"pairs that share nothing need one each",
         {{0, 1}, {2, 3}, {4, 5}, {6, 7}},
         8,
         3,
         CoverSearch::None},
    };
    for (const Known& c : cases) {
        SCOPED_TRACE(c.name);
        long nodes = 1000;
        const auto found = coverWithin(c.sets, c.elements, c.most, nodes);
        EXPECT_EQ(found.outcome, c.outcome);
        if (found.outcome == CoverSearch::Found) {
            EXPECT_LE(found.chosen.size(), c.most);
            EXPECT_TRUE(covers(c.sets, c.elements, found.chosen));
        }
    }
}

// The fewest sets by trying every subset, smallest first.
std::size_t fewestByEnumeration(const Sets& sets, std::size_t elements) {
    std::size_t best = sets.size();
    for (std::uint32_t mask = 0; mask < (1U << sets.size()); ++mask) {
        std::vector<std::size_t> chosen;
        for (std::size_t s = 0; s < sets.size(); ++s) {
            if (((mask >> s) & 1U) != 0) {
                chosen.push_back(s);
            }
        }
        if (chosen.size() < best && covers(sets, elements, chosen)) {
            best = chosen.size();
        }
    }
    return best;
}

TEST(ExactCover, RandomInstancesAgainstEverySubset) {
    std::mt19937 random(20261207);
    for (int instance = 0; instance < 30; ++instance) {
        SCOPED_TRACE(instance);
        const std::size_t setCount = 6 + random() % 7;   // up to 12 sets
        const std::size_t elements = 8 + random() % 60;  // past one word of bits
        Sets sets(setCount);
        for (auto& set : sets) {
            for (std::size_t e = 0; e < elements; ++e) {
                if (random() % 4 == 0) {
                    set.push_back(static_cast<int>(e));
                }
            }
        }
        const std::size_t fewest = fewestByEnumeration(sets, elements);
        long nodes = 1000000;
        const auto found = coverWithin(sets, elements, fewest, nodes);
        ASSERT_EQ(found.outcome, CoverSearch::Found);
        EXPECT_EQ(found.chosen.size(), fewest);
        EXPECT_TRUE(covers(sets, elements, found.chosen));
        if (fewest > 0) {
            nodes = 1000000;
            EXPECT_EQ(coverWithin(sets, elements, fewest - 1, nodes).outcome, CoverSearch::None);
        }
    }
}

TEST(ExactCover, ABudgetSpentLeavesItUndecided) {
    // Sixteen elements, sets of two: a cover of eight is a perfect matching, which takes a
    // node a level to find, more than the budget allows.
    Sets sets;
    for (int a = 0; a < 16; ++a) {
        for (int b = a + 1; b < 16; ++b) {
            if ((a + b) % 3 != 0) {
                sets.push_back({a, b});
            }
        }
    }
    long nodes = 3;
    const auto found = coverWithin(sets, 16, 8, nodes);
    EXPECT_EQ(found.outcome, CoverSearch::Undecided);
    EXPECT_LT(nodes, 0);
}

}  // namespace
