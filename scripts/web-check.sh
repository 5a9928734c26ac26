#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The browser page: installs the page's toolchain from the lockfile, checks the types,
# builds build/web/extinguisher-design.html with em++, then tests its engine against the
# command line under Node and the page itself in Debian's Chromium and Firefox ESR (with the
# page's monkey at its modest size; EXTCALC_PAGE_MONKEY_ACTIONS for a longer walk), two test
# files at a time (sooner on two cores than one after the other, though each runs slower). Needs the
# dev build's command line (build/dev). Anything missing is an error, never a skipped test.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
for tool in em++ node npm chromium firefox-esr iconv pdftotext pdfinfo; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
cli=${EXTCALC_CLI:-build/dev/cli/extinguisher-calc-cli}
[[ -x "$cli" ]] || missing+=("$cli (cmake --build --preset dev)")
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "web-check: missing: ${missing[*]} (scripts/install-deps.sh --test)" >&2
    exit 1
fi

(cd web && npm ci --no-audit --no-fund && npx tsc --noEmit)
cmake --preset web >/dev/null
cmake --build --preset web
EXTCALC_CLI=$(realpath "$cli") node --test --test-concurrency=2 web/tests/
