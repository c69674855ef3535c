#!/usr/bin/env bash
# Times sunder against cp on synthetic volumes, interleaved, five runs each.
#   bench/run.sh SUNDER_EXE [SIZE ...]      sizes like 10M 100M 1G (default: 10M 100M 1G)
# Volumes are generated once into $BENCH_DIR (default /tmp/sunder-bench) and
# kept there; every run works in a fresh directory that is removed afterwards.
# Reports the median wall time, CPU time (user+system) and peak RSS of each,
# and sunder's wall-time ratio to cp. With REF=1 a third command joins the
# rotation, dd with 1 MiB blocks: a plain read/write copier in user space, for
# comparison with cp, which copies inside the kernel where it can.
set -euo pipefail

exe=$(readlink -f "${1:?usage: run.sh SUNDER_EXE [SIZE ...]}")
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10M 100M 1G)
here=$(cd "$(dirname "$0")" && pwd)
dir=${BENCH_DIR:-/tmp/sunder-bench}
runs=${RUNS:-5}
mkdir -p "$dir"

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

printf "%-6s %-7s %9s %9s %11s\n" size tool wall_s cpu_s peak_rss_kb
for size in "${sizes[@]}"; do
  vol="$dir/vol$size.v2"
  [ -f "$vol" ] || python3 "$here/gen_volume.py" "$vol" --size "$size"
  name=$(basename "$vol")
  rm -f "$dir/sunder.$size" "$dir/cp.$size" "$dir/dd.$size"
  for ((i = 1; i <= runs; i++)); do
    work=$(mktemp -d "$dir/run.XXXXXX")
    ln "$vol" "$work/$name" 2>/dev/null || ln -s "$vol" "$work/$name"
    (cd "$work" && timed "$dir/sunder.$size" "$exe" "$name")
    rm -rf "$work"
    work=$(mktemp -d "$dir/run.XXXXXX")
    (cd "$work" && timed "$dir/cp.$size" cp "$vol" copy)
    rm -rf "$work"
    if [ "${REF:-0}" = 1 ]; then
      work=$(mktemp -d "$dir/run.XXXXXX")
      (cd "$work" && timed "$dir/dd.$size" dd if="$vol" of=copy bs=1M)
      rm -rf "$work"
    fi
  done
  tools=(sunder cp)
  [ "${REF:-0}" = 1 ] && tools+=(dd)
  for tool in "${tools[@]}"; do
    f="$dir/$tool.$size"
    printf "%-6s %-7s %9s %9s %11s\n" "$size" "$tool" "$(median "$f" 1)" "$(median "$f" 2)" \
      "$(median "$f" 3)"
  done
  awk -v s="$(median "$dir/sunder.$size" 1)" -v c="$(median "$dir/cp.$size" 1)" -v z="$size" \
    'BEGIN { if (c > 0) printf "%-6s ratio   %9.2f\n", z, s / c; else printf "%-6s ratio   cp too fast to time\n", z }'
done
