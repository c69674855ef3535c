#!/usr/bin/env bash
# Builds sunder for release (no tests) in build-package, installs it into a
# temporary prefix, renders its manual page and builds its Debian package,
# checking what each holds. Installs the Debian packages it needs.
#   scripts/package-test.sh
# SUNDER_JOBS sets the build's parallel jobs (default: the number of cores).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-package
jobs=${SUNDER_JOBS:-$(nproc)}

bash "$top/scripts/ensure-packages.sh" g++ cmake make dpkg-dev man-db groff-base file gzip

work=$(mktemp -d "${TMPDIR:-/tmp}/sunder-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSUNDER_TESTS=OFF >/dev/null
cmake --build "$build" --target sunder -j"$jobs" >/dev/null

passed=0
failed=0
# check WHAT COMMAND...: runs the command, counts and prints the outcome.
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok    $what"
  else
    failed=$((failed + 1))
    echo "FAIL  $what"
  fi
}

# has_lines FILE LINE...: every LINE is a whole line of FILE; names the ones missing.
has_lines() {
  local file=$1 line missing=0
  shift
  for line in "$@"; do
    grep -qxF -- "$line" "$file" || { echo "  missing: $line"; missing=1; }
  done
  return "$missing"
}

# ---- install ---------------------------------------------------------------

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sort) >"$work/installed"
check "install puts bin/sunder, the manual page and the README" \
  has_lines "$work/installed" ./bin/sunder ./share/man/man1/sunder.1 ./share/doc/sunder/README.md

# The installed tool runs from its new place (in a scratch folder: a run
# leaves its log there).
installed_runs() {
  mkdir "$work/run"
  (cd "$work/run" && "$prefix/bin/sunder" 'where?') >"$work/where" 2>&1 || return 1
  grep -qF "Executable location:  $prefix/bin/sunder" "$work/where" || { cat "$work/where"; return 1; }
}
check "the installed sunder runs and reports its place" installed_runs

# ---- manual page -----------------------------------------------------------

# Rendered by man itself from the file: no warning, and every section there.
renders() {
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" >"$work/man.txt" 2>"$work/man.err" || return 1
  [ ! -s "$work/man.err" ] || { cat "$work/man.err"; return 1; }
  has_lines "$work/man.txt" NAME SYNOPSIS DESCRIPTION OPTIONS "CHANNEL ARGUMENTS" FILES \
    "EXIT STATUS" EXAMPLES
}
check "sunder.1 renders without warnings, with all its sections" renders "$top/sunder.1"

documents_options() {
  local word missing=0
  for word in --help -h --version --list --folders 'where?' 'ktest=n' chanNNN.vS Sunder.log \
    SplitWas.bad _error.msg /etc/TimeZone.PC; do
    grep -qF -- "$word" "$work/man.txt" || { echo "  not in the manual page: $word"; missing=1; }
  done
  return "$missing"
}
check "the manual page names every option and file" documents_options

# ---- Debian package --------------------------------------------------------

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/deb/sunder_2.5.0_*.deb)
one_package() {
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { ls "$work/deb"; return 1; }
}
check "cpack -G DEB makes one package sunder_2.5.0_*.deb" one_package
deb=${debs[0]}
echo "== dpkg-deb -c $(basename "$deb")"
dpkg-deb -c "$deb" | tee "$work/contents"
echo "== dpkg-deb -I $(basename "$deb")"
dpkg-deb -I "$deb" | tee "$work/info"

awk '{ print $6 }' "$work/contents" >"$work/paths"
check "the package installs usr/bin/sunder, the gzipped manual page and the README" \
  has_lines "$work/paths" ./usr/bin/sunder ./usr/share/man/man1/sunder.1.gz \
  ./usr/share/doc/sunder/README.md

# Its fields; Depends filled in by dpkg-shlibdeps.
fields() {
  has_lines "$work/info" " Package: sunder" " Version: 2.5.0" " Section: science" || return 1
  grep -qE '^ Depends: .*libc6 \(>= ' "$work/info" || { echo "  no Depends on libc6"; return 1; }
  grep -qE '^ Maintainer: .+<.+@.+>$' "$work/info" || { echo "  no Maintainer"; return 1; }
}
check "the package's fields: name, version, maintainer, Depends from the binary" fields

# What it unpacks: a stripped program, and the manual page as gzip holding
# sunder.1 byte for byte, which man renders as it is.
unpacked() {
  local root=$work/unpacked
  dpkg-deb -x "$deb" "$root"
  file -b "$root/usr/bin/sunder" | grep -q 'ELF .*executable.*, stripped' || {
    file "$root/usr/bin/sunder"
    return 1
  }
  file -b "$root/usr/share/man/man1/sunder.1.gz" | grep -q '^gzip compressed data, max compression' || return 1
  zcat "$root/usr/share/man/man1/sunder.1.gz" | cmp - "$top/sunder.1" || return 1
  renders "$root/usr/share/man/man1/sunder.1.gz"
}
check "the unpacked program is stripped, the manual page gzipped and whole" unpacked

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
