// Dates and times of the proleptic Gregorian calendar, by the calendar alone (no time zone):
// what a backup's name says is a local time, and it is compared as one.
#pragma once

#include <cstdint>

#include "core/Platform.h"

namespace kelbrook::Calendar {

inline constexpr std::int64_t kHour = 3600, kDay = 24 * kHour, kWeek = 7 * kDay;

// Days from 1 January 1970 to a date.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr int DaysInMonth(std::int64_t year, int month) {
    return static_cast<int>(DaysFromCivil(month == 12 ? year + 1 : year, month % 12 + 1, 1) -
                            DaysFromCivil(year, month, 1));
}

// Seconds from 1 January 1970 00:00:00 to a local time.
constexpr std::int64_t Seconds(const LocalTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * kDay + time.hour * kHour +
           time.minute * 60 + time.second;
}

// The local time `seconds` from 1 January 1970 00:00:00 (the inverse of Seconds).
constexpr LocalTime LocalTimeOf(std::int64_t seconds) {
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - kDay + 1) / kDay;
    const std::int64_t rest = seconds - days * kDay;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return LocalTime{year,
                     month,
                     day,
                     static_cast<int>(rest / kHour),
                     static_cast<int>(rest % kHour / 60),
                     static_cast<int>(rest % 60),
                     0};
}

// A file time (100 ns since 1 January 1601, UTC) in seconds since 1 January 1970, rounded down.
constexpr std::int64_t FileTimeSeconds(std::int64_t fileTime) {
    constexpr std::int64_t kTicks = 10'000'000, kFrom1601 = 11'644'473'600;
    return (fileTime >= 0 ? fileTime / kTicks : (fileTime - kTicks + 1) / kTicks) - kFrom1601;
}

// Days (Seconds / kDay, rounded down) to the Monday that begins their week: 1 January 1970 was
// a Thursday.
constexpr std::int64_t MondayOf(std::int64_t days) {
    const std::int64_t sinceMonday = ((days + 3) % 7 + 7) % 7;
    return days - sinceMonday;
}

}  // namespace kelbrook::Calendar
