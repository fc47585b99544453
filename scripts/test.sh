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
source "$root/scripts/display.sh"
export PALLISAR_BUILD="$build"
source "$root/scripts/wine-env.sh"
mkdir -p "$build"

# The Windows tests run in Wine prefixes of their own: the first for the unit and Windows
# tests, one more for each shard of the end-to-end tests (tests/e2e/CMakeLists.txt), so
# that they run side by side. New prefixes (about 15 s each) are made while the trees build.
wine_shards=(0 1 2)
make_prefixes() {
  local shard
  for shard in "${wine_shards[@]}"; do
    (export PALLISAR_WINE_SHARD=$shard; source "$root/scripts/wine-env.sh"; pallisar_wine_prefix) &
  done
  wait
}
make_prefixes >"$build/wineprefix.make.log" 2>&1 &
prefixes_pid=$!

configure() { # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(pallisar_compiler_cache) "$@" \
    >"$build/$dir.configure.log" 2>&1 || { cat "$build/$dir.configure.log"; return 1; }
}
build_tree() { # native, sanitize or win32
  local dir=$1
  case $dir in
    native) configure native -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc ;;
    sanitize) configure sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
      -DPALLISAR_SANITIZE=ON -DPALLISAR_FUZZ=ON -DPALLISAR_TEST_PREFIX=sanitize. ;;
    win32) pallisar_win32_configure "$build/win32" "$build/win32.configure.log" ;;
  esac || { echo "== configuring $dir failed"; return 1; }
  cmake --build "$build/$dir" -j "$jobs" >"$build/$dir.build.log" 2>&1 \
    || { echo "== building $dir failed:"; tail -n 60 "$build/$dir.build.log"; return 1; }
  echo "== built $dir"
}
# The three trees build side by side: each has steps that keep one processor busy
# (configuring, linking, the test programs' discovery), which the others fill.
echo "== building native, sanitize and win32"
build_pids=()
for dir in native sanitize win32; do
  build_tree "$dir" &
  build_pids+=($!)
done
failed=0
for pid in "${build_pids[@]}"; do wait "$pid" || failed=1; done
wait "$prefixes_pid" || true
[ "$failed" = 0 ] || exit 1

# One ctest run over the three trees, so that one summary counts every test.
cat >"$build/CTestTestfile.cmake" <<CTEST
subdirs("native" "sanitize" "win32")
CTEST

# A display for the Windows programs that open windows, and one for each other shard.
pallisar_display
for shard in "${wine_shards[@]:1}"; do
  pallisar_new_display "PALLISAR_WINE_SHARD_DISPLAY_$shard"
done

# Each prefix gets a persistent wineserver started here, which keeps ctest's output
# pipes free of it.
wine_servers() { # wineserver arguments
  local shard
  for shard in "${wine_shards[@]}"; do
    (export PALLISAR_WINE_SHARD=$shard; source "$root/scripts/wine-env.sh"; wineserver "$@")
  done
}
trap 'wine_servers -k 2>/dev/null || true; pallisar_display_stop' EXIT
for shard in "${wine_shards[@]}"; do
  (export PALLISAR_WINE_SHARD=$shard
   source "$root/scripts/wine-env.sh"
   pallisar_wine_prefix  # when it could not be made beside the build, with its log here
   wineserver -p 2>/dev/null || true  # already running is fine
   pallisar_wine_warm_up)
done

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
cd "$build"
# The Windows tests mostly wait on their programs: one lane for each prefix, beside the
# native tests' own.
ctest --output-on-failure --no-tests=error -j "$((jobs + ${#wine_shards[@]}))" "$@"
