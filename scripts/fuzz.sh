#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets, replays their committed corpora, then fuzzes each for
# a bounded time (default 30 s; first argument to change it, e.g. 3600 for an hour).
# New inputs go to a scratch folder, so the committed seeds stay small; crashes are
# written to build/fuzz/crashes/ and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/crashes
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    binary="build/fuzz/fuzz/fuzz_${name}"
    scratch="build/fuzz/scratch/${name}"
    mkdir -p "$scratch"
    echo "== ${name}: replaying $(ls "$corpus" | wc -l) seeds, then fuzzing ${seconds} s"
    "$binary" -runs=0 "$corpus" 2>&1 | tail -n 1
    "$binary" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/crashes/${name}-" "$scratch" "$corpus" 2>&1 |
        grep -E '^(Done|stat::number_of_executed_units)|ERROR|property violated' || true
    if ls "build/fuzz/crashes/${name}-"* >/dev/null 2>&1; then
        echo "fuzzing ${name} found a failing input:" build/fuzz/crashes/"${name}"-* >&2
        exit 1
    fi
done
