#include "win32/win32_process_starter.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

#include "win32/process_follower.h"
#include "win32/system_features.h"

namespace pallisar {

namespace {

static_assert(sizeof(STARTUPINFOA) == 68 || sizeof(void*) != 4);

// Owns the process and thread handles of one start.
class Win32Process : public ProcessHandle {
  public:
    Win32Process(const PROCESS_INFORMATION& info, std::unique_ptr<ProcessFollower> follower)
        : info_(info), follower_(std::move(follower)) {}
    ~Win32Process() override {
        if (info_.hThread) CloseHandle(info_.hThread);
        if (info_.hProcess) CloseHandle(info_.hProcess);
    }
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    uint32_t ProcessId() const override { return info_.dwProcessId; }
    uint32_t ThreadId() const override { return info_.dwThreadId; }
    HANDLE Process() const { return info_.hProcess; }
    ProcessFollower* Follower() const { return follower_.get(); }
    std::vector<FollowedProgram> TakeJoined() override {
        return follower_ ? follower_->TakeJoined() : std::vector<FollowedProgram>{};
    }
    std::string FollowMeans() const override {
        return follower_ ? FollowMeansName(follower_->Means()) : std::string();
    }

  private:
    PROCESS_INFORMATION info_;
    std::unique_ptr<ProcessFollower> follower_;
};

HANDLE ProcessOf(const ProcessHandle& process) {
    return static_cast<const Win32Process&>(process).Process();
}

ProcessFollower* FollowerOf(const ProcessHandle& process) {
    return static_cast<const Win32Process&>(process).Follower();
}

// The program file at the start of a command line, for the log until the process is seen.
std::string ProgramOf(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') {
        return commandLine.substr(1, commandLine.find('"', 1) - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

}  // namespace

ProcessStartResult Win32ProcessStarter::StartProcess(const ProcessStart& start) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = start.startup.flags;
    startup.wShowWindow = start.startup.showWindow;
    // CreateProcessA may write into the command line.
    std::vector<char> line(start.commandLine.begin(), start.commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION info = {};
    ProcessStartResult result;
    std::unique_ptr<ProcessFollower> follower;
    if (start.followStarted) follower = ProcessFollower::Prepare(ProgramOf(start.commandLine));
    const DWORD flags = start.creationFlags | (follower ? follower->CreationFlags() : 0);
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                         start.currentDir.empty() ? nullptr : start.currentDir.c_str(), &startup,
                         &info)) {
        if (follower) follower->Started(info);
        result.process = std::make_unique<Win32Process>(info, std::move(follower));
    } else {
        result.error = GetLastError();
    }
    return result;
}

FindExecutableResult Win32ProcessStarter::FindAssociatedProgram(const std::string& file) {
    char program[MAX_PATH + 1] = {};
    SetLastError(0);
    FindExecutableResult result;
    result.code = reinterpret_cast<intptr_t>(::FindExecutableA(file.c_str(), nullptr, program));
    result.error = GetLastError();
    if (result.code >= 32) result.program = program;
    return result;
}

void Win32ProcessStarter::WaitForProcess(const ProcessHandle& process) {
    if (ProcessFollower* follower = FollowerOf(process)) {
        // Nobody logs the programs that join a wait that serves no messages.
        while (!follower->Wait(ProcessOf(process), false)) follower->TakeJoined();
        return;
    }
    WaitForSingleObject(ProcessOf(process), INFINITE);
}

bool Win32ProcessStarter::WaitForProcessOrMessage(const ProcessHandle& process) {
    if (ProcessFollower* follower = FollowerOf(process)) {
        return follower->Wait(ProcessOf(process), true);
    }
    HANDLE handle = ProcessOf(process);
    // Messages already in the queue wake the wait too, not only those that arrive after
    // the last look at the queue.
    const DWORD result = WaitForHandleOrMessage(handle);
    // A handle that cannot be waited on ends the wait, as it ends the suspended one.
    return result == WAIT_OBJECT_0 || result == WAIT_FAILED;
}

MessageStep Win32ProcessStarter::PumpMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return {};
    if (msg.message == WM_QUIT) return {MessageStep::kQuit, static_cast<int>(msg.wParam)};
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return {MessageStep::kDispatched, 0};
}

void Win32ProcessStarter::ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the application's own loop, which ends the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32ProcessStarter::ExitProgram(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace pallisar
