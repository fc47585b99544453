// The entry point of pallisar.exe (the build names it to the linker). The run-time's
// start-up already uses an instruction the Pentium lacks, before WinMain and before
// any constructor: the handler that carries those out goes in first, and stays in for
// the whole run of the main thread.
#include "win32/runtime/processor_emulation.h"

extern "C" int WinMainCRTStartup();

namespace {

void StartRunTime(void* exitCode) { *static_cast<int*>(exitCode) = WinMainCRTStartup(); }

}  // namespace

extern "C" int PallisarEntry() {
    int exitCode = 0;
    pallisar::RunWithProcessorEmulation(&StartRunTime, &exitCode);
    return exitCode;
}
