#pragma once
// The one way the program's parts write a log line. The application's log decides
// whether the line reaches the file; callers never learn whether it did.

#include <string>

namespace pallisar {

class LogWriter {
  public:
    virtual ~LogWriter() = default;
    virtual void WriteLog(const std::string& text) = 0;

    // Lines written between BeginBurst and the matching EndBurst follow each other at
    // once (the lines of one launch); a writer may keep its file open for them.
    // Bursts nest.
    virtual void BeginBurst() {}
    virtual void EndBurst() {}
};

// A burst for the lifetime of the object.
class LogBurst {
  public:
    explicit LogBurst(LogWriter& log) : log_(log) { log_.BeginBurst(); }
    ~LogBurst() { log_.EndBurst(); }
    LogBurst(const LogBurst&) = delete;
    LogBurst& operator=(const LogBurst&) = delete;

  private:
    LogWriter& log_;
};

}  // namespace pallisar
