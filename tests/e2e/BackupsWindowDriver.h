// The Backups window driven from outside: found among the program's windows, its list read
// and its rows selected through the list view's own messages, with the item records written
// into the program's memory (a list view's messages carry pointers, which no system carries
// from one process to another).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "recovery/win32/BackupsWindow.h"

namespace kelbrook::e2e {

inline constexpr UINT kListMessageTimeoutMs = 5000;

// Memory in another process, freed with the object.
class RemoteMemory {
  public:
    RemoteMemory(DWORD processId, SIZE_T bytes)
        : process_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 processId)) {
        if (process_) {
            address_ = ::VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE,
                                        PAGE_READWRITE);
        }
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() {
        if (address_ != nullptr) ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
    }
    char* address() const { return static_cast<char*>(address_); }
    bool Write(SIZE_T offset, const void* bytes, SIZE_T size) const {
        SIZE_T done = 0;
        return address_ != nullptr &&
               ::WriteProcessMemory(process_.get(), address() + offset, bytes, size, &done) &&
               done == size;
    }
    bool Read(SIZE_T offset, void* bytes, SIZE_T size) const {
        SIZE_T done = 0;
        return address_ != nullptr &&
               ::ReadProcessMemory(process_.get(), address() + offset, bytes, size, &done) &&
               done == size;
    }

  private:
    win32::UniqueHandle process_;
    void* address_ = nullptr;
};

inline std::optional<LRESULT> SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                               kListMessageTimeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// Every row of a report list view, each cell's text; nothing when it cannot be read.
inline std::optional<std::vector<std::vector<std::wstring>>> ListViewRows(DWORD processId,
                                                                          HWND list) {
    const auto count = SendWithin(list, LVM_GETITEMCOUNT, 0, 0);
    const auto header = SendWithin(list, LVM_GETHEADER, 0, 0);
    if (!count || !header) return std::nullopt;
    const auto columns = SendWithin(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0);
    if (!columns) return std::nullopt;
    constexpr int kChars = 1024;
    RemoteMemory remote(processId, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    std::vector<std::vector<std::wstring>> rows;
    for (int row = 0; row < static_cast<int>(*count); ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < static_cast<int>(*columns); ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.cchTextMax = kChars;
            item.pszText = reinterpret_cast<LPWSTR>(remote.address() + sizeof(LVITEMW));
            std::vector<wchar_t> text(kChars, L'\0');
            if (!remote.Write(0, &item, sizeof(item)) ||
                !SendWithin(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(remote.address())) ||
                !remote.Read(sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t))) {
                return std::nullopt;
            }
            text.back() = L'\0';
            cells.emplace_back(text.data());
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

// Selects and focuses one row, as a click on it would; true when it is selected.
inline bool SelectListViewRow(DWORD processId, HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    RemoteMemory remote(processId, sizeof(item));
    if (!remote.Write(0, &item, sizeof(item)) ||
        !SendWithin(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                    reinterpret_cast<LPARAM>(remote.address()))) {
        return false;
    }
    const auto selected = SendWithin(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return selected && *selected == row;
}

// The program's Backups window, or null.
inline HWND BackupsWindowOf(DWORD processId) {
    for (HWND window : TopLevelWindows(processId, win32::kBackupsWindowClass)) {
        if (::IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// The window has a list from a finished look at the folders ("N backups of M publications").
inline bool BackupsListed(HWND window) {
    return TextOf(::GetDlgItem(window, win32::kBackupsStatus)).find(L" backups of ") !=
           std::wstring::npos;
}

}  // namespace kelbrook::e2e
