// SPDX-License-Identifier: MIT
// Cost of the calculation as the window runs it on Calculate, and of its two conversions.

#include <benchmark/benchmark.h>

#include <string>

#include "extcalc/calc.h"
#include "extcalc/gb50140.h"
#include "extcalc/headless.h"
#include "extcalc/numbers.h"

namespace {

using namespace extcalc;

// One Calculate: lookups, arithmetic, area parsing and the three result texts.
void WholeCalculation(benchmark::State& state) {
    FormVariables form;
    ScriptedOps ops;
    chooseFireClass(form, FireClass::B, ops);
    chooseUnderground(form, true);
    ops.combo2 = 1;
    ops.combo3 = 2;
    ops.combo4 = 3;
    ops.texts[0] = "500";
    for (auto _ : state) {
        calcu(form, ops);
        benchmark::DoNotOptimize(ops.texts);
    }
}
BENCHMARK(WholeCalculation);

void AreaParsing(benchmark::State& state) {
    const std::string text = state.range(0) == 0 ? "300" : "1 234.5678E-2平方米";
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseArea(text));
    }
}
BENCHMARK(AreaParsing)->Arg(0)->Arg(1);

void ResultText(benchmark::State& state) {
    const double value = state.range(0) == 0 ? 1.75 : 25.999999046325684;
    for (auto _ : state) {
        benchmark::DoNotOptimize(resultText(value));
    }
}
BENCHMARK(ResultText)->Arg(0)->Arg(1);

// One GB 50140-2005 unit with every text of its result: a decimal area, the ×1.3 factor, a
// figure that is not whole and, with argument 1, a more-than-five warning as well.
void Gb50140Unit(benchmark::State& state) {
    namespace g = extcalc::gb50140;
    const g::Unit unit{g::FireClass::A,
                       g::FireClass::A,
                       2,
                       2,
                       true,
                       1'500'500'000,
                       state.range(0) == 0 ? 3 : 1,
                       g::findModel("MF/ABC6")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(g::calculate(unit));
    }
}
BENCHMARK(Gb50140Unit)->Arg(0)->Arg(1);

}  // namespace
