#!/bin/sh
# Builds the Windows build (MinGW-w64 cross compiler) in build-win and runs its
# tests under Wine. Needs the Debian packages g++-mingw-w64-x86-64, wine64 and
# googletest. Wine gets a prefix of its own in a temporary directory.
#   scripts/windows-tests.sh [extra ctest arguments]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${SUNDER_WIN_BUILD:-$root/build-win}
jobs=${SUNDER_JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$jobs"

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sunder-wine.XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
# No desktop integration, no Mono/Gecko installers: a console-only prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT INT TERM

# The first start builds the prefix and takes several seconds; do it here,
# not inside the first test's time limit. Keep one server running for the suite.
wineboot -i >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true

start=$(date +%s)
status=0
(cd "$build" && ctest --output-on-failure "$@") || status=$?
echo "Windows suite under Wine: $(( $(date +%s) - start )) s, ctest status $status"
exit $status
