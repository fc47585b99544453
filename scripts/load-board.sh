#!/usr/bin/env bash
# Loads a simulated 3dfx board into the project's Wine prefix, replacing the one
# loaded before.
#
#   scripts/load-board.sh <board>    voodoo3_win98, voodoo4_single, voodoo5_dual or
#                                    voodoo5_quad (a file in tests/fixtures/boards)
#   scripts/load-board.sh --clean    removes every board and loads none
#
# The prefix is the one scripts/wine-env.sh names ($PALLISAR_BUILD/wineprefix unless
# WINEPREFIX_PALLISAR says otherwise). The Windows 95/98 board also makes Wine report
# Windows 98 to pallisar.exe (and to no other program); the NT boards undo that.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
boards_dir="$here/../tests/fixtures/boards"

usage() {
  echo "usage: $0 <board> | --clean" >&2
  echo "boards: $(cd "$boards_dir" && ls *.reg | sed 's/\.reg$//' | tr '\n' ' ')" >&2
  exit 2
}

board=""
clean=0
for arg in "$@"; do
  case "$arg" in
    --clean) clean=1 ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) [ -z "$board" ] || usage; board="${arg%.reg}" ;;
  esac
done
[ "$clean" = 1 ] && board=""
[ "$clean" = 1 ] || [ -n "$board" ] || usage
board_file="$boards_dir/$board.reg"
if [ -n "$board" ] && [ ! -f "$board_file" ]; then
  echo "load-board: no such board: $board" >&2
  usage
fi

pallisar_wine_prefix
mkdir -p "$PALLISAR_BUILD"
log="$PALLISAR_BUILD/load-board.log"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One file for regedit: first remove whatever any board put there (in Wine the
# 95/98 and NT keys below are used by no one else; Wine keeps its own devices under
# CurrentControlSet\Enum, which stays), then the board itself.
import="$work/board.reg"
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\Enum\\PCI]\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Enum\\PCI]\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Display]\r\n'
  printf '[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\3dfxvs]\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\pallisar.exe]\r\n'
  if [ "$board" = voodoo3_win98 ]; then
    printf '"Version"="win98"\r\n\r\n'
  else
    printf '"Version"=-\r\n\r\n'
  fi
  if [ -n "$board" ]; then
    tail -n +2 "$board_file" | sed 's/\r*$/\r/'
  fi
} >"$import"

# Wine shows the Linux tree as drive Z:. Its output goes to a file, never a pipe.
windows_path="Z:$(echo "$import" | tr / '\\')"
if ! wine regedit /s "$windows_path" </dev/null >"$log" 2>&1; then
  echo "load-board: regedit failed, see $log" >&2
  exit 1
fi

# Check that the board's driver settings arrived.
if [ -n "$board" ]; then
  glide_key="$(grep -m1 -o '^\[HKEY_LOCAL_MACHINE\\.*\\Glide\]' "$board_file" | tr -d '[]')"
  if ! wine reg query "$glide_key" </dev/null >>"$log" 2>&1; then
    echo "load-board: $glide_key is missing after the import, see $log" >&2
    exit 1
  fi
  echo "load-board: $board loaded into $WINEPREFIX"
else
  echo "load-board: no board in $WINEPREFIX"
fi
