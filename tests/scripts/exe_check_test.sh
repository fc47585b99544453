#!/usr/bin/env bash
# The exe check fails on each sample of tests/tools/exe_check_sample.cpp for its one
# fault, and for nothing else of the two: each sample is the other's control.
#
#   exe_check_test.sh MULTI_BYTE_NOP_EXE TLS_CMOV_EXE
set -uo pipefail
check="$(dirname "$0")/../../scripts/check_exe.py"
status=0

# exe, the failure it must have, the failure it must not have
expect() {
  local out rc
  out=$(python3 "$check" "$1" 2>&1)
  rc=$?
  [ "$rc" -eq 1 ] || { echo "FAIL: the check exited $rc on $1"; status=1; }
  grep -q -- "  FAIL $2" <<<"$out" || { echo "FAIL: $1: no failure for: $2"; status=1; }
  if grep -q -- "  FAIL $3" <<<"$out"; then echo "FAIL: $1: a failure for: $3"; status=1; fi
  grep -- "  FAIL '" <<<"$out"
}

expect "$1" "'nop (0f 1f 44 00 00)', which no Pentium has, in _main" \
  "'.*runs before the emulation"
expect "$2" "'cmove' at 0x[0-9a-f]* (_SampleSelect) runs before the emulation's handler is in place: reached from the TLS callback _SampleTlsCallback@12" \
  "\\('nop\\|'cmove' at .* (_main)\\)"
[ "$status" -eq 0 ] && echo "exe check samples: both refused for their fault only"
exit "$status"
