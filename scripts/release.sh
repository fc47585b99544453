#!/usr/bin/env bash
# Makes the release a Windows user takes: dist/pallisar-<version>.zip holding the
# stripped pallisar.exe and README.txt (CRLF line ends).
#
#   scripts/release.sh
#
# Installs what is missing (scripts/setup.sh), builds pallisar.exe in build/win32 (the
# tree the tests run), checks it with scripts/check-exe.sh (every Windows from 95 on
# loads it, every processor from the Pentium on runs it, it fits its size, its versions
# agree), strips it and zips it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PALLISAR_BUILD:-$root/build}"
dist="$root/dist"

"$root/scripts/setup.sh"
mkdir -p "$build"
source "$root/scripts/win32-tree.sh"
pallisar_win32_configure "$build/win32" "$build/win32.configure.log"
cmake --build "$build/win32" --target pallisar -j "$(nproc)" >"$build/win32.release-build.log" 2>&1 \
  || { tail -n 60 "$build/win32.release-build.log"; exit 1; }

version=$(sed -n 's/^#define PALLISAR_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/app/version.h")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
"$root/scripts/check-exe.sh" "$build/win32/bin/pallisar.exe" \
  "$build"/win32/src/libpallisar_{portable,win32,runtime}.a
i686-w64-mingw32-strip -o "$stage/pallisar.exe" "$build/win32/bin/pallisar.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/scripts/release-readme.txt" >"$stage/README.txt"

mkdir -p "$dist"
zip_file="$dist/pallisar-$version.zip"
rm -f "$zip_file"
(cd "$stage" && touch -d "@$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)" pallisar.exe README.txt &&
  zip -q -X "$zip_file" pallisar.exe README.txt)
echo "release: $zip_file ($(stat -c %s "$zip_file") bytes; pallisar.exe $(stat -c %s "$stage/pallisar.exe") bytes)"
