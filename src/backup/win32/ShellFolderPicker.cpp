#include "backup/win32/ShellFolderPicker.h"

#include <shlobj.h>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

// Opens the dialog on the start folder; every other notification is ignored.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        const auto* startFolder = reinterpret_cast<const std::wstring*>(data);
        if (!startFolder->empty()) {
            ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                           reinterpret_cast<LPARAM>(startFolder->c_str()));
        }
    }
    return 0;
}

}  // namespace

std::wstring ShellFolderPicker::PickFolder(const std::wstring& prompt,
                                           const std::wstring& startFolder) {
    BROWSEINFOW browse{};
    browse.hwndOwner = Owner();
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = nullptr;
    browse.lpszTitle = prompt.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    browse.lpfn = &BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(&startFolder);

    UniqueCoTaskMem chosen(::SHBrowseForFolderW(&browse));
    if (!chosen) return L"";
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(chosen.get()), path)) return L"";
    return path;
}

}  // namespace kelbrook::win32
