// The scheduler on the real window timer: how long the countdown of an interval really
// takes, and how often the timer wakes the program while on and while off.
//
//   scheduler_bench.exe [row [seconds-on-off]]   (default: row 3 "Save every 5 minutes", 10)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/win32/MainWindow.h"
#include "backup/Scheduler.h"
#include "core/Failure.h"
#include "core/Settings.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Platform.h"

using namespace kelbrook;
using namespace kelbrook::win32;
using Steady = std::chrono::steady_clock;

namespace {

// A backup run is an attempt to attach Publisher: its moment is what is measured.
struct RecordingPublisher : PublisherAutomation {
    std::vector<Steady::time_point> runs;
    bool IsInstalled() override { return false; }
    std::unique_ptr<PublisherApplication> AttachRunning() override {
        runs.push_back(Steady::now());
        throw Failure(L"Publisher is not running");
    }
    std::unique_ptr<PublisherApplication> CreateInstance() override { return nullptr; }
    std::unique_ptr<PublisherImpatience> Impatient() override {
        return std::make_unique<PublisherImpatience>();
    }
};
struct QuietDialogs : Dialogs {
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring&, MessageButtons,
                              MessageIcon) override {
        std::fwprintf(stderr, L"report: %ls\n", text.c_str());
        return MessageAnswer::Ok;
    }
};
struct MemorySettings : SettingsStore {
    std::optional<std::wstring> Read(const std::wstring&) override { return std::nullopt; }
    void Write(const std::wstring&, const std::wstring&) override {}
};
struct NoFolders : FolderPicker {
    std::wstring PickFolder(const std::wstring&, const std::wstring&) override { return L""; }
};

// Counts the window's timer ticks and hands each to the scheduler.
struct Ticks : ControlEvents {
    std::function<void()> onTick;
    long count = 0;
    void Click(ControlId) override {}
    void Change(ControlId) override {}
    void MouseMove(ControlId) override {}
    void QueryUnload() override {}
    void Tick() override {
        ++count;
        if (onTick) onTick();
    }
};

// Runs the message loop until the condition holds or the time is up.
void Pump(std::chrono::milliseconds limit, const std::function<bool()>& done) {
    const auto end = Steady::now() + limit;
    MSG message;
    while (!done() && Steady::now() < end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Steady::now());
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()),
                                    QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int row = argc > 1 ? _wtoi(argv[1]) : 3;
    const int seconds = argc > 2 ? _wtoi(argv[2]) : 10;
    OleScope ole;
    MainWindow window;
    window.Create(::GetModuleHandleW(nullptr));
    for (const IntervalRow& interval : kIntervalRows) window.AddListRow(interval.text);
    window.SelectListRow(row);

    QuietDialogs dialogs;
    MemorySettings settings;
    Win32Files files;
    NoFolders folders;
    RecordingPublisher publisher;
    Win32Clipboard clipboard;
    Win32Clock clock;
    Win32DebugOutput debug;
    ProgramValues values;
    Countdown countdown;
    SchedulerPorts ports{window,
                         dialogs,
                         settings,
                         {window, dialogs, files, folders, publisher, clipboard, clock, debug}};
    Ticks ticks;
    ticks.onTick = [&] { Scheduler::Timer1_Timer(ports, countdown, values); };
    window.Connect(&ticks);

    // Wake-ups while on and while off.
    window.SetTimerInterval(1000);
    const long before = ticks.count;
    Pump(std::chrono::seconds(seconds), [] { return false; });
    const double on = double(ticks.count - before) / seconds;
    window.SetTimerInterval(0);
    const long stopped = ticks.count;
    Pump(std::chrono::seconds(seconds), [] { return false; });
    const double off = double(ticks.count - stopped) / seconds;
    std::printf("timer wake-ups per second   on %.2f (target 1), off %.2f (target 0)\n", on, off);

    // One whole interval, from a count started afresh (as after a run) to the next run.
    const std::int32_t length = Scheduler::IntervalSeconds(window);
    countdown.CountdownTicks = 0;
    publisher.runs.clear();
    const auto start = Steady::now();
    window.SetTimerInterval(1000);
    Pump(std::chrono::seconds(length + 30), [&] { return !publisher.runs.empty(); });
    window.SetTimerInterval(0);
    if (publisher.runs.empty()) {
        std::printf("no run within %d s\n", length + 30);
        return 1;
    }
    const double took = std::chrono::duration<double>(publisher.runs.front() - start).count();
    std::printf("interval of %d s took       %.2f s (%+.2f s; target within +-1 s)\n", length, took,
                took - length);
    return 0;
}
