#include <gtest/gtest.h>

#include "Form1Harness.h"
#include "backup/SavePublisher.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

standin::Publication Doc(std::wstring name, std::wstring path,
                         std::vector<std::vector<std::wstring>> pages) {
    standin::Publication publication;
    publication.name = std::move(name);
    publication.path = std::move(path);
    for (auto& shapes : pages) {
        publication.pages.emplace_back();
        for (auto& text : shapes) publication.pages.back().shapes.emplace_back(std::move(text));
    }
    return publication;
}

class SaveAllTest : public ::testing::Test, public Form1Harness {
  protected:
    SaveAllTest() {
        publisher.world->installed = true;
        form.Form_Load();  // Option1, Option3, Text1 = the Desktop
        dialogs.shown.clear();
        publisher.created = 0;
        publisher.world->copies.clear();
        publisher.world->mostCopiesAlive = 0;
    }

    void Press() { form.Click(ControlId::PushButton2); }

    std::vector<std::wstring> LogLines() const {
        std::vector<std::wstring> lines;
        auto it = files.contents.find(values.HistoryLogPath);
        if (it == files.contents.end()) return lines;
        std::wstring text;
        for (const char c : it->second) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
        for (std::size_t at = 0; (at = text.find(L"\r\n")) != std::wstring::npos;) {
            lines.push_back(text.substr(0, at));
            text.erase(0, at + 2);
        }
        return lines;
    }
    std::optional<standin::Publication> Backup(const std::wstring& path) const {
        auto it = files.contents.find(path);
        if (it == files.contents.end()) return std::nullopt;
        return standin::ParsePublication(it->second);
    }
    std::vector<std::wstring> FileNames() const {
        std::vector<std::wstring> names;
        for (const auto& [path, bytes] : files.contents) {
            if (path != values.HistoryLogPath) names.push_back(path);
        }
        return names;
    }
};

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
    EXPECT_EQ(debug.lines.size(), 1u) << "the failure to read Saved left no trace";
    EXPECT_EQ(run(RunKind::OnSchedule), 0);
}

// The backup takes the page size of its document; a size that cannot be set is reported at
// 136 and the backup is made at the default size.
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

    publisher.world->running->documents[0].width = 5000;  // beyond Publisher's range
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{136});
    EXPECT_EQ(Backup(backup)->width, standin::kDefaultPageWidth);
    EXPECT_EQ(Backup(backup)->pages, poster.pages);
}

// Once a copy instance is gone (never created, crashed, ended at its bound), its document's
// remaining copy steps are skipped without a report: one failure, one report. The log line
// carries that failure, and the next document is backed up.
TEST_F(SaveAllTest, ACopyThatIsGoneCostsItsDocumentOneReport) {
    const struct {
        const char* why;
        std::function<void()> fault;
        int step;
        std::wstring text;
        std::wstring lastCall;  // the last call the copy was asked
    } cases[] = {
        {"never created", [&] { publisher.failCreate = true; }, 108, L"Server execution failed",
         L""},
        {"hung at its creation", [&] { publisher.hangCreate = true; }, 108, kFakeOverdue, L""},
        {"crashed mid-pages", [&] { publisher.world->crashing = {L"Shapes.Paste"}; }, 154,
         L"The remote procedure call failed.", L"copy1 Shapes.Paste"},
        {"ended at its bound", [&] { publisher.world->hanging = {L"Pages.Add"}; }, 148,
         kFakeOverdue, L"copy1 Pages.Add"},
    };
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        dialogs.shown.clear();
        files.contents.clear();
        publisher.world->journal.clear();
        publisher.created = 0;
        publisher.Run({Doc(L"A", L"C:\\Docs", {{L"a1"}, {L"a2"}, {L"a3"}}),
                       Doc(L"B", L"C:\\Docs", {{L"b"}})});
        c.fault();  // once: the next copy works
        Press();

        EXPECT_EQ(ReportedSteps(), std::vector<int>{c.step});
        const std::vector<std::wstring> log = LogLines();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].rfind(L"A could not be backup saved as C:\\B\\A [Docs 59AE7DBB] Date", 0),
                  0u)
            << log[0];
        EXPECT_TRUE(log[0].ends_with(L": " + c.text)) << log[0];
        EXPECT_EQ(log[1].rfind(L"B was backup saved as", 0), 0u) << log[1];
        EXPECT_EQ(FileNames().size(), 1u) << "a saving file was left behind";
        EXPECT_EQ(publisher.world->CopiesAlive(), 0);
        // Nothing was asked of the gone copy after its failure.
        std::wstring lastCall;
        for (const std::wstring& line : publisher.world->journal) {
            if (line.rfind(L"copy1 ", 0) == 0 && line != L"copy1 ended") lastCall = line;
        }
        EXPECT_EQ(lastCall, c.lastCall);
    }
}

// A document Publisher will not hand over at 104 cannot be backed up: no copy instance, a
// failure line under its position, and the run goes on. Nothing raised inside the run leaves
// it, not even a report that cannot be shown.
TEST_F(SaveAllTest, ADocumentPublisherWillNotHandOverIsLoggedAndNothingLeavesTheRun) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A", L"C:\\Docs", {{L"a"}}), Doc(L"B", L"C:\\Docs", {{L"b"}})});
    publisher.world->failing = {L"running:Documents.Item"};
    Press();
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{104, 104}));
    EXPECT_EQ(publisher.created, 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::wstring>{
                  L"Publication 1 could not be backup saved as C:\\B\\Publication 1 Date Sep 1 "
                  L"2021 Time 02 05 09 PM.pub at 9/1/2021 2:05:09 PM: Stand-in failure in "
                  L"Documents.Item",
                  L"Publication 2 could not be backup saved as C:\\B\\Publication 2 Date Sep 1 "
                  L"2021 Time 02 05 09 PM.pub at 9/1/2021 2:05:09 PM: Stand-in failure in "
                  L"Documents.Item"}));

    dialogs.failing = true;
    EXPECT_NO_THROW(SavePublisher::SaveAll(
        {controls, dialogs, files, picker, publisher, clipboard, clock, debug}, values));
    EXPECT_FALSE(values.BackupRunUnderWay);
    EXPECT_FALSE(debug.lines.empty()) << "the failure left no trace";
}

// A fresh Publisher without a publication: the copy makes a blank one and goes on. A good run
// lets every copy go (closed, quit, every reference released) so that each ends by itself.
TEST_F(SaveAllTest, AFreshInstanceWithoutAPublicationMakesOneAndEveryCopyEndsByItself) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A", L"C:\\Docs", {{L"a"}, {L"a2"}}), Doc(L"B", L"C:\\Docs", {{L"b"}})});
    publisher.startEmpty = true;
    Press();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Backup(L"C:\\B\\A [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub")->pages,
              publisher.world->running->documents[0].pages);
    const auto& journal = publisher.world->journal;
    const auto has = [&](const std::wstring& line) {
        return std::count(journal.begin(), journal.end(), line);
    };
    EXPECT_EQ(has(L"copy1 Application.NewDocument"), 1);
    for (const wchar_t* copy : {L"copy1", L"copy2"}) {
        const std::wstring tag = copy;
        EXPECT_EQ(has(tag + L" Document.Close"), 1) << tag;
        EXPECT_EQ(has(tag + L" Application.Quit"), 1) << tag;
        EXPECT_EQ(has(tag + L" ended"), 0) << tag << " was ended by force";
    }
    EXPECT_LE(publisher.world->mostCopiesAlive, 2);
    EXPECT_EQ(publisher.world->CopiesAlive(), 0);
}

// A document closed once the run has taken it: the steps that address it report, and the
// run goes on to its end.
TEST_F(SaveAllTest, ADocumentClosedDuringTheRunIsReportedByEachStepThatAddressesIt) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A", L"C:\\Docs", {{L"a"}}), Doc(L"B", L"C:\\Docs", {{L"b"}})});
    publisher.world->failing = {L"running:Documents.Count"};
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{104}) << "no document is processed";
    EXPECT_EQ(publisher.created, 0);

    dialogs.shown.clear();
    publisher.world->failing.clear();
    bool closed = false;
    publisher.world->onCall = [&](const std::wstring& member) {
        if (member != L"Document.Name" || closed) return;
        closed = true;
        publisher.world->running->documents.pop_back();
    };
    Press();
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{112, 136, 122, 142, 168}));
    EXPECT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(publisher.world->CopiesAlive(), 0);
}

// A second request while a run waits in a dialog returns at once; the next one runs.
TEST_F(SaveAllTest, NoSecondRunStartsWhileOneIsUnderWay) {
    publisher.Run({Doc(L"Notes", L"", {{L"n"}})});
    controls.SetValue(ControlId::Option2, true);
    picker.answers = {L"C:\\Chosen"};
    int createdDuringTheDialog = -1;
    picker.onPick = [&] {
        Press();
        createdDuringTheDialog = publisher.created;
    };
    Press();
    EXPECT_EQ(createdDuringTheDialog, 0) << "a copy instance waited for the folder dialog";
    EXPECT_EQ(picker.prompts.size(), 1u);
    EXPECT_EQ(LogLines().size(), 1u);
    picker.onPick = nullptr;
    picker.answers = {L"C:\\Chosen"};
    Press();
    EXPECT_EQ(LogLines().size(), 2u);
}

// No copy reaches the clipboard before the user's content is kept: while the snapshot cannot
// be taken, the page's copy (and its paste) is skipped and reported, and the snapshot is tried
// again at the next page. A copy that misses anything is saved beside the day's backup as
// "(incomplete)", never over it. A folder dialog that cannot be shown does not come back.
TEST_F(SaveAllTest, AnIncompleteCopyNeverReplacesABackupAndTheClipboardIsKeptFirst) {
    controls.SetValue(ControlId::Option4, true);
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A", L"C:\\Docs", {{L"a1"}, {L"a2"}}), Doc(L"B", L"C:\\Docs", {{L"b"}})});
    const std::wstring good = L"C:\\B\\A [Docs 59AE7DBB] Sep 1 2021.pub";
    files.contents[good] = "the day's good backup";
    publisher.world->clipboardText = L"the user's";
    clipboard.failingSnapshots = 1;
    Press();

    const std::wstring kept =
        L"The page was not copied, since your clipboard could not be kept: Cannot open the "
        L"clipboard (another program may hold it)";
    EXPECT_EQ(ReportedSteps(), std::vector<int>{152});
    EXPECT_EQ(files.contents[good], "the day's good backup");
    const auto incomplete = Backup(L"C:\\B\\A [Docs 59AE7DBB] Sep 1 2021 (incomplete).pub");
    ASSERT_TRUE(incomplete);
    EXPECT_EQ(incomplete->pages, (std::vector<standin::Page>{{}, {{L"a2"}}}));
    EXPECT_TRUE(Backup(L"C:\\B\\B [Docs 59AE7DBB] Sep 1 2021.pub"));
    EXPECT_EQ(FileNames().size(), 3u);
    EXPECT_EQ(LogLines(),
              (std::vector<std::wstring>{L"A was backup saved incompletely as C:\\B\\A [Docs "
                                         L"59AE7DBB] Sep 1 2021 (incomplete).pub at "
                                         L"9/1/2021 2:05:09 PM: " +
                                             kept,
                                         L"B was backup saved as C:\\B\\B [Docs 59AE7DBB] Sep 1 "
                                         L"2021.pub at 9/1/2021 2:05:09 PM"}));
    EXPECT_EQ(clipboard.snapshots, 2);
    EXPECT_EQ(publisher.world->clipboardText, std::optional<std::wstring>(L"the user's"));

    dialogs.shown.clear();
    publisher.Run({Doc(L"U", L"", {{L"u"}})});
    controls.SetValue(ControlId::Option2, true);
    picker.fail = true;
    Press();
    EXPECT_EQ(picker.prompts.size(), 1u);
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{120, 160}));
}

// A name that cannot be read is replaced by one the user can recognise: the file name of the
// document's full name, else its position.
TEST_F(SaveAllTest, ADocumentWhoseNameCannotBeReadGetsARecognisableOne) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"Flyer.pub", L"C:\\Docs", {{L"f"}})});
    const struct {
        std::set<std::wstring> failing;
        std::wstring name;
    } cases[] = {{{L"running:Document.Name"}, L"Flyer.pub"},
                 {{L"running:Document.Name", L"running:Document.FullName"}, L"Publication 1"}};
    for (const auto& c : cases) {
        dialogs.shown.clear();
        files.contents.clear();
        publisher.world->failing = c.failing;
        Press();
        EXPECT_EQ(ReportedSteps(), std::vector<int>{112});
        const std::wstring backup =
            L"C:\\B\\" + c.name + L" [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub";
        EXPECT_TRUE(Backup(backup)) << c.name;
        EXPECT_EQ(LogLines(), std::vector<std::wstring>{c.name + L" was backup saved as " + backup +
                                                        L" at 9/1/2021 2:05:09 PM"});
    }
}

// Closing the main window while the run waits in the folder dialog ends the run there: no
// further dialog or document, the copy quit without a question, the clipboard put back.
TEST_F(SaveAllTest, ClosingTheWindowDuringTheRunEndsItAtItsNextStep) {
    controls.SetValue(ControlId::Option2, true);
    publisher.Run({Doc(L"V", L"C:\\Docs", {{L"v"}}), Doc(L"U", L"", {{L"u"}}),
                   Doc(L"W", L"C:\\Docs", {{L"w"}})});
    publisher.world->clipboardText = L"mine";
    picker.onPick = [&] { form.Form_QueryUnload(); };
    Press();
    EXPECT_EQ(picker.prompts.size(), 1u) << "the dialog came back";
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(publisher.created, 1) << "a further document was begun, or a copy waited for the "
                                       "folder dialog";
    EXPECT_EQ(publisher.world->CopiesAlive(), 0);
    const auto& journal = publisher.world->journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), L"copy2 Application.Quit prompted"), 0);
    EXPECT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(FileNames().size(), 1u);
    EXPECT_EQ(publisher.world->clipboardText, std::optional<std::wstring>(L"mine"));
    EXPECT_FALSE(values.BackupRunUnderWay);
}

}  // namespace
}  // namespace kelbrook

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

// A newsletter with two master pages, pages on each, shapes at set positions and a shape on
// the scratch area.
standin::Publication Newsletter() {
    standin::Publication news;
    news.name = L"News.pub";
    news.path = L"C:\\Docs";
    news.masters = {standin::Page{{{L"Masthead", 36, 20}, {L"Page number", 500, 760}}},
                    standin::Page{{{L"Back cover band", 0, 700}}}};
    news.pages = {standin::Page{{{L"Lead story", 72, 144}, {L"Photo", 300, 200}}, 1},
                  standin::Page{{}, 1}, standin::Page{{{L"Contacts", 40, 90.5}}, 2}};
    news.scratch = {{L"Spare headline", -150, 40}};
    return news;
}

// A changed publication is rebuilt with its master pages, each page's master, the scratch
// area and every shape where it stood; a saved one is its file, byte for byte, with no copy
// instance, unless its file cannot be read or changes meanwhile: then it is rebuilt, silently.
TEST_F(SaveAllTest, ABackupOpensLikeItsOriginal) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const std::wstring backup =
        L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub";
    publisher.Run({Newsletter()});
    publisher.world->running->unsaved.insert(0);
    Press();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
    standin::Publication expected = Newsletter();
    expected.name.clear();
    expected.path.clear();
    EXPECT_EQ(Backup(backup), std::optional<standin::Publication>(expected));
    EXPECT_EQ(publisher.created, 1);

    const std::string bytes = "standin-publication 1\npage\nshape exactly these bytes\n";
    const struct {
        const char* why;
        std::function<void()> trouble;
        bool exact;
    } cases[] = {
        {"saved", [] {}, true},
        {"unreadable", [&] { files.unreadable = {L"C:\\Docs\\News.pub"}; }, false},
        {"changing", [&] { files.changing = {L"C:\\Docs\\News.pub"}; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        publisher.world->running->unsaved.clear();
        files.contents = {{L"C:\\Docs\\News.pub", bytes}};
        files.unreadable.clear();
        files.changing.clear();
        publisher.created = 0;
        c.trouble();
        Press();
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(publisher.created, c.exact ? 0 : 1);
        if (c.exact) {
            EXPECT_EQ(files.contents[backup], bytes);
        } else {
            EXPECT_EQ(Backup(backup), std::optional<standin::Publication>(expected));
        }
        EXPECT_EQ(LogLines().back(),
                  L"News.pub was backup saved as " + backup + L" at 9/1/2021 2:05:09 PM");
        EXPECT_EQ(FileNames().size(), 2u) << "a saving file was left behind";
    }
}

// The master pages (122), a page's master (126), the paste's placing (154) and the scratch
// area (168): a failure reports once and saves the backup apart as incomplete.
TEST_F(SaveAllTest, AMissingMasterScratchAreaOrPositionMakesTheBackupIncomplete) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const struct {
        std::wstring failing;
        std::vector<int> steps;
    } cases[] = {{L"MasterPages.Add", {122}},
                 {L"running:Page.Master", {126, 126, 126}},            // each page's own
                 {L"ShapeRange.IncrementLeft", {122, 154, 154, 168}},  // every paste misplaced
                 {L"running:ScratchArea.Shapes", {168}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        dialogs.shown.clear();
        files.contents.clear();
        publisher.Run({Newsletter()});
        publisher.world->running->unsaved.insert(0);
        publisher.world->failing = {c.failing};
        Press();
        EXPECT_EQ(ReportedSteps(), c.steps);
        const std::wstring incomplete =
            L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM (incomplete).pub";
        EXPECT_TRUE(Backup(incomplete)) << "the incomplete copy was not saved apart";
        EXPECT_EQ(FileNames(), std::vector<std::wstring>{incomplete});
        EXPECT_EQ(
            LogLines().back().rfind(L"News.pub was backup saved incompletely as " + incomplete, 0),
            0u);
    }
}

// The copy instance is used only as it must be: its page count is read once per document,
// none is started for a document refused for space, and one that could not close its
// publication still holds its file and is waited for before the file takes the backup's
// name. Any backup written, an incomplete one too, ends the spell of the low-space report.
TEST_F(SaveAllTest, TheCopyInstanceIsStartedReadAndLetGoOnlyAsItMustBe) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Newsletter()});
    publisher.world->running->unsaved.insert(0);
    publisher.world->failing = {L"Document.Close"};
    Press();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
    EXPECT_EQ(FileNames(),
              std::vector<std::wstring>{
                  L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub"});
    const std::vector<std::wstring>& journal = publisher.world->journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), L"copy1 Pages.Count"), 1);

    publisher.world->failing.clear();
    files.contents.clear();
    publisher.created = 0;
    values.FreeSpaceFloor = 100ULL * 1024 * 1024;
    const struct {
        std::uint64_t free;
        const wchar_t* failing;
        std::vector<int> steps;  // reported in this run
        int created;
    } runs[] = {{0, L"", {160}, 0},
                {0, L"", {}, 0},
                {1ULL << 40, L"MasterPages.Add", {122}, 1},  // incomplete, but written
                {0, L"", {160}, 1}};
    for (const auto& run : runs) {
        dialogs.shown.clear();
        files.freeBytes = run.free;
        publisher.world->failing = {run.failing};
        Press();
        EXPECT_EQ(ReportedSteps(), run.steps);
        EXPECT_EQ(publisher.created, run.created) << "a copy instance was started for nothing";
    }
}

// Each page gets its original's master page, found by PageID: three master pages used out of
// their order; a two-page master with pages on both halves (Master gives the half on the
// page's side) after a one-page one; a lone two-page master in a copy that started bare.
// (PageIndex, which a master page need not answer, is no longer in the port at all.)
TEST_F(SaveAllTest, EachPageOfABackupGetsItsOriginalsMasterPage) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const auto master = [](std::wstring left, std::wstring right = L"") {
        standin::Page page{{{std::move(left), 36, 20}}};
        if (!right.empty()) page.right = std::vector<standin::Shape>{{std::move(right), 500}};
        return page;
    };
    const struct {
        const char* what;
        std::vector<standin::Page> masters;
        std::vector<int> pagesOn;
        bool bare;
    } cases[] = {
        {"3, 1, 2", {master(L"One"), master(L"Two"), master(L"Three")}, {3, 1, 2, 3}, false},
        {"both halves", {master(L"Plain"), master(L"Left", L"Right")}, {2, 2, 1, 2, 2}, false},
        {"bare copy", {master(L"Left", L"Right")}, {1, 1, 1}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files.contents.clear();
        dialogs.shown.clear();
        standin::Publication original;
        original.masters = c.masters;
        for (const int m : c.pagesOn)
            original.pages.push_back({{{L"on " + std::to_wstring(m)}}, m});
        publisher.Run({original});
        publisher.world->running->documents[0].name = L"M.pub";
        publisher.world->running->unsaved.insert(0);
        publisher.world->journal.clear();
        publisher.startBare = c.bare;
        publisher.created = 0;
        Press();
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
        const std::wstring backup = L"C:\\B\\M.pub Date Sep 1 2021 Time 02 05 09 PM.pub";
        EXPECT_EQ(FileNames(), std::vector<std::wstring>{backup});
        EXPECT_EQ(Backup(backup), std::optional<standin::Publication>(original));
        const auto& journal = publisher.world->journal;
        EXPECT_EQ(std::count(journal.begin(), journal.end(), L"copy1 Application.NewDocument"),
                  c.bare ? 1 : 0);
    }
}

}  // namespace
}  // namespace kelbrook

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

}  // namespace
}  // namespace kelbrook

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

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

}  // namespace
}  // namespace kelbrook

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

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
