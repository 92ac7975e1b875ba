#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the whole test suite three ways: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, and the threaded
# layers without Qt (serial, protocol, board, instrument, rftest, results, plan, cli) under
# ThreadSanitizer (the results tests start their own PostgreSQL server);
# then runs each fuzz target for a short, bounded time. Exits non-zero on any
# failure or finding. Ends with the time each stage took.
set -euo pipefail
cd "$(dirname "$0")"

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# These builds are thrown away: their objects may name the folder of the clone
# that filled the cache, so that every clone shares ccache's entries.
export CCACHE_NOHASHDIR=true

# Each stage's wall time and the processor time of what it ran (both cores).
stage_names=()
stage_times=()
stage_now=""
stage_start=0
stage_cpu=0
times_file="$(mktemp)"
cpu_now=0
cpu_seconds() { # cpu_now: processor seconds of the finished child processes
  times >"$times_file" # in this shell: a subshell counts only its own children
  cpu_now="$(awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, t, "m"); s += t[1] * 60 + t[2] } }
                  END { printf "%.0f", s }' "$times_file")"
}
stage_line() { # name wall-seconds cpu-seconds [note]
  printf '%-20s %6d s %7d s  %s\n' "$1" "$2" "$3" "${4:-}"
}
print_stages() {
  local status=$? i
  cpu_seconds
  if [ -n "$stage_now" ]; then
    stage_names+=("$stage_now")
    stage_times+=("$((SECONDS - stage_start)) $((cpu_now - stage_cpu)) FAILED")
  fi
  rm -f "$times_file"
  [ ${#stage_names[@]} -gt 0 ] || return "$status"
  echo "=== stage times ==="
  printf '%-20s %8s %9s\n' stage wall cpu
  for i in "${!stage_names[@]}"; do
    # shellcheck disable=SC2086 # wall, cpu and note
    stage_line "${stage_names[$i]}" ${stage_times[$i]}
  done
  stage_line total "$SECONDS" "$cpu_now"
  return "$status"
}
trap print_stages EXIT

stage() { # name command...
  stage_now="$1"
  stage_start=$SECONDS
  cpu_seconds
  stage_cpu=$cpu_now
  shift
  "$@"
  cpu_seconds
  stage_names+=("$stage_now")
  stage_times+=("$((SECONDS - stage_start)) $((cpu_now - stage_cpu))")
  stage_now=""
}

configure() { # build-dir cmake-args...
  local dir="$1"
  shift
  # Ninja schedules the two cores better; a build folder keeps its generator.
  local generator=()
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    generator=(-G Ninja)
  fi
  cmake -S . -B "$dir" "${generator[@]}" "$@" >/dev/null
}

# Most tests wait on a line, a timer or a child process rather than compute:
# twice as many at once as there are cores keeps both cores busy.
run_tests() { # build-dir [label-regex]
  # A hung test must fail the run, not stall it; an empty selection is an error.
  local args=(--test-dir "$1" --output-on-failure -j$((2 * jobs)) --timeout 300 --no-tests=error)
  [ -z "${2:-}" ] || args+=(-L "$2")
  ctest "${args[@]}"
}

suite() { # name build-dir label-regex cmake-args...
  local name="$1" dir="$2" labels="$3"
  shift 3
  echo "=== $dir ==="
  stage "$name configure" configure "$dir" "$@"
  stage "$name build" cmake --build "$dir" -j"$jobs"
  stage "$name tests" run_tests "$dir" "$labels"
}

checks() {
  scripts/install-deps.sh
  scripts/check-spdx.sh
}
stage "install, SPDX" checks

suite normal build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
suite asan build-asan "" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=address,undefined
suite tsan build-tsan "serial|protocol|board|instrument|rftest|results|plan|cli" \
  -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=thread -DKEL_BUILD_GUI=OFF

# Every parser and the whole exchange against hostile input, a target on each
# core (KEL_FUZZ_SECONDS each); fuzz/run-long.sh does longer sessions.
if command -v clang++ >/dev/null; then
  echo "=== build-fuzz ==="
  stage "fuzz build" fuzz/run-long.sh 0
  stage "fuzz runs" fuzz/run-long.sh -j "$jobs" "${KEL_FUZZ_SECONDS:-20}"
else
  echo "=== build-fuzz: skipped, no clang++ ==="
fi
