#!/usr/bin/env bash
# Checks a shortcut file (.lnk) as the launcher writes it, reading the file itself with
# lnkinfo (Debian package liblnk-utils) on the Linux side:
#
#   check_lnk.sh FILE TARGET ARGUMENTS WORKING_DIR ICON_FILE ICON_NUMBER
#
# TARGET (a Windows path) is compared without regard to case (the shell stores it
# without the launcher's quotes); the other fields exactly, ARGUMENTS with its leading
# space. No hot key, no description and show command 0 (the launcher sets none) are
# required too. Prints every field that differs, and lnkinfo's report, and fails then.
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: $0 FILE TARGET ARGUMENTS WORKING_DIR ICON_FILE ICON_NUMBER" >&2; exit 2; }
file=$1
command -v lnkinfo >/dev/null || { echo "check_lnk: lnkinfo is missing (package liblnk-utils)" >&2; exit 1; }
[ -f "$file" ] || { echo "check_lnk: no file $file" >&2; exit 1; }
report=$(lnkinfo "$file")

# A field of the "Link information:" block ("<tab>Name<tabs>: value"), as printed after ": ".
field() {
  awk -v name="$1" '/^Link information:/ { inside = 1; next }
    inside && /^$/ { exit }
    inside && (index($0, "\t" name "\t") == 1 || index($0, "\t" name " ") == 1 || $0 == "\t" name) {
      at = index($0, ": "); if (at) print substr($0, at + 2); exit }' <<<"$report"
}
# This lnkinfo prints 0 for the hot key and the show command whatever the file holds: both
# are read from the fixed header (76 bytes; show command at offset 60, hot key at 64).
header() { od -A n --endian=little -t "u$2" -j "$1" -N "$2" "$file" | tr -d ' '; }

faults=0
expect() { # label, expected, actual[, nocase]
  local want=$2 got=$3
  [ "${4:-}" = nocase ] && { want=${want,,}; got=${got,,}; }
  [ "$want" = "$got" ] && return
  echo "check_lnk: $1: expected [$2], found [$3]" >&2
  faults=$((faults + 1))
}
expect target "$2" "$(field 'Local path')" nocase
expect arguments "$3" "$(field 'Command line arguments')"
expect "working directory" "$4" "$(field 'Working directory')"
expect "icon file" "$5" "$(field 'Icon location')"
expect "icon number" "$6" "$(field 'Icon index')"
expect description "" "$(field 'Description')"
expect "header size" 76 "$(header 0 4)"
expect "show command" 0 "$(header 60 4)"
expect "hot key" 0 "$(header 64 2)"

[ "$faults" -eq 0 ] || { echo "$report" >&2; exit 1; }
echo "check_lnk: $file is as expected"
