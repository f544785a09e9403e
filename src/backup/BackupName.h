// A backup's name: the one place that writes it and reads it back. Every backup of a document
// begins with its stem, the folder and the document's name:
//
//   <stem> Date <MMM d yyyy> Time <hh mm ss tt><ext>   "Create new file on backup"
//   <stem> <MMM d yyyy><ext>                           "Overwrite old backup file on backup"
//
// The date and time are the locale's, as the clock formats them. A copy known to lack content
// has " (incomplete)" before the extension, and a file being written ".kelbrook-saving".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Platform.h"

namespace kelbrook::BackupName {

// The document name as the file-name part of a backup path: \ / : * ? " < > | become "_", so
// that a name can neither add a folder level nor make the path invalid, and stays
// recognisable. (Globals::CleanFileName, which drops these and many more characters, makes the
// history log's file name from the product's; a document's name must not lose its words.)
std::wstring SafeFileName(const std::wstring& name);

// Step 132's join of the folder and the document's name; step 134 then collapses doubled
// backslashes (Globals::CollapseBackslashes), which gives the stem.
std::wstring Joined(const std::wstring& folder, const std::wstring& documentName);
std::wstring Stem(const std::wstring& folder, const std::wstring& documentName);

// The finished names of a backup made at `now`.
std::wstring WithTime(const std::wstring& stem, Clock& clock, const LocalTime& now,
                      const std::wstring& extension);
std::wstring WithDay(const std::wstring& stem, Clock& clock, const LocalTime& now,
                     const std::wstring& extension);

// Where a backup is written before it replaces the file of its own name: in the same folder.
std::wstring SavingPath(const std::wstring& backupPath);
// Where a copy known to be incomplete is saved, so that it never replaces a backup of the
// backup's own name.
std::wstring IncompletePath(const std::wstring& backupPath);

// The start of the file name of every backup of the stem: to list them in the stem's folder.
std::wstring FilePrefix(const std::wstring& stem);

// A name in the stem's folder that is a finished, complete backup of the stem (either stamp;
// never an incomplete copy, nor a file being written).
bool IsCompleteBackup(const std::wstring& path, const std::wstring& stem,
                      const std::wstring& extension);

// What a time-stamped backup's name says: when it was made (seconds of the local time, by the
// calendar alone), and whether it is an incomplete copy. Nothing for any other name, or a
// stamp this program would not have written. A stamp that reads two ways (a locale without
// morning and afternoon designators) is taken for the reading nearest to `now` that is not
// ahead of it: never for older than it is.
struct TimeStamped {
    std::int64_t time = 0;
    bool incomplete = false;
};
std::optional<TimeStamped> ReadTimeStamped(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, Clock& clock,
                                           std::int64_t now);

// When a complete backup of the stem (IsCompleteBackup) was made, by its name: a day's backup
// counts as made at the end of its day, since every run of that day replaces it.
std::optional<std::int64_t> ReadCompleteBackupTime(const std::wstring& path,
                                                   const std::wstring& stem,
                                                   const std::wstring& extension, Clock& clock,
                                                   std::int64_t now);

}  // namespace kelbrook::BackupName
