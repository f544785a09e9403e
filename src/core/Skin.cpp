#include "core/Skin.h"

#include <cctype>
#include <vector>

#include "core/Failure.h"

namespace kelbrook {

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

[[noreturn]] void Invalid(int line, const std::string& why) {
    throw Failure(L"Invalid skin file, line " + std::to_wstring(line) + L": " + Widen(why));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Color ParseColor(const std::string& value, int line) {
    if (value.size() != 7 || value[0] != '#') Invalid(line, "a colour must be #RRGGBB");
    int channel[3] = {};
    for (int i = 0; i < 3; ++i) {
        const int high = HexDigit(value[1 + 2 * i]);
        const int low = HexDigit(value[2 + 2 * i]);
        if (high < 0 || low < 0) Invalid(line, "a colour must be #RRGGBB");
        channel[i] = high * 16 + low;
    }
    return static_cast<Color>(channel[0] | (channel[1] << 8) | (channel[2] << 16));
}

std::wstring ParseFontFace(const std::string& value, int line) {
    if (value.empty() || value.size() > 31) Invalid(line, "a font face has 1 to 31 characters");
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) Invalid(line, "a font face is plain ASCII text");
    }
    return Widen(value);
}

}  // namespace

SkinStyle ParseSkin(const std::string& bytes) {
    if (bytes.find('\0') != std::string::npos) throw Failure(L"Invalid skin file: not a text file");
    std::string text = bytes;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

    SkinStyle style;
    bool headerSeen = false;
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (!headerSeen) {
            if (line != "KelbrookSkin 1") Invalid(lineNumber, "expected \"KelbrookSkin 1\"");
            headerSeen = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) Invalid(lineNumber, "expected Name = Value");
        const std::string name = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        if (name == "Background") {
            if (style.background) Invalid(lineNumber, "Background given twice");
            style.background = ParseColor(value, lineNumber);
        } else if (name == "Text") {
            if (style.text) Invalid(lineNumber, "Text given twice");
            style.text = ParseColor(value, lineNumber);
        } else if (name == "Font") {
            if (style.fontFace) Invalid(lineNumber, "Font given twice");
            style.fontFace = ParseFontFace(value, lineNumber);
        } else {
            Invalid(lineNumber, "unknown name \"" + name + "\"");
        }
    }
    if (!headerSeen) throw Failure(L"Invalid skin file: the header \"KelbrookSkin 1\" is missing");
    if (!style.background && !style.text && !style.fontFace) {
        throw Failure(L"Invalid skin file: it sets nothing");
    }
    return style;
}

}  // namespace kelbrook
