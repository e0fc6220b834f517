#include "support/LocalTime.h"

#include <gtest/gtest.h>

namespace {

sys::CivilTime Civil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0) {
    sys::CivilTime time;
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.milliseconds = ms;
    return time;
}

FileTime ToFileTime(const sys::CivilTime& time) {
    FileTime result = 0;
    EXPECT_TRUE(CivilTimeToFileTime(time, result));
    return result;
}

} // namespace

TEST(LocalTime, CalendarTimesBecomeTicksSince1601) {
    EXPECT_EQ(ToFileTime(Civil(1601, 1, 1)), 0u);
    EXPECT_EQ(ToFileTime(Civil(1970, 1, 1)), 116444736000000000u);
    EXPECT_EQ(ToFileTime(Civil(2001, 7, 4, 13, 5, 9, 42)), 126387255090420000u);
    EXPECT_EQ(ToFileTime(Civil(2000, 3, 1)) - ToFileTime(Civil(2000, 2, 28)), 2u * 864000000000u);
}

TEST(LocalTime, TicksBecomeTheSameCalendarTimeWithItsWeekday) {
    sys::CivilTime time;
    ASSERT_TRUE(FileTimeToCivilTime(126387255090420000u, time));
    EXPECT_EQ(time.year, 2001);
    EXPECT_EQ(time.month, 7);
    EXPECT_EQ(time.day, 4);
    EXPECT_EQ(time.dayOfWeek, 3); // a Wednesday
    EXPECT_EQ(time.hour, 13);
    EXPECT_EQ(time.minute, 5);
    EXPECT_EQ(time.second, 9);
    EXPECT_EQ(time.milliseconds, 42);

    ASSERT_TRUE(FileTimeToCivilTime(ToFileTime(Civil(2024, 2, 29, 23, 59, 59, 999)), time));
    EXPECT_EQ(time.month, 2);
    EXPECT_EQ(time.day, 29);
    EXPECT_EQ(time.milliseconds, 999);
}

TEST(LocalTime, ImpossibleDatesAreRefused) {
    FileTime result = 0;
    EXPECT_FALSE(CivilTimeToFileTime(Civil(1600, 12, 31), result));
    EXPECT_FALSE(CivilTimeToFileTime(Civil(2001, 2, 29), result));
    EXPECT_FALSE(CivilTimeToFileTime(Civil(2001, 13, 1), result));
    EXPECT_FALSE(CivilTimeToFileTime(Civil(2001, 1, 1, 24), result));
    EXPECT_TRUE(CivilTimeToFileTime(Civil(30827, 12, 31, 23, 59, 59, 999), result));
    EXPECT_FALSE(CivilTimeToFileTime(Civil(30828, 1, 1), result));
}

TEST(FileTimeToDate, GivesTheDateAndReturnsTheDay) {
    int year = -1, month = -1, day = -1;
    EXPECT_EQ(FileTimeToDate(126387255090420000u, year, month, day), 4);
    EXPECT_EQ(year, 2001);
    EXPECT_EQ(month, 7);
    EXPECT_EQ(day, 4);
}

TEST(FileTimeToDate, AStampWithItsTopBitSetGivesZeros) {
    int year = -1, month = -1, day = -1;
    EXPECT_EQ(FileTimeToDate(0x8000000000000000u, year, month, day), 0);
    EXPECT_EQ(year, 0);
    EXPECT_EQ(month, 0);
    EXPECT_EQ(day, 0);
}

TEST(NowAsLocalFileTime, ReadsTheLocalWallClock) {
    const FileTime before = ToFileTime(sys::LocalTimeNow());
    const FileTime now = NowAsLocalFileTime();
    const FileTime after = ToFileTime(sys::LocalTimeNow());
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}
