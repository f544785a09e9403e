// What a newsletter holds beyond its pages' shapes: its colour scheme, its sections and their
// page numbers, pages that ignore their master page, page backgrounds and shape fills; and the
// file lines that store them.
#include "StandinPublication.h"

#include "StandinFileLines.h"

#include <charconv>
#include <cstdio>
#include <system_error>

namespace standin {

const std::vector<std::wstring>& ColorSchemeNames() {
    static const std::vector<std::wstring> names = {L"Alpine", L"Aqua",   L"Berry", L"Citrus",
                                                    L"Field",  L"Marine", L"Ocean", L"Orchid"};
    return names;
}

bool IsColorScheme(std::wstring_view name) {
    for (const std::wstring& known : ColorSchemeNames()) {
        if (known == name) return true;
    }
    return false;
}

bool IsPageNumberFormat(long value) {
    return value >= 0 && value <= static_cast<long>(PageNumberFormat::LowerLetter);
}

namespace {

std::wstring Roman(int number, bool upper) {
    static constexpr struct {
        int value;
        const wchar_t* upper;
        const wchar_t* lower;
    } kDigits[] = {{1000, L"M", L"m"}, {900, L"CM", L"cm"}, {500, L"D", L"d"}, {400, L"CD", L"cd"},
                   {100, L"C", L"c"},  {90, L"XC", L"xc"},  {50, L"L", L"l"},  {40, L"XL", L"xl"},
                   {10, L"X", L"x"},   {9, L"IX", L"ix"},   {5, L"V", L"v"},   {4, L"IV", L"iv"},
                   {1, L"I", L"i"}};
    std::wstring text;
    for (const auto& digit : kDigits) {
        for (; number >= digit.value; number -= digit.value) {
            text += upper ? digit.upper : digit.lower;
        }
    }
    return text;
}

}  // namespace

std::wstring FormatPageNumber(int number, PageNumberFormat format) {
    if (number < 1) return std::to_wstring(number);
    switch (format) {
        case PageNumberFormat::UpperRoman:
        case PageNumberFormat::LowerRoman:
            return Roman(number, format == PageNumberFormat::UpperRoman);
        case PageNumberFormat::UpperLetter:
        case PageNumberFormat::LowerLetter: {
            const wchar_t letter = static_cast<wchar_t>(
                (format == PageNumberFormat::UpperLetter ? L'A' : L'a') + (number - 1) % 26);
            return std::wstring(static_cast<std::size_t>((number - 1) / 26 + 1), letter);
        }
        default:
            return std::to_wstring(number);
    }
}

int StartNumberOf(const std::vector<Section>& sections, std::size_t section) {
    std::size_t first = section;
    while (first > 0 && sections[first].continues) --first;
    int number = sections[first].firstNumber;
    for (std::size_t s = first + 1; s <= section; ++s) {
        number += static_cast<int>(sections[s].startPage - sections[s - 1].startPage);
    }
    return number;
}

std::size_t SectionOf(const std::vector<Section>& sections, std::size_t page) {
    std::size_t section = 0;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        if (sections[s].startPage <= page) section = s;
    }
    return section;
}

std::wstring PageNumberOf(const std::vector<Section>& sections, std::size_t page) {
    if (sections.empty()) return std::to_wstring(page);
    const std::size_t section = SectionOf(sections, page);
    const int number =
        StartNumberOf(sections, section) + static_cast<int>(page - sections[section].startPage);
    return FormatPageNumber(number, sections[section].format);
}

void PagesInserted(std::vector<Section>& sections, std::size_t after, std::size_t count) {
    for (std::size_t s = 1; s < sections.size(); ++s) {
        if (sections[s].startPage > after) sections[s].startPage += count;
    }
}

namespace file {

bool ParseInt(std::string_view text, int& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

namespace {

constexpr std::string_view kScheme = "scheme";
constexpr std::string_view kSection = "section";
constexpr std::string_view kIgnoreMaster = "ignore-master";
constexpr std::string_view kBackground = "background";
constexpr std::string_view kFill = "fill";
constexpr std::string_view kContinue = "continue";

constexpr std::string_view kFormatNames[] = {"arabic", "upper-roman", "lower-roman", "upper-letter",
                                             "lower-letter"};

// "RRGGBB", six hex digits.
bool ParseRgb(std::string_view text, unsigned& value) {
    if (text.size() != 6) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + 6, value, 16);
    return error == std::errc() && end == text.data() + 6;
}

// "rgb RRGGBB", "scheme <n>", and where pictures are allowed "picture <file>".
std::optional<Fill> ParseFill(std::string_view text, bool pictures) {
    if (const auto rgb = After(text, "rgb")) {
        unsigned value = 0;
        if (ParseRgb(*rgb, value)) return Fill::Rgb(value);
    } else if (const auto scheme = After(text, "scheme")) {
        int index = 0;
        if (ParseInt(*scheme, index) && IsSchemeColor(index)) return Fill::Scheme(index);
    } else if (const auto picture = After(text, "picture"); picture && pictures) {
        try {
            if (!picture->empty()) return Fill::Picture(FromUtf8(*picture));
        } catch (const std::invalid_argument&) {
        }
    }
    return std::nullopt;
}

std::string SchemeNameList() {
    std::string list;
    for (const std::wstring& name : ColorSchemeNames()) {
        list += (list.empty() ? "" : ", ") + ToUtf8(name);
    }
    return list;
}

}  // namespace

bool ReadScheme(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> name = After(line, kScheme);
    if (!name) return false;
    if (reading.where != Where::Start || reading.sawScheme || !reading.sectionLines.empty()) {
        throw FormatError(reading.number,
                          "a \"scheme\" line after a section, master or page, or a second one");
    }
    std::wstring wide;
    try {
        wide = FromUtf8(*name);
    } catch (const std::invalid_argument&) {
    }
    if (!IsColorScheme(wide)) {
        throw FormatError(reading.number, "expected \"scheme <name>\", the name one of " +
                                              SchemeNameList() + ", found" + Quoted(line));
    }
    reading.publication.colorScheme = wide;
    reading.sawScheme = true;
    return true;
}

bool ReadSection(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> rest = After(line, kSection);
    if (!rest) return false;
    if (reading.where != Where::Start) {
        throw FormatError(reading.number, "a \"section\" line after a master or page");
    }
    const std::vector<std::string_view> words = Words(*rest);
    Section section;
    int start = 0;
    std::size_t format = 0;
    while (format < std::size(kFormatNames) && words.size() > 2 && words[2] != kFormatNames[format])
        ++format;
    if (words.size() < 3 || words.size() > 4 || !ParseInt(words[0], start) || start < 1 ||
        !ParseInt(words[1], section.firstNumber) || section.firstNumber < 1 ||
        section.firstNumber > kLargestPageNumberStart || format == std::size(kFormatNames) ||
        (words.size() == 4 && words[3] != kContinue)) {
        throw FormatError(reading.number,
                          "expected \"section <start page> <first number> <format> [continue]\", "
                          "the first number from 1 to 9999, the format one of arabic, "
                          "upper-roman, lower-roman, upper-letter, lower-letter, found" +
                              Quoted(line));
    }
    section.startPage = static_cast<std::size_t>(start);
    section.format = static_cast<PageNumberFormat>(format);
    section.continues = words.size() == 4;
    std::vector<Section>& sections = reading.publication.sections;
    if (reading.sectionLines.empty()) sections.clear();
    if (sections.empty() && section.continues) {
        throw FormatError(reading.number, "the first section cannot continue one before it");
    }
    sections.push_back(section);
    reading.sectionLines.push_back(reading.number);
    return true;
}

bool ReadPageAttribute(Reading& reading, std::string_view line) {
    const bool ignoreMaster = line == kIgnoreMaster;
    const std::optional<std::string_view> background = After(line, kBackground);
    if (!ignoreMaster && !background) return false;
    std::vector<Page>& pages = reading.publication.pages;
    if (reading.where != Where::Page || !reading.shapes->empty()) {
        throw FormatError(reading.number, "a \"" + std::string(line.substr(0, line.find(' '))) +
                                              "\" line outside a page, or after its shapes");
    }
    Page& page = pages.back();
    if (ignoreMaster) {
        if (page.ignoreMaster) throw FormatError(reading.number, "a second \"ignore-master\"");
        page.ignoreMaster = true;
        return true;
    }
    const std::optional<Fill> fill = ParseFill(*background, true);
    if (!fill || page.background.kind != Fill::Kind::None) {
        throw FormatError(reading.number,
                          "expected one \"background rgb <RRGGBB>\", \"background scheme <1 to "
                          "8>\" or \"background picture <file>\" per page, found" +
                              Quoted(line));
    }
    page.background = *fill;
    return true;
}

bool ReadFill(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> rest = After(line, kFill);
    if (!rest) return false;
    const std::optional<Fill> fill = ParseFill(*rest, false);
    if (!fill || reading.shapes == nullptr || reading.shapes->empty() ||
        reading.shapes->back().fill.kind != Fill::Kind::None) {
        throw FormatError(reading.number,
                          "expected one \"fill rgb <RRGGBB>\" or \"fill scheme <1 to 8>\" after "
                          "a \"shape\" line, found" +
                              Quoted(line));
    }
    reading.shapes->back().fill = *fill;
    return true;
}

void CheckSections(const Reading& reading) {
    const std::vector<Section>& sections = reading.publication.sections;
    const std::size_t pages = reading.publication.pages.size();
    for (std::size_t s = 0; s < reading.sectionLines.size(); ++s) {
        const std::size_t start = sections[s].startPage;
        const std::size_t line = reading.sectionLines[s];
        if (s == 0 && start != 1) {
            throw FormatError(line,
                              "the first section starts at page 1, not " + std::to_string(start));
        }
        if (s > 0 && start <= sections[s - 1].startPage) {
            throw FormatError(line, "a section starts after the one before it, at a page past " +
                                        std::to_string(sections[s - 1].startPage));
        }
        if (start > pages) {
            throw FormatError(line, "section start page " + std::to_string(start) +
                                        " is past the last page (" + std::to_string(pages) + ")");
        }
    }
}

void AppendFill(std::string& out, const Fill& fill) {
    switch (fill.kind) {
        case Fill::Kind::Rgb: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%06X", fill.rgb & 0xFFFFFFu);
            out += std::string("rgb ") + hex;
            return;
        }
        case Fill::Kind::Scheme:
            out += "scheme " + std::to_string(fill.scheme);
            return;
        case Fill::Kind::Picture:
            if (fill.picture.find_first_of(L"\r\n") != std::wstring::npos) {
                throw std::invalid_argument("a picture's file name holds a line break: " +
                                            ToUtf8(fill.picture));
            }
            out += "picture " + ToUtf8(fill.picture);
            return;
        case Fill::Kind::None:
            return;
    }
}

void AppendSchemeAndSections(std::string& out, const Publication& publication) {
    if (publication.colorScheme != kDefaultColorScheme) {
        out += std::string(kScheme) + ' ' + ToUtf8(publication.colorScheme) + "\r\n";
    }
    if (publication.sections == std::vector<Section>(1)) return;
    for (const Section& section : publication.sections) {
        out += std::string(kSection) + ' ' + std::to_string(section.startPage) + ' ' +
               std::to_string(section.firstNumber) + ' ' +
               std::string(kFormatNames[static_cast<std::size_t>(section.format)]);
        if (section.continues) out += ' ' + std::string(kContinue);
        out += "\r\n";
    }
}

void AppendPageAttributes(std::string& out, const Page& page) {
    if (page.ignoreMaster) out += std::string(kIgnoreMaster) + "\r\n";
    if (page.background.kind == Fill::Kind::None) return;
    out += std::string(kBackground) + ' ';
    AppendFill(out, page.background);
    out += "\r\n";
}

}  // namespace file
}  // namespace standin
