#!/usr/bin/env python3
"""Checks pallisar.exe as it ships, for what Wine cannot show.

    check_exe.py EXE [ARCHIVE...]

- Every Windows it is for loads it: each import is exported by name by Windows 95
  OSR2, 98, 98 SE, ME, NT 4.0, 2000 and XP (scripts/windows-exports.tsv), no import is
  a wide-character function that 95, 98 and ME export only as a failing stub, and the
  header asks for no newer system than 4.0.
- Every function the program or its run-time looks up by name at run time and some of
  those systems lack is one the program knows, with a fallback (KNOWN_LOOKUPS).
- Every processor from the Pentium on runs it: the program's own objects (the
  ARCHIVEs) hold only instructions of the Pentium and its x87 (a NOP only in its
  one-byte form: the multi-byte 0F 1F came with the Pentium Pro); the exe holds
  besides those only the Pentium Pro instructions the program emulates, in forms the
  emulation takes.
- The code that runs before the emulation's handler is in place holds none of those:
  the TLS callbacks (run before the entry point, and on NT for every thread the
  system starts), the thread-exit destructors they call, the dynamic TLS
  initialisers, and the run-time's unhandled-exception filter, with everything they
  reach through direct calls and jumps and the code addresses they take.
- It fits its size once stripped, and its version resource, its About text and the
  version in the sources agree.

Prints what it found; exits 1 when anything fails. Python's standard library and
binutils-mingw-w64 (objdump, nm, strip) only.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXPORTS = os.path.join(ROOT, "scripts", "windows-exports.tsv")
VERSION_H = os.path.join(ROOT, "src", "app", "version.h")
OBJDUMP = "i686-w64-mingw32-objdump"
STRIP = "i686-w64-mingw32-strip"
NM = "i686-w64-mingw32-nm"
MAX_BYTES = 1_000_000

WIN9X_ORDER = ["95", "95OSR2", "98", "98SE", "ME"]
NT_ORDER = ["NT3.1", "NT3.5", "NT3.51", "NT4", "NT4SP4", "2000", "2000SP4", "XP", "XPSP1",
            "XPSP2", "XPSP3", "2003", "2003SP1", "2003SP2", "Vista", "7", "8", "8.1", "10", "11"]
FLOORS = [("Windows 95 OSR2", "9x", "95OSR2"), ("Windows 98", "9x", "98"),
          ("Windows 98 SE", "9x", "98SE"), ("Windows ME", "9x", "ME"),
          ("Windows NT 4.0", "nt", "NT4"), ("Windows 2000", "nt", "2000"),
          ("Windows XP", "nt", "XP")]

# Functions named in the exe for a run-time lookup that some of those systems lack,
# with where the program asks for them and what it does without them.
KNOWN_LOOKUPS = {
    "MsgWaitForMultipleObjectsEx":
        "win32/system_features.cpp (a launch's wait for its game): without it (Windows 95) "
        "the queue is looked at first, then MsgWaitForMultipleObjects waits",
    **{name: "win32/process_follower.cpp (a launch following its game's programs): without "
             "the job functions (95, 98, ME, NT 4.0) the process snapshots are used"
       for name in ("CreateJobObjectA", "AssignProcessToJobObject", "QueryInformationJobObject")},
    **{name: "win32/process_follower.cpp (a launch following its game's programs): without "
             "the snapshot functions (NT 4.0) the NT process list of ntdll is used, and "
             "without that the wait is for the started process alone"
       for name in ("CreateToolhelp32Snapshot", "Process32First", "Process32Next")},
}

# Instructions of the 386, 486 and Pentium and of their x87, as objdump names them in
# Intel syntax. UD2 came with the Pentium Pro, but it is there to fault, and faults on
# the Pentium as well; PAUSE is REP NOP, which the older processors take as a NOP.
PENTIUM = set("""
aaa aad aam aas adc add and bound bsf bsr bswap bt btc btr bts call cbw cdq clc cld cli
cmc cmp cmps cmpxchg cmpxchg8b cpuid cwd cwde daa das dec div enter hlt idiv imul inc int
int3 into iret ja jae jb jbe jc jcxz je jecxz jg jge jl jle jmp jna jnae jnb jnbe jnc jne
jng jnge jnl jnle jno jnp jns jnz jo jp jpe jpo js jz lahf lds lea leave les lods loop
loope loopne loopnz loopz mov movs movsx movzx mul neg nop not or pop popa popad popf popfd
push pusha pushad pushf pushfd rcl rcr rdtsc ret retn rol ror sahf sal sar sbb scas seta
setae setb setbe setc sete setg setge setl setle setna setnae setnb setnbe setnc setne setng
setnge setnl setnle setno setnp setns setnz seto setp setpe setpo sets setz shl shld shr shrd
pause stc std sti stos sub test ud2 wait xadd xchg xlat xor
f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr
fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fist fistp fisub fisubr
fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnclex fninit fnop
fnsave fnstcw fnstenv fnstsw fpatan fprem fprem1 fptan frndint frstor fsave fscale fsin
fsincos fsqrt fst fstcw fstenv fstp fstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp
fwait fxam fxch fxtract fyl2x fyl2xp1
""".split())
# The Pentium's NOP is 90 (PAUSE is F3 90); 0F 1F and its neighbours are the Pentium
# Pro's multi-byte NOPs, which objdump names 'nop' as well.
ONE_BYTE_NOP = 0x90
PREFIXES = {"rep", "repz", "repnz", "repe", "repne", "lock", "data16", "addr16",
            "cs", "ds", "es", "ss", "fs", "gs"}
EMULATED = re.compile(r"^(cmov[a-z]+|fcmov[a-z]+|fcomip?|fucomip?)$")
# Prefixes the emulation takes on those: operand size, LOCK, and the segments that
# start at 0 in Windows' flat memory.
EMULATED_PREFIXES = {0x66, 0xF0, 0x2E, 0x3E, 0x26, 0x36}
# Data that the linker places among the code: not instructions.
DATA_IN_TEXT = re.compile(r"<(\.gcc_except_table|__CTOR_LIST__|__DTOR_LIST__|\.ctors|\.dtors)>:")

failures = []


def fail(message):
    failures.append(message)
    print("  FAIL " + message)


# --- The PE file ------------------------------------------------------------------

class Image:
    def __init__(self, path):
        data = open(path, "rb").read()
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise SystemExit(f"check-exe: {path} is not a PE file")
        sections, symbols, optional_size = struct.unpack_from("<H8xIH", data, pe + 6)
        self.has_symbols = symbols != 0
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x10B:
            raise SystemExit(f"check-exe: {path} is not a 32-bit program")
        self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        directories = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(directories)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, address, raw_size, raw_at = struct.unpack_from(
                "<8sIIII", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), address,
                                  max(virtual_size, raw_size), raw_at, raw_size, flags))

    def offset(self, rva):
        for _, address, size, raw_at, raw_size, _ in self.sections:
            if address <= rva < address + size and rva - address < raw_size:
                return raw_at + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def text_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imports(self):
        """(dll in upper case, function name or None for an ordinal)."""
        rva, size = self.directories[1]
        result = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                break
            dll = self.text_at(name).upper()
            entry = self.offset(lookup or thunks)
            while True:
                thunk = struct.unpack_from("<I", self.data, entry)[0]
                if thunk == 0:
                    break
                result.append((dll, None if thunk & 0x80000000 else self.text_at(thunk + 2)))
                entry += 4
            at += 20
        return result

    def import_slots(self):
        """{address of an import's slot in the import address table: function name}."""
        rva = self.directories[1][0]
        slots = {}
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                break
            entry, slot = self.offset(lookup or thunks), thunks
            while True:
                thunk = struct.unpack_from("<I", self.data, entry)[0]
                if thunk == 0:
                    break
                if not thunk & 0x80000000:
                    slots[self.image_base + slot] = self.text_at(thunk + 2)
                entry += 4
                slot += 4
            at += 20
        return slots

    def pointers(self, address, end=None):
        """The addresses stored from `address` on: up to `end`, or up to a null one."""
        result = []
        while end is None or address < end:
            value = struct.unpack_from("<I", self.data, self.offset(address - self.image_base))[0]
            if end is None and value == 0:
                break
            if value:
                result.append(value)
            address += 4
        return result

    def tls_callbacks(self):
        """The addresses of the TLS callbacks, in the order the loader calls them."""
        if len(self.directories) <= 9 or not self.directories[9][0]:
            return []
        callbacks = struct.unpack_from("<I", self.data, self.offset(self.directories[9][0]) + 12)[0]
        return self.pointers(callbacks) if callbacks else []

    def loaded_bytes(self):
        """The contents of the sections Windows loads (not the discardable ones)."""
        for name, _, _, raw_at, raw_size, flags in self.sections:
            if not flags & 0x02000000 and not name.startswith(".debug"):
                yield self.data[raw_at:raw_at + raw_size]


# --- What each Windows exports ---------------------------------------------------

def load_exports():
    exports = {}
    with open(EXPORTS, encoding="utf-8") as table:
        header = table.readline().rstrip("\n").split("\t")
        for line in table:
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            exports[(row["dll"].upper(), row["function"])] = row
    return exports


def presence(first, order, floor):
    """'yes', 'no' or 'unverified' for a function first exported in `first`."""
    if first == "none":
        return "no"
    if first == "absent98SE":  # not in the 98 SE DLL; ME was not looked at
        return "no" if order.index(floor) <= order.index("98SE") else "unverified"
    bounded = first.startswith("<=")  # present by then; since when is not established
    version = first[2:] if bounded else first
    if version not in order:
        return "unverified"
    if order.index(version) <= order.index(floor):
        return "yes"
    return "unverified" if bounded else "no"


def check_imports(image, exports):
    print("imports:")
    imports = image.imports()
    names = {name for _, name in imports if name}
    for title, family, floor in FLOORS:
        missing, unknown, unverified, stubs, redistributed = [], [], 0, [], 0
        for dll, name in imports:
            if name is None:
                unknown.append(f"{dll} by ordinal")
                continue
            row = exports.get((dll, name))
            if row is None:
                unknown.append(f"{dll}!{name}")
                continue
            state = presence(row["win9x_first"] if family == "9x" else row["nt_first"],
                             WIN9X_ORDER if family == "9x" else NT_ORDER, floor)
            if dll == "MSVCRT.DLL" and floor.startswith("95"):
                # Not part of Windows 95: the msvcrt.dll that programs and Internet
                # Explorer install there is the one of Windows 98 or later.
                redistributed += 1
                state = presence(row["win9x_first"], WIN9X_ORDER, "98")
            if state == "no":
                missing.append(f"{dll}!{name}")
            elif state == "unverified":
                unverified += 1
            if family == "9x" and dll in ("KERNEL32.DLL", "ADVAPI32.DLL") and name.endswith("W"):
                stubs.append(f"{dll}!{name}")
        print(f"  {title}: {len(imports)} imports, {len(missing)} missing, "
              f"{unverified} not established before the floor, {len(stubs)} failing stubs"
              + (f", {redistributed} from an installed msvcrt.dll" if redistributed else ""))
        for name in missing:
            fail(f"{title} lacks {name}")
        for name in unknown:
            fail(f"{title}: {name} is not in the data, so it cannot be checked")
        for name in stubs:
            fail(f"{title} has {name} only as a stub that fails")
    major, minor = max(image.os_version, image.subsystem_version)
    print(f"  header: operating system {image.os_version[0]}.{image.os_version[1]}, "
          f"subsystem {image.subsystem_version[0]}.{image.subsystem_version[1]}")
    if (major, minor) > (4, 0):
        fail("the header asks for a newer Windows than 95 and NT 4.0 (4.0)")
    return names


def check_lookups(image, exports, imported):
    print("run-time lookups:")
    functions = {}
    for (dll, name), row in exports.items():
        functions.setdefault(name, []).append((dll, row))
    found = set()
    for contents in image.loaded_bytes():
        for match in re.finditer(rb"([A-Za-z_][A-Za-z0-9_]{3,})\0", contents):
            name = match.group(1).decode("ascii")
            if name in functions and name not in imported:
                found.add(name)
    for name in sorted(found):
        lacking = []
        for title, family, floor in FLOORS:
            states = [presence(row["win9x_first"] if family == "9x" else row["nt_first"],
                               WIN9X_ORDER if family == "9x" else NT_ORDER, floor)
                      for _, row in functions[name]]
            if "yes" not in states and "unverified" not in states:
                lacking.append(title)
        if not lacking:
            continue
        if name in KNOWN_LOOKUPS:
            print(f"  {name}: absent on {', '.join(lacking)}; {KNOWN_LOOKUPS[name]}")
        else:
            fail(f"{name} is named for a run-time lookup and absent on {', '.join(lacking)}, "
                 "with no fallback the program knows of")
    if not found:
        print("  none")


# --- Instructions ----------------------------------------------------------------

def disassemble(path):
    """(symbol, address, bytes, mnemonic, operands) of each instruction of the code
    sections; a symbol's first instruction comes with its name followed by ':'."""
    listing = subprocess.run([OBJDUMP, "-d", "-M", "intel", "--insn-width=16", path],
                             capture_output=True, text=True, check=True).stdout
    symbol, in_data, start = "", False, False
    for line in listing.splitlines():
        if line.endswith(">:"):
            symbol = line[line.index("<") + 1:-2]
            in_data = bool(DATA_IN_TEXT.search(line))
            start = True
            continue
        parts = line.split("\t")
        if in_data or len(parts) < 3 or not re.match(r"^ *[0-9a-f]+:$", parts[0]):
            continue
        words = parts[2].split()
        while len(words) > 1 and words[0] in PREFIXES:
            words.pop(0)
        if not words:
            continue
        yield (symbol + (":" if start else ""), parts[0].strip(" :"),
               bytes.fromhex(parts[1].replace(" ", "")), words[0], " ".join(words[1:]))
        start = False


def opcode(code):
    """The instruction's bytes from its opcode on, past its prefixes."""
    at = 0
    while at < len(code) - 1 and code[at] in (0x66, 0x67, 0xF0, 0xF2, 0xF3, 0x2E, 0x36, 0x3E,
                                              0x26, 0x64, 0x65):
        at += 1
    return code[at:]


def newer_than_pentium(mnemonic, code):
    return mnemonic not in PENTIUM or (mnemonic == "nop" and opcode(code)[0] != ONE_BYTE_NOP)


def check_objects(archives):
    print("the program's own objects:")
    newer = {}
    count = 0
    for archive in archives:
        for symbol, _, code, mnemonic, _ in disassemble(archive):
            count += 1
            if newer_than_pentium(mnemonic, code):
                newer.setdefault(mnemonic, set()).add(symbol.rstrip(":"))
    print(f"  {count} instructions in {len(archives)} libraries, "
          f"{sum(len(s) for s in newer.values())} places with an instruction the Pentium lacks")
    for mnemonic, symbols in sorted(newer.items()):
        fail(f"'{mnemonic}' in {', '.join(sorted(symbols)[:5])}")


def check_program(exe):
    print("the program's instructions:")
    emulated, newer, count = {}, {}, 0
    for symbol, address, code, mnemonic, _ in disassemble(exe):
        symbol = symbol.rstrip(":")
        count += 1
        if not newer_than_pentium(mnemonic, code):
            continue
        if EMULATED.match(mnemonic):
            prefixes = []
            for byte in code:
                if byte in (0x0F, 0xDA, 0xDB, 0xDF):
                    break
                prefixes.append(byte)
            if any(p not in EMULATED_PREFIXES for p in prefixes):
                fail(f"{mnemonic} at {address} ({symbol}) has a prefix the emulation does not take")
            emulated.setdefault(symbol, []).append(mnemonic)
        else:
            newer.setdefault(f"{mnemonic} ({code.hex(' ')})" if mnemonic == "nop" else mnemonic,
                             set()).add(symbol)
    places = sum(len(m) for m in emulated.values())
    print(f"  {count} instructions; {places} of the Pentium Pro's, all of the kinds the program "
          f"emulates, in {len(emulated)} functions of the run-time:")
    for symbol, mnemonics in sorted(emulated.items()):
        print(f"    {symbol}: {' '.join(sorted(set(mnemonics)))} ({len(mnemonics)})")
    for mnemonic, symbols in sorted(newer.items()):
        fail(f"'{mnemonic}', which no Pentium has, in {', '.join(sorted(symbols)[:5])}")


# The run-time functions that record a destructor the TLS callback calls at each
# thread's exit, and the ones that set the unhandled-exception filter.
KEY_DESTRUCTOR_REGISTRARS = re.compile(r"^_*(mingwthr_key_dtor|gthr_win32_key_create)\b")
FILTER_SETTERS = {"SetUnhandledExceptionFilter"}
# How far before a call its arguments are looked for.
ARGUMENT_WINDOW = 8
ENDS_FLOW = {"ret", "retn", "jmp", "iret", "iretd", "ud2", "hlt"}
BRANCHES = re.compile(r"^(call|jmp|j[a-z]+|loop[a-z]*)$")
DIRECT_TARGET = re.compile(r"^([0-9a-f]+) <([^>]*)>")
IMMEDIATE = re.compile(r"0x([0-9a-f]{5,8})\b")


def symbols(exe):
    """{name: address} of the exe's symbols."""
    listing = subprocess.run([NM, exe], capture_output=True, text=True, check=True).stdout
    table = {}
    for line in listing.splitlines():
        parts = line.split()
        if len(parts) == 3:
            table[parts[2]] = int(parts[0], 16)
    return table


def check_early_code(exe, image):
    """Walks the code that runs where the emulation's handler is not yet (or no longer)
    in place, and fails on every instruction there the Pentium lacks."""
    print("code that runs before the emulation's handler is in place:")
    code, order, starts = {}, [], set()
    for symbol, address, raw, mnemonic, operands in disassemble(exe):
        at = int(address, 16)
        code[at] = (symbol.rstrip(":"), len(raw), mnemonic, operands, raw)
        order.append(at)
        if symbol.endswith(":"):
            starts.add(at)
    position = {at: i for i, at in enumerate(order)}
    slots = image.import_slots()

    def calls_to(matches):
        """Addresses of the direct calls and jumps to a function `matches` names, and of
        the calls through the import address table to one."""
        found = []
        for at in order:
            _, _, mnemonic, operands, _ = code[at]
            if mnemonic not in ("call", "jmp"):
                continue
            direct = DIRECT_TARGET.match(operands)
            slot = re.search(r"ds:0x([0-9a-f]+)$", operands)
            if direct and matches(direct.group(2)):
                found.append(at)
            elif slot and matches(slots.get(int(slot.group(1), 16), "")):
                found.append(at)
        return found

    def arguments(call):
        """The code addresses among the immediates shortly before a call."""
        result = []
        for at in order[max(0, position[call] - ARGUMENT_WINDOW):position[call]]:
            for value in IMMEDIATE.findall(code[at][3]):
                if int(value, 16) in code:
                    result.append(int(value, 16))
        return result

    roots = [(at, "TLS callback") for at in image.tls_callbacks()]
    table = symbols(exe)
    if "___xd_a" in table and "___xd_z" in table:
        roots += [(at, "dynamic TLS initialiser")
                  for at in image.pointers(table["___xd_a"] + 4, table["___xd_z"])]
    for call in calls_to(lambda name: bool(KEY_DESTRUCTOR_REGISTRARS.match(name))):
        roots += [(at, "thread-exit destructor") for at in arguments(call)]
    for call in calls_to(lambda name: name.split("@")[0].lstrip("_") in FILTER_SETTERS):
        roots += [(at, "unhandled-exception filter") for at in arguments(call)]

    reached, indirect, found = {}, 0, []
    work = [(at, f"{kind} {code[at][0] if at in code else hex(at)}") for at, kind in roots]
    for at, root in work:
        if at not in code:
            fail(f"{root} at {at:#x} is not in the code")
    while work:
        at, root = work.pop()
        while at in code and at not in reached:
            reached[at] = root
            symbol, length, mnemonic, operands, raw = code[at]
            if newer_than_pentium(mnemonic, raw):
                found.append((at, symbol, mnemonic, root))
            direct = DIRECT_TARGET.match(operands)
            if BRANCHES.match(mnemonic):
                if direct:
                    work.append((int(direct.group(1), 16), root))
                elif not re.search(r"ds:0x([0-9a-f]+)$", operands) or \
                        int(re.search(r"ds:0x([0-9a-f]+)$", operands).group(1), 16) not in slots:
                    indirect += 1  # through a register or a table: not followed
            else:
                # Code whose address reached code takes may be called from there.
                work += [(int(v, 16), root) for v in IMMEDIATE.findall(operands)
                         if int(v, 16) in starts]
            if mnemonic in ENDS_FLOW:
                break
            at += length
            if at in starts:
                break  # the next function: only a call that never returns ends here
    kinds = {}
    for _, kind in roots:
        kinds[kind] = kinds.get(kind, 0) + 1
    functions = sorted({code[at][0] for at in reached})
    print(f"  roots: {', '.join(f'{n} {k}' for k, n in kinds.items()) or 'none'}")
    print(f"  {len(reached)} instructions reached in {len(functions)} functions "
          f"({indirect} indirect calls or jumps through a register or table not followed): "
          f"{', '.join(functions)}")
    for at, symbol, mnemonic, root in sorted(found):
        fail(f"'{mnemonic}' at {at:#x} ({symbol}) runs before the emulation's handler is in "
             f"place: reached from the {root}")
    if not found:
        print("  no instruction the Pentium lacks")


# --- Size and version ------------------------------------------------------------

def check_size(exe):
    with tempfile.TemporaryDirectory() as scratch:
        stripped = os.path.join(scratch, "stripped.exe")
        subprocess.run([STRIP, "-o", stripped, exe], check=True)
        size = os.path.getsize(stripped)
    print(f"size: {size} bytes stripped (at most {MAX_BYTES})")
    if size > MAX_BYTES:
        fail(f"the stripped program is larger than {MAX_BYTES} bytes")


def check_version(image):
    source = re.search(r'^#define PALLISAR_VERSION_TEXT "(.*)"$',
                       open(VERSION_H, encoding="utf-8").read(), re.M)
    source = source.group(1) if source else ""
    wide = [m.group(0).decode("utf-16-le")
            for m in re.finditer(rb"(?:[\x20-\x7e]\0){2,}", image.data)]
    resource = wide[wide.index("FileVersion") + 1] if "FileVersion" in wide else ""
    about = f"Version {source}".encode("ascii") + b"\0" in image.data
    print(f"version: sources '{source}', resource '{resource}', About "
          f"{'has' if about else 'lacks'} 'Version {source}'")
    if not source or resource != source or not about:
        fail("the versions disagree")


def main(arguments):
    if not arguments:
        raise SystemExit(__doc__)
    exe, archives = arguments[0], arguments[1:]
    image = Image(exe)
    if not image.has_symbols:
        # Without them the data the linker puts among the code reads as instructions.
        raise SystemExit(f"check-exe: {exe} is stripped: give the program as built")
    exports = load_exports()
    imported = check_imports(image, exports)
    check_lookups(image, exports, imported)
    if archives:
        check_objects(archives)
    check_program(exe)
    check_early_code(exe, image)
    check_size(exe)
    check_version(image)
    if failures:
        print(f"check-exe: {exe}: {len(failures)} problems", file=sys.stderr)
        return 1
    print(f"check-exe: {exe}: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
