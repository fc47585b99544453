#pragma once
// A LogWriter for tests: keeps every line in order, and how many bursts are open.

#include <string>
#include <vector>

#include "core/log_writer.h"

namespace pallisar::test {

class RecordingLog : public LogWriter {
  public:
    void WriteLog(const std::string& text) override { lines.push_back(text); }
    void BeginBurst() override { ++openBursts; }
    void EndBurst() override { --openBursts; }
    std::vector<std::string> lines;
    int openBursts = 0;
};

}  // namespace pallisar::test
