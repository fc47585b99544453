#pragma once
// The one way the program's parts write a log line. The application's log decides
// whether the line reaches the file; callers never learn whether it did.

#include <string>

namespace pallisar {

class LogWriter {
public:
    virtual ~LogWriter() = default;
    virtual void WriteLog(const std::string& text) = 0;
};

}  // namespace pallisar
