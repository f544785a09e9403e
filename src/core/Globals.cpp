#include "core/Globals.h"

#include <string_view>

namespace kelbrook::Globals {

namespace {

constexpr wchar_t kFileNameJunk[] = L"$/\\*:?<>|#' .,\"()-+=%;}{\t";
constexpr std::size_t kLongestTitle = 40;

std::wstring HalveBackslashPairs(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        result.push_back(text[i]);
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'\\') ++i;
    }
    return result;
}

std::wstring TrimBlanks(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return L"";
    const std::size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

std::wstring CollapseBackslashes(const std::wstring& path) {
    if (path.empty() || path[0] != L'\\') return HalveBackslashPairs(path);
    const std::size_t firstOther = path.find_first_not_of(L'\\');
    if (firstOther == std::wstring::npos) return L"\\\\";
    return L"\\\\" + HalveBackslashPairs(path.substr(firstOther));
}

std::wstring CleanFileName(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        if (std::wstring_view(kFileNameJunk).find(c) == std::wstring_view::npos) {
            result.push_back(c);
        }
    }
    return result;
}

std::wstring DropTrailingWord(const std::wstring& text, const std::wstring& word) {
    const std::size_t lastBlank = text.rfind(L' ');
    if (lastBlank == std::wstring::npos) return text;
    if (word.empty() || TrimBlanks(text.substr(lastBlank)) == word) {
        return TrimBlanks(text.substr(0, lastBlank));
    }
    return text;
}

std::wstring ShortenApplicationTitle(const std::wstring& productName) {
    std::wstring title = productName;
    std::size_t lastBlank = title.rfind(L' ');
    if (lastBlank == std::wstring::npos) return title;
    title.erase(lastBlank);
    while (title.size() > kLongestTitle && (lastBlank = title.rfind(L' ')) != std::wstring::npos) {
        title.erase(lastBlank);
    }
    return title;
}

}  // namespace kelbrook::Globals
