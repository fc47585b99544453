#pragma once
// Follows a started process and every process it starts, directly or through others,
// by the best means the running Windows offers, asked at run time:
//   - a job object (Windows 2000, XP and later): the process is created suspended,
//     assigned to the job, then let run; the system itself puts everything it starts
//     into the job, and the wait is over when the job has no active process;
//   - the process snapshots of kernel32 (CreateToolhelp32Snapshot; Windows 95, 98, ME,
//     and 2000 and later when a job cannot be used) with their parent process ids;
//   - the process list of ntdll (NtQuerySystemInformation; Windows NT 4.0, whose
//     kernel32 has no snapshots), also with parent ids.
// Every function beyond Windows 95 and NT 4.0 is looked up with GetProcAddress.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/process_tree.h"
#include "win32/scoped_handle.h"

namespace pallisar {

enum class FollowMeans { Job, Snapshots, NtList };

// The name of a means as the log and the README give it.
const char* FollowMeansName(FollowMeans means);

// For tests: the environment variable that makes the follower pass over the job object
// ("snapshots") or over the job and the snapshots ("ntdll"), as on systems without them.
// The program itself never sets it.
inline constexpr const char* kFollowMeansVariable = "PALLISAR_FOLLOW_MEANS";

// How often the system is looked at while nothing ends: every 0.1 s for a few seconds
// after the start and after each change among the followed programs (when start-up
// programs hand over to the game), then every 0.5 s, which keeps a look at the
// process lists cheap while a game runs. A followed program's end is looked at at once.
inline constexpr DWORD kFollowFastLookMs = 100;
inline constexpr DWORD kFollowLookMs = 500;
inline constexpr DWORD kFollowFastPeriodMs = 3000;

class ProcessFollower {
  public:
    // Before the start: chooses the means. Null when the system offers none (the wait
    // is then for the process alone). `programFile` names the process before it is
    // first seen.
    static std::unique_ptr<ProcessFollower> Prepare(const std::string& programFile);
    ~ProcessFollower();
    ProcessFollower(const ProcessFollower&) = delete;
    ProcessFollower& operator=(const ProcessFollower&) = delete;

    // Flags to add to the creation flags (CREATE_SUSPENDED for the job object).
    DWORD CreationFlags() const;
    // Right after the start: puts the process into the job (the snapshots take over
    // when the job refuses it) and lets it run when it was created suspended.
    void Started(const PROCESS_INFORMATION& info);
    FollowMeans Means() const { return means_; }

    // Waits until every followed process has ended (true), or a program joined, or
    // (with `messages`) a message waits in the thread's queue (false). `root` is the
    // started process's handle, which the caller owns.
    bool Wait(HANDLE root, bool messages);
    std::vector<FollowedProgram> TakeJoined();

  private:
    explicit ProcessFollower(std::string programFile);
    // One look at the system; true when nothing followed runs any more.
    bool Look();
    bool LookAtJob();
    bool LookAtList();
    bool ReadProcesses(std::vector<ProcessRecord>& list);
    void WatchFollowed();
    void SwitchToList();

    FollowMeans means_ = FollowMeans::Snapshots;
    bool useSnapshots_ = true;  // for the lists (else the ntdll list)
    std::string programFile_;
    ScopedKernelHandle job_;
    std::vector<ProcessRecord> before_;
    DWORD jobTotal_ = 0;
    // The job's processes named in the log so far, with their file names.
    std::vector<std::pair<DWORD, std::string>> jobNamed_;
    std::unique_ptr<ProcessTree> tree_;
    uint32_t rootId_ = 0;
    bool rootEnded_ = false;
    // Handles of followed processes (by id), whose end calls for a look at once.
    std::vector<std::pair<DWORD, HANDLE>> watched_;
    // Ids whose handle has signalled: never waited on again.
    std::vector<DWORD> ended_;
    std::vector<FollowedProgram> joined_;
    std::vector<unsigned char> buffer_;
    DWORD nextLook_ = 0;
    DWORD lastChange_ = GetTickCount();
    std::size_t lastFollowed_ = 0;
    bool looked_ = false;
};

}  // namespace pallisar
