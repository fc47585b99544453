#!/usr/bin/env bash
# How often pallisar.exe runs an instruction of the Pentium Pro that the Pentium lacks:
# each run is one illegal-instruction exception that the program's emulation takes on
# a Pentium-class processor. Wine runs under qemu-i386 with a plugin that counts those
# instructions inside pallisar.exe's image (count_plugin.c; the processor qemu shows
# has them, so nothing faults); the program starts on the simulated dual-chip Voodoo5,
# launches the probe game with /RUN, which writes its tweaks and starts it, and ends.
#
#   tests/bench/pentium_pro_count/count.sh [more arguments for pallisar.exe]
#
# Prints each place with its count and the total. Installs qemu-user when missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
export PALLISAR_BUILD="${PALLISAR_BUILD:-$root/build}"
build="$PALLISAR_BUILD"

"$root/scripts/setup.sh"
if ! command -v qemu-i386 >/dev/null; then
  sudo_cmd=(); [ "$(id -u)" = 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq qemu-user >/dev/null
fi
source "$root/scripts/win32-tree.sh"
pallisar_win32_configure "$build/win32" "$build/win32.configure.log"
cmake --build "$build/win32" --target pallisar probe -j "$(nproc)" >"$build/count.build.log" 2>&1 \
  || { tail -n 40 "$build/count.build.log"; exit 1; }
plugin="$build/pentium_pro_count.so"
gcc -shared -fPIC -O2 -o "$plugin" "$here/count_plugin.c"

source "$root/scripts/display.sh"
pallisar_display
source "$root/scripts/wine-env.sh"
pallisar_wine_prefix
pallisar_wine_warm_up
"$root/scripts/load-board.sh" voodoo5_dual >/dev/null

scratch=$(mktemp -d "$build/count.XXXXXX")
trap 'rm -rf "$scratch"; pallisar_display_stop' EXIT
cp "$build/win32/bin/pallisar.exe" "$scratch/"
probe="Z:${build//\//\\}\\win32\\tests\\probe.exe"
printf '[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\n' >"$scratch/settings.cfg"
printf '[Probe]\r\nIconName=%s,0\r\nRun=%s\r\nParams=\r\nGameOnly=0\r\nAA=2 Sample Anti-Aliasing\r\n' \
  "$probe" "$probe" >"$scratch/Game.dat"

read -r low high < <(python3 - "$scratch/pallisar.exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
base, = struct.unpack_from("<I", data, pe + 24 + 28)
size, = struct.unpack_from("<I", data, pe + 24 + 56)
print(hex(base), hex(base + size))
PY
)
counts="$scratch/counts.txt"
(cd "$scratch" && PALLISAR_PROBE_REPORT="$scratch/probe.ini" WINELOADERNOEXEC=1 \
  qemu-i386 -cpu pentium3 -plugin "$plugin,low=$low,high=$high,out=$counts" \
  "$(dirname "$(readlink -f "$(command -v wine)")")/../lib/wine/wine" pallisar.exe /RUN "$probe" "$@" \
  </dev/null >/dev/null 2>&1) || true
grep -q "End=1" "$scratch/probe.ini" 2>/dev/null || echo "count: the probe game did not run" >&2

# A process Wine forks writes what it had counted by then: each place's largest count
# is the program's own.
python3 - "$counts" "$build/win32/bin/pallisar.exe" <<'PY'
import subprocess, sys
counts = {}
for line in open(sys.argv[1]):
    address, count = line.split()
    counts[int(address, 16)] = max(counts.get(int(address, 16), 0), int(count))
listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn", sys.argv[2]],
                         capture_output=True, text=True, check=True).stdout
symbol, where = "", {}
for line in listing.splitlines():
    if line.endswith(">:"):
        symbol = line[line.index("<") + 1:-2]
    elif ":\t" in line:
        address = int(line.split(":")[0], 16)
        if address in counts:
            where[address] = (symbol, line.split("\t")[1].split()[0])
for address in sorted(counts):
    symbol, mnemonic = where.get(address, ("?", "?"))
    print(f"{counts[address]:8d}  {mnemonic:8s} {address:#x}  {symbol}")
print(f"{sum(counts.values()):8d}  in all")
PY
