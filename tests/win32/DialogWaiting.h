// Finds the dialog box that a call on another thread of this process puts up.
#pragma once

#include <windows.h>

#include <string>

namespace kelbrook::win32 {

// The first visible "#32770" window of the thread, waiting up to 30 s; nullptr if none came.
inline HWND WaitForDialog(DWORD threadId) {
    for (int attempt = 0; attempt < 3000; ++attempt) {
        HWND found = nullptr;
        ::EnumThreadWindows(
            threadId,
            [](HWND window, LPARAM out) -> BOOL {
                wchar_t className[16] = {};
                ::GetClassNameW(window, className, 16);
                if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
                    *reinterpret_cast<HWND*>(out) = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found != nullptr) return found;
        ::Sleep(10);
    }
    return nullptr;
}

}  // namespace kelbrook::win32
