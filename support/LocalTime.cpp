#include "support/LocalTime.h"

namespace {

constexpr std::uint64_t kTicksPerMillisecond = 10000;
constexpr std::uint64_t kTicksPerDay = 24ull * 60 * 60 * 1000 * kTicksPerMillisecond;
// Days from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kDaysFrom1601To1970 = 134774;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1 January 1970 of a date in the proleptic Gregorian calendar (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

bool CivilTimeToFileTime(const sys::CivilTime& time, FileTime& result) {
    if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > DaysInMonth(time.year, time.month) || time.hour < 0 || time.hour > 23 || time.minute < 0 ||
        time.minute > 59 || time.second < 0 || time.second > 59 || time.milliseconds < 0 || time.milliseconds > 999) {
        return false;
    }
    const std::int64_t days =
        DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) +
        kDaysFrom1601To1970;
    const std::uint64_t milliseconds =
        ((static_cast<std::uint64_t>(time.hour) * 60 + static_cast<std::uint64_t>(time.minute)) * 60 +
         static_cast<std::uint64_t>(time.second)) *
            1000 +
        static_cast<std::uint64_t>(time.milliseconds);
    result = static_cast<std::uint64_t>(days) * kTicksPerDay + milliseconds * kTicksPerMillisecond;
    return true;
}

bool FileTimeToCivilTime(FileTime time, sys::CivilTime& result) {
    if ((time >> 63) != 0) {
        return false;
    }
    const auto days = static_cast<std::int64_t>(time / kTicksPerDay);
    std::uint64_t milliseconds = (time % kTicksPerDay) / kTicksPerMillisecond;
    CivilFromDays(days - kDaysFrom1601To1970, result.year, result.month, result.day);
    // 1 January 1601 was a Monday.
    result.dayOfWeek = static_cast<int>((days + 1) % 7);
    result.milliseconds = static_cast<int>(milliseconds % 1000);
    milliseconds /= 1000;
    result.second = static_cast<int>(milliseconds % 60);
    milliseconds /= 60;
    result.minute = static_cast<int>(milliseconds % 60);
    result.hour = static_cast<int>(milliseconds / 60);
    return true;
}

FileTime NowAsLocalFileTime() {
    FileTime now = 0;
    CivilTimeToFileTime(sys::LocalTimeNow(), now);
    return now;
}

int FileTimeToDate(FileTime time, int& year, int& month, int& day) {
    sys::CivilTime civil;
    if (!FileTimeToCivilTime(time, civil)) {
        year = month = day = 0;
        return 0;
    }
    year = civil.year;
    month = civil.month;
    day = civil.day;
    return day;
}
