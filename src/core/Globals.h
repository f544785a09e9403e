// Program-wide values and the text utilities shared by several subsystems.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/Platform.h"

namespace kelbrook {

// The last good backup of a document that this run of the program made.
struct LastBackup {
    std::wstring folder;  // the folder the run used, as the run had it
    std::wstring path;    // the backup file
    // The document's file as it was when the backup was made from it (read before anything
    // was copied): its size and last-write time. Nothing when the backup was made from
    // unsaved changes, or the file could not be read.
    std::optional<std::pair<std::uint64_t, std::int64_t>> source;
    // The backup file as it was made: its size and last-write time.
    std::pair<std::uint64_t, std::int64_t> made;
};

// A publication a run saw with unsaved changes: when, and the backup that run made of it (the
// work a crash of Publisher would leave there).
struct SeenUnsaved {
    std::wstring fullName;      // as Publisher named it: its file, or its name alone
    std::wstring name;          // "News.pub"
    LocalTime seen;             // when the run read that it had unsaved changes
    std::wstring backup;        // the backup the run made of it; empty when it made none
    bool incomplete = false;    // that backup lacks content
    std::wstring lastComplete;  // the newest complete backup known of it, when another
    bool operator==(const SeenUnsaved&) const = default;
};

inline constexpr wchar_t kProductName[] = L"Kelbrook";
inline constexpr wchar_t kMakerHost[] = L"www.tarnwick.example";

// Values that live for the whole run of the program.
struct ProgramValues {
    std::wstring BackupExtension;                  // ".pub", set at start-up
    std::wstring HistoryLogPath;                   // set once at start-up
    std::wstring ApplicationTitle = kProductName;  // title of messages that name none
    bool MinimizedToTray = false;
    bool BackupRunUnderWay = false;  // between the start and the end of one SaveAll
    bool Closing = false;            // the main window is closing: a run ends at its next step
    std::map<std::wstring, LastBackup> LastBackups;  // by the document's full name
    // Waits for the copy instance the last run let go of to have ended (or ends it): the next
    // run calls it first, since Publisher's Documents would list a copy still ending.
    std::function<void()> FinishLastCopy;
    // What a backup must leave free on its volume, in bytes (the "Free Space Floor" setting).
    std::uint64_t FreeSpaceFloor = 1024ULL * 1024 * 1024;
    // Volumes a backup was refused on for want of space, the user told: later refusals there
    // are only logged, until a backup to that volume fits again.
    std::set<std::wstring> LowSpaceVolumes;
    // Volumes without a Recycle Bin whose backups were kept from thinning: logged once a start.
    std::set<std::wstring> NoRecycleBinLogged;
    // Volumes whose Recycle Bin would have deleted thinned backups for good: logged once a start.
    std::set<std::wstring> RecycleBinRefusalLogged;
    // The last run found the user's Publisher running but not answering: logged once, and
    // each tick of the timer asks it again, at once, until it answers or has gone.
    bool PublisherDidNotAnswer = false;
    // The publications the last run saw with unsaved changes, in its order.
    std::vector<SeenUnsaved> LastRunUnsaved;
    // Publications whose Publisher ended unexpectedly, until the user opens or dismisses each:
    // their backups are not thinned meanwhile.
    std::vector<SeenUnsaved> PendingRecoveries;
    // The exit code of the user's Publisher when it ended during the last run.
    std::optional<std::uint32_t> PublisherEndedDuringRun;
    // Called as each run ends (from the run's own thread).
    std::function<void()> AfterRun;
};

namespace Globals {

// Each pair of backslashes becomes one; any run of leading backslashes becomes exactly two,
// as at the start of a network path.
std::wstring CollapseBackslashes(const std::wstring& path);

// The text without any of the characters that cannot or should not stand in a file name.
std::wstring CleanFileName(const std::wstring& text);

// The text without its last blank-separated word when that word equals `word` (or `word`
// is empty); otherwise the text unchanged.
std::wstring DropTrailingWord(const std::wstring& text, const std::wstring& word);

// The application title made from a product name: the last word always goes, then further
// words while the title is longer than 40 characters.
std::wstring ShortenApplicationTitle(const std::wstring& productName);

}  // namespace Globals
}  // namespace kelbrook
