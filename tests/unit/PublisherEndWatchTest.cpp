// The user's Publisher ending unexpectedly: which publications it concerns, kept across a
// restart until the user acts, told once.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"
#include "recovery/PublisherEndWatch.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

struct ToldRecoveries : Recovery::RecoveryEvents {
    std::vector<std::pair<std::vector<Recovery::PendingRecovery>, bool>> calls;
    void PendingChanged(const std::vector<Recovery::PendingRecovery>& pending, bool tell) override {
        calls.emplace_back(pending, tell);
    }
};

class PublisherEndTest : public SaveAllTest {
  protected:
    PublisherEndTest() {
        controls.SetCaption(ControlId::Text1, L"C:\\B");
        Start();
    }
    // A session of the program: its watch started as the main window loads.
    void Start() {
        watch = std::make_unique<Recovery::PublisherEndWatch>(
            Recovery::RecoveryPorts{settings, publisher, debug}, values, told);
        values.AfterRun = [this] { watch->AfterRun(); };
        watch->OpenSession();
        watch->Start();
    }
    // Changed A (backed up), saved B, and never-saved C, which Publisher could not hand over
    // a backup of: the publications a run sees.
    void RunOverThree() {
        publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}}), Doc(L"B.pub", L"C:\\Docs", {{L"b"}}),
                       Doc(L"C.pub", L"C:\\Docs", {{L"c"}})});
        publisher.world->running->unsaved = {0, 2};
        publisher.world->readOnlyFolders = {L"C:\\B"};
        publisher.world->failing.clear();
        Press();
        dialogs.shown.clear();
    }
    void PublisherEnds(std::uint32_t code) {
        FakeProcessState& process = *publisher.world->running->process;
        (code == 0 ? process.quit : process.ended) = true;
        ASSERT_TRUE(process.onEnded) << "the user's Publisher is not watched";
        std::exchange(process.onEnded, nullptr)();
    }
    std::vector<std::wstring> PendingNames() const {
        std::vector<std::wstring> names;
        for (const auto& pending : values.PendingRecoveries) names.push_back(pending.name);
        return names;
    }
    ToldRecoveries told;
    std::unique_ptr<Recovery::PublisherEndWatch> watch;
};

TEST_F(PublisherEndTest, ACrashConcernsThePublicationsSeenUnsavedAndIsKeptUntilActedOn) {
    RunOverThree();
    PublisherEnds(3);
    EXPECT_EQ(PendingNames(), (std::vector<std::wstring>{L"A.pub", L"C.pub"}));
    ASSERT_EQ(told.calls.size(), 1u);
    EXPECT_TRUE(told.calls[0].second) << "the user was not told";
    EXPECT_TRUE(values.PendingRecoveries[1].backup.empty()) << "C has no backup to offer";

    // A restart after a clean end: still pending, shown but not told again.
    watch->End();
    values = ProgramValues{};
    told.calls.clear();
    Start();
    EXPECT_EQ(PendingNames(), (std::vector<std::wstring>{L"A.pub", L"C.pub"}));
    ASSERT_EQ(told.calls.size(), 1u);
    EXPECT_FALSE(told.calls[0].second);

    watch->Resolved(L"C:\\Docs\\A.pub");
    watch->Resolved(L"C:\\Docs\\C.pub");
    EXPECT_TRUE(values.PendingRecoveries.empty());
    watch->End();
    values = ProgramValues{};
    Start();
    EXPECT_TRUE(values.PendingRecoveries.empty());
}

TEST_F(PublisherEndTest, PublisherClosedByTheUserOrWithEverythingSavedOwesNothing) {
    RunOverThree();
    PublisherEnds(0);
    EXPECT_TRUE(values.PendingRecoveries.empty());

    publisher.Run({Doc(L"B.pub", L"C:\\Docs", {{L"b"}})});  // saved
    Press();
    PublisherEnds(3);
    EXPECT_TRUE(values.PendingRecoveries.empty());
    EXPECT_TRUE(told.calls.empty());
}

// The program itself ended without its clean end (a power cut): at its next start, the
// Publisher it last saw counts as ended unexpectedly.
TEST_F(PublisherEndTest, ASessionThatDidNotEndCleanlyTellsOfItsLastRunAtTheNextStart) {
    RunOverThree();
    values = ProgramValues{};
    Start();  // no End() before
    EXPECT_EQ(PendingNames(), (std::vector<std::wstring>{L"A.pub", L"C.pub"}));
    ASSERT_EQ(told.calls.size(), 1u);
    EXPECT_TRUE(told.calls[0].second);
}

// Publisher ended during a run: the run's own end tells, once; a document the run could not
// back up any more keeps the backup the run before made of it.
TEST_F(PublisherEndTest, AnEndDuringARunIsToldOnceWithTheNewestBackups) {
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}})});
    publisher.world->running->unsaved = {0};
    Press();
    ASSERT_EQ(values.LastRunUnsaved.size(), 1u);
    const std::wstring firstBackup = values.LastRunUnsaved[0].backup;
    ASSERT_FALSE(firstBackup.empty());
    clock.times = {LocalTime{2021, 9, 1, 14, 6, 9, 0}};  // a minute later
    publisher.world->crashing = {L"running:ShapeRange.Copy"};
    Press();
    EXPECT_EQ(PendingNames(), std::vector<std::wstring>{L"A.pub"});
    EXPECT_EQ(values.PendingRecoveries[0].backup, firstBackup);
    EXPECT_EQ(told.calls.size(), 1u);
    EXPECT_TRUE(dialogs.shown.empty());
}

// The watch of the run before learns of the end while the next run is under way (its
// message handled inside a call): the user is told once, as the run ends.
TEST_F(PublisherEndTest, AnEndTheWatchSeesDuringARunIsToldOnceAsTheRunEnds) {
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}, {L"a2"}})});
    publisher.world->running->unsaved = {0};
    Press();
    FakeProcessState& process = *publisher.world->running->process;
    ASSERT_TRUE(process.onEnded);
    std::function<void()> seen = std::exchange(process.onEnded, nullptr);
    publisher.world->onCall = [&](const std::wstring& member) {
        if (member != L"ShapeRange.Copy" || !seen) return;
        process.ended = true;
        std::exchange(seen, nullptr)();  // the watch's message, handled during the run
        EXPECT_TRUE(told.calls.empty()) << "told while the run was under way";
    };
    publisher.world->crashing = {L"running:ShapeRange.Copy"};
    Press();
    EXPECT_EQ(told.calls.size(), 1u);
    EXPECT_EQ(PendingNames(), std::vector<std::wstring>{L"A.pub"});
}

}  // namespace
}  // namespace kelbrook

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

bool SentToTheShell(const FakeShellTray& tray, const std::string& text) {
    for (const ShellCall& call : tray.calls) {
        const std::string bytes(call.bytes.begin(), call.bytes.end());
        if (bytes.find(text) != std::string::npos) return true;
    }
    return false;
}

// Through the main window: the balloon tells, the tray tip says so, the tray menu offers
// "Recover A.pub…" first, and choosing it opens the newest backup, after which nothing is
// pending; a backup that has gone is said so, and the one before it offered.
TEST_F(SaveAllTest, TheTrayOffersARecoveryFirstAndOpensItsBackup) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    publisher.Run({Doc(L"A.pub", L"C:\\Docs", {{L"a"}})});
    publisher.world->running->unsaved = {0};
    Press();
    ASSERT_EQ(values.LastRunUnsaved.size(), 1u);
    const std::wstring backup = values.LastRunUnsaved[0].backup;
    FakeProcessState& process = *publisher.world->running->process;
    process.ended = true;
    ASSERT_TRUE(process.onEnded) << "the user's Publisher is not watched after a run";
    std::exchange(process.onEnded, nullptr)();

    EXPECT_TRUE(SentToTheShell(shellTray, "Publisher closed unexpectedly"));
    EXPECT_TRUE(SentToTheShell(shellTray,
                               "A.pub: the newest backup, from 2:05 PM, holds the "
                               "changes seen until then"));
    EXPECT_TRUE(SentToTheShell(shellTray, "Kelbrook: A.pub can be recovered"));
    EXPECT_TRUE(controls.Visible(ControlId::RecoveryLine));
    EXPECT_TRUE(controls.Visible(ControlId::RecoveryDismiss));
    EXPECT_EQ(controls.Caption(ControlId::RecoveryLine), L"A.pub: unsaved work to recover");

    trayMenu.pick = 0;
    form.MouseUp(2, 0);
    ASSERT_EQ(trayMenu.shown.size(), 1u);
    EXPECT_EQ(trayMenu.shown[0].front(), L"&Recover A.pub\u2026");
    EXPECT_EQ(trayMenu.shownDefault, 1) << "Open Kelbrook stays the default";
    EXPECT_EQ(backupShell.calls, std::vector<std::wstring>{L"open " + backup});
    EXPECT_TRUE(values.PendingRecoveries.empty());
    EXPECT_FALSE(controls.Visible(ControlId::RecoveryLine)) << "the line outlived its recovery";
    EXPECT_FALSE(controls.Visible(ControlId::RecoveryOpen));
    EXPECT_EQ(settings.values[L"Pending Recoveries"], L"");

    // Pending again, its backup gone and nothing before it: said so, and the Backups window.
    values.PendingRecoveries = {values.LastRunUnsaved[0]};
    files.contents.erase(backup);
    dialogs.shown.clear();
    form.BalloonClick(0);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().text.rfind(L"The backup is no longer there:", 0), 0u);
    EXPECT_EQ(backups.shows, 1);
    EXPECT_EQ(values.PendingRecoveries.size(), 1u) << "nothing was recovered";

    // The main window's Dismiss, answered No, then Yes.
    dialogs.answerYes = false;
    form.Click(ControlId::RecoveryDismiss);
    EXPECT_EQ(values.PendingRecoveries.size(), 1u);
    dialogs.answerYes = true;
    form.Click(ControlId::RecoveryDismiss);
    EXPECT_TRUE(values.PendingRecoveries.empty());
    EXPECT_FALSE(controls.Visible(ControlId::RecoveryLine));
    EXPECT_TRUE(backupShell.calls.size() == 1u) << "Dismiss opened something";

    // Two publications pending: the balloon's click shows the Backups window with theirs alone.
    values.PendingRecoveries = {SeenUnsaved{L"C:\\Docs\\A.pub", L"A.pub", {}, L"a1", false, {}},
                                SeenUnsaved{L"C:\\Docs\\B.pub", L"B.pub", {}, L"b1", true, L"b0"}};
    form.BalloonClick(0);
    EXPECT_EQ(backups.chosen, (std::vector<std::wstring>{L"a1", L"b1", L"b0"}));
    EXPECT_EQ(backupShell.calls.size(), 1u);
}

}  // namespace
}  // namespace kelbrook
