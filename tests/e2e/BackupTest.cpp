// The backup run of "Backup Save Now (Test)", driven from outside against the stand-in
// Publisher: a running instance holds the documents, and the program makes each backup in a
// copy instance of its own. Each test looks at everything a run leaves behind at once: the
// backup files and their contents, the documents, the history log, the error reports, the
// clipboard, the stand-in's call journal and its processes.
#include <gtest/gtest.h>

#include "BackupRun.h"

namespace kelbrook::e2e {
namespace {

// ---- without a running Publisher ----------------------------------------------------------

TEST_F(BackupRun, WithoutARunningPublisherDoesNothing) {
    const fs::path backups = MakeFolder(L"Backups");
    ASSERT_TRUE(Store::Set(L"Path", backups.wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option1));
    const std::wstring kept = L"on the clipboard before the click";
    ASSERT_TRUE(PutClipboardText(kept));
    const DWORD sequence = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    ExpectQuietAfterwards();
    ExpectQuietAfterwards();  // a second marker, behind anything the click posted itself

    EXPECT_FALSE(log_->Exists()) << ::testing::PrintToString(log_->Lines());
    EXPECT_TRUE(FilesIn(backups).empty()) << ::testing::PrintToString(FilesIn(backups));
    EXPECT_EQ(FilesIn(workspace_->folder()), (std::set<std::wstring>{L"Backups", L"Kelbrook.exe"}));
    EXPECT_TRUE(StandinProcesses().empty()) << "a Publisher was started";
    EXPECT_FALSE(fs::exists(journal_)) << "the stand-in was called";
    EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "the clipboard was written";
    EXPECT_EQ(ClipboardText(), kept);
}

// ---- next to the documents, a new file each run -------------------------------------------

TEST_F(BackupRun, BacksUpEveryDocumentNextToItWithDateAndTime) {
    const Publication flyer = {{L"Summer fair", L"Saturday 10 am"}, {L"Map"}};
    const Publication prices = {
        {L"Preisliste 2021"}, {L"Brot", L"Brötchen"}, {}, {L"Grüße aus Köln, 日本"}, {L"Ende"}};
    const Publication poster = {{L"Poster"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path other = workspace_->folder() / L"Other folder";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path pricesFile = WriteDocument(L"Docs\\Müller Preisliste.pub", prices);
    // A 400 x 300 point poster keeps its size; the others have the default and no size line.
    const fs::path posterFile = WriteDocument(L"Other folder\\Poster.pub", poster, "400 300");
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), pricesFile.wstring(), posterFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option2));
    ASSERT_TRUE(Checked(ControlId::Option3));
    const std::wstring kept = L"the user's own clipboard: Grüße, 日本";
    ASSERT_TRUE(PutClipboardText(kept));
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(3, clock));

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
    const std::optional<fs::path> pricesBackup = FindBackup(docs, L"Müller Preisliste.pub", stamps);
    const std::optional<fs::path> posterBackup = FindBackup(other, L"Poster.pub", stamps);
    ASSERT_TRUE(flyerBackup && pricesBackup && posterBackup);
    EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
    EXPECT_EQ(ReadBytes(*pricesBackup), PublicationFile(prices)) << "five pages, the third empty";
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster, "400 300"));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Müller Preisliste.pub",
                                                     flyerBackup->filename().wstring(),
                                                     pricesBackup->filename().wstring()}));
    EXPECT_EQ(FilesIn(other),
              (std::set<std::wstring>{L"Poster.pub", posterBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();

    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
    ExpectLogLine(lines[1], L"Müller Preisliste.pub was backup saved as " + pricesBackup->wstring(),
                  clock);
    ExpectLogLine(lines[2], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);
    EXPECT_TRUE(log_->Bytes()->ends_with("\r\n"));

    EXPECT_EQ(ClipboardText(), kept) << "the clipboard was not given back";
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 3);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
}

// ---- one folder for all, one file a day ---------------------------------------------------

TEST_F(BackupRun, OverwritesTheDaysBackupInTheChosenFolder) {
    const Publication flyer = {{L"Flyer"}, {L"Back page"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    // An unsaved document may be called anything, even what a file name cannot hold.
    const std::wstring odd = L"a\\b/c:d*e?f\"g<h>i|j";
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), L"--unsaved", odd}));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option1));
    ASSERT_TRUE(Checked(ControlId::Option4));
    const fs::path backups = MakeFolder(L"Kopien für Kelbrook");
    const std::wstring typed = backups.wstring() + L"\\";
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(Control(ControlId::Text1), WM_SETTEXT, 0,
                                      reinterpret_cast<LPARAM>(typed.c_str()), SMTO_ABORTIFHUNG,
                                      5000, &ignored));
    ASSERT_TRUE(WaitUntil([&] { return Store::Read(L"Path") == typed; }));

    for (const std::size_t run : {1u, 2u}) {
        SCOPED_TRACE(::testing::Message() << "run " << run);
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(2 * run, clock));

        const std::set<std::wstring> stamps = clock.DayStamps();
        // In the one folder for all, a publication's backups say where it is.
        const std::optional<fs::path> flyerBackup =
            FindBackup(backups, L"Flyer.pub " + BackupName::OriginTag(docs.wstring()), stamps);
        const std::optional<fs::path> oddBackup =
            FindBackup(backups, L"a_b_c_d_e_f_g_h_i_j", stamps);
        ASSERT_TRUE(flyerBackup && oddBackup);
        EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
        EXPECT_EQ(ReadBytes(*oddBackup), PublicationFile(Publication(1)))
            << "a blank publication: one empty page";
        EXPECT_EQ(FilesIn(backups), (std::set<std::wstring>{flyerBackup->filename().wstring(),
                                                            oddBackup->filename().wstring()}));
        EXPECT_EQ(FilesIn(docs), std::set<std::wstring>{L"Flyer.pub"});
        ExpectDocumentsUnchanged();

        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2 * run) << ::testing::PrintToString(lines);
        ExpectLogLine(lines[2 * run - 2],
                      L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
        ExpectLogLine(lines[2 * run - 1], odd + L" was backup saved as " + oddBackup->wstring(),
                      clock);
        // The next run of the day replaces the file, whatever it holds by then.
        ASSERT_TRUE(WriteBytes(*flyerBackup, "changed since the first run\r\n"));
    }
}

// ---- two publications of one name, one folder for all -------------------------------------

// A monthly newsletter kept as 2026-11\News.pub and 2026-12\News.pub, both backed up into one
// folder: each gets backups of its own, named after its folder, whether copied exactly (both
// within a second or two) or rebuilt, a new file each run or one a day.
TEST_F(BackupRun, SameNamedPublicationsOfTwoFoldersKeepBackupsOfTheirOwn) {
    const Publication november = {{L"November news"}, {L"Winter fair"}};
    const Publication december = {{L"December news"}};
    const fs::path novemberFile = WriteDocument(L"2026-11\\News.pub", november);
    const fs::path decemberFile = WriteDocument(L"2026-12\\News.pub", december);
    const fs::path backups = MakeFolder(L"Backups");
    ASSERT_TRUE(Store::Set(L"Path", backups.wstring()));
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({novemberFile.wstring(), decemberFile.wstring()}, /*saved=*/true));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option1));
    ASSERT_TRUE(Checked(ControlId::Option3));
    const std::wstring stems[] = {
        L"News.pub " + BackupName::OriginTag(novemberFile.parent_path().wstring()),
        L"News.pub " + BackupName::OriginTag(decemberFile.parent_path().wstring())};
    ASSERT_TRUE(stems[0].starts_with(L"News.pub [2026-11 ")) << ::testing::PrintToString(stems[0]);
    ASSERT_TRUE(stems[1].starts_with(L"News.pub [2026-12 ")) << ::testing::PrintToString(stems[1]);
    const std::string bytes[] = {PublicationFile(november), PublicationFile(december)};

    // Each publication's backup among the run's, equal to its own file; `files` in the folder.
    const auto expectOwn = [&](const std::set<std::wstring>& stamps, const RunClock& clock,
                               std::size_t files) {
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_GE(lines.size(), 2u);
        for (std::size_t k = 0; k < 2; ++k) {
            const std::optional<fs::path> backup = FindBackup(backups, stems[k], stamps);
            ASSERT_TRUE(backup);
            EXPECT_EQ(ReadBytes(*backup), bytes[k]) << ::testing::PrintToString(stems[k]);
            ExpectLogLine(lines[lines.size() - 2 + k],
                          L"News.pub was backup saved as " + backup->wstring(), clock);
        }
        EXPECT_EQ(FilesIn(backups).size(), files) << ::testing::PrintToString(FilesIn(backups));
    };
    {
        SCOPED_TRACE("saved: copied exactly, a new file each run");
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(2, clock));
        expectOwn(clock.NewFileStamps(), clock, 2);
        EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty()) << "a saved file was rebuilt";
    }
    {
        SCOPED_TRACE("changed: rebuilt, one file a day");
        ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option4));
        ASSERT_TRUE(WaitUntil([] { return Store::Read(L"Backup Option") == L"2"; }));
        ASSERT_NO_FATAL_FAILURE(MarkChanged());
        fs::remove(journal_);  // the test's own calls
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(4, clock));
        expectOwn(clock.DayStamps(), clock, 4);
        ExpectRunJournal(ReadJournal(journal_), RunningId(), 2);
    }
    ExpectDocumentsUnchanged();
}

// ---- a document never saved, next to the documents ----------------------------------------

TEST_F(BackupRun, AsksWhereToPutTheBackupOfAnUnsavedDocumentUntilAFolderIsChosen) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), L"--unsaved", L"Notes"}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const fs::path chosen = MakeFolder(L"Chosen for Notes");
    const std::wstring prompt = L"Notes is unsaved. Please select location:";

    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    for (const int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer == IDOK ? "choosing a folder" : "cancelling");
        HWND dialog = program_.WaitForFolderDialog();
        ASSERT_NE(dialog, nullptr)
            << "no folder dialog came; log " << ::testing::PrintToString(log_->Lines());
        EXPECT_NE(FindChild(dialog, L"Static", prompt), nullptr) << "the dialog's prompt";
        EXPECT_FALSE(::IsWindowEnabled(program_.MainWindow())) << "the dialog is not modal";
        EXPECT_EQ(log_->Lines().size(), 1u) << "Flyer.pub goes first, without a dialog";
        if (answer == IDOK) {
            ASSERT_TRUE(SelectFolder(dialog, program_.id(), chosen.wstring()));
        }
        ASSERT_TRUE(PostClick(::GetDlgItem(dialog, answer)));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); })) << "the dialog stays";
    }
    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() >= 2; }, kRunDeadline));
    clock.after = LocalNow();
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }));
    ExpectQuietAfterwards();

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
    const std::optional<fs::path> notesBackup = FindBackup(chosen, L"Notes", stamps);
    ASSERT_TRUE(flyerBackup && notesBackup);
    EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
    EXPECT_EQ(ReadBytes(*notesBackup), PublicationFile(Publication(1)))
        << "a blank publication: one empty page";
    EXPECT_EQ(FilesIn(chosen), std::set<std::wstring>{notesBackup->filename().wstring()});
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Flyer.pub", flyerBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
    ExpectLogLine(lines[1], L"Notes was backup saved as " + notesBackup->wstring(), clock);
}

}  // namespace
}  // namespace kelbrook::e2e
