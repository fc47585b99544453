#pragma once
// Finishing a launch that the launcher did not live to end. Run once at start-up,
// after the card detection has found the driver key and before anything else touches
// the driver.

#include "app/launch_journal.h"
#include "platform/prompts.h"
#include "tweaks/driver_state.h"

namespace pallisar {

// When the journal is there and holds a launch on this driver, asks the user whether
// to put the driver's settings back. Yes restores exactly what the end of that launch
// would have left (a launch that died while writing its tweaks: the values before it);
// No leaves the driver as it is. The journal is removed either way. A journal that is
// damaged, of a newer version or of another driver key is set aside and never applied;
// one whose launch another launcher still runs (it holds the launch lock) is left
// alone; one that cannot be read is kept. The launch lock is held meanwhile (taken here
// unless the caller holds it, a launch that found a journal).
// Everything done is logged. A write the registry refuses, and a "Restoring" record that
// cannot be written, are shown in the application's error box and the journal kept, so
// that the next launch or start asks again; nothing is thrown.
void RecoverInterruptedLaunch(LaunchJournal& journal, TweakContext& tweaks, Prompts& prompts);

// The question the user is asked for a journal's launch.
std::string RecoveryQuestion(const JournalRecord& record);

// The error of a restore stopped because its "Restoring" record could not be written.
std::string JournalNotWrittenMessage(const LaunchJournal& journal);

// Removes the journal; when it stays, logs that with its name. True when it is gone.
bool RemoveJournal(LaunchJournal& journal, LogWriter& log);

// Removes the journal of a launch whose restore is done, once the driver's key has been
// written to the disk: the registry writes its changes lazily, and a power cut in
// between must not keep the journal's deletion and lose the restore. A flush that fails
// is logged with the system's reason; the journal goes all the same, as the restore
// itself was made. True when the journal is gone (else that is logged).
bool RemoveJournalAfterRestore(LaunchJournal& journal, TweakContext& tweaks);

}  // namespace pallisar
