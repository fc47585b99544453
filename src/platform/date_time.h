#pragma once
// The current date and time as the user's regional settings write them, for the
// log's start and stop lines.

#include <string>

namespace pallisar {

class DateTimeSource {
  public:
    virtual ~DateTimeSource() = default;
    // The current date in the short date format.
    virtual std::string ShortDate() const = 0;
    // The current time in the long time format.
    virtual std::string LongTime() const = 0;
};

// The system's own formats on Windows; elsewhere a fixed numeric date (YYYY-MM-DD)
// and a 24-hour time (HH:MM:SS).
class SystemDateTime : public DateTimeSource {
  public:
    std::string ShortDate() const override;
    std::string LongTime() const override;
};

}  // namespace pallisar
