// What the Backups window needs from the machine beyond the core ports: the backup folders
// listed in one go, a copy that never replaces a file, and the shell's "open" and "show".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelbrook::Recovery {

// A file in a listed folder: its name, size, and creation and last-write times (100 ns since
// 1601, UTC).
struct ListedFile {
    std::wstring name;
    std::uint64_t size = 0;
    std::int64_t created = 0;
    std::int64_t written = 0;
};

// One folder's files; `failure` says why they could not be read (then `files` is empty).
struct FolderListing {
    std::wstring folder;
    std::vector<ListedFile> files;
    std::wstring failure;
};

class BackupFolders {
  public:
    virtual ~BackupFolders() = default;
    // Lists the files (not the subfolders) of every folder, in the order given, all within
    // `milliseconds` together: a folder that has not answered by then (an unreachable share)
    // is given up, its failure saying so. Never raises.
    virtual std::vector<FolderListing> List(const std::vector<std::wstring>& folders,
                                            int milliseconds) = 0;
    // True when a file or folder of that path exists; never raises.
    virtual bool Exists(const std::wstring& path) = 0;
    // Copies `from` to the new file `to`, never over an existing one, with the source's
    // last-write time. Raises on failure, leaving nothing at `to`.
    virtual void CopyToNew(const std::wstring& from, const std::wstring& to) = 0;
};

class BackupShell {
  public:
    virtual ~BackupShell() = default;
    // The file opened by the program the system associates with it ("open" verb); raises.
    virtual void Open(const std::wstring& path) = 0;
    // Explorer shows the file's folder with the file selected; raises.
    virtual void ShowInFolder(const std::wstring& path) = 0;
};

// The Backups window, as the rest of the program reaches it.
class BackupsWindow {
  public:
    virtual ~BackupsWindow() = default;
    // Opens the window, or brings the open one to the front: there is one at a time.
    virtual void Show() = 0;
    // The same, showing only the publications of these backups.
    virtual void ShowPublications(const std::vector<std::wstring>& backups) = 0;
};

}  // namespace kelbrook::Recovery
