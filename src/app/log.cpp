#include "app/log.h"

#include "core/file_names.h"

namespace pallisar {

Log::Log(std::string programDir) : dir_(programDir), settings_(std::move(programDir)) {}

std::string Log::Path() const { return FindFileNoCase(dir_, kFileName); }

bool Log::Generate() {
    if (bursts_ == 0) return settings_.GenerateLog();
    if (!burstGenerates_) burstGenerates_ = settings_.GenerateLog();
    return *burstGenerates_;
}

void Log::WriteLog(const std::string& text) {
    if (!Generate()) return;

    // After the first line of the run, lines are appended; a log deleted meanwhile is
    // created again by the append itself.
    if (!file_) file_.reset(std::fopen(Path().c_str(), started_ ? "ab" : "wb"));
    if (!file_) return;  // the line is dropped; the caller goes on
    started_ = true;

    const std::string line = text + "\r\n";
    std::fwrite(line.data(), 1, line.size(), file_.get());
    if (bursts_ == 0) {
        file_.reset();
    } else {
        std::fflush(file_.get());  // readable at once, and kept should the program fail
    }
}

void Log::EndBurst() {
    if (bursts_ > 0 && --bursts_ == 0) {
        file_.reset();
        burstGenerates_.reset();
    }
}

std::string ApplicationInitializedLine(const DateTimeSource& clock) {
    return "Application Initialized - " + clock.ShortDate() + " " + clock.LongTime();
}

std::string ApplicationTerminatedLine(const DateTimeSource& clock) {
    return "Application Terminated - " + clock.ShortDate() + " " + clock.LongTime();
}

}  // namespace pallisar
