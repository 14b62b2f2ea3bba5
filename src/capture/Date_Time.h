#pragma once

#include <cstdint>
#include <string>

// The date text and the time text of a packet stamp, in the machine's time zone.
class CDate_Time {
public:
    virtual ~CDate_Time() = default;

    char16_t Separator = u'-'; // between the parts of a date

    // Date code 2: month-day-year, 3: day-month-year; no leading zeros.
    std::u16string FormatDate(std::int64_t time, int code) const;
    // Time code 2: 12-hour with seconds and AM/PM, 3: 24-hour with seconds.
    std::u16string FormatTime(std::int64_t time, int code) const;
};
