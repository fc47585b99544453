#include "app/log.h"

#include <cstdio>
#include <memory>

#include "core/file_names.h"

namespace pallisar {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

Log::Log(std::string programDir) : dir_(programDir), settings_(std::move(programDir)) {}

std::string Log::Path() const { return FindFileNoCase(dir_, kFileName); }

void Log::WriteLog(const std::string& text) {
    if (!settings_.GenerateLog()) return;

    // After the first line of the run, lines are appended; a log deleted meanwhile is
    // created again by the append itself.
    FilePtr file(std::fopen(Path().c_str(), started_ ? "ab" : "wb"));
    if (!file) return;  // the line is dropped; the caller goes on
    started_ = true;

    const std::string line = text + "\r\n";
    std::fwrite(line.data(), 1, line.size(), file.get());
}

std::string ApplicationInitializedLine(const DateTimeSource& clock) {
    return "Application Initialized - " + clock.ShortDate() + " " + clock.LongTime();
}

std::string ApplicationTerminatedLine(const DateTimeSource& clock) {
    return "Application Terminated - " + clock.ShortDate() + " " + clock.LongTime();
}

}  // namespace pallisar
