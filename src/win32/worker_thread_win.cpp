// Worker threads with the Win32 thread API, which every Windows since 95 and NT 3.1 has.
#include <windows.h>

#include "platform/worker_thread.h"
#include "win32/runtime/processor_emulation.h"

namespace pallisar {

struct WorkerLock::State {
    CRITICAL_SECTION section;
};

WorkerLock::WorkerLock() : state_(std::make_unique<State>()) {
    InitializeCriticalSection(&state_->section);
}
WorkerLock::~WorkerLock() { DeleteCriticalSection(&state_->section); }
void WorkerLock::Enter() { EnterCriticalSection(&state_->section); }
void WorkerLock::Leave() { LeaveCriticalSection(&state_->section); }

constexpr unsigned kPollMilliseconds = 50;

struct WakeSignal::State {
    // Auto-reset: a wait that returns takes the signal.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

WakeSignal::WakeSignal() : state_(std::make_unique<State>()) {}
WakeSignal::~WakeSignal() {
    if (state_->event) CloseHandle(state_->event);
}

void WakeSignal::Set() {
    if (state_->event) SetEvent(state_->event);
}

bool WakeSignal::Wait(unsigned milliseconds) {
    if (!state_->event) {
        // Without an event the waiter looks at its state again every little while: it
        // never waits for good, though it may never see its full interval pass.
        Sleep(milliseconds < kPollMilliseconds ? milliseconds : kPollMilliseconds);
        return true;
    }
    return WaitForSingleObject(state_->event, milliseconds == kForever ? INFINITE : milliseconds) ==
           WAIT_OBJECT_0;
}

struct WorkerThread::State {
    std::function<void()> body;
    HANDLE thread = nullptr;

    static DWORD WINAPI Run(void* state) {
        // Each thread has its own exception handlers: the processor emulation goes
        // into this one too.
        ProcessorEmulationScope emulation;
        static_cast<State*>(state)->body();
        return 0;
    }
};

WorkerThread::WorkerThread(std::function<void()> body) : state_(std::make_unique<State>()) {
    state_->body = std::move(body);
    DWORD id = 0;  // Windows 95/98 refuse a null thread id pointer
    state_->thread = CreateThread(nullptr, 0, &State::Run, state_.get(), 0, &id);
}

WorkerThread::~WorkerThread() {
    if (!state_->thread) return;
    WaitForSingleObject(state_->thread, INFINITE);
    CloseHandle(state_->thread);
}

}  // namespace pallisar
