#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A DXF floor of N rooms (default 500) through the release build of the command-line program:
# imported into a project, points placed, the plan checked, the points exported. Prints each
# step's wall time and peak resident size (from /usr/bin/time), and the whole.
# With "hostile" instead of N: the drawings of bench/make-dxf-hostile.py, each imported and
# refused with its message.
# Build first: cmake --preset release && cmake --build --preset release --target extinguisher-calc-cli
set -euo pipefail
cd "$(dirname "$0")/.."
rooms="${1:-500}"
cli=build/release/cli/extinguisher-calc-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$rooms" = hostile ]; then
    /usr/bin/python3 bench/make-dxf-hostile.py "$work"
    for drawing in million-vertices hundred-thousand-rooms billion-array self-insert; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$cli" --dxf "$work/$drawing.dxf" --layer ROOMS \
            --standard 2005 --out "$work/$drawing.exdesign" >/dev/null 2>"$work/err" || true
        # time says first that the program exited with status 2, as a refusal does.
        read -r seconds peak < <(tail -n 1 "$work/time")
        awk -v n="$drawing" -v s="$seconds" -v p="$peak" -v b="$(stat -c %s "$work/$drawing.dxf")" \
            'BEGIN { printf "%-24s %9d bytes %6.2f s, peak RSS %6.1f MiB\n", n, b, s, p / 1024 }'
        sed 's/^/    /' "$work/err"
    done
    exit 0
fi
/usr/bin/python3 bench/make-dxf-floor.py "$work/floor.dxf" "$rooms"
echo "$rooms rooms, $(stat -c %s "$work/floor.dxf") bytes of DXF, $(nproc) cores"
step() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$cli" "$@" >/dev/null 2>"$work/err" || true
    read -r seconds peak <"$work/time"
    echo "$seconds" >>"$work/total"
    awk -v n="$name" -v s="$seconds" -v p="$peak" 'BEGIN { printf "%-8s %6.2f s, peak RSS %6.1f MiB\n", n, s, p / 1024 }'
}
step import --dxf "$work/floor.dxf" --layer ROOMS --standard 2005 --out "$work/floor.exdesign"
step place --project "$work/floor.exdesign" --place --out "$work/placed.exdesign"
step check --project "$work/placed.exdesign" --plan-check --json
step export --project "$work/placed.exdesign" --export-dxf "$work/points.dxf"
awk '{ s += $1 } END { printf "whole    %6.2f s\n", s }' "$work/total"
