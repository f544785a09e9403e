// Start-up time (process start to main window shown, median of N) and resident memory of
// the idle window, for Kelbrook.exe and for a bare window program built the same way.
//   startup_bench.exe [runs]
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Sample {
    double milliseconds = 0;
    double workingSetKiB = 0;
};

struct FindData {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

HWND VisibleWindowOf(DWORD pid, const wchar_t* className) {
    FindData data{pid, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* d = reinterpret_cast<FindData*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == d->pid && IsWindowVisible(window) && wcscmp(name, d->className) == 0) {
                d->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&data));
    return data.found;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Starts the program; the moment just before, for MillisecondsSince.
bool Launch(const std::wstring& exe, PROCESS_INFORMATION& process, LARGE_INTEGER& start) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line = L"\"" + exe + L"\"";
    QueryPerformanceCounter(&start);
    return CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != FALSE;
}

bool RunOnce(const std::wstring& exe, const wchar_t* className, const wchar_t* settledClass,
             Sample& sample) {
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{};
    if (!Launch(exe, process, start)) return false;
    bool shown = false;
    for (int i = 0; i < 30000 && !shown; ++i) {
        shown = VisibleWindowOf(process.dwProcessId, className) != nullptr;
        if (!shown) Sleep(1);
    }
    sample.milliseconds = MillisecondsSince(start);
    // Idle: start-up has finished (Kelbrook ends it with its Publisher message), then a
    // moment more for the last paints.
    if (settledClass != nullptr) {
        for (int i = 0; i < 10000 && !VisibleWindowOf(process.dwProcessId, settledClass); ++i) {
            Sleep(1);
        }
    }
    Sleep(500);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters));
    sample.workingSetKiB = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown;
}

int StandinProcesses() {
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        count += _wcsicmp(entry.szExeFile, L"PublisherStandin.exe") == 0 ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

// With Publisher (the stand-in) registered, start-up ends without a message: it has ended
// when the window shows and no Publisher process has been alive for a settling half second.
// The time until then, and how many Publisher processes start-up started.
bool RunRegistered(const std::wstring& exe, double& settledMs, int& publishers) {
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{};
    if (!Launch(exe, process, start)) return false;
    const auto elapsed = [&] { return MillisecondsSince(start); };
    publishers = 0;
    bool seen = false, shown = false;
    double quietSince = -1;
    for (int i = 0; i < 30000; ++i) {
        const bool alive = StandinProcesses() > 0;
        if (alive && !seen) ++publishers;
        seen = alive;
        shown = shown || VisibleWindowOf(process.dwProcessId, L"KelbrookMainWindow") != nullptr;
        const double t = elapsed();
        if (!shown || alive) {
            quietSince = -1;
        } else if (quietSince < 0) {
            quietSince = t;
        } else if (t - quietSince >= 500) {
            break;
        }
        Sleep(1);
    }
    settledMs = quietSince;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown && quietSince >= 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? _wtoi(argv[1]) : 10;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.erase(folder.find_last_of(L'\\'));
    const std::wstring kelbrook = folder + L"\\Kelbrook.exe";
    const std::wstring bare = folder + L"\\BareWindow.exe";

    std::vector<double> kTimes, bTimes, kMemory, bMemory;
    for (int i = 0; i < runs; ++i) {  // interleaved, so both see the same machine
        Sample k, b;
        if (!RunOnce(kelbrook, L"KelbrookMainWindow", L"#32770", k) ||
            !RunOnce(bare, L"BareWindow", nullptr, b)) {
            std::fprintf(stderr, "a program did not show its window\n");
            return 1;
        }
        kTimes.push_back(k.milliseconds);
        bTimes.push_back(b.milliseconds);
        kMemory.push_back(k.workingSetKiB);
        bMemory.push_back(b.workingSetKiB);
    }
    const double kt = Median(kTimes), bt = Median(bTimes);
    const double km = Median(kMemory), bm = Median(bMemory);
    std::printf("runs: %d\n", runs);
    std::printf(
        "start-up to window shown, median: Kelbrook %.1f ms, bare window %.1f ms, ratio %.2f\n", kt,
        bt, kt / bt);
    std::printf(
        "working set of the idle window, median: Kelbrook %.0f KiB, bare window %.0f KiB, "
        "ratio %.2f\n",
        km, bm, km / bm);

    // The same start with the stand-in Publisher registered (as on a machine with Publisher).
    const std::wstring standin = L"\"" + folder + L"\\PublisherStandin.exe\"";
    const auto run = [](std::wstring command) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info)) {
            return false;
        }
        WaitForSingleObject(info.hProcess, 30000);
        DWORD code = 1;
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return code == 0;
    };
    if (!run(standin + L" /RegServer")) {
        std::fprintf(stderr, "the stand-in could not be registered\n");
        return 1;
    }
    std::vector<double> settled;
    int started = 0;
    for (int i = 0; i < runs; ++i) {
        double ms = 0;
        int publishers = 0;
        if (!RunRegistered(kelbrook, ms, publishers)) {
            std::fprintf(stderr, "Kelbrook did not settle with Publisher registered\n");
            run(standin + L" /UnregServer");
            return 1;
        }
        settled.push_back(ms);
        started += publishers;
    }
    run(standin + L" /UnregServer");
    const double ks = Median(settled);
    std::printf(
        "with Publisher registered, start-up to settled, median: Kelbrook %.1f ms, ratio to the "
        "bare window's start-up %.2f; Publisher processes started by start-up: %d in %d runs\n",
        ks, ks / bt, started, runs);
    return 0;
}
