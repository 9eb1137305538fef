#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (or VOLMIRA_FUZZ_BUILD_DIR) and runs
# each for VOLMIRA_FUZZ_SECONDS (60) seconds, starting from the corpus in fuzz/corpus/<target>/, two at a
# time. Exits non-zero when a target finds a crash, a leak, undefined behaviour or a time-out; the inputs
# that did are kept in build-fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOLMIRA_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${VOLMIRA_FUZZ_SECONDS:-60}
jobs=${VOLMIRA_FUZZ_JOBS:-$(nproc)}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLMIRA_FUZZ=ON \
  -DVOLMIRA_BUILD_TESTS=OFF -DVOLMIRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers --parallel "$(nproc)"

findings="$build/findings"
logs="$build/fuzz-logs"
mkdir -p "$findings" "$logs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run() {
  local target=$1
  local work="$build/corpus/$target"
  mkdir -p "$work"
  # New inputs go to the build's corpus; the repository's corpus is only read.
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/$target-" "$work" "$root/fuzz/corpus/$target" >"$logs/$target.log" 2>&1; then
    echo "$target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$logs/$target.log" | grep -o '[0-9]*$') executions, no findings"
  else
    echo "$target: FINDING (log: $logs/$target.log)"
    tail -n 40 "$logs/$target.log"
    return 1
  fi
}

targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done

status=0
pids=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
shopt -s nullglob
left=("$findings"/*)
if [ "${#left[@]}" -gt 0 ]; then
  echo "Inputs that found faults: ${left[*]}"
  status=1
fi
exit "$status"
