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

// "MMM d yyyy" back into the readings of a date, checked by formatting them again.
std::vector<LocalTime> ReadDate(const std::wstring& date, StampReader& reader, int hour = 0,
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
        if (reader.Date(candidate) == date) readings.push_back(candidate);
    }
    return readings;
}

// "MMM d yyyy Time hh mm ss tt" back into its readings (morning or afternoon, where the
// locale's designators do not tell), checked by formatting them again: only a stamp this
// program would write reads.
std::vector<LocalTime> ReadStamp(const std::wstring& stamp, StampReader& reader) {
    std::vector<LocalTime> readings;
    const std::size_t time = stamp.find(L" Time ");
    if (time == std::wstring::npos) return readings;
    std::wistringstream clock12(stamp.substr(time + 6));
    std::wstring hh, mm, ss;
    clock12 >> hh >> mm >> ss;
    const std::optional<int> hour = Number(hh), minute = Number(mm), second = Number(ss);
    if (!hour || !minute || !second || *hour < 1 || *hour > 12 || *minute > 59 || *second > 59) {
        return readings;
    }
    for (const int offset : {0, 12}) {
        for (const LocalTime& candidate :
             ReadDate(stamp.substr(0, time), reader, *hour % 12 + offset, *minute, *second)) {
            if (reader.Date(candidate) + L" Time " + reader.Time(candidate) == stamp) {
                readings.push_back(candidate);
            }
        }
    }
    return readings;
}

// The stamp without the number a backup made at another time adds: " (2)" and on.
std::wstring WithoutCopyNumber(const std::wstring& stamp) {
    if (!EndsWith(stamp, L")")) return stamp;
    const std::size_t open = stamp.rfind(L" (");
    if (open == std::wstring::npos) return stamp;
    const std::optional<int> number = Number(stamp.substr(open + 2, stamp.size() - open - 3));
    return number && *number >= 2 ? stamp.substr(0, open) : stamp;
}

// A file name's stamp: what follows the stem's file name and a blank, before the extension;
// nothing when the name is not the stem's.
std::optional<std::wstring> StampOf(const std::wstring& path, const std::wstring& stem,
                                    const std::wstring& extension) {
    const std::wstring fileName = path.substr(path.find_last_of(L'\\') + 1);
    const std::wstring prefix = FilePrefix(stem);
    if (fileName.size() <= prefix.size() + extension.size() || fileName.rfind(prefix, 0) != 0 ||
        !EndsWith(fileName, extension)) {
        return std::nullopt;
    }
    return fileName.substr(prefix.size(), fileName.size() - prefix.size() - extension.size());
}

// FNV-1a over the path's UTF-16 units, a to z taken as A to Z and without trailing
// backslashes: one folder, however its letters are cased, gives one code.
std::uint32_t PathCode(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\') path.pop_back();
    std::uint32_t code = 2166136261u;
    for (wchar_t c : path) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        const auto unit = static_cast<std::uint16_t>(c);
        for (const std::uint8_t byte :
             {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)}) {
            code = (code ^ byte) * 16777619u;
        }
    }
    return code;
}

}  // namespace

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name;
    for (wchar_t& c : safe) {
        if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    }
    return safe;
}

std::wstring OriginTag(const std::wstring& origin) {
    std::wstring folder = origin;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) return L"";
    std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    if (leaf.size() == 2 && leaf[1] == L':') leaf.pop_back();  // a drive's root: its letter
    wchar_t code[9] = {};
    const std::uint32_t value = PathCode(folder);
    for (int digit = 0; digit < 8; ++digit) {
        code[digit] = L"0123456789ABCDEF"[(value >> (28 - 4 * digit)) & 0xF];
    }
    return L"[" + SafeFileName(leaf) + L" " + code + L"]";
}

std::wstring Joined(const std::wstring& folder, const std::wstring& documentName,
                    const std::wstring& origin) {
    const std::wstring tag = OriginTag(origin);
    return folder + L"\\" + SafeFileName(documentName) + (tag.empty() ? L"" : L" " + tag);
}

std::wstring Stem(const std::wstring& folder, const std::wstring& documentName,
                  const std::wstring& origin) {
    return Globals::CollapseBackslashes(Joined(folder, documentName, origin));
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

StampReader::StampReader(Clock& clock, Files& files, std::optional<LocalTime> now)
    : clock_(clock),
      files_(files),
      nowLocal_(Calendar::Seconds(now ? *now : clock.Now())),
      nowMoment_(clock.NowMoment()) {}

std::wstring StampReader::Date(const LocalTime& time) {
    const std::int64_t day = Calendar::DaysFromCivil(time.year, time.month, time.day);
    const auto known = dates_.find(day);
    if (known != dates_.end()) return known->second;
    return dates_[day] = clock_.FormatDate(time, kDatePicture);
}

std::wstring StampReader::Time(const LocalTime& time) {
    const int second = time.hour * 3600 + time.minute * 60 + time.second;
    const auto known = times_.find(second);
    if (known != times_.end()) return known->second;
    return times_[second] = clock_.FormatTime(time, kTimePicture);
}

// Where the zone's rules cannot be read, the clock's present offset serves.
std::vector<std::int64_t> StampReader::MomentsOf(const LocalTime& time) {
    const std::int64_t local = Calendar::Seconds(time);
    const auto known = moments_.find(local);
    if (known != moments_.end()) return known->second;
    std::vector<std::int64_t> moments;
    try {
        moments = clock_.MomentsOf(time);
    } catch (...) {
        moments = {local - (nowLocal_ - nowMoment_)};
    }
    return moments_[local] = moments;
}

std::optional<Made> StampReader::Settle(const std::vector<LocalTime>& readings,
                                        const std::wstring& path) {
    std::vector<Made> candidates;
    for (const LocalTime& reading : readings) {
        for (const std::int64_t moment : MomentsOf(reading)) {
            candidates.push_back({Calendar::Seconds(reading), moment});
        }
    }
    if (candidates.size() <= 1) {
        return candidates.empty() ? std::nullopt : std::optional<Made>(candidates.front());
    }
    std::optional<std::int64_t> created;
    try {
        created = Calendar::FileTimeSeconds(files_.CreationTime(path));
    } catch (...) {
        // Not to be read: the latest reading not ahead of the clock.
    }
    const auto distance = [&](const Made& made) {
        return made.moment > *created ? made.moment - *created : *created - made.moment;
    };
    const auto better = [&](const Made& a, const Made& b) {  // a before b?
        if (created) {
            return distance(a) != distance(b) ? distance(a) < distance(b) : a.moment > b.moment;
        }
        const bool pastA = a.moment <= nowMoment_, pastB = b.moment <= nowMoment_;
        if (pastA != pastB) return pastA;
        return pastA ? a.moment > b.moment : a.moment < b.moment;
    };
    Made best = candidates.front();
    for (const Made& candidate : candidates) {
        if (better(candidate, best)) best = candidate;
    }
    return best;
}

std::optional<TimeStamped> ReadTimeStamped(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, StampReader& reader) {
    try {
        std::optional<std::wstring> stamp = StampOf(path, stem, extension);
        if (!stamp || stamp->rfind(L"Date ", 0) != 0) return std::nullopt;
        stamp->erase(0, 5);
        const bool incomplete = EndsWith(*stamp, kIncomplete);
        if (incomplete) stamp->resize(stamp->size() - std::wstring_view(kIncomplete).size());
        const std::optional<Made> made =
            reader.Settle(ReadStamp(WithoutCopyNumber(*stamp), reader), path);
        if (!made) return std::nullopt;
        return TimeStamped{*made, incomplete};
    } catch (...) {
        return std::nullopt;  // a date the clock cannot format (before 1601, say)
    }
}

bool IsCompleteBackup(const std::wstring& path, const std::wstring& stem,
                      const std::wstring& extension) {
    const std::optional<std::wstring> stamp = StampOf(path, stem, extension);
    return stamp && stamp->find(kIncomplete) == std::wstring::npos &&
           stamp->find(kSaving) == std::wstring::npos;
}

std::optional<Made> ReadCompleteBackupTime(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, StampReader& reader) {
    if (!IsCompleteBackup(path, stem, extension)) return std::nullopt;
    try {
        const std::wstring stamp = *StampOf(path, stem, extension);
        if (stamp.rfind(L"Date ", 0) == 0) {
            const std::optional<TimeStamped> stamped =
                ReadTimeStamped(path, stem, extension, reader);
            return stamped ? std::optional<Made>(stamped->made) : std::nullopt;
        }
        // A day's backup, replaced by every run of its day: it holds the day's last.
        return reader.Settle(ReadDate(stamp, reader, 23, 59, 59), path);
    } catch (...) {
        return std::nullopt;
    }
}

namespace {

// "[<folder's name> <8 hex digits>]" at the end of a stem's name: where it begins, else npos.
std::size_t TagAt(const std::wstring& name) {
    if (!EndsWith(name, L"]") || name.size() < 12) return std::wstring::npos;
    const std::size_t open = name.rfind(L" [");
    if (open == std::wstring::npos || open == 0) return std::wstring::npos;
    const std::wstring code = name.substr(name.size() - 9, 8);
    if (name[name.size() - 10] != L' ' ||
        code.find_first_not_of(L"0123456789ABCDEF") != std::wstring::npos) {
        return std::wstring::npos;
    }
    return open + 1;
}

}  // namespace

std::optional<FoundBackup> ReadAnyBackup(const std::wstring& path, const std::wstring& extension,
                                         StampReader& reader) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::nullopt;
    const std::wstring folder = path.substr(0, slash);
    const std::wstring fileName = path.substr(slash + 1);
    if (fileName.size() <= extension.size() || !EndsWith(fileName, extension)) return std::nullopt;
    FoundBackup found;
    const std::size_t date = fileName.rfind(L" Date ");
    if (date != std::wstring::npos && date > 0) {
        found.stem = folder + L"\\" + fileName.substr(0, date);
        const std::optional<TimeStamped> stamped =
            ReadTimeStamped(path, found.stem, extension, reader);
        if (!stamped) return std::nullopt;
        found.made = stamped->made;
        found.incomplete = stamped->incomplete;
    } else {
        // "<stem> MMM d yyyy[ (incomplete)]<ext>": a day's backup.
        std::wstring base = fileName.substr(0, fileName.size() - extension.size());
        found.incomplete = EndsWith(base, kIncomplete);
        if (found.incomplete) base.resize(base.size() - std::wstring_view(kIncomplete).size());
        std::size_t at = base.size();
        for (int blank = 0; blank < 3 && at != std::wstring::npos && at > 0; ++blank) {
            at = base.rfind(L' ', at - 1);
        }
        if (at == std::wstring::npos || at == 0) return std::nullopt;
        found.stem = folder + L"\\" + base.substr(0, at);
        const std::optional<Made> made = ReadCompleteBackupTime(folder + L"\\" + base + extension,
                                                                found.stem, extension, reader);
        if (!made) return std::nullopt;
        found.made = *made;
        found.dayOnly = true;
    }
    const std::wstring name = found.stem.substr(slash + 1);
    const std::size_t tag = TagAt(name);
    found.documentName = tag == std::wstring::npos ? name : name.substr(0, tag - 1);
    found.originTag = tag == std::wstring::npos ? L"" : name.substr(tag);
    return found;
}

std::wstring RestoredName(const std::wstring& folder, const std::wstring& documentName,
                          Clock& clock, const LocalTime& now, const std::wstring& extension,
                          int number) {
    std::wstring name = SafeFileName(documentName);
    if (name.size() > extension.size() && EndsWith(name, extension)) {
        name.resize(name.size() - extension.size());
    }
    return Globals::CollapseBackslashes(
        folder + L"\\" + name + L" (restored " + clock.FormatDate(now, kDatePicture) + L" " +
        clock.FormatTime(now, kTimePicture) + L")" +
        (number > 1 ? L" (" + std::to_wstring(number) + L")" : L"") + extension);
}

std::wstring Unclaimed(const std::wstring& stamped, const std::wstring& stem,
                       const std::wstring& extension, std::int64_t moment, StampReader& reader) {
    const auto claimed = [&](const std::wstring& path) {
        if (!reader.files().ReadTimestamp(path)) return false;
        try {
            reader.files().CreationTime(path);
        } catch (...) {
            return true;  // its making cannot be told
        }
        const std::optional<TimeStamped> there = ReadTimeStamped(path, stem, extension, reader);
        // The name's second, and the clock's reading of it, may lie a minute apart at most.
        return !there || there->made.moment < moment - 60 || there->made.moment > moment + 60;
    };
    const std::wstring base = stamped.substr(0, stamped.size() - extension.size());
    std::wstring name = stamped;
    for (int number = 2; number <= 9999 && (claimed(name) || claimed(IncompletePath(name)));
         ++number) {
        name = base + L" (" + std::to_wstring(number) + L")" + extension;
    }
    return name;
}

}  // namespace kelbrook::BackupName
