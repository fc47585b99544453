#pragma once
// A LogWriter for tests: keeps every line in order.

#include <string>
#include <vector>

#include "core/log_writer.h"

namespace pallisar::test {

class RecordingLog : public LogWriter {
public:
    void WriteLog(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

}  // namespace pallisar::test
