#!/usr/bin/env bash
# Everything CI checks, in one command: installs what is missing, builds with warnings
# as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --test

cmake --preset dev
cmake --build --preset dev
ctest --preset dev
