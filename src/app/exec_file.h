#pragma once
// TExecFile: starts a program from a path and a parameter text with a chosen window
// state and priority class, and can wait until it ends. Every game is started
// through one instance owned by the main window.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/process_starter.h"

namespace pallisar {

enum class TWindowStyle {
    wsNorm,
    wsMinimize,
    wsMaximize,
    wsHide,
    wsMinNoActivate,
    wsShowNoActivate
};
enum class TPriorityClass { pcNormal, pcIdle, pcHigh, pcRealTime };
enum class TWaitStyle { wRegular, wSuspend };

// The show-window state (SW_...) of a window style.
uint16_t ShowWindowValue(TWindowStyle style);
// The priority class flag (..._PRIORITY_CLASS) of a priority.
uint32_t PriorityClassValue(TPriorityClass priority);

// The longest text an InString property holds; longer texts keep their first 255
// characters. The command line built from them is cut to the same length.
constexpr std::size_t kInStringLength = 255;
// The longest command line of a start through a file association.
constexpr std::size_t kAssociatedLineLength = 512;

// The process creation and start-up flags the launcher uses.
constexpr uint32_t kCreateNewConsole = 0x10;
constexpr uint32_t kStartfUseShowWindow = 0x1;

// System error codes the launcher reports for starts it refuses itself.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorFilenameExcedRange = 206;

// A path without the double quotes that enclose it (as is when it has none).
std::string UnquotedPath(std::string_view path);
// The program part of a command line: a path holding a blank is enclosed in double
// quotes (unless it already is), so that the system cannot take a shorter path up to
// the blank ("C:\Program.exe" for "C:\Program Files\...") as the program.
std::string QuotedProgramPath(std::string_view path);
// The directory of a program path (up to and including its last backslash or
// colon), its enclosing quotes removed first; "" when there is none. The working
// directory for a game started from that path.
std::string ExtractProgramDir(std::string_view path);

class TExecFile {
  public:
    using InString = std::string;
    using TNotifyEvent = std::function<void(TExecFile& sender)>;

    // `starter` must outlive the component.
    explicit TExecFile(ProcessStarter& starter);
    TExecFile(const TExecFile&) = delete;
    TExecFile& operator=(const TExecFile&) = delete;

    bool Associate() const { return associate_; }
    void SetAssociate(bool value) { associate_ = value; }
    const InString& CommandLine() const { return commandLine_; }
    void SetCommandLine(std::string_view value);
    const InString& WorkingDir() const { return workingDir_; }
    void SetWorkingDir(std::string_view value);
    const InString& Parameters() const { return parameters_; }
    void SetParameters(std::string_view value);
    TPriorityClass Priority() const { return priority_; }
    void SetPriority(TPriorityClass value) { priority_ = value; }
    bool Wait() const { return wait_; }
    void SetWait(bool value) { wait_ = value; }
    TWaitStyle WaitStyle() const { return waitStyle_; }
    void SetWaitStyle(TWaitStyle value) { waitStyle_ = value; }
    TWindowStyle WindowStyle() const { return windowStyle_; }
    void SetWindowStyle(TWindowStyle value) { windowStyle_ = value; }
    // Whether a wait lasts until every program the started one starts, directly or
    // through others, has ended too (see ProcessStart::followStarted).
    bool FollowStarted() const { return followStarted_; }
    void SetFollowStarted(bool value) { followStarted_ = value; }

    // Called when a start fails, after LastError is set.
    TNotifyEvent OnFail;
    // Called once the program has started, before Execute waits for it.
    TNotifyEvent OnStart;
    // Called during a regular wait for each program that joins it.
    std::function<void(TExecFile& sender, const FollowedProgram& program)> OnFollow;
    // Called when a regular wait begins and when it ends (see Waiting).
    TNotifyEvent OnWaitChange;

    // Whether a regular wait is under way.
    bool Waiting() const { return waiting_; }
    // Ends the regular wait under way as soon as the handler that asks returns; the
    // programs run on. Nothing happens when no regular wait is under way.
    void StopWaiting();
    // Whether the last wait was ended by StopWaiting rather than by the programs.
    bool WaitStopped() const { return stopped_; }

    // Starts the program the properties describe. True when a program was started
    // (after it has ended, when Wait is set); false when none could be, after
    // OnFail. The process of the previous start is released first.
    bool Execute();

    // The system error code of the last failed start.
    uint32_t LastError() const { return lastError_; }
    // The process of the last successful start; null when there is none.
    const ProcessHandle* ProcessInfo() const { return process_.get(); }
    // The start-up information passed to the system at the last Execute.
    const StartupInfo& StartInfo() const { return startup_; }

  private:
    bool Fail(uint32_t error);
    // Starts through the program associated with CommandLine.
    ProcessStartResult StartAssociated(uint32_t creationFlags);
    void WaitRegular(ProcessHandle& process);

    ProcessStarter& starter_;
    bool associate_ = false;
    InString commandLine_;
    InString workingDir_;
    InString parameters_;
    TPriorityClass priority_ = TPriorityClass::pcNormal;
    bool wait_ = false;
    TWaitStyle waitStyle_ = TWaitStyle::wRegular;
    TWindowStyle windowStyle_ = TWindowStyle::wsNorm;
    bool followStarted_ = false;
    bool waiting_ = false;
    bool stopRequested_ = false;
    bool stopped_ = false;

    uint32_t lastError_ = 0;
    StartupInfo startup_;
    // Shared so that a start made from a handler during a regular wait cannot release
    // the process the outer wait is testing.
    std::shared_ptr<ProcessHandle> process_;
};

}  // namespace pallisar
