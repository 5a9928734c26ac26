// SPDX-License-Identifier: MIT
// Placement as a set cover: spots sampled over the floor, candidate points along the walls (or
// anywhere), each candidate covering the spots within R by walking. A greedy choice, then local
// improvement (drop a point the others make redundant, replace two points by one), then the
// exact check; a spot the samples missed is added and the cover done again. Then, where the
// points exceed the lower bound, an exact search (exact_cover.cpp) over candidates every half
// metre along the walls looks for a cover with one point fewer, again and again, until it
// proves there is none or its budget of search nodes is spent.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "exact_cover.h"
#include "extcalc/plan/plan.h"
#include "geometry.h"

namespace extcalc::plan {

using detail::dist;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;

struct Box {
    double minX = kInfinity;
    double minY = kInfinity;
    double maxX = -kInfinity;
    double maxY = -kInfinity;
};

Box box(const Ring& ring) {
    Box b;
    for (const Point& p : ring) {
        b.minX = std::min(b.minX, p.x);
        b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y);
        b.maxY = std::max(b.maxY, p.y);
    }
    return b;
}

double wallDistance(const Outline& outline, Point p) {
    double best = kInfinity;
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            best = std::min(best, detail::segmentDistance(p, r[i], r[(i + 1) % r.size()]));
        }
    };
    ring(outline.outer);
    for (const Ring& hole : outline.holes) {
        ring(hole);
    }
    return best;
}

// Spots on a grid, on the walls and at every vertex.
std::vector<Point> samples(const Room& room, double step) {
    std::vector<Point> out;
    const Outline& outline = room.outline();
    const Box b = box(outline.outer);
    const int nx = std::max(1, static_cast<int>(std::ceil((b.maxX - b.minX) / step)));
    const int ny = std::max(1, static_cast<int>(std::ceil((b.maxY - b.minY) / step)));
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            const Point p{b.minX + (b.maxX - b.minX) * i / nx, b.minY + (b.maxY - b.minY) * j / ny};
            if (room.contains(p)) {
                out.push_back(p);
            }
        }
    }
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Point a = r[i];
            const Point c = r[(i + 1) % r.size()];
            const int n = std::max(1, static_cast<int>(std::ceil(dist(a, c) / step)));
            for (int k = 0; k < n; ++k) {
                out.push_back(a + (static_cast<double>(k) / n) * (c - a));
            }
        }
    };
    ring(outline.outer);
    for (const Ring& hole : outline.holes) {
        ring(hole);
    }
    return out;
}

}  // namespace

// Declared in geometry.h, where the tests see it.
std::vector<Point> detail::candidates(const Room& room, const PlaceOptions& options, double step) {
    std::vector<Point> out;
    const Outline& outline = room.outline();
    const double inset = std::min(0.25, options.wallDistance / 2.0);
    const auto ring = [&](const Ring& r) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            const Point a = r[i];
            const Point c = r[(i + 1) % r.size()];
            const double length = dist(a, c);
            if (length == 0.0) {
                continue;
            }
            // The floor is on the left of every edge of a prepared room.
            const Point left{-(c.y - a.y) / length, (c.x - a.x) / length};
            // A wall shorter than two insets (an arc read as short pieces, a column's side) has
            // room for one point, at its middle. Clamping to [inset, length − inset] would have
            // its bounds the wrong way round, which std::clamp leaves undefined: libstdc++ gave
            // one end and libc++ the other, so the page placed points apart from the command
            // line.
            if (length <= 2.0 * inset) {
                out.push_back(a + 0.5 * (c - a) + inset * left);
                continue;
            }
            const int n = std::max(1, static_cast<int>(std::ceil(length / step)));
            for (int k = 0; k <= n; ++k) {
                const double along = std::clamp(length * k / n, inset, length - inset);
                out.push_back(a + (along / length) * (c - a) + inset * left);
            }
        }
    };
    ring(outline.outer);
    for (const Ring& hole : outline.holes) {
        ring(hole);
    }
    if (!options.alongWalls) {
        // Away from the walls a coarser grid loses little and keeps the cover fast.
        const double free = 2.5 * step;
        const Box b = box(outline.outer);
        for (double x = b.minX + free / 2; x < b.maxX; x += free) {
            for (double y = b.minY + free / 2; y < b.maxY; y += free) {
                out.push_back({x, y});
            }
        }
    }
    std::vector<Point> kept;
    for (const Point& p : out) {
        const double wall = wallDistance(outline, p);
        if (room.contains(p) && wall >= inset / 2 &&
            (!options.alongWalls || wall <= options.wallDistance)) {
            kept.push_back(p);
        }
    }
    return kept;
}

namespace {

// Farther apart than d in a straight line, without a square root.
bool far(Point a, Point b, double d) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy > d * d;
}

class Cover {
  public:
    Cover(const Room& room, std::vector<Point> candidates, double radius)
        : room_(room), candidates_(std::move(candidates)), radius_(radius) {
        fields_.reserve(candidates_.size());
        for (const Point& c : candidates_) {
            const std::vector<Point> one{c};
            fields_.push_back(room_.field(one));
        }
        covers_.resize(candidates_.size());
    }

    void addSpots(const std::vector<Point>& spots) {
        for (const Point& s : spots) {
            const int index = static_cast<int>(spots_.size());
            spots_.push_back(s);
            for (std::size_t c = 0; c < candidates_.size(); ++c) {
                if (far(candidates_[c], s, radius_)) {
                    continue;
                }
                const std::vector<Point> one{candidates_[c]};
                if (room_.distance(fields_[c], one, s) <= radius_) {
                    covers_[c].push_back(index);
                }
            }
        }
    }

    // Two greedy covers, each improved: the one that takes the candidate reaching most spots
    // still open, and the one that first serves the open spot fewest candidates reach (a far
    // corner, the end of a corridor) with the candidate reaching most. The smaller wins.
    //
    // From start, a cover of earlier spots: kept, and only the spots added since are served,
    // so the repair rounds close in rather than begin again.
    std::vector<std::size_t> solve(const std::vector<std::size_t>& start) const {
        std::vector<std::size_t> best;
        for (const bool constrained : {false, true}) {
            auto chosen = greedy(constrained, start);
            if (best.empty() || chosen.size() < best.size()) {
                best = std::move(chosen);
            }
        }
        return best;
    }

    // Spots no candidate reaches: no placement of this kind covers them.
    bool unreachable() const {
        std::vector<bool> reached(spots_.size(), false);
        for (const auto& c : covers_) {
            for (const int s : c) {
                reached[static_cast<std::size_t>(s)] = true;
            }
        }
        return std::find(reached.begin(), reached.end(), false) != reached.end();
    }

    const std::vector<Point>& candidates() const { return candidates_; }
    const std::vector<Point>& spots() const { return spots_; }
    // Candidates times spots: the size of the exact search's problem before it shrinks.
    std::size_t size() const { return candidates_.size() * spots_.size(); }

    // At most `most` candidates covering every spot some candidate reaches, searched exactly.
    detail::CoverFound exact(std::size_t most, long& nodes) const {
        return detail::coverWithin(covers_, spots_.size(), most, nodes);
    }

  private:
    std::vector<std::size_t> greedy(bool constrained, std::vector<std::size_t> chosen) const {
        std::vector<int> count(spots_.size(), 0);
        for (const std::size_t c : chosen) {
            for (const int s : covers_[c]) {
                ++count[static_cast<std::size_t>(s)];
            }
        }
        // Per spot, how many candidates reach it.
        std::vector<int> reachers(spots_.size(), 0);
        for (const auto& c : covers_) {
            for (const int s : c) {
                ++reachers[static_cast<std::size_t>(s)];
            }
        }
        std::size_t left = 0;
        for (std::size_t s = 0; s < spots_.size(); ++s) {
            left += reachers[s] > 0 && count[s] == 0 ? 1U : 0U;
        }
        while (left > 0) {
            int target = -1;
            if (constrained) {
                for (std::size_t s = 0; s < spots_.size(); ++s) {
                    if (count[s] == 0 && reachers[s] > 0 &&
                        (target < 0 || reachers[s] < reachers[static_cast<std::size_t>(target)])) {
                        target = static_cast<int>(s);
                    }
                }
            }
            std::size_t best = candidates_.size();
            std::size_t gain = 0;
            for (std::size_t c = 0; c < candidates_.size(); ++c) {
                if (target >= 0 &&
                    !std::binary_search(covers_[c].begin(), covers_[c].end(), target)) {
                    continue;
                }
                const auto g = static_cast<std::size_t>(
                    std::count_if(covers_[c].begin(), covers_[c].end(),
                                  [&](int s) { return count[static_cast<std::size_t>(s)] == 0; }));
                if (g > gain) {
                    gain = g;
                    best = c;
                }
            }
            if (best == candidates_.size()) {
                break;
            }
            chosen.push_back(best);
            for (const int s : covers_[best]) {
                if (count[static_cast<std::size_t>(s)]++ == 0) {
                    --left;
                }
            }
        }
        improve(chosen, count);
        return chosen;
    }

    void improve(std::vector<std::size_t>& chosen, std::vector<int>& count) const {
        const auto take = [&](std::size_t c, int delta) {
            for (const int s : covers_[c]) {
                count[static_cast<std::size_t>(s)] += delta;
            }
        };
        bool changed = true;
        while (changed) {
            changed = false;
            // A point whose every spot another point also covers.
            for (std::size_t i = chosen.size(); i-- > 0;) {
                const auto& own = covers_[chosen[i]];
                if (std::all_of(own.begin(), own.end(),
                                [&](int s) { return count[static_cast<std::size_t>(s)] > 1; })) {
                    take(chosen[i], -1);
                    chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(i));
                    changed = true;
                }
            }
            // Two points whose spots of their own one candidate covers.
            for (std::size_t i = 0; i < chosen.size() && !changed; ++i) {
                for (std::size_t j = i + 1; j < chosen.size() && !changed; ++j) {
                    // One point cannot stand within R of spots near both of two far apart.
                    if (far(candidates_[chosen[i]], candidates_[chosen[j]], 4.0 * radius_)) {
                        continue;
                    }
                    take(chosen[i], -1);
                    take(chosen[j], -1);
                    std::vector<int> needed;
                    for (const std::size_t c : {chosen[i], chosen[j]}) {
                        std::copy_if(
                            covers_[c].begin(), covers_[c].end(), std::back_inserter(needed),
                            [&count](int s) { return count[static_cast<std::size_t>(s)] == 0; });
                    }
                    std::sort(needed.begin(), needed.end());
                    needed.erase(std::unique(needed.begin(), needed.end()), needed.end());
                    std::size_t found = candidates_.size();
                    for (std::size_t c = 0; c < candidates_.size() && found == candidates_.size();
                         ++c) {
                        // Most candidates are too far from some spot to be worth the full test.
                        if (!needed.empty() &&
                            (far(candidates_[c], spots_[static_cast<std::size_t>(needed.front())],
                                 radius_) ||
                             far(candidates_[c], spots_[static_cast<std::size_t>(needed.back())],
                                 radius_))) {
                            continue;
                        }
                        if (std::includes(covers_[c].begin(), covers_[c].end(), needed.begin(),
                                          needed.end())) {
                            found = c;
                        }
                    }
                    if (found < candidates_.size()) {
                        take(found, 1);
                        chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(j));
                        chosen[i] = found;
                        changed = true;
                    } else {
                        take(chosen[i], 1);
                        take(chosen[j], 1);
                    }
                }
            }
        }
    }

    const Room& room_;
    std::vector<Point> candidates_;
    std::vector<Room::Field> fields_;
    double radius_;
    std::vector<Point> spots_;
    std::vector<std::vector<int>> covers_;  // per candidate, spot indices in increasing order
};

}  // namespace

namespace {

std::vector<Point> pointsOf(const Cover& cover, const std::vector<std::size_t>& chosen) {
    std::vector<Point> points(chosen.size());
    std::transform(chosen.begin(), chosen.end(), points.begin(),
                   [&cover](std::size_t c) { return cover.candidates()[c]; });
    return points;
}

// Every n-th of many spots, to keep a round quick; the next round sees what is still missed.
std::vector<Point> someOf(std::vector<Point> missed) {
    constexpr std::size_t kMost = 400;
    if (missed.size() <= kMost) {
        return missed;
    }
    std::vector<Point> some;
    const std::size_t every = missed.size() / kMost + 1;
    for (std::size_t i = 0; i < missed.size(); i += every) {
        some.push_back(missed[i]);
    }
    return some;
}

constexpr int kRounds = 40;
constexpr double kFineSpacing = 0.5;
// Candidates times spots beyond which the exact search is not tried: its bit rows would outgrow
// what any room along its walls needs (a shop floor of 68 m × 30 m has some 400 × 600).
constexpr std::size_t kLargestSearch = std::size_t{1} << 22U;

// Fewer points than result holds, searched exactly over the cover's candidates while the
// budget lasts: one point fewer at a time. A cover of the spots that the exact check finds
// short of some spot gets that spot and is searched again; no cover of the spots means none of
// the room either, so the points are then the fewest the candidates allow.
void searchFewer(const Room& room, Cover& cover, double radius, Placement& result, long& nodes) {
    int rounds = 0;
    while (cover.size() <= kLargestSearch) {
        if (result.points.size() <= static_cast<std::size_t>(std::max(result.lowerBound, 1))) {
            result.fewest = true;
            return;
        }
        const detail::CoverFound found = cover.exact(result.points.size() - 1, nodes);
        if (found.outcome != detail::CoverSearch::Found) {
            result.fewest = found.outcome == detail::CoverSearch::None;
            return;
        }
        std::vector<Point> points = pointsOf(cover, found.chosen);
        auto missed = detail::spotsBeyond(room, points, radius);
        if (missed.empty()) {
            result.points = std::move(points);
            continue;
        }
        if (++rounds > kRounds) {
            return;
        }
        cover.addSpots(someOf(std::move(missed)));
    }
}

}  // namespace

Placement place(const Room& room, const PlaceOptions& options) {
    Placement result;
    const double radius = options.radius;
    // Spots an eighth of R apart leave little for the repair; candidates closer along the walls
    // than a spot's spacing would only slow the greedy cover.
    const double step = std::max(radius / 8.0, 0.05);
    const double spacing = std::max(radius / 10.0, 0.05);
    Cover cover(room, detail::candidates(room, options, spacing), radius);
    cover.addSpots(samples(room, step));
    result.lowerBound = lowerBound(room, radius);
    std::vector<std::size_t> chosen;
    for (int round = 0; round < kRounds; ++round) {
        chosen = cover.solve(chosen);
        result.points = pointsOf(cover, chosen);
        const auto missed = detail::spotsBeyond(room, result.points, radius);
        if (missed.empty() || result.points.empty() || cover.unreachable()) {
            break;
        }
        cover.addSpots(someOf(missed));
    }
    result.check = check(room, result.points, radius);
    if (!result.check.ok) {
        return result;
    }
    if (options.searchNodes <= 0) {
        result.fewest = result.points.size() <= static_cast<std::size_t>(result.lowerBound);
        return result;
    }
    long nodes = options.searchNodes;
    // Along the walls the exact search looks at a candidate every half metre: where a cover is
    // tight, a point a little along the wall is what saves one. The greedy's spots come along,
    // so that the search starts from what the repairs found.
    const double fine = std::min(spacing, kFineSpacing);
    if (options.alongWalls && fine < spacing &&
        result.points.size() > static_cast<std::size_t>(std::max(result.lowerBound, 1))) {
        auto band = detail::candidates(room, options, fine);
        if (band.size() * cover.spots().size() <= kLargestSearch) {
            Cover finer(room, std::move(band), radius);
            finer.addSpots(cover.spots());
            searchFewer(room, finer, radius, result, nodes);
        }
    } else {
        searchFewer(room, cover, radius, result, nodes);
    }
    result.searched = options.searchNodes - std::max(nodes, 0L);
    result.check = check(room, result.points, radius);
    return result;
}

int lowerBound(const Room& room, double radius) {
    const double areaBound = std::ceil(area(room.outline()) / (kPi * radius * radius) - 1e-9);
    std::vector<Point> chosen;
    std::vector<Room::Field> fields;
    // Vertices first: corners far apart are what forces points.
    std::vector<Point> spots;
    spots.insert(spots.end(), room.outline().outer.begin(), room.outline().outer.end());
    const auto more = samples(room, std::max(radius / 4.0, 0.05));
    spots.insert(spots.end(), more.begin(), more.end());
    for (const Point& s : spots) {
        bool apart = true;
        for (std::size_t i = 0; i < chosen.size() && apart; ++i) {
            const std::vector<Point> one{chosen[i]};
            apart = room.distance(fields[i], one, s) > 2.0 * radius;
        }
        if (apart) {
            chosen.push_back(s);
            const std::vector<Point> one{s};
            fields.push_back(room.field(one));
        }
    }
    return std::max(static_cast<int>(areaBound), static_cast<int>(chosen.size()));
}

}  // namespace extcalc::plan
