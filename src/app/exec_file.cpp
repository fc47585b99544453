#include "app/exec_file.h"

#include <algorithm>

namespace pallisar {

namespace {

std::string Cut(std::string_view text) { return std::string(text.substr(0, kInStringLength)); }

bool HasBlank(std::string_view text) { return text.find_first_of(" \t") != std::string_view::npos; }

bool IsQuoted(std::string_view path) {
    return path.size() >= 2 && path.front() == '"' && path.back() == '"';
}

// A double quote cannot be part of a Windows path; one that does not enclose the
// whole path would let the system split the line somewhere else than we mean.
bool HasStrayQuote(std::string_view path) {
    return UnquotedPath(path).find('"') != std::string::npos;
}

// program + " " + parameters, cut to `limit` characters but never into the program.
std::string JoinCommandLine(const std::string& program, std::string_view parameters,
                            std::size_t limit) {
    std::string line = program + " ";
    line.append(parameters);
    line.resize(std::min(line.size(), std::max(limit, program.size())));
    return line;
}

}  // namespace

uint16_t ShowWindowValue(TWindowStyle style) {
    switch (style) {
        case TWindowStyle::wsNorm:
            return 1;  // SW_SHOWNORMAL
        case TWindowStyle::wsMinimize:
            return 2;  // SW_SHOWMINIMIZED
        case TWindowStyle::wsMaximize:
            return 3;  // SW_SHOWMAXIMIZED
        case TWindowStyle::wsHide:
            return 0;  // SW_HIDE
        case TWindowStyle::wsMinNoActivate:
            return 7;  // SW_SHOWMINNOACTIVE
        case TWindowStyle::wsShowNoActivate:
            return 8;  // SW_SHOWNA
    }
    return 1;
}

uint32_t PriorityClassValue(TPriorityClass priority) {
    switch (priority) {
        case TPriorityClass::pcNormal:
            return 0x20;  // NORMAL_PRIORITY_CLASS
        case TPriorityClass::pcIdle:
            return 0x40;  // IDLE_PRIORITY_CLASS
        case TPriorityClass::pcHigh:
            return 0x80;  // HIGH_PRIORITY_CLASS
        case TPriorityClass::pcRealTime:
            return 0x100;  // REALTIME_PRIORITY_CLASS
    }
    return 0x20;
}

std::string UnquotedPath(std::string_view path) {
    if (IsQuoted(path)) path = path.substr(1, path.size() - 2);
    return std::string(path);
}

std::string QuotedProgramPath(std::string_view path) {
    if (IsQuoted(path) || !HasBlank(path)) return std::string(path);
    return "\"" + std::string(path) + "\"";
}

std::string ExtractProgramDir(std::string_view path) {
    const std::string unquoted = UnquotedPath(path);
    const auto end = unquoted.find_last_of("\\:");
    return end == std::string::npos ? std::string() : unquoted.substr(0, end + 1);
}

TExecFile::TExecFile(ProcessStarter& starter) : starter_(starter) {}

void TExecFile::SetCommandLine(std::string_view value) { commandLine_ = Cut(value); }
void TExecFile::SetWorkingDir(std::string_view value) { workingDir_ = Cut(value); }
void TExecFile::SetParameters(std::string_view value) { parameters_ = Cut(value); }

bool TExecFile::Execute() {
    process_.reset();
    stopped_ = false;
    startup_ = StartupInfo{};
    startup_.flags = kStartfUseShowWindow;
    startup_.showWindow = ShowWindowValue(windowStyle_);
    const uint32_t creationFlags = PriorityClassValue(priority_) | kCreateNewConsole;

    // With no program the system would take the first word of the parameters as one.
    if (commandLine_.empty()) return Fail(kErrorFileNotFound);
    if (HasStrayQuote(commandLine_)) return Fail(kErrorInvalidName);

    ProcessStart start;
    start.commandLine =
        JoinCommandLine(QuotedProgramPath(commandLine_), parameters_, kInStringLength);
    start.currentDir = workingDir_.empty() ? std::string("C:\\") : workingDir_;
    start.creationFlags = creationFlags;
    start.startup = startup_;
    start.followStarted = wait_ && followStarted_;
    ProcessStartResult result = starter_.StartProcess(start);
    if (!result.process && associate_) result = StartAssociated(creationFlags);
    if (!result.process) return Fail(result.error);

    process_ = std::move(result.process);
    if (OnStart) OnStart(*this);
    if (!wait_) return true;
    // A handler run during a regular wait may start again and replace process_.
    const std::shared_ptr<ProcessHandle> running = process_;
    if (waitStyle_ == TWaitStyle::wSuspend) {
        starter_.WaitForProcess(*running);
    } else {
        WaitRegular(*running);
    }
    return true;
}

ProcessStartResult TExecFile::StartAssociated(uint32_t creationFlags) {
    ProcessStartResult failed;
    const std::string document = UnquotedPath(commandLine_);
    const FindExecutableResult found = starter_.FindAssociatedProgram(document);
    if (found.code < 32) {
        // The lookup does not always set the system's last error; its own result
        // code uses the same numbers for the common failures.
        failed.error = found.error != 0 ? found.error
                       : found.code > 0 ? static_cast<uint32_t>(found.code)
                                        : 8;  // ERROR_NOT_ENOUGH_MEMORY
        return failed;
    }
    // The document goes to the associated program as one argument.
    const std::string program = QuotedProgramPath(found.program);
    const std::string line = program + " " + QuotedProgramPath(document) + " " + parameters_;
    if (line.size() > kAssociatedLineLength) {
        failed.error = kErrorFilenameExcedRange;
        return failed;
    }
    ProcessStart start;
    start.commandLine = line;
    start.creationFlags = creationFlags;
    start.startup = startup_;
    start.followStarted = wait_ && followStarted_;
    return starter_.StartProcess(start);
}

void TExecFile::StopWaiting() {
    if (waiting_) stopRequested_ = true;
}

void TExecFile::WaitRegular(ProcessHandle& process) {
    // A start made from a handler during this wait has a wait of its own.
    const bool outerWaiting = waiting_;
    const bool outerStop = stopRequested_;
    waiting_ = true;
    stopRequested_ = false;
    if (OnWaitChange) OnWaitChange(*this);
    for (;;) {
        const MessageStep step = starter_.PumpMessage();
        if (step.kind == MessageStep::kQuit) {
            starter_.ExitProgram(step.exitCode);
            break;
        }
        if (stopRequested_) {
            stopped_ = true;
            break;
        }
        if (step.kind == MessageStep::kDispatched) continue;
        const bool ended = starter_.WaitForProcessOrMessage(process);
        for (const FollowedProgram& program : process.TakeJoined()) {
            if (OnFollow) OnFollow(*this, program);
        }
        if (ended) {
            starter_.ProcessPendingMessages();
            break;
        }
    }
    waiting_ = outerWaiting;
    stopRequested_ = outerStop;
    if (OnWaitChange) OnWaitChange(*this);
}

bool TExecFile::Fail(uint32_t error) {
    lastError_ = error;
    if (OnFail) OnFail(*this);
    return false;
}

}  // namespace pallisar
