#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds kelGuiTool and starts the console.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
exec build/bin/kelGuiTool "$@"
