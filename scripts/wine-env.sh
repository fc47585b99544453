# Sourced by the scripts that run Windows programs: one Wine prefix inside the
# build tree (never the user's own), quiet, with no Mono or Gecko download prompts.
: "${PALLISAR_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="${WINEPREFIX_PALLISAR:-$PALLISAR_BUILD/wineprefix}"
# A shard of the Windows tests (PALLISAR_WINE_SHARD=N, set by ctest on the tests that run
# beside the others) has a prefix and, when scripts/test.sh gave it one, a display of its
# own: its windows, registry, processes and keyboard are nobody else's.
if [ "${PALLISAR_WINE_SHARD:-0}" != 0 ]; then
  WINEPREFIX="$WINEPREFIX.$PALLISAR_WINE_SHARD"
  pallisar_shard_display="PALLISAR_WINE_SHARD_DISPLAY_$PALLISAR_WINE_SHARD"
  [ -n "${!pallisar_shard_display:-}" ] && export DISPLAY="${!pallisar_shard_display}"
fi
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates the prefix once (about 15 s); later calls return at once.
pallisar_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
    wineserver -w
  fi
  pallisar_wine_fonts
}

# Wine's own fonts (package fonts-wine) in the prefix's C:\windows\Fonts. Debian's
# Wine 8 looks for them in "Z:\usr\share\wine\../fonts", a path its file lookup
# cannot follow, so it never finds them there, and wineboot does not copy them into
# a prefix either: without Marlett every window's caption buttons come out as the
# letters "0 1 r". Copied into new and existing prefixes alike; a font already
# there is kept.
pallisar_wine_fonts() {
  local from=/usr/share/wine/fonts to="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$to/marlett.ttf" ] && return 0
  [ -d "$from" ] || return 0
  mkdir -p "$to"
  cp -n "$from"/* "$to"/ 2>/dev/null || true
}

# Starts Wine's background services with no pipe attached. A test runner that reads
# a Wine program's output through a pipe would otherwise wait for those services,
# which inherit the pipe and outlive the program.
pallisar_wine_warm_up() {
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
