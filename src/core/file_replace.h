#pragma once
// Replacing a file whole, so that a failed or interrupted write never leaves it half
// written or without its contents. The new bytes go to a temporary file beside it,
// "<file>.~<writer>-<n>.tmp", which is flushed to the disk. Then:
// - where the system moves a file over another in one step (rename on POSIX;
//   MoveFileExA with MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH on Windows
//   NT, 2000, XP and later, keeping the file's attributes), the temporary file is moved
//   over the old one;
// - where MoveFileExA answers ERROR_CALL_NOT_IMPLEMENTED (Windows 95, 98 and ME, which
//   cannot move a file over another), the old file is renamed aside to
//   "<file>.~<writer>-<n>.old", the temporary file renamed to the file's name, and the
//   copy set aside deleted.
// <writer> names the process that writes, <n> counts its replacements. Every state
// between two steps can be told from the names alone, and FinishInterruptedReplacements
// completes or undoes what a writer that has ended left half-way.
//
// A move that Windows refuses because another program has one of the files open (a
// virus scanner looking at a file just written) is tried again for about a second.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

// Gives the file at `path` the contents `bytes`, creating it when missing. Returns
// false when refused (a read-only file, a directory, a folder that cannot be written,
// a full disk): the old file is then as it was. No temporary file is left, except when
// the old file could not be put back on Windows 95, 98 or ME: then the new bytes stay
// beside the copy set aside, for FinishInterruptedReplacements.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// Whether bytes read from a copy of a file are its whole contents; an empty function
// takes any bytes.
using WholeContents = std::function<bool(std::string_view bytes)>;

// What FinishInterruptedReplacements did to the file itself.
enum class ReplacementFinish {
    Nothing,      // the file was there (or is missing and no copy of it is)
    NewContents,  // a replacement cut short after the old file was set aside: the new
                  // contents took the file's name
    OldContents,  // the same, but the new contents were not whole: the old ones went back
};

// For a file about to be read for the first time in a run: completes or undoes the
// replacements of `path` that writers which have ended (a crash, a power cut) left
// half-way, then removes their temporary files and copies set aside. Where the file is
// missing and a copy of it was set aside, the new copy takes its place when it is whole,
// else the copy set aside goes back (it was the file). The files of a writer that still
// runs (another launcher), and names of a form no writer makes, are left alone. Where
// the file is there beside both copies of one replacement (a copy could not be put
// back, a later write made the file anew), neither copy is deleted: either may hold the
// only whole contents. Nothing throws; a rename that fails (tried again as a
// replacement's moves are) leaves every copy where it is, for the next start. Each copy
// that stays for such a reason, or could not be removed, is named in a line added to
// *log (when given).
ReplacementFinish FinishInterruptedReplacements(const std::string& path,
                                                const WholeContents& whole = {},
                                                std::vector<std::string>* log = nullptr);

// Deletes a file of the program's own (the launch journal, a copy a replacement left):
// its read-only attribute is cleared first, and a file that another program holds open
// is tried again as a replacement's moves are. True when the file is gone.
bool RemoveProgramFile(const std::string& path);
// Renames a file of the program's own to a name that is free, tried again likewise.
bool RenameProgramFile(const std::string& from, const std::string& to);

// For tests of the failure path: the next ReplaceFileContents fails once it has
// written `bytes` bytes of the temporary file (with every byte written, it fails
// before the move). A negative number cancels it.
void FailNextFileReplaceAfter(long long bytes);

// For tests that write thousands of files and check only what they hold: whether
// ReplaceFileContents waits for the disk (it does unless told otherwise).
void FlushFileReplacements(bool flush);

// The steps of a replacement, in their order (SetAside and AsideDeleted only on the way
// of Windows 95, 98 and ME). Cleanup is asked before each RemoveProgramFile and
// RenameProgramFile: NextCall then fails its first try as a file held open for a moment
// does, EveryCall fails it for good.
enum class ReplaceStep { Flushed, SetAside, InPlace, AsideDeleted, Cleanup };
// What fails after a step, for tests: nothing, the next call on the file system (a file
// held by another program for a moment), or every later call of that replacement (a disk
// gone, or a process that died there: the files stay as that step left them).
enum class InjectedFailure { None, NextCall, EveryCall };
// For tests: `atStep` is asked after each step of the following replacements; an empty
// function ends this.
void InjectFileReplaceFailures(std::function<InjectedFailure(ReplaceStep)> atStep);

// For tests under Wine, whose MoveFileExA works whatever Windows version it reports:
// while on, the replacement meets MoveFileExA's ERROR_CALL_NOT_IMPLEMENTED, as on
// Windows 95, 98 and ME, without calling it. No effect on POSIX.
void ReplaceAsWithoutMoveFileEx(bool on);

namespace detail {
// The failure asked for by FailNextFileReplaceAfter, taken once; negative for none.
long long TakeFileReplaceFailure();
bool FlushingFileReplacements();
InjectedFailure FailureAfter(ReplaceStep step);
bool MoveFileExTakenAway();

// The names of this process's next replacement of `path`.
struct ReplacementNames {
    std::string temporary;  // "<path>.~<writer>-<n>.tmp"
    std::string aside;      // "<path>.~<writer>-<n>.old"
};
ReplacementNames NextReplacementNames(const std::string& path);

// The writer part of this process's names ("<process id>.<start>" in hex). On Windows
// the first call makes a named object that lives as long as the process, by which
// FileWriterAlive tells a running writer from one that has ended.
const std::string& ThisFileWriter();
// Whether the process that `writer` names still runs (when that cannot be told, a
// writer counts as running: only a system's "no such process" counts as ended).
bool FileWriterAlive(std::string_view writer);
}  // namespace detail

}  // namespace pallisar
