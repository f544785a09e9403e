// The catalogue of backups: every backup this program wrote, found in the folders the settings
// and the history log name, read through BackupName, with what the log knows of each; and the
// backups only the log knows of, which are gone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Platform.h"
#include "recovery/BackupsPorts.h"

namespace kelbrook::Recovery {

// How long the folders together may take to answer: an unreachable share costs no more.
inline constexpr int kListingMilliseconds = 2000;

// What a row's backup holds, or why there is none to open.
enum class Holds {
    SavedFile,       // an exact copy of the publication's file
    UnsavedChanges,  // rebuilt from what Publisher had open
    Incomplete,      // a copy known to lack content; `detail` says what
    Thinned,         // moved to the Recycle Bin by thinning; `detail` says when
    NotFound,        // the log names it, the folder does not hold it
    Unreadable,      // its folder could not be read; `detail` says why
};

struct BackupRow {
    std::wstring path;          // the backup (a folder, for a folder that could not be read)
    std::wstring folder;        // where it is
    std::wstring publication;   // the publication's name
    std::wstring key;           // tells publications apart (the backups' stem, in capitals)
    std::wstring originFolder;  // the publication's folder where known, else empty
    std::wstring whereFrom;     // the publication's folder as far as it is known, for showing
    std::optional<std::int64_t> local;   // when made (local time, seconds since 1970)
    std::optional<std::int64_t> moment;  // the same in real time, for ordering
    std::optional<std::uint64_t> size;
    Holds holds = Holds::NotFound;
    std::wstring detail;
    // Listed greyed: nothing there to open or restore.
    bool Greyed() const { return holds >= Holds::Thinned; }
};

struct CatalogueSources {
    std::wstring historyLogPath;
    std::wstring oneFolder;  // the one folder for every publication's backups ("Path"), or ""
    std::wstring extension;  // ".pub"
};

struct CataloguePorts {
    Files&
        files;  // the log's text, and when a backup's file was made where its name reads two ways
    BackupFolders& folders;
    Clock& clock;
};

// Every row, in no particular order. Never raises: what cannot be read becomes a row saying
// so, or (a log that cannot be read) adds nothing.
std::vector<BackupRow> Catalogue(CataloguePorts ports, const CatalogueSources& sources);

// The text shown for what a row holds.
std::wstring HoldsText(const BackupRow& row);

}  // namespace kelbrook::Recovery
