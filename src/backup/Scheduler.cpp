#include "backup/Scheduler.h"

#include <limits>

#include "core/ErrorReport.h"
#include "core/Failure.h"

namespace kelbrook::Scheduler {

namespace {

std::wstring TwoDigits(std::int32_t n) {
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

// The last run found the user's Publisher busy: each tick asks it once, without waiting, and
// the run comes at the first tick it answers instead of an interval later. True when that
// run was made.
bool RunOnceAnswering(SchedulerPorts& ports, Countdown& countdown, ProgramValues& values) {
    bool ran = false;
    RunUntrapped(ports.backup.debug, L"Form1.Timer1 (Publisher busy)", [&] {
        SavePublisher::PublisherPresence presence;
        {
            const std::unique_ptr<PublisherImpatience> impatient =
                ports.backup.publisher.Impatient();
            presence = SavePublisher::PresenceOf(ports.backup.publisher);
        }
        if (presence == SavePublisher::PublisherPresence::Busy) return;
        if (presence == SavePublisher::PublisherPresence::NotRunning) {
            values.PublisherDidNotAnswer = false;  // it has gone: nothing waits for it
            return;
        }
        ran = true;
        SavePublisher::SaveAll(ports.backup, values, SavePublisher::RunKind::OnSchedule);
        countdown.CountdownTicks = 0;
    });
    return ran;
}

}  // namespace

std::int32_t IntervalSeconds(const Controls& controls) {
    const int row = controls.SelectedListRow();
    if (row < 1) return 0;
    const std::wstring text = controls.ListRowText(row);
    for (const IntervalRow& interval : kIntervalRows) {
        if (text == interval.text) return interval.seconds;
    }
    return 0;
}

std::wstring SecondsToClock(std::int32_t seconds) {
    constexpr std::int32_t kDay = 86400;
    const std::int32_t time = ((seconds % kDay) + kDay) % kDay;
    return TwoDigits(time / 3600) + L":" + TwoDigits(time / 60 % 60) + L":" + TwoDigits(time % 60);
}

void Timer1_Timer(SchedulerPorts ports, Countdown& countdown, ProgramValues& values) {
    // A tick that falls due while a run waits in a dialog neither counts nor starts a run:
    // the count starts over once, after that run.
    if (values.BackupRunUnderWay) return;
    if (values.PublisherDidNotAnswer && RunOnceAnswering(ports, countdown, values)) return;
    Controls& controls = ports.controls;
    GuardedProcedure tick(ports.dialogs, Location(L"Form1", L"Timer1"));

    tick.Step(104, [&] { countdown.CountdownLength = IntervalSeconds(controls); });
    if (countdown.CountdownLength <= 0) {
        // No interval is chosen (no row selected): nothing to count, no run, no report.
        tick.Step(114, [&] {
            if (controls.Caption(ControlId::Frame2) != kNoIntervalStatus)
                controls.SetCaption(ControlId::Frame2, kNoIntervalStatus);
        });
        return;
    }
    tick.Step(106, [&] {
        if (countdown.CountdownTicks == std::numeric_limits<std::int32_t>::max())
            throw Failure(L"Overflow");
        ++countdown.CountdownTicks;
    });
    tick.Step(108, [&] { controls.SetProgressMax(countdown.CountdownLength); });
    if (tick.Test(110, [&] { return countdown.CountdownTicks <= countdown.CountdownLength; })) {
        tick.Step(112, [&] { controls.SetProgressValue(countdown.CountdownTicks); });
    }
    tick.Step(114, [&] {
        const std::int32_t left = countdown.CountdownTicks < countdown.CountdownLength
                                      ? countdown.CountdownLength - countdown.CountdownTicks
                                      : 0;
        controls.SetCaption(ControlId::Frame2, kCountdownPrefix + SecondsToClock(left));
    });
    // A count already past a newly shortened length has waited longer than the new interval:
    // the run starts at once rather than never.
    if (tick.Test(116, [&] { return countdown.CountdownTicks >= countdown.CountdownLength; })) {
        tick.Step(118, [&] {
            SavePublisher::SaveAll(ports.backup, values, SavePublisher::RunKind::OnSchedule);
        });
        tick.Step(120, [&] { countdown.CountdownTicks = 0; });
    }
}

void ListView1_Click(SchedulerPorts ports, Countdown& countdown) {
    const int row = ports.controls.SelectedListRow();
    if (row < 1) return;  // a click beside the rows: the interval and the count stay
    ports.settings.Write(SettingKey::OftenIndex, std::to_wstring(row));
    countdown.CountdownLength = IntervalSeconds(ports.controls);
    countdown.CountdownTicks = 0;
}

void PushButton4_Click(SchedulerPorts ports) {
    Controls& controls = ports.controls;
    GuardedProcedure click(ports.dialogs, Location(L"Form1", L"PushButton4_Click"));
    if (click.Test(100,
                   [&] { return controls.Caption(ControlId::PushButton4) == kTurnOnCaption; })) {
        click.Step(102, [&] { controls.SetCaption(ControlId::PushButton4, kTurnOffCaption); });
        click.Step(104, [&] { controls.SetTimerInterval(1000); });
        click.Step(106, [&] { ports.settings.Write(SettingKey::StartStopState, L"On"); });
    } else if (click.Test(108, [&] {
                   return controls.Caption(ControlId::PushButton4) == kTurnOffCaption;
               })) {
        click.Step(110, [&] { controls.SetCaption(ControlId::PushButton4, kTurnOnCaption); });
        click.Step(112, [&] {
            controls.SetTimerInterval(0);
            controls.SetCaption(ControlId::Frame2, kSwitchedOffStatus);
        });
        click.Step(114, [&] { ports.settings.Write(SettingKey::StartStopState, L"Off"); });
    }
}

}  // namespace kelbrook::Scheduler
