// The backup scheduler: Timer1's ticks count down the interval chosen in ListView1, show the
// time left in Frame2 and ProgressBar1, and start the backup run when it has passed;
// PushButton4 switches the automatic backups on and off.
#pragma once

#include <cstdint>
#include <string>

#include "backup/SavePublisher.h"
#include "core/Controls.h"
#include "core/Dialogs.h"
#include "core/Globals.h"
#include "core/Settings.h"

namespace kelbrook {

inline constexpr wchar_t kCountdownPrefix[] = L"On. Next backup save will occur in ";
inline constexpr wchar_t kNoIntervalStatus[] = L"On. Choose how often to backup below.";
inline constexpr wchar_t kSwitchedOffStatus[] = L"Auto Save is Off.";

// The main window's countdown members.
struct Countdown {
    std::int32_t CountdownLength = 0;  // seconds of the current interval
    std::int32_t CountdownTicks = 0;   // ticks since the last run or the last row click
};

struct SchedulerPorts {
    Controls& controls;
    Dialogs& dialogs;
    SettingsStore& settings;
    SavePublisherPorts backup;
};

namespace Scheduler {

// The seconds of the interval row now selected in ListView1; 0 when no row is selected or
// its text names no interval.
std::int32_t IntervalSeconds(const Controls& controls);

// That many seconds as a time of day "hh:mm:ss", modulo one day.
std::wstring SecondsToClock(std::int32_t seconds);

// One tick of Timer1.
void Timer1_Timer(SchedulerPorts ports, Countdown& countdown, ProgramValues& values);
// A mouse click on a row of ListView1: stores the row and restarts the count.
void ListView1_Click(SchedulerPorts ports, Countdown& countdown);
// "Turn On Backup Save" / "Turn Off Backup Save".
void PushButton4_Click(SchedulerPorts ports);

}  // namespace Scheduler
}  // namespace kelbrook
