#include <gtest/gtest.h>

#include <algorithm>

#include "FakeBackups.h"
#include "Fakes.h"
#include "history/HistoryLines.h"
#include "recovery/BackupsView.h"
#include "recovery/Catalogue.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;
using Recovery::BackupRow;
using Recovery::Holds;

constexpr wchar_t kLog[] = L"C:\\Temp\\Kelbrook.txt";

// The world of the catalogue: files with their times, the log's lines, the ports over them.
struct CatalogueWorld {
    FakeClock clock;  // 1 September 2021 14:05:09, UTC
    FakeFiles files;
    FakeBackupFolders folders{files};
    std::vector<std::wstring> log;
    std::wstring oneFolder = L"C:\\B";

    std::wstring Stamped(const std::wstring& stem, const LocalTime& t,
                         const std::wstring& after = L"") {
        return stem + L" Date " + clock.FormatDate(t, L"MMM d yyyy") + L" Time " +
               clock.FormatTime(t, L"hh mm ss tt") + after + L".pub";
    }
    // A file of `bytes` bytes, created at `created` and last written at `written`.
    void File(const std::wstring& path, std::size_t bytes, const LocalTime& created,
              const LocalTime& written) {
        files.contents[path] = std::string(bytes, 'p');
        files.created[path] = FileTimeOf(created);
        files.times[path] = FileTimeOf(written);
    }
    std::vector<BackupRow> Rows() {
        std::string text;
        for (const std::wstring& line : log) text += std::string(line.begin(), line.end()) + "\r\n";
        if (!log.empty()) files.contents[kLog] = text;
        return Recovery::Catalogue({files, folders, clock}, {kLog, oneFolder, L".pub"});
    }
};

const BackupRow* RowOf(const std::vector<BackupRow>& rows, const std::wstring& path) {
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const BackupRow& r) { return r.path == path; });
    return found == rows.end() ? nullptr : &*found;
}

// Backups beside a publication and in the one folder for all, as the folders hold them and as
// the log tells of them: each row says what its backup holds, or why it is gone; names this
// program would not write are not listed.
TEST(Catalogue, ListsEveryBackupWithWhatItHolds) {
    CatalogueWorld w;
    const LocalTime t900{2021, 9, 1, 9, 0, 0, 0}, t1300{2021, 9, 1, 13, 0, 0, 0},
        t1330{2021, 9, 1, 13, 30, 0, 0}, t1400{2021, 9, 1, 14, 0, 0, 0},
        t1100{2021, 9, 1, 11, 0, 0, 0}, saved{2021, 9, 1, 12, 0, 0, 0},
        aug30{2021, 8, 30, 18, 0, 0, 0};
    const std::wstring flyer = L"C:\\Docs\\Flyer.pub";
    const std::wstring exact = w.Stamped(flyer, t1300), rebuilt = w.Stamped(flyer, t1400),
                       incomplete = w.Stamped(flyer, t1330, L" (incomplete)"),
                       thinned = w.Stamped(flyer, t900),
                       numbered = w.Stamped(flyer, t1400, L" (2)"),
                       menu = w.Stamped(L"C:\\Docs\\Menu.pub", t1100),
                       dayExact = L"C:\\Docs\\Flyer.pub Aug 30 2021.pub",
                       news = w.Stamped(L"C:\\B\\News.pub [2026-11 A74D0068]", t1100),
                       unsaved = w.Stamped(L"C:\\B\\Publication1", t1100);
    w.File(exact, 3000, t1300, saved);  // written before its name's time: its file
    w.File(rebuilt, 5000, t1400, {2021, 9, 1, 14, 0, 4, 0});
    w.File(numbered, 10, t1400, {2021, 9, 1, 14, 0, 1, 0});
    w.File(incomplete, 2048, t1330, t1330);
    w.File(dayExact, 1, aug30, {2021, 8, 30, 9, 0, 0, 0});
    w.File(news, 1025, t1100, {2021, 9, 1, 11, 0, 2, 0});
    w.File(unsaved, 7, t1100, t1100);
    // Names this program would not write, each next to a real one.
    for (const std::wstring& other :
         {w.Stamped(flyer, {2021, 9, 1, 13, 0, 0, 0}, L".kelbrook-saving"),
          std::wstring(L"C:\\Docs\\Flyer.pub"), std::wstring(L"C:\\Docs\\Flyer copy.pub"),
          std::wstring(L"C:\\Docs\\Flyer.pub Date Sep 31 2021 Time 01 00 00 PM.pub"),
          std::wstring(L"C:\\Docs\\Flyer.pub Date Sep 1 2021 Time 13 00 00 PM.pub"),
          std::wstring(L"C:\\Docs\\Flyer.pub Date Sep 1 2021 Time 01 00 00 PM (1).pub"),
          std::wstring(L"C:\\B\\notes.txt"), std::wstring(L"C:\\B\\Flyer.pub Sep 1.pub")}) {
        w.File(other, 5, t1100, t1100);
    }
    w.log = {HistoryLines::Saved(L"Flyer.pub", thinned, L"9/1/2021 9:00:00 AM"),
             HistoryLines::Saved(L"Menu.pub", menu, L"9/1/2021 11:00:00 AM"),
             HistoryLines::Saved(L"Flyer.pub", exact, L"9/1/2021 1:00:00 PM"),
             HistoryLines::Thinned(L"Flyer.pub", 1),
             HistoryLines::SavedIncompletely(L"Flyer.pub", incomplete, L"9/1/2021 1:30:00 PM",
                                             L"page 2: the clipboard was held by another program"),
             HistoryLines::Saved(L"Flyer.pub", rebuilt, L"9/1/2021 2:00:00 PM"),
             L"a line of another version: Flyer.pub saved"};
    const std::vector<BackupRow> rows = w.Rows();

    const struct {
        std::wstring path;
        std::wstring publication;
        std::wstring holds;
        std::optional<std::uint64_t> size;
    } expected[] = {
        {exact, L"Flyer.pub (C:\\Docs)", L"saved file", 3000},
        {rebuilt, L"Flyer.pub (C:\\Docs)", L"unsaved changes", 5000},
        {numbered, L"Flyer.pub (C:\\Docs)", L"unsaved changes", 10},
        {incomplete, L"Flyer.pub (C:\\Docs)",
         L"incomplete: page 2: the clipboard was held by another program", 2048},
        {dayExact, L"Flyer.pub (C:\\Docs)", L"saved file", 1},
        {thinned, L"Flyer.pub (C:\\Docs)",
         L"moved to the Recycle Bin by thinning on 9/1/2021 1:00:00 PM", std::nullopt},
        {menu, L"Menu.pub (C:\\Docs)", L"not found at " + menu, std::nullopt},
        {news, L"News.pub (...\\2026-11)", L"unsaved changes", 1025},
        {unsaved, L"Publication1", L"unsaved changes", 7},
    };
    EXPECT_EQ(rows.size(), std::size(expected));
    for (const auto& e : expected) {
        const BackupRow* row = RowOf(rows, e.path);
        ASSERT_NE(row, nullptr) << e.path;
        EXPECT_EQ(Recovery::PublicationLabel(*row), e.publication) << e.path;
        EXPECT_EQ(Recovery::HoldsText(*row), e.holds) << e.path;
        EXPECT_EQ(row->size, e.size) << e.path;
        EXPECT_EQ(row->Greyed(), !e.size) << e.path;
    }
    EXPECT_EQ(RowOf(rows, exact)->originFolder, L"C:\\Docs");
    EXPECT_EQ(RowOf(rows, unsaved)->originFolder, L"") << "never saved: no folder of its own";
    EXPECT_EQ(w.folders.listed, (std::vector<std::wstring>{L"C:\\B", L"C:\\Docs"}));
    EXPECT_EQ(w.folders.givenMilliseconds, Recovery::kListingMilliseconds);
}

// Two publications of one name in two folders, backed up into the one folder for all: their
// backups are told apart by the tag in their names, and the filter shows one publication's
// backups only. A publication whose own folder holds backups too is known by that folder.
TEST(Catalogue, SameNamedPublicationsAreToldApart) {
    CatalogueWorld w;
    const LocalTime t{2021, 9, 1, 11, 0, 0, 0}, later{2021, 9, 1, 12, 0, 0, 0};
    const std::wstring first = w.Stamped(L"C:\\B\\News.pub [2026-11 A74D0068]", t),
                       second = w.Stamped(L"C:\\B\\News.pub [2026-12 19546FA3]", t),
                       firstLater = w.Stamped(L"C:\\B\\News.pub [2026-11 A74D0068]", later),
                       beside = w.Stamped(L"C:\\News\\2026-11\\News.pub", later),
                       lookAlike = w.Stamped(L"C:\\B\\News.pub [2026-11 A74D0068] 2", t);
    for (const auto& path : {first, second, firstLater, beside, lookAlike}) {
        w.File(path, 100, t, t);
    }
    w.log = {HistoryLines::Saved(L"News.pub", beside, L"9/1/2021 12:00:00 PM")};
    const std::vector<BackupRow> rows = w.Rows();
    ASSERT_EQ(rows.size(), 5u);
    const auto publications = Recovery::Publications(rows);
    std::vector<std::wstring> labels;
    for (const auto& p : publications) labels.push_back(p.label);
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"News.pub (...\\2026-12)",
                                                 L"News.pub (C:\\News\\2026-11)",
                                                 L"News.pub [2026-11 A74D0068] 2"}));
    const BackupRow& tagged = *RowOf(rows, first);
    EXPECT_EQ(tagged.originFolder, L"C:\\News\\2026-11");
    std::vector<std::wstring> shown;
    for (std::size_t i : Recovery::Shown(rows, tagged.key)) shown.push_back(rows[i].path);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::wstring>{first, firstLater, beside}))
        << "one publication, whichever folder its backups went to";
    EXPECT_EQ(Recovery::Shown(rows, L"").size(), rows.size());

    // Several publications at once, by a backup of each (those Publisher closed on): every
    // backup of theirs, and nothing of another.
    const std::set<std::wstring> chosen = Recovery::KeysOfBackups(rows, {second, lookAlike});
    EXPECT_EQ(chosen.size(), 2u);
    shown.clear();
    for (std::size_t i : Recovery::Shown(rows, Recovery::kChosenKey, chosen))
        shown.push_back(rows[i].path);
    std::sort(shown.begin(), shown.end());
    std::vector<std::wstring> expected = {second, lookAlike};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected);
}

// What cannot be read gives a row saying so, or adds nothing; never a wrong row. The one
// folder's backup stays listed in every case.
TEST(Catalogue, WhatCannotBeReadGivesARowSayingSo) {
    const LocalTime t{2021, 9, 1, 11, 0, 0, 0};
    const std::wstring good = L"C:\\B\\A.pub [X 00000001] Date Sep 1 2021 Time 11 00 00 AM.pub";
    const std::wstring onShare = L"\\\\server\\share\\A.pub Date Sep 1 2021 Time 11 00 00 AM.pub";
    const struct {
        const char* name;
        std::vector<std::wstring> log;  // empty: no log file at all
        std::map<std::wstring, std::wstring> failing;
        std::vector<std::pair<std::wstring, std::wstring>> rows;  // besides the good one
    } cases[] = {
        {"no log", {}, {}, {}},
        {"an empty log", {L""}, {}, {}},
        {"lines of another version and lines cut short",
         {L"A.pub saved to C:\\B", L"A.pub was backup saved as",
          L"A.pub was backup saved as x.pub at", L": 2 older backups moved to the Recycle Bin",
          L"A.pub: 1 older backups moved to the Recycle Bin",
          L"A.pub was backup saved as C:\\B\\A.pub Date Sep 1 2021 Time 11 00 00 ZZ.pub at 1"},
         {},
         {}},
        {"a share that does not answer",
         {HistoryLines::Saved(L"A.pub", onShare, L"9/1/2021 11:00:00 AM")},
         {{L"\\\\server\\share", L"no answer within 2 seconds"}},
         {{onShare, L"cannot be read: no answer within 2 seconds"}}},
        {"a folder that cannot be read, of which the log names no backup",
         {HistoryLines::NotSaved(L"A.pub",
                                 L"C:\\Locked\\A.pub Date Sep 1 2021 Time 11 00 00 AM.pub",
                                 L"9/1/2021 11:00:00 AM", L"Access is denied.")},
         {{L"C:\\Locked", L"Access is denied."}},
         {}},
        {"the one folder cannot be read",
         {},
         {{L"C:\\B", L"The network path was not found."}},
         {{L"C:\\B", L"cannot be read: The network path was not found."}}},
    };
    for (const auto& c : cases) {
        CatalogueWorld w;
        w.File(good, 10, t, t);
        w.log = c.log;
        if (c.log.size() == 1 && c.log[0].empty()) w.files.contents[kLog] = "";
        w.folders.failing = c.failing;
        const std::vector<BackupRow> rows = w.Rows();
        std::vector<std::pair<std::wstring, std::wstring>> got;
        for (const BackupRow& row : rows) {
            if (row.path != good) got.emplace_back(row.path, Recovery::HoldsText(row));
        }
        EXPECT_EQ(got, c.rows) << c.name;
        const bool oneFolderFails = c.failing.count(L"C:\\B") > 0;
        EXPECT_EQ(RowOf(rows, good) != nullptr, !oneFolderFails) << c.name;
    }
}

// A huge log (many thousand lines of one publication's backups, most of them gone) reads
// in one pass: each backup it names once, by its latest line.
TEST(Catalogue, AHugeLogNamesEachBackupOnce) {
    CatalogueWorld w;
    const std::wstring stem = L"C:\\Docs\\Big.pub";
    const std::int64_t start = Calendar::Seconds({2021, 6, 1, 0, 0, 0, 0});
    for (int pass = 0; pass < 2; ++pass) {  // every backup named twice
        for (int i = 0; i < 20000; ++i) {
            const std::wstring backup = w.Stamped(stem, Calendar::LocalTimeOf(start + 60 * i));
            w.log.push_back(HistoryLines::Saved(L"Big.pub", backup, L"6/1/2021"));
        }
    }
    const std::vector<BackupRow> rows = w.Rows();
    std::set<std::wstring> paths;
    for (const BackupRow& row : rows) {
        paths.insert(row.path);
        EXPECT_EQ(row.holds, Holds::NotFound);
    }
    EXPECT_EQ(rows.size(), 20000u);
    EXPECT_EQ(paths.size(), rows.size());
}

}  // namespace
}  // namespace kelbrook
