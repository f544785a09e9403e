// What a rebuilt backup holds beyond pages of shapes, as Publisher's reference has it: master
// pages (two-page ones too), a fresh copy without a publication, and a newsletter's colour
// scheme, sections, backgrounds and pages that hide their master.
#include <gtest/gtest.h>

#include "BackupRun.h"
#include "StandinStories.h"

namespace kelbrook::e2e {
namespace {

// ---- master pages and fresh copies as Publisher's reference has them -----------------------

// A publication changed in Publisher, with a one-page master and a two-page master whose
// halves both carry pages, is rebuilt with both as they were: the two-page master as one, each
// half's shapes in place, and each page on its own master page.
TEST_F(BackupRun, ATwoPageMasterAndAOnePageMasterAreKeptAsTheyWere) {
    standin::Publication book;
    book.masters = {standin::Page{{{L"Chapter band", 0, 20}}},
                    standin::Page{{{L"Left folio", 36, 760}},
                                  1,
                                  std::vector<standin::Shape>{{L"Right folio", 560, 760}}}};
    book.pages = {standin::Page{{{L"Title", 72, 144}}, 1}, standin::Page{{{L"Verso", 72, 90}}, 2},
                  standin::Page{{{L"Recto", 80, 90}}, 2}, standin::Page{{}, 1},
                  standin::Page{{{L"End", 72, 300}}, 2}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bookFile = docs / L"Book.pub";
    workspace_->WriteFile(L"Docs\\Book.pub", standin::SerializePublication(book));
    documents_[bookFile] = standin::SerializePublication(book);
    ASSERT_NO_FATAL_FAILURE(StartStandin({bookFile.wstring()}));  // changed in Publisher
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Book.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(standin::ParsePublication(ReadBytes(*backup).value_or("")), book)
        << ::testing::PrintToString(ReadBytes(*backup));
    ExpectLogLine(log_->Lines().at(0), L"Book.pub was backup saved as " + backup->wstring(), clock);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 1);
    ExpectDocumentsUnchanged();
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ASSERT_NO_FATAL_FAILURE(Close());
}

// A fresh copy instance without a publication and without an active window makes its
// publication while it is created, and the document is backed up as any other.
TEST_F(BackupRun, AFreshCopyWithoutAPublicationOrAWindowStillBacksUp) {
    const Publication flyer = {{L"Summer fair"}, {L"Programme", L"Map"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(StandinSettings::SetFault(L"start", L"bare"));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(ReadBytes(*backup), PublicationFile(flyer));
    ExpectLogLine(log_->Lines().at(0), L"Flyer.pub was backup saved as " + backup->wstring(),
                  clock);
    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    ExpectRunJournal(journal, RunningId(), 1);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const JournalEntry& entry) {
                                return !entry.running && entry.call == L"Invoke" &&
                                       entry.member == L"Application.NewDocument";
                            }),
              1)
        << "the copy made no publication, or more than one";
    // The publication NewDocument gave is the one backed up: nobody asks for it again.
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const JournalEntry& entry) {
                                return !entry.running && entry.call == L"Invoke" &&
                                       entry.member == L"Application.ActiveDocument";
                            }),
              0)
        << "the copy was asked for its ActiveDocument after NewDocument made it";
    ExpectDocumentsUnchanged();
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ASSERT_NO_FATAL_FAILURE(Close());
}

// A newsletter with a colour scheme (a shape coloured by it), three sections numbered three
// ways, a page that hides its master, solid backgrounds and a story that flows from page 1 on
// to pages 2 and 4, changed in Publisher: its backup is equal to it. With a picture background
// instead, the backup is "(incomplete)" and the one report names the page.
TEST_F(BackupRun, ANewslettersStoriesSchemeSectionsAndBackgroundsAreKept) {
    standin::Publication news;
    news.colorScheme = L"Ocean";
    news.masters = {standin::Page{{{L"Masthead", 36, 20}}}, standin::Page{{{L"Band", 0, 700}}}};
    news.pages = {standin::Page{{{L"Lead story", 72, 144, standin::Fill::Scheme(2)}}, 1},
                  standin::Page{{{L"Page two", 72, 90}}, 1}, standin::Page{{{L"Contacts"}}, 2},
                  standin::Page{{{L"Index", 40, 40}}, 1}};
    news.pages[0].background = standin::Fill::Rgb(0x336699);
    news.pages[1].ignoreMaster = true;
    news.pages[2].background = standin::Fill::Scheme(4);
    news.sections = {standin::Section{1, 1, standin::PageNumberFormat::Arabic, false},
                     standin::Section{2, 1, standin::PageNumberFormat::LowerRoman, false},
                     standin::Section{4, 1, standin::PageNumberFormat::UpperLetter, true}};
    news.stories = {
        L"The fair returns to the valley this spring, with stalls, music and a "
        L"tug of war across the river (continued on page 4)."};
    const std::pair<std::size_t, int> frames[] = {{0, 40}, {1, 30}, {3, 200}};
    for (int place = 1; const auto& [page, capacity] : frames) {
        standin::Shape frame(L"", 300, 144);
        frame.capacity = capacity;
        frame.story = 1;
        frame.place = place++;
        news.pages[page].shapes.push_back(frame);
    }
    standin::FlowStories(news);
    standin::Publication pictured = news;
    pictured.pages[2].background = standin::Fill::Picture(L"sky.jpg");
    const fs::path docs = workspace_->folder() / L"Docs";
    for (const auto& [name, publication] :
         {std::pair{L"News.pub", &news}, std::pair{L"Pictured.pub", &pictured}}) {
        const std::string bytes = standin::SerializePublication(*publication);
        workspace_->WriteFile(fs::path(L"Docs") / name, bytes);
        documents_[docs / name] = bytes;
    }
    ASSERT_NO_FATAL_FAILURE(StartStandin(
        {(docs / L"News.pub").wstring(), (docs / L"Pictured.pub").wstring()}));  // changed
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    RunClock clock;
    const std::vector<SeenBox> reports = FollowRun(2, clock);
    if (HasFatalFailure()) return;
    ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
    const std::optional<SaveAllFailure> failure = ParseSaveAllReport(reports[0].text);
    ASSERT_TRUE(failure) << ::testing::PrintToString(reports[0].text);
    EXPECT_EQ(failure->step, 182);
    EXPECT_NE(failure->description.find(L"page 3"), std::wstring::npos) << failure->description;

    const std::optional<fs::path> backup = FindBackup(docs, L"News.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    standin::Publication copied = standin::ParsePublication(ReadBytes(*backup).value_or(""));
    EXPECT_EQ(copied, news) << ::testing::PrintToString(ReadBytes(*backup));
    for (std::size_t page = 1; page <= news.pages.size(); ++page) {
        EXPECT_EQ(standin::PageNumberOf(copied.sections, page),
                  standin::PageNumberOf(news.sections, page));
    }
    std::set<std::wstring> stamps;
    for (const std::wstring& stamp : clock.NewFileStamps()) {
        stamps.insert(stamp.substr(0, stamp.size() - 4) + L" (incomplete).pub");
    }
    EXPECT_TRUE(FindBackup(docs, L"Pictured.pub", stamps));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].starts_with(L"Pictured.pub was backup saved incompletely as "))
        << lines[1];
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 2);
    ExpectDocumentsUnchanged();
}

}  // namespace
}  // namespace kelbrook::e2e
