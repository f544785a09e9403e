// The shell's folder dialog (SHBrowseForFolder), modal to the main window.
#pragma once

#include "backup/AddFolder.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

class ShellFolderPicker : public FolderPicker, public OwnedByWindow {
  public:
    using OwnedByWindow::OwnedByWindow;
    std::wstring PickFolder(const std::wstring& prompt, const std::wstring& startFolder) override;
};

}  // namespace kelbrook::win32
