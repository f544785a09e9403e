// The tray icon's menu as a pop-up menu at the pointer.
#pragma once

#include <windows.h>

#include "core/win32/Win32Support.h"
#include "tray/TrayMenu.h"

namespace kelbrook::win32 {

class Win32TrayMenu : public TrayMenu, public OwnedByWindow {
  public:
    // The menu belongs to the owner's thread and closes when the user clicks elsewhere (the
    // owner is brought to the front first, as the shell requires of a tray menu).
    int Show(const std::vector<std::wstring>& items, int defaultItem) override;
};

}  // namespace kelbrook::win32
