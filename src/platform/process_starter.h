#pragma once
// Process creation and waiting as the process launcher needs them. Implemented
// over Windows (win32/win32_process_starter.h); tests use a fake. Error codes are
// Windows system error codes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/process_tree.h"

namespace pallisar {

// A started process. Destroying it releases the process and thread handles; the
// process itself runs on.
class ProcessHandle {
  public:
    virtual ~ProcessHandle() = default;
    virtual uint32_t ProcessId() const = 0;
    virtual uint32_t ThreadId() const = 0;
    // Started with ProcessStart::followStarted: the programs that joined the wait since
    // the last call. Empty otherwise.
    virtual std::vector<FollowedProgram> TakeJoined() { return {}; }
    // How the programs it starts are followed ("job object", "process snapshots",
    // "NT process list"); empty when only the process itself is waited for.
    virtual std::string FollowMeans() const { return {}; }
};

// The start-up information handed to the system (the part the launcher sets).
struct StartupInfo {
    uint32_t size = 68;  // the size of the system's record on 32-bit Windows
    uint32_t flags = 0;
    uint16_t showWindow = 0;
};

struct ProcessStart {
    // The whole command line; the system takes the program from its start.
    std::string commandLine;
    // Empty: the new process inherits the caller's current directory.
    std::string currentDir;
    uint32_t creationFlags = 0;
    StartupInfo startup;
    // The waits then last until this process and every process it starts, directly or
    // through others, have ended.
    bool followStarted = false;
};

struct ProcessStartResult {
    // Set when the process was created; empty otherwise.
    std::unique_ptr<ProcessHandle> process;
    // The system's last error when the start failed.
    uint32_t error = 0;
};

struct FindExecutableResult {
    // The system's result code: below 32 means failure.
    intptr_t code = 0;
    // The system's last error right after the call.
    uint32_t error = 0;
    // The associated program's path when code >= 32.
    std::string program;
};

// One step of the calling thread's message queue.
struct MessageStep {
    enum Kind { kNone, kDispatched, kQuit };
    Kind kind = kNone;
    // The quit message's exit code when kind == kQuit.
    int exitCode = 0;
};

class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;

    virtual ProcessStartResult StartProcess(const ProcessStart& start) = 0;
    // The program associated with `file` (a document or a program path).
    virtual FindExecutableResult FindAssociatedProgram(const std::string& file) = 0;
    // Blocks the calling thread until the process has ended.
    virtual void WaitForProcess(const ProcessHandle& process) = 0;
    // Blocks until the process has ended (true) or a message waits in the calling
    // thread's queue (false); a wait that serves messages uses no processor time
    // while neither happens. For a process started with followStarted: until every
    // followed process has ended (true), or a message waits or a program joined the
    // wait (false); the system is then looked at a few times a second.
    virtual bool WaitForProcessOrMessage(const ProcessHandle& process) = 0;
    // Takes the next message of the calling thread, if any: a quit message is taken
    // and reported, any other is translated and dispatched.
    virtual MessageStep PumpMessage() = 0;
    // Serves every pending message of the calling thread once; a quit message met
    // there stays for the application's own message loop.
    virtual void ProcessPendingMessages() = 0;
    // Ends the whole program with `exitCode`. Does not return on Windows; a test
    // double may return, after which the caller returns at once.
    virtual void ExitProgram(int exitCode) = 0;
};

}  // namespace pallisar
