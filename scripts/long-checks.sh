#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The long runs at their full size, for when there is time (before a release, after changing
# the workbook's model or the saving code): the workbook monkey with three seeds of 20,000
# actions, the classic window's monkey with 10,000, 200 saves killed at random moments, and the
# Debian package from its own release build (the test command packages the dev tree). The test
# command runs the same tests smaller (see docs/development.md). Uses the dev build; builds it
# first if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/dev

cmake --preset dev >/dev/null
cmake --build --preset dev --target extcalc_workbook_monkey_test extcalc_monkey_test \
    extcalc_save_kill_test

export QT_QPA_PLATFORM=offscreen
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

step() { printf '\n== %s (%ss)\n' "$1" "$SECONDS"; }

step "workbook monkey: ${EXTCALC_MONKEY_SEEDS:=3} seeds × ${EXTCALC_MONKEY_ACTIONS:=20000} actions"
XDG_CONFIG_HOME="$config" EXTCALC_MONKEY_SEEDS="$EXTCALC_MONKEY_SEEDS" \
    EXTCALC_MONKEY_ACTIONS="$EXTCALC_MONKEY_ACTIONS" "$build/tests/workbook/extcalc_workbook_monkey_test"

step "classic window monkey: 10000 actions"
EXTCALC_MONKEY_ACTIONS=10000 "$build/tests/gui/extcalc_monkey_test"

step "saves killed: ${EXTCALC_SAVE_KILLS:=200}"
"$build/tests/extcalc_save_kill_test" "$EXTCALC_SAVE_KILLS"

# The page's monkey at its long size, when the page has been built (scripts/web-check.sh).
if [[ -f build/web/extinguisher-design.html ]]; then
    step "page monkey: ${EXTCALC_PAGE_MONKEY_ACTIONS:=5000} actions"
    (cd web && EXTCALC_PAGE_MONKEY_ACTIONS="$EXTCALC_PAGE_MONKEY_ACTIONS" \
        EXTCALC_CLI=$(realpath "../$build/cli/extinguisher-calc-cli") node --test tests/monkey.test.mjs)
else
    step "page monkey: skipped, build/web/extinguisher-design.html not built (scripts/web-check.sh)"
fi

step "the package from the release build"
./scripts/package-check.sh

step "long checks passed"
