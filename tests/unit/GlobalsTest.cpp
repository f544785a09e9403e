#include <gtest/gtest.h>

#include "core/Globals.h"

namespace kelbrook {
namespace {

using Globals::CleanFileName;
using Globals::CollapseBackslashes;
using Globals::DropTrailingWord;
using Globals::ShortenApplicationTitle;

TEST(CollapseBackslashes, HalvesRunsOfBackslashesInsideAPath) {
    EXPECT_EQ(CollapseBackslashes(L"C:\\Docs\\\\Flyer"), L"C:\\Docs\\Flyer");
    EXPECT_EQ(CollapseBackslashes(L"C:\\a\\\\\\b"), L"C:\\a\\\\b");    // three become two
    EXPECT_EQ(CollapseBackslashes(L"C:\\a\\\\\\\\b"), L"C:\\a\\\\b");  // four become two
    EXPECT_EQ(CollapseBackslashes(L"C:\\Docs\\Flyer"), L"C:\\Docs\\Flyer");
    EXPECT_EQ(CollapseBackslashes(L"C:\\Docs\\"), L"C:\\Docs\\");
    EXPECT_EQ(CollapseBackslashes(L""), L"");
}

TEST(CollapseBackslashes, AnyLeadingRunBecomesTheTwoOfANetworkPath) {
    EXPECT_EQ(CollapseBackslashes(L"\\\\server\\share\\\\Flyer"), L"\\\\server\\share\\Flyer");
    EXPECT_EQ(CollapseBackslashes(L"\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(CollapseBackslashes(L"\\\\\\\\\\server"), L"\\\\server");
    EXPECT_EQ(CollapseBackslashes(L"\\\\\\\\"), L"\\\\");
    EXPECT_EQ(CollapseBackslashes(L"\\"), L"\\\\");
}

TEST(CleanFileName, RemovesEveryCharacterOfTheSetAndKeepsTheRest) {
    EXPECT_EQ(CleanFileName(L"My Flyer (v2.1) - final"), L"MyFlyerv21final");
    EXPECT_EQ(CleanFileName(L"big_news!"), L"big_news!");
    EXPECT_EQ(CleanFileName(L"Ünïcödé Заметка"), L"ÜnïcödéЗаметка");
    EXPECT_EQ(CleanFileName(L"$/\\*:?<>|#' .,\"()-+=%;}{\t"), L"");
    EXPECT_EQ(CleanFileName(L""), L"");
}

TEST(DropTrailingWord, DropsOnlyAnExactlyMatchingLastWord) {
    EXPECT_EQ(DropTrailingWord(L"Kelbrook Backup Software", L"Software"), L"Kelbrook Backup");
    EXPECT_EQ(DropTrailingWord(L"Kelbrook Backup software", L"Software"),
              L"Kelbrook Backup software");
    EXPECT_EQ(DropTrailingWord(L"Kelbrook", L"Software"), L"Kelbrook");
    EXPECT_EQ(DropTrailingWord(L"Software", L"Software"), L"Software");
}

TEST(DropTrailingWord, AnEmptyWordDropsTheLastWordAndTrims) {
    EXPECT_EQ(DropTrailingWord(L"  Kelbrook Backup Tool", L""), L"Kelbrook Backup");
    EXPECT_EQ(DropTrailingWord(L"Kelbrook ", L""), L"Kelbrook");
}

TEST(DropTrailingWord, ATrailingBlankLeavesTheTextUnlessTheWordIsEmpty) {
    EXPECT_EQ(DropTrailingWord(L" Kelbrook Software ", L"Software"), L" Kelbrook Software ");
}

TEST(ShortenApplicationTitle, CutsTheLastWordThenMoreUntilFortyCharacters) {
    EXPECT_EQ(ShortenApplicationTitle(L"Kelbrook"), L"Kelbrook");
    EXPECT_EQ(ShortenApplicationTitle(L"Kelbrook Backup Tool"), L"Kelbrook Backup");
    // 41 characters once the last word is gone: one more word goes.
    const std::wstring longName = L"Abcdefghij Abcdefghij Abcdefghij Abcdefgh Last";
    EXPECT_EQ(ShortenApplicationTitle(longName), L"Abcdefghij Abcdefghij Abcdefghij");
    // Exactly 40 once the last word is gone: nothing more.
    EXPECT_EQ(ShortenApplicationTitle(L"Abcdefghij Abcdefghij Abcdefghij Abcdefg Last"),
              L"Abcdefghij Abcdefghij Abcdefghij Abcdefg");
    // No blank left: a long single word stays whole.
    const std::wstring oneWord(50, L'x');
    EXPECT_EQ(ShortenApplicationTitle(oneWord + L" tail"), oneWord);
}

}  // namespace
}  // namespace kelbrook
