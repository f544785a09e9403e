#include "backup/UnchangedSkip.h"

#include <cstdint>

#include "backup/BackupName.h"

namespace kelbrook::SavePublisher {

SavedState ReadSavedState(PublisherDocument& document) {
    SavedState state;
    state.saved = document.Saved();
    if (state.saved) state.path = document.Path();
    if (state.saved && !state.path.empty()) state.fullName = document.FullName();
    return state;
}

namespace {

// A backup holds what the document's file holds now: an exact copy keeps its original's size
// and last-write time; a rebuilt one was written after the file last was.
bool Holds(Files& files, const std::wstring& backup, const std::wstring& document) {
    const std::int64_t written = files.LastWriteTime(document);
    const std::int64_t backedUp = files.LastWriteTime(backup);
    return written < backedUp ||
           (written == backedUp && files.FileSize(document) == files.FileSize(backup));
}

// Nothing remembered since the program started: an exact copy among the document's backups in
// that folder shows that it is unchanged since.
std::optional<std::wstring> ExactCopyAmongBackups(const std::wstring& folder,
                                                  const std::wstring& name,
                                                  const std::wstring& fullName, Files& files,
                                                  const std::wstring& extension) {
    const std::wstring stem = BackupName::Stem(folder, name);
    std::optional<std::int64_t> written;
    std::uint64_t size = 0;
    std::optional<std::wstring> newest;
    for (const std::wstring& backup :
         files.FilesStartingWith(folder, BackupName::FilePrefix(stem))) {
        if (!BackupName::IsCompleteBackup(backup, stem, extension)) continue;
        if (!written) {  // read once there is something to compare with
            written = files.LastWriteTime(fullName);
            size = files.FileSize(fullName);
        }
        if (files.LastWriteTime(backup) == *written && files.FileSize(backup) == size &&
            (!newest || backup > *newest)) {
            newest = backup;
        }
    }
    return newest;
}

}  // namespace

std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              Controls& controls, Files& files,
                                              const ProgramValues& values) {
    if (!state.saved || state.path.empty()) return std::nullopt;
    const std::wstring folder = controls.Value(ControlId::Option2) ? state.path
                                : controls.Value(ControlId::Option1)
                                    ? controls.Caption(ControlId::Text1)
                                    : std::wstring();
    const auto last = values.LastBackups.find(state.fullName);
    if (last != values.LastBackups.end()) {
        if (folder != last->second.folder || !Holds(files, last->second.path, state.fullName)) {
            return std::nullopt;
        }
        return Unchanged{document.Name(), last->second.path};
    }
    if (folder.empty()) return std::nullopt;
    const std::wstring name = document.Name();
    const std::optional<std::wstring> exact =
        ExactCopyAmongBackups(folder, name, state.fullName, files, values.BackupExtension);
    if (!exact) return std::nullopt;
    return Unchanged{name, *exact};
}

}  // namespace kelbrook::SavePublisher
