#pragma once
// A LogWriter for tests: keeps every line in order, and how many bursts are open.

#include <string>
#include <vector>

#include "core/log_writer.h"

namespace pallisar::test {

class RecordingLog : public LogWriter {
public:
    void WriteLog(const std::string& text) override { lines.push_back(text); }
    void BeginBurst() override { ++open_bursts; }
    void EndBurst() override { --open_bursts; }
    std::vector<std::string> lines;
    int open_bursts = 0;
};

}  // namespace pallisar::test
