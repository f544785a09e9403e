#include "recovery/Catalogue.h"

#include <map>
#include <set>
#include <utility>

#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "history/HistoryLines.h"

namespace kelbrook::Recovery {

namespace {

// Paths as Windows compares them: a to z taken as A to Z, no trailing backslash.
std::wstring Key(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\') path.pop_back();
    for (wchar_t& c : path) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return path;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool EndsWithKey(const std::wstring& text, const std::wstring& end) {
    return text.size() > end.size() && Key(text.substr(text.size() - end.size())) == Key(end);
}

// What the log says of the backups it names, the latest line of each backup winning.
struct LogKnowledge {
    struct Known {
        HistoryLines::Entry entry;
        std::size_t order = 0;
    };
    std::map<std::wstring, Known> byPath;  // by Key(backup)
    std::set<std::wstring> exactCopies;    // Key(backup): a skip counted it unchanged
    std::map<std::wstring, std::vector<std::pair<std::size_t, std::wstring>>> thinnings;
    std::vector<std::wstring> folders;  // in the log's order

    // The thinning of the stem after the log's line `order`: when it was, if any.
    std::optional<std::wstring> ThinnedAfter(const std::wstring& stemKey, std::size_t order) const {
        const auto found = thinnings.find(stemKey);
        if (found == thinnings.end()) return std::nullopt;
        for (const auto& [at, when] : found->second) {
            if (at > order) return when;
        }
        return std::nullopt;
    }
};

std::wstring StemKeyOf(const std::wstring& backup, const std::wstring& extension,
                       BackupName::StampReader& reader) {
    const auto found = BackupName::ReadAnyBackup(backup, extension, reader);
    return found ? Key(found->stem) : std::wstring();
}

// A thinning line follows the line of the good backup that made it: the two share a name.
LogKnowledge ReadLog(CataloguePorts ports, const CatalogueSources& sources,
                     BackupName::StampReader& reader) {
    LogKnowledge log;
    std::wstring text;
    try {
        text = ports.files.ReadAnsiText(sources.historyLogPath);
    } catch (...) {
        return log;  // no log (yet, or any more): the folders alone tell
    }
    const std::vector<HistoryLines::Entry> entries = HistoryLines::ReadAll(text, sources.extension);
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> lastSaved;  // name: backup, when
    for (std::size_t order = 0; order < entries.size(); ++order) {
        const HistoryLines::Entry& entry = entries[order];
        if (entry.kind == HistoryLines::EntryKind::Thinned) {
            const auto saved = lastSaved.find(entry.name);
            if (saved == lastSaved.end()) continue;
            const std::wstring stem = StemKeyOf(saved->second.first, sources.extension, reader);
            if (!stem.empty()) log.thinnings[stem].emplace_back(order, saved->second.second);
            continue;
        }
        if (entry.kind == HistoryLines::EntryKind::NotSaved) continue;  // no file was written
        const std::wstring key = Key(entry.backup);
        if (entry.kind == HistoryLines::EntryKind::Unchanged) {
            log.exactCopies.insert(key);
            if (log.byPath.count(key)) continue;  // its making was logged
        } else if (entry.kind == HistoryLines::EntryKind::Saved) {
            lastSaved[entry.name] = {entry.backup, entry.when};
            log.exactCopies.erase(key);  // made again, perhaps rebuilt
        }
        log.byPath[key] = {entry, order};
        log.folders.push_back(FolderOf(entry.backup));
    }
    return log;
}

// The folders to look in: the one for all, then each the log names, once each.
std::vector<std::wstring> FoldersToList(const CatalogueSources& sources, const LogKnowledge& log) {
    std::vector<std::wstring> folders;
    std::set<std::wstring> seen;
    const auto add = [&](std::wstring folder) {
        while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
        if (!folder.empty() && seen.insert(Key(folder)).second) folders.push_back(folder);
    };
    add(sources.oneFolder);
    for (const std::wstring& folder : log.folders) add(folder);
    return folders;
}

class Builder {
  public:
    Builder(CataloguePorts ports, const CatalogueSources& sources)
        : ports_(ports), sources_(sources), reader_(ports.clock, ports.files) {}

    std::vector<BackupRow> Build() {
        log_ = ReadLog(ports_, sources_, reader_);
        const std::vector<std::wstring> folders = FoldersToList(sources_, log_);
        for (const std::wstring& folder : folders) {
            if (Key(folder) != Key(sources_.oneFolder)) besideFolders_.push_back(folder);
        }
        for (const FolderListing& listing : ports_.folders.List(folders, kListingMilliseconds)) {
            if (!listing.failure.empty()) {
                failures_[Key(listing.folder)] = listing.failure;
                continue;
            }
            for (const ListedFile& file : listing.files) AddFound(listing.folder, file);
        }
        AddLogOnly();
        AddUnreadableFolders();
        return std::move(rows_);
    }

  private:
    // The publication's name, key and folder, as far as the backup's name tells.
    void Describe(BackupRow& row, const BackupName::FoundBackup& found) {
        row.publication = found.documentName;
        row.key = Key(found.stem);
        row.folder = FolderOf(found.stem);
        const bool oneFolder = Key(row.folder) == Key(sources_.oneFolder);
        if (found.originTag.empty()) {
            // Beside its publication, unless it is in the one folder for all (a publication
            // never saved, or a name of an earlier version) or was never saved.
            if (!oneFolder && EndsWithKey(found.documentName, sources_.extension)) {
                row.originFolder = row.folder;
            }
            row.whereFrom = row.originFolder;
        } else {
            for (const std::wstring& candidate : besideFolders_) {
                if (Key(BackupName::OriginTag(candidate)) == Key(found.originTag)) {
                    row.originFolder = candidate;
                }
            }
            // "[2026-11 A74D0068]": the folder's own name is all that is known of it.
            row.whereFrom = !row.originFolder.empty()
                                ? row.originFolder
                                : L"...\\" + found.originTag.substr(1, found.originTag.size() - 11);
        }
        // One publication, wherever its backups went: by its own path where that is known.
        if (!row.originFolder.empty()) row.key = Key(row.originFolder + L"\\" + row.publication);
    }

    void AddFound(const std::wstring& folder, const ListedFile& file) {
        const std::wstring path = folder + L"\\" + file.name;
        const auto found = BackupName::ReadAnyBackup(path, sources_.extension, reader_);
        if (!found) return;  // not a name this program writes
        BackupRow row;
        row.path = path;
        Describe(row, *found);
        row.folder = folder;
        row.local = found->made.local;
        row.moment = found->made.moment;
        row.size = file.size;
        const auto known = log_.byPath.find(Key(path));
        if (found->incomplete) {
            row.holds = Holds::Incomplete;
            if (known != log_.byPath.end()) row.detail = known->second.entry.detail;
        } else {
            // An exact copy keeps its publication's last-write time, from before the backup
            // was made; a rebuilt copy is written after its name's time.
            const std::int64_t written = Calendar::FileTimeSeconds(file.written);
            const bool exact = log_.exactCopies.count(Key(path)) ||
                               (found->dayOnly ? written < Calendar::FileTimeSeconds(file.created)
                                               : written < found->made.moment);
            row.holds = exact ? Holds::SavedFile : Holds::UnsavedChanges;
        }
        seen_.insert(Key(path));
        rows_.push_back(std::move(row));
    }

    void AddLogOnly() {
        for (const auto& [key, known] : log_.byPath) {
            if (seen_.count(key)) continue;
            const std::wstring& path = known.entry.backup;
            const auto found = BackupName::ReadAnyBackup(path, sources_.extension, reader_);
            if (!found) continue;  // a name this program would not write
            BackupRow row;
            row.path = path;
            Describe(row, *found);
            row.local = found->made.local;
            row.moment = found->made.moment;
            const auto failure = failures_.find(Key(row.folder));
            const auto thinned = log_.ThinnedAfter(Key(found->stem), known.order);
            if (failure != failures_.end()) {
                row.holds = Holds::Unreadable;
                row.detail = failure->second;
                failing_.insert(failure->first);
            } else if (thinned) {
                row.holds = Holds::Thinned;
                row.detail = *thinned;
            } else {
                row.holds = Holds::NotFound;
            }
            rows_.push_back(std::move(row));
        }
    }

    // A folder that could not be read and of which the log names no backup: a row of its own.
    void AddUnreadableFolders() {
        for (const auto& [key, failure] : failures_) {
            if (failing_.count(key)) continue;
            BackupRow row;
            row.path = row.folder = key == Key(sources_.oneFolder) ? sources_.oneFolder : key;
            row.key = key;
            row.holds = Holds::Unreadable;
            row.detail = failure;
            rows_.push_back(std::move(row));
        }
    }

    CataloguePorts ports_;
    const CatalogueSources& sources_;
    BackupName::StampReader reader_;
    LogKnowledge log_;
    std::vector<std::wstring> besideFolders_;
    std::map<std::wstring, std::wstring> failures_;  // by Key(folder)
    std::set<std::wstring> failing_;
    std::set<std::wstring> seen_;
    std::vector<BackupRow> rows_;
};

}  // namespace

std::vector<BackupRow> Catalogue(CataloguePorts ports, const CatalogueSources& sources) {
    try {
        return Builder(ports, sources).Build();
    } catch (...) {
        return {};  // the clock itself failed: nothing can be read
    }
}

std::wstring HoldsText(const BackupRow& row) {
    switch (row.holds) {
        case Holds::SavedFile:
            return L"saved file";
        case Holds::UnsavedChanges:
            return L"unsaved changes";
        case Holds::Incomplete:
            return row.detail.empty() ? L"incomplete" : L"incomplete: " + row.detail;
        case Holds::Thinned:
            return L"moved to the Recycle Bin by thinning on " + row.detail;
        case Holds::NotFound:
            return L"not found at " + row.path;
        case Holds::Unreadable:
            return L"cannot be read: " + row.detail;
    }
    return L"";
}

}  // namespace kelbrook::Recovery
