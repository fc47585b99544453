#ifndef _WIN32
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/worker_thread.h"

namespace pallisar {

struct WorkerLock::State {
    std::mutex mutex;
};

WorkerLock::WorkerLock() : state_(std::make_unique<State>()) {}
WorkerLock::~WorkerLock() = default;
void WorkerLock::Enter() { state_->mutex.lock(); }
void WorkerLock::Leave() { state_->mutex.unlock(); }

struct WakeSignal::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool set = false;
};

WakeSignal::WakeSignal() : state_(std::make_unique<State>()) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::Set() {
    {
        std::lock_guard lock(state_->mutex);
        state_->set = true;
    }
    state_->changed.notify_one();
}

bool WakeSignal::Wait(unsigned milliseconds) {
    std::unique_lock lock(state_->mutex);
    const auto isSet = [this] { return state_->set; };
    if (milliseconds == kForever)
        state_->changed.wait(lock, isSet);
    else if (!state_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet))
        return false;
    state_->set = false;
    return true;
}

struct WorkerThread::State {
    std::thread thread;
};

WorkerThread::WorkerThread(std::function<void()> body) : state_(std::make_unique<State>()) {
    try {
        state_->thread = std::thread(std::move(body));
    } catch (const std::system_error&) {
        // Not started: the body never runs, and there is nothing to wait for.
    }
}

WorkerThread::~WorkerThread() {
    if (state_->thread.joinable()) state_->thread.join();
}

}  // namespace pallisar
#endif
