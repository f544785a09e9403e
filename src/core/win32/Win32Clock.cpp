#include "core/win32/Win32Clock.h"

#include <windows.h>

#include <algorithm>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

SYSTEMTIME ToSystemTime(const LocalTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.millisecond);
    return st;
}

std::wstring Date(const LocalTime& time, DWORD flags, const wchar_t* picture) {
    const SYSTEMTIME st = ToSystemTime(time);
    wchar_t buffer[128] = {};
    if (!::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &st, picture, buffer, 128, nullptr)) {
        ThrowLastError(L"Formatting a date");
    }
    return buffer;
}

std::wstring Time(const LocalTime& time, const wchar_t* picture) {
    const SYSTEMTIME st = ToSystemTime(time);
    wchar_t buffer[128] = {};
    if (!::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, picture, buffer, 128)) {
        ThrowLastError(L"Formatting a time");
    }
    return buffer;
}

// 100 ns since 1601 to seconds since 1970.
constexpr std::int64_t kTicksPerSecond = 10'000'000, kSecondsFrom1601To1970 = 11'644'473'600;

std::int64_t Seconds(const FILETIME& time) {
    const std::int64_t ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

}  // namespace

LocalTime Win32Clock::Now() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return LocalTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                     st.wMinute, st.wSecond, st.wMilliseconds};
}

std::wstring Win32Clock::FormatDate(const LocalTime& time, const std::wstring& picture) {
    return Date(time, 0, picture.c_str());
}

std::wstring Win32Clock::FormatTime(const LocalTime& time, const std::wstring& picture) {
    return Time(time, picture.c_str());
}

std::wstring Win32Clock::FormatGeneralDate(const LocalTime& time) {
    return Date(time, DATE_SHORTDATE, nullptr) + L" " + Time(time, nullptr);
}

// The local time read back from each of the zone's two offsets (standard and daylight): an
// offset whose moment the zone's rules show as that very local time is one of its moments.
std::vector<std::int64_t> Win32Clock::MomentsOf(const LocalTime& time) {
    SYSTEMTIME local = ToSystemTime(time);
    local.wMilliseconds = 0;
    FILETIME asIfUtc{};
    if (!::SystemTimeToFileTime(&local, &asIfUtc)) ThrowLastError(L"Reading a local time");
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
        ThrowLastError(L"Reading the time zone");
    }
    TIME_ZONE_INFORMATION year{};
    if (!::GetTimeZoneInformationForYear(local.wYear, &zone, &year)) {
        ThrowLastError(L"Reading the time zone's rules");
    }
    std::vector<std::int64_t> moments;
    for (const LONG bias : {year.Bias + year.StandardBias, year.Bias + year.DaylightBias}) {
        const std::int64_t moment = Seconds(asIfUtc) + std::int64_t{bias} * 60;
        const std::int64_t ticks = (moment + kSecondsFrom1601To1970) * kTicksPerSecond;
        const FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME universal{}, back{};
        if (ticks < 0 || !::FileTimeToSystemTime(&utc, &universal) ||
            !::SystemTimeToTzSpecificLocalTime(&year, &universal, &back)) {
            continue;
        }
        if (SameTime(back, local)) moments.push_back(moment);
    }
    std::sort(moments.begin(), moments.end());
    moments.erase(std::unique(moments.begin(), moments.end()), moments.end());
    return moments;
}

std::int64_t Win32Clock::NowMoment() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return Seconds(now);
}

}  // namespace kelbrook::win32
