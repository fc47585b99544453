#!/usr/bin/env bash
# Checks a shortcut file (.lnk) as the launcher writes it, reading the file itself
# with lnkinfo (Debian package liblnk-utils) on the Linux side:
#
#   check_lnk.sh FILE TARGET ARGUMENTS WORKING_DIR ICON_FILE ICON_NUMBER
#
# TARGET is the program the shortcut starts, as a Windows path, compared without
# regard to case (the shell stores it without the quotes the launcher gives it); the
# other fields must match exactly, ARGUMENTS with its leading space. The shortcut must
# also have no hot key, no description and the show command 0 (the launcher never
# sets one). Prints every field
# that differs, and lnkinfo's report, and fails then.
set -euo pipefail

if [ $# -ne 6 ]; then
  echo "usage: $0 FILE TARGET ARGUMENTS WORKING_DIR ICON_FILE ICON_NUMBER" >&2
  exit 2
fi
file=$1
command -v lnkinfo >/dev/null || { echo "check_lnk: lnkinfo is missing (package liblnk-utils)" >&2; exit 1; }
[ -f "$file" ] || { echo "check_lnk: no file $file" >&2; exit 1; }

report=$(lnkinfo "$file")

# The value of a field of the "Link information:" block ("<tab>Name<tabs>: value"),
# exactly as printed after ": ".
field() {
  awk -v name="$1" '
    /^Link information:/ { inside = 1; next }
    inside && /^$/ { exit }
    inside {
      line = $0
      sub(/^\t/, "", line)
      if (index(line, name "\t") == 1 || index(line, name " ") == 1 || line == name) {
        at = index(line, ": ")
        if (at) print substr(line, at + 2)
        exit
      }
    }' <<<"$report"
}

faults=0
expect() { # label, expected, actual[, nocase]
  local want=$2 got=$3
  if [ "${4:-}" = nocase ]; then want=${want,,}; got=${got,,}; fi
  if [ "$want" != "$got" ]; then
    echo "check_lnk: $1: expected [$2], found [$3]" >&2
    faults=$((faults + 1))
  fi
}

expect target "$2" "$(field 'Local path')" nocase
expect arguments "$3" "$(field 'Command line arguments')"
expect "working directory" "$4" "$(field 'Working directory')"
expect "icon file" "$5" "$(field 'Icon location')"
expect "icon number" "$6" "$(field 'Icon index')"
expect description "" "$(field 'Description')"
# This lnkinfo prints 0 for the hot key and the show command whatever the file holds:
# both are read from the file's fixed header (76 bytes; the show command at offset 60,
# the hot key at 64, little-endian).
header() { od -A n --endian=little -t "u$2" -j "$1" -N "$2" "$file" | tr -d ' '; }
expect "header size" 76 "$(header 0 4)"
expect "show command" 0 "$(header 60 4)"
expect "hot key" 0 "$(header 64 2)"

if [ "$faults" -ne 0 ]; then
  echo "$report" >&2
  exit 1
fi
echo "check_lnk: $file is as expected"
