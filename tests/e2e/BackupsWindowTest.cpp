// The Backups window driven from outside: opened from the main window and from the tray
// icon's menu, its list read row by row, its actions taken on a selected row. What Open
// reaches is the program the system associates with ".pub": here a recorder registered in
// the test's Wine prefix that writes down the path it was given.
#include <gtest/gtest.h>

#include "BackupsWindowE2e.h"

namespace kelbrook::e2e {
namespace {

// Two runs over two publications beside them, first as saved (exact copies), then changed
// (rebuilt), the second while the window is open: the window lists the four backups newest
// first, each with what it holds.
TEST_F(BackupsWindowE2e, ListsTwoRunsOfTwoPublicationsNewestFirst) {
    const fs::path flyer = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    const fs::path poster = WriteDocument(L"Other\\Poster.pub", {{L"Poster"}, {L"Back"}});
    // Saved an hour ago: an exact copy keeps that time, a rebuilt one is written at its run.
    for (const fs::path& document : {flyer, poster}) {
        fs::last_write_time(document, fs::last_write_time(document) - std::chrono::hours(1));
    }
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyer.wstring(), poster.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    RunClock first;
    ASSERT_NO_FATAL_FAILURE(Backup(2, first));
    // Open after the first run: the second, made while it is open, joins its list by itself.
    HWND window = OpenBackups();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"Kelbrook backups");
    EXPECT_EQ(Rows(window).size(), 2u);
    const std::int64_t firstRun = ClockSecond();
    ASSERT_TRUE(WaitUntil([&] { return ClockSecond() > firstRun; }));
    MarkChanged();
    RunClock second;
    ASSERT_NO_FATAL_FAILURE(Backup(4, second));

    std::vector<std::vector<std::wstring>> rows;
    EXPECT_TRUE(WaitUntil([&] {
        rows = Rows(window);
        return rows.size() == 4u;
    })) << "the list did not follow the run";
    ASSERT_EQ(rows.size(), 4u) << ::testing::PrintToString(rows);
    const std::wstring docs = flyer.parent_path().wstring(), other = poster.parent_path().wstring();
    const std::set<std::vector<std::wstring>> rebuilt = {
        {L"Flyer.pub (" + docs + L")", L"unsaved changes", docs},
        {L"Poster.pub (" + other + L")", L"unsaved changes", other}};
    const std::set<std::vector<std::wstring>> exact = {
        {L"Flyer.pub (" + docs + L")", L"saved file", docs},
        {L"Poster.pub (" + other + L")", L"saved file", other}};
    const auto described = [&](std::size_t from) {
        std::set<std::vector<std::wstring>> seen;
        for (std::size_t i = from; i < from + 2; ++i) {
            seen.insert({rows[i][kPublication], rows[i][kHolds], rows[i][kFolder]});
            EXPECT_FALSE(rows[i][kBackedUp].empty());
            EXPECT_NE(rows[i][kSize].find(L" KB"), std::wstring::npos);
        }
        return seen;
    };
    EXPECT_EQ(described(0), rebuilt) << "the second run's backups come first";
    EXPECT_EQ(described(2), exact);

    // The box above the list shows one publication's backups only.
    HWND filter = ::GetDlgItem(window, win32::kBackupsFilter);
    const std::wstring flyerLabel = L"Flyer.pub (" + docs + L")";
    const auto at = SendWithin(filter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(flyerLabel.c_str()));
    ASSERT_TRUE(at && *at > 0) << "the box does not offer the flyer";
    ASSERT_TRUE(SendWithin(filter, CB_SETCURSEL, static_cast<WPARAM>(*at), 0));
    ASSERT_TRUE(::PostMessageW(window, WM_COMMAND, MAKEWPARAM(win32::kBackupsFilter, CBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(filter)));
    ASSERT_TRUE(WaitUntil([&] {
        rows = Rows(window);
        return rows.size() == 2u;
    })) << ::testing::PrintToString(rows);
    EXPECT_EQ(rows[0][kPublication], flyerLabel);
    EXPECT_EQ(rows[0][kHolds], L"unsaved changes");
    EXPECT_EQ(rows[1][kPublication], flyerLabel);
    EXPECT_EQ(rows[1][kHolds], L"saved file");
}

// Open hands the backup's path to the program associated with ".pub", by the button and by
// Enter; nothing else happens.
TEST_F(BackupsWindowE2e, OpenReachesTheProgramAssociatedWithPub) {
    const fs::path backups = MakeFolder(L"Backups");
    const fs::path backup = MakeBackup(backups, L"News.pub", "backup", 60, L"C:\\Docs");
    const fs::path record = workspace_->folder() / L"opened.txt";
    PubRecorder recorder(record);
    ASSERT_TRUE(recorder.registered());
    ASSERT_TRUE(Store::Set(L"Path", backups.wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND window = OpenBackups();
    ASSERT_NE(window, nullptr);
    const auto rows = Rows(window);
    ASSERT_EQ(rows.size(), 1u) << ::testing::PrintToString(rows);
    EXPECT_EQ(rows[0][kPublication], L"News.pub (...\\Docs)");
    ASSERT_TRUE(SelectListViewRow(program_.id(), List(window), 0));

    ASSERT_TRUE(PostClick(::GetDlgItem(window, win32::kBackupsOpen)));
    ASSERT_TRUE(WaitUntil([&] { return recorder.Recorded().has_value(); }))
        << "the program for .pub was not started";
    EXPECT_EQ(recorder.Recorded(), backup.wstring());
    ASSERT_TRUE(WaitUntil([&] { return ProcessesNamed(L"cmd.exe").empty(); }));

    ASSERT_TRUE(DeleteWritable(record));
    ASSERT_TRUE(::PostMessageW(List(window), WM_KEYDOWN, VK_RETURN, 0));
    ASSERT_TRUE(WaitUntil([&] { return recorder.Recorded().has_value(); }))
        << "Enter did not open the backup";
    EXPECT_EQ(recorder.Recorded(), backup.wstring());
    ASSERT_TRUE(WaitUntil([&] { return ProcessesNamed(L"cmd.exe").empty(); }));
    EXPECT_EQ(ReadBytes(backup), std::optional<std::string>("backup"));
    ExpectQuietAfterwards();
}

// Restore a copy puts the backup's bytes beside its publication under a name no file holds,
// every time: the publication, the backup and every file there stay as they were.
TEST_F(BackupsWindowE2e, RestoreACopyWritesBesideTheOriginalAndNeverOverwrites) {
    const fs::path docs = MakeFolder(L"Docs");
    const fs::path original = docs / L"Flyer.pub";
    ASSERT_TRUE(WriteBytes(original, "the publication as it is now"));
    const fs::path backup = MakeBackup(docs, L"Flyer.pub", "the backup's bytes", 120);
    ASSERT_TRUE(log_->Write(*ToAnsiCodePage(
        HistoryLines::Saved(L"Flyer.pub", backup.wstring(), L"earlier") + L"\r\n")));
    // The names a restore would take in the next two minutes are taken already.
    win32::Win32Clock clock;
    const std::int64_t now = Calendar::Seconds(clock.Now());
    std::set<std::wstring> taken;
    for (int second = 0; second < 120; ++second) {
        const std::wstring name = BackupName::RestoredName(
            docs.wstring(), L"Flyer.pub", clock, Calendar::LocalTimeOf(now + second), L".pub");
        if (taken.insert(name).second) {
            ASSERT_TRUE(WriteBytes(name, "mine"));
        }
    }
    ASSERT_TRUE(Store::Set(L"Path", MakeFolder(L"Backups").wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND window = OpenBackups();
    ASSERT_NE(window, nullptr);
    const auto rows = Rows(window);
    ASSERT_EQ(rows.size(), 1u) << ::testing::PrintToString(rows);
    EXPECT_EQ(rows[0][kPublication], L"Flyer.pub (" + docs.wstring() + L")");
    ASSERT_TRUE(SelectListViewRow(program_.id(), List(window), 0));
    NoteExplorers();

    const auto restored = [&] {
        std::set<std::wstring> made;
        for (const std::wstring& name : FilesIn(docs)) {
            const std::wstring path = (docs / name).wstring();
            if (name.rfind(L"Flyer (restored ", 0) == 0 && !taken.count(path)) made.insert(path);
        }
        return made;
    };
    for (std::size_t copies = 1; copies <= 2; ++copies) {
        ASSERT_TRUE(PostClick(::GetDlgItem(window, win32::kBackupsRestore)));
        ASSERT_TRUE(WaitUntil([&] { return restored().size() == copies; }))
            << "restore " << copies << " wrote no copy";
    }
    // Each copy is shown in Explorer, selected in its folder.
    std::wstring shown;
    EXPECT_TRUE(WaitUntil([&] {
        shown.clear();
        for (DWORD id : ProcessesNamed(L"explorer.exe")) {
            if (std::find(explorers_.begin(), explorers_.end(), id) == explorers_.end()) {
                shown += CommandLineOf(id).value_or(L"") + L"\n";
            }
        }
        const std::set<std::wstring> copies = restored();
        return std::all_of(copies.begin(), copies.end(), [&](const std::wstring& path) {
            return shown.find(L"/select,\"" + path + L"\"") != std::wstring::npos;
        });
    })) << ::testing::PrintToString(shown);
    for (const std::wstring& path : restored()) {
        EXPECT_EQ(ReadBytes(path), std::optional<std::string>("the backup's bytes"));
        EXPECT_NE(path.find(L") (", docs.wstring().size()), std::wstring::npos)
            << "a restored copy took a name that is not free: " << ::testing::PrintToString(path);
    }
    for (const std::wstring& path : taken) {
        EXPECT_EQ(ReadBytes(path), std::optional<std::string>("mine")) << "overwritten";
    }
    EXPECT_EQ(ReadBytes(original), std::optional<std::string>("the publication as it is now"));
    EXPECT_EQ(ReadBytes(backup), std::optional<std::string>("the backup's bytes"));
    ExpectQuietAfterwards();
}

// The tray icon's right-click menu opens the window; asking again brings the one window back
// rather than a second.
TEST_F(BackupsWindowE2e, TheTrayMenuOpensTheOneWindow) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND tray = Control(ControlId::cSysTray1);
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(::PostMessageW(tray, 1125, 0, WM_RBUTTONUP));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(program_.id(), L"#32768")) {
            if (::IsWindowVisible(window)) menu = window;
        }
        return menu != nullptr;
    })) << "no tray menu";
    ASSERT_TRUE(::PostMessageW(menu, WM_CHAR, L'b', 0));  // "&Backups…"
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = BackupsWindowOf(program_.id())) != nullptr; }))
        << "the menu's Backups… opened no window";
    EXPECT_FALSE(::IsWindowVisible(menu));

    Click(ControlId::BackupsButton);
    ASSERT_TRUE(program_.WaitForPostedMessages());
    std::size_t shown = 0;
    for (HWND each : TopLevelWindows(program_.id(), win32::kBackupsWindowClass)) {
        shown += ::IsWindowVisible(each) ? 1 : 0;
    }
    EXPECT_EQ(shown, 1u);
    EXPECT_TRUE(::IsWindow(window));
}

// Bad input gives a row or a message, never a crash or a hang: after each case, Refresh
// brings the list the case should give, so the window still answers. Last, a backup that goes
// between the listing and Open: a message, and the list looked at again.
TEST_F(BackupsWindowE2e, BadInputGivesARowOrAMessageAndTheWindowStillAnswers) {
    const fs::path backups = MakeFolder(L"Backups");
    const fs::path good = MakeBackup(backups, L"News.pub", "news", 60, L"C:\\Docs");
    const std::wstring gone = BackupName::WithTime(
        BackupName::Stem((workspace_->folder() / L"Gone").wstring(), L"Menu.pub"), clock_,
        clock_.Now(), L".pub");
    const std::wstring goneRow = L"not found at " + gone;
    const auto logOf = [&](const std::string& text) { ASSERT_TRUE(log_->Write(text)); };
    const std::string ours =
        *ToAnsiCodePage(HistoryLines::Saved(L"Menu.pub", gone, L"earlier") + L"\r\n");
    ASSERT_TRUE(Store::Set(L"Path", backups.wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND window = OpenBackups();
    ASSERT_NE(window, nullptr);

    // Each case's list differs from the one before: a match is the case's own refresh.
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::multiset<std::wstring> holds;  // of every row
    } cases[] = {
        {"no history log", [&] { DeleteWritable(log_->path()); }, {L"unsaved changes"}},
        {"a 50 MB log of another version's lines, and one of ours naming a backup in a folder "
         "that has gone",
         [&] {
             std::string text;
             const std::string line =
                 "Kelbrook 0.9: News.pub saved to C:\\Old backups\\News.pub at 3:00 PM\r\n";
             text.reserve(50u << 20);
             while (text.size() < (50u << 20)) text += line;
             logOf(text + ours);
         },
         {L"unsaved changes", goneRow}},
        {"an empty log", [&] { logOf(""); }, {L"unsaved changes"}},
        {"names Kelbrook would not write, beside its own",
         [&] {
             logOf(ours);
             for (const wchar_t* name :
                  {L"News.pub copy.pub", L"News.pub Date Feb 30 2021 Time 01 00 00 PM.pub",
                   L"notes.txt", L"News.pub Date Dec 9 2026 Time 13 00 00 PM.pub"}) {
                 ASSERT_TRUE(WriteBytes(backups / name, "x"));
             }
         },
         {L"unsaved changes", goneRow}},
    };
    const auto holds = [&] {
        std::multiset<std::wstring> seen;
        for (const auto& row : Rows(window)) seen.insert(row[kHolds]);
        return seen;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(c.arrange());
        ASSERT_TRUE(PostClick(::GetDlgItem(window, win32::kBackupsRefresh)));
        EXPECT_TRUE(WaitUntil([&] { return BackupsListed(window) && holds() == c.holds; }))
            << ::testing::PrintToString(holds());
    }

    // The backup goes after it was listed: Open says so, nothing starts, the list follows.
    const auto rows = Rows(window);
    const auto at = std::find_if(rows.begin(), rows.end(),
                                 [](const auto& row) { return row[kHolds] == L"unsaved changes"; });
    ASSERT_NE(at, rows.end());
    ASSERT_TRUE(
        SelectListViewRow(program_.id(), List(window), static_cast<int>(at - rows.begin())));
    ASSERT_TRUE(DeleteWritable(good));
    ASSERT_TRUE(PostClick(::GetDlgItem(window, win32::kBackupsOpen)));
    const std::optional<SeenBox> box = program_.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(box->title, L"Kelbrook backups");
    EXPECT_EQ(box->text.rfind(L"The backup is not found at " + good.wstring(), 0), 0u)
        << ::testing::PrintToString(box->text);
    ASSERT_TRUE(Answer(*box, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return holds() == std::multiset<std::wstring>{goneRow}; }))
        << ::testing::PrintToString(holds());
    ExpectQuietAfterwards();
}

// The keyboard alone: F5 looks at the folders again, Shift+F10 opens the row's menu, whose
// "Restore a copy" (its access key) restores the selected backup.
TEST_F(BackupsWindowE2e, TheKeyboardRefreshesAndReachesTheRowsMenu) {
    const fs::path docs = MakeFolder(L"Docs");
    const fs::path first = MakeBackup(docs, L"Flyer.pub", "first", 120);
    ASSERT_TRUE(Store::Set(L"Path", docs.wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND window = OpenBackups();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(Rows(window).size(), 1u);

    const fs::path second = MakeBackup(docs, L"Flyer.pub", "second", 60);
    ASSERT_TRUE(::PostMessageW(List(window), WM_KEYDOWN, VK_F5, 0));
    ASSERT_TRUE(WaitUntil([&] { return Rows(window).size() == 2u; })) << "F5 did not refresh";

    ASSERT_TRUE(SelectListViewRow(program_.id(), List(window), 0));  // the newest
    NoteExplorers();
    // Shift+F10 typed on the keyboard, to the list, which has the focus.
    ::SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == window; }));
    INPUT keys[4] = {};
    const WORD sequence[4][2] = {
        {VK_SHIFT, 0}, {VK_F10, 0}, {VK_F10, KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = sequence[i][0];
        keys[i].ki.dwFlags = sequence[i][1];
    }
    ASSERT_EQ(::SendInput(4, keys, sizeof(INPUT)), 4u);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND each : TopLevelWindows(program_.id(), L"#32768")) {
            if (::IsWindowVisible(each)) menu = each;
        }
        return menu != nullptr;
    })) << "Shift+F10 showed no menu";
    ASSERT_TRUE(::PostMessageW(menu, WM_CHAR, L'r', 0));  // "&Restore a copy"
    std::vector<std::wstring> restored;
    ASSERT_TRUE(WaitUntil([&] {
        restored.clear();
        for (const std::wstring& name : FilesIn(docs)) {
            if (name.rfind(L"Flyer (restored ", 0) == 0) restored.push_back(name);
        }
        return restored.size() == 1;
    })) << "the menu's Restore a copy restored nothing";
    EXPECT_EQ(ReadBytes(docs / restored[0]), std::optional<std::string>("second"));
    EXPECT_EQ(ReadBytes(first), std::optional<std::string>("first"));
    ExpectQuietAfterwards();
}

}  // namespace
}  // namespace kelbrook::e2e
