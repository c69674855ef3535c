#!/usr/bin/env bash
# Builds sunder and splits the bundled sample volume in a scratch directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/ensure-packages.sh" g++ cmake make
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release -DSUNDER_TESTS=OFF >/dev/null
cmake --build "$top/build" --target sunder -j"$(nproc)" >/dev/null
scratch=$(mktemp -d)
cp "$top/samples/sample.v2" "$scratch/"
cd "$scratch"
# A volume recorded long ago: its channel files get its date, not today's.
touch -d '2016-03-15 10:22:33 UTC' sample.v2
echo "== in $scratch: sunder sample.v2"
"$top/build/sunder" sample.v2
echo "== exit status $?; files:"
ls -l --time-style=+'%Y-%m-%d %H:%M:%S %Z' 
echo "== Sunder.log:"
cat Sunder.log
