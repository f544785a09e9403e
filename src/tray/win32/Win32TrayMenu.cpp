#include "tray/win32/Win32TrayMenu.h"

#include "core/Failure.h"

namespace kelbrook::win32 {

int Win32TrayMenu::Show(const std::vector<std::wstring>& items, int defaultItem) {
    HWND owner = Owner();
    if (owner == nullptr) return -1;
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) ThrowLastError(L"Creating the tray menu");
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(i + 1), items[i].c_str())) {
            ThrowLastError(L"Creating the tray menu");
        }
    }
    if (defaultItem >= 0) ::SetMenuDefaultItem(menu.get(), static_cast<UINT>(defaultItem), TRUE);
    POINT at{};
    ::GetCursorPos(&at);
    ::SetForegroundWindow(owner);
    const int chosen = static_cast<int>(::TrackPopupMenuEx(
        menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y,
        owner, nullptr));
    ::PostMessageW(owner, WM_NULL, 0, 0);  // so that a second click on the icon works at once
    return chosen - 1;
}

}  // namespace kelbrook::win32
