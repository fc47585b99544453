#!/usr/bin/env bash
# Takes the README's pictures from pallisar.exe under Wine: the main window with the demo
# games of scripts/run.sh, the game editor's Glide and Direct3D tabs, and the tray icon's
# menu, on a dual-chip Voodoo5 (the NT layout) and on a Voodoo3 with Wine reporting
# Windows 98 to the program (the 95/98 layout).
#
#   scripts/screenshots.sh [directory for the PNGs, docs/screenshots by default]
#
# Installs what is missing (scripts/setup.sh) and builds pallisar.exe and its
# photographer, tests/e2e/readme_shots.cpp, which drives the program with the end-to-end
# harness's hands. Uses the display in $DISPLAY when it answers, else a virtual one
# (Xvfb) of its own; nothing else on that display may cover the program's windows. The
# pictures are cropped to their window and cut to 64 colours, a few tens of KB each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PALLISAR_BUILD="${PALLISAR_BUILD:-$root/build}"
build="$PALLISAR_BUILD"
out="${1:-$root/docs/screenshots}"

"$root/scripts/setup.sh"

echo "screenshots: building pallisar.exe and readme_shots.exe in $build/win32" >&2
mkdir -p "$build" "$out"
source "$root/scripts/win32-tree.sh"
pallisar_win32_configure "$build/win32" "$build/win32.configure.log"
cmake --build "$build/win32" --target pallisar readme_shots -j "$(nproc)" \
  >"$build/win32.shots-build.log" 2>&1 || { tail -n 60 "$build/win32.shots-build.log"; exit 1; }
shooter=$(find "$build/win32/tests/e2e" -name readme_shots.exe | head -n 1)

source "$root/scripts/display.sh"
pallisar_display
shots=$(mktemp -d)
trap 'pallisar_display_stop; rm -rf "$shots"' EXIT
source "$root/scripts/wine-env.sh"
pallisar_wine_prefix
pallisar_wine_warm_up
source "$root/scripts/demo.sh"
# With no window manager on the display, Wine draws the program's frames and captions
# itself only when told so; the setting is the program's alone and goes at the end.
decorations='HKCU\Software\Wine\AppDefaults\pallisar.exe\X11 Driver'
wine reg add "$decorations" /v Decorated /d N /f </dev/null >/dev/null 2>&1
trap 'wine reg delete "$decorations" /f </dev/null >/dev/null 2>&1; pallisar_display_stop; rm -rf "$shots"' EXIT

# board, picture name prefix
take() {
  local demo="$shots/$2demo"
  mkdir -p "$demo"
  cp "$build/win32/bin/pallisar.exe" "$demo/"
  pallisar_demo_files "$demo"
  "$root/scripts/load-board.sh" "$1" >&2
  echo "screenshots: $1" >&2
  if ! wine "$shooter" "Z:${demo//\//\\}\\pallisar.exe" "$shots" "$2" \
      </dev/null >"$shots/$2log" 2>&1; then
    cat "$shots/$2log" >&2
    exit 1
  fi
  local bmp
  for bmp in "$shots/$2"*.bmp; do
    convert "$bmp" +dither -colors 64 -strip "png8:$out/$(basename "${bmp%.bmp}").png"
  done
}
take voodoo5_dual voodoo5-
take voodoo3_win98 voodoo3-
# Leave the prefix with the board that scripts/run.sh loads by default.
"$root/scripts/load-board.sh" voodoo5_dual >/dev/null
ls -l "$out"/*.png >&2
