// The local clock and the user's locale for dates and times.
#pragma once

#include "core/Platform.h"

namespace kelbrook::win32 {

class Win32Clock : public Clock {
  public:
    LocalTime Now() override;
    std::wstring FormatDate(const LocalTime& time, const std::wstring& picture) override;
    std::wstring FormatTime(const LocalTime& time, const std::wstring& picture) override;
    std::wstring FormatGeneralDate(const LocalTime& time) override;
    std::vector<std::int64_t> MomentsOf(const LocalTime& time) override;
    std::int64_t NowMoment() override;
};

}  // namespace kelbrook::win32
