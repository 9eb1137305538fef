#!/usr/bin/env bash
# Sets up, builds and starts Volmira in the folder of the sample dictionary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${VOLMIRA_BUILD_DIR:-$root/build}
cd "$build/samples"
exec "$build/bin/volmira"
