// Following a started program's whole tree with the Windows backend, by each means
// (the job object, the process snapshots and the NT process list, the last two forced
// with the follower's test variable): probe.exe chains, where a start-up program starts
// the game and ends at once.

#include "win32/process_follower.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "win32/win32_process_starter.h"

namespace pallisar {
namespace {

using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;

std::string ProbeExe() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "probe.exe";
}

bool Ended(DWORD id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// The values of `key` in the report's blocks, in order.
std::vector<std::string> Field(const std::string& report, const std::string& key) {
    std::vector<std::string> values;
    for (std::size_t at = report.find("\r\n" + key + "="); at != std::string::npos;
         at = report.find("\r\n" + key + "=", at + 1)) {
        const std::size_t from = at + key.size() + 3;
        values.push_back(report.substr(from, report.find("\r\n", from) - from));
    }
    return values;
}

struct Means {
    const char* forced;  // the test variable's value; empty: the system's choice
    const char* name;
};

class ProcessFollowerTest : public testing::TestWithParam<Means> {
  protected:
    void SetUp() override {
        SetEnvironmentVariableA(kFollowMeansVariable,
                                *GetParam().forced ? GetParam().forced : nullptr);
        SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", report_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA(kFollowMeansVariable, nullptr);
        SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", nullptr);
    }

    // Starts `line` following its tree and waits, serving messages, as a launch does.
    std::vector<FollowedProgram> StartAndWait(const std::string& line, std::string* means) {
        ProcessStart start;
        start.commandLine = line;
        start.followStarted = true;
        ProcessStartResult result = starter_.StartProcess(start);
        EXPECT_TRUE(result.process) << "error " << result.error;
        if (!result.process) return {};
        *means = result.process->FollowMeans();
        std::vector<FollowedProgram> joined;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            const bool ended = starter_.WaitForProcessOrMessage(*result.process);
            for (FollowedProgram& program : result.process->TakeJoined()) joined.push_back(program);
            if (ended) break;
            starter_.ProcessPendingMessages();
            if (std::chrono::steady_clock::now() > limit) {
                ADD_FAILURE() << "the wait never ended";
                break;
            }
        }
        return joined;
    }

    TempDir dir_;
    std::string report_ = dir_.File("follow-report.ini");
    Win32ProcessStarter starter_;
};

// A start-up program that starts the game and ends at once; the game runs on after its
// starter has ended. Then a chain two deep, whose middle program lives a quarter of a
// second after starting the next: the fastest chain the lists are said to follow.
TEST_P(ProcessFollowerTest, WaitsForEveryProgramOfTheChain) {
    const std::string probe = "\"" + ProbeExe() + "\"";
    struct Chain {
        std::string line;
        size_t programs;
    };
    const Chain chains[] = {
        {probe + " --spawn " + probe + " --after-parent --delay-ms 700", 2},
        {probe + " --spawn " + probe + " --after-parent --delay-ms 250 --spawn " + probe +
             " --after-parent --delay-ms 500",
         3},
    };
    for (const Chain& chain : chains) {
        SCOPED_TRACE(chain.line);
        DeleteFileA(report_.c_str());
        std::string means;
        const std::vector<FollowedProgram> joined = StartAndWait(chain.line, &means);
        EXPECT_EQ(means, GetParam().name);
        const std::string report = ReadFileBytes(report_);
        const std::vector<std::string> ids = Field(report, "ProcessId");
        ASSERT_EQ(ids.size(), chain.programs) << report;
        for (const std::string& id : ids) {
            EXPECT_TRUE(Ended(std::stoul(id))) << "the wait ended before process " << id;
        }
        for (const std::string& parentEnded : Field(report, "ParentEnded")) {
            EXPECT_EQ(parentEnded, "1");
        }
        ASSERT_EQ(joined.size(), chain.programs - 1);
        for (const FollowedProgram& program : joined) {
            EXPECT_STRCASEEQ(program.file.c_str(), "probe.exe");
            EXPECT_STRCASEEQ(program.startedBy.c_str(), "probe.exe");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachMeans, ProcessFollowerTest,
                         testing::Values(Means{"", "job object"},
                                         Means{"snapshots", "process snapshots"},
                                         Means{"ntdll", "NT process list"}),
                         [](const testing::TestParamInfo<Means>& info) {
                             return std::string(*info.param.forced ? info.param.forced : "job");
                         });

}  // namespace
}  // namespace pallisar
