// A backup's name: the one place that writes it and reads it back. Every backup of a document
// begins with its stem, the folder and the document's name:
//
//   <stem> Date <MMM d yyyy> Time <hh mm ss tt><ext>   "Create new file on backup"
//   <stem> <MMM d yyyy><ext>                           "Overwrite old backup file on backup"
//
// The date and time are the locale's, as the clock formats them. In one folder for the backups
// of every publication, the stem's name says which publication it is: "News.pub [2026-11
// 1A2B3C4D]" for C:\...\2026-11\News.pub, the name of the publication's folder and a code of
// that folder's whole path, so that two publications of one name never share a stem. A
// time-stamped backup whose name a backup made at another time already holds (a locale without
// morning and afternoon designators writes 01:50 and 13:50 alike; the hour a change back to
// standard time repeats comes twice) gets " (2)", " (3)", ... after its time. A copy known to
// lack content has " (incomplete)" before the extension, and a file being written
// ".kelbrook-saving".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Platform.h"

namespace kelbrook::BackupName {

// The document name as the file-name part of a backup path: \ / : * ? " < > | become "_", so
// that a name can neither add a folder level nor make the path invalid, and stays
// recognisable. (Globals::CleanFileName, which drops these and many more characters, makes the
// history log's file name from the product's; a document's name must not lose its words.)
std::wstring SafeFileName(const std::wstring& name);

// Where a publication is, in its backups' names when one folder holds the backups of every
// publication: "[<the folder's own name> <8 hex digits>]", the digits a code of the folder's
// whole path (letters compared as Windows compares them in ASCII). Empty for an empty folder.
std::wstring OriginTag(const std::wstring& origin);

// Step 132's join of the folder and the document's name (with the origin's tag when `origin`,
// the publication's own folder, is given: one folder for every publication's backups); step
// 134 then collapses doubled backslashes (Globals::CollapseBackslashes), which gives the stem.
std::wstring Joined(const std::wstring& folder, const std::wstring& documentName,
                    const std::wstring& origin = L"");
std::wstring Stem(const std::wstring& folder, const std::wstring& documentName,
                  const std::wstring& origin = L"");

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

// When a backup was made, by its name: the local time it gives (seconds by the calendar alone,
// which fixes its hour, day and week) and the moment that was (seconds since 1970, UTC, by the
// time zone's rules, which gives its age).
struct Made {
    std::int64_t local = 0;
    std::int64_t moment = 0;
};

// Reads the stamps of backups as the clock and the files tell: a stamp that reads more than
// one way (a locale without morning and afternoon designators; the hour that a change back to
// standard time repeats) is taken for the reading nearest the moment its file was created,
// since every backup is a new file; only where that cannot be read, for the latest reading not
// ahead of the clock (never older than it is). Takes the time once, when it is made (`now`,
// when the caller has read it).
class StampReader {
  public:
    StampReader(Clock& clock, Files& files, std::optional<LocalTime> now = std::nullopt);
    Clock& clock() const { return clock_; }
    Files& files() const { return files_; }
    std::int64_t nowLocal() const { return nowLocal_; }
    std::int64_t nowMoment() const { return nowMoment_; }
    // The reading of the file at `path` among `readings`; nothing when none is a time the
    // clock can show.
    std::optional<Made> Settle(const std::vector<LocalTime>& readings, const std::wstring& path);
    // A name's date ("MMM d yyyy") and time ("hh mm ss tt") as the clock formats them, each
    // asked of the clock once: a folder's backups share their days and times.
    std::wstring Date(const LocalTime& time);
    std::wstring Time(const LocalTime& time);

  private:
    std::vector<std::int64_t> MomentsOf(const LocalTime& time);

    Clock& clock_;
    Files& files_;
    std::int64_t nowLocal_ = 0, nowMoment_ = 0;
    std::map<std::int64_t, std::wstring> dates_;                 // by day
    std::map<int, std::wstring> times_;                          // by second of the day
    std::map<std::int64_t, std::vector<std::int64_t>> moments_;  // by local time
};

// What a time-stamped backup's name says: when it was made, and whether it is an incomplete
// copy. Nothing for any other name, for a stamp this program would not have written, or for
// one the clock cannot read back (a name that cannot be read is left alone).
struct TimeStamped {
    Made made;
    bool incomplete = false;
};
std::optional<TimeStamped> ReadTimeStamped(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, StampReader& reader);

// A name in the stem's folder that is a finished, complete backup of the stem (either stamp;
// never an incomplete copy, nor a file being written).
bool IsCompleteBackup(const std::wstring& path, const std::wstring& stem,
                      const std::wstring& extension);

// When a complete backup of the stem (IsCompleteBackup) was made, by its name: a day's backup
// counts as made at the end of its day, since every run of that day replaces it.
std::optional<Made> ReadCompleteBackupTime(const std::wstring& path, const std::wstring& stem,
                                           const std::wstring& extension, StampReader& reader);

// The name a time-stamped backup made at `moment` takes: `stamped` itself, or the first of
// its " (2)", " (3)", ... that neither holds (complete or incomplete) a backup made at another
// time. A file whose making cannot be told counts as made at another time.
std::wstring Unclaimed(const std::wstring& stamped, const std::wstring& stem,
                       const std::wstring& extension, std::int64_t moment, StampReader& reader);

// A file found in a folder, read as a backup of whichever publication it holds: the stem its
// name begins with, the publication's name and the origin tag after it (empty where the name
// has none: a backup beside its publication, one never saved, or a name of an earlier version
// in the one folder for all), when it was made (a day's backup at the end of its day) and
// whether it is an incomplete copy. Nothing for any name this program would not have written.
struct FoundBackup {
    std::wstring stem;
    std::wstring documentName;
    std::wstring originTag;
    Made made;
    bool dayOnly = false;
    bool incomplete = false;
};
std::optional<FoundBackup> ReadAnyBackup(const std::wstring& path, const std::wstring& extension,
                                         StampReader& reader);

// The name of a backup's copy restored beside its publication, in `folder`: "<name without
// its extension> (restored <date> <time>)<ext>", the `number`th (from 2) of that time with
// " (<number>)" after it. Never a backup's name, so nothing ever takes it for one.
std::wstring RestoredName(const std::wstring& folder, const std::wstring& documentName,
                          Clock& clock, const LocalTime& now, const std::wstring& extension,
                          int number = 1);

}  // namespace kelbrook::BackupName
