#!/usr/bin/env bash
# The set-up's decisions, with stand-in package tools on PATH that answer as a
# mirror in the middle of a sync does. No network, nothing installed.
set -uo pipefail
setup=$(cd "$(dirname "$0")/../.." && pwd)/scripts/setup.sh
codename=$( (. /etc/os-release && echo "${VERSION_CODENAME:-}") 2>/dev/null)
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

# Stand-ins: every call is logged; $MISSING packages are not installed; apt-get's
# update and installs fail as $UPDATE and $INSTALLS say ("ok", "sync", "broken"),
# one word per install call.
cat >"$fake/dpkg" <<'STUB'
#!/bin/sh
[ "$1" = --print-foreign-architectures ] && echo i386 && exit 0
echo "dpkg $*" >>"$FAKE_LOG"
STUB
cat >"$fake/dpkg-query" <<'STUB'
#!/bin/sh
for a; do last=$a; done
for p in $MISSING; do [ "$p" = "$last" ] && exit 1; done
printf 'install ok installed'
STUB
cat >"$fake/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_LOG"
if [ "$1" = update ]; then
  [ "$UPDATE" = ok ] && exit 0
  echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/x-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
n=$(grep -c '^apt-get install' "$FAKE_LOG")
set -- $INSTALLS
shift $((n - 1)); answer=${1:-broken}
[ "$answer" = ok ] && exit 0
echo "E: Unable to correct problems, you have held broken packages."
exit 100
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$fake/sudo"
chmod +x "$fake"/*

passes=0 failures=0
check() { # name, condition...
  local name=$1; shift
  if "$@"; then echo "ok   $name"; passes=$((passes + 1)); else echo "FAIL $name"; failures=$((failures + 1)); fi
}
run() { # missing, update, installs
  export MISSING=$1 UPDATE=$2 INSTALLS=$3 FAKE_LOG="$fake/log"
  : >"$FAKE_LOG"
  PATH="$fake:$PATH" bash "$setup" >"$fake/out" 2>&1
  status=$?
  installs=$(grep -c '^apt-get install' "$FAKE_LOG")
}
has() { grep -qF -- "$1" "$2"; }

run "" sync ok
check "nothing missing: no apt-get at all" test "$status" = 0 -a ! -s "$FAKE_LOG"

run "wine32" sync "ok"
check "a list that fails to update is named and the install goes on" \
  test "$status" = 0 -a "$installs" = 1
check "the failed list is named once, with the older lists used" \
  test "$(grep -c 'binary-i386/Packages.xz could not be updated.*using the older lists' "$fake/out")" = 1

run "wine32 libc6" sync "broken ok"
check "an unresolved install is tried once more with the release preferred" \
  test "$status" = 0 -a "$installs" = 2
check "the second try prefers the release's own suite" \
  has "-o APT::Default-Release=$codename" "$FAKE_LOG"
check "the first try does not" \
  test "$(grep -c 'Default-Release' "$FAKE_LOG")" = 1

run "wine32" ok "broken broken"
check "two failed installs stop the set-up" test "$status" != 0 -a "$installs" = 2
check "and say what to do" has "wait a few minutes and run this command again" "$fake/out"
check "with apt's own reason" has "held broken packages" "$fake/out"

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
