#!/usr/bin/env bash
# Times sunder against cp and the reference C splitter on synthetic volumes,
# interleaved, five runs each.
#   bench/run.sh SUNDER_EXE [SIZE ...]      sizes like 10M 100M 1G (default: 10M 100M 1G)
# Volumes are generated once into $BENCH_DIR (default /tmp/sunder-bench) and
# kept there; every run works in a fresh directory that is removed afterwards.
# Reports the median wall time, CPU time (user+system) and peak RSS of each,
# and sunder's wall-time ratio to cp ("ratio") and to the reference C
# splitter ("ratio_c"). The C splitter, a tight one-pass program that does the
# splitter's core job, is built once with cc -O2 into $BENCH_DIR from
# shared/perf/c_split.c beside the repository, or from the file $C_SPLIT
# names; without it the script goes on with a note. With REF=1 dd joins the
# rotation too, with 1 MiB blocks: a plain read/write copier in user space,
# for comparison with cp, which copies inside the kernel where it can.
set -euo pipefail

exe=$(readlink -f "${1:?usage: run.sh SUNDER_EXE [SIZE ...]}")
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10M 100M 1G)
here=$(cd "$(dirname "$0")" && pwd)
dir=${BENCH_DIR:-/tmp/sunder-bench}
runs=${RUNS:-5}
mkdir -p "$dir"

c_src=${C_SPLIT:-$here/../../shared/perf/c_split.c}
c_exe=
if [ -f "$c_src" ]; then
  c_exe="$dir/c_split"
  if [ ! -x "$c_exe" ] || [ "$c_src" -nt "$c_exe" ]; then
    cc -O2 -o "$c_exe" "$c_src" || { echo "note: $c_src does not compile, c_split skipped" >&2; c_exe=; }
  fi
else
  echo "note: no C splitter at $c_src (set C_SPLIT), c_split skipped" >&2
fi

# One timed command; appends "wall cpu maxrss_kb" to the file $1.
timed() {
  local out=$1
  shift
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f "%U %S %M" -o "$out.t" "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  awk -v w=$(((t1 - t0) / 1000000)) '{ printf "%.3f %.3f %s\n", w / 1000, $1 + $2, $3 }' "$out.t" >>"$out"
}

median() {  # median of column $2 of file $1
  sort -g -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

# sunder's median wall time over the tool's: ratio SIZE LABEL TOOL
ratio() {
  awk -v s="$(median "$dir/sunder.$1" 1)" -v c="$(median "$dir/$3.$1" 1)" -v z="$1" -v l="$2" -v t="$3" \
    'BEGIN { if (c > 0) printf "%-6s %-7s %9.2f\n", z, l, s / c; else printf "%-6s %-7s %s too fast to time\n", z, l, t }'
}

printf "%-6s %-7s %9s %9s %11s\n" size tool wall_s cpu_s peak_rss_kb
for size in "${sizes[@]}"; do
  vol="$dir/vol$size.v2"
  [ -f "$vol" ] || python3 "$here/gen_volume.py" "$vol" --size "$size"
  name=$(basename "$vol")
  rm -f "$dir/sunder.$size" "$dir/cp.$size" "$dir/dd.$size" "$dir/c_split.$size"
  for ((i = 1; i <= runs; i++)); do
    work=$(mktemp -d "$dir/run.XXXXXX")
    ln "$vol" "$work/$name" 2>/dev/null || ln -s "$vol" "$work/$name"
    (cd "$work" && timed "$dir/sunder.$size" "$exe" "$name")
    rm -rf "$work"
    work=$(mktemp -d "$dir/run.XXXXXX")
    (cd "$work" && timed "$dir/cp.$size" cp "$vol" copy)
    rm -rf "$work"
    if [ -n "$c_exe" ]; then
      work=$(mktemp -d "$dir/run.XXXXXX")
      ln "$vol" "$work/$name" 2>/dev/null || ln -s "$vol" "$work/$name"
      (cd "$work" && timed "$dir/c_split.$size" "$c_exe" "$name")
      rm -rf "$work"
    fi
    if [ "${REF:-0}" = 1 ]; then
      work=$(mktemp -d "$dir/run.XXXXXX")
      (cd "$work" && timed "$dir/dd.$size" dd if="$vol" of=copy bs=1M)
      rm -rf "$work"
    fi
  done
  tools=(sunder cp)
  [ -n "$c_exe" ] && tools+=(c_split)
  [ "${REF:-0}" = 1 ] && tools+=(dd)
  for tool in "${tools[@]}"; do
    f="$dir/$tool.$size"
    printf "%-6s %-7s %9s %9s %11s\n" "$size" "$tool" "$(median "$f" 1)" "$(median "$f" 2)" \
      "$(median "$f" 3)"
  done
  ratio "$size" ratio cp
  if [ -n "$c_exe" ]; then ratio "$size" ratio_c c_split; fi
done
