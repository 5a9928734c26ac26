// SPDX-License-Identifier: MIT
// The plan library's goals: checking a 100 m × 100 m L-shaped room with 20 points, and placing
// points in a 100 m × 60 m room at R = 9 m.
#include <benchmark/benchmark.h>

#include <vector>

#include "extcalc/plan/plan.h"

namespace {

using extcalc::plan::Outline;
using extcalc::plan::Point;

Outline bigL() {
    return {{{0, 0}, {100, 0}, {100, 40}, {40, 40}, {40, 100}, {0, 100}}, {}};
}

void checkLWith20Points(benchmark::State& state) {
    const extcalc::plan::Room room(bigL());
    std::vector<Point> points;
    // Along the walls of both legs, as a designer would hang them.
    for (int i = 0; i < 10; ++i) {
        points.push_back({5.0 + 10.0 * i, 0.5});
        points.push_back({0.5, 5.0 + 10.0 * i});
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(extcalc::plan::check(room, points, 20));
    }
}
BENCHMARK(checkLWith20Points)->Unit(benchmark::kMillisecond);

void place100By60At9(benchmark::State& state) {
    const extcalc::plan::Room room(extcalc::plan::rectangle(100, 60));
    for (auto _ : state) {
        const auto placed = extcalc::plan::place(room, {9, false, 0.5});
        state.counters["points"] = static_cast<double>(placed.points.size());
        state.counters["lower_bound"] = placed.lowerBound;
        state.counters["ok"] = placed.check.ok ? 1 : 0;
    }
}
BENCHMARK(place100By60At9)->Unit(benchmark::kMillisecond);

void placeRoom(benchmark::State& state, const Outline& outline, double radius, bool walls) {
    const extcalc::plan::Room room(outline);
    for (auto _ : state) {
        const auto placed = extcalc::plan::place(room, {radius, walls, 0.5});
        state.counters["points"] = static_cast<double>(placed.points.size());
        state.counters["lower_bound"] = placed.lowerBound;
        state.counters["ok"] = placed.check.ok ? 1 : 0;
    }
}
BENCHMARK_CAPTURE(placeRoom, shop68x30_R20_walls, extcalc::plan::rectangle(68, 30), 20.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(placeRoom, L100_R25_walls, bigL(), 25.0, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(placeRoom, corridor100x2_R20_walls, extcalc::plan::rectangle(100, 2), 20.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(placeRoom, ring30_R20_walls,
                  (Outline{{{0, 0}, {30, 0}, {30, 30}, {0, 30}},
                           {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}}),
                  20.0, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
