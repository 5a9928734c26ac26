#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine for the tests: wine-run.sh WINE PREFIX PROGRAM [ARGS...].
# The prefix is made on first use, once, however many tests start at the same moment;
# Wine's debug messages, its Mono and Gecko installers and any window stay away, so a
# test's output is the program's own.
set -euo pipefail
wine=$1
prefix=$2
shift 2

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Console programs need no display; without one Wine shows no dialog either.
unset DISPLAY WAYLAND_DISPLAY

# One Wine server for the whole run, kept 30 s past its last program. By default a server
# ends a few seconds after its last program, and a program starting just then fails with
# "Connection reset by peer": between two tests that happened now and then. When a server
# is running already this start does nothing.
mkdir -p "$prefix"
"$(dirname "$wine")/wineserver" -p30 >/dev/null 2>&1 || true

ready="$prefix/.extcalc-ready"
if [[ ! -f "$ready" ]]; then
    exec 9>"$prefix.lock"
    flock 9
    if [[ ! -f "$ready" ]]; then
        "$wine" wineboot -i >/dev/null 2>&1
        touch "$ready"
    fi
    flock -u 9
    exec 9>&-
fi
exec "$wine" "$@"
