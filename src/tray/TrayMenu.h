// The tray icon's menu, on a right click: the commands a user wants without the window.
#pragma once

#include <string>
#include <vector>

namespace kelbrook {

enum class TrayCommand { None, Recover, OpenKelbrook, BackupSaveNow, Backups, Exit };

// What the user chose; for Recover, which of the recoveries offered.
struct TrayChoice {
    TrayCommand command = TrayCommand::None;
    int recovery = -1;
};

class TrayMenu {
  public:
    virtual ~TrayMenu() = default;
    // Shows the items as a menu at the pointer, `defaultItem` in bold (what the left click
    // does); the index of the item chosen, or -1 when the menu closed without a choice.
    virtual int Show(const std::vector<std::wstring>& items, int defaultItem) = 0;
};

namespace TrayMenuItems {

// "Open Kelbrook" (the default), "Backup Save Now", "Backups…", "Exit", with their access keys;
// what the user chose.
TrayCommand Choose(TrayMenu& menu);
// The same after an item for each recovery offered ("Recover News.pub…"), first in the menu.
TrayChoice Choose(TrayMenu& menu, const std::vector<std::wstring>& recoveries);

}  // namespace TrayMenuItems
}  // namespace kelbrook
