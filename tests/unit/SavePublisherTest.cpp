// SaveAll: every document backed up in order, named by the options, asked for a folder
// when it has none; the page size; the timer's skip.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

TEST_F(SaveAllTest, WithoutARunningPublisherNothingHappens) {
    for (const bool running : {false, true}) {
        SCOPED_TRACE(running);
        if (running) {
            publisher.Run({Doc(L"Flyer", L"C:\\Docs", {{L"a"}})});
            publisher.world->runningName = L"Microsoft Publisher ";  // not the genuine name
        }
        Press();
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_TRUE(files.contents.empty());
        EXPECT_EQ(publisher.created, 0);
    }
}

// The worked example: Flyer in C:\Docs, Option2 and Option3, 1 September 2021 14:05:09.
TEST_F(SaveAllTest, BacksUpEveryDocumentInOrderWithItsPagesAndPutsTheClipboardBack) {
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"Flyer", L"C:\\Docs", {{L"Title", L"Logo"}}),
                   Doc(L"Menü.pub", L"D:\\", {{L"p1"}, {L"p2a", L"p2b"}, {}, {L"p4"}, {L"p5"}}),
                   Doc(L"Notes.pub", L"C:\\Docs", {{}})});
    const std::vector<standin::Publication> originals = publisher.world->running->documents;
    publisher.world->clipboardText = L"the user's text";
    Press();

    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
    const std::wstring flyer = L"C:\\Docs\\Flyer Date Sep 1 2021 Time 02 05 09 PM.pub";
    const std::wstring menu = L"D:\\Menü.pub Date Sep 1 2021 Time 02 05 09 PM.pub";
    const std::wstring notes = L"C:\\Docs\\Notes.pub Date Sep 1 2021 Time 02 05 09 PM.pub";
    EXPECT_EQ(LogLines(),
              (std::vector<std::wstring>{
                  L"Flyer was backup saved as " + flyer + L" at 9/1/2021 2:05:09 PM",
                  L"Menü.pub was backup saved as " + menu + L" at 9/1/2021 2:05:09 PM",
                  L"Notes.pub was backup saved as " + notes + L" at 9/1/2021 2:05:09 PM"}));
    for (std::size_t k = 0; k < 3; ++k) {
        const std::wstring path = k == 0 ? flyer : k == 1 ? menu : notes;
        const auto backup = Backup(path);
        ASSERT_TRUE(backup) << path;
        EXPECT_EQ(backup->pages, originals[k].pages) << path;
    }
    EXPECT_EQ(FileNames().size(), 3u) << "no saving file is left behind";
    EXPECT_EQ(publisher.world->running->documents, originals) << "a document was changed";
    for (const std::wstring& call : publisher.world->RunningCalls()) {
        EXPECT_TRUE(call != L"Document.SaveAs" && call != L"Shapes.Paste" && call != L"Pages.Add" &&
                    call != L"Application.Quit")
            << "the running instance was asked to " << call;
    }
    EXPECT_EQ(publisher.created, 3);
    EXPECT_EQ(publisher.world->mostCopiesAlive, 1);
    EXPECT_EQ(publisher.world->CopiesAlive(), 0);
    EXPECT_EQ(publisher.world->clipboardText, std::optional<std::wstring>(L"the user's text"));
    EXPECT_FALSE(publisher.world->clipboardShapes);
    EXPECT_EQ(clipboard.snapshots, 1);
    EXPECT_FALSE(values.BackupRunUnderWay);
}

TEST_F(SaveAllTest, AddBackupStampFollowsTheNamingOption) {
    struct Case {
        bool option3, option4;
        LocalTime now;
        std::wstring expected;
    } cases[] = {
        {true, false, {2021, 9, 1, 14, 5, 9}, L"C:\\D\\F Date Sep 1 2021 Time 02 05 09 PM.pub"},
        {true, false, {2021, 9, 1, 0, 0, 0}, L"C:\\D\\F Date Sep 1 2021 Time 12 00 00 AM.pub"},
        {false, true, {2021, 12, 31, 23, 59, 59}, L"C:\\D\\F Dec 31 2021.pub"},
        {false, false, {2021, 9, 1, 14, 5, 9}, L""},
    };
    for (const Case& c : cases) {
        controls.values[ControlId::Option3] = c.option3;
        controls.values[ControlId::Option4] = c.option4;
        EXPECT_EQ(SavePublisher::AddBackupStamp(controls, clock, c.now, L"C:\\D\\F", L".pub"),
                  c.expected);
    }
}

// Date and time of a stamp come from one reading: a run at the stroke of midnight is not
// stamped 24 hours wrong.
TEST_F(SaveAllTest, TheStampReadsTheClockOnceAtMidnight) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"F", L"C:\\Docs", {{L"x"}})});
    clock.times = {LocalTime{2021, 9, 1, 23, 59, 59, 999}, LocalTime{2021, 9, 2, 0, 0, 0, 0}};
    Press();
    EXPECT_TRUE(Backup(L"C:\\B\\F [Docs 59AE7DBB] Date Sep 1 2021 Time 11 59 59 PM.pub"));
}

TEST_F(SaveAllTest, AnUnsavedDocumentAsksForAFolderUntilOneIsChosen) {
    publisher.Run({Doc(L"Notes", L"", {{L"n"}}), Doc(L"Old", L"C:\\Docs", {{L"o"}})});
    controls.SetValue(ControlId::Option2, true);
    picker.answers = {L"", L"", L"E:\\Chosen"};
    Press();
    EXPECT_EQ(picker.prompts,
              std::vector<std::wstring>(3, L"Notes is unsaved. Please select location:"));
    EXPECT_EQ(picker.starts, std::vector<std::wstring>(3, L""));
    EXPECT_TRUE(Backup(L"E:\\Chosen\\Notes Date Sep 1 2021 Time 02 05 09 PM.pub"));
    EXPECT_TRUE(Backup(L"C:\\Docs\\Old Date Sep 1 2021 Time 02 05 09 PM.pub"));

    // A folder that cannot be read (116) is asked for like a never-saved document's, for each
    // document: never the folder of the document before.
    picker.prompts.clear();
    picker.answers = {L"E:\\One", L"E:\\Two"};
    publisher.world->failing = {L"running:Document.Path"};
    Press();
    EXPECT_EQ(picker.prompts,
              (std::vector<std::wstring>{L"Notes is unsaved. Please select location:",
                                         L"Old is unsaved. Please select location:"}));
    EXPECT_TRUE(Backup(L"E:\\Two\\Old Date Sep 1 2021 Time 02 05 09 PM.pub"));
    publisher.world->failing.clear();

    // With Option1 the folder of Text1 serves, without a dialog; a trailing "\" gives one
    // separator, and characters that cannot stand in a file name become "_".
    picker.prompts.clear();
    publisher.Run({Doc(L"Q3: a/b?", L"", {{L"q"}})});
    controls.SetValue(ControlId::Option1, true);
    controls.SetCaption(ControlId::Text1, L"F:\\Backups\\");
    Press();
    EXPECT_TRUE(picker.prompts.empty());
    const std::wstring path = L"F:\\Backups\\Q3_ a_b_ Date Sep 1 2021 Time 02 05 09 PM.pub";
    EXPECT_TRUE(Backup(path));
    EXPECT_EQ(LogLines().back(),
              L"Q3: a/b? was backup saved as " + path + L" at 9/1/2021 2:05:09 PM");
}

TEST_F(SaveAllTest, OneFilePerDayWithOption4AndAFailedSaveKeepsTheDaysBackup) {
    controls.SetValue(ControlId::Option4, true);
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"F", L"C:\\Docs", {{L"first"}}), Doc(L"G", L"C:\\Docs", {{L"g"}})});
    Press();
    publisher.world->running->documents[0].pages[0].shapes = {L"second"};
    Press();
    EXPECT_EQ(FileNames(), (std::vector<std::wstring>{L"C:\\B\\F [Docs 59AE7DBB] Sep 1 2021.pub",
                                                      L"C:\\B\\G [Docs 59AE7DBB] Sep 1 2021.pub"}));
    EXPECT_EQ(TextsOf(Backup(L"C:\\B\\F [Docs 59AE7DBB] Sep 1 2021.pub")->pages[0]),
              std::vector<std::wstring>{L"second"});

    publisher.world->running->documents[0].pages[0].shapes = {L"third"};
    publisher.world->failing = {L"Document.SaveAs"};
    Press();
    EXPECT_EQ(TextsOf(Backup(L"C:\\B\\F [Docs 59AE7DBB] Sep 1 2021.pub")->pages[0]),
              std::vector<std::wstring>{L"second"})
        << "the failed save destroyed the day's backup";
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{160, 160}));
    EXPECT_EQ(FileNames().size(), 2u) << "a saving file was left behind";
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[4],
              L"F could not be backup saved as C:\\B\\F [Docs 59AE7DBB] Sep 1 2021.pub at 9/1/2021 "
              L"2:05:09 PM: Stand-in failure in Document.SaveAs");
    EXPECT_EQ(publisher.world->CopiesAlive(), 0);
}

TEST_F(SaveAllTest, AReadOnlyDestinationIsReportedAtStep160AndTheNextDocumentIsSaved) {
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"R", L"C:\\Locked", {{L"r"}}), Doc(L"S", L"C:\\Docs", {{L"s"}})});
    publisher.world->readOnlyFolders = {L"C:\\Locked"};
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{160});
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind(L"R could not be backup saved as C:\\Locked\\R Date", 0), 0u) << log[0];
    EXPECT_EQ(log[1].rfind(L"S was backup saved as C:\\Docs\\S Date", 0), 0u) << log[1];
}

// Publisher asks before it drops unsaved changes, in a copy nobody sees. After a failed save
// the copy is saved to a scratch file first, so that its Quit asks nothing; the scratch file
// goes once the copy has. When even that fails, the copy is ended. A call that hangs is
// ended by the adapter's bound and costs its step only.
TEST_F(SaveAllTest, ACopyThatCannotBeSavedOrHangsNeverHoldsTheRun) {
    struct Case {
        const wchar_t* fault;  // "readonly": the destination refuses the save
        std::vector<int> steps;
        bool quitAsked;   // Quit was called (nothing left to ask it after an end)
        bool firstEnded;  // the first copy was ended rather than quit
    } cases[] = {
        {L"readonly", {160}, true, false},
        {L"readonly+scratch", {160}, false, true},
        {L"hang:Shapes.Paste", {154}, false, true},
        {L"hang:Document.SaveAs", {160}, false, true},
    };
    controls.SetValue(ControlId::Option2, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        dialogs.shown.clear();
        files.contents.clear();
        publisher.world->journal.clear();
        publisher.created = 0;
        publisher.world->readOnlyFolders.clear();
        publisher.Run({Doc(L"R", L"C:\\Locked", {{L"r"}}), Doc(L"S", L"C:\\Docs", {{L"s"}})});
        const std::wstring fault = c.fault;
        if (fault.rfind(L"readonly", 0) == 0) publisher.world->readOnlyFolders = {L"C:\\Locked"};
        if (fault == L"readonly+scratch") publisher.world->readOnlyFolders.insert(L"C:\\Temp");
        if (fault.rfind(L"hang:", 0) == 0) publisher.world->hanging = {fault.substr(5)};
        Press();

        EXPECT_EQ(ReportedSteps(), c.steps);
        const std::vector<std::wstring>& journal = publisher.world->journal;
        const auto has = [&](const std::wstring& line) {
            return std::find(journal.begin(), journal.end(), line) != journal.end();
        };
        EXPECT_FALSE(has(L"copy1 Application.Quit prompted")) << "Quit met the question";
        EXPECT_EQ(has(L"copy1 Application.Quit"), c.quitAsked);
        EXPECT_EQ(has(L"copy1 ended"), c.firstEnded);
        EXPECT_EQ(publisher.world->CopiesAlive(), 0);
        // Only S's backup and the log: no saving file, no scratch file.
        const std::vector<std::wstring> names = FileNames();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].rfind(L"C:\\Docs\\S Date", 0), 0u) << names[0];
        const std::vector<std::wstring> log = LogLines();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[1].rfind(L"S was backup saved as", 0), 0u) << log[1];
    }
    // The run took every document before the first copy existed.
    const std::vector<std::wstring>& journal = publisher.world->journal;
    const auto firstCopy = std::find_if(journal.begin(), journal.end(), [](const auto& line) {
        return line.rfind(L"copy", 0) == 0;
    });
    EXPECT_EQ(std::count(journal.begin(), firstCopy, L"running Documents.Item"), 2);
}

// On schedule, a publication Publisher calls saved, whose file is the very file (size and
// last-write time) this program's last good backup of it into the same folder was made from,
// is skipped with a line in the log; anything else, or anything that cannot be read, is backed
// up, and so is the next run's after a backup made from unsaved changes. The button copies
// everything.
TEST_F(SaveAllTest, TheTimerSkipsAnUnchangedPublicationAndNothingElse) {
    using SavePublisher::RunKind;
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}})});
    const std::wstring file = L"C:\\Docs\\A.pub";
    files.contents[file] = "a";
    files.times[file] = 1;
    files.unreadable = {file};  // rebuilt, never copied
    const auto run = [&](RunKind kind) {
        publisher.created = 0;
        SavePublisher::SaveAll(
            {controls, dialogs, files, picker, publisher, clipboard, clock, debug}, values, kind);
        return publisher.created;
    };
    ASSERT_EQ(run(RunKind::OnSchedule), 1) << "nothing to compare with yet";
    const std::wstring backup = L"C:\\Docs\\A.pub Date Sep 1 2021 Time 02 05 09 PM.pub";
    ASSERT_EQ(run(RunKind::OnSchedule), 0) << ::testing::PrintToString(debug.lines);
    EXPECT_EQ(LogLines().back(),
              L"A.pub is unchanged since its backup " + backup + L" at 9/1/2021 2:05:09 PM");
    EXPECT_EQ(run(RunKind::Everything), 1) << "the button copies everything";

    const struct {
        const char* why;
        std::function<void()> change;
        int later;  // copies the scheduled run after the backup makes
    } changes[] = {
        {"changed in Publisher", [&] { publisher.world->running->unsaved.insert(0); }, 1},
        {"its file written since", [&] { files.times[file] = ++files.tick; }, 0},
        {"another folder now", [&] { controls.SetValue(ControlId::Option1, true); }, 1},
        // The backup is no longer the file it was made as.
        {"its backup gone", [&] { files.contents.erase(backup); }, 0},
        {"its backup edited", [&] { files.times[backup] = ++files.tick; }, 0},
        {"its backup replaced", [&] { files.contents[backup] = "another publication"; }, 0},
        {"Saved cannot be read", [&] { publisher.world->failing = {L"running:Document.Saved"}; },
         1},
        {"saved while its copy was built",
         [&] {
             publisher.world->running->unsaved.insert(0);
             publisher.world->onCall = [&](const std::wstring& member) {
                 if (member != L"Shapes.Paste") return;
                 files.times[file] = ++files.tick;  // the user saves a page the copy lacks
                 publisher.world->running->unsaved.clear();
                 publisher.world->onCall = nullptr;
             };
         },
         1},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.why);
        ASSERT_EQ(run(RunKind::OnSchedule), 0) << "unchanged before the change";
        c.change();
        EXPECT_EQ(run(RunKind::OnSchedule), 1);
        publisher.world->running->unsaved.clear();
        publisher.world->failing.clear();
        controls.SetValue(ControlId::Option2, true);
        EXPECT_EQ(run(RunKind::OnSchedule), c.later) << "a change was hidden, or none was seen";
    }
    EXPECT_TRUE(dialogs.shown.empty()) << "a failure while deciding was reported";
    EXPECT_EQ(debug.lines.size(), 2u)
        << "the failures to read Saved and the gone backup left no trace";
    EXPECT_EQ(run(RunKind::OnSchedule), 0);
}

// The backup takes the page size of its document; a size that cannot be set is reported at
// 136 and the backup, made at the default size, is saved as incomplete.
TEST_F(SaveAllTest, TheBackupKeepsThePageSize) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    standin::Publication poster = Doc(L"Poster", L"C:\\Docs", {{L"p"}});
    poster.width = 400;
    poster.height = 300.5;
    publisher.Run({poster});
    const std::wstring backup =
        L"C:\\B\\Poster [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub";
    Press();
    ASSERT_TRUE(Backup(backup));
    EXPECT_EQ(Backup(backup)->width, 400);
    EXPECT_EQ(Backup(backup)->height, 300.5);

    // A size the copy will not take: the backup of the default size is saved apart as
    // incomplete, and the good one stays.
    publisher.world->running->documents[0].width = 17000;  // beyond the copy's sheet
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{136});
    const std::wstring incomplete =
        L"C:\\B\\Poster [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM (incomplete).pub";
    ASSERT_TRUE(Backup(incomplete));
    EXPECT_EQ(Backup(incomplete)->width, standin::kDefaultPageWidth);
    EXPECT_EQ(Backup(incomplete)->pages, poster.pages);
    EXPECT_EQ(Backup(backup)->width, 400);
}

}  // namespace
}  // namespace kelbrook
