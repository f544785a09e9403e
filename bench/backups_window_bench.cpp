// The Backups window over many backups: 10,000 backups of 30 publications in 30 folders, each
// named by the history log. Measures the catalogue built in this process (names, sizes and
// times read, the log read), and the real window: from the click on "Backups…" to its list
// shown with every backup (median of the runs).
//   backups_window_bench.exe [backups] [folders] [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BackupsWindowDriver.h"
#include "Driver.h"
#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Files.h"
#include "history/HistoryLines.h"
#include "recovery/Catalogue.h"
#include "recovery/win32/Win32BackupFolders.h"

using namespace kelbrook;
using namespace kelbrook::e2e;

namespace {

double MillisecondsSince(ULONGLONG start) {
    return static_cast<double>(::GetTickCount64() - start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int backups = argc > 1 ? _wtoi(argv[1]) : 10000;
    const int folderCount = argc > 2 ? _wtoi(argv[2]) : 30;
    const int runs = argc > 3 ? _wtoi(argv[3]) : 5;
    Workspace workspace;
    HistoryLogFile log;
    if (!log.Ready()) {
        std::fwprintf(stderr, L"the history log cannot be cleared\n");
        return 1;
    }
    win32::Win32Clock clock;
    const std::int64_t now = Calendar::Seconds(clock.Now());
    std::string lines;
    ULONGLONG start = ::GetTickCount64();
    for (int i = 0; i < backups; ++i) {
        const int k = i % folderCount;
        const std::wstring folder =
            (workspace.folder() / (L"Folder " + std::to_wstring(k))).wstring();
        ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring name = L"Publication " + std::to_wstring(k) + L".pub";
        const std::wstring path = BackupName::WithTime(
            BackupName::Stem(folder, name), clock,
            Calendar::LocalTimeOf(now - 60LL * (i / folderCount + 1)), L".pub");
        WriteBytes(path, std::string(1024 + i % 4096, 'p'));
        lines += *ToAnsiCodePage(HistoryLines::Saved(name, path, L"earlier")) + "\r\n";
    }
    log.Write(lines);
    std::wprintf(L"made %d backups in %d folders, and their log (%zu bytes), in %.0f ms\n", backups,
                 folderCount, lines.size(), MillisecondsSince(start));

    const Recovery::CatalogueSources sources{log.path(), L"", L".pub"};
    std::vector<double> built;
    std::size_t rows = 0;
    for (int run = 0; run < runs; ++run) {
        win32::Win32Files files;
        win32::Win32BackupFolders folders;
        start = ::GetTickCount64();
        rows = Recovery::Catalogue({files, folders, clock}, sources).size();
        built.push_back(MillisecondsSince(start));
    }
    std::wprintf(L"catalogue: %zu rows in %.0f ms (median of %d)\n", rows, Median(built), runs);

    Store::Clear();
    Store::Set(L"StartStopState", L"Off");
    KelbrookProcess program;
    if (!program.Start(workspace.program())) return 1;
    if (const auto box = program.WaitForMessageBox()) Answer(*box, IDOK);
    if (!program.WaitUntilUsable()) return 1;
    std::vector<double> shown;
    const std::wstring expected = std::to_wstring(backups) + L" backups of ";
    for (int run = 0; run < runs; ++run) {
        start = ::GetTickCount64();
        PostClick(program.Control(ControlId::BackupsButton));
        HWND window = nullptr;
        const bool listed = WaitUntil(
            [&] {
                window = BackupsWindowOf(program.id());
                return window != nullptr &&
                       TextOf(::GetDlgItem(window, win32::kBackupsStatus)).rfind(expected, 0) == 0;
            },
            std::chrono::milliseconds(60000));
        if (!listed) {
            std::fwprintf(stderr, L"the window did not list the backups\n");
            return 1;
        }
        shown.push_back(MillisecondsSince(start));
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        WaitUntil([&] { return !::IsWindow(window); });
    }
    std::wprintf(L"window: from the click to %d backups listed in %.0f ms (median of %d; each:",
                 backups, Median(shown), runs);
    for (double each : shown) std::wprintf(L" %.0f", each);
    std::wprintf(L")\n");
    ::PostMessageW(program.MainWindow(), WM_CLOSE, 0, 0);
    const auto code = program.WaitForExit();
    Store::Clear();
    return code == std::optional<DWORD>(0) ? 0 : 1;
}
