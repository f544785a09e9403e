#include "tray/MinimizeToTray.h"

namespace kelbrook::MinimizeToTray {

void Form_Resize(MinimizeToTrayPorts ports, ProgramValues& values) {
    if (ports.controls.GetWindowState() != WindowState::Minimized || values.MinimizedToTray) {
        return;
    }
    ports.controls.SetVisible(ControlId::Form1, false);  // off the screen and the taskbar
    ports.controls.SetWindowState(WindowState::Normal);  // and normal when it comes back
    values.MinimizedToTray = true;
    ports.tray.ShowBalloon(kMinimizedBalloon, kProductName, 5, true);
}

void cSysTray1_MouseUp(MinimizeToTrayPorts ports, ProgramValues& values, std::int16_t,
                       std::int32_t) {
    ports.controls.SetVisible(ControlId::Form1, true);
    try {
        ports.controls.SetFocus();
    } catch (...) {
        // A modal box of the program holds the focus: the window stays shown all the same.
    }
    values.MinimizedToTray = false;
}

void Check8_Click(MinimizeToTrayPorts ports) {
    ports.settings.Write(SettingKey::Minimized,
                         ports.controls.Value(ControlId::Check8) ? L"On" : L"Off");
}

}  // namespace kelbrook::MinimizeToTray
