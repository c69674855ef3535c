#!/usr/bin/env bash
# Builds sunder and its tests and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/ensure-packages.sh" g++ cmake make googletest libgtest-dev libgmock-dev tzdata
cmake -S "$top" -B "$top/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build-test" -j"$(nproc)"
cd "$top/build-test"
ctest --output-on-failure -j"$(nproc)"
