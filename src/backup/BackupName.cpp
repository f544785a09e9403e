#include "backup/BackupName.h"

#include <sstream>
#include <string_view>
#include <vector>

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

// The local time (in seconds) nearest to `now` among readings of a stamp, not ahead of the
// clock when one is not: where the locale's designators are empty, "01 10 00" is 01:10 or
// 13:10, and a backup must never be taken for older than it is.
std::optional<std::int64_t> Nearest(const std::vector<LocalTime>& readings, std::int64_t now) {
    std::optional<std::int64_t> past, ahead;
    for (const LocalTime& reading : readings) {
        const std::int64_t time = Calendar::Seconds(reading);
        if (time <= now && (!past || time > *past)) past = time;
        if (time > now && (!ahead || time < *ahead)) ahead = time;
    }
    return past ? past : ahead;
}

// "MMM d yyyy" back into the readings of a date, checked by formatting them again.
std::vector<LocalTime> ReadDate(const std::wstring& date, Clock& clock, int hour = 0,
                                int minute = 0, int second = 0) {
    std::vector<LocalTime> readings;
    const std::size_t yearAt = date.rfind(L' ');
    if (yearAt == std::wstring::npos || yearAt == 0) return readings;
    const std::size_t dayAt = date.rfind(L' ', yearAt - 1);
    if (dayAt == std::wstring::npos) return readings;
    const std::optional<int> year = Number(date.substr(yearAt + 1));
    const std::optional<int> day = Number(date.substr(dayAt + 1, yearAt - dayAt - 1));
    if (!year || !day || *day < 1 || *day > 31) return readings;
    for (int month = 1; month <= 12; ++month) {
        if (*day > Calendar::DaysInMonth(*year, month)) continue;
        const LocalTime candidate{*year, month, *day, hour, minute, second, 0};
        if (clock.FormatDate(candidate, kDatePicture) == date) readings.push_back(candidate);
    }
    return readings;
}

// "MMM d yyyy Time hh mm ss tt" back into a time, checked by formatting it again: only a stamp
// this program would write reads.
std::optional<std::int64_t> ReadStamp(const std::wstring& stamp, Clock& clock, std::int64_t now) {
    const std::size_t time = stamp.find(L" Time ");
    if (time == std::wstring::npos) return std::nullopt;
    std::wistringstream clock12(stamp.substr(time + 6));
    std::wstring hh, mm, ss;
    clock12 >> hh >> mm >> ss;
    const std::optional<int> hour = Number(hh), minute = Number(mm), second = Number(ss);
    if (!hour || !minute || !second || *hour < 1 || *hour > 12 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    std::vector<LocalTime> readings;
    for (const int offset : {0, 12}) {  // morning or afternoon, by the locale's designator
        for (const LocalTime& candidate :
             ReadDate(stamp.substr(0, time), clock, *hour % 12 + offset, *minute, *second)) {
            if (Stamp(clock, candidate) == stamp) readings.push_back(candidate);
        }
    }
    return Nearest(readings, now);
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
                                           const std::wstring& extension, Clock& clock,
                                           std::int64_t now) {
    const std::wstring prefix = stem + L" Date ";
    if (path.size() <= prefix.size() + extension.size() || path.rfind(prefix, 0) != 0 ||
        !EndsWith(path, extension)) {
        return std::nullopt;
    }
    std::wstring stamp = path.substr(prefix.size(), path.size() - prefix.size() - extension.size());
    const bool incomplete = EndsWith(stamp, kIncomplete);
    if (incomplete) stamp.resize(stamp.size() - std::wstring_view(kIncomplete).size());
    const std::optional<std::int64_t> time = ReadStamp(stamp, clock, now);
    if (!time) return std::nullopt;
    return TimeStamped{*time, incomplete};
}

std::optional<std::int64_t> ReadCompleteBackupTime(const std::wstring& path,
                                                   const std::wstring& stem,
                                                   const std::wstring& extension, Clock& clock,
                                                   std::int64_t now) {
    if (!IsCompleteBackup(path, stem, extension)) return std::nullopt;
    const std::wstring fileName = path.substr(path.find_last_of(L'\\') + 1);
    const std::wstring prefix = FilePrefix(stem);
    const std::wstring stamp =
        fileName.substr(prefix.size(), fileName.size() - prefix.size() - extension.size());
    if (stamp.rfind(L"Date ", 0) == 0) return ReadStamp(stamp.substr(5), clock, now);
    // A day's backup, replaced by every run of its day: it holds the day's last.
    const std::optional<std::int64_t> day = Nearest(ReadDate(stamp, clock), now);
    if (!day) return std::nullopt;
    return *day + Calendar::kDay - 1;
}

}  // namespace kelbrook::BackupName
