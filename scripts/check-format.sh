#!/usr/bin/env bash
# Checks that every C++ source of the project is laid out as .clang-format says.
# Prints the files that differ; fails on any. `scripts/check-format.sh --fix`
# formats them in place instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(find src tests \( -name '*.h' -o -name '*.cpp' \) -type f | sort)
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
differ=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f"
    differ=$((differ + 1))
  fi
done
echo "format: ${#files[@]} files checked, $differ not formatted (scripts/check-format.sh --fix formats them)"
[ "$differ" -eq 0 ]
