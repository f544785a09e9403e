#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandinPublication.h"
#include "StandinStories.h"

namespace standin {
namespace {

// A story that starts on page 2 (frame 1, 10 characters), goes on to page 1 (frame 2, 6) and
// ends in the scratch area (frame 3, 8: the last characters overflow), beside unlinked shapes.
constexpr std::string_view kChainedFile =
    "standin-publication 1\r\n"
    "story Spring has come to the valley at last\r\n"
    "page\r\n"
    "shape Headline\r\n"
    "shape \r\n"
    "at 36 400\r\n"
    "capacity 6\r\n"
    "link 1 2\r\n"
    "page\r\n"
    "shape \r\n"
    "capacity 10\r\n"
    "link 1 1\r\n"
    "scratch\r\n"
    "shape \r\n"
    "capacity 8\r\n"
    "link 1 3\r\n";

TEST(StandinStories, AFileFlowsItsStoryThroughItsFramesInChainOrderAndIsWrittenBackAsItWas) {
    const Publication publication = ParsePublication(kChainedFile);
    ASSERT_EQ(publication.stories,
              std::vector<std::wstring>{L"Spring has come to the valley at last"});
    EXPECT_EQ(publication.pages[1].shapes[0].text, L"Spring has");
    EXPECT_EQ(publication.pages[0].shapes[1].text, L" come ");
    EXPECT_EQ(publication.scratch[0].text, L"to the v");  // "alley at last" overflows
    EXPECT_EQ(publication.pages[0].shapes[0].text, L"Headline");
    EXPECT_EQ(publication.pages[0].shapes[0].story, 0);
    EXPECT_EQ(SerializePublication(publication), kChainedFile);
    EXPECT_EQ(ParsePublication(SerializePublication(publication)), publication);
}

std::string StoryErrorOf(std::string_view text) {
    try {
        ParsePublication(text);
    } catch (const FormatError& error) {
        return error.what();
    }
    return "(parsed)";
}

TEST(StandinStories, NamesTheLineOfAStoryThatDoesNotHoldTogether) {
    const std::string head = "standin-publication 1\nstory Text\n";
    const struct {
        std::string file;
        std::string error;
    } cases[] = {
        {"standin-publication 1\npage\nshape \nlink 1 1\n",
         "line 4: link to story 1: the file has 0 \"story\" lines"},
        {head + "story More\npage\nshape \nlink 2 1\nshape \nlink 2 2\n",
         "line 6: link to story 2: stories are numbered in the order their frames come, and the "
         "next new one is 1"},
        {head + "page\nshape words\nlink 1 1\n",
         "line 5: a linked frame's \"shape\" line holds no text: its story's flows in"},
        {head + "master\nshape \nlink 1 1\n", "line 5: frames on master pages are not linked"},
        {head + "page\nshape \nlink 1 1\nshape \nlink 1 1\n",
         "line 7: story 1 has two frames at place 1"},
        {head + "page\nshape \nlink 1 1\n",
         "line 5: story 1 has 1 frames; a story flows through two or more"},
        {head + "page\nshape \nlink 1 1\nshape \nlink 1 3\n",
         "line 7: story 1's frames are placed 1 to 2, no other place"},
        {head + "page\nshape \nlink 1 1\nlink 1 2\n",
         "line 6: expected one \"link <story> <place>\", each from 1, after a \"shape\" line, "
         "found \"link 1 2\""},
        {head + "page\nshape a\ncapacity 0\n",
         "line 5: expected one \"capacity <characters>\" from 1 to 1000000 after a \"shape\" "
         "line, found \"capacity 0\""},
        {head + "page\nstory Late\n", "line 4: a \"story\" line after a master or page"},
        {"standin-publication 1\nstory Lonely\npage\n",
         "line 2: story 1 has 0 frames; a story flows through two or more"},
    };
    for (const auto& c : cases) EXPECT_EQ(StoryErrorOf(c.file), c.error) << c.file;
}

// The frames of a two-page chain "abcdefgh" (4 + 4) and an unlinked frame on page 2.
struct TwoPageChain {
    Publication publication = ParsePublication(
        "standin-publication 1\nstory abcdefgh\npage\nshape \ncapacity 4\nlink 1 1\n"
        "page\nshape \ncapacity 4\nlink 1 2\nshape \ncapacity 4\n");
    Shape& first = publication.pages[0].shapes[0];
    Shape& second = publication.pages[1].shapes[0];
    Shape& loose = publication.pages[1].shapes[1];
    StoryFlow Flow() { return StoryFlow(publication.stories, LinkableFrames(publication)); }
};

TEST(StandinStories, AFrameGoesToTheClipboardUnlinkedWithItsStoryToTheEnd) {
    TwoPageChain chain;
    StoryFlow flow = chain.Flow();
    const Shape second = flow.Detached(chain.second);
    EXPECT_EQ(second.text, L"efgh");
    EXPECT_EQ(second.story, 0);
    EXPECT_EQ(flow.Detached(chain.first).text, L"abcdefgh");  // repeats what page 2 shows
    EXPECT_EQ(flow.Detached(chain.first).capacity, 4);
}

TEST(StandinStories, ALinkIsRefusedWhereTheTargetHoldsTextOrALinkOrTheFrameLinksOnAlready) {
    TwoPageChain chain;
    StoryFlow flow = chain.Flow();
    Shape master(L"");
    EXPECT_EQ(flow.LinkRefusal(chain.second, chain.first), L"The frame is already linked");
    EXPECT_EQ(flow.LinkRefusal(chain.first, chain.loose),
              L"The frame already links to another; break that link first");
    EXPECT_EQ(flow.LinkRefusal(chain.loose, chain.loose), L"A frame cannot be linked to itself");
    EXPECT_EQ(flow.LinkRefusal(chain.second, master), L"Frames on master pages cannot be linked");
    chain.loose.text = L"x";
    EXPECT_EQ(flow.LinkRefusal(chain.second, chain.loose), L"The frame already contains text");
    EXPECT_THROW(flow.Link(chain.second, chain.loose), std::invalid_argument);
    chain.loose.text.clear();
    EXPECT_EQ(flow.LinkRefusal(chain.second, chain.loose), std::nullopt);
}

TEST(StandinStories, LinkingEmptyingAndBreakingMoveTheTextAsPublisherDoes) {
    TwoPageChain chain;
    StoryFlow flow = chain.Flow();
    flow.SetStoryText(chain.first, L"abcdefghijkl");
    EXPECT_EQ(chain.second.text, L"efgh");  // "ijkl" overflows
    flow.Link(chain.second, chain.loose);
    EXPECT_EQ(chain.loose.text, L"ijkl");
    EXPECT_EQ(chain.loose.place, 3);
    EXPECT_EQ(flow.Next(chain.second), &chain.loose);
    EXPECT_EQ(flow.Previous(chain.first), nullptr);
    flow.SetFrameText(chain.second, L"");  // the story closes up
    EXPECT_EQ(chain.publication.stories[0], L"abcdijkl");
    EXPECT_EQ(chain.second.text, L"ijkl");
    EXPECT_EQ(chain.loose.text, L"");
    flow.BreakForwardLink(chain.first);  // all of the text stays in the first frame
    EXPECT_EQ(chain.first.text, L"abcdijkl");
    EXPECT_EQ(chain.first.story, 0);
    EXPECT_EQ(chain.second.text, L"");
    EXPECT_TRUE(chain.publication.stories.empty());
    EXPECT_EQ(flow.Heads().size(), 3u);
}

TEST(StandinStories, AnUnlinkedFrameKeepsItsWholeTextBeyondItsCapacity) {
    Publication publication =
        ParsePublication("standin-publication 1\npage\nshape longer than six\ncapacity 6\n");
    EXPECT_EQ(publication.pages[0].shapes[0].text, L"longer than six");
    EXPECT_EQ(SerializePublication(publication),
              "standin-publication 1\r\npage\r\nshape longer than six\r\ncapacity 6\r\n");
}

}  // namespace
}  // namespace standin
