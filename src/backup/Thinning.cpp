#include "backup/Thinning.h"

#include <map>
#include <optional>
#include <sstream>
#include <utility>

namespace kelbrook::Thinning {

namespace {

constexpr std::int64_t kHour = 3600, kDay = 24 * kHour, kWeek = 7 * kDay;

// Days from 1 January 1970 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::optional<int> Number(const std::wstring& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    return std::stoi(text);
}

// "MMM d yyyy Time hh mm ss tt" back into a time, checked by formatting it again: only a
// stamp this program would write parses.
std::optional<LocalTime> ParseStamp(const std::wstring& stamp, Clock& clock) {
    const std::size_t time = stamp.find(L" Time ");
    if (time == std::wstring::npos) return std::nullopt;
    const std::wstring date = stamp.substr(0, time);
    const std::size_t yearAt = date.rfind(L' ');
    if (yearAt == std::wstring::npos) return std::nullopt;
    const std::size_t dayAt = date.rfind(L' ', yearAt - 1);
    if (dayAt == std::wstring::npos) return std::nullopt;
    const std::optional<int> year = Number(date.substr(yearAt + 1));
    const std::optional<int> day = Number(date.substr(dayAt + 1, yearAt - dayAt - 1));
    std::wistringstream clock24(stamp.substr(time + 6));
    std::wstring hh, mm, ss;
    clock24 >> hh >> mm >> ss;
    const std::optional<int> hour = Number(hh), minute = Number(mm), second = Number(ss);
    if (!year || !day || !hour || !minute || !second || *hour < 1 || *hour > 12 ||
        *day < 1 || *day > 31 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    for (int month = 1; month <= 12; ++month) {
        // A date that the calendar does not have is no stamp this program wrote.
        if (*day > DaysFromCivil(month == 12 ? *year + 1 : *year, month % 12 + 1, 1) -
                       DaysFromCivil(*year, month, 1)) {
            continue;
        }
        for (const int offset : {0, 12}) {  // morning or afternoon, by the locale's designator
            LocalTime candidate{*year, month, *day, *hour % 12 + offset, *minute, *second, 0};
            if (clock.FormatDate(candidate, L"MMM d yyyy") + L" Time " +
                    clock.FormatTime(candidate, L"hh mm ss tt") ==
                stamp) {
                return candidate;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::int64_t Seconds(const LocalTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * kDay + time.hour * kHour +
           time.minute * 60 + time.second;
}

std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        Clock& clock) {
    const std::wstring prefix = stem + L" Date ";
    const std::wstring incomplete = L" (incomplete)";
    std::vector<StampedBackup> found;
    for (const std::wstring& path : paths) {
        if (path.size() <= prefix.size() + extension.size() || path.compare(0, prefix.size(), prefix) != 0 ||
            !EndsWith(path, extension)) {
            continue;
        }
        std::wstring stamp = path.substr(prefix.size(), path.size() - prefix.size() - extension.size());
        const bool isIncomplete = EndsWith(stamp, incomplete);
        if (isIncomplete) stamp.resize(stamp.size() - incomplete.size());
        const std::optional<LocalTime> time = ParseStamp(stamp, clock);
        if (time) found.push_back({path, Seconds(*time), isIncomplete});
    }
    return found;
}

std::vector<std::wstring> ToThin(const std::vector<StampedBackup>& backups, std::int64_t now) {
    // The newest backup of each span of age, complete and incomplete apart.
    std::map<std::pair<bool, std::wstring>, const StampedBackup*> newest;
    std::vector<const StampedBackup*> candidates;
    for (const StampedBackup& backup : backups) {
        const std::int64_t age = now - backup.time;
        if (age < kHour) continue;  // the last hour's, and any from the future, are all kept
        const std::wstring span = age < kDay        ? L"h" + std::to_wstring(age / kHour)
                                  : age < 30 * kDay ? L"d" + std::to_wstring(age / kDay)
                                                    : L"w" + std::to_wstring(age / kWeek);
        const StampedBackup*& kept = newest[{backup.incomplete, span}];
        if (!kept || backup.time > kept->time ||
            (backup.time == kept->time && backup.path > kept->path)) {
            if (kept) candidates.push_back(kept);
            kept = &backup;
        } else {
            candidates.push_back(&backup);
        }
    }
    std::vector<std::wstring> thinned;
    for (const StampedBackup* backup : candidates) thinned.push_back(backup->path);
    return thinned;
}

}  // namespace kelbrook::Thinning
