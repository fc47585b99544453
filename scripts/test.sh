#!/usr/bin/env bash
# Runs every test: the native unit tests (g++), the same under AddressSanitizer and
# UndefinedBehaviorSanitizer with the fuzz targets (clang), and the Windows tests
# under Wine (i686 MinGW-w64). Installs what is missing first. Ends with ctest's
# own summary; fails when a test fails or none ran.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=$(nproc)

"$root/scripts/setup.sh"

source "$root/scripts/win32-tree.sh"
configure() { # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(pallisar_compiler_cache) "$@" >"$build/$dir.configure.log" 2>&1 \
    || { cat "$build/$dir.configure.log"; exit 1; }
}
mkdir -p "$build"
configure native -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc
configure sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DPALLISAR_SANITIZE=ON -DPALLISAR_FUZZ=ON -DPALLISAR_TEST_PREFIX=sanitize.
pallisar_win32_configure "$build/win32" "$build/win32.configure.log"
for dir in native sanitize win32; do
  echo "== building $dir"
  cmake --build "$build/$dir" -j "$jobs" >"$build/$dir.build.log" 2>&1 \
    || { tail -n 60 "$build/$dir.build.log"; exit 1; }
done

# One ctest run over the three trees, so that one summary counts every test.
cat >"$build/CTestTestfile.cmake" <<CTEST
subdirs("native" "sanitize" "win32")
CTEST

# A display for the Windows programs that open windows.
source "$root/scripts/display.sh"
pallisar_display

# Wine: the prefix is made once; a persistent wineserver started here keeps
# ctest's output pipes free of it.
export PALLISAR_BUILD="$build"
source "$root/scripts/wine-env.sh"
pallisar_wine_prefix
wineserver -p 2>/dev/null || true  # already running is fine
pallisar_wine_warm_up
trap 'wineserver -k 2>/dev/null || true; pallisar_display_stop' EXIT

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
cd "$build"
ctest --output-on-failure --no-tests=error -j "$jobs" "$@"
