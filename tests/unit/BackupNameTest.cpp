#include <gtest/gtest.h>

#include <set>

#include "Fakes.h"
#include "TimeZones.h"
#include "backup/BackupName.h"
#include "backup/Calendar.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

// Where a publication is, in the names of its backups in the one folder for all: its folder's
// name and a code of that folder's path. The code is part of every name already written, so
// it never changes: these values are those of every earlier version that wrote them.
TEST(BackupName, APublicationsFolderTagsItsBackupsInTheOneFolderForAll) {
    EXPECT_EQ(BackupName::OriginTag(L"C:\\Docs"), L"[Docs 59AE7DBB]");
    EXPECT_EQ(BackupName::OriginTag(L"c:\\DOCS\\"), L"[DOCS 59AE7DBB]") << "one folder, one code";
    EXPECT_EQ(BackupName::OriginTag(L"C:\\News\\2026-11"), L"[2026-11 A74D0068]");
    EXPECT_EQ(BackupName::OriginTag(L"C:\\News\\2026-12"), L"[2026-12 19546FA3]");
    EXPECT_EQ(BackupName::OriginTag(L"D:\\Old\\2026-11"), L"[2026-11 7305668F]");
    EXPECT_EQ(BackupName::OriginTag(L"D:\\"), L"[D BB9EAF8B]");
    EXPECT_EQ(BackupName::OriginTag(L"\\\\server\\share\\Grüße"), L"[Grüße F1DC75EE]");
    EXPECT_EQ(BackupName::OriginTag(L""), L"");
    EXPECT_EQ(BackupName::Stem(L"C:\\B\\", L"News.pub", L"C:\\News\\2026-11"),
              L"C:\\B\\News.pub [2026-11 A74D0068]");
    EXPECT_EQ(BackupName::Stem(L"C:\\News\\2026-11", L"News.pub"), L"C:\\News\\2026-11\\News.pub");
}

// Ninety days of hourly backups where the locale writes no AM/PM designator: 01:50 and 13:50
// are written alike, and the later never replaces the earlier. Every backup keeps a file of
// its own, and each name reads back as the time it was made.
TEST(BackupName, ABackupNeverTakesTheNameOfOneMadeAtAnotherTime) {
    FakeClock clock;
    FakeFiles files;
    clock.am = clock.pm = L"";
    const std::wstring stem = L"C:\\B\\News.pub";
    LocalTime now{2021, 7, 1, 0, 50, 0, 0};
    std::set<std::int64_t> made;
    for (int hour = 0; hour < 90 * 24; ++hour) {
        if (hour > 0 && ++now.hour == 24) {
            now.hour = 0;
            if (++now.day > Calendar::DaysInMonth(now.year, now.month)) {
                now.day = 1;
                ++now.month;
            }
        }
        const std::int64_t moment = Calendar::Seconds(now);
        clock.times = {now};
        BackupName::StampReader reader(clock, files, now);
        const std::wstring name = BackupName::Unclaimed(
            BackupName::WithTime(stem, clock, now, L".pub"), stem, L".pub", moment, reader);
        ASSERT_FALSE(files.contents.count(name)) << "replaced: " << ::testing::PrintToString(name);
        files.contents[name] = "backup";
        files.created[name] = FileTimeOf(moment + 30);
        made.insert(moment);
    }
    ASSERT_EQ(files.contents.size(), 90u * 24);
    std::vector<std::wstring> names;
    for (const auto& [name, bytes] : files.contents) names.push_back(name);
    BackupName::StampReader reader(clock, files);
    std::set<std::int64_t> read;
    for (const std::wstring& name : names) {
        const auto stamped = BackupName::ReadTimeStamped(name, stem, L".pub", reader);
        ASSERT_TRUE(stamped) << ::testing::PrintToString(name);
        read.insert(stamped->made.moment);
    }
    EXPECT_EQ(read, made);
}

// The hour a change back to standard time repeats: 02:30 comes twice and is written alike
// in any locale. The second is no run of the first's time and gets a name of its own; a run
// in the very second of a backup replaces it, as always; a file whose making cannot be told
// is never replaced.
TEST(BackupName, TheRepeatedHourAndAFileOfUnknownMakingKeepTheirBackups) {
    FakeClock clock;
    FakeFiles files;
    clock.zone = CentralEurope;
    const std::wstring stem = L"C:\\B\\News.pub";
    const LocalTime twoThirty{2021, 10, 31, 2, 30, 0, 0};
    const std::vector<std::int64_t> moments = CentralEurope(twoThirty);
    ASSERT_EQ(moments.size(), 2u);
    const std::wstring stamped = BackupName::WithTime(stem, clock, twoThirty, L".pub");
    EXPECT_EQ(stamped, L"C:\\B\\News.pub Date Oct 31 2021 Time 02 30 00 AM.pub");
    clock.times = {twoThirty};
    const auto nameAt = [&](std::int64_t moment) {
        clock.nowMoment = moment;
        BackupName::StampReader reader(clock, files, twoThirty);
        return BackupName::Unclaimed(stamped, stem, L".pub", moment, reader);
    };
    EXPECT_EQ(nameAt(moments[0]), stamped) << "a free name";
    files.contents[stamped] = "summer time";
    files.created[stamped] = FileTimeOf(moments[0] + 20);
    EXPECT_EQ(nameAt(moments[0]), stamped) << "the same second";
    const std::wstring second = L"C:\\B\\News.pub Date Oct 31 2021 Time 02 30 00 AM (2).pub";
    EXPECT_EQ(nameAt(moments[1]), second);
    files.contents[second] = "standard time";
    files.created[second] = FileTimeOf(moments[1] + 20);
    // Both read back by their files' creation: the first in summer time, the second after.
    BackupName::StampReader reader(clock, files, twoThirty);
    EXPECT_EQ(BackupName::ReadTimeStamped(stamped, stem, L".pub", reader)->made.moment, moments[0]);
    EXPECT_EQ(BackupName::ReadTimeStamped(second, stem, L".pub", reader)->made.moment, moments[1]);

    files.created.erase(stamped);  // its making can no longer be told
    EXPECT_EQ(nameAt(moments[0]), L"C:\\B\\News.pub Date Oct 31 2021 Time 02 30 00 AM (3).pub")
        << "a file of unknown making, or one of another time, was replaced";
    // An incomplete copy of a name claims it too.
    const std::wstring incomplete =
        L"C:\\B\\News.pub Date Oct 31 2021 Time 02 30 00 AM (3) (incomplete).pub";
    files.contents[incomplete] = "incomplete";
    files.created[incomplete] = FileTimeOf(moments[1] + 20);
    EXPECT_EQ(nameAt(moments[0]), L"C:\\B\\News.pub Date Oct 31 2021 Time 02 30 00 AM (4).pub");
}

}  // namespace
}  // namespace kelbrook
