#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it as a user's machine would meet it: lintian
# (errors fail), the desktop entry and AppStream metainfo through their validators, and the
# package's own contents, unpacked, with the packaged command-line program run once.
# Without an argument it builds the package preset's release tree first; given a build tree
# that is already built (the full check passes build/dev), it packages that one, since
# building every program once more would check the same install rules at the cost of
# minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
app_id=io.github.extinguisher_calc.ExtinguisherCalc
design_id=io.github.extinguisher_calc.ExtinguisherDesign
build=${1:-build/package}

fail() {
    echo "package-check: $*" >&2
    exit 1
}
step() { printf '\n== %s\n' "$1"; }

if [[ $# -eq 0 ]]; then
    step "release build of the programs"
    # The package preset: a build tree of its own without the tests, as the README builds it.
    cmake --preset package >/dev/null
    cmake --build --preset package
else
    [[ -f "$build/CMakeCache.txt" ]] || fail "$build is not a configured build tree"
    step "the programs of $build, built already"
    cmake --build "$build" --target extinguisher-calc-cli extinguisher-calc extinguisher-design
fi

step "cpack -G DEB"
rm -f "$build"/extinguisher-calc_*.deb
(cd "$build" && cpack -G DEB)
shopt -s nullglob
debs=("$build"/extinguisher-calc_*.deb)
shopt -u nullglob
[[ ${#debs[@]} -eq 1 ]] || fail "expected one package in $build, found ${#debs[@]}"
deb=${debs[0]}
dpkg-deb --info "$deb" control

step "lintian"
status=0
report=$(lintian --fail-on error --display-info "$deb" 2>&1) || status=$?
# Root gets a notice that lintian would rather not run as root; it changes nothing.
report=$(grep -v '^running with root privileges' <<<"$report" || true)
echo "${report:-no tags}"
[[ $status -eq 0 ]] || fail "lintian reports errors (status $status)"

step "desktop-file-validate and appstreamcli (sources)"
for id in "$app_id" "$design_id"; do
    desktop-file-validate "packaging/$id.desktop"
    appstreamcli validate --no-net "packaging/$id.metainfo.xml"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

step "package contents"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
listed=()
expect_file() {
    [[ -f "$root/$1" ]] || fail "the package lacks /$1"
    listed+=("$1")
    echo "  /$1"
}
expect_file usr/bin/extinguisher-calc-cli
expect_file usr/share/man/man1/extinguisher-calc-cli.1.gz
expect_file usr/share/man/zh_CN/man1/extinguisher-calc-cli.1.gz
expect_file usr/share/doc/extinguisher-calc/copyright
expect_file usr/share/doc/extinguisher-calc/changelog.gz

# The packaged program, not the one in the build tree: this is what stripping, install
# rules and the package's dependencies have to leave working.
cli_out=$("$root/usr/bin/extinguisher-calc-cli" --class A --hazard 2 --k 2 --underground no \
    --extinguisher 3 --area 300) || fail "the packaged extinguisher-calc-cli failed"
printf '%s\n' "$cli_out"
expected=$'灭火级别Q1=20\n修正后灭火级别Q=14\n需要灭火器数量N=1.75'
[[ "$cli_out" == "$expected" ]] || fail "the packaged extinguisher-calc-cli printed the wrong results"

expect_file usr/bin/extinguisher-calc
expect_file usr/bin/extinguisher-design
expect_file usr/share/man/man1/extinguisher-calc.1.gz
expect_file usr/share/man/zh_CN/man1/extinguisher-calc.1.gz
expect_file "usr/share/applications/$app_id.desktop"
expect_file "usr/share/metainfo/$app_id.metainfo.xml"
expect_file "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
for size in 16 32 48 64 128 256; do
    expect_file "usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
done
if [[ -f docs/screenshot.png ]]; then
    expect_file usr/share/doc/extinguisher-calc/screenshot.png
fi
expect_file usr/share/man/man1/extinguisher-design.1.gz
expect_file usr/share/man/zh_CN/man1/extinguisher-design.1.gz
expect_file "usr/share/applications/$design_id.desktop"
expect_file "usr/share/mime/packages/$design_id.xml"
expect_file "usr/share/metainfo/$design_id.metainfo.xml"
if [[ -f docs/workbook.png ]]; then
    expect_file usr/share/doc/extinguisher-calc/workbook.png
fi

for id in "$app_id" "$design_id"; do
    desktop="$root/usr/share/applications/$id.desktop"
    desktop-file-validate "$desktop"
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [[ -x "$root/usr/bin/$exec_name" ]] || fail "$id.desktop starts $exec_name, which the package lacks"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [[ "$icon_name" == "$app_id" ]] || fail "$id.desktop names icon $icon_name"
done
xmllint --noout "$root/usr/share/mime/packages/$design_id.xml"

# Every library the window links must come from a package it depends on; the
# ones it loads at run time are listed by hand.
for window in extinguisher-calc extinguisher-design; do
    if ldd "$root/usr/bin/$window" | grep -q 'not found'; then
        ldd "$root/usr/bin/$window" | grep 'not found' >&2
        fail "the packaged $window needs libraries that are not installed"
    fi
done
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk fonts-dejavu-core; do
    [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

# Nothing else either: a file left in the build tree by another configuration, or an
# install rule of a library or test, would otherwise ship unnoticed.
extra=$(comm -23 <(cd "$root" && find . -type f -printf '%P\n' | sort) \
    <(printf '%s\n' "${listed[@]}" | sort))
[[ -z "$extra" ]] || fail "the package holds files nobody expects: $extra"

step "a project opened from a file manager"
# The package's desktop entry and file type, registered as the system's triggers would
# (update-mime-database, update-desktop-database), in data folders of this check's own;
# then the project opened the way a file manager does on a double click.
data="$scratch/share"
mkdir -p "$data/applications" "$data/mime/packages" "$scratch/home"
cp "$root/usr/share/applications/$design_id.desktop" "$data/applications/"
cp "$root/usr/share/mime/packages/$design_id.xml" "$data/mime/packages/"
update-mime-database "$data/mime"
update-desktop-database "$data/applications"
project="$scratch/示例 建筑.exdesign"
cp examples/building.exdesign "$project"
(
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$data" \
    XDG_DATA_DIRS="$data:/usr/share" PATH="$root/usr/bin:$PATH" \
    EXTINGUISHER_DESIGN_RECOVERY_DIR="$scratch/recovery"
unset QT_QPA_PLATFORM
type=$(gio info -a standard::content-type "$project" | sed -n 's/^ *standard::content-type: //p')
echo "gio info: $type"
[[ "$type" == "application/x-exdesign+json" ]] || fail "a .exdesign file is taken as $type"
default=$(xdg-mime query default application/x-exdesign+json)
echo "xdg-mime query default application/x-exdesign+json: $default"
[[ "$default" == "$design_id.desktop" ]] || fail "the default for .exdesign is '$default'"
# gio open, under Xvfb: the packaged program must start with the file and show its
# project, whose name is in the window's title, within a minute (a busy machine is slow to
# start it). On the virtual display: a caller's offscreen platform (the monkeys') would hide it.
title="示例建筑（办公及商业） — 建筑灭火器配置设计"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    gio open "$1" || exit 1
    for _ in $(seq 600); do
        if xwininfo -root -tree | grep -qF "\"$2\""; then
            echo "window: $2"
            # The program gio started, found by the scratch file it was given, ended by its id.
            pid=$(pgrep -f -x "extinguisher-design $1" | head -n 1)
            [[ -n "$pid" ]] && kill "$pid"
            exit 0
        fi
        sleep 0.1
    done
    xwininfo -root -tree >&2
    pgrep -a -f extinguisher-design >&2 || echo "extinguisher-design is not running" >&2
    exit 1' opened "$project" "$title" || fail "gio open did not open the project in extinguisher-design"
)

step "cmake --install into a scratch prefix"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
for path in bin/extinguisher-calc-cli share/man/man1/extinguisher-calc-cli.1.gz \
    share/doc/extinguisher-calc/copyright bin/extinguisher-calc bin/extinguisher-design \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" share/man/man1/extinguisher-design.1.gz \
    "share/applications/$design_id.desktop" "share/mime/packages/$design_id.xml" \
    "share/metainfo/$design_id.metainfo.xml"; do
    [[ -f "$scratch/prefix/$path" ]] || fail "cmake --install did not install $path"
done
echo "installed layout as expected"

step "package checks passed: $deb"
