#pragma once
// The log file pallisar.log in the program directory. A line is written only while
// [Program] GenerateLog is on, which is read afresh for every line. The first line
// actually written in a run replaces the file; later lines are appended. Lines end
// with CR LF and are written byte for byte as given.
//
// During a burst (LogWriter::BeginBurst) GenerateLog is read once, at the burst's
// first line, and the file stays open until the burst ends; every line still reaches
// the file before WriteLog returns. Outside a burst the file is open only while one
// line is written.
//
// A log that cannot be created or written drops the line: logging never stops the
// operation that logs.

#include <cstdio>
#include <memory>
#include <optional>
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
    void BeginBurst() override { ++bursts_; }
    void EndBurst() override;

    // Whether a line has been written in this run (the log-started flag).
    bool Started() const { return started_; }
    // pallisar.log in the program directory, whatever its letter case on disk.
    std::string Path() const;

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    bool Generate();

    std::string dir_;
    ProgramSettings settings_;
    bool started_ = false;
    int bursts_ = 0;
    std::optional<bool> burstGenerates_;           // GenerateLog as read at the burst's first line
    std::unique_ptr<std::FILE, FileCloser> file_;  // open only during a burst
};

// "Application Initialized - " + date + " " + time.
std::string ApplicationInitializedLine(const DateTimeSource& clock);
// "Application Terminated - " + date + " " + time.
std::string ApplicationTerminatedLine(const DateTimeSource& clock);

}  // namespace pallisar
