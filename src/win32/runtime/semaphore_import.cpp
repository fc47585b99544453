// The C++ run-time's mutexes (behind exceptions and static locals) make their
// semaphore with CreateSemaphoreW, which Windows 95, 98 and ME export only as a stub
// that fails: a mutex there could never wait. The run-time's reference to that import
// is answered here, ahead of kernel32's, with CreateSemaphoreA, which every Windows
// has. The run-time never names its semaphores.
#include <windows.h>

namespace {

HANDLE WINAPI CreateUnnamedSemaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                     LPCWSTR name) {
    if (name) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    return CreateSemaphoreA(security, initial, maximum, nullptr);
}

}  // namespace

// The import's address slot, as the run-time's object refers to it.
extern "C" void* createSemaphoreWImport __asm__("__imp__CreateSemaphoreW@16");
void* createSemaphoreWImport = reinterpret_cast<void*>(&CreateUnnamedSemaphore);
