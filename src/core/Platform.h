// Ports to the files, processes and shell of the machine the program runs on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelbrook {

// What became of a file sent to the Recycle Bin.
enum class Recycled { Moved, Refused };

class Files {
  public:
    virtual ~Files() = default;
    // True when the last-modification time of the path can be read; never raises.
    virtual bool ReadTimestamp(const std::wstring& path) = 0;
    // The ordinary delete; false when it failed. Never raises.
    virtual bool DeleteOrdinary(const std::wstring& path) = 0;
    // The scripting file-system object's forced delete; raises on failure.
    virtual void DeleteForced(const std::wstring& path) = 0;
    // The whole content of a file as bytes; raises on failure.
    virtual std::string ReadAll(const std::wstring& path) = 0;
    // The whole content of a text file in the ANSI code page; raises on failure.
    virtual std::wstring ReadAnsiText(const std::wstring& path) = 0;
    // Appends the text and CR LF in the ANSI code page, creating the file; raises on failure.
    virtual void AppendAnsiLine(const std::wstring& path, const std::wstring& text) = 0;
    // Renames a file, replacing a file of the new name; a file that another process still
    // holds is tried again for a few seconds. Raises on failure.
    virtual void MoveReplacing(const std::wstring& from, const std::wstring& to) = 0;
    // When the file was last written, as a count that grows with time (100 ns since 1601);
    // raises when it cannot be read.
    virtual std::int64_t LastWriteTime(const std::wstring& path) = 0;
    // When the file was created, in the same count (UTC); raises when it cannot be read.
    virtual std::int64_t CreationTime(const std::wstring& path) = 0;
    // The user's folder for temporary files, without a trailing backslash.
    virtual std::wstring TemporaryFolder() = 0;
    // Copies a whole, settled file byte for byte to `to` (replacing a file), with the source's
    // last-write time, so that the copy shows what it is a copy of: the source is read
    // with every sharing, since the application that has it open may hold it, and must keep
    // its size and last-write time from before to after the copy. False, leaving nothing at
    // `to`, when the source cannot be read or changed meanwhile; raises when `to` cannot be
    // written.
    virtual bool CopySettled(const std::wstring& from, const std::wstring& to) = 0;
    // The full paths of the files in the folder whose names begin with `prefix` (case as the
    // file system compares); empty when there are none or the folder cannot be read.
    virtual std::vector<std::wstring> FilesStartingWith(const std::wstring& folder,
                                                        const std::wstring& prefix) = 0;
    // Moves a file to the Recycle Bin, where the user can get it back; asks nothing, shows
    // nothing, and raises when it cannot. Never deletes it for good instead: where Windows
    // would (a Recycle Bin set to remove files at once, a file larger than the bin takes), the
    // file stays where it is and the answer is Refused.
    virtual Recycled MoveToRecycleBin(const std::wstring& path) = 0;
    // The root of the volume that holds the folder ("C:\", "\\server\share\") and whether
    // its files can go to a Recycle Bin (a network share and removable drives have none: a
    // file deleted there is gone for good). Raises when it cannot be told.
    virtual std::pair<std::wstring, bool> RecycleBinOf(const std::wstring& folder) = 0;
    // The size of a file in bytes; raises when it cannot be read.
    virtual std::uint64_t FileSize(const std::wstring& path) = 0;
    // The free bytes (for this user) of the volume that holds the folder, and the volume's
    // name as its root ("C:\", "\\server\share\"); raises when they cannot be read.
    virtual std::pair<std::uint64_t, std::wstring> FreeSpace(const std::wstring& folder) = 0;
};

enum class ShowState { Normal, MinimizedWithFocus };

class Processes {
  public:
    virtual ~Processes() = default;
    // The folder of the running executable, without a trailing backslash except at a root.
    virtual std::wstring ProgramFolder() = 0;
    // The full path of the running program's own executable; raises when it cannot be read.
    virtual std::wstring ExecutablePath() = 0;
    // An environment variable, or nothing when it is not set.
    virtual std::optional<std::wstring> Environment(const std::wstring& name) = 0;
    // Starts a command line as a separate process and does not wait; raises on failure.
    virtual void Start(const std::wstring& commandLine, ShowState show) = 0;
};

class ShellFolders {
  public:
    virtual ~ShellFolders() = default;
    // The file-system path of a special folder (a CSIDL number) without a trailing
    // backslash, or "" when it cannot be resolved.
    virtual std::wstring SpecialFolderPath(int csidl) = 0;
};

class DebugOutput {
  public:
    virtual ~DebugOutput() = default;
    // Writes a line to the debugger's output (nobody sees it unless a debugger listens).
    virtual void Write(const std::wstring& text) = 0;
};

// What was on the clipboard at one moment, held by the program until it is put back.
class ClipboardSnapshot {
  public:
    virtual ~ClipboardSnapshot() = default;
    // Puts the clipboard back as it was (an empty clipboard stays empty), waiting a few
    // seconds at most while another program holds it; raises on failure.
    virtual void Restore() = 0;
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Takes a copy of every format now on the clipboard, waiting a few seconds at most while
    // another program holds it; raises on failure.
    virtual std::unique_ptr<ClipboardSnapshot> TakeSnapshot() = 0;
    // Waits, a few seconds at most, until no other program holds the clipboard; false when
    // one still does.
    virtual bool WaitUntilFree() = 0;
};

// A moment of local time.
struct LocalTime {
    int year = 0, month = 0, day = 0;  // month 1 to 12
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    bool operator==(const LocalTime&) const = default;
};

// The clock and the user's locale.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // The date by a picture of the locale's codes ("MMM d yyyy").
    virtual std::wstring FormatDate(const LocalTime& time, const std::wstring& picture) = 0;
    // The time by a picture of the locale's codes ("hh mm ss tt").
    virtual std::wstring FormatTime(const LocalTime& time, const std::wstring& picture) = 0;
    // The general date: the short date, a blank, the long time.
    virtual std::wstring FormatGeneralDate(const LocalTime& time) = 0;
    // The moments (seconds since 1 January 1970, UTC) at which the local clock showed `time`,
    // by the time zone's rules, earliest first: one; two in the hour that a change back to
    // standard time repeats; none in the hour that a change forward skips. Raises when the
    // rules cannot be read.
    virtual std::vector<std::int64_t> MomentsOf(const LocalTime& time) = 0;
    // This moment, in the same count.
    virtual std::int64_t NowMoment() = 0;
};

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Lets the user interface process every window message that is waiting.
    virtual void ProcessPending() = 0;
    // Milliseconds of a steady clock, for waits.
    virtual std::int64_t NowMilliseconds() = 0;
    // Sleeps until a message arrives for the user interface or the time is up.
    virtual void WaitForMessages(int milliseconds) = 0;
};

}  // namespace kelbrook
