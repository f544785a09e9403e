#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Fakes.h"
#include "backup/Calendar.h"
#include "backup/Thinning.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 86400;

// The rule by the calendar, at Wednesday 1 September 2021 14:05:09: every backup of the last
// hour and any ahead of the clock; the newest of each clock hour of the last 24 hours, of each
// calendar day of the last 30 days and of each week (Monday to Sunday) before; incomplete
// copies among themselves; names this program would not write stay untouched.
TEST(Thinning, TheCalendarRuleKeepsWhatItSaysAtEveryEdge) {
    FakeClock clock;
    const std::int64_t now = Calendar::Seconds(clock.times.front());
    const std::wstring stem = L"C:\\B\\News.pub";
    const auto name = [&](const LocalTime& t, bool incomplete) {
        return stem + L" Date " + clock.FormatDate(t, L"MMM d yyyy") + L" Time " +
               clock.FormatTime(t, L"hh mm ss tt") + (incomplete ? L" (incomplete)" : L"") +
               L".pub";
    };
    const struct {
        LocalTime time;
        bool kept;
        bool incomplete = false;
    } backups[] = {
        {{2021, 9, 1, 14, 5, 9, 0}, true},    // now
        {{2021, 9, 1, 13, 5, 10, 0}, true},   // 59:59 old: the last hour keeps all
        {{2021, 9, 1, 13, 5, 9, 0}, false},   // one hour old, not the newest of 13:00
        {{2021, 9, 1, 12, 59, 59, 0}, true},  // the newest of 12:00
        {{2021, 9, 1, 12, 10, 0, 0}, false},
        {{2021, 9, 1, 18, 0, 0, 0}, true},  // ahead of the clock
        {{2021, 9, 3, 9, 0, 0, 0}, true},
        {{2021, 8, 31, 14, 5, 10, 0}, true},  // 23:59:59 old, the newest of its hour
        {{2021, 8, 31, 14, 0, 0, 0}, false},
        {{2021, 8, 31, 13, 5, 0, 0}, false},  // the newest of its hour, but 25 hours old
        {{2021, 8, 31, 23, 30, 0, 0}, true},  // the newest of 31 August
        {{2021, 8, 2, 20, 0, 0, 0}, true},    // the newest of 2 August, 29 days old
        {{2021, 8, 2, 8, 0, 0, 0}, false},
        {{2021, 8, 1, 22, 0, 0, 0}, true},  // Sunday: the newest of the week from 26 July
        {{2021, 7, 31, 10, 0, 0, 0}, false},
        {{2021, 7, 26, 9, 0, 0, 0}, false},        // Monday: the first day of that week
        {{2021, 7, 25, 9, 0, 0, 0}, true},         // Sunday: the newest of the week before
        {{2021, 9, 1, 12, 30, 0, 0}, true, true},  // incomplete: the newest of 12:00 of its own
        {{2021, 9, 1, 12, 20, 0, 0}, false, true},
        {{2021, 7, 1, 9, 0, 0, 0}, true, true},
    };
    std::vector<std::wstring> paths;
    std::set<std::wstring> thinned;
    for (const auto& b : backups) {
        paths.push_back(name(b.time, b.incomplete));
        if (!b.kept) thinned.insert(paths.back());
    }
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
        Thinning::ParseBackups(paths, stem, L".pub", clock, now);
    EXPECT_EQ(parsed.size(), std::size(backups)) << "a stranger parsed, or a backup did not";
    const std::vector<std::wstring> result = Thinning::ToThin(parsed, now);
    EXPECT_EQ(std::set<std::wstring>(result.begin(), result.end()), thinned);
    EXPECT_EQ(result.size(), thinned.size()) << "a backup was thinned twice";
}

// Sixty days of hourly backups, thinned after each one, keep exactly what one thinning of them
// all keeps at the end: the last hour's (1), the newest of each of the 23 clock hours before
// (23), of each of the 29 days before that (29), and of each of the 4 older weeks (4).
TEST(Thinning, ThinningAfterEveryBackupKeepsWhatOneThinningAtTheEndKeeps) {
    const std::int64_t start = Calendar::Seconds({2021, 7, 1, 0, 17, 0, 0});  // a Thursday
    std::vector<Thinning::StampedBackup> all, kept;
    for (int hour = 0; hour < 60 * 24; ++hour) {
        const std::int64_t time = start + hour * kHour;
        all.push_back({std::to_wstring(time), time, false});
        kept.push_back(all.back());
        const std::vector<std::wstring> thinned = Thinning::ToThin(kept, time);
        std::erase_if(kept, [&](const Thinning::StampedBackup& b) {
            return std::find(thinned.begin(), thinned.end(), b.path) != thinned.end();
        });
    }
    const std::int64_t end = all.back().time;  // Sunday 29 August 23:17
    std::set<std::wstring> once;
    for (const auto& b : all) once.insert(b.path);
    for (const std::wstring& path : Thinning::ToThin(all, end)) once.erase(path);
    std::set<std::wstring> repeated;
    for (const auto& b : kept) repeated.insert(b.path);
    EXPECT_EQ(repeated, once);
    EXPECT_EQ(repeated.size(), 1u + 23 + 29 + 4);
    EXPECT_TRUE(repeated.count(std::to_wstring(Calendar::Seconds({2021, 7, 4, 23, 17, 0, 0}))))
        << "the oldest week's newest is gone";
}

// Where the locale has no morning and afternoon designators, "01 10 00" is 01:10 or 13:10: a
// stamp is read as the reading nearest to now that is not ahead of the clock, never older.
TEST(Thinning, AStampThatReadsTwoWaysIsNeverTakenForOlderThanItIs) {
    FakeClock clock;
    clock.am = clock.pm = L"";
    const std::wstring stem = L"C:\\B\\News.pub";
    const std::int64_t now = Calendar::Seconds({2021, 9, 1, 13, 40, 0, 0});
    std::vector<std::wstring> paths;
    for (const int minute : {10, 20, 30}) {
        paths.push_back(stem + L" Date Sep 1 2021 Time 01 " + std::to_wstring(minute) +
                        L" 00 .pub");
    }
    paths.push_back(stem + L" Date Sep 1 2021 Time 11 50 00 .pub");   // 11:50, not 23:50
    paths.push_back(stem + L" Date Aug 31 2021 Time 11 50 00 .pub");  // 23:50 the day before
    const std::vector<Thinning::StampedBackup> parsed =
        Thinning::ParseBackups(paths, stem, L".pub", clock, now);
    ASSERT_EQ(parsed.size(), 5u);
    const std::int64_t expected[] = {now - 30 * kMinute, now - 20 * kMinute, now - 10 * kMinute,
                                     now - 110 * kMinute, now - 13 * kHour - 50 * kMinute};
    for (std::size_t i = 0; i < parsed.size(); ++i) EXPECT_EQ(parsed[i].time, expected[i]) << i;
    EXPECT_EQ(Thinning::ToThin(parsed, now), std::vector<std::wstring>{})
        << "a backup of the last hour was taken for one of the morning";
}

}  // namespace
}  // namespace kelbrook
