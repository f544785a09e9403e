// The Backups window's ports on the real file system and shell.
#pragma once

#include <windows.h>

#include "recovery/BackupsPorts.h"

namespace kelbrook::win32 {

// One folder's files, with their sizes and times (FindFirstFileEx); its failure when it
// cannot be read. A folder that is not there holds nothing.
Recovery::FolderListing ListFolder(const std::wstring& folder);

// Folders are listed each on a thread of its own, so that one on a share that does not
// answer holds up neither the others nor, past the time given, the caller; such a thread is
// left to end when the share answers, and what it finds then goes nowhere.
class Win32BackupFolders : public Recovery::BackupFolders {
  public:
    using Lister = Recovery::FolderListing (*)(const std::wstring& folder);
    // `lister` reads one folder (ListFolder; a test gives one that waits).
    explicit Win32BackupFolders(Lister lister = &ListFolder) : lister_(lister) {}
    std::vector<Recovery::FolderListing> List(const std::vector<std::wstring>& folders,
                                              int milliseconds) override;
    bool Exists(const std::wstring& path) override;
    // Created as a new file (CREATE_NEW, so never over one), written, given the source's
    // last-write time; on any failure the new file is deleted again.
    void CopyToNew(const std::wstring& from, const std::wstring& to) override;

  private:
    Lister lister_;
};

// "open" through ShellExecuteEx; the folder shown with the file selected by Explorer's
// "/select," command line.
class Win32BackupShell : public Recovery::BackupShell {
  public:
    void Open(const std::wstring& path) override;
    void ShowInFolder(const std::wstring& path) override;
};

}  // namespace kelbrook::win32
