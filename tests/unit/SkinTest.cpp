#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Skin.h"

namespace kelbrook {
namespace {

std::wstring Rejection(const std::string& text) {
    try {
        ParseSkin(text);
    } catch (const Failure& f) {
        return f.Description();
    }
    return L"(accepted)";
}

TEST(ParseSkin, ReadsColoursAndFontWithCommentsAndCrLf) {
    const SkinStyle style = ParseSkin(
        "\xEF\xBB\xBF; a skin\r\nKelbrookSkin 1\r\n\r\n# colours\r\nBackground = #F4F1EA\r\n"
        "Text=#20303c\r\nFont = Tahoma\r\n");
    EXPECT_EQ(*style.background, 0xEAF1F4u);
    EXPECT_EQ(*style.text, 0x3C3020u);
    EXPECT_EQ(*style.fontFace, L"Tahoma");
}

TEST(ParseSkin, RejectsWhatIsNoSkinNamingTheLine) {
    EXPECT_EQ(Rejection("Background=#000000"),
              L"Invalid skin file, line 1: expected \"KelbrookSkin 1\"");
    EXPECT_EQ(Rejection(""), L"Invalid skin file: the header \"KelbrookSkin 1\" is missing");
    EXPECT_EQ(Rejection("KelbrookSkin 1\n"), L"Invalid skin file: it sets nothing");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nBackground=#12345\n"),
              L"Invalid skin file, line 2: a colour must be #RRGGBB");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nBackground=#GG0000\n"),
              L"Invalid skin file, line 2: a colour must be #RRGGBB");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nGlow=#000000\n"),
              L"Invalid skin file, line 2: unknown name \"Glow\"");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nText=#000000\nText=#000000\n"),
              L"Invalid skin file, line 3: Text given twice");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nFont\n"),
              L"Invalid skin file, line 2: expected Name = Value");
    EXPECT_EQ(Rejection(std::string("KelbrookSkin 1\0\x01", 16)),
              L"Invalid skin file: not a text file");
    EXPECT_EQ(Rejection("KelbrookSkin 1\nFont = " + std::string(40, 'A') + "\n"),
              L"Invalid skin file, line 2: a font face has 1 to 31 characters");
}

}  // namespace
}  // namespace kelbrook
