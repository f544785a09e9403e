#include "StandinPublication.h"

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

// Decodes one code point at text[i], advancing i; nullopt when the bytes are not UTF-8.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - i < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    i += length;
    return code;
}

void AppendWide(std::wstring& out, char32_t code) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(code));
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// A line as quoted in an error: at most 40 characters, or nothing when it is not UTF-8.
std::string Quoted(std::string_view line) {
    try {
        std::wstring wide = FromUtf8(line);
        if (wide.size() > 40) wide = wide.substr(0, 40) + L"...";
        return " \"" + ToUtf8(wide) + "\"";
    } catch (const std::invalid_argument&) {
        return "";
    }
}

}  // namespace

FormatError::FormatError(std::size_t line, const std::string& description)
    : std::runtime_error("line " + std::to_string(line) + ": " + description), line_(line) {}

std::wstring FromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const std::optional<char32_t> code = DecodeUtf8(utf8, i);
        if (!code) {
            throw std::invalid_argument("not UTF-8 at byte " + std::to_string(at));
        }
        AppendWide(out, *code);
    }
    return out;
}

std::string ToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                wide[i + 1] <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
                ++i;
            }
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
        AppendUtf8(out, code);
    }
    return out;
}

bool IsPageDimension(double points) {
    return points >= 1 && points <= 4000;
}

namespace {

// "<number>" with a decimal point, whatever the locale.
bool ParsePoints(std::string_view text, double& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && IsPageDimension(value);
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
        out += ToUtf8(shape.text);
        out += "\r\n";
        if (shape.left != 0 || shape.top != 0) {
            out += std::string(kAt) + ' ' + FormatNumber(shape.left) + ' ' +
                   FormatNumber(shape.top) + "\r\n";
        }
    }
}

}  // namespace

std::vector<std::wstring> TextsOf(const Page& page) {
    std::vector<std::wstring> texts;
    for (const Shape& shape : page.shapes) texts.push_back(shape.text);
    return texts;
}

Publication ParsePublication(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    Publication publication;
    enum class Where { Nowhere, Master, Page, Scratch } where = Where::Nowhere;
    std::vector<Shape>* shapes = nullptr;  // where a "shape" line goes
    bool ownMasters = false;               // the file names its master pages
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = utf8.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        ++number;

        if (number == 1) {
            if (line == kHeader) continue;
            if (line.starts_with(kHeaderWord)) {
                throw FormatError(number, "unsupported version" + Quoted(line) +
                                              "; this stand-in reads \"standin-publication 1\"");
            }
            throw FormatError(number,
                              "expected \"standin-publication 1\", found" +
                                  (line.empty() ? std::string(" an empty line") : Quoted(line)));
        }
        if (number == 2 && line.starts_with(std::string(kSize) + ' ')) {
            const std::string_view sizes = line.substr(kSize.size() + 1);
            const std::size_t blank = sizes.find(' ');
            if (blank == std::string_view::npos ||
                !ParsePoints(sizes.substr(0, blank), publication.width) ||
                !ParsePoints(sizes.substr(blank + 1), publication.height)) {
                throw FormatError(number,
                                  "expected \"size <width> <height>\" in points from 1 to "
                                  "4000, found" +
                                      Quoted(line));
            }
            continue;
        }
        if (line == kMaster || line == kTwoPageMaster) {
            if (!publication.pages.empty() || where == Where::Scratch) {
                throw FormatError(number, "a \"master\" line after the first \"page\"");
            }
            if (!ownMasters) publication.masters.clear();
            ownMasters = true;
            publication.masters.emplace_back();
            if (line == kTwoPageMaster) publication.masters.back().right.emplace();
            shapes = &publication.masters.back().shapes;
            where = Where::Master;
            continue;
        }
        if (line == kRight) {  // the right half of the two-page master before
            if (where != Where::Master || !publication.masters.back().right ||
                shapes != &publication.masters.back().shapes) {
                throw FormatError(number, "a \"right\" line outside a \"master two-page\"");
            }
            shapes = &*publication.masters.back().right;
            continue;
        }
        if (line == kPage || line.starts_with(std::string(kPage) + " master ")) {
            if (where == Where::Scratch) {
                throw FormatError(number, "a \"page\" line after \"scratch\"");
            }
            Page page;
            if (line != kPage) {
                const std::string_view index = line.substr(kPage.size() + 8);
                int master = 0;
                const auto [end, error] =
                    std::from_chars(index.data(), index.data() + index.size(), master);
                if (error != std::errc() || end != index.data() + index.size() || master < 1 ||
                    static_cast<std::size_t>(master) > publication.masters.size()) {
                    throw FormatError(number, "expected \"page master <n>\" with n from 1 to " +
                                                  std::to_string(publication.masters.size()) +
                                                  ", found" + Quoted(line));
                }
                page.master = master;
            }
            publication.pages.push_back(std::move(page));
            shapes = &publication.pages.back().shapes;
            where = Where::Page;
            continue;
        }
        if (line == kScratch) {
            if (where == Where::Scratch) throw FormatError(number, "a second \"scratch\" line");
            shapes = &publication.scratch;
            where = Where::Scratch;
            continue;
        }
        if (line == kShape || line.starts_with(std::string(kShape) + ' ')) {
            if (shapes == nullptr) {
                throw FormatError(number, "a shape before the first \"page\" line");
            }
            const std::string_view text = line.substr(std::min(line.size(), kShape.size() + 1));
            try {
                shapes->push_back(Shape(FromUtf8(text)));
            } catch (const std::invalid_argument&) {
                throw FormatError(number, "the shape's text is not UTF-8");
            }
            continue;
        }
        if (line.starts_with(std::string(kAt) + ' ')) {
            const std::string_view numbers = line.substr(kAt.size() + 1);
            const std::size_t blank = numbers.find(' ');
            double left = 0, top = 0;
            if (shapes == nullptr || shapes->empty() || blank == std::string_view::npos ||
                !ParsePosition(numbers.substr(0, blank), left) ||
                !ParsePosition(numbers.substr(blank + 1), top)) {
                throw FormatError(number,
                                  "expected \"at <left> <top>\" in points after a "
                                  "\"shape\" line, found" +
                                      Quoted(line));
            }
            shapes->back().left = left;
            shapes->back().top = top;
            continue;
        }
        throw FormatError(number,
                          "expected \"page\" or \"shape <text>\", found" +
                              (line.empty() ? std::string(" an empty line") : Quoted(line)));
    }
    if (number == 0) throw FormatError(1, "the file is empty; expected \"standin-publication 1\"");
    return publication;
}

std::string SerializePublication(const Publication& publication) {
    std::string out(kHeader);
    out += "\r\n";
    if (publication.width != kDefaultPageWidth || publication.height != kDefaultPageHeight) {
        out += std::string(kSize) + ' ' + FormatPoints(publication.width) + ' ' +
               FormatPoints(publication.height) + "\r\n";
    }
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
        AppendShapes(out, page.shapes);
    }
    if (!publication.scratch.empty()) {
        out += kScratch;
        out += "\r\n";
        AppendShapes(out, publication.scratch);
    }
    return out;
}

std::wstring NameFromFullName(std::wstring_view fullName) {
    std::size_t i = fullName.size();
    while (i > 0 && !IsSeparator(fullName[i - 1])) --i;
    return std::wstring(fullName.substr(i));
}

std::wstring PathFromFullName(std::wstring_view fullName) {
    std::size_t i = fullName.size();
    while (i > 0 && !IsSeparator(fullName[i - 1])) --i;
    if (i == 0) return {};
    std::wstring_view folder = fullName.substr(0, i - 1);
    // "C:" is the drive's current folder, not its root: the root keeps its backslash.
    if (folder.size() == 2 && folder[1] == L':') return std::wstring(folder) + L'\\';
    if (folder.empty()) return std::wstring(1, L'\\');
    return std::wstring(folder);
}

std::wstring FullNameOf(const Publication& publication) {
    if (publication.path.empty()) return publication.name;
    if (IsSeparator(publication.path.back())) return publication.path + publication.name;
    return publication.path + L'\\' + publication.name;
}

}  // namespace standin
