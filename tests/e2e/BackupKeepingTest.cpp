// The backup run, continued: another program on the clipboard, a copy that misses pages,
// closing during a run; what a backup holds; free space, the skip and thinning; the timer;
// master pages and fresh copies.
#include <gtest/gtest.h>

#include "BackupRun.h"

namespace kelbrook::e2e {
namespace {

// ---- trouble: another program on the clipboard, a copy that misses pages, closing ----------

// Another program holds the clipboard for a few seconds from the click on: the run waits for
// it rather than copy over a clipboard it could not keep. Each backup is complete, or, had the
// wait run out, reported at 152 and saved as incomplete; the user's clipboard is back.
TEST_F(BackupRun, AClipboardHeldByAnotherProgramIsWaitedForAndKept) {
    const Publication flyer = {{L"Flyer"}, {L"Back page"}};
    const Publication menu = {{L"Menu"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring kept = L"the user's own clipboard";
    ASSERT_TRUE(PutClipboardText(kept));

    // The other program: a thread of ours holds the clipboard open for four seconds.
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle openedOwner(opened);
    std::thread holder([opened] {
        const bool open = ::OpenClipboard(nullptr) != FALSE;
        ::SetEvent(opened);
        ::Sleep(4000);
        if (open) ::CloseClipboard();
    });
    ASSERT_EQ(::WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
    RunClock clock;
    const std::vector<SeenBox> reports = FollowRun(2, clock);
    holder.join();
    if (HasFatalFailure()) return;

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (const SeenBox& report : reports) {
        const std::optional<SaveAllFailure> failure = ParseSaveAllReport(report.text);
        ASSERT_TRUE(failure) << ::testing::PrintToString(report.text);
        EXPECT_EQ(failure->step, 152) << "only a copy may wait in vain";
    }
    const std::pair<const wchar_t*, const Publication*> expected[] = {{L"Flyer.pub", &flyer},
                                                                      {L"Menu.pub", &menu}};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::wstring name = expected[k].first;
        if (lines[k].find(L" incompletely as ") != std::wstring::npos) {
            EXPECT_FALSE(reports.empty()) << "an incomplete copy without a report";
            EXPECT_NE(lines[k].find(L" (incomplete).pub at "), std::wstring::npos) << lines[k];
            continue;
        }
        const std::optional<fs::path> backup = FindBackup(docs, name, stamps);
        ASSERT_TRUE(backup);
        EXPECT_EQ(ReadBytes(*backup), PublicationFile(*expected[k].second));
        ExpectLogLine(lines[k], name + L" was backup saved as " + backup->wstring(), clock);
    }
    EXPECT_EQ(ClipboardText(), kept) << "the user's clipboard was not given back";
    ExpectDocumentsUnchanged();
}

// "Overwrite old backup file on backup", a good backup of the day, and a paste that fails:
// the incomplete copy is saved beside the day's file, which stays as it was.
TEST_F(BackupRun, AnIncompleteCopyIsSavedBesideTheDaysBackupNeverOverIt) {
    const Publication flyer = {{L"Front"}, {L"Back"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const std::wstring day = DayStamp(LocalNow());
    const fs::path good = docs / (L"Flyer.pub" + day);
    const std::string goodBytes = PublicationFile({{L"this morning's flyer"}});
    ASSERT_TRUE(WriteBytes(good, goodBytes));
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"fail"));

    RunClock clock;
    const std::vector<SeenBox> reports =
        FollowRun(1, clock, [](const SeenBox&) { StandinSettings::RemoveFault(L"Shapes.Paste"); });
    if (HasFatalFailure()) return;
    const std::wstring failure = L"Shapes.Paste: Stand-in failure in Shapes.Paste";
    EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(failure, 154)});
    EXPECT_EQ(ReadBytes(good), goodBytes) << "the day's backup was touched";
    const fs::path incomplete =
        docs / (L"Flyer.pub " + day.substr(1, day.size() - 5) + L" (incomplete).pub");
    EXPECT_EQ(ReadBytes(incomplete), PublicationFile({{}, {L"Back"}}));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", good.filename().wstring(),
                                                     incomplete.filename().wstring()}));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved incompletely as " + incomplete.wstring(),
                  clock, L": " + failure);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 1);
    ExpectDocumentsUnchanged();
}

// ---- what a backup holds ------------------------------------------------------------------

// A saved publication (its file written with LF line ends, not as the stand-in writes it) is
// backed up as its file, byte for byte, with no copy instance, though Publisher holds it
// open; a changed newsletter beside it is rebuilt with its two master pages, each page's
// master, its scratch area and every shape where it stood. When Publisher holds its files so
// that nobody may read them, the saved publication is rebuilt instead, silently.
TEST_F(BackupRun, ABackupOpensLikeItsOriginal) {
    const std::string flyerBytes = "standin-publication 1\npage\nshape Summer fair\nat 72 90\n";
    standin::Publication news;
    news.masters = {standin::Page{{{L"Masthead", 36, 20}, {L"Page number", 500, 760}}},
                    standin::Page{{{L"Back cover band", 0, 700}}}};
    news.pages = {standin::Page{{{L"Lead story", 72, 144}, {L"Photo", 300, 200.5}}, 1},
                  standin::Page{{}, 1}, standin::Page{{{L"Contacts", 40, 90}}, 2}};
    news.scratch = {{L"Spare headline", -150, 40}};
    const fs::path docs = workspace_->folder() / L"Docs";
    workspace_->WriteFile(L"Docs\\Flyer.pub", flyerBytes);
    const fs::path flyerFile = docs / L"Flyer.pub";
    documents_[flyerFile] = flyerBytes;
    workspace_->WriteFile(L"Docs\\News.pub", standin::SerializePublication(news));
    const fs::path newsFile = docs / L"News.pub";
    documents_[newsFile] = standin::SerializePublication(news);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), newsFile.wstring()}, true));
    {  // the user changes the newsletter in Publisher (its page width, to what it is)
        OleScope ole;
        ComPublisherAutomation publisher;
        const auto setup = publisher.AttachRunning()->Documents()->Item(2)->PageSetup();
        setup->SetPageWidth(setup->PageWidth());
    }
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "files held from everyone" : "files held as Publisher holds them");
        if (held) {  // Publisher again, now holding its files so that nobody may read them
            ASSERT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
            ASSERT_TRUE(StandinSettings::SetFault(L"running:hold", L"exclusive"));
            ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
            fs::remove(log_->path());
        }
        fs::remove(journal_);
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(held ? 1 : 2, clock));
        const std::set<std::wstring> stamps = clock.NewFileStamps();
        const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
        ASSERT_TRUE(flyerBackup);
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        if (!held) {
            EXPECT_EQ(ReadBytes(*flyerBackup), std::optional<std::string>(flyerBytes));
            const std::optional<fs::path> newsBackup = FindBackup(docs, L"News.pub", stamps);
            ASSERT_TRUE(newsBackup);
            EXPECT_EQ(standin::ParsePublication(ReadBytes(*newsBackup).value_or("")), news)
                << ::testing::PrintToString(ReadBytes(*newsBackup));
            EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "the saved flyer started a copy";
            ExpectLogLine(log_->Lines().at(1),
                          L"News.pub was backup saved as " + newsBackup->wstring(), clock);
        } else {
            const standin::Publication rebuilt =
                standin::ParsePublication(ReadBytes(*flyerBackup).value_or(""));
            ASSERT_EQ(rebuilt.pages.size(), 1u);
            EXPECT_EQ(rebuilt.pages[0].shapes,
                      (std::vector<standin::Shape>{{L"Summer fair", 72, 90}}));
            EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "the flyer was not rebuilt";
        }
        ExpectLogLine(log_->Lines().at(0),
                      L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
        fs::remove(*flyerBackup);
    }
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));  // it lets nobody read them
    ExpectDocumentsUnchanged();
}

// With the free-space floor above what the volume has, a run writes nothing: one report,
// one line for each document; the next run tells nobody, and logs again.
TEST_F(BackupRun, AFullDiskIsSeenComingAndToldOnce) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Free Space Floor", L"1048576"));  // a terabyte must stay free
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::set<std::wstring> before = FilesIn(docs);
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(2 * run, clock);
        if (HasFatalFailure()) return;
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2u * run) << ::testing::PrintToString(lines);
        std::wstring volume;
        for (int k = 0; k < 2; ++k) {
            const std::wstring& line = lines[2 * (run - 1) + k];
            const std::wstring head = (k == 0 ? L"Flyer.pub" : L"Menu.pub") +
                                      std::wstring(L" was not backup saved: only ");
            EXPECT_TRUE(line.starts_with(head) &&
                        line.find(L" MB would be left free on ") != std::wstring::npos)
                << ::testing::PrintToString(line);
            if (k == 0) volume = line.substr(line.rfind(L" on ") + 4);
        }
        EXPECT_EQ(volume.size(), 3u) << "the volume is named by its root";
        if (run == 1) {
            ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
            EXPECT_EQ(reports[0].text,
                      SaveAllReport(lines[0] + L". Pick another folder for the backups, or free "
                                               L"some space there: emptying the Recycle Bin is "
                                               L"one way.",
                                    160));
        } else {
            EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(TextsOf(reports));
        }
        EXPECT_EQ(FilesIn(docs), before) << "a file was written";
        EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty()) << "a copy instance started";
    }
}

// A saved publication backed up exactly, then the program closed and started again (as at the
// next logon) with "Save every 30 seconds": its first scheduled run remembers, from the exact
// copy, that the publication is unchanged since, and skips it.
TEST_F(BackupRun, AfterARestartTheFirstScheduledRunSkipsAnUnchangedPublication) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    ASSERT_NO_FATAL_FAILURE(Close());

    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    fs::remove(journal_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() >= 2; }, std::chrono::seconds(90)))
        << "no scheduled run";
    const std::vector<std::wstring> lines = log_->Lines();
    EXPECT_TRUE(lines[1].starts_with(L"Flyer.pub is unchanged since its backup " +
                                     backup->wstring() + L" at "))
        << ::testing::PrintToString(lines[1]);
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", backup->filename().wstring()}));
    EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty());
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));  // off: no run during the close
    ExpectDocumentsUnchanged();
}

// "Thin out older backups": in the window under "Overwrite old backup file on backup",
// disabled with that option, its setting kept across a restart. Ticked, with 30 older backups
// of a publication (ten in one hour three hours ago, ten in one day five days ago, ten in one
// week six weeks ago) and two files that only look like backups, a run keeps the newest of
// each ten and sends the other 27 to the Recycle Bin.
TEST_F(BackupRun, OlderBackupsAreThinnedOutToTheRecycleBin) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const HWND box = Control(ControlId::ThinOutBackups);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Caption(ControlId::ThinOutBackups), L"Thin out older backups");
    EXPECT_FALSE(Checked(ControlId::ThinOutBackups)) << "nothing is thinned unless asked";
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option4));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(box); })) << "enabled with Option4";
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option3));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(box) != FALSE; }));
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::ThinOutBackups));
    EXPECT_TRUE(WaitUntil([] { return Store::Read(L"Thin Out Backups") == L"On"; }));
    ASSERT_NO_FATAL_FAILURE(Close());
    fs::remove(journal_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_TRUE(Checked(ControlId::ThinOutBackups)) << "the box forgot its setting";

    // Older backups over 45 days, named as the program names them: every 7 hours, a few of
    // the last hour, incomplete copies every 4 days; and names the program would not write.
    constexpr unsigned long long kMinute = 60ULL * 10000000ULL, kHour = 60 * kMinute,
                                 kDay = 24 * kHour;
    const auto ticks = [](const SYSTEMTIME& time) {
        FILETIME file{};
        ::SystemTimeToFileTime(&time, &file);
        return (static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    };
    const auto nameAt = [](unsigned long long t, bool incomplete) {
        const FILETIME file{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        SYSTEMTIME time{};
        ::FileTimeToSystemTime(&file, &time);
        return L"Flyer.pub Date " + FormatDate(time, 0, L"MMM d yyyy") + L" Time " +
               FormatTime(time, L"hh mm ss tt") + (incomplete ? L" (incomplete)" : L"") + L".pub";
    };
    SYSTEMTIME start = LocalNow();
    start.wMilliseconds = 0;
    std::map<std::wstring, std::pair<unsigned long long, bool>> backups;  // time, incomplete
    const auto add = [&](unsigned long long age, bool incomplete) {
        const unsigned long long t = ticks(start) - age;
        backups[nameAt(t, incomplete)] = {t, incomplete};
    };
    for (int k = 1; k <= 154; ++k) add(k * 7 * kHour + 13 * kMinute, false);
    for (int k = 1; k <= 10; ++k) add(k * 4 * kDay + 3 * kHour + 7 * kMinute, true);
    add(10 * kMinute, false);
    add(25 * kMinute, false);
    for (const auto& [name, backup] : backups) ASSERT_TRUE(WriteBytes(docs / name, "older"));
    const std::set<std::wstring> strangers = {L"Flyer.pub Date 31 Time 02.pub",
                                              L"Flyer.pub old copy.pub"};
    for (const std::wstring& name : strangers) ASSERT_TRUE(WriteBytes(docs / name, "a stranger"));

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(2, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    for (const SYSTEMTIME& t : clock.Seconds()) {
        if (nameAt(ticks(t), false) == backup->filename().wstring()) {
            backups[backup->filename().wstring()] = {ticks(t), false};
        }
    }
    ASSERT_TRUE(backups.count(backup->filename().wstring()));

    // The rule, on its own: the last hour's and any ahead of the clock; the newest of each clock
    // hour while under 24 hours old, of each day while under 30 days, of each week (Monday to
    // Sunday: 1 January 1601, where FILETIME counts from, was a Monday) at any age; incomplete
    // copies apart.
    const unsigned long long now = ticks(clock.after);
    std::map<std::tuple<bool, int, unsigned long long>, unsigned long long> newest;
    const auto spans = [&](unsigned long long t, bool incomplete) {
        return std::array<std::tuple<bool, int, unsigned long long>, 3>{
            std::tuple{incomplete, 0, t / kHour}, std::tuple{incomplete, 1, t / kDay},
            std::tuple{incomplete, 2, t / kDay / 7}};
    };
    for (const auto& [name, b] : backups) {
        for (const auto& span : spans(b.first, b.second)) {
            newest[span] = std::max(newest[span], b.first);
        }
    }
    std::set<std::wstring> kept = strangers, thinned;
    kept.insert(L"Flyer.pub");
    for (const auto& [name, b] : backups) {
        const auto [t, incomplete] = b;
        const auto span = spans(t, incomplete);
        const bool keep = t + kHour > now || (t + kDay > now && newest[span[0]] == t) ||
                          (t + 30 * kDay > now && newest[span[1]] == t) || newest[span[2]] == t;
        (keep ? kept : thinned).insert(name);
    }
    EXPECT_GT(thinned.size(), 100u);
    EXPECT_EQ(FilesIn(docs), kept);
    EXPECT_EQ(log_->Lines().at(1), L"Flyer.pub: " + std::to_wstring(thinned.size()) +
                                       L" older backups moved to the Recycle Bin");
    // Wine's Recycle Bin is the desktop's trash of the Unix user, whose home Wine names in
    // WINEHOMEDIR ("\\??\\Z:\\root").
    const wchar_t* wineHome = _wgetenv(L"WINEHOMEDIR");
    std::wstring home = wineHome != nullptr ? wineHome : L"";
    if (home.starts_with(L"\\??\\")) home.erase(0, 4);
    EXPECT_FALSE(home.empty()) << "Wine's Recycle Bin cannot be found";
    if (!home.empty()) {
        const fs::path trash = fs::path(home) / L".local\\share\\Trash\\files";
        std::size_t inTrash = 0;
        for (const std::wstring& name : thinned) inTrash += fs::exists(trash / name) ? 1 : 0;
        EXPECT_EQ(inTrash, thinned.size())
            << "not in " << ::testing::PrintToString(trash.wstring());
        for (const std::wstring& name : thinned) {
            fs::remove(trash / name);
            fs::remove(trash.parent_path() / L"info" / (name + L".trashinfo"));
        }
    }
    ExpectDocumentsUnchanged();
}

// Closing the main window while the run asks where to put an unsaved document's backup: the
// run ends there, the copy goes, the clipboard comes back and the program exits cleanly.
TEST_F(BackupRun, ClosingTheWindowWhileTheRunAsksForAFolderEndsEverything) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), L"--unsaved", L"Notes", L"--unsaved", L"Later"}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring kept = L"kept while closing";
    ASSERT_TRUE(PutClipboardText(kept));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    ASSERT_NE(program_.WaitForFolderDialog(), nullptr) << "no folder dialog for Notes";
    ASSERT_TRUE(::PostMessageW(program_.MainWindow(), WM_CLOSE, 0, 0));
    EXPECT_EQ(program_.WaitForExit(kRunDeadline), std::optional<DWORD>(0))
        << "the program did not end cleanly";
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }))
        << "copy instances left: " << ::testing::PrintToString(CopyProcesses());
    EXPECT_EQ(ClipboardText(), kept) << "the user's clipboard was not given back";
    EXPECT_EQ(log_->Lines().size(), 1u) << "Flyer.pub's backup only";
    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    // Flyer's copy only: none waits while Notes' folder is asked, and Later is never begun.
    EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "a further document was begun";
    EXPECT_TRUE(std::none_of(journal.begin(), journal.end(), [](const JournalEntry& entry) {
        return entry.call == L"prompted";
    })) << "a copy's Quit met the question about unsaved changes";
}

// ---- on the timer ---------------------------------------------------------------------------

// "Save every 30 seconds" with two saved publications: the first scheduled run backs up both
// (no copy instance); the second skips the unchanged one (no file, a line) and rebuilds the one
// changed in Publisher, which the user saves while its copy is being built; the third backs it
// up again, holding the saved file; "Backup Save Now (Test)" backs up both whatever changed.
TEST_F(BackupRun, TheTimerSkipsWhatHasNotChangedAndTheButtonCopiesEverything) {
    const Publication flyer = {{L"Flyer"}};
    const Publication menu(150, std::vector<std::wstring>{L"Dish", L"Price"});
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    // Waits for the log's lines; a box the program shows meanwhile (an error report) ends the
    // wait at once and is named, and so is the last call into a Publisher when time runs out.
    const auto lines = [&](std::size_t count) {
        std::optional<SeenBox> box;
        const bool reached = WaitUntil(
            [&] {
                if (program_.FindMessageBox() != nullptr) box = program_.WaitForMessageBox();
                return box.has_value() || log_->Lines().size() >= count;
            },
            std::chrono::seconds(120));
        EXPECT_FALSE(box) << "the program showed " << ::testing::PrintToString(box->text);
        if (!reached) {
            const std::vector<JournalEntry> journal = ReadJournal(journal_);
            ADD_FAILURE() << "after " << ::testing::PrintToString(log_->Lines())
                          << "\n  the last call into a Publisher: "
                          << ::testing::PrintToString(journal.empty() ? L"" : journal.back().line);
        }
        EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }))
            << "copy instances still running: " << ::testing::PrintToString(CopyProcesses());
        return reached && !box;
    };
    const auto copies = [&] { return CopyInstancesOf(ReadJournal(journal_)).size(); };

    ASSERT_TRUE(lines(2)) << "no first scheduled run";
    clock.after = LocalNow();
    const std::optional<fs::path> flyerBackup =
        FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
    ASSERT_TRUE(flyerBackup && menuBackup);
    const std::set<std::wstring> afterFirst = FilesIn(docs);
    // Both are saved publications: their backups are their files, with no copy instance.
    EXPECT_EQ(copies(), 0u) << "a saved document started a copy instance";

    {  // the user adds a page to Menu in Publisher
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->Pages()->Add(1, 1);
    }
    // ... and saves it while its copy is being built.
    // Where the first call of that member is in the journal, if it is there yet.
    const auto inJournal = [&](bool running, const std::wstring& member) {
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        const auto at = std::find_if(journal.begin(), journal.end(), [&](const JournalEntry& e) {
            return e.running == running && e.member == member && e.call == L"Invoke";
        });
        return at == journal.end() ? std::optional<std::ptrdiff_t>()
                                   : std::optional<std::ptrdiff_t>(at - journal.begin());
    };
    ASSERT_TRUE(WaitUntil([&] { return inJournal(false, L"Shapes.Paste").has_value(); },
                          std::chrono::seconds(60)))
        << "no copy was built";
    {
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->SaveAs(menuFile.wstring());
    }
    ASSERT_TRUE(lines(4)) << "no second scheduled run";
    std::vector<std::wstring> log = log_->Lines();
    EXPECT_TRUE(log[2].starts_with(L"Flyer.pub is unchanged since its backup " +
                                   flyerBackup->wstring() + L" at "))
        << ::testing::PrintToString(log[2]);
    EXPECT_TRUE(log[3].starts_with(L"Menu.pub was backup saved as ")) << log[3];
    std::set<std::wstring> written = FilesIn(docs);
    for (const std::wstring& name : afterFirst) written.erase(name);
    EXPECT_TRUE(written.size() == 1 && written.begin()->starts_with(L"Menu.pub "))
        << "the skipped document wrote a file: " << ::testing::PrintToString(written);
    EXPECT_EQ(copies(), 1u) << "the changed document was not rebuilt, or the skipped one was";
    const std::optional<std::ptrdiff_t> userSaved = inJournal(true, L"Document.SaveAs");
    const std::optional<std::ptrdiff_t> copySaved = inJournal(false, L"Document.SaveAs");
    EXPECT_TRUE(userSaved && copySaved && *userSaved < *copySaved)
        << "Menu was not saved while its copy was being built";
    const std::optional<std::string> saved = ReadBytes(menuFile);
    ASSERT_TRUE(saved);
    documents_[menuFile] = *saved;  // the user's save
    ASSERT_TRUE(lines(6)) << "no third scheduled run";
    log = log_->Lines();
    EXPECT_TRUE(log[4].starts_with(L"Flyer.pub is unchanged since its backup ")) << log[4];
    EXPECT_TRUE(log[5].starts_with(L"Menu.pub was backup saved as "))
        << "a change was hidden: " << log[5];
    const std::wstring savedBackup = log[5].substr(29, log[5].rfind(L" at ") - 29);
    EXPECT_EQ(ReadBytes(savedBackup), saved) << "no backup holds the saved file";

    {  // the user changes Menu again
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->Pages()->Add(1, 1);
    }
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));  // the timer off: the button alone
    ASSERT_TRUE(
        WaitUntil([&] { return Caption(ControlId::PushButton4) == L"Turn On Backup Save"; }));
    RunClock now;
    const std::size_t before = log_->Lines().size();
    ASSERT_NO_FATAL_FAILURE(Backup(before + 2, now));
    log = log_->Lines();
    EXPECT_TRUE(log[before].starts_with(L"Flyer.pub was backup saved as ")) << log[before];
    EXPECT_TRUE(log[before + 1].starts_with(L"Menu.pub was backup saved as ")) << log[before + 1];
    EXPECT_EQ(copies(), 2u) << "only the changed document is rebuilt";
    ExpectDocumentsUnchanged();
}

// "Save every 30 seconds", on: the caption counts down, the run comes by itself after 30
// ticks, and the countdown starts over.
TEST_F(BackupRun, EveryThirtySecondsTheCountdownEndsInABackupAndStartsOver) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring counting = L"On. Next backup save will occur in 00:00:";
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(counting + L"2", 0) == 0;
    })) << ::testing::PrintToString(Caption(ControlId::Frame2));
    EXPECT_TRUE(log_->Lines().empty()) << "a run came before its time";

    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() == 1; }, std::chrono::seconds(60)))
        << "no scheduled run within a minute; the caption reads "
        << ::testing::PrintToString(Caption(ControlId::Frame2));
    clock.after = LocalNow();
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(ReadBytes(*backup), PublicationFile(flyer));
    ExpectLogLine(log_->Lines()[0], L"Flyer.pub was backup saved as " + backup->wstring(), clock);
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(counting + L"2", 0) == 0;
    })) << "the countdown did not start over: "
        << ::testing::PrintToString(Caption(ControlId::Frame2));
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));
    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::Frame2), L"Auto Save is Off.");
    EXPECT_EQ(log_->Lines().size(), 1u);
}

}  // namespace
}  // namespace kelbrook::e2e
