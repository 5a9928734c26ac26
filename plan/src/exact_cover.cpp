// SPDX-License-Identifier: MIT
// Branch and bound on the set cover of the placement. Before the search the problem shrinks
// to what decides it: an element whose sets all hold another element is covered whenever that
// one is, and a set whose elements another set all holds can give way to it; both repeat until
// nothing changes. The search branches on the element the fewest allowed sets hold, tries those
// sets by how much they cover, and forbids each tried set in the branches after it (a cover
// holding it was searched already). A branch ends where the sets left cannot cover what is
// open: more elements that share no set than points left, or the largest gains of the points
// left together too small. Sets and elements are kept as bit rows, so a node costs a few
// thousand word operations on the rooms the placement sees.
#include "exact_cover.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>

namespace extcalc::plan::detail {

namespace {

using Word = std::uint64_t;
constexpr std::size_t kBits = 64;

std::size_t wordsFor(std::size_t bits) {
    return (bits + kBits - 1) / kBits;
}

// Rows of equal width in one block.
class Rows {
  public:
    Rows(std::size_t rows, std::size_t bits) : width_(wordsFor(bits)), words_(rows * width_, 0) {}
    Word* row(std::size_t r) { return words_.data() + r * width_; }
    const Word* row(std::size_t r) const { return words_.data() + r * width_; }
    std::size_t width() const { return width_; }
    void set(std::size_t r, std::size_t bit) { row(r)[bit / kBits] |= Word{1} << (bit % kBits); }

  private:
    std::size_t width_;
    std::vector<Word> words_;
};

bool subset(const Word* a, const Word* b, std::size_t width) {
    for (std::size_t w = 0; w < width; ++w) {
        if ((a[w] & ~b[w]) != 0) {
            return false;
        }
    }
    return true;
}

int count(const Word* a, std::size_t width) {
    int n = 0;
    for (std::size_t w = 0; w < width; ++w) {
        n += std::popcount(a[w]);
    }
    return n;
}

bool test(const Word* a, std::size_t bit) {
    return ((a[bit / kBits] >> (bit % kBits)) & 1U) != 0;
}

// Keeps, of the rows in order, those no row kept before them dominates: with keptIsSubset a
// kept row that is a subset of this one (elements), otherwise one this row is a subset of
// (sets). The order puts the rows that should win first.
std::vector<std::size_t> undominated(const Rows& rows, const std::vector<std::size_t>& order,
                                     bool keptIsSubset) {
    std::vector<std::size_t> kept;
    for (const std::size_t r : order) {
        const bool dominated = std::any_of(kept.begin(), kept.end(), [&](std::size_t k) {
            return keptIsSubset ? subset(rows.row(k), rows.row(r), rows.width())
                                : subset(rows.row(r), rows.row(k), rows.width());
        });
        if (!dominated) {
            kept.push_back(r);
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

class Search {
  public:
    // holds: per set (of count), its elements (of elements) as bits.
    Search(Rows holds, std::size_t count, std::size_t elements, long& nodes)
        : holds_(std::move(holds)),
          reached_(elements, count),
          elements_(elements),
          setCount_(count),
          nodes_(nodes) {
        for (std::size_t s = 0; s < setCount_; ++s) {
            for (std::size_t e = 0; e < elements_; ++e) {
                if (test(holds_.row(s), e)) {
                    reached_.set(e, s);
                }
            }
        }
    }

    CoverSearch run(std::size_t most) {
        std::vector<Word> open(holds_.width(), 0);
        for (std::size_t e = 0; e < elements_; ++e) {
            open[e / kBits] |= Word{1} << (e % kBits);
        }
        const std::vector<Word> forbidden(reached_.width(), 0);
        chosen_.clear();
        if (branch(open, most, forbidden)) {
            return CoverSearch::Found;
        }
        return nodes_ < 0 ? CoverSearch::Undecided : CoverSearch::None;
    }

    const std::vector<std::size_t>& chosen() const { return found_; }

  private:
    bool branch(const std::vector<Word>& open, std::size_t left,
                const std::vector<Word>& forbidden) {
        if (--nodes_ < 0) {
            return false;
        }
        const std::size_t width = open.size();
        const int openCount = count(open.data(), width);
        if (openCount == 0) {
            found_ = chosen_;
            return true;
        }
        if (left == 0) {
            return false;
        }
        // The open element the fewest allowed sets hold.
        const std::size_t setWidth = reached_.width();
        std::vector<Word> allowed(setWidth);
        std::size_t pick = elements_;
        int fewest = 0;
        for (std::size_t e = 0; e < elements_; ++e) {
            if (!test(open.data(), e)) {
                continue;
            }
            int n = 0;
            for (std::size_t w = 0; w < setWidth; ++w) {
                n += std::popcount(reached_.row(e)[w] & ~forbidden[w]);
            }
            if (n == 0) {
                return false;
            }
            if (pick == elements_ || n < fewest) {
                pick = e;
                fewest = n;
            }
        }
        // Elements that share no allowed set each need a set of their own.
        std::vector<Word> used(setWidth);
        std::size_t apart = 0;
        for (std::size_t k = 0; k <= elements_ && apart <= left; ++k) {
            const std::size_t e = k == 0 ? pick : k - 1;
            if ((k > 0 && e == pick) || !test(open.data(), e)) {
                continue;
            }
            bool shares = false;
            for (std::size_t w = 0; w < setWidth && !shares; ++w) {
                shares = (reached_.row(e)[w] & ~forbidden[w] & used[w]) != 0;
            }
            if (!shares) {
                ++apart;
                for (std::size_t w = 0; w < setWidth; ++w) {
                    used[w] |= reached_.row(e)[w] & ~forbidden[w];
                }
            }
        }
        if (apart > left) {
            return false;
        }
        // What each allowed set would cover; the largest `left` of them must reach the open.
        std::vector<std::pair<int, std::size_t>> gains;
        for (std::size_t s = 0; s < setCount_; ++s) {
            if (test(forbidden.data(), s)) {
                continue;
            }
            int g = 0;
            for (std::size_t w = 0; w < width; ++w) {
                g += std::popcount(holds_.row(s)[w] & open[w]);
            }
            if (g > 0) {
                gains.emplace_back(g, s);
            }
        }
        std::sort(gains.begin(), gains.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        int reach = 0;
        for (std::size_t i = 0; i < gains.size() && i < left; ++i) {
            reach += gains[i].first;
        }
        if (reach < openCount) {
            return false;
        }
        std::vector<Word> banned = forbidden;
        std::vector<Word> rest(width);
        for (const auto& [gain, s] : gains) {
            if (!test(reached_.row(pick), s)) {
                continue;
            }
            for (std::size_t w = 0; w < width; ++w) {
                rest[w] = open[w] & ~holds_.row(s)[w];
            }
            chosen_.push_back(s);
            if (branch(rest, left - 1, banned)) {
                return true;
            }
            chosen_.pop_back();
            if (nodes_ < 0) {
                return false;
            }
            banned[s / kBits] |= Word{1} << (s % kBits);
        }
        return false;
    }

    Rows holds_;
    Rows reached_;
    std::size_t elements_ = 0;
    std::size_t setCount_ = 0;
    long& nodes_;
    std::vector<std::size_t> chosen_;
    std::vector<std::size_t> found_;
};

}  // namespace

CoverFound coverWithin(const std::vector<std::vector<int>>& sets, std::size_t elements,
                       std::size_t most, long& nodes) {
    CoverFound result;
    // The elements some set holds, and the sets that hold any.
    std::vector<bool> reachedAtAll(elements, false);
    for (const auto& set : sets) {
        for (const int e : set) {
            reachedAtAll[static_cast<std::size_t>(e)] = true;
        }
    }
    std::vector<std::size_t> liveElements;
    for (std::size_t e = 0; e < elements; ++e) {
        if (reachedAtAll[e]) {
            liveElements.push_back(e);
        }
    }
    std::vector<std::size_t> liveSets;
    for (std::size_t s = 0; s < sets.size(); ++s) {
        if (!sets[s].empty()) {
            liveSets.push_back(s);
        }
    }
    if (liveElements.empty()) {
        result.outcome = CoverSearch::Found;
        return result;
    }
    // Shrink until neither elements nor sets give way.
    for (bool changed = true; changed;) {
        std::vector<int> elementIndex(elements, -1);
        for (std::size_t i = 0; i < liveElements.size(); ++i) {
            elementIndex[liveElements[i]] = static_cast<int>(i);
        }
        Rows reached(liveElements.size(), liveSets.size());
        Rows holds(liveSets.size(), liveElements.size());
        for (std::size_t s = 0; s < liveSets.size(); ++s) {
            for (const int e : sets[liveSets[s]]) {
                const int i = elementIndex[static_cast<std::size_t>(e)];
                if (i >= 0) {
                    reached.set(static_cast<std::size_t>(i), s);
                    holds.set(s, static_cast<std::size_t>(i));
                }
            }
        }
        // Elements held by the fewest sets first: they are the ones that stay.
        std::vector<std::size_t> order(liveElements.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::vector<int> size(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            size[i] = count(reached.row(i), reached.width());
        }
        std::stable_sort(order.begin(), order.end(),
                         [&size](std::size_t a, std::size_t b) { return size[a] < size[b]; });
        const std::vector<std::size_t> keptElements = undominated(reached, order, true);
        // Sets over the elements kept, the largest first.
        Rows keptHolds(liveSets.size(), keptElements.size());
        for (std::size_t s = 0; s < liveSets.size(); ++s) {
            for (std::size_t k = 0; k < keptElements.size(); ++k) {
                if (test(holds.row(s), keptElements[k])) {
                    keptHolds.set(s, k);
                }
            }
        }
        std::vector<std::size_t> setOrder;
        std::vector<int> setSize(liveSets.size());
        for (std::size_t s = 0; s < liveSets.size(); ++s) {
            setSize[s] = count(keptHolds.row(s), keptHolds.width());
            if (setSize[s] > 0) {
                setOrder.push_back(s);
            }
        }
        std::stable_sort(
            setOrder.begin(), setOrder.end(),
            [&setSize](std::size_t a, std::size_t b) { return setSize[a] > setSize[b]; });
        const std::vector<std::size_t> keptSets = undominated(keptHolds, setOrder, false);
        changed = keptElements.size() < liveElements.size() || keptSets.size() < liveSets.size();
        std::vector<std::size_t> nextElements(keptElements.size());
        std::transform(keptElements.begin(), keptElements.end(), nextElements.begin(),
                       [&](std::size_t i) { return liveElements[i]; });
        std::vector<std::size_t> nextSets(keptSets.size());
        std::transform(keptSets.begin(), keptSets.end(), nextSets.begin(),
                       [&](std::size_t i) { return liveSets[i]; });
        liveElements = std::move(nextElements);
        liveSets = std::move(nextSets);
    }
    std::vector<int> elementIndex(elements, -1);
    for (std::size_t i = 0; i < liveElements.size(); ++i) {
        elementIndex[liveElements[i]] = static_cast<int>(i);
    }
    Rows holds(liveSets.size(), liveElements.size());
    for (std::size_t s = 0; s < liveSets.size(); ++s) {
        for (const int e : sets[liveSets[s]]) {
            if (const int i = elementIndex[static_cast<std::size_t>(e)]; i >= 0) {
                holds.set(s, static_cast<std::size_t>(i));
            }
        }
    }
    Search search(std::move(holds), liveSets.size(), liveElements.size(), nodes);
    result.outcome = search.run(most);
    for (const std::size_t s : search.chosen()) {
        result.chosen.push_back(liveSets[s]);
    }
    return result;
}

}  // namespace extcalc::plan::detail
