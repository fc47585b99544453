#!/usr/bin/env bash
# Installs every tool the build, the tests and the launcher need, from Debian's
# packages, when it is missing. Safe to run again: it only installs what is absent.
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
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
