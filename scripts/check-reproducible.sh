#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that the package is reproducible: clones the commit (HEAD, or the one
# given) twice, to paths of different lengths, builds the package in each with
# scripts/package.sh (ccache off, so the compiler really runs twice) and
# compares the two .debs byte for byte; diffoscope, when installed, says where
# they differ. Two full package builds: run it by hand, not in the tests
# (package-test.sh packs twice from one build).
# Usage: scripts/check-reproducible.sh [COMMIT]
set -euo pipefail
cd "$(dirname "$0")/.."
commit="$(git rev-parse "${1:-HEAD}")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
debs=()
for side in a second-build-at-a-longer-path; do
    tree="$scratch/$side/kelGuiTool"
    git clone -q --no-local --no-checkout . "$tree"
    git -C "$tree" checkout -q "$commit"
    echo "Building $commit in $tree"
    CCACHE_DISABLE=1 "$tree/scripts/package.sh" >"$scratch/$side.log" 2>&1 || {
        tail -20 "$scratch/$side.log"
        exit 1
    }
    debs+=("$(ls "$tree"/build-package/package/kelguitool_*.deb)")
done
if cmp "${debs[0]}" "${debs[1]}"; then
    echo "reproducible: $(sha256sum "${debs[0]}" | cut -d' ' -f1)  ${debs[0]##*/}"
    exit 0
fi
command -v diffoscope >/dev/null && diffoscope "${debs[@]}" | head -100
exit 1
