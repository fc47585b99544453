#pragma once
// The launch journal, pallisar.jnl in the program's directory: what a launch that is
// going to put the driver's values back needs for that, kept on disk while the launch
// runs, so that a later start can finish the job when the launcher died first (killed,
// crashed, the session ended, the power failed).
//
// The file is text, one "Name=data" line each, every byte outside printable ASCII (and
// "%" and the space) written as %XX, so that any registry data comes back byte for
// byte. Its last line holds the length of everything before it and a checksum: a file
// cut short or changed anywhere is recognised as damaged.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "platform/launch_lock.h"
#include "tweaks/driver_snapshot.h"
#include "tweaks/previous_settings.h"

namespace pallisar {

// How far the launch had got, and so what puts the driver right.
enum class JournalPhase {
    // Its tweaks were being written; the snapshot is the tree before the launch.
    Applying,
    // The game was started; the driver's previous values are in Previous.
    Running,
    // The restore had begun; the snapshot is the tree as the game left it.
    Restoring,
};

// The phase's name as the journal's Phase line holds it ("Applying", ...).
std::string_view JournalPhaseName(JournalPhase phase);

struct JournalRecord {
    JournalPhase Phase = JournalPhase::Applying;
    std::string DriverKey;
    std::string Title;
    // When the launch began, in the user's date and time formats.
    std::string Started;
    TPrevSettings Previous;
    // The tree to put back first (empty while the game runs).
    DriverSnapshot Snapshot;

    bool operator==(const JournalRecord&) const = default;
};

inline constexpr int kJournalVersion = 1;

std::string FormatJournal(const JournalRecord& record);

enum class JournalProblem {
    None,
    Damaged,       // not a journal, cut short, or changed
    NewerVersion,  // written by a later version of the program
};
// The record the bytes hold; none, with the reason in *problem, when they are not a
// complete journal of this version.
std::optional<JournalRecord> ParseJournal(std::string_view bytes, JournalProblem* problem);

// The journal file of one program directory. Nothing here throws.
class LaunchJournal {
  public:
    static constexpr const char* kFileName = "pallisar.jnl";

    // `programDir` ends with a path delimiter; `clock` and `lock` outlive the object.
    // Without a lock every journal found counts as left by a launcher that died.
    LaunchJournal(std::string programDir, const DateTimeSource& clock, LaunchLock* lock = nullptr);

    // pallisar.jnl in the program directory, whatever its letter case on disk.
    std::string Path() const;
    // The current date and time as a record's Started.
    std::string Now() const;
    // Replaces the file whole with the record; false when that was refused (the old
    // file, if any, is then as it was).
    bool Write(const JournalRecord& record);
    // Whether the file is there (readable or not).
    bool Exists() const;
    // The file's bytes; none when there is no journal or it cannot be read. A
    // replacement of the file that a launcher which has ended left half-way is finished
    // first (a copy is taken only when ParseJournal finds it complete); a line for each
    // copy that stays is added to *log (when given).
    std::optional<std::string> Read(std::vector<std::string>* log = nullptr) const;
    // Deletes the file (a read-only one too, one held open for a moment tried again);
    // false when it is still there.
    bool Remove();
    // The launch lock of the program's directory (platform/launch_lock.h). Without a
    // lock every journal found counts as left by a launcher that died, and every take
    // succeeds.
    LockTake TakeLock() { return lock_ ? lock_->Take() : LockTake::Taken; }
    void ReleaseLock() {
        if (lock_) lock_->Release();
    }
    bool HoldsLock() const { return !lock_ || lock_->Held(); }
    // Renames the file to pallisar.jnl.bad1 (or the next number not taken) and returns
    // the new name; empty when it could not be renamed.
    std::string SetAside();

  private:
    std::string dir_;
    const DateTimeSource& clock_;
    LaunchLock* lock_;
};

}  // namespace pallisar
