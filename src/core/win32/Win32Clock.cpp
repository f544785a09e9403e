#include "core/win32/Win32Clock.h"

#include <windows.h>

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

}  // namespace kelbrook::win32
