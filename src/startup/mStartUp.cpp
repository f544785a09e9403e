#include "startup/mStartUp.h"

#include "startup/RegStuff.h"

namespace kelbrook::mStartUp {

void AddToStartup(Processes& processes, RunKey& runKey) {
    RegStuff::AddRunEntry(runKey, processes.ExecutablePath());
}

void RemoveFromStartup(Processes& processes, RunKey& runKey) {
    RegStuff::DeleteRunEntry(runKey, RegStuff::RunValueName(processes.ExecutablePath()));
}

void Check5_Click(StartupPorts ports, bool isLoading) {
    if (isLoading) return;
    Controls& controls = ports.controls;
    if (controls.Value(ControlId::Check5)) {
        controls.SetVisible(ControlId::Check8, true);
        ports.settings.Write(SettingKey::WindowsStartup, L"On");
        AddToStartup(ports.processes, ports.runKey);
    } else {
        controls.SetValue(ControlId::Check8, false);  // its own click stores "Minimized" = "Off"
        controls.SetVisible(ControlId::Check8, false);
        ports.settings.Write(SettingKey::WindowsStartup, L"Off");
        RemoveFromStartup(ports.processes, ports.runKey);
    }
}

}  // namespace kelbrook::mStartUp
