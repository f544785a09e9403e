#include <gtest/gtest.h>

#include <string>

#include "StandinPublication.h"

namespace standin {
namespace {

// U+00E9, U+65E5 and U+1F600 (a surrogate pair where wchar_t has 16 bits).
const std::wstring kAccented = L"caf\u00e9 \u65e5 \U0001F600";
const std::string kAccentedUtf8 = "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80";

TEST(StandinPublication, SerializesTheFileFormatExactly) {
    const Publication publication{
        L"a.pub", L"C:\\", {Page{{L"Title", L""}}, Page{}, Page{{kAccented}}}};
    EXPECT_EQ(SerializePublication(publication),
              "standin-publication 1\r\npage\r\nshape Title\r\nshape \r\npage\r\npage\r\nshape " +
                  kAccentedUtf8 + "\r\n");
}

TEST(StandinPublication, ParsesWhatItSerializes) {
    const Publication publication{
        {}, {}, {Page{{L"one", L" two  ", L""}}, Page{}, Page{{kAccented}}}};
    EXPECT_EQ(ParsePublication(SerializePublication(publication)), publication);
}

TEST(StandinPublication, AcceptsLfCrLfAByteOrderMarkAndNoFinalNewline) {
    const Publication expected{{}, {}, {Page{{L"x", L"y"}}, Page{{L"z"}}}};
    EXPECT_EQ(ParsePublication("standin-publication 1\npage\nshape x\r\nshape y\npage\nshape z"),
              expected);
    EXPECT_EQ(ParsePublication("\xEF\xBB\xBFstandin-publication 1\r\npage\r\nshape x\r\nshape "
                               "y\r\npage\r\nshape z\r\n"),
              expected);
}

std::string ErrorOf(std::string_view text, std::size_t* line = nullptr) {
    try {
        ParsePublication(text);
    } catch (const FormatError& error) {
        if (line) *line = error.line();
        return error.what();
    }
    return "(parsed)";
}

TEST(StandinPublication, NamesTheLineAndWhatWasExpected) {
    std::size_t line = 0;
    EXPECT_EQ(ErrorOf("hello\npage\n", &line),
              "line 1: expected \"standin-publication 1\", found \"hello\"");
    EXPECT_EQ(line, 1u);
    EXPECT_EQ(ErrorOf(""), "line 1: the file is empty; expected \"standin-publication 1\"");
    EXPECT_EQ(ErrorOf("standin-publication 2\n"),
              "line 1: unsupported version \"standin-publication 2\"; this stand-in reads "
              "\"standin-publication 1\"");
    EXPECT_EQ(ErrorOf("standin-publication 1\nshape early\n", &line),
              "line 2: a shape before the first \"page\" line");
    EXPECT_EQ(line, 2u);
    EXPECT_EQ(ErrorOf("standin-publication 1\npage\nshape a\nshapes b\n", &line),
              "line 4: expected \"page\" or \"shape <text>\", found \"shapes b\"");
    EXPECT_EQ(line, 4u);
    EXPECT_EQ(ErrorOf("standin-publication 1\npage\n\npage\n"),
              "line 3: expected \"page\" or \"shape <text>\", found an empty line");
    EXPECT_EQ(ErrorOf("standin-publication 1\r\npage\r\nshape bad \xC3\x28\r\n"),
              "line 3: the shape's text is not UTF-8");
}

// A two-page master is "master two-page", its left half's shapes, "right", its right half's;
// a file of the earlier format reads and writes as before, byte for byte.
TEST(StandinPublication, KeepsTwoPageMastersAndEveryEarlierFileAsItWas) {
    const std::string earlier =
        "standin-publication 1\r\nsize 400 600\r\nmaster\r\nshape Masthead\r\nat 36 20\r\n"
        "master\r\npage master 2\r\nshape a\r\npage\r\nscratch\r\nshape spare\r\n";
    const Publication old = ParsePublication(earlier);
    EXPECT_EQ(SerializePublication(old), earlier);
    ASSERT_EQ(old.masters.size(), 2u);
    EXPECT_FALSE(old.masters[0].right || old.masters[1].right);

    Publication spread;
    spread.masters = {
        Page{{{L"Left folio", 36, 760}}, 1, std::vector<Shape>{{L"Right folio", 560}}},
        Page{{L"Plain"}}, Page{{}, 1, std::vector<Shape>{}}};
    spread.pages = {Page{{}, 1}, Page{{L"x"}, 3}, Page{{}, 2}};
    const std::string bytes = SerializePublication(spread);
    EXPECT_EQ(bytes,
              "standin-publication 1\r\nmaster two-page\r\nshape Left folio\r\nat 36 760\r\n"
              "right\r\nshape Right folio\r\nat 560 0\r\nmaster\r\nshape Plain\r\n"
              "master two-page\r\nright\r\npage\r\npage master 3\r\nshape x\r\n"
              "page master 2\r\n");
    EXPECT_EQ(ParsePublication(bytes), spread);
    Publication halved = spread;
    halved.masters[2].right.reset();
    EXPECT_NE(halved, spread) << "equality does not see a two-page master";
    EXPECT_EQ(ErrorOf("standin-publication 1\nmaster\nright\n"),
              "line 3: a \"right\" line outside a \"master two-page\"");
}

// A publication whose pages are as given; everything else as a new publication has it.
Publication WithPages(std::vector<Page> pages) {
    Publication publication;
    publication.pages = std::move(pages);
    return publication;
}

Page PageWith(std::vector<Shape> shapes, Fill background = {}, bool ignoreMaster = false) {
    Page page{std::move(shapes)};
    page.background = std::move(background);
    page.ignoreMaster = ignoreMaster;
    return page;
}

std::vector<Section> SectionsOf(std::initializer_list<Section> sections) {
    return sections;
}

struct NewLineCase {
    const char* what;
    std::string file;  // canonical: written back byte for byte
    Publication publication;
};

// Each newsletter line reads into the model and writes back exactly as it was.
TEST(StandinPublication, ReadsAndWritesBackEachNewsletterLineExactly) {
    const std::string head = "standin-publication 1\r\n";
    Publication ocean = WithPages({Page{}});
    ocean.colorScheme = L"Ocean";
    Publication sized = ocean;
    sized.width = 400;
    sized.height = 600;
    Publication sectioned = WithPages({Page{}, Page{}, Page{}, Page{}});
    sectioned.sections = SectionsOf({{1, 1, PageNumberFormat::LowerRoman, false},
                                     {2, 5, PageNumberFormat::Arabic, false},
                                     {3, 1, PageNumberFormat::UpperLetter, true},
                                     {4, 9999, PageNumberFormat::LowerLetter, false}});
    Publication oneSection = WithPages({Page{}});
    oneSection.sections = SectionsOf({{1, 3, PageNumberFormat::UpperRoman, false}});
    Publication scratchFill = WithPages({Page{}});
    scratchFill.scratch = {Shape(L"spare", 0, 0, Fill::Scheme(2))};
    Publication masterFill = WithPages({Page{}});
    masterFill.masters = {Page{{Shape(L"Masthead", 0, 0, Fill::Rgb(0x336699))}}};
    const std::vector<NewLineCase> cases = {
        {"scheme", head + "scheme Ocean\r\npage\r\n", ocean},
        {"scheme after size", head + "size 400 600\r\nscheme Ocean\r\npage\r\n", sized},
        {"sections in every format",
         head + "section 1 1 lower-roman\r\nsection 2 5 arabic\r\nsection 3 1 upper-letter "
                "continue\r\nsection 4 9999 lower-letter\r\npage\r\npage\r\npage\r\npage\r\n",
         sectioned},
        {"one section not as new", head + "section 1 3 upper-roman\r\npage\r\n", oneSection},
        {"ignore-master", head + "page\r\nignore-master\r\nshape a\r\n",
         WithPages({PageWith({L"a"}, {}, true)})},
        {"background rgb", head + "page\r\nbackground rgb 1A2B3C\r\n",
         WithPages({PageWith({}, Fill::Rgb(0x1A2B3C))})},
        {"background scheme", head + "page\r\nbackground scheme 8\r\n",
         WithPages({PageWith({}, Fill::Scheme(8))})},
        {"background picture", head + "page\r\nbackground picture C:\\Art\\caf\xC3\xA9 1.png\r\n",
         WithPages({PageWith({}, Fill::Picture(L"C:\\Art\\caf\u00e9 1.png"))})},
        {"ignore-master and background",
         head + "page\r\nignore-master\r\nbackground scheme 1\r\nshape x\r\n",
         WithPages({PageWith({L"x"}, Fill::Scheme(1), true)})},
        {"fill rgb after at", head + "page\r\nshape a\r\nat 10 20\r\nfill rgb 00FF00\r\n",
         WithPages({Page{{Shape(L"a", 10, 20, Fill::Rgb(0x00FF00))}}})},
        {"fill scheme", head + "page\r\nshape a\r\nfill scheme 3\r\nshape b\r\n",
         WithPages({Page{{Shape(L"a", 0, 0, Fill::Scheme(3)), Shape(L"b")}}})},
        {"fill in the scratch area", head + "page\r\nscratch\r\nshape spare\r\nfill scheme 2\r\n",
         scratchFill},
        {"fill on a master page", head + "master\r\nshape Masthead\r\nfill rgb 336699\r\npage\r\n",
         masterFill},
    };
    for (const NewLineCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParsePublication(c.file), c.publication);
        EXPECT_EQ(SerializePublication(c.publication), c.file);
    }
}

// A file without the new lines is as a new publication: on "Alpine", one arabic section from
// page 1, its pages showing their master pages, no backgrounds, no fills.
TEST(StandinPublication, ReadsAnEarlierFileAsANewPublicationInAllItDoesNotSay) {
    const Publication old = ParsePublication(
        "standin-publication 1\r\nsize 400 600\r\nmaster\r\nshape M\r\npage\r\nshape a\r\nat 1 "
        "2\r\npage master 1\r\nscratch\r\nshape s\r\n");
    EXPECT_EQ(old.colorScheme, L"Alpine");
    EXPECT_EQ(old.sections, std::vector<Section>{Section{}});
    EXPECT_EQ(old.sections[0], (Section{1, 1, PageNumberFormat::Arabic, false}));
    for (const Page& page : old.pages) {
        EXPECT_FALSE(page.ignoreMaster);
        EXPECT_EQ(page.background.kind, Fill::Kind::None);
    }
    for (const Shape& shape : {old.pages[0].shapes[0], old.masters[0].shapes[0], old.scratch[0]}) {
        EXPECT_EQ(shape.fill.kind, Fill::Kind::None);
    }
    EXPECT_EQ(Publication{}.colorScheme, ColorSchemeNames().front());
}

// The clipboard's payload is a one-page file: pasted shapes keep their fills, a scheme colour
// as its index (so that it takes the colours of the scheme it lands in).
TEST(StandinPublication, ShapesKeepTheirFillsThroughAOnePageFile) {
    const std::vector<Shape> copied = {Shape(L"a", 5, 5, Fill::Scheme(4)),
                                       Shape(L"b", 0, 0, Fill::Rgb(0xFFFFFF)), Shape(L"c")};
    const Publication pasted = ParsePublication(SerializePublication(WithPages({Page{copied}})));
    ASSERT_EQ(pasted.pages.size(), 1u);
    EXPECT_EQ(pasted.pages[0].shapes, copied);
    EXPECT_THROW(SerializePublication(WithPages({Page{{Shape(L"p", 0, 0, Fill::Picture(L"x"))}}})),
                 std::invalid_argument);
    EXPECT_THROW(SerializePublication(WithPages({PageWith({}, Fill::Picture(L"two\nlines"))})),
                 std::invalid_argument);
}

TEST(StandinPublication, NamesTheLineOfAMalformedNewsletterLine) {
    const std::string head = "standin-publication 1\n";
    const struct {
        std::string file;
        std::size_t line;
        std::string expected;
    } cases[] = {
        {head + "scheme Sunset\npage\n", 2, "expected \"scheme <name>\", the name one of Alpine"},
        {head + "scheme ocean\npage\n", 2, "expected \"scheme <name>\""},
        {head + "page\nscheme Ocean\n", 3, "a \"scheme\" line after a section, master or page"},
        {head + "scheme Ocean\nscheme Aqua\npage\n", 3, "a \"scheme\" line after"},
        {head + "section 1 1 arabic\nscheme Ocean\npage\n", 3, "a \"scheme\" line after"},
        {head + "section 1 1 Arabic\npage\n", 2, "expected \"section <start page>"},
        {head + "section 1 0 arabic\npage\n", 2, "expected \"section <start page>"},
        {head + "section 1 10000 arabic\npage\n", 2, "expected \"section <start page>"},
        {head + "section 0 1 arabic\npage\n", 2, "expected \"section <start page>"},
        {head + "section 1 1\npage\n", 2, "expected \"section <start page>"},
        {head + "section 1 1 arabic again\npage\n", 2, "expected \"section <start page>"},
        {head + "section 1 1 arabic continue\npage\n", 2,
         "the first section cannot continue one before it"},
        {head + "section 2 1 arabic\npage\npage\n", 2, "the first section starts at page 1, not 2"},
        {head + "section 1 1 arabic\nsection 3 1 arabic\nsection 2 1 arabic\npage\npage\npage\n", 4,
         "a section starts after the one before it, at a page past 3"},
        {head + "section 1 1 arabic\nsection 3 1 arabic\npage\npage\n", 3,
         "section start page 3 is past the last page (2)"},
        {head + "page\nsection 1 1 arabic\n", 3, "a \"section\" line after a master or page"},
        {head + "ignore-master\npage\n", 2, "a \"ignore-master\" line outside a page"},
        {head + "master\nignore-master\npage\n", 3, "a \"ignore-master\" line outside a page"},
        {head + "page\nshape a\nignore-master\n", 4,
         "a \"ignore-master\" line outside a page, or after its shapes"},
        {head + "page\nignore-master\nignore-master\n", 4, "a second \"ignore-master\""},
        {head + "page\nscratch\nbackground rgb 000000\n", 4,
         "a \"background\" line outside a page"},
        {head + "page\nbackground rgb 12345\n", 3, "expected one \"background rgb <RRGGBB>\""},
        {head + "page\nbackground rgb 12345G\n", 3, "expected one \"background rgb"},
        {head + "page\nbackground scheme 9\n", 3, "expected one \"background rgb"},
        {head + "page\nbackground scheme 0\n", 3, "expected one \"background rgb"},
        {head + "page\nbackground picture\n", 3, "expected one \"background rgb"},
        {head + "page\nbackground scheme 1\nbackground scheme 2\n", 4,
         "expected one \"background rgb"},
        {head + "page\nfill rgb FF0000\n", 3, "expected one \"fill rgb <RRGGBB>\""},
        {head + "page\nshape a\nfill picture x.png\n", 4, "expected one \"fill rgb"},
        {head + "page\nshape a\nfill scheme 1\nfill scheme 2\n", 5, "expected one \"fill rgb"},
        {head + "page\nshape a\nfill 00FF00\n", 4, "expected one \"fill rgb"},
        {head + "size 17353 600\npage\n", 2,
         "expected \"size <width> <height>\" in points from 0 to 17352"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::size_t line = 0;
        const std::string error = ErrorOf(c.file, &line);
        EXPECT_EQ(line, c.line) << error;
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ": " + c.expected, 0), 0u)
            << error;
    }
}

TEST(StandinPublication, NumbersPagesByTheirSections) {
    using F = PageNumberFormat;
    const std::vector<Section> roman = {{1, 1, F::LowerRoman, false}, {4, 1, F::Arabic, false}};
    const std::vector<Section> goingOn = {
        {1, 5, F::Arabic, false}, {3, 1, F::UpperRoman, true}, {5, 2, F::UpperLetter, true}};
    const std::vector<Section> restarts = {{1, 1, F::Arabic, false},
                                           {2, 24, F::LowerLetter, false}};
    const struct {
        const std::vector<Section>* sections;
        std::size_t page;
        std::wstring number;
    } cases[] = {
        {&roman, 1, L"i"},      {&roman, 2, L"ii"},   {&roman, 3, L"iii"},  {&roman, 4, L"1"},
        {&roman, 5, L"2"},      {&goingOn, 1, L"5"},  {&goingOn, 2, L"6"},  {&goingOn, 3, L"VII"},
        {&goingOn, 4, L"VIII"}, {&goingOn, 5, L"I"},  {&goingOn, 6, L"J"},  {&restarts, 1, L"1"},
        {&restarts, 2, L"x"},   {&restarts, 3, L"y"}, {&restarts, 4, L"z"}, {&restarts, 5, L"aa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(PageNumberOf(*c.sections, c.page), c.number);
    }
    EXPECT_EQ(PageNumberOf(std::vector<Section>(1), 12), L"12");
    EXPECT_EQ(StartNumberOf(goingOn, 2), 9);
}

TEST(StandinPublication, WritesPageNumbersInEachFormat) {
    using F = PageNumberFormat;
    const struct {
        int number;
        F format;
        std::wstring text;
    } cases[] = {
        {1, F::Arabic, L"1"},
        {1994, F::Arabic, L"1994"},
        {4, F::UpperRoman, L"IV"},
        {9, F::UpperRoman, L"IX"},
        {14, F::LowerRoman, L"xiv"},
        {1994, F::UpperRoman, L"MCMXCIV"},
        {3999, F::LowerRoman, L"mmmcmxcix"},
        {1, F::UpperLetter, L"A"},
        {26, F::UpperLetter, L"Z"},
        {27, F::UpperLetter, L"AA"},
        {52, F::LowerLetter, L"zz"},
        {53, F::LowerLetter, L"aaa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(FormatPageNumber(c.number, c.format), c.text);
    }
    for (long value : {0L, 1L, 2L, 3L, 4L}) EXPECT_TRUE(IsPageNumberFormat(value)) << value;
    for (long value : {-1L, 5L, 58L}) EXPECT_FALSE(IsPageNumberFormat(value)) << value;
}

TEST(StandinPublication, NewPagesJoinTheSectionOfThePageTheyFollow) {
    const struct {
        std::size_t after;
        std::size_t count;
        std::vector<std::size_t> starts;  // of sections starting at 1, 3 and 5 before
    } cases[] = {{0, 2, {1, 5, 7}}, {1, 1, {1, 4, 6}}, {2, 3, {1, 6, 8}},
                 {4, 1, {1, 3, 6}}, {5, 2, {1, 3, 5}}, {6, 4, {1, 3, 5}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        std::vector<Section> sections = {{1}, {3}, {5}};
        PagesInserted(sections, c.after, c.count);
        std::vector<std::size_t> starts;
        for (const Section& section : sections) starts.push_back(section.startPage);
        EXPECT_EQ(starts, c.starts);
    }
}

// PageWidth and PageHeight: "from zero to the difference between the sheet width and the page
// width", on the stand-in's sheet of 17352 points.
TEST(StandinPublication, FitsAPageDimensionOnTheSheetBesideThePageItHas) {
    const struct {
        double points, current;
        bool fits;
    } cases[] = {{0, 612, true},   {16740, 612, true},  {16740.5, 612, false}, {-1, 612, false},
                 {17352, 0, true}, {17352.5, 0, false}, {612, 17000, false},   {352, 17000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.points) + " beside " + std::to_string(c.current));
        EXPECT_EQ(FitsSheet(c.points, c.current, kSheetWidth), c.fits);
    }
    EXPECT_TRUE(IsFileDimension(0));
    EXPECT_TRUE(IsFileDimension(17352));
    EXPECT_FALSE(IsFileDimension(17353));
    EXPECT_FALSE(IsFileDimension(-0.5));
    EXPECT_EQ(ParsePublication("standin-publication 1\nsize 0 17352\npage\n").height, 17352);
}

TEST(StandinPublication, RefusesToSerializeALineBreakInAShape) {
    EXPECT_THROW(SerializePublication(Publication{{}, {}, {Page{{L"two\nlines"}}}}),
                 std::invalid_argument);
}

TEST(StandinPublication, DerivesNamePathAndFullName) {
    EXPECT_EQ(NameFromFullName(L"C:\\Docs\\R\u00e9sum\u00e9.pub"), L"R\u00e9sum\u00e9.pub");
    EXPECT_EQ(PathFromFullName(L"C:\\Docs\\Sub\\Report.pub"), L"C:\\Docs\\Sub");
    EXPECT_EQ(PathFromFullName(L"C:\\Report.pub"), L"C:\\");
    EXPECT_EQ(PathFromFullName(L"\\\\server\\share\\Report.pub"), L"\\\\server\\share");
    EXPECT_EQ(PathFromFullName(L"Report.pub"), L"");
    EXPECT_EQ(NameFromFullName(L"Report.pub"), L"Report.pub");

    EXPECT_EQ(FullNameOf(Publication{L"Report.pub", L"C:\\Docs", {}}), L"C:\\Docs\\Report.pub");
    EXPECT_EQ(FullNameOf(Publication{L"Report.pub", L"C:\\", {}}), L"C:\\Report.pub");
    EXPECT_EQ(FullNameOf(Publication{L"Publication1", L"", {}}), L"Publication1");
    for (const std::wstring full : {L"C:\\Docs\\Report.pub", L"C:\\Report.pub"}) {
        EXPECT_EQ(FullNameOf(Publication{NameFromFullName(full), PathFromFullName(full), {}}),
                  full);
    }
}

TEST(StandinPublication, ConvertsUtf8BothWaysAndRejectsMalformedBytes) {
    EXPECT_EQ(FromUtf8(kAccentedUtf8), kAccented);
    EXPECT_EQ(ToUtf8(kAccented), kAccentedUtf8);
    EXPECT_THROW(FromUtf8("\xC0\xAF"), std::invalid_argument);          // overlong '/'
    EXPECT_THROW(FromUtf8("\xED\xA0\x80"), std::invalid_argument);      // a surrogate
    EXPECT_THROW(FromUtf8("\xF0\x9F\x98"), std::invalid_argument);      // cut short
    EXPECT_THROW(FromUtf8("\xF4\x90\x80\x80"), std::invalid_argument);  // past U+10FFFF
}

}  // namespace
}  // namespace standin
