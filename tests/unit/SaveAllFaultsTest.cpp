// SaveAll when things fail: a copy that is gone, a document not handed over or closed, a
// second run, an incomplete copy, an unreadable name, the window closing.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

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

// When the user's own Publisher ends during a run (a crash, or ended from Task Manager), the
// run asks it nothing more and shows no report for it: each document it did not back up is
// logged, by the name read when the run began, and no file is written for any of them.
TEST_F(SaveAllTest, WhenTheUsersPublisherEndsTheRunAsksItNothingMoreAndLogsWhatItLost) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    for (const wchar_t* crash :
         {L"running:ShapeRange.Copy", L"running:Document.Saved", L"running:Page.Background"}) {
        SCOPED_TRACE(crash);
        dialogs.shown.clear();
        files.contents.clear();
        publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a1"}, {L"a2"}}),
                       Doc(L"B.pub", L"C:\\Docs", {{L"b"}}), Doc(L"C.pub", L"C:\\Docs", {{L"c"}})});
        publisher.world->running->unsaved = {0, 1, 2};
        publisher.world->crashing = {crash};
        publisher.world->journal.clear();
        Press();
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
        const std::vector<std::wstring> log = LogLines();
        ASSERT_EQ(log.size(), 3u) << ::testing::PrintToString(log);
        for (std::size_t k = 0; k < 3; ++k) {
            const std::wstring name = std::wstring(1, static_cast<wchar_t>(L'A' + k)) + L".pub";
            EXPECT_EQ(
                log[k].rfind(name + L" was not backup saved: Publisher ended unexpectedly at "), 0u)
                << log[k];
            EXPECT_TRUE(log[k].ends_with(L", before its backup was made")) << log[k];
        }
        EXPECT_TRUE(FileNames().empty()) << ::testing::PrintToString(FileNames());
        EXPECT_EQ(publisher.world->CopiesAlive(), 0);
        const std::vector<std::wstring>& journal = publisher.world->journal;
        const auto crashed =
            std::find(journal.begin(), journal.end(), L"running " + std::wstring(crash).substr(8));
        ASSERT_NE(crashed, journal.end());
        EXPECT_TRUE(std::none_of(crashed + 1, journal.end(), [](const std::wstring& line) {
            return line.rfind(L"running ", 0) == 0;
        })) << "the ended Publisher was asked again";
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
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{112, 136, 176, 122, 142, 178, 168, 184}));
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
