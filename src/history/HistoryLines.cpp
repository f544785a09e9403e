#include "history/HistoryLines.h"

#include <string_view>

namespace kelbrook::HistoryLines {

namespace {

constexpr wchar_t kSaved[] = L" was backup saved as ";
constexpr wchar_t kIncompletely[] = L" was backup saved incompletely as ";
constexpr wchar_t kNotSaved[] = L" could not be backup saved as ";
constexpr wchar_t kUnchanged[] = L" is unchanged since its backup ";
constexpr wchar_t kThinnedOne[] = L" older backup moved to the Recycle Bin";
constexpr wchar_t kThinnedMany[] = L" older backups moved to the Recycle Bin";

bool EndsWith(std::wstring_view text, std::wstring_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// "<name><marker><backup><extension> at <when>[: <failure>]": the backup ends at the first
// "<extension> at " after which the time (up to ": " where a failure follows) holds no
// backslash: a folder may hold " at ", a time never holds a backslash.
std::optional<Entry> Split(std::wstring_view line, std::wstring_view marker, EntryKind kind,
                           const std::wstring& extension, bool failureFollows) {
    const std::size_t at = line.find(marker);
    if (at == std::wstring_view::npos || at == 0) return std::nullopt;
    const std::size_t from = at + marker.size();
    const std::wstring end = extension + L" at ";
    for (std::size_t close = line.find(end, from); close != std::wstring_view::npos;
         close = line.find(end, close + 1)) {
        const std::wstring_view rest = line.substr(close + end.size());
        const std::wstring_view when = failureFollows ? rest.substr(0, rest.find(L": ")) : rest;
        if (close == from || when.find(L'\\') != std::wstring_view::npos) continue;
        Entry entry;
        entry.kind = kind;
        entry.name = std::wstring(line.substr(0, at));
        entry.backup = std::wstring(line.substr(from, close + extension.size() - from));
        entry.when = std::wstring(rest);
        if (entry.backup.find(L'\\') == std::wstring::npos) return std::nullopt;
        return entry;
    }
    return std::nullopt;
}

// The failure after the time: "<when>: <failure>". A time never holds ": ".
bool SplitFailure(Entry& entry) {
    const std::size_t colon = entry.when.find(L": ");
    if (colon == std::wstring::npos || colon == 0) return false;
    entry.detail = entry.when.substr(colon + 2);
    entry.when.resize(colon);
    return true;
}

std::optional<Entry> ReadThinned(std::wstring_view line) {
    const bool one = EndsWith(line, kThinnedOne);
    if (!one && !EndsWith(line, kThinnedMany)) return std::nullopt;
    const std::wstring_view head =
        line.substr(0, line.size() - std::wstring_view(one ? kThinnedOne : kThinnedMany).size());
    const std::size_t colon = head.rfind(L": ");
    if (colon == std::wstring_view::npos || colon == 0) return std::nullopt;
    const std::wstring_view count = head.substr(colon + 2);
    if (count.empty() || count.size() > 6 ||
        count.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
        return std::nullopt;
    }
    Entry entry;
    entry.kind = EntryKind::Thinned;
    entry.name = std::wstring(head.substr(0, colon));
    entry.moved = std::stoi(std::wstring(count));
    if (entry.moved < 1 || one != (entry.moved == 1)) return std::nullopt;
    return entry;
}

}  // namespace

std::wstring Saved(const std::wstring& name, const std::wstring& backup, const std::wstring& when) {
    return name + kSaved + backup + L" at " + when;
}

std::wstring SavedIncompletely(const std::wstring& name, const std::wstring& backup,
                               const std::wstring& when, const std::wstring& failure) {
    return name + kIncompletely + backup + L" at " + when + L": " + failure;
}

std::wstring NotSaved(const std::wstring& name, const std::wstring& backup,
                      const std::wstring& when, const std::wstring& failure) {
    return name + kNotSaved + backup + L" at " + when + L": " + failure;
}

std::wstring Unchanged(const std::wstring& name, const std::wstring& backup,
                       const std::wstring& when) {
    return name + kUnchanged + backup + L" at " + when;
}

std::wstring Thinned(const std::wstring& name, int moved) {
    return name + L": " + std::to_wstring(moved) + (moved == 1 ? kThinnedOne : kThinnedMany);
}

std::wstring PublisherEnded(const std::wstring& name, const std::wstring& when) {
    return name + L" was not backup saved: Publisher ended unexpectedly at " + when +
           L", before its backup was made";
}

std::wstring PublisherBusy(const std::wstring& when) {
    return L"Publisher did not answer (a dialog may be open in it): no backup at " + when;
}

std::optional<Entry> Read(const std::wstring& line, const std::wstring& extension) {
    if (auto incomplete =
            Split(line, kIncompletely, EntryKind::SavedIncompletely, extension, true)) {
        return SplitFailure(*incomplete) ? incomplete : std::nullopt;
    }
    if (auto failed = Split(line, kNotSaved, EntryKind::NotSaved, extension, true)) {
        return SplitFailure(*failed) ? failed : std::nullopt;
    }
    if (auto saved = Split(line, kSaved, EntryKind::Saved, extension, false)) {
        return saved->when.empty() ? std::nullopt : saved;
    }
    if (auto unchanged = Split(line, kUnchanged, EntryKind::Unchanged, extension, false)) {
        return unchanged->when.empty() ? std::nullopt : unchanged;
    }
    return ReadThinned(line);
}

std::vector<Entry> ReadAll(const std::wstring& text, const std::wstring& extension) {
    std::vector<Entry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        if (auto entry = Read(std::wstring(line), extension)) entries.push_back(std::move(*entry));
        start = end + 1;
    }
    return entries;
}

}  // namespace kelbrook::HistoryLines
