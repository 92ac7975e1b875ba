#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in one command: installs what is missing, builds
# the normal build (build/, or the folder given) and runs CPack on it. Prints
# the .deb's path; install it with  sudo apt install ./kelguitool_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB -B package >/dev/null)
ls "$build"/package/kelguitool_*.deb
