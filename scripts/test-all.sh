#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Everything CI checks, in one command: installs what is missing, then builds and
# tests with warnings as errors, runs the static checks, the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (a clang build that also holds the fuzz
# targets), the fuzzers for a bounded time, the Debian package, the command line
# cross-built for Windows and tested under Wine, and the browser page built with em++ and
# tested in Chromium and Firefox. The long runs at full size, and the package from its own
# release build, are scripts/long-checks.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { printf '\n==== %s (%ss)\n' "$1" "$SECONDS"; }

stage "dependencies"
./scripts/install-deps.sh --test

stage "dev build and tests"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

stage "static analysis"
./scripts/lint.sh build/dev

stage "sanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

stage "fuzzing"
./scripts/fuzz.sh "${EXTCALC_FUZZ_SECONDS:-30}" build/asan

stage "package"
# From the dev tree, built already: the package's install rules, lintian and the packaged
# programs are checked the same. The release tree the README packages from is configured
# here (its options without the tests) and built in full by scripts/long-checks.sh.
cmake --preset package >/dev/null
./scripts/package-check.sh build/dev

stage "windows"
./scripts/windows-check.sh

stage "web"
./scripts/web-check.sh

stage "all checks passed"
