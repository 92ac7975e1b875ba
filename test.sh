#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the whole test suite three ways: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, and the threaded
# layers without Qt (serial, protocol, board, rftest, results, cli) under
# ThreadSanitizer (the results tests start their own PostgreSQL server);
# then runs each fuzz target for a short, bounded time. Exits non-zero on any
# failure or finding.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/check-spdx.sh

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

run_suite() { # build-dir label-regex cmake-args...
  local dir="$1" labels="$2"
  shift 2
  echo "=== $dir ==="
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  # A hung test must fail the run, not stall it; an empty selection is an error.
  local ctest_args=(--test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300 --no-tests=error)
  if [ -n "$labels" ]; then
    ctest "${ctest_args[@]}" -L "$labels"
  else
    ctest "${ctest_args[@]}"
  fi
}

run_suite build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite build-asan "" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=address,undefined
run_suite build-tsan "serial|protocol|board|rftest|results|cli" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=thread -DKEL_BUILD_GUI=OFF

# Every parser and the whole exchange against hostile input, one target after
# another (KEL_FUZZ_SECONDS each); fuzz/run-long.sh does longer sessions.
if command -v clang++ >/dev/null; then
  echo "=== build-fuzz ==="
  fuzz/run-long.sh "${KEL_FUZZ_SECONDS:-20}"
else
  echo "=== build-fuzz: skipped, no clang++ ==="
fi
