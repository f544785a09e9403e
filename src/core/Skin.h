// Kelbrook's skin file ("x\o.cjs" beside the program): a small text file of named values.
//
//   KelbrookSkin 1
//   ; comment lines start with ';' or '#'
//   Background = #F4F1EA     window, frames, option buttons and check boxes
//   Text       = #20303C     text of those controls
//   Font       = Tahoma      face of every font of the window (sizes stay)
//
// The first non-comment line must be "KelbrookSkin 1". Every other line is "Name = Value";
// names are the three above, each at most once, and at least one must be given. Colours
// are "#RRGGBB". Anything else makes the file invalid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelbrook {

// A colour as 0x00BBGGRR, or a system colour index with the high bit set (0x8000000F is
// the button face).
using Color = std::uint32_t;
inline constexpr Color kButtonFace = 0x8000000Fu;
inline constexpr Color kWhite = 0x00FFFFFFu;

struct SkinStyle {
    std::optional<Color> background;
    std::optional<Color> text;
    std::optional<std::wstring> fontFace;
};

// Parses a skin file's bytes (ASCII or UTF-8); raises a failure naming the bad line.
SkinStyle ParseSkin(const std::string& bytes);

}  // namespace kelbrook
