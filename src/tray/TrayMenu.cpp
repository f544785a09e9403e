#include "tray/TrayMenu.h"

#include <iterator>

namespace kelbrook::TrayMenuItems {

namespace {

constexpr struct {
    const wchar_t* caption;
    TrayCommand command;
} kItems[] = {
    {L"&Open Kelbrook", TrayCommand::OpenKelbrook},
    {L"Backup &Save Now", TrayCommand::BackupSaveNow},
    {L"&Backups\x2026", TrayCommand::Backups},
    {L"E&xit", TrayCommand::Exit},
};

}  // namespace

TrayCommand Choose(TrayMenu& menu) {
    std::vector<std::wstring> captions;
    for (const auto& item : kItems) captions.emplace_back(item.caption);
    const int chosen = menu.Show(captions, 0);
    if (chosen < 0 || chosen >= static_cast<int>(std::size(kItems))) return TrayCommand::None;
    return kItems[chosen].command;
}

}  // namespace kelbrook::TrayMenuItems
