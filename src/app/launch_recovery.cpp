#include "app/launch_recovery.h"

#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "tweaks/driver_snapshot.h"
#include "tweaks/previous_settings.h"
#include "tweaks/tweak_burst.h"

namespace pallisar {

namespace {

std::string Launch(const JournalRecord& record) {
    return "\"" + record.Title + "\" (launched " + record.Started + ")";
}

void SetAside(LaunchJournal& journal, LogWriter& log, const std::string& why) {
    const std::string aside = journal.SetAside();
    log.WriteLog("!ERROR! launch journal " + why + ": " + journal.Path());
    log.WriteLog(aside.empty() ? "\tIt could not be renamed and was left as it is."
                               : "\tRenamed to " + aside + "; nothing was restored.");
}

void Restore(LaunchJournal& journal, TweakContext& tweaks, JournalRecord record) {
    const TweakBurst burst(tweaks);
    if (record.Phase == JournalPhase::Running) {
        // The restore exchanges bookkeeping values, which must not happen twice: should
        // this start die in turn, the next one begins again from the tree as it is now.
        // Without that record nothing is written, and the journal stays as it is.
        record.Phase = JournalPhase::Restoring;
        record.Snapshot = TakeDriverSnapshot(tweaks);
        if (!journal.Write(record)) throw Error(JournalNotWrittenMessage(journal));
    }
    PutBackDriverSnapshot(tweaks, record.Snapshot);
    if (record.Phase == JournalPhase::Restoring) {
        RestorePreviousSettings(tweaks, record.Previous);
        tweaks.Log.WriteLog("\tPrevious toggle keys, vertical sync and gamma values written back.");
    }
}

// The launch lock for a recovery at start-up; a launch that found a journal holds it
// already, for its whole run.
class RecoveryLock {
  public:
    explicit RecoveryLock(LaunchJournal& journal) : journal_(journal) {
        if (journal_.HoldsLock()) return;
        const LockTake take = journal_.TakeLock();
        taken_ = take == LockTake::Taken;
        elsewhere_ = take == LockTake::HeldElsewhere;
    }
    ~RecoveryLock() {
        if (taken_) journal_.ReleaseLock();
    }
    RecoveryLock(const RecoveryLock&) = delete;
    RecoveryLock& operator=(const RecoveryLock&) = delete;
    bool HeldElsewhere() const { return elsewhere_; }

  private:
    LaunchJournal& journal_;
    bool taken_ = false;
    bool elsewhere_ = false;
};

}  // namespace

std::string JournalNotWrittenMessage(const LaunchJournal& journal) {
    return "The launch journal could not be written: " + journal.Path() +
           "\n\nThe driver settings were not restored; the journal is kept, so that the "
           "next launch or start can restore them.";
}

bool RemoveJournal(LaunchJournal& journal, LogWriter& log) {
    if (journal.Remove()) return true;
    log.WriteLog("!ERROR! The launch journal could not be removed: " + journal.Path());
    return false;
}

bool RemoveJournalAfterRestore(LaunchJournal& journal, TweakContext& tweaks) {
    RegistryStore& store = tweaks.Reg.Store();
    const long flushed = store.FlushKey(RegRoot::LocalMachine, tweaks.Driver.DriverKey);
    if (flushed != regError::kSuccess) {
        tweaks.Log.WriteLog("!ERROR! writing the driver's key to the disk: " +
                            tweaks.Driver.DriverKey);
        tweaks.Log.WriteLog("\t" + store.ErrorText(flushed));
    }
    return RemoveJournal(journal, tweaks.Log);
}

std::string RecoveryQuestion(const JournalRecord& record) {
    return "The launcher was closed before " + Launch(record) +
           " ended, so the driver may still hold that game's settings.\n\n"
           "Do you want to restore the previous driver settings?";
}

void RecoverInterruptedLaunch(LaunchJournal& journal, TweakContext& tweaks, Prompts& prompts) {
    LogWriter& log = tweaks.Log;
    std::vector<std::string> notes;
    const std::optional<std::string> bytes = journal.Read(&notes);
    for (const std::string& line : notes) log.WriteLog(line);
    if (!bytes && !journal.Exists()) return;
    const RecoveryLock lock(journal);
    if (lock.HeldElsewhere()) {
        log.WriteLog("Launch journal in use by another running launcher: " + journal.Path());
        return;
    }
    if (!bytes) {
        log.WriteLog("!ERROR! The launch journal could not be read: " + journal.Path());
        log.WriteLog("\tIt is kept; nothing was restored.");
        return;
    }
    JournalProblem problem = JournalProblem::None;
    const std::optional<JournalRecord> record = ParseJournal(*bytes, &problem);
    if (!record) {
        SetAside(journal, log,
                 problem == JournalProblem::NewerVersion ? "is of a newer version" : "is damaged");
        return;
    }
    if (!SameText(record->DriverKey, tweaks.Driver.DriverKey)) {
        SetAside(journal, log, "belongs to another driver (" + record->DriverKey + ")");
        return;
    }

    if (!prompts.Confirm(RecoveryQuestion(*record))) {
        log.WriteLog("Driver settings left by " + Launch(*record) +
                     (RemoveJournal(journal, log) ? " kept; launch journal removed."
                                                  : " kept; the launch journal stays."));
        return;
    }
    log.WriteLog("Restoring driver settings left by " + Launch(*record) + "...");
    try {
        Restore(journal, tweaks, *record);
    } catch (const Error& error) {
        log.WriteLog("!ERROR! restoring driver settings: " + journal.Path());
        log.WriteLog("\t" + std::string(error.what()));
        prompts.ShowApplicationError(error.what());
        return;
    }
    log.WriteLog(RemoveJournalAfterRestore(journal, tweaks)
                     ? "\tDriver settings restored; launch journal removed."
                     : "\tDriver settings restored; the launch journal stays.");
}

}  // namespace pallisar
