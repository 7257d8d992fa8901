#pragma once
#include <optional>

namespace platform {

// A broken-down local date and time, fields as in C's struct tm but with a full year and month 1-12.
struct LocalTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // The current local time; nullopt when the conversion to local time fails.
    virtual std::optional<LocalTime> LocalNow() const = 0;
};

}  // namespace platform
