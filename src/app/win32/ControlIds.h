// Window class and child-window identifiers of the main window, shared with the tests
// that drive the program from outside.
#pragma once

namespace kelbrook::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"KelbrookMainWindow";
inline constexpr wchar_t kMainWindowCaption[] = L"Kelbrook";

// Child-window identifiers: 1000 + the control's place in the window's definition order.
enum ControlWindowId : int {
    IDC_PUSHBUTTON4 = 1001,
    IDC_FRAME2 = 1002,
    IDC_PROGRESSBAR1 = 1003,
    IDC_FRAME3 = 1004,
    IDC_OPTION3 = 1005,
    IDC_OPTION4 = 1006,
    IDC_CHECK5 = 1007,
    IDC_CHECK8 = 1008,
    IDC_FRAME1 = 1009,
    IDC_OPTION2 = 1010,
    IDC_OPTION1 = 1011,
    IDC_TEXT1 = 1012,
    IDC_PUSHBUTTON1 = 1013,
    IDC_LISTVIEW1 = 1014,
    IDC_PUSHBUTTON2 = 1015,
    IDC_PUSHBUTTON3 = 1016,
    IDC_PUSHBUTTON5 = 1017,
    IDC_RICHTEXTBOX1 = 1018,
    IDC_PUSHBUTTON11 = 1019,
    IDC_PUSHBUTTON12 = 1020,
    IDC_CSYSTRAY1 = 1021,  // the tray icon control's own window (no area on the form)
};

}  // namespace kelbrook::win32
