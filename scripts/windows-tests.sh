#!/bin/sh
# Builds the Windows build (MinGW-w64 cross compiler) in build-win and runs its
# tests under Wine. Needs the Debian packages g++-mingw-w64-x86-64, wine64 and
# googletest. Wine gets a prefix of its own in a temporary directory.
#   scripts/windows-tests.sh [extra ctest arguments]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${SUNDER_WIN_BUILD:-$root/build-win}
jobs=${SUNDER_JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
# A program that does not build shows as a failed test; the rest still run.
build_status=0
cmake --build "$build" -j"$jobs" -- -k || build_status=$?

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

# One persistent server for the whole suite, and the prefix built (first
# start: several seconds) before any test runs. Both start with their
# standard handles on /dev/null: Wine's background services live on after
# the program that woke them and would hold a test's output pipe open, so
# CTest would wait for them at the end of each test.
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1 || true

start=$(date +%s)
status=0
(cd "$build" && ctest --output-on-failure --timeout 300 "$@") || status=$?
echo "Windows suite under Wine: $(( $(date +%s) - start )) s, build status $build_status, ctest status $status"
[ "$build_status" -eq 0 ] || exit "$build_status"
exit $status
