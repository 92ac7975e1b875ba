#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renews the guide's pictures (docs/images/*.png) in one command: builds the
# screenshot tour, runs it under Xvfb against the console's built-in virtual
# board, and shrinks the PNGs losslessly. Usage: docs/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kel-screenshot-tour
# A fixed screen and style so that pictures only change with the interface.
xvfb-run --auto-servernum --server-args="-screen 0 1920x1200x24 -dpi 96" \
    "$build/bin/kel-screenshot-tour" docs/images -style fusion
optipng -quiet -o2 -strip all docs/images/*.png
ls -l docs/images
