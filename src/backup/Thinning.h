// Thinning out a document's older backups: which of them the rule keeps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backup/BackupName.h"

namespace kelbrook::Thinning {

// A backup of a document found in its folder, with when its name says it was made.
struct StampedBackup {
    std::wstring path;
    std::int64_t local = 0;   // the local time in its name: its clock hour, day and week
    std::int64_t moment = 0;  // when that was (seconds since 1970, UTC): its age
    bool incomplete = false;
};

// The backups among `paths` that this program wrote for one document with "Create new file on
// backup" (BackupName), with the times their names give (read as the reader reads them). Any
// other name, and a name that cannot be read, is left out, and so never touched.
std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        BackupName::StampReader& reader);

// The backups that the rule does not keep, at the moment `now`. A backup's place is fixed by
// the local time in its own name, never by its age at the moment of a run, so what one
// application keeps the next keeps too, until time alone moves it to a coarser span; applying
// the rule after every backup gives what one application at the end gives. Ages are reckoned
// in real time, through the time zone's rules. Kept:
//   - every backup less than 1 hour old, and any whose time lies ahead of the clock;
//   - the newest backup of each clock hour (its date and hour), while less than 24 hours old;
//   - the newest backup of each calendar day, while less than 30 days old;
//   - the newest backup of each week (Monday to Sunday), at any age.
// The newest is the latest in real time (the hour a change back to standard time repeats holds
// two of each time). Incomplete copies are thinned by the same rule among themselves.
std::vector<std::wstring> ToThin(const std::vector<StampedBackup>& backups, std::int64_t now);

}  // namespace kelbrook::Thinning
