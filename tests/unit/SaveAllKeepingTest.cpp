// Backups kept as promised: a full disk told once for each volume, the skip across a restart,
// thinning by the calendar, and each publication's backups its own.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"

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
}

}  // namespace
}  // namespace kelbrook
