// Thinning out a document's older backups: which of them the rule keeps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Platform.h"

namespace kelbrook::Thinning {

// A backup of a document found in its folder, with the time its name gives (seconds).
struct StampedBackup {
    std::wstring path;
    std::int64_t time = 0;
    bool incomplete = false;
};

// Seconds from 1 January 1970 to a local time, by the calendar alone.
std::int64_t Seconds(const LocalTime& time);

// The backups among `paths` that this program wrote for one document with "Create new file on
// backup": `stem` (the folder and the document's name, as the run forms them), " Date ", the
// locale's date and time as the clock formats them, " (incomplete)" or nothing, `extension`.
// Any other name is left out, and so never touched.
std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        Clock& clock);

// The backups that the rule does not keep, at `now`: every backup of the last hour is kept,
// and the newest of each hour of the last 24 hours, of each day of the last 30 days and of
// each week before that (ages counted back from now). Incomplete copies are thinned among
// themselves; a backup stamped in the future is kept.
std::vector<std::wstring> ToThin(const std::vector<StampedBackup>& backups, std::int64_t now);

}  // namespace kelbrook::Thinning
