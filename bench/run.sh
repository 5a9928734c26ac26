#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every benchmark in one go: builds the release preset with the benchmarks, then runs the core benchmarks and the start-up
# measurement. Arguments go to startup.sh (e.g. --runs 30, or another window program).
# The figures mean most on an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release -DEXTCALC_BUILD_BENCH=ON >/dev/null
cmake --build --preset release

printf '\n==== core (Google Benchmark, release build; median of 10 repetitions)\n'
build/release/bench/core_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${EXTCALC_BENCH_FILTER:-.}" 2>&1 |
    grep -vE '_(mean|stddev|cv) ' || true

printf '\n==== plans (Google Benchmark, release build)\n'
build/release/bench/plan_bench --benchmark_filter="${EXTCALC_BENCH_FILTER:-.}"

printf '\n==== start-up\n'
bench/startup.sh --build build/release "$@"
