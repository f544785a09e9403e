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

// The rows of ListView1, in order, and the seconds each stands for. The row's 1-based place
// is what "OftenIndex" stores; the tick finds the seconds by the selected row's text.
struct IntervalRow {
    const wchar_t* text;
    std::int32_t seconds;
};
inline constexpr IntervalRow kIntervalRows[] = {
    {L"Save every 30 seconds", 30},   {L"Save every 1 minute", 60},
    {L"Save every 5 minutes", 300},   {L"Save every 15 minutes", 900},
    {L"Save every 30 minutes", 1800}, {L"Save every hour", 3600},
    {L"Save every 2 hours", 7200},    {L"Save every 4 hours", 14400},
    {L"Save every 8 hours", 28800},   {L"Save every 24 hours", 86400},
};

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
// The on/off button: its caption kTurnOnCaption switches the automatic backups on,
// kTurnOffCaption off.
void PushButton4_Click(SchedulerPorts ports);

}  // namespace Scheduler
}  // namespace kelbrook
