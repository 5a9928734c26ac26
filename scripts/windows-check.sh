#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The command line for 64-bit Windows: cross-builds the windows preset with MinGW-w64,
# runs its tests under Wine, makes the zip and checks it as a user would meet it, unpacked
# into an empty folder: Windows' own DLLs only, and the worked case computed right.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows

fail() {
    echo "windows-check: $*" >&2
    exit 1
}
step() { printf '\n== %s\n' "$1"; }

step "cross build (MinGW-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "tests under Wine"
ctest --preset windows

step "cpack -G ZIP"
rm -f "$build"/extinguisher-calc-cli-*-win64.zip
(cd "$build" && cpack -G ZIP >/dev/null)
shopt -s nullglob
zips=("$build"/extinguisher-calc-cli-*-win64.zip)
shopt -u nullglob
[[ ${#zips[@]} -eq 1 ]] || fail "expected one zip in $build, found ${#zips[@]}"
zip=${zips[0]}
unzip -l "$zip"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
root="$scratch/$(basename "$zip" .zip)"
for file in extinguisher-calc-cli.exe README-windows.txt README.zh-CN.txt LICENSE.txt \
    examples/building.csv; do
    [[ -f "$root/$file" ]] || fail "the zip lacks $file"
done

step "DLLs the program needs"
# Anything beyond Windows' own libraries would have to ship in the zip.
dlls=$(x86_64-w64-mingw32-objdump -p "$root/extinguisher-calc-cli.exe" |
    sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
echo "$dlls"
foreign=$(grep -vxE 'kernel32\.dll|msvcrt\.dll|shell32\.dll|user32\.dll|advapi32\.dll' <<<"$dlls" || true)
[[ -z "$foreign" ]] || fail "the program needs DLLs that are not part of Windows: $foreign"

step "the unpacked program under Wine"
# The Wine the build found, with the prefix the tests made.
wine=$(sed -n 's/^EXTCALC_WINE:FILEPATH=//p' "$build/CMakeCache.txt")
[[ -x "$wine" ]] || fail "no Wine found when configuring $build"
cli_out=$(scripts/wine-run.sh "$wine" "$PWD/$build/wine" "$root/extinguisher-calc-cli.exe" \
    --class A --hazard 2 --k 2 --underground no --extinguisher 3 --area 300) ||
    fail "the unpacked extinguisher-calc-cli.exe failed"
printf '%s\n' "$cli_out"
# Compared byte for byte: a CR the C runtime added would show here.
expected=$'灭火级别Q1=20\n修正后灭火级别Q=14\n需要灭火器数量N=1.75'
[[ "$cli_out" == "$expected" ]] || fail "the unpacked program printed the wrong results"

step "windows checks passed: $zip"
