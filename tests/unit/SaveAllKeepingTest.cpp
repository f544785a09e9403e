// Backups kept as promised: a full disk told once for each volume, the skip across a restart,
// thinning by the calendar, and each publication's backups its own.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"
#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "backup/Thinning.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

// A backup that would leave less than the floor free is not written: one report in a run and
// none in the runs after, a line for each document every time, until a backup succeeds again.
TEST_F(SaveAllTest, AFullDiskIsSeenComingAndToldOnce) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}}), Doc(L"B.pub", L"C:\\Docs", {{L"b"}})});
    files.contents[L"C:\\Docs\\A.pub"] = std::string(3 * 1024 * 1024, 'a');  // 3 MB to copy
    values.FreeSpaceFloor = 100ULL * 1024 * 1024;
    files.freeBytes = 99ULL * 1024 * 1024;  // A would leave 96 MB, B (size unknown) 99 MB
    const std::wstring line = L" was not backup saved: only ";
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        dialogs.shown.clear();
        Press();
        EXPECT_EQ(ReportedSteps(), std::vector<int>(run == 1 ? 1 : 0, 160));
        if (run == 1) {
            EXPECT_EQ(
                dialogs.shown[0].text.rfind(L"A.pub" + line +
                                                L"96 MB would be left free on C:\\. Pick another "
                                                L"folder for the backups, or free some space "
                                                L"there: emptying the Recycle Bin is one way.",
                                            0),
                0u)
                << dialogs.shown[0].text;
        }
        const std::vector<std::wstring> log = LogLines();
        ASSERT_EQ(log.size(), 2u * run);
        EXPECT_EQ(log[2 * run - 2], L"A.pub" + line + L"96 MB would be left free on C:\\");
        EXPECT_EQ(log[2 * run - 1], L"B.pub" + line + L"99 MB would be left free on C:\\");
        EXPECT_EQ(publisher.created, 0) << "a copy instance was started for nothing";
        EXPECT_EQ(FileNames().size(), 1u) << "a backup was written";
    }
    files.freeBytes = 1ULL << 40;  // space again: backups, and the next shortage is told again
    Press();
    EXPECT_EQ(FileNames().size(), 3u);
    files.freeBytes = 0;
    dialogs.shown.clear();
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{160});

    // One that fits and one that does not: told once in three runs. A, changed in Publisher,
    // is estimated from its file all the same.
    files.freeBytes = 1ULL << 40;
    Press();
    dialogs.shown.clear();
    publisher.world->running->unsaved.insert(0);
    files.freeBytes = 101ULL * 1024 * 1024;  // A would leave 98 MB, B 101 MB
    for (int run = 0; run < 3; ++run) Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{160});
    EXPECT_EQ(LogLines().back().rfind(L"B.pub was backup saved as", 0), 0u);
}

// After a restart nothing is remembered, but an exact copy keeps its original's size and
// last-write time: the first scheduled run skips a publication whose backup in that folder
// still matches it, and anything that does not match counts as changed.
TEST_F(SaveAllTest, TheSkipIsRememberedAcrossARestartByTheExactCopy) {
    using SavePublisher::RunKind;
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}})});
    const std::wstring file = L"C:\\Docs\\A.pub";
    files.contents[file] = "the publication";
    files.times[file] = 7;
    const auto scheduled = [&] {
        SavePublisher::SaveAll(
            {controls, dialogs, files, picker, publisher, clipboard, clock, debug}, values,
            RunKind::OnSchedule);
    };
    Press();
    const std::wstring backup = L"C:\\Docs\\A.pub Date Sep 1 2021 Time 02 05 09 PM.pub";
    ASSERT_EQ(files.contents[backup], "the publication");
    // Look-alikes that are no exact copy of it, newer: another size, an incomplete copy; and an
    // exact copy a year older, whose name comes later as text.
    for (const auto& [name, bytes] : std::map<std::wstring, std::string>{
             {L"Sep 2 2021 Time 02 05 09 PM.pub", "other"},
             {L"Sep 3 2021 Time 02 05 09 PM (incomplete).pub", "the publication"},
             {L"Sep 10 2020 Time 02 05 09 PM.pub", "the publication"}}) {
        files.contents[L"C:\\Docs\\A.pub Date " + name] = bytes;
        files.times[L"C:\\Docs\\A.pub Date " + name] = 7;
    }
    const struct {
        const char* why;
        std::function<void()> change;
        bool skipped;
    } cases[] = {
        {"unchanged", [] {}, true},
        {"written since", [&] { files.times[file] = 8; }, false},
        {"another size", [&] { files.contents[file] = "the publication, longer"; }, false},
        {"changed in Publisher", [&] { publisher.world->running->unsaved.insert(0); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        values.LastBackups.clear();  // the program starts again
        c.change();
        const std::size_t before = LogLines().size();
        scheduled();
        ASSERT_EQ(LogLines().size(), before + 1);
        EXPECT_EQ(LogLines().back() ==
                      L"A.pub is unchanged since its backup " + backup + L" at 9/1/2021 2:05:09 PM",
                  c.skipped)
            << LogLines().back();
        publisher.world->running->unsaved.clear();
        files.contents[file] = "the publication";
        files.times[file] = 7;
        files.contents[backup] = "the publication";
        files.times[backup] = 7;
    }
    EXPECT_EQ(publisher.created, 1) << "saved publications are copied, never rebuilt";
    EXPECT_TRUE(dialogs.shown.empty());
}

// With "Thin out older backups" ticked, a good backup sends the document's older backups that
// the rule does not keep to the Recycle Bin, with one line in the log; one that cannot be
// moved stays, traced and not reported. With the box off, or with "Overwrite old backup file
// on backup", nothing goes.
TEST_F(SaveAllTest, AGoodBackupThinsOutTheOlderOnesWhenAsked) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"F", L"C:\\Docs", {{L"f"}})});
    // Three of one day, five days ago (now is Sep 1 2021 02:05:09 PM).
    const std::vector<std::wstring> older = {
        L"C:\\B\\F [Docs 59AE7DBB] Date Aug 27 2021 Time 02 00 00 PM.pub",
        L"C:\\B\\F [Docs 59AE7DBB] Date Aug 27 2021 Time 01 00 00 PM.pub",
        L"C:\\B\\F [Docs 59AE7DBB] Date Aug 27 2021 Time 12 30 00 PM.pub"};
    const auto setUp = [&] {
        for (const std::wstring& path : older) files.contents[path] = "older";
        files.recycled.clear();
    };
    for (const bool asked : {false, true}) {
        setUp();
        controls.SetValue(ControlId::ThinOutBackups, asked);
        Press();
        EXPECT_EQ(files.recycled.size(), asked ? 2u : 0u);
    }
    EXPECT_EQ(LogLines().back(), L"F: 2 older backups moved to the Recycle Bin");
    EXPECT_TRUE(files.contents.count(older[0])) << "the newest of the day went";

    setUp();
    files.readOnly = {older[1]};
    Press();
    EXPECT_EQ(files.recycled, std::vector<std::wstring>{older[2]});
    EXPECT_EQ(LogLines().back(), L"F: 1 older backup moved to the Recycle Bin");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(debug.lines.empty()) << "the file that stayed left no trace";

    setUp();
    files.readOnly.clear();
    controls.SetValue(ControlId::Option4, true);
    Press();
    EXPECT_TRUE(files.recycled.empty()) << "thinned with one file a day";

    // Where no Recycle Bin can take them, nothing is thinned; the log says so once a start.
    controls.SetValue(ControlId::Option3, true);
    files.withoutRecycleBin = {L"C:\\"};
    const std::size_t lines = LogLines().size();
    for (int run = 0; run < 2; ++run) {
        setUp();
        Press();
        EXPECT_TRUE(files.recycled.empty());
    }
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(log.size(), lines + 3);
    EXPECT_EQ(log[lines + 1], L"F: older backups kept: C:\\ has no Recycle Bin");
    EXPECT_TRUE(dialogs.shown.empty());

    // While the publication's recovery is pending (its Publisher ended unexpectedly), none of
    // its backups goes; another publication's recovery changes nothing.
    files.withoutRecycleBin.clear();
    for (const auto& [pending, thinned] :
         {std::pair{L"C:\\Docs\\F", 0u}, std::pair{L"C:\\Docs\\G", 2u}}) {
        setUp();
        values.PendingRecoveries = {SeenUnsaved{pending, L"F", {}, older[0], false, {}}};
        Press();
        EXPECT_EQ(files.recycled.size(), thinned) << pending;
    }
}

}  // namespace
}  // namespace kelbrook

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

// The low-space report is told once for each volume, when it cannot take a backup, and the
// spell is over when a run's backups to that volume all fit again: not with a run that had
// nothing to do, skipped everything or was handed no document, and not for another volume.
TEST_F(SaveAllTest, TheLowSpaceReportIsToldOnceForEachVolume) {
    using SavePublisher::RunKind;
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}}), Doc(L"B.pub", L"D:\\Docs", {{L"b"}})});
    for (const wchar_t* file : {L"C:\\Docs\\A.pub", L"D:\\Docs\\B.pub"}) {
        files.contents[file] = std::string(3 * 1024 * 1024, 'p');
        files.times[file] = 7;
    }
    values.FreeSpaceFloor = 100ULL * 1024 * 1024;
    constexpr std::uint64_t kRoom = 1ULL << 40, kFull = 0;
    const struct {
        const char* what;
        std::uint64_t c, d;
        RunKind kind;
        std::function<void()> before;
        std::wstring told;  // the volume of this run's report, if any
    } runs[] = {
        {"both backed up", kRoom, kRoom, RunKind::Everything, {}, L""},
        {"C: fills", kFull, kRoom, RunKind::Everything, {}, L"C:\\"},
        {"C: still full", kFull, kRoom, RunKind::Everything, {}, L""},
        {"all skipped", kFull, kRoom, RunKind::OnSchedule, {}, L""},
        {"after the skip", kFull, kRoom, RunKind::Everything, {}, L""},
        {"none handed over", kFull, kRoom, RunKind::Everything,
         [&] { publisher.world->failing = {L"running:Documents.Item"}; }, L""},
        {"after those", kFull, kRoom, RunKind::Everything, {}, L""},
        {"Publisher closed", kFull, kRoom, RunKind::Everything,
         [&] { publisher.world->runningName = L"Not Publisher"; }, L""},
        {"after that", kFull, kRoom, RunKind::Everything, {}, L""},
        {"C: freed, D: fills", kRoom, kFull, RunKind::Everything, {}, L"D:\\"},
        {"C: fills again while D: is full", kFull, kFull, RunKind::Everything, {}, L"C:\\"},
        {"both still full", kFull, kFull, RunKind::Everything, {}, L""},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        dialogs.shown.clear();
        files.freeOn = {{L"C:\\", run.c}, {L"D:\\", run.d}};
        if (run.before) run.before();
        SavePublisher::SaveAll(
            {controls, dialogs, files, picker, publisher, clipboard, clock, debug}, values,
            run.kind);
        publisher.world->failing.clear();
        publisher.world->runningName = kPublisherName;
        std::vector<std::wstring> told;
        for (const ShownMessage& shown : dialogs.shown) {
            const std::size_t at = shown.text.find(L"MB would be left free on ");
            if (at != std::wstring::npos) told.push_back(shown.text.substr(at + 25, 3));
        }
        EXPECT_EQ(told, std::vector<std::wstring>(run.told.empty() ? 0 : 1, run.told));
    }
}

// Two publications named News.pub, in 2026-11 and 2026-12, saved, backed up into one folder:
// with a new file each run and with one file a day, each keeps backups of its own, equal to
// its file, and a run that finds one unchanged names its own backup.
TEST_F(SaveAllTest, TwoPublicationsOfOneNameKeepBackupsOfTheirOwn) {
    using SavePublisher::RunKind;
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"News.pub", L"C:\\News\\2026-11", {{L"november"}}),
                   Doc(L"News.pub", L"C:\\News\\2026-12", {{L"december"}})});
    const std::wstring originals[] = {L"C:\\News\\2026-11\\News.pub",
                                      L"C:\\News\\2026-12\\News.pub"};
    const std::wstring tags[] = {L" [2026-11 A74D0068] ", L" [2026-12 19546FA3] "};
    for (const bool oneADay : {false, true}) {
        SCOPED_TRACE(oneADay ? "one file a day" : "a new file each run");
        controls.SetValue(oneADay ? ControlId::Option4 : ControlId::Option3, true);
        files.contents.clear();
        values.LastBackups.clear();
        files.contents[originals[0]] = "the November issue";
        files.contents[originals[1]] = "the December issue, longer";
        files.times[originals[0]] = files.times[originals[1]] = 7;
        for (int run = 1; run <= 3; ++run) {
            clock.times = {{2021, 9, 1, 14, 5, 9 + run, 0}};
            if (run == 3) {  // November is saved again
                files.contents[originals[0]] = "the November issue, saved again";
                files.times[originals[0]] = 8;
            }
            const std::size_t before = LogLines().size();
            SavePublisher::SaveAll(
                {controls, dialogs, files, picker, publisher, clipboard, clock, debug}, values,
                RunKind::OnSchedule);
            const std::vector<std::wstring> log = LogLines();
            ASSERT_EQ(log.size(), before + 2) << run;
            for (std::size_t k = 0; k < 2; ++k) {
                const std::wstring& line = log[before + k];
                const std::size_t at = line.find(L"C:\\B\\");
                const std::size_t end = line.rfind(L" at ");
                ASSERT_TRUE(at != std::wstring::npos && end > at) << line;
                const std::wstring backup = line.substr(at, end - at);
                EXPECT_EQ(backup.rfind(L"C:\\B\\News.pub" + tags[k], 0), 0u) << line;
                EXPECT_EQ(files.contents[backup], files.contents[originals[k]]) << line;
                const bool unchanged =
                    line.find(L" is unchanged since its backup ") != std::wstring::npos;
                EXPECT_EQ(unchanged, run == 2 || (run == 3 && k == 1)) << line;
            }
        }
        EXPECT_EQ(FileNames().size(), 2u + (oneADay ? 2u : 3u))
            << ::testing::PrintToString(FileNames());
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

// Forty-five days of backups every six hours of the two News.pub, thinned after each: each
// series keeps by the calendar rule on its own exactly what one thinning of it at the end
// keeps, as if the other did not exist.
TEST_F(SaveAllTest, TwoPublicationsOfOneNameAreThinnedEachOnItsOwn) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    controls.SetValue(ControlId::ThinOutBackups, true);
    publisher.Run({Doc(L"News.pub", L"C:\\News\\2026-11", {{L"november"}}),
                   Doc(L"News.pub", L"C:\\News\\2026-12", {{L"december"}})});
    const std::wstring stems[] = {L"C:\\B\\News.pub [2026-11 A74D0068]",
                                  L"C:\\B\\News.pub [2026-12 19546FA3]"};
    files.contents[L"C:\\News\\2026-11\\News.pub"] = "november";
    files.contents[L"C:\\News\\2026-12\\News.pub"] = "december";
    std::set<std::wstring> made[2];
    LocalTime now{2021, 8, 1, 0, 10, 0, 0};
    for (int run = 0; run < 45 * 4; ++run) {
        if (run > 0 && (now.hour += 6) >= 24) {
            now.hour -= 24;
            if (++now.day > Calendar::DaysInMonth(now.year, now.month)) {
                now.day = 1;
                ++now.month;
            }
        }
        clock.times = {now};
        Press();
        for (std::size_t k = 0; k < 2; ++k) {
            made[k].insert(BackupName::WithTime(stems[k], clock, now, L".pub"));
        }
    }
    EXPECT_TRUE(dialogs.shown.empty());
    for (std::size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(made[k].size(), 45u * 4);
        BackupName::StampReader reader(clock, files);
        const std::vector<Thinning::StampedBackup> all = Thinning::ParseBackups(
            std::vector<std::wstring>(made[k].begin(), made[k].end()), stems[k], L".pub", reader);
        ASSERT_EQ(all.size(), made[k].size());
        std::set<std::wstring> kept = made[k];
        for (const std::wstring& thinned : Thinning::ToThin(all, reader.nowMoment()))
            kept.erase(thinned);
        std::set<std::wstring> left;
        for (const std::wstring& name : FileNames()) {
            if (name.rfind(stems[k] + L" ", 0) == 0) left.insert(name);
        }
        EXPECT_EQ(left, kept);
        // At Tuesday 14 September 18:10: the last hour's (1); the newest of each clock hour of
        // the last 24 hours (3, at 12:10, 06:10, 00:10); of each day from 16 August to 13
        // September (29); of each week before, from Monday 26 July, 2 and 9 August (3).
        EXPECT_EQ(left.size(), 1u + 3 + 29 + 3);
    }
}

// Thinning touches only backups that can be this publication's alone: never the names an
// earlier version wrote into the one folder for all (whose publication cannot be told), nor
// the backups of a publication never saved; a name it cannot read is left, the others go.
// Where the Recycle Bin would delete them for good, they stay, and the log says so once.
TEST_F(SaveAllTest, ThinningTakesOnlyWhatIsThisPublicationsAndNeverDeletesForGood) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    controls.SetValue(ControlId::ThinOutBackups, true);
    publisher.Run({Doc(L"F", L"C:\\Docs", {{L"f"}}), Doc(L"Publication1", L"", {{L"u"}})});
    const std::wstring own = L"C:\\B\\F [Docs 59AE7DBB] Date Aug 27 2021 Time ";
    const std::vector<std::wstring> ours = {own + L"02 00 00 PM.pub", own + L"01 00 00 PM.pub",
                                            own + L"12 30 00 PM.pub"};
    const std::wstring stray = L"C:\\B\\F [Docs 59AE7DBB] Date Aug 27 1500 Time 01 00 00 PM.pub";
    const std::vector<std::wstring> kept = {
        stray, L"C:\\B\\F Date Aug 27 2021 Time 01 00 00 PM.pub",  // an earlier version's
        L"C:\\B\\F Date Aug 27 2021 Time 12 30 00 PM.pub",
        L"C:\\B\\Publication1 Date Aug 27 2021 Time 01 00 00 PM.pub",
        L"C:\\B\\Publication1 Date Aug 27 2021 Time 12 30 00 PM.pub"};
    const auto setUp = [&] {
        for (const auto* names : {&ours, &kept}) {
            for (const std::wstring& path : *names) files.contents[path] = "older";
        }
        files.recycled.clear();
    };
    setUp();
    Press();
    EXPECT_EQ(std::set<std::wstring>(files.recycled.begin(), files.recycled.end()),
              (std::set<std::wstring>{ours[1], ours[2]}));
    for (const std::wstring& path : kept) EXPECT_TRUE(files.contents.count(path)) << path;
    EXPECT_TRUE(dialogs.shown.empty());

    files.deletedForGood = [](const std::wstring&) { return true; };
    const std::size_t lines = LogLines().size();
    for (int run = 0; run < 2; ++run) {
        setUp();
        Press();
        EXPECT_TRUE(files.recycled.empty());
        for (const std::wstring& path : ours) EXPECT_TRUE(files.contents.count(path)) << path;
    }
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(log.size(), lines + 5) << "two backups a run, and the line once a start";
    EXPECT_EQ(log[lines + 1],
              L"F: older backups kept: the Recycle Bin of C:\\ would delete them "
              L"for good");
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kelbrook
