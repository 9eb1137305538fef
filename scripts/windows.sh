#!/usr/bin/env bash
# Builds Volmira for 64-bit Windows on Debian and makes its installer, build-windows/volmira-<version>-x64.msi.
# First what the Windows build stands on, from Debian's own packages: the MinGW-w64 toolchain, Wine and wixl,
# then Qt and SQLite for Windows from Debian's source packages. Qt takes about an hour on two cores, so both
# land once in a cache folder whose name carries their versions and options; a later run with the same
# inputs finds them there. Then the programs and the tests are cross-built into build-windows/, the tests
# run under Wine, the installer is made with wixl, and tests/windows/ checks both against the Linux build.
#   VOLMIRA_WINDOWS_CACHE  the cache folder (default /var/cache/volmira-windows)
#   VOLMIRA_WINDOWS_TESTS  0: build the tests but run none (default 1)
# With --if-cached (CI) it does all that only where Qt and SQLite for Windows are in the cache already, and
# otherwise says so and ends well.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VOLMIRA_WINDOWS_CACHE:-/var/cache/volmira-windows}
jobs=$(nproc)
toolchain=$root/packaging/windows/mingw-w64-x86_64.cmake
if_cached=0
[ "${1:-}" = --if-cached ] && if_cached=1
skip() {
  echo "windows.sh: SKIPPED the Windows build: $1 (bash scripts/windows.sh builds it once, about an hour)"
  exit 0
}
if [ "$if_cached" = 1 ] && ! command -v x86_64-w64-mingw32-g++-posix > /dev/null; then
  skip "the MinGW-w64 toolchain is not installed, so there is no cache of Qt for Windows"
fi

packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wixl msitools cmake ninja-build tcl xz-utils qt6-base-dev
          xvfb openbox imagemagick xdotool x11-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "windows.sh: installing ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Qt's host tools (moc, rcc, uic) come from the installed Debian Qt, which must be the version built here.
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+~-].*//')
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  # Debian's tarball lacks the tablet headers; with OpenGL off, Qt 6.4's Windows plugin also needs dynamic
  # OpenGL and DirectWrite 3 off to link; the program needs none of the rest.
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_directwrite3=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF
  -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_direct2d=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_pdf=OFF
  # The offscreen platform, which the tests use, draws text with FreeType; everything bundled, nothing of the host.
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_fontconfig=OFF -DFEATURE_system_zlib=OFF
  -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_doubleconversion=OFF
)
compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
# The toolchain file's bytes, not its path: every clone of the project finds the same cache.
key=$(printf '%s\n' "$qt_version" "$compiler_version" "${qt_options[@]}" "$(sha256sum < "$toolchain")" \
  | sha256sum | cut -c1-12)
qt_prefix=$cache/qt-$qt_version-$key
sqlite_prefix=$cache/sqlite-$(dpkg-query -W -f='${Version}' libsqlite3-dev | sed 's/[+~-].*//')-$compiler_version
if [ "$if_cached" = 1 ] && { [ ! -f "$qt_prefix/lib/cmake/Qt6/Qt6Config.cmake" ] || [ ! -f "$sqlite_prefix/lib/libsqlite3.a" ]; }; then
  skip "Qt and SQLite for Windows are not in $cache (wanted: $(basename "$qt_prefix"), $(basename "$sqlite_prefix"))"
fi

# Debian's source packages, through an apt configuration of our own whose deb-src lines mirror the machine's
# deb lines; nothing of the system's apt setup changes.
fetch_source() {
  local package=$1 apt=$cache/apt
  mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$cache/src"
  if [ ! -f "$apt/apt.conf" ]; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] && sed 's/^Types: deb$/Types: deb-src/' "$f" > "$apt/parts/$(basename "$f")"
    done
    [ -f /etc/apt/sources.list ] && sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$apt/parts/sources.list"
    cat > "$apt/apt.conf" <<EOF
Dir::Etc::SourceList "/dev/null";
Dir::Etc::SourceParts "$apt/parts";
Dir::State::Lists "$apt/lists";
Dir::Cache "$apt/cache";
EOF
    APT_CONFIG=$apt/apt.conf apt-get update -q
  fi
  (cd "$cache/src" && APT_CONFIG=$apt/apt.conf apt-get source -q --download-only "$package=$2")
}

if [ ! -f "$qt_prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  qt_source=$cache/src/qtbase-everywhere-src-$qt_version
  if [ ! -d "$qt_source" ]; then
    fetch_source qt6-base "$(dpkg-query -W -f='${Version}' qt6-base-dev)"
    tar -C "$cache/src" -xf "$cache/src"/qt6-base_"$qt_version"*.orig.tar.xz
  fi
  qt_build=$cache/build/qt-$qt_version-$key
  echo "windows.sh: building Qt $qt_version for Windows in $qt_build (about an hour on two cores)"
  cmake -G Ninja -S "$qt_source" -B "$qt_build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
    "${qt_options[@]}" > "$cache/qt-configure.log"
  cmake --build "$qt_build" --parallel "$jobs"
  cmake --install "$qt_build" > /dev/null
  rm -rf "$qt_build"
fi

if [ ! -f "$sqlite_prefix/lib/libsqlite3.a" ]; then
  sqlite_version=$(dpkg-query -W -f='${Version}' libsqlite3-dev | sed 's/[+~-].*//')
  sqlite_source=$cache/src/sqlite3-$sqlite_version
  if [ ! -d "$sqlite_source" ]; then
    fetch_source sqlite3 "$(dpkg-query -W -f='${Version}' libsqlite3-dev)"
    tar -C "$cache/src" -xf "$cache/src"/sqlite3_"$sqlite_version".orig.tar.xz
  fi
  sqlite_build=$(mktemp -d)
  # The amalgamation is made by the host's build of SQLite's own tools, then compiled for Windows.
  (cd "$sqlite_build" && "$sqlite_source/configure" > configure.log && make sqlite3.c > make.log)
  mkdir -p "$sqlite_prefix/include" "$sqlite_prefix/lib"
  x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c "$sqlite_build/sqlite3.c" \
    -o "$sqlite_build/sqlite3.o"
  x86_64-w64-mingw32-ar rcs "$sqlite_prefix/lib/libsqlite3.a" "$sqlite_build/sqlite3.o"
  cp "$sqlite_build/sqlite3.h" "$sqlite_build/sqlite3ext.h" "$sqlite_prefix/include/"
  rm -rf "$sqlite_build"
fi

echo "windows.sh: Qt for Windows in $qt_prefix"
echo "windows.sh: SQLite for Windows in $sqlite_prefix"

out=$root/build-windows
host=$out/host
mkdir -p "$out"
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-$(command -v ccache || true)}

# The host's build of the same sources draws the pictures (Qt has no SVG module for Windows) and gives the
# outputs the Windows programs are compared with.
bash "$root/scripts/setup.sh" > /dev/null
echo "windows.sh: the host's tools in $host"
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLMIRA_BUILD_TESTS=OFF > /dev/null
cmake --build "$host" --parallel "$jobs" --target render-pictures volmira-query volmira-export bench_writer \
  sample_dictionary > "$out/host-build.log"

# Wine runs the Windows programs: mdb-write.exe writes the build's sample dictionary, and ctest runs every
# test through this wrapper, with the Qt and MinGW libraries on Wine's search path.
wine=/usr/lib/wine/wine64
windowsPath() { printf 'Z:%s' "$1" | tr / '\\'; }
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
# The offscreen platform of the tests draws with FreeType from one folder of fonts: the ones the Linux
# build's tests see (scripts/setup.sh installs them).
mkdir -p "$out/fonts"
ln -sf /usr/share/fonts/truetype/{liberation2,crosextra,dejavu}/*.ttf "$out/fonts/"
{
  echo '#!/bin/sh'
  echo '# Runs a program of the Windows build under Wine (written by scripts/windows.sh).'
  echo "export WINEPREFIX='$out/wine' WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='"
  echo "export WINEPATH='$(windowsPath "$qt_prefix/bin");$(windowsPath "$runtime");$(windowsPath /usr/x86_64-w64-mingw32/lib)'"
  echo "export WINEQT_QPA_FONTDIR='$(windowsPath "$out/fonts")'"
  echo '# Wine keeps the QT_ variables of Linux from its programs and hands them WINEQT_ ones as QT_.'
  echo 'for name in $(env | sed -n "s/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p"); do eval "export WINE$name=\"\$$name\""; done'
  echo "exec $wine \"\$@\""
} > "$out/wine-run"
chmod +x "$out/wine-run"
if [ ! -f "$out/wine/system.reg" ]; then
  echo "windows.sh: making the Wine prefix $out/wine"
  env -u DISPLAY "$out/wine-run" wineboot -i > /dev/null 2>&1
fi

echo "windows.sh: cross-building into $out"
cmake -G Ninja -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DSQLite3_INCLUDE_DIR="$sqlite_prefix/include" -DSQLite3_LIBRARY="$sqlite_prefix/lib/libsqlite3.a" \
  -DVOLMIRA_HOST_BIN="$host/packaging" -DVOLMIRA_BUILD_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$out/wine-run" \
  > "$out/configure.log"
env -u DISPLAY cmake --build "$out" --parallel "$jobs" > "$out/build.log" || { tail -40 "$out/build.log"; exit 1; }

if [ "${VOLMIRA_WINDOWS_TESTS:-1}" != 0 ]; then
  echo "windows.sh: the tests under Wine"
  (cd "$out" && env -u DISPLAY QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$jobs" --timeout 900)
  echo "windows.sh: not run on Windows, with their reasons:"
  sed 's/^/  /' "$out/tests-skipped.txt"
fi

version=$(sed -n 's/^project(Volmira VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
msi=$out/volmira-$version-x64.msi
bash "$root/packaging/windows/make-msi.sh" "$out" "$qt_prefix" "$version" "$msi"
echo "windows.sh: $msi"

bash "$root/tests/windows/compare-outputs.sh" "$host" "$out"
bash "$root/tests/windows/check-msi.sh" "$msi" "$out"
