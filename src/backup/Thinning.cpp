#include "backup/Thinning.h"

#include <map>
#include <utility>

#include "backup/BackupName.h"
#include "backup/Calendar.h"

namespace kelbrook::Thinning {

namespace {

constexpr std::int64_t kHour = Calendar::kHour, kDay = Calendar::kDay, kWeek = Calendar::kWeek;

}  // namespace

std::int64_t Seconds(const LocalTime& time) {
    return Calendar::Seconds(time);
}

std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        Clock& clock) {
    std::vector<StampedBackup> found;
    for (const std::wstring& path : paths) {
        const auto stamped = BackupName::ReadTimeStamped(path, stem, extension, clock);
        if (stamped) found.push_back({path, stamped->time, stamped->incomplete});
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
