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

// The backups among `paths` that this program wrote for one document with "Create new file on
// backup" (BackupName), with the times their names give (read as BackupName reads them at
// `now`). Any other name is left out, and so never touched.
std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        Clock& clock, std::int64_t now);

// The backups that the rule does not keep, at `now`. A backup's place is fixed by the local
// time in its own name, never by its age at the moment of a run, so what one application keeps
// the next keeps too, until time alone moves it to a coarser span; applying the rule after
// every backup gives what one application at the end gives. Kept:
//   - every backup less than 1 hour old, and any whose time lies ahead of the clock;
//   - the newest backup of each clock hour (its date and hour), while less than 24 hours old;
//   - the newest backup of each calendar day, while less than 30 days old;
//   - the newest backup of each week (Monday to Sunday), at any age.
// Incomplete copies are thinned by the same rule among themselves.
std::vector<std::wstring> ToThin(const std::vector<StampedBackup>& backups, std::int64_t now);

}  // namespace kelbrook::Thinning
