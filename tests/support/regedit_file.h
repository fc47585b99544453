#pragma once
// REGEDIT4 registry files for tests: the simulated 3dfx boards under
// tests/fixtures/boards are loaded with them, and whole sub-trees are captured for
// before/after comparisons.
//
// Supported: the "REGEDIT4" header, ';' comments, [ROOT\key] sections (full root
// names such as HKEY_LOCAL_MACHINE, or HKLM, HKCU, HKCR, HKU, HKCC, HKDD),
// [-ROOT\key] to delete a key with everything below, "name"= and @= (the default
// value) with "text" (escapes \\ and \"), dword:xxxxxxxx, hex:bytes (REG_BINARY),
// hex(n):bytes (type n, so hex(2) is REG_EXPAND_SZ and hex(7) REG_MULTI_SZ, bytes in
// the ANSI code page), "name"=- to delete a value, and lines continued with a final
// backslash. LF and CRLF line ends.

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/registry_store.h"

namespace pallisar::test {

// Malformed text or a write the store refused; the message names the line.
class RegeditError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Applies REGEDIT4 text to the store, in file order.
void LoadRegeditText(RegistryStore& store, std::string_view text);
void LoadRegeditFile(RegistryStore& store, const std::string& path);

// Path of a fixture under tests/fixtures ("boards/voodoo3_win98.reg"), usable by the
// native and by the Windows test programs.
std::string FixturePath(const std::string& relative);

// Every key and value at or below root\path: "[key]" -> "" for each key and
// "[key]name" -> data for each value, key paths relative to root\path ("" for the
// key itself), data written as in a REGEDIT4 file ("\"text\"", "dword:0000000a",
// "hex(7):61,00,00"). Empty when the key does not exist.
using RegistrySnapshot = std::map<std::string, std::string>;
RegistrySnapshot SnapshotTree(RegistryStore& store, RegRoot root, std::string_view path);

// The entries that differ, one per line: "+ entry = data" (only in `after`),
// "- entry = data" (only in `before`), "~ entry: old -> new". Empty when equal.
std::string DescribeDifferences(const RegistrySnapshot& before, const RegistrySnapshot& after);

// The sub-tree as REGEDIT4 text (CRLF line ends) that LoadRegeditText and regedit
// read back into the same tree.
std::string ExportRegedit(RegistryStore& store, RegRoot root, std::string_view path);

// A value's data as a REGEDIT4 file writes it.
std::string FormatRegeditData(const RegValue& value);

}  // namespace pallisar::test
