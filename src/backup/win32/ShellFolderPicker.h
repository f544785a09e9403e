// The shell's folder dialog (SHBrowseForFolder), modal to the main window.
#pragma once

#include <windows.h>

#include "backup/AddFolder.h"

namespace kelbrook::win32 {

class ShellFolderPicker : public FolderPicker {
  public:
    explicit ShellFolderPicker(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    std::wstring PickFolder(const std::wstring& prompt, const std::wstring& startFolder) override;

  private:
    HWND owner_;
};

}  // namespace kelbrook::win32
