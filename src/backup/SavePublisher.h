// The backup run (SaveAll): one backup of every document open in the running Publisher, saved
// under a backup name (BackupName) and written to the history log. A publication Publisher
// calls saved is backed up as its file, copied exactly; a changed one is rebuilt in a fresh
// Publisher instance of its own, the copy (CopyInstance), its content moved across through
// the clipboard (ContentRebuild). Each document goes through its phases in DocumentBackup.
//
// The steps, by the numbers the error report cites ("SaveAll at line N"), in run order:
//   100  Publisher running? Otherwise the run ends silently
//   102  attach to the running Publisher
//   104  the number of documents, then each document, all taken before any copy exists
//   106  for each document: is it saved, and its file (the timer's skip; traced only)
//   112  its name
//   114  Option2: 116 its folder; 118, 120 asked for while it has none
//   128  Option1: 130 the folder typed in Text1
//   132  folder and name joined; 134 doubled backslashes collapsed
//   138  the date (and time) stamp and the extension
//   160  free space: a backup that would leave less than the floor is refused
//   160  a saved publication: its file copied exactly under the saving name
//   108  otherwise, the copy instance is created, and the content rebuilt in it:
//        136 page size; 176 colour scheme; 122 master pages; 140 page counter; 142 the
//        pages; per page 144 first page?, 146 the copy's first page or 148 a page added;
//        126 its master; 150 has shapes?, 152 copied, 154 pasted and placed; 180 ignores
//        its master?; 182 its background; 156 counter; 158 next page; 178 the sections and
//        their page numbers; 168 the scratch area; 184 the stories that flow through linked
//        frames, 186 where their frames stand, 188 each one carried
//   160  the copy saved under the saving name; 164 the copy let go of
//   160  the saved file takes the backup's name
//   162  the log line (also for a skip, a refusal, thinning and a document not handed over)
//   166  next document
//   174  the last copy left to end, the clipboard put back
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

// Whether the user's Publisher runs, and whether it answers: one that rejects every call (a
// dialog is open in it) past the time its calls are tried again is running but busy, not
// "not running". Never raises.
enum class PublisherPresence { NotRunning, Running, Busy };
PublisherPresence PresenceOf(PublisherAutomation& publisher);

inline constexpr wchar_t kPublisherBusyMessage[] =
    L"Publisher did not answer (a dialog may be open in it), so no backup was made. Close the "
    L"dialog in Publisher and try again; with automatic backups on, Kelbrook tries again as soon "
    L"as Publisher answers.";

// The finished backup file name for a path made of folder and document name: with Option3
// " Date <MMM d yyyy> Time <hh mm ss tt>", with Option4 " <MMM d yyyy>", then the extension;
// "" when neither is selected. Date and time are those of the one reading `now`.
std::wstring AddBackupStamp(const Controls& controls, Clock& clock, const LocalTime& now,
                            const std::wstring& path, const std::wstring& extension);

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
