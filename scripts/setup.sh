#!/usr/bin/env bash
# Installs every tool the build, the tests and the launcher need, from Debian's
# packages, when it is missing. Safe to run again: it only installs what is absent.
#
# A package mirror in the middle of a sync is an everyday event: one list (often the
# i386 security list) fails to update. The set-up then goes on with the older lists,
# and when the install cannot pair the versions of the two architectures it tries
# once more with the release's own suite preferred, which pairs them again.
set -euo pipefail

packages=(cmake g++ clang clang-format libclang-rt-14-dev googletest make
          g++-mingw-w64-i686 mingw-w64-i686-dev
          wine wine32 fonts-wine xvfb xauth x11-utils imagemagick xdotool
          liblnk-utils python3 zip)

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "$need_i386" = 0 ] && [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" = 0 ] || sudo_cmd=(sudo)
if [ "$need_i386" = 1 ]; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]:-i386 architecture}" >&2

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A list that fails to update leaves apt with the one it had (or none): say which.
if ! "${sudo_cmd[@]}" apt-get update -qq >"$log" 2>&1; then
  failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log")
  if [ -n "$failed" ]; then
    while read -r list; do
      echo "setup: the package list $list could not be updated (mirror sync in progress?); using the older lists" >&2
    done <<<"$failed"
  else
    echo "setup: apt-get update failed; using the older lists:" >&2
    sed 's/^/  /' "$log" >&2
  fi
fi

install() { # extra apt-get options...
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "$@" "${missing[@]}" >"$log" 2>&1
}
[ ${#missing[@]} -eq 0 ] && exit 0
install && exit 0

# Lists of different ages can pair a newer native package with an older i386 one
# ("held broken packages"): the release's own suite preferred pairs them again.
codename=$( (. /etc/os-release && echo "${VERSION_CODENAME:-}") 2>/dev/null || true)
if [ -n "$codename" ]; then
  echo "setup: the install could not be resolved; trying again with the $codename release preferred" >&2
  install -o "APT::Default-Release=$codename" && exit 0
fi

sed 's/^/  /' "$log" >&2
cat >&2 <<EOF
setup: could not install ${missing[*]}.
  If apt speaks of a mirror sync or of held broken packages, the package mirror is
  being updated: wait a few minutes and run this command again. Otherwise run
  'apt-get update' and 'apt-get install ${missing[*]}' as root to see what apt needs.
EOF
exit 1
