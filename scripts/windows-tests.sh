#!/usr/bin/env bash
# Builds the Windows build (MinGW-w64 cross compiler) in build-win and runs its
# tests under Wine, the real command processor (Wine's cmd.exe) included, and
# compares its splitting with the Linux build's (tests/compare_builds.sh, built
# in build-test as scripts/test.sh builds it). Installs the Debian packages it
# needs. Wine gets a prefix of its own in a temporary directory.
#   scripts/windows-tests.sh [extra ctest arguments]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${SUNDER_WIN_BUILD:-$top/build-win}
native=${SUNDER_NATIVE_BUILD:-$top/build-test}
jobs=${SUNDER_JOBS:-$(nproc)}
started=$(date +%s)

bash "$top/scripts/ensure-packages.sh" g++ cmake make googletest g++-mingw-w64-x86-64 wine wine64

# The Linux build's tool, for the comparison (an existing build is reused as it is).
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$native" --target sunder -j"$jobs" >/dev/null

cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DSUNDER_NATIVE_EXE="$native/sunder" >/dev/null
# A program that does not build shows as a failed test; the rest still run.
build_status=0
cmake --build "$build" -j"$jobs" -- -k >"$build/build.log" 2>&1 || build_status=$?
if [ "$build_status" -ne 0 ]; then
  grep -E 'error|Error' "$build/build.log" | head -40
fi
built=$(date +%s)

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
booted=$(date +%s)

status=0
(cd "$build" && ctest --output-on-failure --timeout 300 -j"$jobs" "$@") || status=$?
done_at=$(date +%s)
echo "Windows suite under Wine: build $((built - started)) s, prefix $((booted - built)) s," \
  "tests $((done_at - booted)) s, in all $((done_at - started)) s; build status $build_status, ctest status $status"
[ "$build_status" -eq 0 ] || exit "$build_status"
exit $status
