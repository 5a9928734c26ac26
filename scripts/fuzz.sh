#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Replays the libFuzzer targets' committed corpora, then fuzzes each for a bounded time
# (default 30 s; first argument to change it, e.g. 3600 for an hour), two targets at a time
# so that both cores fuzz. The targets come from a build given as the second argument (the
# test command uses build/asan, which builds them beside the sanitized tests), or else from
# the fuzz preset, built here. New inputs go to a scratch folder, so the committed seeds
# stay small; crashes are written to <build>/crashes/ and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build="${2:-}"
jobs="${EXTCALC_FUZZ_JOBS:-2}"

if [[ -z "$build" ]]; then
    build=build/fuzz
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
fi
[[ -d "$build/fuzz" ]] || { echo "fuzz.sh: $build has no fuzz targets (EXTCALC_FUZZ=ON)" >&2; exit 1; }

crashes="$build/crashes"
logs="$build/fuzz-logs"
rm -rf "$logs"
mkdir -p "$crashes" "$logs"

fuzz_one() {
    local name=$1 corpus="fuzz/corpus/$1/"
    local binary="$build/fuzz/fuzz_${name}" scratch="$build/scratch/${name}"
    mkdir -p "$scratch"
    local status=0
    {
        set -o pipefail
        echo "== ${name}: replaying $(ls "$corpus" | wc -l) seeds, then fuzzing ${seconds} s"
        "$binary" -runs=0 -artifact_prefix="$crashes/${name}-" "$corpus" 2>&1 | tail -n 3 || status=1
        "$binary" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$crashes/${name}-" "$scratch" "$corpus" >"$logs/$name.full" 2>&1 || status=1
        grep -E '^(Done|stat::number_of_executed_units)|ERROR|property violated' "$logs/$name.full" || true
    } >"$logs/$name.log" 2>&1
    return "$status"
}
export -f fuzz_one
export build seconds crashes logs

names=()
for corpus in fuzz/corpus/*/; do
    names+=("$(basename "$corpus")")
done
status=0
printf '%s\n' "${names[@]}" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$@"' _ {} || status=$?
for name in "${names[@]}"; do
    cat "$logs/$name.log"
done
if [[ $status -ne 0 ]]; then
    echo "fuzzing failed (a target crashed or found a failing input; see $logs)" >&2
    exit 1
fi

if compgen -G "$crashes/*" >/dev/null; then
    echo "fuzzing found failing inputs:" "$crashes"/* >&2
    exit 1
fi
