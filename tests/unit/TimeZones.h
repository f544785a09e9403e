// Moments for the tests of time: file times, and a zone that changes to summer time and back.
#pragma once

#include <cstdint>
#include <vector>

#include "backup/Calendar.h"
#include "core/Platform.h"

namespace kelbrook::testing {

// A file time (100 ns since 1601) for a moment (seconds since 1970, UTC).
inline std::int64_t FileTimeOf(std::int64_t moment) {
    return (moment + 11'644'473'600) * 10'000'000;
}

// A zone one hour ahead of UTC in winter and two in summer, which changes on 28 March 2021 at
// 01:00 UTC (02:00 becomes 03:00) and on 31 October 2021 at 01:00 UTC (03:00 becomes 02:00).
inline std::vector<std::int64_t> CentralEurope(const LocalTime& t) {
    const std::int64_t summerFrom = Calendar::Seconds({2021, 3, 28, 1, 0, 0, 0});
    const std::int64_t summerUntil = Calendar::Seconds({2021, 10, 31, 1, 0, 0, 0});
    std::vector<std::int64_t> moments;
    for (const std::int64_t offset : {2 * Calendar::kHour, Calendar::kHour}) {
        const std::int64_t moment = Calendar::Seconds(t) - offset;
        const bool summer = moment >= summerFrom && moment < summerUntil;
        if ((offset == 2 * Calendar::kHour) == summer) moments.push_back(moment);
    }
    return moments;
}

}  // namespace kelbrook::testing
