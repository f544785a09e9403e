// The notification area as a test sees it from outside: Wine's shell shows a balloon as a
// visible tooltip window.
#pragma once

#include <windows.h>

#include "Driver.h"

namespace kelbrook::e2e {

// A balloon is up: a visible tooltip window of the shell.
inline bool BalloonShown() {
    bool shown = false;
    ::EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            if (ClassNameOf(window) == L"tooltips_class32" && ::IsWindowVisible(window)) {
                *reinterpret_cast<bool*>(found) = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

}  // namespace kelbrook::e2e
