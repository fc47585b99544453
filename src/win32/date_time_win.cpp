#include <windows.h>

#include "platform/date_time.h"

namespace pallisar {

std::string SystemDateTime::ShortDate() const {
    char buffer[128] = {};
    const int length = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer,
                                      sizeof buffer);
    return length > 0 ? std::string(buffer, length - 1) : std::string();
}

std::string SystemDateTime::LongTime() const {
    char buffer[128] = {};
    const int length =
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, length - 1) : std::string();
}

}  // namespace pallisar
