// The user's Publisher ending unexpectedly, during a run.
#include <gtest/gtest.h>

#include "BackupRun.h"
#include "TrayDriver.h"
#include "BackupsWindowE2e.h"
#include "backup/SavePublisher.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "core/Failure.h"

namespace kelbrook::e2e {
namespace {

// The user's Publisher crashes while the run copies a page of the first of two changed
// publications: the run asks it nothing more and shows no error report; each document it did
// not back up is logged by its name, and no file is written for either.
TEST_F(BackupRun, APublisherThatCrashesDuringARunCostsNoTrainOfReports) {
    Publication big;
    for (int page = 1; page <= 6; ++page) big.push_back({L"Page " + std::to_wstring(page)});
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bigFile = WriteDocument(L"Docs\\Big.pub", big);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({bigFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_TRUE(StandinSettings::SetFault(L"running:ShapeRange.Copy", L"crash"));
    RunClock clock;
    const std::vector<SeenBox> reports = FollowRun(2, clock);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(TextsOf(reports));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (const auto& [line, name] : {std::pair{lines[0], L"Big.pub"}, {lines[1], L"Menu.pub"}}) {
        EXPECT_TRUE(line.starts_with(std::wstring(name) +
                                     L" was not backup saved: Publisher ended unexpectedly at ") &&
                    line.ends_with(L", before its backup was made"))
            << ::testing::PrintToString(line);
    }
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Big.pub", L"Menu.pub"}));
    EXPECT_TRUE(WaitUntil([&] { return !standins_.back()->Running(); }));
    EXPECT_EQ(standins_.back()->exitCode(), std::optional<DWORD>(3)) << "the crash fault's code";
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

// The user's Publisher runs but rejects every call (a dialog is open in it) when the user
// presses "Backup Save Now (Test)": once the calls have been tried for their time, the user is
// told, and the log says that no backup was made; no copy instance is started.
TEST_F(BackupRun, APublisherBusyWithADialogIsToldAndLoggedNotPassedOverInSilence) {
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"running:busy", L"busy 600000"));

    Click(ControlId::PushButton2);
    ASSERT_TRUE(
        WaitUntil([&] { return program_.FindMessageBox() != nullptr; }, std::chrono::seconds(120)))
        << "no message while Publisher was busy";
    const std::optional<SeenBox> box = program_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, kProgramTitle);
    EXPECT_EQ(box->text, SavePublisher::kPublisherBusyMessage);
    ASSERT_TRUE(Answer(*box, IDOK));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(
        L"Publisher did not answer (a dialog may be open in it): no backup at "))
        << ::testing::PrintToString(lines[0]);
    EXPECT_TRUE(CopyProcesses().empty());
    ASSERT_TRUE(StandinSettings::RemoveFault(L"running:busy"));
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

// ---- the notice of an unexpected end ---------------------------------------------------

class PublisherEndE2e : public BackupRun {
  protected:
    // The tray menu, opened by the icon's right button; its window, once it shows.
    HWND OpenTrayMenu() {
        HWND menu = nullptr;
        EXPECT_TRUE(::PostMessageW(Control(ControlId::cSysTray1), 1125, 0, WM_RBUTTONUP));
        EXPECT_TRUE(WaitUntil([&] {
            for (HWND window : TopLevelWindows(program_.id(), L"#32768")) {
                if (::IsWindowVisible(window)) menu = window;
            }
            return menu != nullptr;
        })) << "no tray menu";
        return menu;
    }
    // A changed publication backed up, its backup's path.
    fs::path BackUpChangedNews() {
        const fs::path news = WriteDocument(L"Docs\\News.pub", {{L"Lead story"}, {L"Page two"}});
        EXPECT_NO_FATAL_FAILURE(StartStandin({news.wstring()}));
        EXPECT_TRUE(Store::Set(L"WhereOption", L"2"));
        EXPECT_NO_FATAL_FAILURE(StartProgram());
        RunClock clock;
        EXPECT_NO_FATAL_FAILURE(Backup(1, clock));
        const std::optional<fs::path> backup =
            FindBackup(workspace_->folder() / L"Docs", L"News.pub", clock.NewFileStamps());
        EXPECT_TRUE(backup);
        return backup.value_or(fs::path());
    }
    // The user's Publisher crashes (the stand-in's crash fault, exit code 3) at a call the
    // test makes: the program itself asks it nothing between runs.
    void CrashPublisher() {
        ASSERT_TRUE(StandinSettings::SetFault(L"running:Application.Name", L"crash"));
        {
            OleScope ole;
            win32::ComPublisherAutomation publisher;
            try {
                publisher.AttachRunning()->Name();
            } catch (const kelbrook::Failure&) {
                // The call that met the crash.
            }
        }
        ASSERT_TRUE(WaitUntil([&] { return !standins_.back()->Running(); }));
        EXPECT_EQ(standins_.back()->exitCode(), std::optional<DWORD>(3));
    }
};

// A changed publication backed up, then the user's Publisher crashes: a balloon is up, the
// tray menu offers "Recover News.pub…" first, and choosing it opens the backup through the
// program associated with .pub; after that nothing is pending.
TEST_F(PublisherEndE2e, ACrashIsToldAndTheTrayMenuOpensTheNewestBackup) {
    const fs::path backup = BackUpChangedNews();
    ASSERT_FALSE(backup.empty());
    PubRecorder recorder(workspace_->folder() / L"opened.txt");
    ASSERT_TRUE(recorder.registered());
    ASSERT_NO_FATAL_FAILURE(CrashPublisher());

    EXPECT_TRUE(WaitUntil(BalloonShown)) << "no balloon";
    ASSERT_TRUE(WaitUntil([] { return Store::Read(L"Pending Recoveries").has_value(); }));
    // The main window's line shows, its buttons inside the window, which grew to hold them.
    HWND line = Control(ControlId::RecoveryLine);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(line) != FALSE; }));
    EXPECT_EQ(TextOf(line), L"News.pub: unsaved work to recover");
    RECT client{};
    ::GetClientRect(program_.MainWindow(), &client);
    for (const ControlId id : {ControlId::RecoveryOpen, ControlId::RecoveryDismiss}) {
        RECT button{};
        ::GetWindowRect(Control(id), &button);
        ::MapWindowPoints(nullptr, program_.MainWindow(), reinterpret_cast<POINT*>(&button), 2);
        EXPECT_TRUE(::IsWindowVisible(Control(id)));
        EXPECT_TRUE(button.left >= 0 && button.top >= 0 && button.right <= client.right &&
                    button.bottom <= client.bottom)
            << "a button of the line lies outside the window";
    }
    HWND menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(::PostMessageW(menu, WM_CHAR, L'r', 0));  // "&Recover News.pub…"
    const std::optional<SeenBox> question = program_.WaitForMessageBox();
    ASSERT_TRUE(question);
    EXPECT_TRUE(question->text.starts_with(L"News.pub: the newest backup, from "))
        << ::testing::PrintToString(question->text);
    ASSERT_TRUE(Answer(*question, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return recorder.Recorded().has_value(); }))
        << "the backup was not opened";
    EXPECT_EQ(recorder.Recorded(), backup.wstring());
    EXPECT_TRUE(WaitUntil([] { return Store::Read(L"Pending Recoveries") == L""; }));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(line); })) << "the line stayed";
    RECT after{};
    ::GetClientRect(program_.MainWindow(), &after);
    EXPECT_LT(after.bottom, client.bottom) << "the window kept the line's room";
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(Store::Read(L"Session Open"), L"0");
}

// The program itself ended without its clean close after a backup of unsaved changes (as
// in a power cut): at its next start it tells of the Publisher it last saw. (Ending the
// process here would leave its icon in Wine's tray for later tests; the store is left as an
// ended process leaves it instead: the session still marked open.)
TEST_F(PublisherEndE2e, AProgramEndedUncleanlyTellsAtItsNextStart) {
    const fs::path backup = BackUpChangedNews();
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(Store::Read(L"Session Open"), L"1");
    ASSERT_NO_FATAL_FAILURE(Close());
    ASSERT_TRUE(Store::Set(L"Session Open", L"1"));
    ASSERT_TRUE(fs::remove(journal_));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_TRUE(WaitUntil(BalloonShown)) << "no balloon at the start";
    const std::optional<std::wstring> pending = Store::Read(L"Pending Recoveries");
    ASSERT_TRUE(pending);
    EXPECT_NE(pending->find(backup.wstring()), std::wstring::npos) << *pending;
    // The tray menu offers it; the user does not open it now, nor stop the reminder.
    HWND menu = OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(::PostMessageW(menu, WM_CHAR, L'r', 0));  // "&Recover News.pub…"
    for (const wchar_t* question : {L"News.pub: the newest backup, from ", L"Stop reminding"}) {
        const std::optional<SeenBox> box = program_.WaitForMessageBox();
        ASSERT_TRUE(box) << "no question " << ::testing::PrintToString(question);
        EXPECT_TRUE(box->text.starts_with(question)) << ::testing::PrintToString(box->text);
        ASSERT_TRUE(Answer(*box, IDNO));
    }
    EXPECT_EQ(Store::Read(L"Pending Recoveries"), pending) << "the recovery was let go";
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

// Ended from Task Manager after a backup of unsaved changes: told as a crash is. Closed by
// the user with everything saved: nothing is owed, and nothing is told.
TEST_F(PublisherEndE2e, AnEndFromTaskManagerIsToldAndAClosedSavedPublisherIsNot) {
    const fs::path backup = BackUpChangedNews();
    ASSERT_FALSE(backup.empty());
    standins_.back()->Kill();
    ASSERT_TRUE(WaitUntil([&] { return !standins_.back()->Running(); }));
    ASSERT_TRUE(WaitUntil([] { return Store::Read(L"Pending Recoveries").has_value(); }))
        << "the end from Task Manager was not noticed";
    EXPECT_NE(Store::Read(L"Pending Recoveries")->find(backup.wstring()), std::wstring::npos);
    EXPECT_TRUE(WaitUntil(BalloonShown)) << "no balloon";
    ASSERT_NO_FATAL_FAILURE(Close());

    // A fresh session whose Publisher holds only a saved publication, closed by the user.
    ASSERT_TRUE(Store::Clear());
    ASSERT_TRUE(fs::remove(journal_));
    const fs::path menu = WriteDocument(L"Docs\\Menu.pub", {{L"Soup"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({menu.wstring()}, /*saved=*/true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    EXPECT_FALSE(WaitUntil([] { return Store::Read(L"Pending Recoveries").has_value(); },
                           std::chrono::seconds(3)))
        << "a Publisher closed with its work saved was taken for an unexpected end";
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

// Two changed publications backed up beside a third, saved one, then Publisher crashes: the
// balloon's click shows the Backups window with the two publications' backups alone.
TEST_F(PublisherEndE2e, ClickingTheBalloonOfSeveralShowsTheirBackupsAlone) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path news = WriteDocument(L"Docs\\News.pub", {{L"Lead"}});
    const fs::path menu = WriteDocument(L"Docs\\Menu.pub", {{L"Soup"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({news.wstring(), menu.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(2, clock));
    // Another publication's backup in the same folder, which the filter leaves out.
    ASSERT_TRUE(WriteBytes(docs / L"Flyer.pub Date Dec 1 2026 Time 09 00 00 AM.pub", "x"));
    ASSERT_NO_FATAL_FAILURE(CrashPublisher());
    ASSERT_TRUE(WaitUntil([] { return Store::Read(L"Pending Recoveries").has_value(); }));

    ASSERT_TRUE(::PostMessageW(Control(ControlId::cSysTray1), 1125, 0,
                               WM_USER + 5));  // NIN_BALLOONUSERCLICK
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        window = BackupsWindowOf(program_.id());
        return window != nullptr && BackupsListed(window) &&
               ListViewRows(program_.id(), ::GetDlgItem(window, win32::kBackupsList))
                       .value_or(std::vector<std::vector<std::wstring>>{})
                       .size() == 2;
    })) << "the Backups window did not show the two publications' backups alone";
    EXPECT_EQ(TextOf(::GetDlgItem(window, win32::kBackupsFilter)),
              L"The publications Publisher closed on");
    ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(window); }));
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

}  // namespace
}  // namespace kelbrook::e2e
