#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in one command: installs what is missing, builds
# only what the package holds (no tests, benchmarks or screenshot tour) in
# build-package/ (or the folder given) with Debian's hardening flags, and runs
# CPack on it. Prints the .deb's path; install it with
#   sudo apt install ./build-package/package/kelguitool_*.deb
# Two runs on one commit give the same bytes: every date is the commit's
# (SOURCE_DATE_EPOCH), and the tree's path is mapped out of the binaries.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-package}"
scripts/install-deps.sh
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --show-toplevel >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
    export SOURCE_DATE_EPOCH
fi
# Debian's flags, bind-now too; -g stripped, as the package ships no symbols.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CXXFLAGS_MAINT_STRIP="-g"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -ffile-prefix-map=$PWD=."
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DKEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B package >/dev/null)
ls "$build"/package/kelguitool_*.deb
