// Drives the stand-in Publisher (tools/publisher-standin) from outside: its registration, a
// running instance with its documents, its fault switches and call journal, and its
// processes. PublisherStandin.exe is taken from beside the test executable.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::e2e {

inline constexpr wchar_t kStandinExe[] = L"PublisherStandin.exe";
inline constexpr wchar_t kStandinWindowClass[] = L"PublisherStandinWindow";
inline constexpr wchar_t kStandinWindowTitle[] = L"Publisher stand-in";

// A publication as the stand-in holds it: its pages in order, each the texts of its shapes.
using Publication = std::vector<std::vector<std::wstring>>;

// The publication file of these pages exactly as the stand-in's SaveAs writes it: UTF-8,
// "standin-publication 1", then "page" and "shape <text>" lines, every line ending in CR LF;
// a page size other than the default as "<width> <height>" (points) gives a "size" line.
std::string PublicationFile(const Publication& pages, const std::string& size = "");

// PublisherStandin.exe beside the test executable.
std::filesystem::path StandinProgram();

// How a run of the stand-in to its end went: its exit code, or nothing and why (the start or
// the wait failed, with the system's error, or it did not end within the deadline).
struct StandinExit {
    std::optional<DWORD> code;
    std::wstring failure;
};

// Runs the stand-in with these arguments to its end.
StandinExit RunStandin(const std::vector<std::wstring>& arguments);

// The ProgID "Publisher.Application" leads to the stand-in's class.
bool StandinRegistered();

// The ids of every PublisherStandin process alive.
std::vector<DWORD> StandinProcesses();

// A running instance of the stand-in, as a user starts Publisher with documents: found by
// GetActiveObject, shown in its window "Publisher stand-in". Ended with the object if it
// still runs.
class RunningStandin {
  public:
    RunningStandin() = default;
    RunningStandin(const RunningStandin&) = delete;
    RunningStandin& operator=(const RunningStandin&) = delete;
    ~RunningStandin();

    // Starts the stand-in with these arguments (files, "--unsaved NAME") and waits until its
    // window shows and its Application is the active object of its class. False when it
    // did not get there; exitCode() then tells whether it ended.
    bool Start(const std::vector<std::wstring>& arguments);
    DWORD id() const { return processId_; }
    bool Running() const;
    std::optional<DWORD> exitCode() const;
    // Its window "Publisher stand-in", or null.
    HWND Window() const;
    // Closes its window as the close box would and waits for its exit: its exit code, or
    // nothing at the deadline.
    std::optional<DWORD> Close();
    // Ends the process if it still runs.
    void Kill();
    // Lets the process run on after the object has gone.
    void Detach();

  private:
    win32::UniqueHandle process_;
    DWORD processId_ = 0;
};

// Any running instance of the stand-in is registered as the active object (GetActiveObject
// finds it).
bool StandinActiveObjectRegistered();

// ---- HKEY_CURRENT_USER\Software\PublisherStandin ------------------------------------------

namespace StandinSettings {
// Removes the key with its faults and journal setting; true when it is gone.
bool Clear();
// A fault switch, e.g. ("Document.SaveAs", "fail") or ("Shapes.Paste", "crash").
bool SetFault(const std::wstring& name, const std::wstring& value);
bool RemoveFault(const std::wstring& name);
// Every instance appends one line per incoming call to this file from now on.
bool SetJournal(const std::filesystem::path& file);
// The recent-files list that SaveAs adds to unless told not to, oldest first.
std::vector<std::wstring> RecentFiles();
}  // namespace StandinSettings

// One line of the journal: "<pid> <running|copy> <Object>.<Member> <GetIDsOfNames|Invoke>".
struct JournalEntry {
    DWORD processId = 0;
    bool running = false;  // the running instance, not a copy instance
    std::wstring member;   // "Object.Member"
    std::wstring call;     // "GetIDsOfNames" or "Invoke"
    std::wstring line;     // as written
};

// The journal's lines in order; a line that does not parse is kept with member empty.
std::vector<JournalEntry> ReadJournal(const std::filesystem::path& file);

}  // namespace kelbrook::e2e
