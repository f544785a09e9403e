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
