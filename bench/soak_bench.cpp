// Many backup runs in one process against the stand-in Publisher, as Kelbrook makes them over
// months: the process's handles, GDI and USER objects and private bytes after run 10 and after
// the last, the time of run 10 against the last, and what the runs left in %TEMP%. Two saved
// publications (exact copies) and one changed in Publisher (rebuilt in a copy instance).
//
//   soak_bench.exe [runs]      (default 500)
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "BenchSupport.h"
#include "StandinPublication.h"
#include "app/win32/MainWindow.h"
#include "backup/SavePublisher.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Platform.h"
#include "core/win32/Win32Support.h"

using namespace kelbrook;
using namespace kelbrook::win32;
using namespace kelbrook::bench;
namespace fs = std::filesystem;

namespace {

struct Sample {
    DWORD handles = 0, gdi = 0, user = 0;
    SIZE_T privateBytes = 0;
    double runMs = 0;
};

// The process's open handles by trying each handle value, for systems whose handle count
// reads 0 (Wine).
DWORD CountHandles() {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

Sample Measure(double runMs) {
    Sample sample;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &sample.handles) || sample.handles == 0) {
        sample.handles = CountHandles();
    }
    sample.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    sample.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                               sizeof memory)) {
        sample.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    }
    sample.runMs = runMs;
    return sample;
}

std::set<std::wstring> Listing(const fs::path& folder) {
    std::set<std::wstring> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().wstring());
    }
    return names;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? _wtoi(argv[1]) : 500;
    OleScope ole;
    BusyServerFilter filter;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring standin =
        L"\"" + (fs::path(self).parent_path() / L"PublisherStandin.exe").wstring() + L"\"";
    const fs::path temp = fs::temp_directory_path();
    const fs::path work = temp / L"kelbrook-soak";
    std::error_code ignored;
    fs::remove_all(work, ignored);
    fs::create_directories(work / L"docs");
    fs::create_directories(work / L"backups");
    if (RunAndWait(standin + L" /RegServer") != 0) {
        std::fprintf(stderr, "the stand-in could not be registered\n");
        return 1;
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PublisherStandin");
    std::wstring arguments;
    for (int d = 1; d <= 3; ++d) {
        const fs::path file = work / L"docs" / (L"Small " + std::to_wstring(d) + L".pub");
        standin::Publication small;
        small.masters = {standin::Page{{L"masthead"}}};
        small.pages = {standin::Page{{{L"text " + std::to_wstring(d), 72, 72}}},
                       standin::Page{{L"more"}}};
        small.scratch = {L"spare"};
        std::ofstream(file, std::ios::binary) << standin::SerializePublication(small);
        arguments += L" \"" + file.wstring() + L"\"";
    }
    UniqueHandle running;
    RunAndWait(standin + arguments, &running);
    ComPublisherAutomation publisher;
    for (int i = 0; i < 500 && !SavePublisher::IsPublisherRunning(publisher); ++i) ::Sleep(20);
    {  // the third is changed in Publisher, so every run rebuilds it in a copy instance
        const auto setup = publisher.AttachRunning()->Documents()->Item(3)->PageSetup();
        setup->SetPageWidth(setup->PageWidth());
    }
    const std::set<std::wstring> tempBefore = Listing(temp);

    MainWindow window;
    window.Create(::GetModuleHandleW(nullptr));
    window.SetValue(ControlId::Option1, true);
    window.SetValue(ControlId::Option4, true);  // one file a day: the folder stays small
    window.SetCaption(ControlId::Text1, (work / L"backups").wstring());
    ConsoleDialogs dialogs;
    Win32Files files;
    NoFolders folders;
    Win32Clipboard clipboard;
    Win32Clock clock;
    Win32DebugOutput debug;
    ProgramValues values;
    values.BackupExtension = L".pub";
    values.HistoryLogPath = (work / L"history.txt").wstring();
    values.FreeSpaceFloor = 0;
    const SavePublisherPorts ports{window,    dialogs,   files, folders,
                                   publisher, clipboard, clock, debug};
    Sample at10{}, atLast{};
    for (int run = 1; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        SavePublisher::SaveAll(ports, values);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (run == 10) at10 = Measure(ms);
        if (run == runs) atLast = Measure(ms);
    }
    if (values.FinishLastCopy) values.FinishLastCopy();
    const std::set<std::wstring> tempAfter = Listing(temp);
    std::set<std::wstring> left;
    for (const std::wstring& name : tempAfter) {
        if (!tempBefore.count(name) && name != L"kelbrook-soak") left.insert(name);
    }
    for (const std::wstring& name : Listing(work / L"backups")) {
        if (name.find(L".kelbrook-saving") != std::wstring::npos) left.insert(name);
    }
    if (auto app = publisher.AttachRunning()) app->Quit();
    ::WaitForSingleObject(running.get(), 30000);
    RunAndWait(standin + L" /UnregServer");

    std::printf(
        "%d runs over 3 small publications (2 saved: exact copies; 1 changed: rebuilt), "
        "%d error reports\n",
        runs, dialogs.reports);
    std::printf("%-18s %10s %10s %10s\n", "", "run 10", "last run", "growth");
    const auto row = [](const char* what, double a, double b) {
        std::printf("%-18s %10.0f %10.0f %+10.0f\n", what, a, b, b - a);
    };
    row("handles", at10.handles, atLast.handles);
    row("GDI objects", at10.gdi, atLast.gdi);
    row("USER objects", at10.user, atLast.user);
    row("private KB", at10.privateBytes / 1024.0, atLast.privateBytes / 1024.0);
    std::printf("%-18s %10.1f %10.1f %+10.1f\n", "run time (ms)", at10.runMs, atLast.runMs,
                atLast.runMs - at10.runMs);
    std::printf("left in %%TEMP%% or as saving files: %zu", left.size());
    for (const std::wstring& name : left) std::printf(" %ls", name.c_str());
    std::printf("\n");
    fs::remove_all(work, ignored);
    return 0;
}
