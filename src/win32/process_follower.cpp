#include "win32/process_follower.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "win32/system_features.h"

namespace pallisar {

namespace {

// The records of the newer functions, in their own layout (the headers give them only
// for _WIN32_WINNT 0x0500 and later).
struct JobAccounting {  // JOBOBJECT_BASIC_ACCOUNTING_INFORMATION
    LARGE_INTEGER totalUserTime, totalKernelTime, thisPeriodUserTime, thisPeriodKernelTime;
    DWORD totalPageFaults, totalProcesses, activeProcesses, totalTerminatedProcesses;
};
constexpr int kJobAccountingClass = 1;
constexpr int kJobProcessIdListClass = 3;
struct JobProcessIds {  // JOBOBJECT_BASIC_PROCESS_ID_LIST with room for 64 ids
    DWORD assigned, listed;
    ULONG_PTR ids[64];
};
struct ProcessEntry32 {  // PROCESSENTRY32 (ANSI)
    DWORD size, usage, processId;
    ULONG_PTR defaultHeapId;
    DWORD moduleId, threads, parentProcessId;
    LONG priClassBase;
    DWORD flags;
    char exeFile[MAX_PATH];
};
constexpr DWORD kSnapProcess = 2;  // TH32CS_SNAPPROCESS
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr ULONG kSystemProcessInformation = 5;

using CreateJob = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR);
using AssignToJob = BOOL(WINAPI*)(HANDLE, HANDLE);
using QueryJob = BOOL(WINAPI*)(HANDLE, int, void*, DWORD, DWORD*);
using CreateSnapshot = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkProcesses = BOOL(WINAPI*)(HANDLE, ProcessEntry32*);
using QuerySystem = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

template <typename Function>
Function Lookup(const char* module, const char* name) {
    const HMODULE dll = GetModuleHandleA(module);
    return dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)))
               : nullptr;
}

struct SystemCalls {
    CreateJob createJob = Lookup<CreateJob>("kernel32.dll", "CreateJobObjectA");
    AssignToJob assignToJob = Lookup<AssignToJob>("kernel32.dll", "AssignProcessToJobObject");
    QueryJob queryJob = Lookup<QueryJob>("kernel32.dll", "QueryInformationJobObject");
    CreateSnapshot createSnapshot =
        Lookup<CreateSnapshot>("kernel32.dll", "CreateToolhelp32Snapshot");
    WalkProcesses firstProcess = Lookup<WalkProcesses>("kernel32.dll", "Process32First");
    WalkProcesses nextProcess = Lookup<WalkProcesses>("kernel32.dll", "Process32Next");
    QuerySystem querySystem = Lookup<QuerySystem>("ntdll.dll", "NtQuerySystemInformation");

    bool HasJobs() const { return createJob && assignToJob && queryJob; }
    bool HasSnapshots() const { return createSnapshot && firstProcess && nextProcess; }
};

const SystemCalls& Calls() {
    static const SystemCalls calls;
    return calls;
}

std::string ForcedMeans() {
    char value[32] = {};
    const DWORD length = GetEnvironmentVariableA(kFollowMeansVariable, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

bool ReadSnapshot(std::vector<ProcessRecord>& list) {
    const SystemCalls& calls = Calls();
    const ScopedKernelHandle snapshot(calls.createSnapshot(kSnapProcess, 0));
    if (!snapshot) return false;
    ProcessEntry32 entry{};
    entry.size = sizeof entry;
    for (BOOL more = calls.firstProcess(snapshot.Get(), &entry); more;
         more = calls.nextProcess(snapshot.Get(), &entry)) {
        entry.exeFile[MAX_PATH - 1] = '\0';
        list.push_back({entry.processId, entry.parentProcessId, 0, entry.exeFile});
        entry.size = sizeof entry;
    }
    return true;
}

// The ntdll list: records linked by their offsets, in the layout of every NT.
bool ReadNtList(std::vector<unsigned char>& buffer, std::vector<ProcessRecord>& list) {
    const QuerySystem query = Calls().querySystem;
    if (buffer.size() < 65536) buffer.resize(65536);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kSystemProcessInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch && buffer.size() < (16u << 20)) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return false;
        break;
    }
    std::size_t at = 0;
    for (;;) {
        if (at + 80 > buffer.size()) return false;
        const unsigned char* record = buffer.data() + at;
        const auto field = [&](std::size_t offset) {
            DWORD value;
            std::memcpy(&value, record + offset, sizeof value);
            return value;
        };
        ProcessRecord process;
        process.created = static_cast<uint64_t>(field(36)) << 32 | field(32);
        const USHORT nameBytes = static_cast<USHORT>(field(56) & 0xFFFF);
        const auto* name = reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(field(60)));
        process.id = field(68);
        process.parentId = field(72);
        if (name && nameBytes > 0) {
            char text[MAX_PATH] = {};
            const int length = WideCharToMultiByte(CP_ACP, 0, name, nameBytes / 2, text,
                                                   sizeof text - 1, nullptr, nullptr);
            process.file.assign(text, length > 0 ? length : 0);
        }
        list.push_back(std::move(process));
        const DWORD next = field(0);
        if (next == 0) return true;
        at += next;
    }
}

}  // namespace

const char* FollowMeansName(FollowMeans means) {
    switch (means) {
        case FollowMeans::Job:
            return "job object";
        case FollowMeans::Snapshots:
            return "process snapshots";
        case FollowMeans::NtList:
            return "NT process list";
    }
    return "";
}

ProcessFollower::ProcessFollower(std::string programFile) : programFile_(std::move(programFile)) {}

ProcessFollower::~ProcessFollower() {
    for (const auto& entry : watched_) CloseHandle(entry.second);
}

std::unique_ptr<ProcessFollower> ProcessFollower::Prepare(const std::string& programFile) {
    const SystemCalls& calls = Calls();
    const std::string forced = ForcedMeans();
    std::unique_ptr<ProcessFollower> follower(new ProcessFollower(programFile));
    follower->useSnapshots_ = calls.HasSnapshots() && forced != "ntdll";
    if (!follower->useSnapshots_ && !calls.querySystem) return nullptr;
    if (forced.empty() && calls.HasJobs()) {
        follower->job_.Reset(calls.createJob(nullptr, nullptr));
        if (follower->job_) {
            follower->means_ = FollowMeans::Job;
            return follower;
        }
    }
    follower->SwitchToList();
    return follower;
}

void ProcessFollower::SwitchToList() {
    job_.Reset();
    means_ = useSnapshots_ ? FollowMeans::Snapshots : FollowMeans::NtList;
    // What runs before the start is never followed.
    before_.clear();
    ReadProcesses(before_);
}

DWORD ProcessFollower::CreationFlags() const {
    return means_ == FollowMeans::Job ? CREATE_SUSPENDED : 0;
}

void ProcessFollower::Started(const PROCESS_INFORMATION& info) {
    rootId_ = info.dwProcessId;
    if (means_ == FollowMeans::Job) {
        // Refused when the launcher already runs in a job that allows no other (before
        // Windows 8), or by a policy: the lists take over. The process has not run yet,
        // so it has started nothing the lists could miss.
        if (!Calls().assignToJob(job_.Get(), info.hProcess)) SwitchToList();
        ResumeThread(info.hThread);
    }
    if (means_ != FollowMeans::Job) {
        tree_ = std::make_unique<ProcessTree>(rootId_, programFile_);
        tree_->Exclude(before_);
        before_.clear();
    }
}

bool ProcessFollower::ReadProcesses(std::vector<ProcessRecord>& list) {
    list.clear();
    return useSnapshots_ ? ReadSnapshot(list) : ReadNtList(buffer_, list);
}

bool ProcessFollower::Look() {
    looked_ = true;
    const bool ended = means_ == FollowMeans::Job ? LookAtJob() : LookAtList();
    const DWORD now = GetTickCount();
    const std::size_t followed = tree_ ? tree_->FollowedIds().size() : jobTotal_;
    if (!joined_.empty() || followed != lastFollowed_) lastChange_ = now;
    lastFollowed_ = followed;
    nextLook_ = now + (now - lastChange_ < kFollowFastPeriodMs ? kFollowFastLookMs : kFollowLookMs);
    return ended;
}

bool ProcessFollower::LookAtJob() {
    const SystemCalls& calls = Calls();
    JobAccounting accounting{};
    if (!calls.queryJob(job_.Get(), kJobAccountingClass, &accounting, sizeof accounting, nullptr)) {
        return rootEnded_;  // a job that cannot be asked: the started process alone
    }
    if (accounting.totalProcesses > jobTotal_) {
        // A process the list shows before it has a name is named at a later look.
        bool allNamed = true;
        // Who is new, and who started them: named from a list of the processes, when
        // they still run.
        JobProcessIds ids{};
        std::vector<ProcessRecord> list;
        if (calls.queryJob(job_.Get(), kJobProcessIdListClass, &ids, sizeof ids, nullptr) &&
            ReadProcesses(list)) {
            // A parent that has ended since is named as it was when it joined.
            const auto fileOf = [&](DWORD id) -> std::string {
                for (const ProcessRecord& process : list) {
                    if (process.id == id) return ProgramFileName(process.file);
                }
                for (const auto& [known, file] : jobNamed_) {
                    if (known == id) return file;
                }
                return id == rootId_ ? ProgramFileName(programFile_) : std::string("?");
            };
            const DWORD listed = std::min<DWORD>(ids.listed, 64);
            for (DWORD i = 0; i < listed; ++i) {
                const DWORD id = static_cast<DWORD>(ids.ids[i]);
                const bool named =
                    std::any_of(jobNamed_.begin(), jobNamed_.end(),
                                [&](const auto& entry) { return entry.first == id; });
                if (id == rootId_ || named) continue;
                for (const ProcessRecord& process : list) {
                    if (process.id != id) continue;
                    if (process.file.empty()) {
                        allNamed = false;
                        continue;
                    }
                    jobNamed_.emplace_back(id, ProgramFileName(process.file));
                    joined_.push_back({ProgramFileName(process.file), fileOf(process.parentId)});
                }
            }
        }
        if (allNamed) jobTotal_ = accounting.totalProcesses;
    }
    return accounting.activeProcesses == 0;
}

bool ProcessFollower::LookAtList() {
    std::vector<ProcessRecord> list;
    if (!ReadProcesses(list)) return rootEnded_;  // no list: the started process alone
    for (FollowedProgram& program : tree_->Look(list)) joined_.push_back(std::move(program));
    WatchFollowed();
    return tree_->Ended();
}

// Each followed process but the started one (whose handle the caller has) is opened to
// be waited on, so that a look follows its end at once: what it started just before is
// then still there to be found.
void ProcessFollower::WatchFollowed() {
    const std::vector<uint32_t> ids = tree_->FollowedIds();
    std::vector<std::pair<DWORD, HANDLE>> kept;
    for (const auto& entry : watched_) {
        if (std::find(ids.begin(), ids.end(), entry.first) != ids.end()) {
            kept.push_back(entry);
        } else {
            CloseHandle(entry.second);
        }
    }
    watched_ = std::move(kept);
    for (const uint32_t id : ids) {
        if (id == rootId_ || watched_.size() >= MAXIMUM_WAIT_OBJECTS - 2 ||
            std::find(ended_.begin(), ended_.end(), id) != ended_.end()) {
            continue;
        }
        const bool known = std::any_of(watched_.begin(), watched_.end(),
                                       [&](const auto& entry) { return entry.first == id; });
        if (known) continue;
        if (const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id)) {
            watched_.emplace_back(id, process);
        }
    }
}

bool ProcessFollower::Wait(HANDLE root, bool messages) {
    for (;;) {
        if (!looked_ || static_cast<LONG>(GetTickCount() - nextLook_) >= 0) {
            if (Look()) return true;
            if (!joined_.empty()) return false;
        }
        std::vector<HANDLE> handles;
        const bool rootWaited = !rootEnded_;
        if (rootWaited) handles.push_back(root);
        for (const auto& entry : watched_) handles.push_back(entry.second);
        const LONG left = static_cast<LONG>(nextLook_ - GetTickCount());
        const DWORD timeout = left > 0 ? static_cast<DWORD>(left) : 0;
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD result = messages ? WaitForHandlesOrMessage(count, handles.data(), timeout)
                             : count ? WaitForMultipleObjects(count, handles.data(), FALSE, timeout)
                                     : (Sleep(timeout), WAIT_TIMEOUT);
        if (messages && result == WAIT_OBJECT_0 + count) return false;
        if (result < WAIT_OBJECT_0 + count) {
            // An end: look at once. A handle that has signalled is not waited on again.
            std::size_t index = result - WAIT_OBJECT_0;
            if (rootWaited && index == 0) {
                rootEnded_ = true;
            } else {
                index -= rootWaited ? 1 : 0;
                if (index < watched_.size()) {
                    ended_.push_back(watched_[index].first);
                    CloseHandle(watched_[index].second);
                    watched_.erase(watched_.begin() + static_cast<std::ptrdiff_t>(index));
                }
            }
            looked_ = false;
        } else if (result == WAIT_FAILED) {
            Sleep(timeout);
        }
    }
}

std::vector<FollowedProgram> ProcessFollower::TakeJoined() { return std::exchange(joined_, {}); }

}  // namespace pallisar
