#!/usr/bin/env bash
# Installs what building, running and testing Volmira needs on Debian 12, and only what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libsqlite3-dev libgraphviz-dev
  # the peer the tests and benchmarks compare with (mdb-export; libmdb for the writer's tests)
  mdbtools-dev mdbtools
  xvfb xauth qt6-gtk-platformtheme
  chromium
  fonts-liberation2 fonts-crosextra-caladea fonts-crosextra-carlito fonts-dejavu-core
  nodejs npm
  clang libclang-rt-14-dev
  dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Node may come from another source than Debian (then npm is part of it).
if command -v node >/dev/null && command -v npm >/dev/null; then
  filtered=()
  for p in "${missing[@]}"; do
    [[ "$p" == nodejs || "$p" == npm ]] || filtered+=("$p")
  done
  missing=("${filtered[@]+"${filtered[@]}"}")
fi

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup.sh: these Debian packages are missing: ${missing[*]}" >&2
      echo "setup.sh: install them as root (apt-get install ${missing[*]}), or run this script as root" >&2
      exit 1
    fi
    SUDO="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
