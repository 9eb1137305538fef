#!/usr/bin/env bash
# Builds Volmira's Debian package into build-package/ (or VOLMIRA_PACKAGE_BUILD_DIR): the programs with
# Debian's hardening flags, laid out under /usr, packed by CPack. Run scripts/setup.sh first. Arguments are
# passed on to cmake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOLMIRA_PACKAGE_BUILD_DIR:-$root/build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVOLMIRA_BUILD_TESTS=OFF -DVOLMIRA_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/volmira_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/volmira_*.deb
