// Start with Windows: the check box Check5 ("Load this software on Windows startup") and the
// registration of the program's own executable under the Run key.
#pragma once

#include "core/Controls.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "startup/RunKey.h"

namespace kelbrook {

struct StartupPorts {
    Controls& controls;
    SettingsStore& settings;
    Processes& processes;
    RunKey& runKey;
};

namespace mStartUp {

// Registers the running executable (Processes::ExecutablePath) to start at every logon.
void AddToStartup(Processes& processes, RunKey& runKey);
// Removes that registration.
void RemoveFromStartup(Processes& processes, RunKey& runKey);

// The click handler of Check5; it has no error report of its own, failures go to the caller.
// While the main window is loading it does nothing: start-up ticks the box from the setting
// without touching the registry.
void Check5_Click(StartupPorts ports, bool isLoading);

}  // namespace mStartUp
}  // namespace kelbrook
