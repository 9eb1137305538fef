#!/usr/bin/env bash
# Builds Volmira with clang, AddressSanitizer (leak checking on) and UndefinedBehaviorSanitizer into
# build-asan/ (or VOLMIRA_ASAN_BUILD_DIR) and runs every test. clang, because its one sanitizer runtime
# writes the reports of both sanitizers to files (g++'s separate UBSan runtime writes them only to the
# standard error, which a test that runs a program may not show). Fails when a test fails or when any
# process wrote a sanitizer report. Known leaks of third-party libraries are suppressed in
# scripts/lsan-suppressions.txt; leaks of the program's own code never are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOLMIRA_ASAN_BUILD_DIR:-$root/build-asan}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLMIRA_SANITIZE=ON -DVOLMIRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
if [ -f "$root/tests/readers/package.json" ] && [ ! -d "$root/tests/readers/node_modules" ]; then
  (cd "$root/tests/readers" && npm ci --no-audit --no-fund --silent)
fi

reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Reports go to files, one per process: a test that runs a child would not show the child's report otherwise.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:log_path=$reports/asan:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"

status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 1200) || status=1

shopt -s nullglob
found=("$reports"/*)
if [ "${#found[@]}" -gt 0 ]; then
  echo "Sanitizer reports (${#found[@]}):"
  for report in "${found[@]}"; do
    echo "==== $report"
    head -n 60 "$report"
  done
  status=1
fi
exit "$status"
