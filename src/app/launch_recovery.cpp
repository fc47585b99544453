#include "app/launch_recovery.h"

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
        // this start die in turn, the next one begins again from the tree as it is now
        // (a journal that cannot be rewritten leaves only that protection out).
        record.Phase = JournalPhase::Restoring;
        record.Snapshot = TakeDriverSnapshot(tweaks);
        journal.Write(record);
    }
    PutBackDriverSnapshot(tweaks, record.Snapshot);
    if (record.Phase == JournalPhase::Restoring) {
        RestorePreviousSettings(tweaks, record.Previous);
        tweaks.Log.WriteLog("\tPrevious toggle keys, vertical sync and gamma values written back.");
    }
}

}  // namespace

void RemoveJournalAfterRestore(LaunchJournal& journal, TweakContext& tweaks) {
    RegistryStore& store = tweaks.Reg.Store();
    const long flushed = store.FlushKey(RegRoot::LocalMachine, tweaks.Driver.DriverKey);
    if (flushed != regError::kSuccess) {
        tweaks.Log.WriteLog("!ERROR! writing the driver's key to the disk: " +
                            tweaks.Driver.DriverKey);
        tweaks.Log.WriteLog("\t" + store.ErrorText(flushed));
    }
    journal.Remove();
}

std::string RecoveryQuestion(const JournalRecord& record) {
    return "The launcher was closed before " + Launch(record) +
           " ended, so the driver may still hold that game's settings.\n\n"
           "Do you want to restore the previous driver settings?";
}

void RecoverInterruptedLaunch(LaunchJournal& journal, TweakContext& tweaks, Prompts& prompts) {
    const std::optional<std::string> bytes = journal.Read();
    if (!bytes) return;
    LogWriter& log = tweaks.Log;
    if (journal.InUseElsewhere()) {
        log.WriteLog("Launch journal in use by another running launcher: " + journal.Path());
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
        journal.Remove();
        log.WriteLog("Driver settings left by " + Launch(*record) +
                     " kept; launch journal removed.");
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
    RemoveJournalAfterRestore(journal, tweaks);
    log.WriteLog("\tDriver settings restored; launch journal removed.");
}

}  // namespace pallisar
