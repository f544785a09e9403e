#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Fakes.h"
#include "backup/Thinning.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 86400;

// The local time `seconds` after 1 January 1970 (the inverse of Thinning::Seconds).
LocalTime At(std::int64_t seconds) {
    std::int64_t days = seconds / kDay;
    const std::int64_t rest = seconds % kDay;
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
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
                     static_cast<int>(rest % kHour / kMinute),
                     static_cast<int>(rest % kMinute),
                     0};
}

// Backups of one document spread over 40 days: every one of the last hour stays, then the
// newest of each hour of the last day, of each day of the last 30 days, of each week before;
// incomplete copies among themselves; names this program would not write stay untouched.
TEST(Thinning, TheRuleKeepsWhatItSaysAtEveryBoundary) {
    FakeClock clock;
    const std::int64_t now = Thinning::Seconds(clock.times.front());
    ASSERT_EQ(At(now), clock.times.front());
    const std::wstring stem = L"C:\\B\\News.pub";
    const auto name = [&](std::int64_t age, bool incomplete = false) {
        const LocalTime t = At(now - age);
        return stem + L" Date " + clock.FormatDate(t, L"MMM d yyyy") + L" Time " +
               clock.FormatTime(t, L"hh mm ss tt") + (incomplete ? L" (incomplete)" : L"") + L".pub";
    };
    const struct {
        std::int64_t age;
        bool incomplete;
        bool kept;
    } backups[] = {
        {0, false, true},
        {59 * kMinute + 59, false, true},            // the last hour: all of it
        {30 * kMinute, false, true},
        {kHour, false, true},                        // the newest of its hour
        {kHour + 59 * kMinute + 59, false, false},
        {23 * kHour + 30 * kMinute, false, true},    // the last hour of the last day
        {23 * kHour + 59 * kMinute, false, false},
        {kDay, false, true},                          // the first day before that
        {2 * kDay - 1, false, false},
        {29 * kDay + 23 * kHour, false, true},        // the 30th day
        {30 * kDay, false, true},                     // the week after: newest kept
        {34 * kDay, false, false},
        {35 * kDay, false, true},                     // the next week
        {40 * kDay, false, false},
        {kHour + 10 * kMinute, true, true},           // incomplete copies apart: newest of h1
        {kHour + 50 * kMinute, true, false},
        {40 * kDay + kHour, true, true},
    };
    std::vector<std::wstring> paths;
    std::set<std::wstring> thinned;
    for (const auto& b : backups) {
        paths.push_back(name(b.age, b.incomplete));
        if (!b.kept) thinned.insert(paths.back());
    }
    // Names that do not parse, or are not this document's, are never touched.
    const std::wstring strangers[] = {
        stem + L" Date Sep 1 2021 Time 02 05 09 PM copy.pub",
        stem + L" Date Sept 1 2021 Time 02 05 09 PM.pub",
        stem + L" Date Sep 31 2021 Time 02 05 09 PM.pub",
        stem + L" Date Sep 1 2021 Time 13 05 09 PM.pub",
        stem + L" Sep 1 2021.pub",
        L"C:\\B\\News.pub2 Date Jul 1 2021 Time 02 05 09 PM.pub",
    };
    paths.insert(paths.end(), std::begin(strangers), std::end(strangers));

    const std::vector<Thinning::StampedBackup> parsed =
        Thinning::ParseBackups(paths, stem, L".pub", clock);
    EXPECT_EQ(parsed.size(), std::size(backups)) << "a stranger parsed, or a backup did not";
    const std::vector<std::wstring> result = Thinning::ToThin(parsed, now);
    EXPECT_EQ(std::set<std::wstring>(result.begin(), result.end()), thinned);
    EXPECT_EQ(result.size(), thinned.size()) << "a backup was thinned twice";
}

}  // namespace
}  // namespace kelbrook
