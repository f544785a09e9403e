// Stories that flow through linked frames, carried into a rebuilt backup.
#include <gtest/gtest.h>

#include <algorithm>

#include "SaveAllHarness.h"
#include "StandinStories.h"
#include "backup/BackupName.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

// Two chains: one from page 3 back to page 1 and on into the scratch area, one within page 2;
// and unlinked frames beside them.
standin::Publication ChainedNewsletter() {
    standin::Publication news = standin::ParsePublication(
        "standin-publication 1\n"
        "story Spring has come to the valley at last, and with it the fair\n"
        "story Editorial: a word from the chair\n"
        "page\nshape Masthead\nshape \nat 36 300\ncapacity 12\nlink 1 2\n"
        "page\nshape \ncapacity 10\nlink 2 1\nshape \nat 300 0\ncapacity 40\nlink 2 2\n"
        "page\nshape \nat 20 20\ncapacity 20\nlink 1 1\nshape Index\n"
        "scratch\nshape \ncapacity 15\nlink 1 3\nshape Spare\n");
    news.name = L"News.pub";
    news.path = L"C:\\Docs";
    return news;
}

std::size_t CountOf(const std::vector<std::wstring>& journal, const std::wstring& line) {
    return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), line));
}

TEST_F(SaveAllTest, StoriesAreCarriedWithTheirChainsAndTheirWholeText) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const std::wstring backup =
        L"C:\\B\\News.pub [Docs 59AE7DBB] Date Sep 1 2021 Time 02 05 09 PM.pub";
    const standin::Publication original = ChainedNewsletter();
    publisher.Run({original});
    publisher.world->running->unsaved.insert(0);
    Press();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
    std::optional<standin::Publication> copied = Backup(backup);
    ASSERT_TRUE(copied) << ::testing::PrintToString(FileNames());
    copied->name = original.name;
    copied->path = original.path;
    EXPECT_EQ(copied->stories, original.stories);
    EXPECT_EQ(*copied, original) << standin::SerializePublication(*copied) << "\n" << standin::SerializePublication(original);
    // Each story's text went through the clipboard, formatted, not as the frames' plain text.
    const std::vector<std::wstring>& journal = publisher.world->journal;
    EXPECT_EQ(CountOf(journal, L"running TextRange.Copy"), 2u);
    EXPECT_EQ(CountOf(journal, L"copy1 TextRange.Paste"), 2u);

    // A publication that links no frames pays two reads for its stories, and nothing more.
    publisher.world->journal.clear();
    publisher.Run({Newsletter()});
    publisher.world->running->unsaved.insert(0);
    Press();
    std::vector<std::wstring> storyCalls;
    for (const std::wstring& call : publisher.world->journal) {
        if (call.find(L"Stor") != std::wstring::npos ||
            call.find(L"Shapes.Item") != std::wstring::npos)
            storyCalls.push_back(call);
    }
    EXPECT_EQ(storyCalls,
              (std::vector<std::wstring>{L"running Document.Stories", L"running Stories.Count",
                                         L"copy2 Document.Stories", L"copy2 Stories.Count"}));
}

// Each member the rebuild calls for stories, failing: one report, the backup saved apart as
// incomplete, and the next document backed up.
TEST_F(SaveAllTest, AStoryThatCannotBeCarriedWholeCostsOneReport) {
    controls.SetCaption(ControlId::Text1, L"C:\\B");
    const struct {
        const wchar_t* failing;
        int step;
    } cases[] = {{L"running:Stories.Item", 184},
                 {L"running:TextFrame.NextLinkedTextFrame", 184},
                 {L"running:Shapes.Item", 184},
                 {L"running:Page.PageIndex", 184},
                 {L"Shapes.Item", 188},
                 {L"TextRange.Text put", 188},
                 {L"TextFrame.NextLinkedTextFrame put", 188},
                 {L"running:TextRange.Copy", 188},
                 {L"TextRange.Paste", 188}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        files.contents.clear();
        dialogs.shown.clear();
        standin::Publication news = ChainedNewsletter();
        standin::StoryFlow(news.stories, standin::LinkableFrames(news))
            .BreakForwardLink(news.pages[1].shapes[0]);  // one chain: one story to fail
        publisher.Run({news, Doc(L"Other.pub", L"C:\\Docs", {{L"o"}})});
        publisher.world->running->unsaved = {0, 1};
        publisher.world->failing = {c.failing};
        Press();
        ASSERT_EQ(ReportedSteps(), std::vector<int>{c.step});
        if (c.step == 188) {
            EXPECT_NE(dialogs.shown[0].text.find(
                          L"The story that begins on page 3 was not carried whole"),
                      std::wstring::npos)
                << dialogs.shown[0].text;
        }
        const std::vector<std::wstring> log = LogLines();
        ASSERT_GE(log.size(), 2u);
        EXPECT_NE(log[log.size() - 2].find(L"was backup saved incompletely as"), std::wstring::npos)
            << log[log.size() - 2];
        EXPECT_EQ(log.back().rfind(L"Other.pub was backup saved as", 0), 0u) << log.back();
    }
}

}  // namespace
}  // namespace kelbrook
