// Checks the main window's layout at the display's DPI (scripts/screenshots), with the
// end-to-end driver:
//
//   layout_check start   starts Kelbrook.exe from beside this program, answers the Publisher
//                        message that ends its start-up and leaves it running
//   layout_check check   every visible child window of the main window (class
//                        "KelbrookMainWindow") lies inside its client area; each one that
//                        does not is named (hidden ones only noted)
//   layout_check backups writes a few sample backups and their log lines, opens the Backups
//                        window with the main window's button, waits for its list and checks
//                        its controls as "check" does the main window's
//   layout_check close   closes the main window as its close box would; Kelbrook must exit 0
//
// Exit code 0 when all went as expected, 1 otherwise (the reason on stderr).
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BackupsWindowDriver.h"
#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"
#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "core/win32/Win32Clock.h"
#include "history/HistoryLines.h"

namespace kelbrook::e2e {
namespace {

void Say(const std::wstring& text) {
    std::fwprintf(stdout, L"layout: %ls\n", text.c_str());
}

int Fail(const std::wstring& text) {
    std::fwprintf(stderr, L"layout: %ls\n", text.c_str());
    return 1;
}

std::wstring RectText(const RECT& r) {
    return L"(" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L")-(" +
           std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) + L")";
}

HWND MainWindow() {
    return ::FindWindowW(win32::kMainWindowClass, nullptr);
}

bool AttachKelbrook(KelbrookProcess& program) {
    HWND main = MainWindow();
    DWORD id = 0;
    if (main != nullptr) ::GetWindowThreadProcessId(main, &id);
    return id != 0 && program.Attach(id);
}

int Start() {
    // Kelbrook runs on when this driver ends.
    KelbrookProcess program;
    if (!program.Start(TestProgramFolder() / L"Kelbrook.exe")) {
        return Fail(L"cannot start Kelbrook.exe: error " + std::to_wstring(program.startError()));
    }
    program.Detach();
    const std::optional<SeenBox> box = program.WaitForMessageBox();
    if (!box) return Fail(L"Kelbrook's start-up showed no message");
    if (box->text != kPublisherMissingText) return Fail(L"Kelbrook shows a box: " + box->text);
    if (!Answer(*box, IDOK)) return Fail(L"the Publisher message stays");
    if (!program.WaitUntilUsable() || !program.WaitForPostedMessages()) {
        return Fail(L"Kelbrook's window never became usable");
    }
    Say(L"Kelbrook runs (process " + std::to_wstring(program.id()) + L")");
    return 0;
}

struct Child {
    HWND window;
    std::wstring name;
};

HWND checked = nullptr;  // the window whose controls are checked

BOOL CALLBACK CollectChild(HWND window, LPARAM list) {
    // Direct children only: a control's own parts (an edit inside a combo box) are its own.
    if (::GetAncestor(window, GA_PARENT) != checked) return TRUE;
    const int id = ::GetDlgCtrlID(window);
    std::wstring name = ClassNameOf(window) + L" " + std::to_wstring(id);
    const std::wstring text = TextOf(window);
    if (!text.empty()) name += L" \"" + text + L"\"";
    reinterpret_cast<std::vector<Child>*>(list)->push_back({window, name});
    return TRUE;
}

int CheckControls(HWND main) {
    checked = main;
    RECT client{};
    ::GetClientRect(main, &client);
    const UINT dpi = ::GetDpiForWindow(main);
    Say(TextOf(main) + L" at " + std::to_wstring(dpi) + L" dpi, client area " +
        std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
    std::vector<Child> children;
    ::EnumChildWindows(main, &CollectChild, reinterpret_cast<LPARAM>(&children));
    if (children.empty()) return Fail(L"the window has no controls");
    int outside = 0;
    for (const Child& child : children) {
        RECT r{};
        ::GetWindowRect(child.window, &r);
        ::MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&r), 2);
        // A control without an area of its own (the tray icon's window) has nothing to show.
        if (r.right <= r.left || r.bottom <= r.top) continue;
        if (r.left >= client.left && r.top >= client.top && r.right <= client.right &&
            r.bottom <= client.bottom) {
            continue;
        }
        const std::wstring where = child.name + L" at " + RectText(r) +
                                   L" falls outside the client area " + RectText(client);
        // The form keeps a hidden work buffer (RichTextBox1) parked beyond its right edge, as
        // the form always did; a control nobody sees cannot look wrong, so it is only noted.
        if ((::GetWindowLongW(child.window, GWL_STYLE) & WS_VISIBLE) == 0) {
            Say(L"note: the hidden " + where);
            continue;
        }
        Fail(where);
        ++outside;
    }
    if (outside > 0) return 1;
    Say(L"every visible one of the " + std::to_wstring(children.size()) +
        L" controls lies inside the client area");
    return 0;
}

int Check() {
    HWND main = MainWindow();
    if (main == nullptr) return Fail(L"no window of class KelbrookMainWindow");
    return CheckControls(main);
}

// A publication's backups as a user would have them after a few days: exact and rebuilt
// copies, an incomplete one, one thinned away, one gone; and another publication's.
void WriteSampleBackups() {
    namespace fs = std::filesystem;
    win32::Win32Clock clock;
    const std::int64_t now = kelbrook::Calendar::Seconds(clock.Now());
    const fs::path samples = fs::temp_directory_path() / L"Kelbrook samples";
    std::error_code ignored;
    fs::remove_all(samples, ignored);  // those of an earlier look
    const fs::path docs = samples / L"Newsletters";
    const fs::path flyers = samples / L"Flyers";
    fs::create_directories(docs);
    fs::create_directories(flyers);
    std::wstring log;
    const auto backup = [&](const fs::path& folder, const std::wstring& name, std::int64_t ago,
                            bool exact, const std::wstring& incomplete, std::size_t bytes) {
        const LocalTime made = kelbrook::Calendar::LocalTimeOf(now - ago);
        std::wstring path =
            BackupName::WithTime(BackupName::Stem(folder.wstring(), name), clock, made, L".pub");
        if (!incomplete.empty()) path = BackupName::IncompletePath(path);
        const std::wstring when = clock.FormatGeneralDate(made);
        log +=
            (incomplete.empty() ? HistoryLines::Saved(name, path, when)
                                : HistoryLines::SavedIncompletely(name, path, when, incomplete)) +
            L"\r\n";
        if (bytes == 0) return;  // gone since
        WriteBytes(path, std::string(bytes, 'p'));
        // An exact copy keeps its publication's time, from before; a rebuilt one is written then.
        const std::int64_t written = now - ago + (exact ? -1800 : 5);
        const std::int64_t ticks = (written + 11'644'473'600LL) * 10'000'000LL;
        FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        win32::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ::SetFileTime(file.get(), nullptr, nullptr, &time);
    };
    backup(docs, L"Newsletter.pub", 3 * 86400, false, L"", 0);
    backup(docs, L"Newsletter.pub", 3 * 86400 - 600, false, L"", 182 * 1024);
    log += HistoryLines::Thinned(L"Newsletter.pub", 1) + L"\r\n";
    backup(docs, L"Newsletter.pub", 26 * 3600, true, L"", 176 * 1024);
    backup(docs, L"Newsletter.pub", 2 * 3600, false,
           L"page 3: another program held the clipboard too long", 149 * 1024);
    backup(docs, L"Newsletter.pub", 3600, true, L"", 180 * 1024);
    backup(docs, L"Newsletter.pub", 600, false, L"", 184 * 1024);
    backup(flyers, L"Summer fair.pub", 5 * 86400, false, L"", 0);
    backup(flyers, L"Summer fair.pub", 4 * 86400, true, L"", 64 * 1024);
    backup(flyers, L"Summer fair.pub", 1800, false, L"", 71 * 1024);
    const std::wstring logPath = fs::temp_directory_path().wstring() + L"\\Kelbrook.txt";
    WriteBytes(logPath, ToAnsiCodePage(log).value_or(""));
}

int Backups() {
    KelbrookProcess program;
    if (!AttachKelbrook(program)) return Fail(L"no running Kelbrook");
    WriteSampleBackups();
    if (!PostClick(program.Control(ControlId::BackupsButton))) return Fail(L"no Backups button");
    HWND window = nullptr;
    if (!WaitUntil([&] {
            window = BackupsWindowOf(program.id());
            return window != nullptr && BackupsListed(window);
        })) {
        return Fail(L"no Backups window with its list");
    }
    SelectListViewRow(program.id(), ::GetDlgItem(window, win32::kBackupsList), 0);
    Say(L"the Backups window lists: " + TextOf(::GetDlgItem(window, win32::kBackupsStatus)));
    return CheckControls(window);
}

int Close() {
    KelbrookProcess program;
    if (!AttachKelbrook(program)) return Fail(L"no running Kelbrook to close");
    if (!::PostMessageW(program.MainWindow(), WM_CLOSE, 0, 0)) return Fail(L"cannot close it");
    const std::optional<DWORD> code = program.WaitForExit();
    if (!code) return Fail(L"Kelbrook did not exit");
    if (*code != 0) return Fail(L"Kelbrook exited with " + std::to_wstring(*code));
    Say(L"Kelbrook closed");
    return 0;
}

}  // namespace
}  // namespace kelbrook::e2e

int wmain(int argc, wchar_t** argv) {
    using namespace kelbrook::e2e;
    // Rectangles in the display's own pixels, as the per-monitor aware program lays them out.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const std::wstring command = argc == 2 ? argv[1] : L"";
    if (command == L"start") return Start();
    if (command == L"check") return Check();
    if (command == L"backups") return Backups();
    if (command == L"close") return Close();
    return Fail(L"usage: layout_check start|check|backups|close");
}
