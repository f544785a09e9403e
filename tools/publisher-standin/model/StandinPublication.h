// The stand-in Publisher's publication: what a document holds and how it is stored in a file.
// Portable C++: no <windows.h>, so that native unit tests can use it too.
//
// The file (UTF-8 text, lines end in CR LF or LF; each optional line is written only when it
// says something a new publication does not have, so that older files keep their meaning):
//   standin-publication 1
//   size <width> <height>      (points, 0 to 17352 each; only when not 612 x 792)
//   scheme <name>              (the colour scheme, one of ColorSchemeNames(); only when not
//                               "Alpine", a new publication's)
//   section <start> <first> <format> [continue]
//                              (the page numbering, one line per section in page order, only
//                               when it is not one arabic section numbered from 1: <start> the
//                               page that heads it, 1-based, the first section's 1; <first>
//                               its first page number, 1 to 9999; <format> one of arabic,
//                               upper-roman, lower-roman, upper-letter, lower-letter;
//                               "continue": it goes on from the section before, whose numbers
//                               <first> then does not change; never on the first section)
//   story <text>               (the text of a chain of linked frames, story 1 first, numbered
//                               in the order their frames first come; a story has two frames
//                               or more, on pages or in the scratch area)
//   master                     (the master pages, each with its shapes; only when they are
//   shape <text>                not the one empty master page a new publication has)
//   master two-page            (a two-page master: its left half's shapes, then after "right"
//   shape <text>                its right half's)
//   right
//   shape <text>
//   page                       (a page on master page 1)
//   ignore-master              (the page does not show its master page; before its shapes)
//   background rgb <RRGGBB>    (the page's background, before its shapes: a solid colour as
//   background scheme <n>       six hex digits, a colour of the scheme (1 to 8), or a picture
//   background picture <file>   named by its file; none when absent)
//   shape <text>
//   at <left> <top>            (the position of the shape before, in points; only when not 0 0)
//   fill rgb <RRGGBB>          (the fill of the shape before: a solid colour, or a colour of
//   fill scheme <n>             the scheme, 1 to 8; no fill when absent; after its "at" line)
//   capacity <n>               (the frame before shows at most n characters; 1 to 1000000)
//   link <story> <place>       (the frame before is frame <place> of story <story>'s chain;
//                               its "shape" line holds no text: the story's flows into it)
//   page master <n>            (a page on master page n; a two-page master counts once)
//   ...
//   scratch                    (the scratch area's shapes; only when it has any)
//   shape <text>
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

// A fill: none, a solid colour (an RGB value, or one of the eight colours of the publication's
// colour scheme, which changes with the scheme), or a picture (page backgrounds only).
struct Fill {
    enum class Kind { None, Rgb, Scheme, Picture };
    Kind kind = Kind::None;
    unsigned rgb = 0;      // 0xRRGGBB, for Kind::Rgb
    int scheme = 0;        // PbSchemeColorIndex, 1 to 8, for Kind::Scheme
    std::wstring picture;  // the picture's file name, for Kind::Picture
    static Fill Rgb(unsigned rgb) { return Fill{Kind::Rgb, rgb & 0xFFFFFFu, 0, {}}; }
    static Fill Scheme(int index) { return Fill{Kind::Scheme, 0, index, {}}; }
    static Fill Picture(std::wstring file) { return Fill{Kind::Picture, 0, 0, std::move(file)}; }
    bool operator==(const Fill&) const = default;
};

// 0xRRGGBB (the model's) <-> Publisher's RGB Long (ColorFormat.RGB), red in its low byte.
inline long ComRgb(unsigned rgb) {
    return static_cast<long>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}
inline unsigned ModelRgb(long value) {
    const auto v = static_cast<unsigned>(value);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// pbSchemeColorMain (1) to pbSchemeColorAccent5 (8).
inline bool IsSchemeColor(long index) {
    return index >= 1 && index <= 8;
}

// A shape, a text frame: its text, its position, in points from the page's top left corner, and
// its fill. A frame of a chain of linked frames shows the part of its story that reaches it and
// fits it (see StandinStories.h): its text is that part, set by the story's flow.
struct Shape {
    std::wstring text;
    double left = 0;
    double top = 0;
    Fill fill = {};
    int capacity = 0;  // the characters the frame can show; 0: as many as it is given
    int story = 0;     // the 1-based story of the publication it is a frame of; 0: unlinked
    int place = 0;     // its 1-based place in its story's chain (0 when unlinked)
    long id = 0;       // Shape.ID, given by the instance that holds it: not stored, not compared
    Shape() = default;
    Shape(std::wstring text, double left = 0, double top = 0, Fill fill = {})
        : text(std::move(text)), left(left), top(top), fill(std::move(fill)) {}
    Shape(const wchar_t* text) : text(text) {}
    bool operator==(const Shape& other) const {
        return text == other.text && left == other.left && top == other.top && fill == other.fill &&
               capacity == other.capacity && story == other.story && place == other.place;
    }
};

struct Page {
    std::vector<Shape> shapes;  // in the page's order
    int master = 1;             // the page's master page, 1-based (ignored on master pages)
    // A two-page master's right half (its left half is `shapes`); nothing on a one-page master
    // and on an ordinary page. A page on a two-page master shows the half on its side of the
    // spread: the first page is a right-hand page, the second a left-hand one, and so on.
    std::optional<std::vector<Shape>> right = std::nullopt;
    bool ignoreMaster = false;  // the page does not show its master page (ordinary pages only)
    Fill background = {};       // none (no background), a solid colour or a picture
    bool operator==(const Page&) const = default;
};

// True when the page at this 0-based place in the pages is a right-hand page of a spread.
inline bool IsRightHandPage(std::size_t place) {
    return place % 2 == 0;
}

// The texts of a page's shapes, in order.
std::vector<std::wstring> TextsOf(const Page& page);

// A new publication's page: US Letter, in points.
inline constexpr double kDefaultPageWidth = 612;
inline constexpr double kDefaultPageHeight = 792;

// The stand-in's sheet, the largest page Publisher makes: 241 inches square, in points.
inline constexpr double kSheetWidth = 17352;
inline constexpr double kSheetHeight = 17352;

// A page dimension a file may hold: 0 to the sheet's, in points.
bool IsFileDimension(double points);
// Publisher's range check of a new page width (height): "from zero to the difference between
// the sheet width and the page width", the page's width being the one it has now.
bool FitsSheet(double points, double current, double sheet);

// The colour schemes the stand-in knows, by name, in the order ColorSchemes numbers them (1
// first); a new publication is on the first, "Alpine".
const std::vector<std::wstring>& ColorSchemeNames();
inline const std::wstring kDefaultColorScheme = L"Alpine";
bool IsColorScheme(std::wstring_view name);  // one of ColorSchemeNames(), exactly

// PbPageNumberFormat: the formats the stand-in numbers pages in (its only ones).
enum class PageNumberFormat {
    Arabic = 0,
    UpperRoman = 1,
    LowerRoman = 2,
    UpperLetter = 3,
    LowerLetter = 4
};
bool IsPageNumberFormat(long value);
// "7", "VII", "vii", "G", "g"; letters past Z double, then triple: 27 is "AA", 53 "AAA".
std::wstring FormatPageNumber(int number, PageNumberFormat format);
inline constexpr int kLargestPageNumberStart = 9999;

// A section of the pages, numbered on its own or going on from the section before.
struct Section {
    std::size_t startPage = 1;  // the 1-based index of the page that heads it
    int firstNumber = 1;        // its first page's number, unless it continues
    PageNumberFormat format = PageNumberFormat::Arabic;
    bool continues = false;  // goes on from the previous section's numbers (never the first)
    bool operator==(const Section&) const = default;
};

// The number the section at this 0-based place starts with: its firstNumber, or, when it
// continues, the number after the previous section's last page.
int StartNumberOf(const std::vector<Section>& sections, std::size_t section);
// The page number of the page at this 1-based index, in its section's format.
std::wstring PageNumberOf(const std::vector<Section>& sections, std::size_t page);
// The 0-based place of the section the page at this 1-based index is in.
std::size_t SectionOf(const std::vector<Section>& sections, std::size_t page);
// Count pages were inserted after page `after` (0: before the first): the sections keep the
// pages that head them, and the new pages join the section of the page they follow (the
// first section when they come first).
void PagesInserted(std::vector<Section>& sections, std::size_t after, std::size_t count);

struct Publication {
    std::wstring name;  // "Report.pub", or the unsaved name ("Publication1")
    std::wstring path;  // "C:\Docs", "C:\" for a drive root, empty when never saved
    std::vector<Page> pages;
    double width = kDefaultPageWidth;  // the page size, in points
    double height = kDefaultPageHeight;
    std::vector<Page> masters = std::vector<Page>(1);  // a new publication has one, empty
    std::vector<Shape> scratch = {};                   // the scratch area's shapes
    std::wstring colorScheme = kDefaultColorScheme;
    std::vector<Section> sections = std::vector<Section>(1);  // one, from page 1, arabic
    // The text of each story that flows through linked frames, story 1 first: numbered in the
    // order their frames first come (pages in order, then the scratch area).
    std::vector<std::wstring> stories = {};
    bool operator==(const Publication&) const = default;
};

// A file that does not follow the format. what() reads "line N: <what was expected>".
class FormatError : public std::runtime_error {
  public:
    FormatError(std::size_t line, const std::string& description);
    std::size_t line() const { return line_; }

  private:
    std::size_t line_;
};

// Reads a file's contents (a UTF-8 byte order mark is allowed). The result's name and path
// are empty: they come from where the file is. Throws FormatError.
Publication ParsePublication(std::string_view utf8);

// The file's contents, lines ending in CR LF; the optional lines only where they differ from a
// new publication. Throws std::invalid_argument when a shape's text or a picture's file name
// contains a line break, which the format cannot hold.
std::string SerializePublication(const Publication& publication);

// "C:\Docs\Report.pub" -> "Report.pub". Both '\' and '/' separate.
std::wstring NameFromFullName(std::wstring_view fullName);
// "C:\Docs\Report.pub" -> "C:\Docs"; "C:\Report.pub" -> "C:\"; "Report.pub" -> "".
std::wstring PathFromFullName(std::wstring_view fullName);
// The inverse: path and name joined by one '\'; the name alone when the path is empty.
std::wstring FullNameOf(const Publication& publication);

// UTF-8 <-> wide text (UTF-16 where wchar_t has 16 bits, UTF-32 elsewhere).
// FromUtf8 throws std::invalid_argument on malformed input; ToUtf8 writes U+FFFD for a lone
// surrogate.
std::wstring FromUtf8(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);

}  // namespace standin
