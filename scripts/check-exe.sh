#!/usr/bin/env bash
# Checks pallisar.exe as it ships, for what Wine cannot show (scripts/check_exe.py says
# what in detail): every Windows it is for loads it and has what it looks up at run
# time, every processor from the Pentium on runs it, it fits its size once stripped,
# and its versions agree. Prints what it found.
#
#   scripts/check-exe.sh build/win32/bin/pallisar.exe [the program's own libraries...]
#
# With the libraries (build/win32/src/*.a) it also checks that the program's own code
# holds nothing newer than the Pentium.
set -euo pipefail
exec python3 "$(dirname "$0")/check_exe.py" "$@"
