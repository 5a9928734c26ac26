#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of a window against the toolkit's floor, and of the command-line program.
#
#   bench/startup.sh [--runs N] [--build DIR] [APP]
#
# APP is the window program to measure (default DIR/ui/extinguisher-calc, or, while there
# is none, the minimal window itself, which shows what a ratio of 1 looks like with this
# machine's noise). DIR is a build tree with the benchmarks on (default build/release,
# as bench/run.sh makes it).
#
# Both windows run on one private Xvfb, alternately and in alternating order, N times
# each (default 15) after one unmeasured warm-up run of each, so that disk cache and
# font cache are warm for both and a slow spell of the machine hits both alike. Each run
# is timed from outside by startup_probe: from just before the process is created until
# its first top-level window is mapped, and until it is first drawn into; the processor
# time its threads used until the map, which a busy machine inflates far less than the
# wall-clock times; and its peak resident memory (VmHWM) shortly after that first paint.
# Medians are printed, with the range, and the ratios APP / minimal.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=15
build=build/release
while [[ $# -gt 0 ]]; do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "startup.sh: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
    echo "startup.sh: --runs needs a positive whole number" >&2
    exit 2
fi

probe="$build/bench/startup_probe"
minimal="$build/bench/minimal_window"
cli="$build/cli/extinguisher-calc-cli"
for program in "$probe" "$minimal" "$cli"; do
    if [[ ! -x "$program" ]]; then
        echo "startup.sh: $program is missing; build with -DEXTCALC_BUILD_BENCH=ON (bench/run.sh does)" >&2
        exit 1
    fi
done
app="${1:-}"
if [[ -z "$app" ]]; then
    # Only a window this configuration builds: an old binary left in the tree is not it.
    if grep -q '^EXTCALC_BUILD_GUI:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null &&
        [[ -x "$build/ui/extinguisher-calc" ]]; then
        app="$build/ui/extinguisher-calc"
    else
        app="$minimal"
        echo "note: $build builds no window; measuring the minimal window against itself"
    fi
fi
if [[ ! -x "$app" ]]; then
    echo "startup.sh: $app is not an executable program" >&2
    exit 1
fi

scratch=$(mktemp -d)
xvfb_pid=""
cleanup() {
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# A private server, so no other client or window manager takes part in the timing;
# -displayfd picks a free display number and writes it once the server accepts clients.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$scratch/display" ]] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "startup.sh: Xvfb did not start:" >&2
        cat "$scratch/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
if [[ ! -s "$scratch/display" ]]; then
    echo "startup.sh: Xvfb did not become ready" >&2
    exit 1
fi
DISPLAY=":$(head -n 1 "$scratch/display")"
export DISPLAY
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# field NAME LINE: the value of NAME=… in one line of the probe's output.
field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p"; }
# Median, minimum and maximum of the numbers on standard input; the probe's -1 (no
# figure in that run) is left out rather than counted as a fast run.
summary() {
    sort -g | awk '$1 >= 0 { v[++n] = $1 }
        END {
            if (n == 0) { print "-1 -1 -1"; exit }
            m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
            printf "%s %s %s\n", m, v[1], v[n]
        }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a < 0 || b <= 0) print "n/a"; else printf "%.3f", a / b }'; }

measure() { # measure LABEL PROGRAM: one probe run, its line appended to LABEL's record
    local line
    if ! line=$("$probe" window -- "$2"); then
        echo "startup.sh: could not measure $2" >&2
        exit 1
    fi
    echo "$line" >>"$scratch/$1"
}

echo "machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "load average $(cut -d ' ' -f 1-3 /proc/loadavg) at the start"
echo "window:  $app"
echo "floor:   $minimal"

"$probe" window -- "$minimal" >/dev/null
"$probe" window -- "$app" >/dev/null
for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then
        measure app "$app"
        measure minimal "$minimal"
    else
        measure minimal "$minimal"
        measure app "$app"
    fi
done

declare -A median
printf '\nstart-up under Xvfb, %d runs each, interleaved; median (min-max)\n' "$runs"
printf '%-20s %-24s %-24s %-24s %s\n' "" "until mapped, ms" "until first paint, ms" \
    "CPU until mapped, ms" "peak resident, kB"
for who in minimal app; do
    row=()
    for name in map_ms paint_ms cpu_ms peak_kb; do
        read -r m lo hi < <(while read -r line; do field "$name" "$line"; done <"$scratch/$who" | summary)
        median[$who.$name]=$m
        if [[ $name == peak_kb ]]; then
            row+=("$(printf '%.0f (%.0f-%.0f)' "$m" "$lo" "$hi")")
        else
            row+=("$(printf '%.1f (%.1f-%.1f)' "$m" "$lo" "$hi")")
        fi
    done
    label=$([[ $who == app ]] && basename "$app" || echo "minimal window")
    printf '%-20s %-24s %-24s %-24s %s\n' "$label" "${row[@]}"
done
printf '%-20s %-24s %-24s %-24s %s\n' "ratio window/floor" \
    "$(ratio "${median[app.map_ms]}" "${median[minimal.map_ms]}")" \
    "$(ratio "${median[app.paint_ms]}" "${median[minimal.paint_ms]}")" \
    "$(ratio "${median[app.cpu_ms]}" "${median[minimal.cpu_ms]}")" \
    "$(ratio "${median[app.peak_kb]}" "${median[minimal.peak_kb]}")"

# The command-line program, start to exit. Its answer is checked first: timing a
# program that fails would give a fine-looking figure for nothing.
cli_args=(--class A --hazard 2 --k 2 --underground no --extinguisher 3 --area 300)
expected=$'灭火级别Q1=20\n修正后灭火级别Q=14\n需要灭火器数量N=1.75'
if [[ "$("$cli" "${cli_args[@]}")" != "$expected" ]]; then
    echo "startup.sh: $cli does not give the expected results" >&2
    exit 1
fi
"$probe" exit -- "$cli" "${cli_args[@]}" >/dev/null
: >"$scratch/cli"
for ((i = 0; i < runs; i++)); do
    "$probe" exit -- "$cli" "${cli_args[@]}" >>"$scratch/cli"
done
read -r exit_m exit_lo exit_hi < <(while read -r line; do field exit_ms "$line"; done <"$scratch/cli" | summary)
read -r peak_m _ _ < <(while read -r line; do field peak_kb "$line"; done <"$scratch/cli" | summary)
printf '\ncommand line, %d runs: %s %s\n' "$runs" "$(basename "$cli")" "${cli_args[*]}"
printf '  start to exit: median %.2f ms (%.2f-%.2f); peak resident %s kB\n' \
    "$exit_m" "$exit_lo" "$exit_hi" "$peak_m"
if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup 3 --runs "$runs" --export-json "$scratch/cli.json" \
        "$cli ${cli_args[*]}" >/dev/null 2>&1
    cross=$(sed -n 's/^ *"median": *\([0-9.e+-]*\),*$/\1/p' "$scratch/cli.json" | head -n 1)
    if [[ -n "$cross" ]]; then
        printf '  hyperfine -N, same command: median %.2f ms\n' \
            "$(awk -v s="$cross" 'BEGIN { print s * 1000 }')"
    fi
fi
