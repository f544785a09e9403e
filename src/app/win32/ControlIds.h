// Window class and child-window identifiers of the main window, shared with the tests
// that drive the program from outside.
#pragma once

#include "core/ControlTable.h"

namespace kelbrook::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"KelbrookMainWindow";
inline constexpr wchar_t kMainWindowCaption[] = L"Kelbrook";

// A control's child-window identifier: 1000 + its place in the control table (Form1, the
// window itself, has 1000 and is no child). cSysTray1's is that of the tray control's window.
constexpr int ChildWindowId(ControlId id) {
    return 1000 + static_cast<int>(id);
}

}  // namespace kelbrook::win32
