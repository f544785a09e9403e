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
    return Choose(menu, {}).command;
}

TrayChoice Choose(TrayMenu& menu, const std::vector<std::wstring>& recoveries) {
    std::vector<std::wstring> captions = recoveries;
    for (const auto& item : kItems) captions.emplace_back(item.caption);
    const int offered = static_cast<int>(recoveries.size());
    const int chosen = menu.Show(captions, offered);
    if (chosen < 0 || chosen >= static_cast<int>(captions.size())) return {};
    if (chosen < offered) return {TrayCommand::Recover, chosen};
    return {kItems[chosen - offered].command, -1};
}

}  // namespace kelbrook::TrayMenuItems
