#include <gtest/gtest.h>

#include "FakeBackups.h"
#include "Fakes.h"
#include "backup/Calendar.h"
#include "history/HistoryLines.h"
#include "recovery/BackupsView.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;
using Recovery::BackupRow;
using Recovery::Column;
using Recovery::Holds;

BackupRow ViewRow(const std::wstring& path, const std::wstring& publication, int hour,
                  std::uint64_t size, Holds holds = Holds::SavedFile) {
    BackupRow row;
    row.path = path;
    row.folder = path.substr(0, path.find_last_of(L'\\'));
    row.publication = publication;
    row.key = publication;
    row.originFolder = row.folder;
    row.whereFrom = row.folder;
    row.local = row.moment = Calendar::Seconds({2021, 9, 1, hour, 0, 0, 0});
    row.size = size;
    row.holds = holds;
    return row;
}

std::vector<std::wstring> PathsOf(const std::vector<BackupRow>& rows) {
    std::vector<std::wstring> paths;
    for (const BackupRow& row : rows) paths.push_back(row.path);
    return paths;
}

// Newest first by default; a header click sorts by its column, a second click turns it round;
// rows that tie stay newest first.
TEST(BackupsView, SortsByEachColumnNewestFirstWithin) {
    std::vector<BackupRow> rows = {ViewRow(L"C:\\D\\a9", L"b.pub", 9, 30),
                                   ViewRow(L"C:\\D\\a11", L"a.pub", 11, 10),
                                   ViewRow(L"C:\\D\\a10", L"B.pub", 10, 20, Holds::Incomplete),
                                   ViewRow(L"C:\\A\\a8", L"a.pub", 8, 10)};
    rows[1].size.reset();
    rows.back().holds = Holds::NotFound;
    rows.back().size.reset();
    const struct {
        std::vector<Column> clicks;
        std::vector<std::wstring> order;
    } cases[] = {
        {{}, {L"C:\\D\\a11", L"C:\\D\\a10", L"C:\\D\\a9", L"C:\\A\\a8"}},
        {{Column::BackedUp}, {L"C:\\A\\a8", L"C:\\D\\a9", L"C:\\D\\a10", L"C:\\D\\a11"}},
        {{Column::Publication}, {L"C:\\A\\a8", L"C:\\D\\a11", L"C:\\D\\a10", L"C:\\D\\a9"}},
        {{Column::Size}, {L"C:\\D\\a9", L"C:\\D\\a10", L"C:\\D\\a11", L"C:\\A\\a8"}},
        {{Column::Size, Column::Size}, {L"C:\\D\\a11", L"C:\\A\\a8", L"C:\\D\\a10", L"C:\\D\\a9"}},
        {{Column::Holds}, {L"C:\\D\\a11", L"C:\\D\\a9", L"C:\\D\\a10", L"C:\\A\\a8"}},
        {{Column::Folder, Column::Folder},
         {L"C:\\D\\a11", L"C:\\D\\a10", L"C:\\D\\a9", L"C:\\A\\a8"}},
    };
    for (const auto& c : cases) {
        Recovery::SortOrder order;
        for (const Column column : c.clicks) order = Recovery::Clicked(order, column);
        std::vector<BackupRow> sorted = rows;
        Recovery::Sort(sorted, order);
        EXPECT_EQ(PathsOf(sorted), c.order) << c.clicks.size() << " clicks";
    }
}

struct ActionWorld {
    FakeClock clock;  // 1 September 2021 14:05:09
    FakeFiles files;
    FakeBackupFolders folders{files};
    FakeBackupShell shell;
    FakeDialogs dialogs;
    Recovery::ActionPorts Ports() { return {folders, shell, dialogs, clock}; }
};

// The restored copy's name beside the publication: free of every file there, never a
// backup's name, numbered from (2) where that time's name is taken.
TEST(BackupsView, ARestoredCopyTakesTheFirstFreeName) {
    const std::wstring backup =
        L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 01 00 00 PM.pub";
    const std::wstring restored = L"C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM).pub";
    const struct {
        std::vector<std::wstring> taken;
        std::wstring name;
    } cases[] = {
        {{}, restored},
        {{restored}, L"C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM) (2).pub"},
        {{restored, L"C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM) (2).pub"},
         L"C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM) (3).pub"},
        {{L"C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM) (2).pub"}, restored},
    };
    for (const auto& c : cases) {
        ActionWorld w;
        w.files.contents[backup] = "backup bytes";
        for (const auto& path : c.taken) w.files.contents[path] = "mine";
        BackupRow row = ViewRow(backup, L"News.pub", 13, 12);
        row.originFolder = L"C:\\Docs";
        const auto copy = Recovery::RestoreCopy(w.Ports(), row, L".pub");
        ASSERT_EQ(copy, c.name);
        EXPECT_EQ(w.files.contents[c.name], "backup bytes");
        for (const auto& path : c.taken) EXPECT_EQ(w.files.contents[path], "mine");
        EXPECT_EQ(w.shell.calls, std::vector<std::wstring>{L"show " + c.name});
        EXPECT_TRUE(w.dialogs.shown.empty());
    }
}

// Actions that cannot be done say why, change no file and leave the window to go on.
TEST(BackupsView, AnActionThatCannotBeDoneSaysWhyAndWritesNothing) {
    const std::wstring backup = L"C:\\Docs\\News.pub Date Sep 1 2021 Time 01 00 00 PM.pub";
    enum Action { Open, Show, Restore };
    const struct {
        const char* name;
        Action action;
        std::function<void(ActionWorld&, BackupRow&)> arrange;
        std::wstring message;  // the start of the message
    } cases[] = {
        {"gone since it was listed", Open,
         [&](ActionWorld& w, BackupRow&) { w.files.contents.erase(backup); },
         L"The backup is not found at " + backup},
        {"gone, to restore", Restore,
         [&](ActionWorld& w, BackupRow&) { w.files.contents.erase(backup); },
         L"The backup is not found at " + backup},
        {"a greyed row", Show, [](ActionWorld&, BackupRow& row) { row.holds = Holds::Thinned; },
         L"There is no backup to use here: moved to the Recycle Bin by thinning on"},
        {"no program for .pub", Open, [](ActionWorld& w, BackupRow&) { w.shell.failing = true; },
         L"The backup " + backup + L" could not be opened: No application"},
        {"a read-only folder", Restore,
         [](ActionWorld& w, BackupRow&) { w.folders.readOnlyFolders.insert(L"C:\\Docs"); },
         L"A copy of " + backup +
             L" could not be restored as C:\\Docs\\News (restored Sep 1 2021 02 05 09 PM).pub: "
             L"Access is denied."},
        {"a full disk", Restore, [](ActionWorld& w, BackupRow&) { w.folders.freeBytes = 3; },
         L"A copy of " + backup + L" could not be restored as"},
    };
    for (const auto& c : cases) {
        ActionWorld w;
        w.files.contents[backup] = "backup bytes";
        BackupRow row = ViewRow(backup, L"News.pub", 13, 12);
        c.arrange(w, row);
        const auto before = w.files.contents;
        const bool done = c.action == Open ? Recovery::OpenBackup(w.Ports(), row)
                          : c.action == Show
                              ? Recovery::ShowBackupInFolder(w.Ports(), row)
                              : Recovery::RestoreCopy(w.Ports(), row, L".pub").has_value();
        EXPECT_FALSE(done) << c.name;
        ASSERT_EQ(w.dialogs.shown.size(), 1u) << c.name;
        EXPECT_EQ(w.dialogs.shown[0].text.rfind(c.message, 0), 0u)
            << c.name << ": "
            << std::string(w.dialogs.shown[0].text.begin(), w.dialogs.shown[0].text.end());
        EXPECT_EQ(w.dialogs.shown[0].caption, Recovery::kBackupsCaption);
        EXPECT_EQ(w.files.contents, before) << c.name;
        EXPECT_TRUE(w.shell.calls.empty()) << c.name;
    }
}

// Every line the backup run writes reads back as what it says, whatever the names and
// folders hold; lines it does not write read as nothing.
TEST(HistoryLines, ReadBackWhatTheRunWrites) {
    using HistoryLines::EntryKind;
    const std::wstring odd = L"C:\\Work at home\\Q3: a.pub at x\\News.pub Date Sep 1 2021.pub";
    const struct {
        std::wstring line;
        EntryKind kind;
        std::wstring name, backup, when, detail;
        int moved = 0;
    } cases[] = {
        {HistoryLines::Saved(L"News.pub", odd, L"9/1/2021 2:05:09 PM"), EntryKind::Saved,
         L"News.pub", odd, L"9/1/2021 2:05:09 PM", L""},
        {HistoryLines::SavedIncompletely(L"Q3: a/b?", L"C:\\B\\Q3_ a_b_ (incomplete).pub",
                                         L"9/1/2021", L"page 2: at 3: no"),
         EntryKind::SavedIncompletely, L"Q3: a/b?", L"C:\\B\\Q3_ a_b_ (incomplete).pub",
         L"9/1/2021", L"page 2: at 3: no"},
        {HistoryLines::NotSaved(L"N", L"C:\\B\\N.pub", L"9/1/2021", L"gone"), EntryKind::NotSaved,
         L"N", L"C:\\B\\N.pub", L"9/1/2021", L"gone"},
        {HistoryLines::Unchanged(L"N.pub", L"C:\\B\\N.pub", L"9/1/2021"), EntryKind::Unchanged,
         L"N.pub", L"C:\\B\\N.pub", L"9/1/2021", L""},
        {HistoryLines::Thinned(L"N.pub: x", 1), EntryKind::Thinned, L"N.pub: x", L"", L"", L"", 1},
        {HistoryLines::Thinned(L"N.pub", 12), EntryKind::Thinned, L"N.pub", L"", L"", L"", 12},
    };
    for (const auto& c : cases) {
        const auto entry = HistoryLines::Read(c.line, L".pub");
        ASSERT_TRUE(entry) << std::string(c.line.begin(), c.line.end());
        EXPECT_EQ(entry->kind, c.kind);
        EXPECT_EQ(entry->name, c.name);
        EXPECT_EQ(entry->backup, c.backup);
        EXPECT_EQ(entry->when, c.when);
        EXPECT_EQ(entry->detail, c.detail);
        EXPECT_EQ(entry->moved, c.moved);
    }
    for (const std::wstring& other :
         {std::wstring(L""), std::wstring(L"N.pub was backup saved as C:\\B\\N.doc at 1"),
          std::wstring(L"N.pub was backup saved as N.pub at 1"),
          std::wstring(L"N.pub was backup saved incompletely as C:\\B\\N.pub at 1"),
          std::wstring(L"N.pub: 2 older backup moved to the Recycle Bin"),
          std::wstring(L"N.pub: 0 older backups moved to the Recycle Bin"),
          std::wstring(L"N.pub: many older backups moved to the Recycle Bin")}) {
        EXPECT_FALSE(HistoryLines::Read(other, L".pub")) << std::string(other.begin(), other.end());
    }
    EXPECT_EQ(HistoryLines::ReadAll(HistoryLines::Saved(L"A", L"C:\\A.pub", L"1") + L"\r\nnoise\n" +
                                        HistoryLines::Thinned(L"A", 2),
                                    L".pub")
                  .size(),
              2u);
}

}  // namespace
}  // namespace kelbrook
