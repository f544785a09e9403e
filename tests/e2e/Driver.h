// Drives Kelbrook.exe from outside, as a user would see it: its own copy in a fresh folder,
// its process, its main window and message boxes, and its settings in the registry.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ControlTable.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::e2e {

// Every wait polls its condition this often, up to a generous deadline.
inline constexpr std::chrono::milliseconds kPollInterval{20};
inline constexpr std::chrono::milliseconds kDeadline{25000};

// Polls the condition until it holds or the deadline passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = kDeadline);

// The folder of the running test executable (where the build put Kelbrook.exe too).
std::filesystem::path TestProgramFolder();

// A fresh folder under %TEMP% with a copy of Kelbrook.exe; removed with what it holds.
class Workspace {
  public:
    Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace();

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path program() const { return folder_ / L"Kelbrook.exe"; }
    // Writes a file beside the program (sub-folders are created).
    void WriteFile(const std::filesystem::path& relative, const std::string& bytes) const;

  private:
    std::filesystem::path folder_;
};

// ---- windows of another process ---------------------------------------------------------

std::wstring ClassNameOf(HWND window);
// The window's text through WM_GETTEXT, which the system carries across processes.
std::wstring TextOf(HWND window);
// The top-level windows of the process with this class name, or of any class when it is
// empty (hidden ones too).
std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& className);

// What a message box showed when it was found.
struct SeenBox {
    HWND handle = nullptr;
    std::wstring title;
    std::wstring text;
    bool ok = false, yes = false, no = false, cancel = false;  // visible buttons
    bool icon = false;
    bool mainWindowVisible = false;  // the program's main window at that moment
};

// ---- the program ------------------------------------------------------------------------

class KelbrookProcess {
  public:
    KelbrookProcess() = default;
    KelbrookProcess(const KelbrookProcess&) = delete;
    KelbrookProcess& operator=(const KelbrookProcess&) = delete;
    ~KelbrookProcess();

    // Starts the program with its own folder as the current directory; false on failure.
    bool Start(const std::filesystem::path& program);
    // Follows an instance that is already running, started by someone else: the object
    // does not end it when it goes. False when it cannot be opened.
    bool Attach(DWORD processId);
    // Leaves the started process running when this object goes (a driver that hands it on).
    void Detach() { owned_ = false; }
    // The system's error code when the last Start failed.
    DWORD startError() const { return startError_; }
    DWORD id() const { return processId_; }
    bool Running() const;
    // Waits for the process to end by itself; its exit code, or nothing at the deadline.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds deadline = kDeadline) const;
    // Ends the process if it still runs and waits until it has gone.
    void Kill();

    // The main window (found even while hidden), or null.
    HWND MainWindow() const;
    HWND WaitForMainWindow() const;
    // Waits until the main window is shown and takes input; false at the deadline.
    bool WaitUntilUsable() const;
    HWND Control(ControlId id) const;
    // A visible message box of this process, or null.
    HWND FindMessageBox() const;
    // Waits for a visible message box and reads it; nothing at the deadline.
    std::optional<SeenBox> WaitForMessageBox() const;
    // Waits for the visible folder dialog (a dialog with a folder tree); null at the deadline.
    HWND WaitForFolderDialog() const;
    // Waits until the program has handled every message posted to its window so far: a
    // marker posted behind them (the interval list's selection mark, which nobody sees) has
    // taken effect. A message box the handlers opened on the way is up by then.
    bool WaitForPostedMessages() const;

  private:
    win32::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD startError_ = 0;
    bool owned_ = true;  // started by this object, so ended with it
};

// Presses the box's button and waits until the box has gone; false when it stays.
bool Answer(const SeenBox& box, int button);

// Clicks the button as the mouse would: BM_CLICK, posted, since the click may open a modal
// box and a sent message would wait for it.
bool PostClick(HWND button);
// A child window of this class whose text is exactly this, or null.
HWND FindChild(HWND parent, const std::wstring& className, const std::wstring& text);

// ---- memory of another process ------------------------------------------------------------

// A text written into the memory of another process, for messages whose parameter points
// to it there; freed with the object.
class RemoteText {
  public:
    RemoteText(DWORD processId, const std::wstring& text);
    RemoteText(const RemoteText&) = delete;
    RemoteText& operator=(const RemoteText&) = delete;
    ~RemoteText();

    // The text's address in the other process, or null when it could not be written.
    LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }

  private:
    win32::UniqueHandle process_;
    void* address_ = nullptr;
};

// Moves the folder dialog's selection to this folder, as the program itself would with
// BFFM_SETSELECTIONW; true when the tree's selection moved.
bool SelectFolder(HWND dialog, DWORD processId, const std::wstring& folder);

// ---- other processes ----------------------------------------------------------------------

// The ids of the running processes of this executable name (case-insensitive).
std::vector<DWORD> ProcessesNamed(const std::wstring& exeName);
// The command line the process was started with, read from its process parameters.
std::optional<std::wstring> CommandLineOf(DWORD processId);
// Ends the process and waits until it has gone; true when it has.
bool EndProcess(DWORD processId);

// ---- the clipboard ------------------------------------------------------------------------

using win32::UniqueGlobal;

// The clipboard, opened for this thread while the object lives (it waits while another
// program holds it).
class OpenedClipboard {
  public:
    OpenedClipboard();
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard();
    explicit operator bool() const { return opened_; }

  private:
    bool opened_ = false;
};

// Puts the text on the clipboard as CF_UNICODETEXT, alone; true on success.
bool PutClipboardText(const std::wstring& text);
// The CF_UNICODETEXT on the clipboard; nothing when there is none.
std::optional<std::wstring> ClipboardText();

// ---- files and text -----------------------------------------------------------------------

std::optional<std::string> ReadBytes(const std::filesystem::path& path);
bool WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// Clears the read-only attribute and deletes the file; true when it is gone.
bool DeleteWritable(const std::filesystem::path& path);
// The lines of a text, each without its CR LF; a last line without one is returned too.
std::vector<std::wstring> LinesOf(const std::wstring& text);
// Text in the ANSI code page; nothing when a character has no ANSI form. The way back is the
// program's own FromAnsi.
std::optional<std::string> ToAnsiCodePage(const std::wstring& text);
using win32::FromAnsi;
// An environment variable of the test process.
std::optional<std::wstring> EnvironmentVariable(const std::wstring& name);

// The history log of the program, %TEMP%\Kelbrook.txt (the program shares the test's TEMP);
// whatever was there before is put back when the object goes.
class HistoryLogFile {
  public:
    HistoryLogFile();
    HistoryLogFile(const HistoryLogFile&) = delete;
    HistoryLogFile& operator=(const HistoryLogFile&) = delete;
    ~HistoryLogFile();

    // Known, and without a log from before.
    bool Ready() const { return !path_.empty() && removed_; }
    const std::wstring& path() const { return path_; }
    bool Exists() const;
    std::optional<std::string> Bytes() const { return ReadBytes(path_); }
    bool Write(const std::string& bytes) const { return WriteBytes(path_, bytes); }
    bool MakeReadOnly() const;
    // The log's lines read in the ANSI code page, each without its CR LF; a last line
    // without one is returned too.
    std::vector<std::wstring> Lines() const;

  private:
    std::wstring path_;
    std::optional<std::string> savedBytes_;
    DWORD savedAttributes_ = FILE_ATTRIBUTE_NORMAL;
    bool removed_ = false;
};

// ---- controls of the main window --------------------------------------------------------

bool IsChecked(HWND button);
int ListRowCount(HWND list);
// The index of the first selected row, -1 when no row is selected.
int SelectedListRow(HWND list);

// ---- the settings store: HKEY_CURRENT_USER\Software\Tarnwick\Kelbrook ------------------

// One text value of a registry key; nothing when it is not there (other types show their
// type instead).
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& subkey,
                                         const std::wstring& name);
// Writes one text value, creating the key when it is missing; true when it is written.
bool SetRegistryText(HKEY root, const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& value);
// Deletes one value; true when it was there and is gone.
bool DeleteRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name);

namespace Store {
// Removes HKCU\Software\Tarnwick with everything below it; true when it is gone.
bool Clear();
bool Set(const std::wstring& name, const std::wstring& value);
std::optional<std::wstring> Read(const std::wstring& name);
std::vector<std::wstring> ValueNames();
// Every value as text (REG_SZ values; others show their type instead).
std::map<std::wstring, std::wstring> Snapshot();
}  // namespace Store

// Any instance of the program alive in this Wine session (its single-instance mutex).
bool AnyInstanceAlive();

}  // namespace kelbrook::e2e
