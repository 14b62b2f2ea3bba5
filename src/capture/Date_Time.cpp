#include "capture/Date_Time.h"

#include "platform/LocalTime.h"
#include "targets/TextString.h"

#include <cstdio>
#include <ctime>

namespace {

// Breaks a time value down into local calendar fields; false when it cannot be represented.
bool BreakDown(std::int64_t time, std::tm& fields) {
    if (time < static_cast<std::int64_t>(INT64_MIN / 2) ||
        time > static_cast<std::int64_t>(INT64_MAX / 2))
        return false;
    const std::time_t t = static_cast<std::time_t>(time);
    return LocalTime(t, fields);
}

// "%2d" with a leading blank replaced by '0'.
std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d", value);
    if (text[0] == ' ')
        text[0] = '0';
    return text;
}

} // namespace

std::u16string CDate_Time::FormatDate(std::int64_t time, int code) const {
    int year = 0, month = 0, day = 0;
    std::tm fields{};
    if (BreakDown(time, fields)) {
        year = fields.tm_year + 1900;
        month = fields.tm_mon + 1;
        day = fields.tm_mday;
    }
    const std::u16string sep(1, Separator);
    const int first = code == 3 ? day : month;
    const int second = code == 3 ? month : day;
    return Ascii16(std::to_string(first)) + sep + Ascii16(std::to_string(second)) + sep +
           Ascii16(std::to_string(year));
}

std::u16string CDate_Time::FormatTime(std::int64_t time, int code) const {
    int hour = -1, minute = -1, second = -1;
    std::tm fields{};
    if (BreakDown(time, fields)) {
        hour = fields.tm_hour;
        minute = fields.tm_min;
        second = fields.tm_sec;
    }
    const std::string mmss = TwoDigits(minute) + ":" + TwoDigits(second);
    if (code == 3)
        return Ascii16(std::to_string(hour) + ":" + mmss);
    // The hour after midnight shows as 0, as the 12-hour form has always done here.
    const bool pm = hour >= 12;
    const int shown = (pm && hour != 12) ? hour - 12 : hour;
    return Ascii16(std::to_string(shown) + ":" + mmss + (pm ? " PM" : " AM"));
}
