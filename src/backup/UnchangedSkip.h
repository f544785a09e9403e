// The timer's skip: a publication that has not changed since a good backup of it needs no new
// one on schedule. The skip never hides a change: it applies only when Publisher calls the
// document saved now and its file is the very file (size and last-write time) that a good
// backup was made from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "backup/PublisherAutomation.h"
#include "core/Controls.h"
#include "core/Globals.h"
#include "core/Platform.h"

namespace kelbrook::SavePublisher {

// A file as a backup can be made from it: its size and last-write time.
using FileIdentity = std::pair<std::uint64_t, std::int64_t>;

// The file's identity now; raises when it cannot be read.
FileIdentity IdentityOf(Files& files, const std::wstring& path);

// What step 106 reads of a document, before anything is copied.
struct SavedState {
    bool saved = false;                    // Publisher calls it unchanged since it was saved
    std::wstring path;                     // its folder; empty when never saved
    std::wstring fullName;                 // its file, or its name alone when never saved
    std::wstring file;                     // its file; empty when never saved
    std::optional<FileIdentity> identity;  // of the file, when it can be read
};

// Fills `state` in the order of its members; raises when one of Publisher's answers cannot
// be read, keeping those read before it. A file that cannot be read leaves the identity empty.
void ReadSavedState(PublisherDocument& document, Files& files, SavedState& state);

// A document the timer may skip: its name, and the backup that holds it.
struct Unchanged {
    std::wstring name;
    std::wstring backup;
};

struct SkipPorts {
    Controls& controls;
    Files& files;
    Clock& clock;
};

// The document needs no new backup on schedule when Publisher calls it saved and a good backup
// into the folder the run would use now was made from its file as it is now: the one this run
// of the program remembers or, after a restart, the newest exact copy (same size and
// last-write time) among the document's backups there. Raises when something cannot be read:
// the caller then counts the document as changed.
std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              SkipPorts ports, const ProgramValues& values);

}  // namespace kelbrook::SavePublisher
