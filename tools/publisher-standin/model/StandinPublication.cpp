#include "StandinPublication.h"

#include "StandinFileLines.h"
#include "StandinStories.h"

#include <charconv>
#include <system_error>

#include <algorithm>
#include <optional>

namespace standin {
namespace {

constexpr std::string_view kHeader = "standin-publication 1";
constexpr std::string_view kHeaderWord = "standin-publication";
constexpr std::string_view kPage = "page";
constexpr std::string_view kShape = "shape";

}  // namespace

namespace file {

std::string Quoted(std::string_view line) {
    try {
        std::wstring wide = FromUtf8(line);
        if (wide.size() > 40) wide = wide.substr(0, 40) + L"...";
        return " \"" + ToUtf8(wide) + "\"";
    } catch (const std::invalid_argument&) {
        return "";
    }
}

std::string Found(std::string_view line) {
    return line.empty() ? std::string(" an empty line") : Quoted(line);
}

std::optional<std::string_view> After(std::string_view line, std::string_view word) {
    if (!line.starts_with(word)) return std::nullopt;
    if (line.size() == word.size()) return std::string_view();
    if (line[word.size()] != ' ') return std::nullopt;
    return line.substr(word.size() + 1);
}

}  // namespace file

FormatError::FormatError(std::size_t line, const std::string& description)
    : std::runtime_error("line " + std::to_string(line) + ": " + description), line_(line) {}

bool IsFileDimension(double points) {
    return points >= 0 && points <= std::max(kSheetWidth, kSheetHeight);
}

bool FitsSheet(double points, double current, double sheet) {
    return points >= 0 && points <= sheet - current;
}

namespace {

// "<number>" with a decimal point, whatever the locale.
bool ParsePoints(std::string_view text, double& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && IsFileDimension(value);
}

std::string FormatPoints(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("612");
}

constexpr std::string_view kSize = "size";
constexpr std::string_view kMaster = "master";
constexpr std::string_view kTwoPageMaster = "master two-page";
constexpr std::string_view kRight = "right";
constexpr std::string_view kAt = "at";
constexpr std::string_view kScratch = "scratch";

// "<number>" for a position: any finite number of points.
bool ParsePosition(std::string_view text, double& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > -1e6 && value < 1e6;
}

std::string FormatNumber(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

void AppendShapes(std::string& out, const std::vector<Shape>& shapes) {
    for (const Shape& shape : shapes) {
        if (shape.text.find_first_of(L"\r\n") != std::wstring::npos) {
            throw std::invalid_argument("a shape's text holds a line break: " + ToUtf8(shape.text));
        }
        out += kShape;
        out += ' ';
        if (shape.story == 0) out += ToUtf8(shape.text);  // a linked frame's text is its story's
        out += "\r\n";
        if (shape.left != 0 || shape.top != 0) {
            out += std::string(kAt) + ' ' + FormatNumber(shape.left) + ' ' +
                   FormatNumber(shape.top) + "\r\n";
        }
        if (shape.fill.kind == Fill::Kind::Picture) {
            throw std::invalid_argument("a shape's fill cannot be a picture: " +
                                        ToUtf8(shape.text));
        }
        if (shape.fill.kind != Fill::Kind::None) {
            out += "fill ";
            file::AppendFill(out, shape.fill);
            out += "\r\n";
        }
        file::AppendFrame(out, shape);
    }
}

}  // namespace

std::vector<std::wstring> TextsOf(const Page& page) {
    std::vector<std::wstring> texts;
    for (const Shape& shape : page.shapes) texts.push_back(shape.text);
    return texts;
}

namespace {

using file::Found;
using file::Quoted;
using file::Reading;
using file::Where;

bool ReadSize(Reading& reading, std::string_view line) {
    if (reading.number != 2 || !line.starts_with(std::string(kSize) + ' ')) return false;
    const std::string_view sizes = line.substr(kSize.size() + 1);
    const std::size_t blank = sizes.find(' ');
    Publication& publication = reading.publication;
    if (blank == std::string_view::npos ||
        !ParsePoints(sizes.substr(0, blank), publication.width) ||
        !ParsePoints(sizes.substr(blank + 1), publication.height)) {
        throw FormatError(
            reading.number,
            "expected \"size <width> <height>\" in points from 0 to 17352, found" + Quoted(line));
    }
    return true;
}

bool ReadMaster(Reading& reading, std::string_view line) {
    if (line != kMaster && line != kTwoPageMaster) return false;
    Publication& publication = reading.publication;
    if (!publication.pages.empty() || reading.where == Where::Scratch) {
        throw FormatError(reading.number, "a \"master\" line after the first \"page\"");
    }
    if (!reading.ownMasters) publication.masters.clear();
    reading.ownMasters = true;
    publication.masters.emplace_back();
    if (line == kTwoPageMaster) publication.masters.back().right.emplace();
    reading.shapes = &publication.masters.back().shapes;
    reading.where = Where::Master;
    return true;
}

// The right half of the two-page master before.
bool ReadRight(Reading& reading, std::string_view line) {
    if (line != kRight) return false;
    std::vector<Page>& masters = reading.publication.masters;
    if (reading.where != Where::Master || !masters.back().right ||
        reading.shapes != &masters.back().shapes) {
        throw FormatError(reading.number, "a \"right\" line outside a \"master two-page\"");
    }
    reading.shapes = &*masters.back().right;
    return true;
}

bool ReadPage(Reading& reading, std::string_view line) {
    if (line != kPage && !line.starts_with(std::string(kPage) + " master ")) return false;
    if (reading.where == Where::Scratch) {
        throw FormatError(reading.number, "a \"page\" line after \"scratch\"");
    }
    Publication& publication = reading.publication;
    Page page;
    if (line != kPage) {
        const std::string_view index = line.substr(kPage.size() + 8);
        int master = 0;
        const auto [end, error] =
            std::from_chars(index.data(), index.data() + index.size(), master);
        if (error != std::errc() || end != index.data() + index.size() || master < 1 ||
            static_cast<std::size_t>(master) > publication.masters.size()) {
            throw FormatError(reading.number, "expected \"page master <n>\" with n from 1 to " +
                                                  std::to_string(publication.masters.size()) +
                                                  ", found" + Quoted(line));
        }
        page.master = master;
    }
    publication.pages.push_back(std::move(page));
    reading.shapes = &publication.pages.back().shapes;
    reading.where = Where::Page;
    return true;
}

bool ReadScratch(Reading& reading, std::string_view line) {
    if (line != kScratch) return false;
    if (reading.where == Where::Scratch) {
        throw FormatError(reading.number, "a second \"scratch\" line");
    }
    reading.shapes = &reading.publication.scratch;
    reading.where = Where::Scratch;
    return true;
}

bool ReadShape(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> text = file::After(line, kShape);
    if (!text) return false;
    if (reading.shapes == nullptr) {
        throw FormatError(reading.number, "a shape before the first \"page\" line");
    }
    try {
        reading.shapes->push_back(Shape(FromUtf8(*text)));
    } catch (const std::invalid_argument&) {
        throw FormatError(reading.number, "the shape's text is not UTF-8");
    }
    return true;
}

bool ReadAt(Reading& reading, std::string_view line) {
    if (!line.starts_with(std::string(kAt) + ' ')) return false;
    const std::string_view numbers = line.substr(kAt.size() + 1);
    const std::size_t blank = numbers.find(' ');
    double left = 0, top = 0;
    if (reading.shapes == nullptr || reading.shapes->empty() || blank == std::string_view::npos ||
        !ParsePosition(numbers.substr(0, blank), left) ||
        !ParsePosition(numbers.substr(blank + 1), top)) {
        throw FormatError(
            reading.number,
            "expected \"at <left> <top>\" in points after a \"shape\" line, found" + Quoted(line));
    }
    reading.shapes->back().left = left;
    reading.shapes->back().top = top;
    return true;
}

void ReadHeader(std::size_t number, std::string_view line) {
    if (line == kHeader) return;
    if (line.starts_with(kHeaderWord)) {
        throw FormatError(number, "unsupported version" + Quoted(line) +
                                      "; this stand-in reads \"standin-publication 1\"");
    }
    throw FormatError(number, "expected \"standin-publication 1\", found" + Found(line));
}

using LineReader = bool (*)(Reading&, std::string_view);
constexpr LineReader kLineReaders[] = {
    ReadSize,       ReadMaster,      ReadRight,          ReadPage,          ReadScratch,
    ReadShape,      ReadAt,          file::ReadScheme,   file::ReadSection, file::ReadPageAttribute,
    file::ReadFill, file::ReadStory, file::ReadCapacity, file::ReadLink};

}  // namespace

Publication ParsePublication(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    Publication publication;
    Reading reading{publication};
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = utf8.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (++reading.number == 1) {
            ReadHeader(reading.number, line);
            continue;
        }
        bool read = false;
        for (const LineReader reader : kLineReaders) {
            if ((read = reader(reading, line))) break;
        }
        if (!read) {
            throw FormatError(reading.number,
                              "expected \"page\" or \"shape <text>\", found" + Found(line));
        }
    }
    if (reading.number == 0) {
        throw FormatError(1, "the file is empty; expected \"standin-publication 1\"");
    }
    file::CheckSections(reading);
    file::CheckStories(reading);
    return publication;
}

std::string SerializePublication(const Publication& unflowed) {
    Publication publication = unflowed;  // its stories numbered as a reader expects them
    FlowStories(publication);
    std::string out(kHeader);
    out += "\r\n";
    if (publication.width != kDefaultPageWidth || publication.height != kDefaultPageHeight) {
        out += std::string(kSize) + ' ' + FormatPoints(publication.width) + ' ' +
               FormatPoints(publication.height) + "\r\n";
    }
    file::AppendSchemeAndSections(out, publication);
    file::AppendStories(out, publication);
    if (publication.masters != std::vector<Page>(1)) {
        for (const Page& master : publication.masters) {
            out += master.right ? kTwoPageMaster : kMaster;
            out += "\r\n";
            AppendShapes(out, master.shapes);
            if (!master.right) continue;
            out += kRight;
            out += "\r\n";
            AppendShapes(out, *master.right);
        }
    }
    for (const Page& page : publication.pages) {
        out += kPage;
        if (page.master != 1) out += " master " + std::to_string(page.master);
        out += "\r\n";
        file::AppendPageAttributes(out, page);
        AppendShapes(out, page.shapes);
    }
    if (!publication.scratch.empty()) {
        out += kScratch;
        out += "\r\n";
        AppendShapes(out, publication.scratch);
    }
    return out;
}

}  // namespace standin
