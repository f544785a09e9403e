#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Fakes.h"
#include "TimeZones.h"
#include "backup/Calendar.h"
#include "backup/Thinning.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 86400;

std::wstring NameAt(FakeClock& clock, const std::wstring& stem, const LocalTime& t,
                    bool incomplete = false) {
    return stem + L" Date " + clock.FormatDate(t, L"MMM d yyyy") + L" Time " +
           clock.FormatTime(t, L"hh mm ss tt") + (incomplete ? L" (incomplete)" : L"") + L".pub";
}

// The rule by the calendar, at Wednesday 1 September 2021 14:05:09: every backup of the last
// hour and any ahead of the clock; the newest of each clock hour of the last 24 hours, of each
// calendar day of the last 30 days and of each week (Monday to Sunday) before; incomplete
// copies among themselves; names this program would not write stay untouched.
TEST(Thinning, TheCalendarRuleKeepsWhatItSaysAtEveryEdge) {
    FakeClock clock;
    FakeFiles files;
    const std::int64_t now = Calendar::Seconds(clock.times.front());
    const std::wstring stem = L"C:\\B\\News.pub";
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
        paths.push_back(NameAt(clock, stem, b.time, b.incomplete));
        if (!b.kept) thinned.insert(paths.back());
    }
    const std::wstring strangers[] = {
        stem + L" Date Sep 1 2021 Time 02 05 09 PM copy.pub",
        stem + L" Date Sept 1 2021 Time 02 05 09 PM.pub",
        stem + L" Date Sep 31 2021 Time 02 05 09 PM.pub",
        stem + L" Date Sep 1 2021 Time 13 05 09 PM.pub",
        stem + L" Date Sep 1 2021 Time 02 05 09 PM (1).pub",
        stem + L" Date Jan 1 1500 Time 02 05 09 PM.pub",  // Windows formats no year before 1601
        stem + L" Sep 1 2021.pub",
        stem + L" [Docs 0A1B2C3D] Date Jul 1 2021 Time 02 05 09 PM.pub",  // another News.pub
        L"C:\\B\\News.pub2 Date Jul 1 2021 Time 02 05 09 PM.pub",
    };
    paths.insert(paths.end(), std::begin(strangers), std::end(strangers));

    BackupName::StampReader reader(clock, files);
    const std::vector<Thinning::StampedBackup> parsed =
        Thinning::ParseBackups(paths, stem, L".pub", reader);
    EXPECT_EQ(parsed.size(), std::size(backups)) << "a stranger parsed, or a backup did not";
    const std::vector<std::wstring> result = Thinning::ToThin(parsed, now);
    EXPECT_EQ(std::set<std::wstring>(result.begin(), result.end()), thinned);
    EXPECT_EQ(result.size(), thinned.size()) << "a backup was thinned twice";

    // Exactly 24 hours old, the newest of its clock hour but not of its day: its hour is over.
    const std::vector<Thinning::StampedBackup> dayOld = {
        {L"24 hours old", now - kDay, now - kDay, false},
        {L"newest of that day", now - kDay + 9 * kHour, now - kDay + 9 * kHour, false}};
    EXPECT_EQ(Thinning::ToThin(dayOld, now), std::vector<std::wstring>{L"24 hours old"});
    // A backup made at another time with the very name of another: " (2)" reads as its stamp.
    EXPECT_EQ(Thinning::ParseBackups({stem + L" Date Sep 1 2021 Time 01 05 09 PM (2).pub"}, stem,
                                     L".pub", reader)
                  .at(0)
                  .local,
              now - kHour);
}

// Sixty days of hourly backups, thinned after each one, keep exactly what one thinning of them
// all keeps at the end: the last hour's (1), the newest of each of the 23 clock hours before
// (23), of each of the 29 days before that (29), and of each of the 4 older weeks (4).
TEST(Thinning, ThinningAfterEveryBackupKeepsWhatOneThinningAtTheEndKeeps) {
    const std::int64_t start = Calendar::Seconds({2021, 7, 1, 0, 17, 0, 0});  // a Thursday
    std::vector<Thinning::StampedBackup> all, kept;
    for (int hour = 0; hour < 60 * 24; ++hour) {
        const std::int64_t time = start + hour * kHour;
        all.push_back({std::to_wstring(time), time, time, false});
        kept.push_back(all.back());
        const std::vector<std::wstring> thinned = Thinning::ToThin(kept, time);
        std::erase_if(kept, [&](const Thinning::StampedBackup& b) {
            return std::find(thinned.begin(), thinned.end(), b.path) != thinned.end();
        });
    }
    const std::int64_t end = all.back().moment;  // Sunday 29 August 23:17
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

// Where the locale has no morning and afternoon designators, "01 35 10" is 01:35 or 13:35: a
// stamp is read by the reading nearest its file's creation, and only where that cannot be
// read as the latest reading not ahead of the clock (never older than it is).
TEST(Thinning, AStampThatReadsTwoWaysIsReadByWhenItsFileWasCreated) {
    FakeClock clock;
    FakeFiles files;
    clock.am = clock.pm = L"";
    const std::wstring stem = L"C:\\B\\News.pub";
    const LocalTime morning{2021, 9, 1, 1, 35, 40, 0}, afternoon{2021, 9, 1, 13, 35, 10, 0};
    const std::wstring early = NameAt(clock, stem, morning), late = NameAt(clock, stem, afternoon);
    for (const auto& [path, t] : {std::pair{early, morning}, std::pair{late, afternoon}}) {
        files.contents[path] = "backup";
        files.created[path] = FileTimeOf(Calendar::Seconds(t) + 40);  // saved 40 s after its stamp
    }
    // The next day at 14:05: the day's last backup is 13:35:10, the one to keep.
    clock.times = {{2021, 9, 2, 14, 5, 0, 0}};
    BackupName::StampReader reader(clock, files);
    const auto parsed = Thinning::ParseBackups({early, late}, stem, L".pub", reader);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].local, Calendar::Seconds(morning));
    EXPECT_EQ(parsed[1].local, Calendar::Seconds(afternoon));
    EXPECT_EQ(Thinning::ToThin(parsed, reader.nowMoment()), std::vector<std::wstring>{early});

    // Without creation times: at 13:40 the morning's stamps read as the last hour's, never as
    // older than they are.
    files.created.clear();
    clock.times = {{2021, 9, 1, 13, 40, 0, 0}};
    const std::int64_t now = Calendar::Seconds(clock.times.front());
    std::vector<std::wstring> paths;
    for (const int minute : {10, 20, 30}) {
        paths.push_back(stem + L" Date Sep 1 2021 Time 01 " + std::to_wstring(minute) +
                        L" 00 .pub");
    }
    paths.push_back(stem + L" Date Sep 1 2021 Time 11 50 00 .pub");   // 11:50, not 23:50
    paths.push_back(stem + L" Date Aug 31 2021 Time 11 50 00 .pub");  // 23:50 the day before
    BackupName::StampReader blind(clock, files);
    const auto guessed = Thinning::ParseBackups(paths, stem, L".pub", blind);
    ASSERT_EQ(guessed.size(), 5u);
    const std::int64_t expected[] = {now - 30 * kMinute, now - 20 * kMinute, now - 10 * kMinute,
                                     now - 110 * kMinute, now - 13 * kHour - 50 * kMinute};
    for (std::size_t i = 0; i < guessed.size(); ++i) EXPECT_EQ(guessed[i].moment, expected[i]) << i;
    EXPECT_EQ(Thinning::ToThin(guessed, now), std::vector<std::wstring>{})
        << "a backup of the last hour was taken for one of the morning";
}

// Ages are reckoned in real time through the zone's rules: at 03:10 on the morning the clocks
// go forward, a backup of 01:20 is 50 minutes old; in the hour a change back repeats, the
// later of two backups of one time is the newer, read by when its file was created.
TEST(Thinning, AgesAndTheNewestFollowTheTimeZonesChanges) {
    FakeClock clock;
    FakeFiles files;
    clock.zone = CentralEurope;
    const std::wstring stem = L"C:\\B\\News.pub";
    const LocalTime before[] = {{2021, 3, 28, 1, 20, 0, 0}, {2021, 3, 28, 1, 50, 0, 0}};
    clock.times = {{2021, 3, 28, 3, 10, 0, 0}};
    BackupName::StampReader spring(clock, files);
    const auto forward = Thinning::ParseBackups(
        {NameAt(clock, stem, before[0]), NameAt(clock, stem, before[1])}, stem, L".pub", spring);
    ASSERT_EQ(forward.size(), 2u);
    EXPECT_EQ(spring.nowMoment() - forward[0].moment, 50 * kMinute);
    EXPECT_EQ(Thinning::ToThin(forward, spring.nowMoment()), std::vector<std::wstring>{})
        << "a backup 50 minutes old was thinned";

    // 31 October: 02:40 summer time (00:40 UTC), 02:20 standard time (01:20 UTC), an hour on.
    const LocalTime first{2021, 10, 31, 2, 40, 0, 0}, second{2021, 10, 31, 2, 20, 0, 0};
    const std::wstring a = NameAt(clock, stem, first), b = NameAt(clock, stem, second);
    const std::int64_t firstMoment = CentralEurope(first).front();
    const std::int64_t secondMoment = CentralEurope(second).back();
    files.contents[a] = files.contents[b] = "backup";
    files.created[a] = FileTimeOf(firstMoment + 5);
    files.created[b] = FileTimeOf(secondMoment + 5);
    clock.times = {{2021, 11, 1, 9, 0, 0, 0}};  // the next day: one of that hour is kept
    BackupName::StampReader autumn(clock, files);
    const auto back = Thinning::ParseBackups({a, b}, stem, L".pub", autumn);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].moment, firstMoment);
    EXPECT_EQ(back[1].moment, secondMoment);
    EXPECT_EQ(Thinning::ToThin(back, autumn.nowMoment()), std::vector<std::wstring>{a})
        << "02:40 summer time was taken for newer than 02:20 an hour later";
}

}  // namespace
}  // namespace kelbrook
