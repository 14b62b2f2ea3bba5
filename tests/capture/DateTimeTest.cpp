#include "capture/Date_Time.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

namespace {

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

std::string N(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

TEST(DateTime, TimeForms) {
    struct Row {
        int h, m, s, code;
        const char* text;
    } rows[] = {
        {9, 5, 3, 2, "9:05:03 AM"},  {0, 0, 0, 2, "0:00:00 AM"},     {12, 0, 0, 2, "12:00:00 PM"},
        {13, 7, 9, 2, "1:07:09 PM"}, {23, 59, 59, 2, "11:59:59 PM"}, {9, 5, 3, 3, "9:05:03"},
        {0, 0, 0, 3, "0:00:00"},     {23, 59, 59, 3, "23:59:59"},
    };
    CDate_Time dt;
    for (const Row& r : rows)
        EXPECT_EQ(N(dt.FormatTime(LocalTime(2009, 4, 29, r.h, r.m, r.s), r.code)), r.text);
}

TEST(DateTime, DateForms) {
    CDate_Time dt;
    const auto t = LocalTime(2009, 4, 29, 9, 5, 3);
    EXPECT_EQ(N(dt.FormatDate(t, 2)), "4-29-2009");
    EXPECT_EQ(N(dt.FormatDate(t, 3)), "29-4-2009");
    EXPECT_EQ(N(dt.FormatDate(LocalTime(2009, 4, 9, 1, 0, 0), 2)), "4-9-2009");
    dt.Separator = u'/';
    EXPECT_EQ(N(dt.FormatDate(t, 2)), "4/29/2009");
    EXPECT_EQ(N(dt.FormatDate(t, 3)), "29/4/2009");
}

TEST(DateTime, UnrepresentableTimeGivesZeroDateAndMinusOneTime) {
    CDate_Time dt;
    EXPECT_EQ(N(dt.FormatDate(INT64_MAX, 2)), "0-0-0");
    EXPECT_EQ(N(dt.FormatTime(INT64_MAX, 3)), "-1:-1:-1");
}

} // namespace
