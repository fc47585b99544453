#ifndef _WIN32
#include <ctime>

#include "platform/date_time.h"

namespace pallisar {

namespace {
std::string FormatNow(const char* pattern) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64] = {};
    std::strftime(buffer, sizeof buffer, pattern, &local);
    return buffer;
}
}  // namespace

std::string SystemDateTime::ShortDate() const { return FormatNow("%Y-%m-%d"); }
std::string SystemDateTime::LongTime() const { return FormatNow("%H:%M:%S"); }

}  // namespace pallisar
#endif
