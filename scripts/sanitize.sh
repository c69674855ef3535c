#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UBSan and runs it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/ensure-packages.sh" g++ cmake make googletest libgtest-dev libgmock-dev tzdata
cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSUNDER_SANITIZE=ON >/dev/null
cmake --build "$top/build-asan" -j"$(nproc)"
cd "$top/build-asan"
# Any report ends the program that made it with a failure.
export ASAN_OPTIONS=abort_on_error=0:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --output-on-failure -j"$(nproc)"
