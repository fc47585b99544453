#pragma once
// A ProcessStarter for tests: records every call in order, answers from a script,
// and counts the process handles still held, so a test sees when they are released.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
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

      private:
        FakeProcessStarter& owner_;
        uint32_t id_;
    };

    ~FakeProcessStarter() override {
        EXPECT_TRUE(live_.empty()) << "process handles outlive the launcher";
    }

    ProcessStartResult StartProcess(const ProcessStart& start) override {
        starts.push_back(start);
        live_at_create.push_back(live_.size());
        events.push_back("create " + start.command_line);
        ProcessStartResult result;
        const uint32_t error = create_errors.empty() ? 0 : create_errors.front();
        if (!create_errors.empty()) create_errors.pop_front();
        if (error != 0) {
            result.error = error;
        } else {
            result.process = std::make_unique<Handle>(*this, next_id_);
            next_id_ += 4;
        }
        return result;
    }

    FindExecutableResult FindAssociatedProgram(const std::string& file) override {
        events.push_back("find " + file);
        return find_result;
    }

    void WaitForProcess(const ProcessHandle& process) override {
        CheckLive(process);
        events.push_back("wait " + std::to_string(process.ProcessId()));
    }

    bool WaitForProcessOrMessage(const ProcessHandle& process) override {
        CheckLive(process);
        events.push_back("ended?");
        if (running_polls > 0) {
            --running_polls;
            return false;
        }
        return true;
    }

    MessageStep PumpMessage() override {
        if (messages.empty()) return {};
        const MessageStep step = messages.front();
        messages.pop_front();
        events.push_back(step.kind == MessageStep::kQuit ? "quit" : "dispatch");
        if (step.kind == MessageStep::kDispatched && on_dispatch) on_dispatch();
        return step;
    }

    void ProcessPendingMessages() override { events.push_back("process pending"); }

    void ExitProgram(int exit_code) override {
        events.push_back("exit " + std::to_string(exit_code));
    }

    std::size_t LiveHandles() const { return live_.size(); }

    // Script: the error of each CreateProcess call in turn (0 or none left: success).
    std::deque<uint32_t> create_errors;
    FindExecutableResult find_result;
    // How many times WaitForProcessOrMessage answers false (a message came, the
    // process runs on) before it answers true.
    int running_polls = 0;
    std::deque<MessageStep> messages;
    std::function<void()> on_dispatch;

    std::vector<ProcessStart> starts;
    // How many handles were still held at each CreateProcess call.
    std::vector<std::size_t> live_at_create;
    std::vector<std::string> events;

  private:
    void CheckLive(const ProcessHandle& process) const {
        EXPECT_TRUE(live_.count(&process)) << "waiting on a released process handle";
    }

    std::set<const ProcessHandle*> live_;
    uint32_t next_id_ = 100;
};

}  // namespace pallisar::test
