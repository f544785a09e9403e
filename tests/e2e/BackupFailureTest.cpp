// The backup run when things fail: a save that fails, a copy instance that crashes, hangs or
// never answers its creation, a document Publisher will not hand over. Each failure costs its
// document one report, and the run goes on.
#include <gtest/gtest.h>

#include "BackupRun.h"

namespace kelbrook::e2e {
namespace {

// ---- failed saves -------------------------------------------------------------------------

// Three documents, two runs, the day's backups kept next to each. The first run fails
// Flyer's SaveAs (the fault is taken away at its report), and Price list's backup of the day
// is open in another program that lets nobody replace it; Menu is backed up all the same.
// The second run saves everything to a folder nobody may write.
TEST_F(BackupRun, AFailedSaveIsReportedLoggedAndTheRunGoesOn) {
    const Publication flyer = {{L"Summer fair", L"Saturday"}, {L"Map"}};
    const Publication prices = {{L"Prices"}};
    const Publication menu = {{L"Menu"}, {}, {L"Desserts"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path shop = workspace_->folder() / L"Shop";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path pricesFile = WriteDocument(L"Shop\\Price list.pub", prices);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);

    const std::wstring day = DayStamp(LocalNow());
    const fs::path flyerBackup = docs / (L"Flyer.pub" + day);
    const fs::path pricesBackup = shop / (L"Price list.pub" + day);
    const fs::path menuBackup = docs / (L"Menu.pub" + day);
    const std::string earlierFlyer = PublicationFile({{L"this morning's flyer"}});
    const std::string earlierPrices = PublicationFile({{L"this morning's prices"}});
    ASSERT_TRUE(WriteBytes(flyerBackup, earlierFlyer));
    ASSERT_TRUE(WriteBytes(pricesBackup, earlierPrices));
    // Open the way a viewer opens a file: others may read it, not write, rename or delete it.
    UniqueFile heldOpen(::CreateFileW(pricesBackup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(heldOpen);

    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), pricesFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    // What every run leaves: the earlier backups of the failed documents untouched, Menu's
    // backup, and no partial file anywhere.
    const auto expectFiles = [&] {
        EXPECT_EQ(ReadBytes(flyerBackup), earlierFlyer) << "Flyer's earlier backup was touched";
        EXPECT_EQ(ReadBytes(pricesBackup), earlierPrices) << "Price list's earlier backup";
        EXPECT_EQ(ReadBytes(menuBackup), PublicationFile(menu));
        EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Menu.pub",
                                                         flyerBackup.filename().wstring(),
                                                         menuBackup.filename().wstring()}));
        EXPECT_EQ(FilesIn(shop),
                  (std::set<std::wstring>{L"Price list.pub", pricesBackup.filename().wstring()}));
        ExpectDocumentsUnchanged();
    };

    {
        SCOPED_TRACE("run 1: Flyer's SaveAs fails, Price list's backup is held open");
        ASSERT_TRUE(StandinSettings::SetFault(L"Document.SaveAs", L"fail"));
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(
            3, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Document.SaveAs"); });
        if (HasFatalFailure()) return;
        ASSERT_EQ(reports.size(), 2u) << "reports " << ::testing::PrintToString(TextsOf(reports))
                                      << "\nlog " << ::testing::PrintToString(log_->Lines());
        EXPECT_EQ(reports[0].text, SaveAllReport(kSaveAsFailure, 160));
        const std::optional<SaveAllFailure> held = ParseSaveAllReport(reports[1].text);
        ASSERT_TRUE(held) << ::testing::PrintToString(reports[1].text);
        EXPECT_EQ(held->step, 160);
        EXPECT_FALSE(held->description.empty());
        for (const SeenBox& report : reports) {
            EXPECT_TRUE(report.ok && report.icon);
            EXPECT_FALSE(report.yes || report.no || report.cancel);
        }

        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
        ExpectLogLine(lines[0], L"Flyer.pub could not be backup saved as " + flyerBackup.wstring(),
                      clock, std::wstring(L": ") + kSaveAsFailure);
        ExpectLogLine(lines[1],
                      L"Price list.pub could not be backup saved as " + pricesBackup.wstring(),
                      clock, L": " + held->description);
        ExpectLogLine(lines[2], L"Menu.pub was backup saved as " + menuBackup.wstring(), clock);
        expectFiles();
        ExpectRunJournal(ReadJournal(journal_), RunningId(), 3);
    }

    {
        SCOPED_TRACE("run 2: everything to a folder nobody may write");
        ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option1));
        ASSERT_TRUE(WaitUntil([] { return Store::Read(L"WhereOption") == L"1"; }));
        const std::wstring folder = (flyerFile / L"Backups").wstring();
        ASSERT_TRUE(FolderRefusesNewFiles(folder));
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(::SendMessageTimeoutW(Control(ControlId::Text1), WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(folder.c_str()),
                                          SMTO_ABORTIFHUNG, 5000, &ignored));
        ASSERT_TRUE(WaitUntil([&] { return Store::Read(L"Path") == folder; }));
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(6, clock);
        if (HasFatalFailure()) return;
        ASSERT_EQ(reports.size(), 3u) << ::testing::PrintToString(TextsOf(reports));
        // Each copy held pasted, unsaved changes; none met Publisher's question at its Quit
        // (which would have held the run for the bound, a minute, each).
        ExpectRunJournal(ReadJournal(journal_), RunningId(), 6);
        EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
        const std::wstring names[] = {L"Flyer.pub", L"Price list.pub", L"Menu.pub"};
        // In the one folder for all, a publication's backups say where it is.
        const std::wstring stems[] = {L"Flyer.pub " + BackupName::OriginTag(docs.wstring()),
                                      L"Price list.pub " + BackupName::OriginTag(shop.wstring()),
                                      L"Menu.pub " + BackupName::OriginTag(docs.wstring())};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::optional<SaveAllFailure> failure = ParseSaveAllReport(reports[k].text);
            ASSERT_TRUE(failure) << ::testing::PrintToString(reports[k].text);
            EXPECT_EQ(failure->step, 160);
            EXPECT_TRUE(
                failure->description.starts_with(L"Document.SaveAs: Cannot save " + folder + L"\\"))
                << ::testing::PrintToString(failure->description);
            ExpectLogLine(
                lines[3 + k],
                names[k] + L" could not be backup saved as " + folder + L"\\" + stems[k] + day,
                clock, L": " + failure->description);
        }
        expectFiles();
    }
    heldOpen.reset();
    EXPECT_EQ(ReadBytes(pricesBackup), earlierPrices);
}

// Two documents. The copy instance of the first crashes at its paste; the second is backed
// up all the same, and nothing of the crashed one stays behind.
TEST_F(BackupRun, ACrashedCopyInstanceIsReportedAndTheRunGoesOn) {
    const Publication flyer = {{L"Summer fair", L"Saturday"}};
    const Publication poster = {{L"Poster"}, {}, {L"Back"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path posterFile = WriteDocument(L"Docs\\Poster.pub", poster);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), posterFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"crash"));

    RunClock clock;
    const std::vector<SeenBox> reports =
        FollowRun(2, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Shapes.Paste"); });
    if (HasFatalFailure()) return;
    // One failure, one report: the copy is gone, so its later steps are skipped.
    ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
    const std::optional<SaveAllFailure> crash = ParseSaveAllReport(reports[0].text);
    ASSERT_TRUE(crash) << ::testing::PrintToString(reports[0].text);
    EXPECT_EQ(crash->step, 154) << "the paste that crashed";
    EXPECT_FALSE(crash->description.empty());
    const std::optional<std::wstring> saveFailure = crash->description;

    const std::optional<fs::path> posterBackup =
        FindBackup(docs, L"Poster.pub", clock.NewFileStamps());
    ASSERT_TRUE(posterBackup);
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Poster.pub",
                                                     posterBackup->filename().wstring()}))
        << "nothing of Flyer's backup may remain";
    ExpectDocumentsUnchanged();

    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    const std::wstring prefix =
        L"Flyer.pub could not be backup saved as " + docs.wstring() + L"\\Flyer.pub Date ";
    EXPECT_TRUE(lines[0].starts_with(prefix) && lines[0].ends_with(L": " + *saveFailure))
        << ::testing::PrintToString(lines[0]);
    ExpectLogLine(lines[1], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);

    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    ExpectRunJournal(journal, RunningId(), 2, 0);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()}) << "the crashed one is gone too";
}

// Three documents; Publisher lists the copy instances' publications before the user's own
// (as it may: its Documents spans every instance), and the first copy hangs at its paste.
// The hung copy is ended when the call's bound (5 seconds here) has passed; the run goes on,
// and each backup holds its own document's shapes.
TEST_F(BackupRun, AHungCopyIsEndedAtItsBoundAndNoDocumentIsMistakenForAnother) {
    const Publication flyer = {{L"Flyer"}};
    const Publication poster = {{L"Poster"}, {L"Poster back"}};
    const Publication menu = {{L"Menu", L"Soup"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path posterFile = WriteDocument(L"Docs\\Poster.pub", poster);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), posterFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Publisher Timeout", L"5"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"running:Documents.Order", L"copies-first"));
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"hang"));

    RunClock clock;
    std::optional<std::chrono::steady_clock::time_point> firstReport;
    const auto clicked = std::chrono::steady_clock::now();
    const std::vector<SeenBox> reports = FollowRun(3, clock, [&](const SeenBox&) {
        if (!firstReport) firstReport = std::chrono::steady_clock::now();
        StandinSettings::RemoveFault(L"Shapes.Paste");
    });
    if (HasFatalFailure()) return;
    const std::wstring overdue =
        L"Publisher did not answer within 5 seconds; its instance was ended";
    EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(overdue, 154)});
    ASSERT_TRUE(firstReport);
    EXPECT_LT(*firstReport - clicked, std::chrono::seconds(60)) << "the hang outlived its bound";

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> posterBackup = FindBackup(docs, L"Poster.pub", stamps);
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", stamps);
    ASSERT_TRUE(posterBackup && menuBackup);
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster));
    EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Poster.pub", L"Menu.pub",
                                                     posterBackup->filename().wstring(),
                                                     menuBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(L"Flyer.pub could not be backup saved as ") &&
                lines[0].ends_with(L": " + overdue))
        << ::testing::PrintToString(lines[0]);
    ExpectLogLine(lines[1], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);
    ExpectLogLine(lines[2], L"Menu.pub was backup saved as " + menuBackup->wstring(), clock);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 3, 0);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()}) << "the hung copy stays";
}

// A Publisher that never answers its creation (a screen nobody sees before its class object is
// registered, or before its first call returns): the copy's process is ended at the bound (5
// seconds here), one report at 108, the document's failure line, and the documents after it
// are backed up; the user's Publisher is untouched.
TEST_F(BackupRun, ACopyThatNeverAnswersItsCreationIsEndedAtItsBound) {
    const Publication flyer = {{L"Flyer"}};
    const Publication menu = {{L"Menu", L"Soup"}, {L"Dessert"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Publisher Timeout", L"5"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring overdue =
        L"Publisher did not answer within 5 seconds; its instance was ended";
    for (const auto& [fault, value] : {std::pair<std::wstring, std::wstring>{L"start", L"hang"},
                                       {L"Application.ActiveWindow", L"hang"}}) {
        SCOPED_TRACE(::testing::PrintToString(fault));
        fs::remove(log_->path());
        fs::remove(journal_);
        ASSERT_TRUE(StandinSettings::SetFault(fault, value));
        RunClock clock;
        const auto clicked = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::duration> reportedAfter;
        std::vector<DWORD> hung;
        const std::vector<SeenBox> reports = FollowRun(2, clock, [&](const SeenBox&) {
            reportedAfter = std::chrono::steady_clock::now() - clicked;
            hung = CopyProcesses();
            StandinSettings::RemoveFault(fault);
        });
        if (HasFatalFailure()) return;
        EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(overdue, 108)});
        ASSERT_TRUE(reportedAfter);
        EXPECT_LT(*reportedAfter, std::chrono::seconds(25)) << "the hang outlived its bound";
        EXPECT_TRUE(hung.empty()) << "the hung copy still ran at its report";

        const std::optional<fs::path> menuBackup =
            FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
        ASSERT_TRUE(menuBackup);
        EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
        EXPECT_TRUE(lines[0].starts_with(L"Flyer.pub could not be backup saved as " +
                                         docs.wstring() + L"\\Flyer.pub Date ") &&
                    lines[0].ends_with(L": " + overdue))
            << ::testing::PrintToString(lines[0]);
        ExpectLogLine(lines[1], L"Menu.pub was backup saved as " + menuBackup->wstring(), clock);
        fs::remove(*menuBackup);

        // The hung copy was asked nothing but its window; the next one made the backup.
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        const std::vector<DWORD> copies = CopyInstancesOf(journal);
        ASSERT_EQ(copies.size(), fault == L"start" ? 1u : 2u);
        for (const JournalEntry& entry : journal) {
            if (entry.running || entry.processId != copies.front() || copies.size() == 1) continue;
            EXPECT_EQ(entry.member, L"Application.ActiveWindow")
                << ::testing::PrintToString(entry.line);
        }
        EXPECT_EQ(standins_.front()->Running(), true) << "the user's Publisher was ended";
        EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
    }
    ExpectDocumentsUnchanged();
}

// A copy that crashes at its first page of twenty costs its document one report, and a
// running Publisher that will not hand a document over costs that document one report at 104
// and starts no copy for it. Each such document gets its failure line; the run goes on.
TEST_F(BackupRun, ACopyThatIsGoneOrADocumentNotHandedOverCostsOneReportEach) {
    Publication big;
    for (int page = 1; page <= 20; ++page) big.push_back({L"Page " + std::to_wstring(page)});
    const Publication menu = {{L"Menu"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bigFile = WriteDocument(L"Docs\\Big.pub", big);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({bigFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_TRUE(StandinSettings::SetFault(L"Document.Pages", L"crash"));
    RunClock clock;
    std::vector<SeenBox> reports = FollowRun(
        2, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Document.Pages"); });
    if (HasFatalFailure()) return;
    ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
    const std::optional<SaveAllFailure> crash = ParseSaveAllReport(reports[0].text);
    ASSERT_TRUE(crash);
    EXPECT_EQ(crash->step, 146) << "the first page's target";
    std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(L"Big.pub could not be backup saved as ") &&
                lines[0].ends_with(L": " + crash->description))
        << ::testing::PrintToString(lines[0]);
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
    ASSERT_TRUE(menuBackup);
    EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Big.pub", L"Menu.pub", menuBackup->filename().wstring()}));
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 2, 0);

    ASSERT_TRUE(fs::remove(log_->path()));
    ASSERT_TRUE(fs::remove(journal_));
    ASSERT_TRUE(StandinSettings::SetFault(L"running:Documents.Item", L"fail"));
    reports = FollowRun(2, clock);
    if (HasFatalFailure()) return;
    const std::wstring notHandedOver = L"Documents.Item: Stand-in failure in Documents.Item";
    EXPECT_EQ(TextsOf(reports), (std::vector<std::wstring>{SaveAllReport(notHandedOver, 104),
                                                           SaveAllReport(notHandedOver, 104)}));
    lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (int k = 1; k <= 2; ++k) {
        const std::wstring name = L"Publication " + std::to_wstring(k);
        EXPECT_TRUE(
            lines[k - 1].starts_with(name + L" could not be backup saved as " + name + L" Date ") &&
            lines[k - 1].ends_with(L": " + notHandedOver))
            << ::testing::PrintToString(lines[k - 1]);
    }
    EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty()) << "a copy instance was started";
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Big.pub", L"Menu.pub", menuBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
}

}  // namespace
}  // namespace kelbrook::e2e
