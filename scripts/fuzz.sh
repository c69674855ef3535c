#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan + UBSan) and runs each for a
# bounded time from a copy of its seed corpus in a temporary directory.
# Fails on any finding: a crash, a sanitizer report, a harness check, a hang.
#
#   scripts/fuzz.sh [SECONDS_EACH] [HARNESS...]
#
# SECONDS_EACH defaults to 60 (or $FUZZ_SECONDS); the harnesses default to
# layout_fuzz volume_fuzz args_fuzz. The build goes to $FUZZ_BUILD_DIR
# (default build-fuzz in the repository). Findings are kept in
# $FUZZ_BUILD_DIR/findings/<harness>/ for a look, and each can be replayed
# with: $FUZZ_BUILD_DIR/fuzz/<harness> <file>.
#
# Leak checking stays on: the harnesses that run the whole tool bring its
# stops back by unwinding (fuzz/tool_harness.h), so nothing is skipped.
# Their standard error is discarded (-close_fd_mask=2): the command
# processor stand-in writes its complaints there; libFuzzer's and the
# sanitizers' reports still come through.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-60}}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(layout_fuzz volume_fuzz args_fuzz)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
jobs=${FUZZ_BUILD_JOBS:-2}

bash "$top/scripts/ensure-packages.sh" clang libclang-rt-14-dev cmake make
CXX=${CXX:-clang++} cmake -S "$top" -B "$build" -DSUNDER_FUZZ=ON -DSUNDER_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target "${harnesses[@]}"

work=$(mktemp -d "${TMPDIR:-/tmp}/sunder-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
summary=()
for h in "${harnesses[@]}"; do
  corpus_name=${h%_fuzz}
  seeds=$top/fuzz/corpus/$corpus_name
  dir=$work/$h
  mkdir -p "$dir/corpus" "$dir/artifacts"
  [ -d "$seeds" ] && cp -R "$seeds/." "$dir/corpus/"
  echo "== $h: ${seconds}s from $(ls "$dir/corpus" | wc -l) seeds"
  status=0
  # -timeout: one input running 20 s is a hang; the outer timeout is a last guard.
  # The harnesses make their scratch directories under TMPDIR: inside $dir.
  mkdir -p "$dir/tmp"
  TMPDIR=$dir/tmp timeout --signal=KILL $((seconds + 120)) "$build/fuzz/$h" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -close_fd_mask=2 -artifact_prefix="$dir/artifacts/" "$dir/corpus" \
    >"$dir/log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
  cov=$( (grep -o 'cov: [0-9]*' "$dir/log" || true) | tail -1 | cut -d' ' -f2)
  line="$h: ${execs:-?} runs, ${rate:-?}/s, cov ${cov:-?}"
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$dir/artifacts")" ]; then
    failed=1
    line="$line: FINDING (status $status)"
    mkdir -p "$build/findings/$h"
    cp -R "$dir/artifacts/." "$build/findings/$h/" 2>/dev/null || true
    cp "$dir/log" "$build/findings/$h/log"
    grep -v -E '^#[0-9]+ ' "$dir/log" | tail -60
    echo "kept in $build/findings/$h/"
  fi
  echo "$line"
  summary+=("$line")
done

echo "== fuzzing summary"
printf '  %s\n' "${summary[@]}"
exit "$failed"
