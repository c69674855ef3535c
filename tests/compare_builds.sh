#!/usr/bin/env bash
# The Linux build and the Windows build split alike: the same volumes, run by
# each build in a directory of its own, give the same exit status, the same
# files, byte-identical channel files with the same dates, the same Sunder.log
# apart from its run-time line, and the same console lines.
#   tests/compare_builds.sh NATIVE_SUNDER WINDOWS_SUNDER_EXE [SAMPLE_DIR]
# The Windows build runs under wine (WINEPREFIX and WINEDEBUG as the caller
# set them). Exit status 0 when every case agrees.
set -euo pipefail

absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
native=$(absolute "$1")
windows=$(absolute "$2")
top=$(cd "$(dirname "$0")/.." && pwd)
samples=${3:-$top/samples}
wine=${SUNDER_WINE:-wine}

work=$(mktemp -d "${TMPDIR:-/tmp}/sunder-compare.XXXXXX")
[ -n "${SUNDER_COMPARE_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT INT TERM

# ---- volumes -------------------------------------------------------------

# record STAGE STATION [BODY_LINES [CHN2]]: one record, CR LF line ends.
record() {
  awk -v stage="$1" -v sta="$2" -v n="${3:-3}" -v chn="${4:-1}" 'BEGIN {
    split("Raw acceleration data|Uncorrected acceleration data|Corrected acceleration data|Response spectra data", words, "|")
    split("8 7 8 9", at, " ")
    for (i = 1; i <= 10; i++) line[i] = "Header line " i
    line[1] = words[stage + 1]
    line[at[stage + 1]] = sprintf("Chan %2d station-channel    %3d", chn % 100, sta)
    for (i = 1; i <= 10; i++) printf "%-80s\r\n", line[i]
    for (k = 0; k < n; k++) {
      s = ""
      for (j = 0; j < 8; j++) s = s sprintf("%10.4f", (k * 8 + j) * 0.125 - 50.0 + sta)
      printf "%s\r\n", s
    }
    printf "/&\r\n"
  }'
}

# A case: a directory of input files and the arguments of the run.
# case_dir NAME: makes the case's input directory and prints its path.
case_dir() {
  mkdir -p "$work/$1/in"
  echo "$work/$1/in"
}

d=$(case_dir sample)
cp "$samples/sample.v2" "$d/"
echo "sample.v2" >"$work/sample/args"

d=$(case_dir stages)
{ record 2 33; record 1 7 5; record 0 118 2; record 3 9 4; } >"$d/mixed.v1"
echo "mixed.v1" >"$work/stages/args"

d=$(case_dir listed)
{ record 2 33; record 2 40; record 2 45 20; record 2 50; } >"$d/vol.v2"
echo "vol.v2 chan045 chan033 chan050" >"$work/listed/args"

# Several volumes through the command processor's listing, one of them empty.
d=$(case_dir wildcard)
{ record 2 33; record 2 34; } >"$d/a.v2"
: >"$d/b.v2"
record 2 40 >"$d/c.v2"
{ record 3 41; record 3 42; record 3 43; } >"$d/d.v2"
record 1 50 >"$d/e.v1"
echo "*.v2" >"$work/wildcard/args"

# Long lines are cut with a warning; a channel file already there stops the run.
d=$(case_dir long_lines)
{ record 2 33 2 | awk '{ if (NR == 3) { sub(/\r$/, ""); printf "%s%0200d\r\n", $0, 7 } else print }'; record 2 34; } >"$d/long.v2"
echo "long.v2" >"$work/long_lines/args"

d=$(case_dir existing)
{ record 2 33; record 2 34; } >"$d/vol.v2"
printf 'keep me\r\n' >"$d/chan034.v2"
echo "vol.v2" >"$work/existing/args"

# Error stops: a station number that is not a number, a missing flag.
d=$(case_dir bad_station)
{ record 2 33; record 2 34 | sed '8s/ 34/x34/'; } >"$d/quake.v2"
echo "quake.v2" >"$work/bad_station/args"

d=$(case_dir no_flag)
{ record 2 33; record 2 34 | sed '$d'; } >"$d/quake.v2"
echo "quake.v2" >"$work/no_flag/args"

# Line ends of LF alone read as well as CR LF.
d=$(case_dir lf_only)
{ record 2 33; record 0 7; } | tr -d '\r' >"$d/unix.v0"
echo "unix.v0" >"$work/lf_only/args"

d=$(case_dir usage)
echo "" >"$work/usage/args"

# ---- runs and comparison ---------------------------------------------------

# Every input was written long ago: channel files are dated like their volume.
input_time=$(date -d '2016-03-15 10:22:33 UTC' +%s)
find "$work" -type f -path '*/in/*' -exec touch -d "@$input_time" {} +

# listing DIR: name and size of every file, sorted, and whether it carries
# the inputs' date (channel files do, once their record is complete) or not.
listing() {
  (cd "$1" && find . -type f -printf '%P %s %T@\n' | LC_ALL=C sort |
    awk -v old="$input_time" '{ print $1, $2, ($3 == old ? "dated" : "new") }')
}

# without_run_time LOG: the log without its run-time line.
without_run_time() {
  grep -v '^ *Run: [0-9][0-9]/[0-9][0-9]/[0-9][0-9], [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' "$1" || true
}

failures=0
cases=0
for c in "$work"/*/; do
  c=${c%/}
  name=$(basename "$c")
  [ -f "$c/args" ] || continue
  cases=$((cases + 1))
  args=$(cat "$c/args")
  cp -a "$c/in" "$c/linux"
  cp -a "$c/in" "$c/windows"
  # shellcheck disable=SC2086  # the arguments are words, patterns unexpanded
  set -f
  linux_status=0
  (cd "$c/linux" && "$native" $args </dev/null >"$c/linux.out" 2>&1) || linux_status=$?
  windows_status=0
  (cd "$c/windows" && "$wine" "$windows" $args </dev/null >"$c/windows.out" 2>&1) || windows_status=$?
  set +f
  problems=""
  [ "$linux_status" -eq "$windows_status" ] ||
    problems="$problems
  exit status: Linux $linux_status, Windows $windows_status"
  listing "$c/linux" >"$c/linux.files"
  listing "$c/windows" >"$c/windows.files"
  if ! diff "$c/linux.files" "$c/windows.files" >"$c/files.diff"; then
    problems="$problems
  files (name size time) differ:
$(cat "$c/files.diff")"
  fi
  for f in $(cd "$c/linux" && find . -type f -printf '%P\n' | LC_ALL=C sort); do
    [ -f "$c/windows/$f" ] || continue
    if [ "$f" = Sunder.log ]; then
      # The run-time line ("Run: mm/dd/yy, hh:mm:ss") is the one line that may differ.
      without_run_time "$c/linux/$f" >"$c/linux.log"
      without_run_time "$c/windows/$f" >"$c/windows.log"
      if [ -s "$c/linux/$f" ] && [ "$(wc -l <"$c/linux/$f")" -ne "$(( $(wc -l <"$c/linux.log") + 1 ))" ]; then
        problems="$problems
  Sunder.log: not exactly one run-time line"
      fi
      cmp -s "$c/linux.log" "$c/windows.log" || problems="$problems
  Sunder.log differs beyond the run-time line:
$(diff "$c/linux.log" "$c/windows.log" | head -20)"
    elif ! cmp -s "$c/linux/$f" "$c/windows/$f"; then
      problems="$problems
  $f differs: $(cmp "$c/linux/$f" "$c/windows/$f" 2>&1 | head -1)"
    fi
  done
  # The console too, its line ends aside (CR LF on Windows).
  tr -d '\r' <"$c/linux.out" | without_run_time - >"$c/linux.con"
  tr -d '\r' <"$c/windows.out" | without_run_time - >"$c/windows.con"
  cmp -s "$c/linux.con" "$c/windows.con" || problems="$problems
  console differs beyond line ends and the run-time line:
$(diff "$c/linux.con" "$c/windows.con" | head -20)"
  if [ -n "$problems" ]; then
    failures=$((failures + 1))
    echo "FAIL $name: sunder $args$problems"
    echo "  Linux console:"; sed 's/^/    /' "$c/linux.out" | head -20
    echo "  Windows console:"; sed 's/^/    /' "$c/windows.out" | head -20
  else
    echo "ok   $name: sunder $args (status $linux_status, $(wc -l <"$c/linux.files") files)"
  fi
done
echo "$cases cases, $failures differ"
[ "$failures" -eq 0 ] && [ "$cases" -gt 0 ]
