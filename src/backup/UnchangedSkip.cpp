#include "backup/UnchangedSkip.h"

#include "backup/BackupName.h"

namespace kelbrook::SavePublisher {

FileIdentity IdentityOf(Files& files, const std::wstring& path) {
    return FileIdentity{files.FileSize(path), files.LastWriteTime(path)};
}

void ReadSavedState(PublisherDocument& document, Files& files, SavedState& state) {
    state.saved = document.Saved();
    state.path = document.Path();
    state.fullName = document.FullName();
    if (state.path.empty()) return;
    state.file = state.fullName;
    try {
        state.identity = IdentityOf(files, state.file);
    } catch (...) {
        // A file that cannot be read is no file any backup can be known to hold.
    }
}

namespace {

// Nothing remembered since the program started: the newest exact copy, by the time in its
// name, among the document's backups in that folder (its stem with `origin` where one folder
// holds every publication's backups).
std::optional<std::wstring> NewestExactCopy(const std::wstring& folder, const std::wstring& name,
                                            const std::wstring& origin,
                                            const FileIdentity& identity, SkipPorts ports,
                                            const std::wstring& extension) {
    const std::wstring stem = BackupName::Stem(folder, name, origin);
    BackupName::StampReader reader(ports.clock, ports.files);
    std::optional<std::wstring> newest;
    std::int64_t newestTime = 0;
    for (const std::wstring& backup :
         ports.files.FilesStartingWith(folder, BackupName::FilePrefix(stem))) {
        const std::optional<BackupName::Made> made =
            BackupName::ReadCompleteBackupTime(backup, stem, extension, reader);
        if (!made || (newest && made->moment < newestTime)) continue;
        if (IdentityOf(ports.files, backup) != identity) continue;
        if (!newest || made->moment > newestTime || backup > *newest) {
            newest = backup;
            newestTime = made->moment;
        }
    }
    return newest;
}

}  // namespace

std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              SkipPorts ports, const ProgramValues& values) {
    if (!state.saved || state.file.empty() || !state.identity) return std::nullopt;
    const bool oneFolder =
        !ports.controls.Value(ControlId::Option2) && ports.controls.Value(ControlId::Option1);
    const std::wstring folder = ports.controls.Value(ControlId::Option2) ? state.path
                                : oneFolder ? ports.controls.Caption(ControlId::Text1)
                                            : std::wstring();
    const auto last = values.LastBackups.find(state.file);
    if (last != values.LastBackups.end()) {
        if (folder != last->second.folder || last->second.source != state.identity) {
            return std::nullopt;
        }
        // The backup as it was made: one edited, replaced or gone since holds something else
        // (raises when gone).
        const std::wstring& backup = last->second.path;
        if (IdentityOf(ports.files, backup) != last->second.made) return std::nullopt;
        return Unchanged{document.Name(), backup};
    }
    if (folder.empty()) return std::nullopt;
    const std::wstring name = document.Name();
    const std::optional<std::wstring> exact =
        NewestExactCopy(folder, name, oneFolder ? state.path : std::wstring(), *state.identity,
                        ports, values.BackupExtension);
    if (!exact) return std::nullopt;
    return Unchanged{name, *exact};
}

}  // namespace kelbrook::SavePublisher
