// The main window never sits minimized on the taskbar: minimizing hides it into the tray
// icon, releasing a mouse button over the icon brings it back, and "Start in system tray"
// makes every start begin hidden there.
#pragma once

#include <cstdint>

#include "core/Controls.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "tray/cSysTray.h"

namespace kelbrook {

inline constexpr wchar_t kMinimizedBalloon[] =
    L"has been minimized to the system tray.\r\nClick on the blue 'T' icon (T for Tarnwick) to "
    L"bring the software back.";

struct MinimizeToTrayPorts {
    Controls& controls;
    SettingsStore& settings;
    cSysTray& tray;
};

namespace MinimizeToTray {

// Every resize of the main window: a minimize hides it into the tray (the first time in a
// run with a balloon from the icon).
void Form_Resize(MinimizeToTrayPorts ports, ProgramValues& values);
// A mouse button released over the tray icon: the window comes back.
void cSysTray1_MouseUp(MinimizeToTrayPorts ports, ProgramValues& values, std::int16_t Button,
                       std::int32_t Id);
// "Start in system tray": stored at once, acts at the next start.
void Check8_Click(MinimizeToTrayPorts ports);

}  // namespace MinimizeToTray
}  // namespace kelbrook
