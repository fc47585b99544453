#pragma once
// The programs of one launch: the process the launcher started and every process it
// starts, directly or through others, as far as the system's lists of processes tell.
// Used where the system has no job object to do it (Windows 95, 98, ME and NT 4.0,
// or a launcher that already runs in a job): each look at the list of running
// processes is handed to Look, which says who joined.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pallisar {

// One running process as the system lists it.
struct ProcessRecord {
    uint32_t id = 0;
    uint32_t parentId = 0;
    // The system's creation time; 0 where the list does not give it (Windows 95/98/ME).
    uint64_t created = 0;
    // The program file, as a path or a bare file name.
    std::string file;
};

// A program that joined the wait: its file name and that of the program that started it.
struct FollowedProgram {
    std::string file;
    std::string startedBy;
};

// The file name part of a path ("GAME.EXE" of "C:\GAMES\GAME.EXE").
std::string ProgramFileName(const std::string& path);

class ProcessTree {
  public:
    // `rootId`: the process the launcher started; `rootFile`: its program, which names
    // it for its children should it end before the first look.
    ProcessTree(uint32_t rootId, std::string rootFile);

    // The processes that ran before the start: none of them is ever followed, whatever
    // parent id the system gives them.
    void Exclude(const std::vector<ProcessRecord>& before);

    // One look at the running processes. A followed process missing from the list (or
    // whose id now belongs to another program) has ended; a process whose parent is
    // followed, or ended since the last look, joins. Returns those that joined, parents
    // before their children.
    std::vector<FollowedProgram> Look(const std::vector<ProcessRecord>& running);

    // No followed process runs any more (true only after a look).
    bool Ended() const { return looked_ && followed_.empty(); }
    // The ids of the followed processes as of the last look.
    std::vector<uint32_t> FollowedIds() const;

  private:
    struct Followed {
        ProcessRecord record;
        bool seen = false;  // found in a list at least once
    };
    bool Excluded(const ProcessRecord& process) const;

    std::map<uint32_t, Followed> followed_;
    std::vector<ProcessRecord> before_;
    bool looked_ = false;
};

}  // namespace pallisar
