// SPDX-License-Identifier: MIT
// The plan library's goals: checking a 100 m × 100 m L-shaped room with 20 points, placing
// points in a 100 m × 60 m room at R = 9 m, and placing the 500 rooms of a drawing (the floor of
// bench/make-dxf-floor.py, which the page places in one go). A set of 100 rooms of every shape
// at every R of the tables measures how many points the placement takes against the lower bound
// and against the greedy cover alone (docs/formulas.md).
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
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

BENCHMARK_CAPTURE(placeRoom, corridor3x50_R9_walls, extcalc::plan::rectangle(3, 50), 9.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(placeRoom, twoCores40x20_R12_walls,
                  (Outline{{{0, 0}, {40, 0}, {40, 20}, {0, 20}},
                           {{{8, 6}, {14, 6}, {14, 14}, {8, 14}},
                            {{26, 6}, {32, 6}, {32, 14}, {26, 14}}}}),
                  12.0, true)
    ->Unit(benchmark::kMillisecond);

Outline box(double x, double y, double w, double h) {
    return {{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, {}};
}

// The rooms of bench/make-dxf-floor.py, in metres: 6 m to 24 m by 6 m to 18 m, every fifth
// L-shaped, every seventh with a column 0.8 m square.
std::vector<Outline> floorRooms(int count) {
    std::vector<Outline> rooms;
    for (long long n = 0; n < count; ++n) {
        const double w = static_cast<double>(6000 + (n * 7919) % 18000) / 1000.0;
        const double h = static_cast<double>(6000 + (n * 104729) % 12000) / 1000.0;
        Outline room = box(0, 0, w, h);
        if (n % 5 == 0) {
            room.outer = {{0, 0}, {w, 0}, {w, h / 2}, {w / 2, h / 2}, {w / 2, h}, {0, h}};
        }
        if (n % 7 == 0) {
            room.holes.push_back(box(w / 4, h / 4, 0.8, 0.8).outer);
        }
        rooms.push_back(std::move(room));
    }
    return rooms;
}

// Totals over many rooms, as counters: points, lower bounds, rooms proved to need no fewer
// points along their walls, rooms covered.
template <class Rooms>
void placeAll(benchmark::State& state, const Rooms& rooms, long nodes) {
    for (auto _ : state) {
        double points = 0;
        double bound = 0;
        double fewest = 0;
        double covered = 0;
        double searched = 0;
        for (const auto& [room, radius] : rooms) {
            extcalc::plan::PlaceOptions options{radius, true, 0.5};
            options.searchNodes = nodes;
            const auto placed = extcalc::plan::place(room, options);
            points += static_cast<double>(placed.points.size());
            bound += placed.lowerBound;
            fewest += placed.fewest ? 1 : 0;
            covered += placed.check.ok ? 1 : 0;
            searched += static_cast<double>(placed.searched);
        }
        state.counters["rooms"] = static_cast<double>(rooms.size());
        state.counters["points"] = points;
        state.counters["lower_bound"] = bound;
        state.counters["fewest"] = fewest;
        state.counters["covered"] = covered;
        state.counters["nodes"] = searched;
    }
}

void placeFloor500(benchmark::State& state) {
    std::vector<std::pair<extcalc::plan::Room, double>> rooms;
    for (const Outline& outline : floorRooms(500)) {
        rooms.emplace_back(extcalc::plan::Room(outline), static_cast<double>(state.range(0)));
    }
    placeAll(state, rooms, state.range(1));
}
// R = 20 m and 15 m (中危险级 and 严重危险级 A, hand-held); the greedy alone, and with the search.
BENCHMARK(placeFloor500)
    ->Args({20, 20000})
    ->Args({20, 0})
    ->Args({15, 20000})
    ->Args({15, 0})
    ->Unit(benchmark::kMillisecond);

// Twenty shapes, each at the five R of the hand-held tables (9, 12, 15 m for B; 15, 20, 25 m
// for A): rectangles from an office to a shop floor, corridors, L, U and T shapes, columns,
// cores and a ring corridor.
std::vector<std::pair<extcalc::plan::Room, double>> roomSet() {
    using extcalc::plan::rectangle;
    std::vector<Outline> shapes;
    for (const auto& [l, w] : std::vector<std::pair<double, double>>{{6, 4},
                                                                     {12, 8},
                                                                     {20, 10},
                                                                     {24, 18},
                                                                     {40, 12},
                                                                     {3, 50},
                                                                     {30, 30},
                                                                     {68, 30},
                                                                     {60, 2},
                                                                     {100, 3},
                                                                     {50, 20}}) {
        shapes.push_back(rectangle(l, w));
    }
    shapes.push_back({{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {}});
    shapes.push_back({{{0, 0}, {40, 0}, {40, 12}, {12, 12}, {12, 40}, {0, 40}}, {}});
    shapes.push_back(
        {{{0, 0}, {30, 0}, {30, 20}, {22, 20}, {22, 8}, {8, 8}, {8, 20}, {0, 20}}, {}});
    shapes.push_back(
        {{{0, 24}, {12, 24}, {12, 0}, {24, 0}, {24, 24}, {36, 24}, {36, 36}, {0, 36}}, {}});
    shapes.push_back(
        {box(0, 0, 24, 16).outer, {box(7.6, 7.6, 0.8, 0.8).outer, box(15.6, 7.6, 0.8, 0.8).outer}});
    shapes.push_back({box(0, 0, 40, 20).outer, {box(8, 6, 6, 8).outer, box(26, 6, 6, 8).outer}});
    shapes.push_back({box(0, 0, 30, 30).outer, {box(10, 10, 10, 10).outer}});
    shapes.push_back({box(0, 0, 40, 30).outer, {box(3, 3, 34, 24).outer}});
    shapes.push_back({box(0, 0, 36, 24).outer,
                      {box(8, 8, 0.6, 0.6).outer, box(17.7, 8, 0.6, 0.6).outer,
                       box(27.4, 8, 0.6, 0.6).outer, box(8, 15.4, 0.6, 0.6).outer,
                       box(17.7, 15.4, 0.6, 0.6).outer, box(27.4, 15.4, 0.6, 0.6).outer}});
    std::vector<std::pair<extcalc::plan::Room, double>> rooms;
    for (const Outline& shape : shapes) {
        for (const double radius : {9.0, 12.0, 15.0, 20.0, 25.0}) {
            rooms.emplace_back(extcalc::plan::Room(shape), radius);
        }
    }
    return rooms;
}

void placeRoomSet(benchmark::State& state) {
    placeAll(state, roomSet(), state.range(0));
}
BENCHMARK(placeRoomSet)->Arg(20000)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
