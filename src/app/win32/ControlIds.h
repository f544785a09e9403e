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

// The older names of some identifiers, as ControlId, for the tests that still use them.
inline constexpr ControlId IDC_PUSHBUTTON2 = ControlId::PushButton2;
inline constexpr ControlId IDC_PUSHBUTTON4 = ControlId::PushButton4;
inline constexpr ControlId IDC_FRAME2 = ControlId::Frame2;
inline constexpr ControlId IDC_OPTION1 = ControlId::Option1;
inline constexpr ControlId IDC_OPTION2 = ControlId::Option2;
inline constexpr ControlId IDC_OPTION3 = ControlId::Option3;
inline constexpr ControlId IDC_OPTION4 = ControlId::Option4;
inline constexpr ControlId IDC_TEXT1 = ControlId::Text1;

}  // namespace kelbrook::win32
