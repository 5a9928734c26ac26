#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the PNG icons from the SVG. Run by hand after changing the SVG, and commit the
# results: the build and the window use the PNGs, so neither needs an SVG renderer.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" \
        io.github.extinguisher_calc.ExtinguisherCalc.svg -o "icons/extinguisher-calc-$size.png"
done
