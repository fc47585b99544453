#!/usr/bin/env bash
# Checks pallisar.exe as it ships: every system it is for can load it (its imports
# against what Windows 95 OSR2, 98, 98 SE, ME, NT 4.0, 2000 and XP export by name, and
# its header's version fields), it fits the size kept for floppies and CD-Rs once
# stripped, and its version resource, its About text and the version in the sources
# agree. Prints what it found.
#
#   scripts/check-exe.sh build/win32/bin/pallisar.exe
#
# The import data and its checker live beside the project (../shared/winfloor);
# PALLISAR_WINFLOOR names another copy of check-imports.py.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$1
max_bytes=1000000
floors=95OSR2,98,98SE,ME,NT4,2000,XP

checker=${PALLISAR_WINFLOOR:-}
if [ -z "$checker" ]; then
  for candidate in "$root/../shared/winfloor/check-imports.py" /work/shared/winfloor/check-imports.py; do
    [ -f "$candidate" ] && { checker=$candidate; break; }
  done
fi
if [ -z "$checker" ] || [ ! -f "$checker" ]; then
  echo "check-exe: check-imports.py not found (../shared/winfloor beside the project, or set PALLISAR_WINFLOOR)" >&2
  exit 1
fi

failed=0
report=$(python3 "$checker" "$exe" --floor "$floors") || failed=1
if [ "$failed" = 1 ] || grep -qE '^ *(MISSING|HEADER)' <<<"$report"; then
  echo "$report"
  echo "check-exe: $exe would not load on every system it is for" >&2
  exit 1
fi
echo "imports: no system of $floors lacks one; $(grep -c '^ *UNVERIFIED' <<<"$report" || true) unverified lines"

stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
i686-w64-mingw32-strip -o "$stripped" "$exe"
size=$(stat -c %s "$stripped")
echo "size: $size bytes stripped (at most $max_bytes)"
if [ "$size" -gt "$max_bytes" ]; then
  echo "check-exe: the stripped program is larger than $max_bytes bytes" >&2
  exit 1
fi

source_version=$(sed -n 's/^#define PALLISAR_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/app/version.h")
resource_version=$(strings -el "$exe" | grep -A1 -x FileVersion | tail -n 1)
about_line=$(strings -a "$exe" | grep -x "Version $source_version" | head -n 1 || true)
if [ -z "$source_version" ] || [ "$resource_version" != "$source_version" ] ||
   [ "$about_line" != "Version $source_version" ]; then
  echo "check-exe: versions disagree: sources '$source_version', resource '$resource_version', About '$about_line'" >&2
  exit 1
fi
echo "version: $source_version"
