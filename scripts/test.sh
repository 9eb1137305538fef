#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${VOLMIRA_BUILD_DIR:-$root/build}
if [ -f "$root/tests/readers/package.json" ]; then
  (cd "$root/tests/readers" && npm ci --no-audit --no-fund --silent)
fi
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
