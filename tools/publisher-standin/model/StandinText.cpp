// Text: UTF-8 and wide strings, and the parts of a full file name.
#include "StandinPublication.h"

#include <optional>

namespace standin {
namespace {

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

}  // namespace

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
