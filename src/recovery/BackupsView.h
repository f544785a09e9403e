// The Backups window's logic: its columns and their order, the one-publication filter, and
// its three actions on a backup (open, show in its folder, restore a copy beside the
// publication). Nothing here deletes or replaces a file.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Dialogs.h"
#include "core/Platform.h"
#include "recovery/BackupsPorts.h"
#include "recovery/Catalogue.h"

namespace kelbrook::Recovery {

inline constexpr wchar_t kBackupsCaption[] = L"Kelbrook backups";
inline constexpr wchar_t kAllPublications[] = L"All publications";

enum class Column { Publication, BackedUp, Size, Holds, Folder };
inline constexpr int kColumnCount = 5;

struct SortOrder {
    Column column = Column::BackedUp;
    bool descending = true;  // newest first
};

// A click on a column's header: the same column turns its order round; another starts with
// its most useful end first (the newest, the largest; names from A).
SortOrder Clicked(SortOrder current, Column clicked);

// The rows in that order; rows that tie keep the order of their time, newest first, then path.
void Sort(std::vector<BackupRow>& rows, SortOrder order);

std::wstring ColumnTitle(Column column);
// A cell's text: the time in the user's format, the size in KB.
std::wstring CellText(const BackupRow& row, Column column, Clock& clock);

// The publications the rows hold, for the filter: the key each is told apart by, and its
// name with its folder as far as it is known, in order of that label.
struct PublicationChoice {
    std::wstring key;
    std::wstring label;
};
std::vector<PublicationChoice> Publications(const std::vector<BackupRow>& rows);
std::wstring PublicationLabel(const BackupRow& row);

// The filter's choice of several publications at once (those Publisher closed on): its key
// and its label.
inline constexpr wchar_t kChosenKey[] =
    L"\x1"
    L"chosen";
inline constexpr wchar_t kChosenLabel[] = L"The publications Publisher closed on";
// The publications (their keys) of the rows with these paths.
std::set<std::wstring> KeysOfBackups(const std::vector<BackupRow>& rows,
                                     const std::vector<std::wstring>& paths);

// The indices of the rows shown: all of them for an empty key, that publication's for its key,
// and those of the `chosen` publications for kChosenKey.
std::vector<std::size_t> Shown(const std::vector<BackupRow>& rows, const std::wstring& key,
                               const std::set<std::wstring>& chosen = {});

struct ActionPorts {
    BackupFolders& folders;
    BackupShell& shell;
    Dialogs& dialogs;
    Clock& clock;
};

// Each action tells the user, in a message, why it could not be done; false then. A backup
// that has gone since it was listed is "not found": the caller refreshes.
bool OpenBackup(ActionPorts ports, const BackupRow& row);
bool ShowBackupInFolder(ActionPorts ports, const BackupRow& row);

// The name a restored copy takes beside the publication (its own folder, where known; else the
// backup's): the first of "<name> (restored <date> <time>).pub", " (2)", " (3)", ... that no
// file holds. Nothing when none of the first 9999 is free.
std::optional<std::wstring> FreeRestoreName(BackupFolders& folders, Clock& clock,
                                            const BackupRow& row, const std::wstring& extension);

// Copies the backup under FreeRestoreName, never over a file, and shows the copy in its
// folder. The copy's path, or nothing (with a message) when it could not be made.
std::optional<std::wstring> RestoreCopy(ActionPorts ports, const BackupRow& row,
                                        const std::wstring& extension);

}  // namespace kelbrook::Recovery
