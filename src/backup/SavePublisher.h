// The backup run: one backup copy of every document open in the running Publisher, each
// made in a fresh Publisher instance through the clipboard, saved under a backup name and
// written to the history log.
#pragma once

#include <string>

#include "backup/AddFolder.h"
#include "backup/PublisherAutomation.h"
#include "core/Controls.h"
#include "core/Dialogs.h"
#include "core/Globals.h"
#include "core/Platform.h"

namespace kelbrook {

struct SavePublisherPorts {
    Controls& controls;
    Dialogs& dialogs;
    Files& files;
    FolderPicker& folders;
    PublisherAutomation& publisher;
    Clipboard& clipboard;
    Clock& clock;
    DebugOutput& debug;
};

namespace SavePublisher {

// Who asked for a run: "Backup Save Now (Test)" copies everything; the timer skips a
// publication that has not changed since this program's last good backup of it.
enum class RunKind { Everything, OnSchedule };

inline constexpr wchar_t kUnsavedPrompt[] = L" is unsaved. Please select location:";

// True when a running Publisher can be attached and calls itself "Microsoft Publisher".
// Never raises.
bool IsPublisherRunning(PublisherAutomation& publisher);

// The finished backup file name for a path made of folder and document name: with Option3
// " Date <MMM d yyyy> Time <hh mm ss tt>", with Option4 " <MMM d yyyy>", then the extension;
// "" when neither is selected. Date and time are those of the one reading `now`.
std::wstring AddBackupStamp(const Controls& controls, Clock& clock, const LocalTime& now,
                            const std::wstring& path, const std::wstring& extension);

// The document name as the file-name part of a backup path: \ / : * ? " < > | become "_",
// so that a name can neither add a folder level nor make the path invalid.
std::wstring SafeFileName(const std::wstring& name);

// Where a backup is written before it replaces the file of its own name: in the same folder.
std::wstring SavingPath(const std::wstring& backupPath);

// Where a copy known to be incomplete is saved: " (incomplete)" before the extension, so that
// it never replaces a backup of the backup's own name.
std::wstring IncompletePath(const std::wstring& backupPath);

// A name the user can recognise for document k whose name cannot be read: the file-name part
// of its full name when that can be read, otherwise "Publication <k>" (so too for a
// document Publisher would not hand over). Never raises.
std::wstring ReadableName(PublisherDocument* document, int k);

// One run over every open document. Reports its own failures and never raises. A second
// call while one is under way returns at once.
void SaveAll(SavePublisherPorts ports, ProgramValues& values, RunKind kind = RunKind::Everything);

// "Backup Save Now (Test)".
void PushButton2_Click(SavePublisherPorts ports, ProgramValues& values);

}  // namespace SavePublisher
}  // namespace kelbrook
