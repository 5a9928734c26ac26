#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures the batch end to end: a generated table of N rows (default 1000000) through
# the release build of the command-line program, file to file, five times. Prints each
# run's wall time, rows per second and peak resident size (from /usr/bin/time), then the
# median. Build first: cmake --preset release && cmake --build --preset release
set -euo pipefail
cd "$(dirname "$0")/.."
rows="${1:-1000000}"
cli=build/release/cli/extinguisher-calc-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bench/make-rooms.sh "$rows" >"$work/rooms.csv"
echo "$rows rows, $(stat -c %s "$work/rooms.csv") bytes in, $(nproc) cores"
for run in 1 2 3 4 5; do
    /usr/bin/time -f "%e %M" -o "$work/time" "$cli" --csv "$work/rooms.csv" --out "$work/out.csv" 2>/dev/null
    read -r seconds peak <"$work/time"
    echo "$seconds $peak" >>"$work/runs"
    awk -v r="$rows" -v s="$seconds" -v p="$peak" -v n="$run" \
        'BEGIN { printf "run %d: %.2f s, %.0f rows/s, peak RSS %.1f MiB\n", n, s, r / s, p / 1024 }'
done
sort -n "$work/runs" | awk -v r="$rows" '
    { seconds[NR] = $1; if ($2 > peak) peak = $2 }
    END { printf "median: %.2f s, %.0f rows/s; highest peak RSS %.1f MiB\n", seconds[3], r / seconds[3], peak / 1024 }'
