#!/usr/bin/env bash
# Starts the launcher under Wine with a demo catalogue on a simulated dual-chip Voodoo5.
#
#   scripts/run.sh [arguments for pallisar.exe, e.g. /MIN]
#
# Installs what is missing (scripts/setup.sh), builds pallisar.exe in build/win32,
# prepares build/demo/ (the program, a demo Game.dat and settings.cfg, kept between runs
# so that your changes stay; PALLISAR_DEMO_RESET=1 writes them afresh), loads the board
# into the project's Wine prefix build/wineprefix, and runs the program inside a Wine
# desktop window of 1024x768 with a task bar and a notification area, where the tray
# icon shows (PALLISAR_DESKTOP=0 runs it as a plain window instead; PALLISAR_WINDOWS=win95
# and the like runs it as that Windows, see below). Without a display
# a virtual one (Xvfb) is started for as long as the program runs; take a screenshot
# of it with: DISPLAY=<shown display> import -window root shot.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PALLISAR_BUILD="${PALLISAR_BUILD:-$root/build}"
build="$PALLISAR_BUILD"
demo="$build/demo"

"$root/scripts/setup.sh"

echo "run: building pallisar.exe in $build/win32" >&2
mkdir -p "$build"
source "$root/scripts/win32-tree.sh"
pallisar_win32_configure "$build/win32" "$build/win32.configure.log"
cmake --build "$build/win32" --target pallisar -j "$(nproc)" >"$build/win32.run-build.log" 2>&1 \
  || { tail -n 60 "$build/win32.run-build.log"; exit 1; }
exe="$build/win32/bin/pallisar.exe"
if [ ! -f "$exe" ]; then
  echo "run: pallisar.exe is not built yet (no src/win32/winmain.cpp?)" >&2
  exit 1
fi

# The demo directory: all of the program's files live next to it.
mkdir -p "$demo"
cp "$exe" "$demo/pallisar.exe"
if [ "${PALLISAR_DEMO_RESET:-0}" = 1 ]; then
  rm -f "$demo/Game.dat" "$demo/settings.cfg" "$demo/pallisar.log" "$demo/pallisar.ico"
fi
source "$root/scripts/demo.sh"
pallisar_demo_files "$demo"

source "$root/scripts/display.sh"
pallisar_display
trap pallisar_display_stop EXIT
if [ -n "$pallisar_xvfb_pid" ]; then
  echo "run: no display found; started a virtual one at DISPLAY=$DISPLAY" >&2
fi

source "$root/scripts/wine-env.sh"
pallisar_wine_prefix
pallisar_wine_warm_up
# PALLISAR_WINDOWS=win95 (win98, winme, nt40, win2k, winxp) has Wine report that
# Windows to pallisar.exe alone, with a board of the matching registry layout.
case "${PALLISAR_WINDOWS:-}" in
  "") "$root/scripts/load-board.sh" voodoo5_dual >&2 ;;
  win95|win98|winme) "$root/scripts/load-board.sh" voodoo3_win98 >&2 ;;
  nt40|win2k|winxp) "$root/scripts/load-board.sh" voodoo5_dual >&2 ;;
  *) echo "run: PALLISAR_WINDOWS is one of win95 win98 winme nt40 win2k winxp" >&2; exit 2 ;;
esac
if [ -n "${PALLISAR_WINDOWS:-}" ]; then
  wine reg add 'HKCU\Software\Wine\AppDefaults\pallisar.exe' /v Version /d "$PALLISAR_WINDOWS" /f \
    >/dev/null 2>&1
fi

echo "run: starting $demo/pallisar.exe $* (log: $demo/pallisar.log)" >&2
cd "$demo"
program="Z:${demo//\//\\}\\pallisar.exe"  # the path as Wine's Z: drive shows it
status=0
if [ "${PALLISAR_DESKTOP:-1}" = 1 ]; then
  # The desktop named "shell" gets Wine's task bar; explorer returns when the program ends.
  wine explorer /desktop=shell,1024x768 "$program" "$@" </dev/null || status=$?
else
  wine "$program" "$@" </dev/null || status=$?
fi
echo "run: pallisar.exe ended" >&2
exit "$status"
