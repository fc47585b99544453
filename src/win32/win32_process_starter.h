#pragma once
// The process starter over the Windows API: CreateProcessA with no separate
// application name, FindExecutableA, waits on the process handle, and the calling
// thread's message queue.

#include "platform/process_starter.h"

namespace pallisar {

class Win32ProcessStarter : public ProcessStarter {
  public:
    ProcessStartResult StartProcess(const ProcessStart& start) override;
    FindExecutableResult FindAssociatedProgram(const std::string& file) override;
    void WaitForProcess(const ProcessHandle& process) override;
    bool WaitForProcessOrMessage(const ProcessHandle& process) override;
    MessageStep PumpMessage() override;
    void ProcessPendingMessages() override;
    void ExitProgram(int exitCode) override;
};

}  // namespace pallisar
