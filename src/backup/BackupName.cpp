#include "backup/BackupName.h"

#include <sstream>
#include <string_view>

#include "backup/Calendar.h"
#include "core/Globals.h"

namespace kelbrook::BackupName {

namespace {

constexpr wchar_t kIncomplete[] = L" (incomplete)";
constexpr wchar_t kSaving[] = L".kelbrook-saving";
constexpr wchar_t kDatePicture[] = L"MMM d yyyy";
constexpr wchar_t kTimePicture[] = L"hh mm ss tt";

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The path with `inserted` before its extension (at its end when it has none).
std::wstring BeforeExtension(const std::wstring& path, const std::wstring& inserted) {
    const std::size_t slash = path.find_last_of(L'\\');
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t stem =
        (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) ? path.size()
                                                                                    : dot;
    return path.substr(0, stem) + inserted + path.substr(stem);
}

std::optional<int> Number(const std::wstring& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    return std::stoi(text);
}

std::wstring Stamp(Clock& clock, const LocalTime& time) {
    return clock.FormatDate(time, kDatePicture) + L" Time " + clock.FormatTime(time, kTimePicture);
}

// "MMM d yyyy Time hh mm ss tt" back into a time, checked by formatting it again: only a stamp
// this program would write reads.
std::optional<LocalTime> ReadStamp(const std::wstring& stamp, Clock& clock) {
    const std::size_t time = stamp.find(L" Time ");
    if (time == std::wstring::npos) return std::nullopt;
    const std::wstring date = stamp.substr(0, time);
    const std::size_t yearAt = date.rfind(L' ');
    if (yearAt == std::wstring::npos || yearAt == 0) return std::nullopt;
    const std::size_t dayAt = date.rfind(L' ', yearAt - 1);
    if (dayAt == std::wstring::npos) return std::nullopt;
    const std::optional<int> year = Number(date.substr(yearAt + 1));
    const std::optional<int> day = Number(date.substr(dayAt + 1, yearAt - dayAt - 1));
    std::wistringstream clock12(stamp.substr(time + 6));
    std::wstring hh, mm, ss;
    clock12 >> hh >> mm >> ss;
    const std::optional<int> hour = Number(hh), minute = Number(mm), second = Number(ss);
    if (!year || !day || !hour || !minute || !second || *hour < 1 || *hour > 12 || *day < 1 ||
        *day > 31 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    for (int month = 1; month <= 12; ++month) {
        if (*day > Calendar::DaysInMonth(*year, month)) continue;
        for (const int offset : {0, 12}) {  // morning or afternoon, by the locale's designator
            const LocalTime candidate{*year, month, *day, *hour % 12 + offset, *minute, *second, 0};
            if (Stamp(clock, candidate) == stamp) return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name;
    for (wchar_t& c : safe) {
        if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    }
    return safe;
}

std::wstring Joined(const std::wstring& folder, const std::wstring& documentName) {
    return folder + L"\\" + SafeFileName(documentName);
}

std::wstring Stem(const std::wstring& folder, const std::wstring& documentName) {
    return Globals::CollapseBackslashes(Joined(folder, documentName));
}

std::wstring WithTime(const std::wstring& stem, Clock& clock, const LocalTime& now,
                      const std::wstring& extension) {
    return stem + L" Date " + Stamp(clock, now) + extension;
}

std::wstring WithDay(const std::wstring& stem, Clock& clock, const LocalTime& now,
                     const std::wstring& extension) {
    return stem + L" " + clock.FormatDate(now, kDatePicture) + extension;
}

std::wstring SavingPath(const std::wstring& backupPath) {
    return BeforeExtension(backupPath, kSaving);
}

std::wstring IncompletePath(const std::wstring& backupPath) {
    return BeforeExtension(backupPath, kIncomplete);
}

std::wstring FilePrefix(const std::wstring& stem) {
    return stem.substr(stem.find_last_of(L'\\') + 1) + L" ";
}

bool IsCompleteBackup(const std::wstring& path, const std::wstring& stem,
                      const std::wstring& extension) {
    const std::wstring fileName = path.substr(path.find_last_of(L'\\') + 1);
    const std::wstring prefix = FilePrefix(stem);
    return fileName.size() > prefix.size() + extension.size() && fileName.rfind(prefix, 0) == 0 &&
           EndsWith(fileName, extension) && fileName.find(kIncomplete) == std::wstring::npos &&
           fileName.find(kSaving) == std::wstring::npos;
}

std::optional<TimeStamped> ReadTimeStamped(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, Clock& clock) {
    const std::wstring prefix = stem + L" Date ";
    if (path.size() <= prefix.size() + extension.size() || path.rfind(prefix, 0) != 0 ||
        !EndsWith(path, extension)) {
        return std::nullopt;
    }
    std::wstring stamp = path.substr(prefix.size(), path.size() - prefix.size() - extension.size());
    const bool incomplete = EndsWith(stamp, kIncomplete);
    if (incomplete) stamp.resize(stamp.size() - std::wstring_view(kIncomplete).size());
    const std::optional<LocalTime> time = ReadStamp(stamp, clock);
    if (!time) return std::nullopt;
    return TimeStamped{Calendar::Seconds(*time), incomplete};
}

}  // namespace kelbrook::BackupName
