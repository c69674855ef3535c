#!/usr/bin/env bash
# Checks that every C++ file of the repository is formatted as its
# .clang-format says; names the files that are not and fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/ensure-packages.sh" clang-format git
cd "$top"
files=$(git ls-files '*.cpp' '*.h')
if ! echo "$files" | xargs clang-format --dry-run -Werror 2>/tmp/sunder-format.$$; then
  grep -o '^[^:]*\.\(cpp\|h\)' /tmp/sunder-format.$$ | sort -u | sed 's/^/not formatted: /'
  rm -f /tmp/sunder-format.$$
  echo "format: 0 passed, 1 failed"
  exit 1
fi
rm -f /tmp/sunder-format.$$
echo "format: $(echo "$files" | wc -l) files checked"
