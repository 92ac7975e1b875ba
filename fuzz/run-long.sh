#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (clang, libFuzzer, ASan+UBSan) and runs them, JOBS
# at a time (1 unless given), each for the given number of seconds (0: only
# build). The corpus grows outside the tree (CORPUS/<target>, seeded from
# fuzz/seeds/<target>); a finding fails the run and is kept in BUILD/findings/.
#
#   fuzz/run-long.sh [-b BUILD] [-c CORPUS] [-j JOBS] [-t TARGET]... SECONDS_PER_TARGET
#
# BUILD defaults to build-fuzz, CORPUS to BUILD/corpus; TARGET is one of
# numbers, line-definition, board-model, exchange, plan (all when none is given).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,11s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

build=build-fuzz
corpus=""
parallel=1
targets=()
while getopts "b:c:j:t:h" opt; do
  case "$opt" in
    b) build="$OPTARG" ;;
    c) corpus="$OPTARG" ;;
    j) parallel="$OPTARG" ;;
    t) targets+=("$OPTARG") ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] && [[ "$1" =~ ^[0-9]+$ ]] && [[ "$parallel" =~ ^[1-9][0-9]*$ ]] || usage
seconds="$1"
corpus="${corpus:-$build/corpus}"
[ ${#targets[@]} -gt 0 ] || targets=(numbers line-definition board-model exchange plan)

# The longest input worth trying: numbers and definitions are short texts,
# the board's lines end at 512 bytes, and the exchange needs room for the
# 2,000 lines of the chattering-board bound; a plan of a dozen steps fits too.
max_len() {
  case "$1" in
    numbers | line-definition) echo 512 ;;
    board-model) echo 2048 ;;
    *) echo 4096 ;;
  esac
}

configure=(-DCMAKE_CXX_COMPILER=clang++ -DKEL_FUZZ=ON -DKEL_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  configure+=(-G Ninja)
fi
cmake -S . -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/kel-fuzz-}"
[ "$seconds" -gt 0 ] || exit 0

# The fuzzers hold no Qt, so leaks count as findings here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1"
findings="$build/findings"
mkdir -p "$findings"

fuzz() { # target
  local target="$1"
  mkdir -p "$corpus/$target"
  local log="$findings/$target.log"
  # A single input that runs 10 s is a hang; 1 GiB of memory is a leak or a
  # runaway buffer.
  if ! "$build/fuzz/kel-fuzz-$target" "$corpus/$target" "fuzz/seeds/$target" \
    -dict=fuzz/kel.dict -max_total_time="$seconds" -max_len="$(max_len "$target")" \
    -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz: finding in $target, input kept in $findings/ (log: $log)" >&2
    return 1
  fi
  local runs
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  printf 'fuzz: %-16s %10s runs in %5s s, corpus %s inputs\n' \
    "$target" "$runs" "$seconds" "$(find "$corpus/$target" -type f | wc -l)"
}

# Each fuzzer is one process on one core: JOBS of them at once, no more.
pids=()
for target in "${targets[@]}"; do
  while [ "$(jobs -pr | wc -l)" -ge "$parallel" ]; do
    wait -n || true
  done
  fuzz "$target" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit "$status"
