// The stand-in Publisher's publication: what a document holds and how it is stored in a file.
// Portable C++: no <windows.h>, so that native unit tests can use it too.
//
// The file (UTF-8 text, lines end in CR LF or LF):
//   standin-publication 1
//   size <width> <height>      (points; only when not the default 612 x 792)
//   master                     (the master pages, each with its shapes; only when they are
//   shape <text>                not the one empty master page a new publication has)
//   master two-page            (a two-page master: its left half's shapes, then after "right"
//   shape <text>                its right half's)
//   right
//   shape <text>
//   page                       (a page on master page 1)
//   shape <text>
//   at <left> <top>            (the position of the shape before, in points; only when not 0 0)
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

// A shape: its text and its position, in points from the page's top left corner.
struct Shape {
    std::wstring text;
    double left = 0;
    double top = 0;
    Shape() = default;
    Shape(std::wstring text, double left = 0, double top = 0)
        : text(std::move(text)), left(left), top(top) {}
    Shape(const wchar_t* text) : text(text) {}
    bool operator==(const Shape&) const = default;
};

struct Page {
    std::vector<Shape> shapes;  // in the page's order
    int master = 1;             // the page's master page, 1-based (ignored on master pages)
    // A two-page master's right half (its left half is `shapes`); nothing on a one-page master
    // and on an ordinary page. A page on a two-page master shows the half on its side of the
    // spread: the first page is a right-hand page, the second a left-hand one, and so on.
    std::optional<std::vector<Shape>> right = std::nullopt;
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

// Publisher's range check of a page dimension, in points.
bool IsPageDimension(double points);

struct Publication {
    std::wstring name;  // "Report.pub", or the unsaved name ("Publication1")
    std::wstring path;  // "C:\Docs", "C:\" for a drive root, empty when never saved
    std::vector<Page> pages;
    double width = kDefaultPageWidth;  // the page size, in points
    double height = kDefaultPageHeight;
    std::vector<Page> masters = std::vector<Page>(1);  // a new publication has one, empty
    std::vector<Shape> scratch = {};                   // the scratch area's shapes
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

// The file's contents, lines ending in CR LF; the size line only for a size other than the
// default. Throws std::invalid_argument when a shape's text contains a line break, which the
// format cannot hold.
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
