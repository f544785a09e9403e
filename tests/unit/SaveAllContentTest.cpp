// What a rebuilt backup holds: master pages and each page's master, the scratch area,
// positions; the copy instance used only as it must be.
#include <gtest/gtest.h>

#include "SaveAllHarness.h"
#include "backup/BackupName.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

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
        bool rightHalfGiven = false;
    } cases[] = {
        {"3, 1, 2", {master(L"One"), master(L"Two"), master(L"Three")}, {3, 1, 2, 3}, false},
        {"both halves", {master(L"Plain"), master(L"Left", L"Right")}, {2, 2, 1, 2, 2}, false},
        {"bare copy", {master(L"Left", L"Right")}, {1, 1, 1}, true},
        // Add gives a new two-page master's right half: its left is found beside it.
        {"right half given", {master(L"Plain"), master(L"Left", L"Right")}, {2, 1, 2}, false, true},
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
        publisher.world->addGivesRightHalf = c.rightHalfGiven;
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

// A page whose master cannot be read costs that page alone: the pages after it keep theirs.
// Two master pages that Publisher gives one PageID cannot be told apart: no page is put on a
// master it might not have. Either way the backup is saved apart as incomplete.
TEST_F(SaveAllTest, APageMasterThatCannotBeFoundCostsThatPageAlone) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const std::wstring incomplete =
        L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM (incomplete).pub";
    standin::Publication news = Newsletter();  // pages on masters 1, 1 and 2
    news.pages.push_back(standin::Page{{{L"Back page", 10, 10}}, 2});
    publisher.Run({news});
    publisher.world->running->unsaved.insert(0);
    int reads = 0;
    publisher.world->onCall = [&](const std::wstring& member) {
        if (member == L"Page.Master" && ++reads == 2) throw Failure(L"Page.Master: no answer");
    };
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{126});
    std::optional<standin::Publication> backup = Backup(incomplete);
    ASSERT_TRUE(backup);
    ASSERT_EQ(backup->pages.size(), 4u);
    EXPECT_EQ(backup->pages[2].master, 2) << "a page after the failure lost its master";
    EXPECT_EQ(backup->pages[3].master, 2) << "a page after the failure lost its master";

    publisher.world->onCall = nullptr;
    publisher.world->pageIds = [](std::int64_t id) { return id >= 600000000 ? 600000000 : id; };
    dialogs.shown.clear();
    files.contents.clear();
    Press();
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{126, 126, 126, 126}));
    backup = Backup(incomplete);
    ASSERT_TRUE(backup);
    EXPECT_EQ(FileNames(), std::vector<std::wstring>{incomplete});
}

// The item after a two-page master's left half must be its right half: one that does not say
// so is not given the right half's shapes silently; the backup is saved as incomplete.
TEST_F(SaveAllTest, AMasterItemThatIsNoRightHalfMakesTheBackupIncomplete) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    standin::Publication original;
    original.masters = {
        standin::Page{{{L"Left", 36, 20}}, 1, std::vector<standin::Shape>{{L"Right", 500}}}};
    original.pages = {standin::Page{{{L"one"}}, 1}, standin::Page{{{L"two"}}, 1}};
    publisher.Run({original});
    publisher.world->running->documents[0].name = L"M.pub";
    publisher.world->running->unsaved.insert(0);
    publisher.world->rightHalvesDeny = true;
    Press();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{122});
    EXPECT_TRUE(Backup(L"C:\\B\\M.pub Date Sep 1 2021 Time 02 05 09 PM (incomplete).pub"))
        << ::testing::PrintToString(FileNames());
}

// A newsletter with what a page-by-page paste cannot carry: its colour scheme (its shapes
// coloured by it), three sections numbered three ways, a page that ignores its master, and
// solid backgrounds of an RGB and of the scheme. Changed in Publisher, it backs up equal.
standin::Publication SchemedNewsletter() {
    standin::Publication news = Newsletter();  // three pages, two master pages
    news.colorScheme = L"Ocean";
    news.pages[0].shapes[0].fill = standin::Fill::Scheme(2);
    news.pages[0].background = standin::Fill::Rgb(0x336699);
    news.pages[1].ignoreMaster = true;
    news.pages[2].background = standin::Fill::Scheme(4);
    news.pages.push_back(standin::Page{{{L"Index", 40, 40}}, 1});
    news.sections = {standin::Section{1, 1, standin::PageNumberFormat::Arabic, false},
                     standin::Section{2, 1, standin::PageNumberFormat::LowerRoman, false},
                     standin::Section{4, 1, standin::PageNumberFormat::UpperLetter, true}};
    return news;
}

TEST_F(SaveAllTest, ASchemeSectionsBackgroundsAndAHiddenMasterAreCarried) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const std::wstring backup =
        L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub";
    const standin::Publication original = SchemedNewsletter();
    publisher.Run({original});
    publisher.world->running->unsaved.insert(0);
    Press();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
    std::optional<standin::Publication> copied = Backup(backup);
    ASSERT_TRUE(copied) << ::testing::PrintToString(FileNames());
    copied->name = original.name;
    copied->path = original.path;
    EXPECT_EQ(*copied, original);
    for (std::size_t page = 1; page <= original.pages.size(); ++page) {
        EXPECT_EQ(standin::PageNumberOf(copied->sections, page),
                  standin::PageNumberOf(original.sections, page))
            << page;
    }

    // A picture background cannot be carried: one report naming its page, "(incomplete)".
    standin::Publication pictured = original;
    pictured.pages[2].background = standin::Fill::Picture(L"sky.jpg");
    files.contents.clear();
    dialogs.shown.clear();
    publisher.Run({pictured});
    publisher.world->running->unsaved.insert(0);
    Press();
    ASSERT_EQ(ReportedSteps(), std::vector<int>{182});
    EXPECT_NE(dialogs.shown[0].text.find(L"The background of page 3 is a picture"),
              std::wstring::npos)
        << dialogs.shown[0].text;
    EXPECT_EQ(FileNames(), std::vector<std::wstring>{BackupName::IncompletePath(backup)});
}

// Each member the rebuild calls for these, failing in the copy: one report, the backup saved
// apart as incomplete, and the next document backed up.
TEST_F(SaveAllTest, AFailureToCarryASchemeSectionOrBackgroundCostsOneReport) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const struct {
        const wchar_t* failing;
        int step;
    } cases[] = {{L"Document.ColorScheme put", 176},     {L"Sections.Add", 178},
                 {L"Section.PageNumberFormat put", 178}, {L"Page.IgnoreMaster put", 180},
                 {L"PageBackground.Create", 182},        {L"PageBackground.Fill put", 182}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        files.contents.clear();
        dialogs.shown.clear();
        standin::Publication news = SchemedNewsletter();
        news.pages[2].background = {};  // one background: one page to fail
        publisher.Run({news, Doc(L"Other.pub", L"C:\\Docs", {{L"o"}})});
        publisher.world->running->unsaved = {0, 1};
        publisher.world->failing = {c.failing};
        Press();
        EXPECT_EQ(ReportedSteps(), std::vector<int>{c.step});
        const std::vector<std::wstring> log = LogLines();
        ASSERT_GE(log.size(), 2u);
        EXPECT_NE(log[log.size() - 2].find(L"was backup saved incompletely as"), std::wstring::npos)
            << log[log.size() - 2];
        EXPECT_EQ(log.back().rfind(L"Other.pub was backup saved as", 0), 0u) << log.back();
    }
}

}  // namespace
}  // namespace kelbrook
