#include "backup/UnchangedSkip.h"

#include "backup/BackupName.h"
#include "backup/Calendar.h"

namespace kelbrook::SavePublisher {

SavedState ReadSavedState(PublisherDocument& document, Files& files) {
    SavedState state;
    state.saved = document.Saved();
    state.path = document.Path();
    state.fullName = document.FullName();
    if (state.path.empty()) return state;
    state.file = state.fullName;
    try {
        state.identity = FileIdentity{files.FileSize(state.file), files.LastWriteTime(state.file)};
    } catch (...) {
        // A file that cannot be read is no file any backup can be known to hold.
    }
    return state;
}

namespace {

// Nothing remembered since the program started: the newest exact copy, by the time in its
// name, among the document's backups in that folder.
std::optional<std::wstring> NewestExactCopy(const std::wstring& folder, const std::wstring& name,
                                            const FileIdentity& identity, SkipPorts ports,
                                            const std::wstring& extension) {
    const std::wstring stem = BackupName::Stem(folder, name);
    const std::int64_t now = Calendar::Seconds(ports.clock.Now());
    std::optional<std::wstring> newest;
    std::int64_t newestTime = 0;
    for (const std::wstring& backup :
         ports.files.FilesStartingWith(folder, BackupName::FilePrefix(stem))) {
        const std::optional<std::int64_t> time =
            BackupName::ReadCompleteBackupTime(backup, stem, extension, ports.clock, now);
        if (!time || (newest && *time < newestTime)) continue;
        if (FileIdentity{ports.files.FileSize(backup), ports.files.LastWriteTime(backup)} !=
            identity) {
            continue;
        }
        if (!newest || *time > newestTime || backup > *newest) {
            newest = backup;
            newestTime = *time;
        }
    }
    return newest;
}

}  // namespace

std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              SkipPorts ports, const ProgramValues& values) {
    if (!state.saved || state.file.empty() || !state.identity) return std::nullopt;
    const std::wstring folder = ports.controls.Value(ControlId::Option2) ? state.path
                                : ports.controls.Value(ControlId::Option1)
                                    ? ports.controls.Caption(ControlId::Text1)
                                    : std::wstring();
    const auto last = values.LastBackups.find(state.file);
    if (last != values.LastBackups.end()) {
        if (folder != last->second.folder || last->second.source != state.identity) {
            return std::nullopt;
        }
        ports.files.LastWriteTime(last->second.path);  // raises when the backup has gone
        return Unchanged{document.Name(), last->second.path};
    }
    if (folder.empty()) return std::nullopt;
    const std::wstring name = document.Name();
    const std::optional<std::wstring> exact =
        NewestExactCopy(folder, name, *state.identity, ports, values.BackupExtension);
    if (!exact) return std::nullopt;
    return Unchanged{name, *exact};
}

}  // namespace kelbrook::SavePublisher
