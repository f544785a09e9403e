#include "recovery/PendingRecoveries.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kelbrook::Recovery {

namespace {

constexpr wchar_t kSeparator = L'|';

std::wstring TimeText(const LocalTime& time) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::optional<LocalTime> ReadTime(const std::wstring& text) {
    LocalTime time;
    wchar_t end = 0;
    if (text.size() != 19 ||
        std::swscanf(text.c_str(), L"%4d-%2d-%2d %2d:%2d:%2d%lc", &time.year, &time.month,
                     &time.day, &time.hour, &time.minute, &time.second, &end) != 6 ||
        time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 ||
        time.minute > 59 || time.second > 59 || time.year < 1601) {
        return std::nullopt;
    }
    return time;
}

std::vector<std::wstring> Fields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(kSeparator, start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

bool Writable(const std::wstring& text) {
    return text.find_first_of(L"|\r\n") == std::wstring::npos;
}

}  // namespace

std::wstring Encode(const std::vector<SeenUnsaved>& publications) {
    std::wstring text;
    for (const SeenUnsaved& seen : publications) {
        if (!Writable(seen.fullName) || !Writable(seen.name) || !Writable(seen.backup) ||
            !Writable(seen.lastComplete)) {
            continue;  // a name no file system holds: nothing to offer for it
        }
        if (!text.empty()) text += L"\n";
        text += TimeText(seen.seen) + kSeparator + (seen.incomplete ? L"1" : L"0") + kSeparator +
                seen.fullName + kSeparator + seen.name + kSeparator + seen.backup + kSeparator +
                seen.lastComplete;
    }
    return text;
}

std::vector<SeenUnsaved> Decode(const std::wstring& text) {
    std::vector<SeenUnsaved> publications;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        const std::vector<std::wstring> fields = Fields(line);
        if (fields.size() != 6 || (fields[1] != L"0" && fields[1] != L"1") || fields[2].empty() ||
            fields[3].empty()) {
            continue;
        }
        const std::optional<LocalTime> seen = ReadTime(fields[0]);
        if (!seen) continue;
        publications.push_back(
            SeenUnsaved{fields[2], fields[3], *seen, fields[4], fields[1] == L"1", fields[5]});
    }
    return publications;
}

void AddPending(std::vector<PendingRecovery>& pending, const std::vector<SeenUnsaved>& ended) {
    for (const SeenUnsaved& seen : ended) {
        const auto same = std::find_if(pending.begin(), pending.end(), [&](const auto& known) {
            return known.fullName == seen.fullName;
        });
        if (same == pending.end()) {
            pending.push_back(seen);
        } else {
            *same = seen;
        }
    }
}

void RemovePending(std::vector<PendingRecovery>& pending, const std::wstring& fullName) {
    std::erase_if(pending,
                  [&](const PendingRecovery& known) { return known.fullName == fullName; });
}

std::wstring NoticeText(const std::vector<PendingRecovery>& pending, Clock& clock) {
    if (pending.empty()) return L"";
    if (pending.size() > 1) {
        std::wstring names;
        for (std::size_t k = 0; k < pending.size(); ++k) {
            names += (k == 0 ? L"" : k + 1 == pending.size() ? L" and " : L", ") + pending[k].name;
        }
        return names + L" had changes not yet saved. Click to see their newest backups.";
    }
    const PendingRecovery& only = pending.front();
    const std::wstring when = clock.FormatTime(only.seen, L"h:mm tt");
    if (only.backup.empty()) {
        return only.name + L": its changes since it was last saved, seen at " + when +
               L", are in no backup";
    }
    if (only.incomplete) {
        return only.name + L": the newest backup, from " + when +
               L", is incomplete; it holds the changes seen until then that it could carry" +
               (only.lastComplete.empty() ? L"" : L", and an older complete backup is offered too");
    }
    return only.name + L": the newest backup, from " + when +
           L", holds the changes seen until then; work after " + when + L" is in no backup";
}

std::wstring MenuText(const PendingRecovery& recovery) {
    return L"Recover " + recovery.name + L"\u2026";
}

std::wstring LineText(const std::vector<PendingRecovery>& pending) {
    if (pending.empty()) return L"";
    return (pending.size() == 1 ? pending.front().name
                                : std::to_wstring(pending.size()) + L" publications") +
           L": unsaved work to recover";
}

std::wstring TrayTip(const std::vector<PendingRecovery>& pending) {
    if (pending.empty()) return kProductName;
    const std::wstring tip =
        std::wstring(kProductName) + L": " +
        (pending.size() == 1 ? pending.front().name + L" can be recovered"
                             : std::to_wstring(pending.size()) + L" publications can be recovered");
    return tip.size() < 128 ? tip : tip.substr(0, 127);
}

}  // namespace kelbrook::Recovery
