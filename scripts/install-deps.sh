#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building and running extinguisher-calc needs on Debian 12, and with
# --test also what the full test run needs. Quiet and quick when nothing is missing.
set -euo pipefail

run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk libcli11-dev
    # The report's PDF: Latin letters and digits in DejaVu Sans, Chinese in Noto CJK.
    fonts-dejavu-core
    # Configuring any preset looks for GoogleTest, even when only the programs are built.
    googletest libgtest-dev
    # Exact arithmetic (header-only): the GB 50140-2005 calculation, the tables' totals.
    libboost-dev
    # The command line's JSON output of a GB 50140-2005 unit (header-only).
    nlohmann-json3-dev
    # Numbers to text and back, the same bytes on every platform (header-only).
    libfmt-dev libfast-float-dev
)
# The browser page (scripts/web-check.sh): the WebAssembly compiler, the browsers the
# page's tests drive (Chromium, and Firefox ESR as the second engine), and the acorn its
# optimiser runs on.
web_packages=(emscripten chromium firefox-esr node-acorn)
test_packages=(
    libbenchmark-dev
    clang clang-tidy clang-tidy-22 cppcheck libclang-rt-14-dev clang-format
    xvfb xauth
    dpkg-dev lintian desktop-file-utils appstream
    # The package check opens a project the way a file manager does (gio, xdg-mime) and
    # looks for the window (xwininfo).
    shared-mime-info libglib2.0-bin xdg-utils x11-utils
    libx11-dev libxdamage-dev hyperfine
    # The command line built for Windows and its tests run under Wine (scripts/windows-check.sh).
    mingw-w64 wine wine64 unzip
    # The report tests read the PDF back (pdftotext, pdffonts, pdfinfo) and parse the HTML.
    poppler-utils libxml2-utils
    # DXF drawings of another library for the plan's import and export tests.
    python3-ezdxf
)

packages=("${run_packages[@]}")
if [[ "${1:-}" == "--test" || "${1:-}" == "--web" ]]; then
    packages+=("${web_packages[@]}")
    # Node and npm from Debian only where there are none: an npm installed by other
    # means conflicts with Debian's package.
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
fi
if [[ "${1:-}" == "--test" ]]; then
    packages+=("${test_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "installed" ]]; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "安装缺少的软件包：${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
