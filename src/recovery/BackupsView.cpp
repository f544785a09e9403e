#include "recovery/BackupsView.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "core/Failure.h"

namespace kelbrook::Recovery {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// -1, 0, 1 as `a` comes before, with or after `b` in the column's ascending order.
int Compare(const BackupRow& a, const BackupRow& b, Column column) {
    const auto three = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (column) {
        case Column::Publication:
            return three(Lower(PublicationLabel(a)), Lower(PublicationLabel(b)));
        case Column::BackedUp:
            return three(a.moment, b.moment);  // unknown times first
        case Column::Size:
            return three(a.size, b.size);
        case Column::Holds:
            return three(std::tie(a.holds, a.detail), std::tie(b.holds, b.detail));
        case Column::Folder:
            return three(Lower(a.folder), Lower(b.folder));
    }
    return 0;
}

void Tell(ActionPorts ports, const std::wstring& text) {
    ports.dialogs.ShowMessage(text, kBackupsCaption, MessageButtons::Ok, MessageIcon::Warning);
}

// A greyed row, or a backup gone since it was listed: false, with the message saying why.
bool StillThere(ActionPorts ports, const BackupRow& row) {
    if (row.Greyed()) {
        Tell(ports, L"There is no backup to use here: " + HoldsText(row) + L".");
        return false;
    }
    if (!ports.folders.Exists(row.path)) {
        Tell(ports, L"The backup is not found at " + row.path +
                        L" any more. The list is brought up to date.");
        return false;
    }
    return true;
}

}  // namespace

SortOrder Clicked(SortOrder current, Column clicked) {
    if (current.column == clicked) return {clicked, !current.descending};
    return {clicked, clicked == Column::BackedUp || clicked == Column::Size};
}

void Sort(std::vector<BackupRow>& rows, SortOrder order) {
    std::stable_sort(rows.begin(), rows.end(), [&](const BackupRow& a, const BackupRow& b) {
        const int by = Compare(a, b, order.column);
        if (by != 0) return order.descending ? by > 0 : by < 0;
        const int time = Compare(a, b, Column::BackedUp);
        if (time != 0) return time > 0;
        return a.path < b.path;
    });
}

std::wstring ColumnTitle(Column column) {
    switch (column) {
        case Column::Publication:
            return L"Publication";
        case Column::BackedUp:
            return L"Backed up";
        case Column::Size:
            return L"Size";
        case Column::Holds:
            return L"What it holds";
        case Column::Folder:
            return L"Folder";
    }
    return L"";
}

std::wstring CellText(const BackupRow& row, Column column, Clock& clock) {
    switch (column) {
        case Column::Publication:
            return PublicationLabel(row);
        case Column::BackedUp:
            if (!row.local) return L"";
            try {
                return clock.FormatGeneralDate(Calendar::LocalTimeOf(*row.local));
            } catch (...) {
                return L"";
            }
        case Column::Size:
            return row.size ? std::to_wstring((*row.size + 1023) / 1024) + L" KB" : L"";
        case Column::Holds:
            return HoldsText(row);
        case Column::Folder:
            return row.folder;
    }
    return L"";
}

std::wstring PublicationLabel(const BackupRow& row) {
    if (row.publication.empty()) return L"(a backup folder)";
    return row.whereFrom.empty() ? row.publication : row.publication + L" (" + row.whereFrom + L")";
}

std::vector<PublicationChoice> Publications(const std::vector<BackupRow>& rows) {
    std::map<std::wstring, std::wstring> byKey;
    for (const BackupRow& row : rows) {
        if (!row.publication.empty()) byKey.emplace(row.key, PublicationLabel(row));
    }
    std::vector<PublicationChoice> choices;
    for (const auto& [key, label] : byKey) choices.push_back({key, label});
    std::stable_sort(choices.begin(), choices.end(),
                     [](const auto& a, const auto& b) { return Lower(a.label) < Lower(b.label); });
    return choices;
}

std::set<std::wstring> KeysOfBackups(const std::vector<BackupRow>& rows,
                                     const std::vector<std::wstring>& paths) {
    std::set<std::wstring> keys;
    for (const BackupRow& row : rows) {
        if (std::find(paths.begin(), paths.end(), row.path) != paths.end()) keys.insert(row.key);
    }
    return keys;
}

std::vector<std::size_t> Shown(const std::vector<BackupRow>& rows, const std::wstring& key,
                               const std::set<std::wstring>& chosen) {
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (key.empty() || rows[i].key == key || (key == kChosenKey && chosen.count(rows[i].key)))
            shown.push_back(i);
    }
    return shown;
}

bool OpenBackup(ActionPorts ports, const BackupRow& row) {
    if (!StillThere(ports, row)) return false;
    try {
        ports.shell.Open(row.path);
        return true;
    } catch (...) {
        Tell(ports,
             L"The backup " + row.path + L" could not be opened: " + DescribeCurrentException());
        return false;
    }
}

bool ShowBackupInFolder(ActionPorts ports, const BackupRow& row) {
    if (!StillThere(ports, row)) return false;
    try {
        ports.shell.ShowInFolder(row.path);
        return true;
    } catch (...) {
        Tell(ports,
             L"The folder of " + row.path + L" could not be shown: " + DescribeCurrentException());
        return false;
    }
}

std::optional<std::wstring> FreeRestoreName(BackupFolders& folders, Clock& clock,
                                            const BackupRow& row, const std::wstring& extension) {
    const std::wstring folder = row.originFolder.empty() ? row.folder : row.originFolder;
    const LocalTime now = clock.Now();
    for (int number = 1; number <= 9999; ++number) {
        const std::wstring name =
            BackupName::RestoredName(folder, row.publication, clock, now, extension, number);
        if (!folders.Exists(name)) return name;
    }
    return std::nullopt;
}

std::optional<std::wstring> RestoreCopy(ActionPorts ports, const BackupRow& row,
                                        const std::wstring& extension) {
    if (!StillThere(ports, row)) return std::nullopt;
    std::optional<std::wstring> target;
    try {
        target = FreeRestoreName(ports.folders, ports.clock, row, extension);
        if (!target) throw Failure(L"every name for a restored copy is taken");
        ports.folders.CopyToNew(row.path, *target);
    } catch (...) {
        Tell(ports, L"A copy of " + row.path + L" could not be restored" +
                        (target ? L" as " + *target : L"") + L": " + DescribeCurrentException() +
                        L"\nNothing was written, and the backup is as it was.");
        return std::nullopt;
    }
    try {
        ports.shell.ShowInFolder(*target);
    } catch (...) {
        Tell(ports, L"The copy was restored as " + *target +
                        L", but its folder could not be shown: " + DescribeCurrentException());
    }
    return target;
}

}  // namespace kelbrook::Recovery
