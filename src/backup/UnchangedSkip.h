// The timer's skip: a publication that has not changed since a good backup of it needs no new
// one on schedule.
#pragma once

#include <optional>
#include <string>

#include "backup/PublisherAutomation.h"
#include "core/Controls.h"
#include "core/Globals.h"
#include "core/Platform.h"

namespace kelbrook::SavePublisher {

// What step 106 reads of a document: whether Publisher calls it saved, and its file.
struct SavedState {
    bool saved = false;
    std::wstring path;      // its folder; empty when never saved
    std::wstring fullName;  // its file, when saved
};

// Raises when something cannot be read.
SavedState ReadSavedState(PublisherDocument& document);

// A document the timer may skip: its name, and the backup that holds it.
struct Unchanged {
    std::wstring name;
    std::wstring backup;
};

// The document needs no new backup on schedule when Publisher says it has not changed since
// it was saved, it has a file, and a good backup into the folder the run would use now holds
// that file: the one this run of the program remembers, or, after a restart, an exact copy
// among the document's backups there. Raises when something cannot be read: the caller then
// counts the document as changed.
std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              Controls& controls, Files& files,
                                              const ProgramValues& values);

}  // namespace kelbrook::SavePublisher
