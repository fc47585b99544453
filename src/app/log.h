#pragma once
// The log file pallisar.log in the program directory. A line is written only while
// [Program] GenerateLog is on, which is read afresh for every line. The first line
// actually written in a run replaces the file; later lines are appended. Lines end
// with CR LF and are written byte for byte as given.
//
// A log that cannot be created or written drops the line: logging never stops the
// operation that logs.

#include <string>

#include "app/program_settings.h"
#include "core/log_writer.h"
#include "platform/date_time.h"

namespace pallisar {

class Log : public LogWriter {
public:
    static constexpr const char* kFileName = "pallisar.log";

    // `programDir` ends with a path delimiter.
    explicit Log(std::string programDir);

    void WriteLog(const std::string& text) override;

    // Whether a line has been written in this run (the log-started flag).
    bool Started() const { return started_; }
    // pallisar.log in the program directory, whatever its letter case on disk.
    std::string Path() const;

private:
    std::string dir_;
    ProgramSettings settings_;
    bool started_ = false;
};

// "Application Initialized - " + date + " " + time.
std::string ApplicationInitializedLine(const DateTimeSource& clock);
// "Application Terminated - " + date + " " + time.
std::string ApplicationTerminatedLine(const DateTimeSource& clock);

}  // namespace pallisar
