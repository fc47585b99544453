#pragma once
// A ProcessStarter for tests: records every call in order, answers from a script,
// and counts the process handles still held, so a test sees when they are released.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/process_starter.h"

namespace pallisar::test {

class FakeProcessStarter : public ProcessStarter {
  public:
    class Handle : public ProcessHandle {
      public:
        Handle(FakeProcessStarter& owner, uint32_t id) : owner_(owner), id_(id) {
            owner_.live_.insert(this);
        }
        ~Handle() override { owner_.live_.erase(this); }
        uint32_t ProcessId() const override { return id_; }
        uint32_t ThreadId() const override { return id_ + 1; }
        std::vector<FollowedProgram> TakeJoined() override { return std::exchange(joined, {}); }
        std::string FollowMeans() const override { return means; }

        // Started with followStarted: the programs that join at the first wait, and the
        // means named.
        std::vector<FollowedProgram> joined;
        std::string means;

      private:
        FakeProcessStarter& owner_;
        uint32_t id_;
    };

    ~FakeProcessStarter() override {
        EXPECT_TRUE(live_.empty()) << "process handles outlive the launcher";
    }

    ProcessStartResult StartProcess(const ProcessStart& start) override {
        starts.push_back(start);
        liveAtCreate.push_back(live_.size());
        events.push_back("create " + start.commandLine);
        ProcessStartResult result;
        const uint32_t error = createErrors.empty() ? 0 : createErrors.front();
        if (!createErrors.empty()) createErrors.pop_front();
        if (error != 0) {
            result.error = error;
        } else {
            auto handle = std::make_unique<Handle>(*this, nextId_);
            if (start.followStarted) {
                handle->joined = followJoins;
                handle->means = followMeans;
            }
            result.process = std::move(handle);
            nextId_ += 4;
        }
        return result;
    }

    FindExecutableResult FindAssociatedProgram(const std::string& file) override {
        events.push_back("find " + file);
        return findResult;
    }

    void WaitForProcess(const ProcessHandle& process) override {
        CheckLive(process);
        events.push_back("wait " + std::to_string(process.ProcessId()));
        if (whileWaiting) whileWaiting();
    }

    bool WaitForProcessOrMessage(const ProcessHandle& process) override {
        CheckLive(process);
        events.push_back("ended?");
        if (runningPolls > 0) {
            --runningPolls;
            return false;
        }
        // The game's whole run, as in WaitForProcess.
        if (whileWaiting) whileWaiting();
        return true;
    }

    MessageStep PumpMessage() override {
        if (messages.empty()) return {};
        const MessageStep step = messages.front();
        messages.pop_front();
        events.push_back(step.kind == MessageStep::kQuit ? "quit" : "dispatch");
        if (step.kind == MessageStep::kDispatched && onDispatch) onDispatch();
        return step;
    }

    void ProcessPendingMessages() override { events.push_back("process pending"); }

    void ExitProgram(int exitCode) override {
        events.push_back("exit " + std::to_string(exitCode));
    }

    std::size_t LiveHandles() const { return live_.size(); }

    // Script: the error of each CreateProcess call in turn (0 or none left: success).
    std::deque<uint32_t> createErrors;
    FindExecutableResult findResult;
    // How many times WaitForProcessOrMessage answers false (a message came, the
    // process runs on) before it answers true.
    int runningPolls = 0;
    std::deque<MessageStep> messages;
    // For starts that follow the programs started: who joins, and by what means.
    std::vector<FollowedProgram> followJoins;
    std::string followMeans;
    std::function<void()> onDispatch;
    // Runs inside WaitForProcess, and inside the WaitForProcessOrMessage that answers
    // that the process has ended: what happens while the "game" runs.
    std::function<void()> whileWaiting;

    std::vector<ProcessStart> starts;
    // How many handles were still held at each CreateProcess call.
    std::vector<std::size_t> liveAtCreate;
    std::vector<std::string> events;

  private:
    void CheckLive(const ProcessHandle& process) const {
        EXPECT_TRUE(live_.count(&process)) << "waiting on a released process handle";
    }

    std::set<const ProcessHandle*> live_;
    uint32_t nextId_ = 100;
};

}  // namespace pallisar::test
