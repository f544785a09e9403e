// The demo's hands (scripts/demo), using the end-to-end driver:
//
//   DemoDriver start FILE...   starts the stand-in Publisher with these publications, then
//                              Kelbrook, both from beside this program, and waits until
//                              Kelbrook's start-up is over; both run on afterwards
//   DemoDriver backup          presses "Backup Save Now (Test)", waits for one history line
//                              per open document and prints the new lines
//   DemoDriver auto            waits, pressing nothing, for the timer's backup run: prints
//                              the countdown caption now and then, then the new history lines
//   DemoDriver close           closes Kelbrook and the stand-in as their close boxes would and
//                              waits for both to end
//
// Exit code 0 when all went as expected, 1 otherwise (the reason on stderr).
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "Standin.h"
#include "app/win32/ControlIds.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::e2e {
namespace {

using win32::UniqueHandle;

constexpr std::chrono::milliseconds kLongWait{120000};

void Write(DWORD stream, const std::wstring& text) {
    HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A pipe or a file: UTF-8, which a terminal of the host shows as it is.
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Say(const std::wstring& text) {
    Write(STD_OUTPUT_HANDLE, L"demo: " + text + L"\n");
}

int Fail(const std::wstring& text) {
    Write(STD_ERROR_HANDLE, L"demo: " + text + L"\n");
    return 1;
}

std::wstring HistoryLogPath() {
    return EnvironmentVariable(L"TEMP").value_or(L".") + L"\\Kelbrook.txt";
}

std::vector<std::wstring> HistoryLines() {
    const std::optional<std::string> bytes = ReadBytes(HistoryLogPath());
    return bytes ? LinesOf(FromAnsi(*bytes)) : std::vector<std::wstring>();
}

// The one running Kelbrook, followed.
bool AttachKelbrook(KelbrookProcess& program) {
    const std::vector<DWORD> ids = ProcessesNamed(L"Kelbrook.exe");
    return ids.size() == 1 && program.Attach(ids.front());
}

// The window of the stand-in's running instance, or null.
HWND StandinWindow() {
    for (DWORD id : StandinProcesses()) {
        for (HWND window : TopLevelWindows(id, kStandinWindowClass)) {
            if (TextOf(window) == kStandinWindowTitle) return window;
        }
    }
    return nullptr;
}

std::optional<std::wstring> BoxText(const KelbrookProcess& program) {
    HWND box = program.FindMessageBox();
    if (box == nullptr) return std::nullopt;
    return TextOf(box) + L": " + TextOf(::GetDlgItem(box, 0xFFFF));
}

int Start(const std::vector<std::wstring>& files) {
    RunningStandin standin;
    if (!standin.Start(files)) {
        return Fail(L"the stand-in Publisher did not come up (exit code " +
                    std::to_wstring(standin.exitCode().value_or(0)) + L")");
    }
    const DWORD standinId = standin.id();
    standin.Detach();
    Say(L"the stand-in Publisher runs (process " + std::to_wstring(standinId) + L") with " +
        std::to_wstring(files.size()) + L" publications");

    // Kelbrook runs on when this driver ends.
    KelbrookProcess program;
    if (!program.Start(TestProgramFolder() / L"Kelbrook.exe")) {
        return Fail(L"cannot start Kelbrook.exe: error " + std::to_wstring(program.startError()));
    }
    program.Detach();

    // Start-up finds Publisher registered without starting one.
    if (!program.WaitUntilUsable() || !program.WaitForPostedMessages()) {
        return Fail(L"Kelbrook's window never became usable");
    }
    if (const std::optional<std::wstring> box = BoxText(program)) {
        return Fail(L"Kelbrook shows a box: " + *box);
    }
    if (StandinProcesses().size() != 1) return Fail(L"Kelbrook's start-up started a Publisher");
    Say(L"Kelbrook runs (process " + std::to_wstring(program.id()) + L")");
    return 0;
}

// One backup run: started by the button when `press`, by the timer otherwise. Waits for one
// history line per open document and for the copy instances to end; prints the log.
int Backup(bool press) {
    KelbrookProcess program;
    if (!AttachKelbrook(program)) return Fail(L"Kelbrook is not running");
    HWND standin = StandinWindow();
    HWND list =
        standin != nullptr ? ::FindWindowExW(standin, nullptr, L"LISTBOX", nullptr) : nullptr;
    DWORD_PTR documents = 0;
    if (list == nullptr ||
        !::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &documents)) {
        return Fail(L"the stand-in Publisher is not running");
    }

    const std::size_t before = HistoryLines().size();
    const std::size_t expected = before + documents;
    if (press) {
        Say(L"pressing \"Backup Save Now (Test)\" for " + std::to_wstring(documents) +
            L" open documents");
        if (!PostClick(program.Control(ControlId::PushButton2))) return Fail(L"no such button");
    } else {
        Say(L"waiting for the automatic backup of " + std::to_wstring(documents) +
            L" open documents");
    }
    // The countdown, printed whenever its tens of seconds change.
    HWND frame = program.Control(ControlId::Frame2);
    std::wstring shown;
    std::optional<std::wstring> box;
    const bool done = WaitUntil(
        [&] {
            box = BoxText(program);
            if (!press && frame != nullptr) {
                std::wstring caption = TextOf(frame);
                if (caption.size() > 1) caption.pop_back();
                if (caption != shown) {
                    shown = caption;
                    Say(L"  " + TextOf(frame));
                }
            }
            return box.has_value() || HistoryLines().size() >= expected;
        },
        kLongWait);
    if (box) return Fail(L"the backup run shows a box: " + *box);
    if (!done) return Fail(L"the backup run did not end");
    if (!WaitUntil([] { return StandinProcesses().size() == 1; }) ||
        !program.WaitForPostedMessages()) {
        return Fail(L"the backup run's copy instances stayed");
    }
    const std::vector<std::wstring> lines = HistoryLines();
    Say(L"the history log " + HistoryLogPath() + L" now reads:");
    for (const std::wstring& line : lines) Write(STD_OUTPUT_HANDLE, L"  " + line + L"\n");
    return lines.size() == expected ? 0 : Fail(L"more history lines than documents");
}

// Closes the window and waits for its process to end; its exit code.
std::optional<DWORD> CloseAndWait(HWND window) {
    DWORD id = 0;
    ::GetWindowThreadProcessId(window, &id);
    UniqueHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    DWORD code = 0;
    if (!process || !::PostMessageW(window, WM_CLOSE, 0, 0) ||
        ::WaitForSingleObject(process.get(), static_cast<DWORD>(kDeadline.count())) !=
            WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

// Closes one program's window (null: it is not running) and says how it ended; 0 when it
// ended cleanly.
int CloseOne(HWND window, const std::wstring& name) {
    if (window == nullptr) return Fail(name + L" is not running");
    const std::optional<DWORD> code = CloseAndWait(window);
    if (code != 0u) {
        return Fail(name + L" did not end cleanly (exit code " +
                    (code ? std::to_wstring(*code) : L"none") + L")");
    }
    Say(name + L" closed (exit code 0)");
    return 0;
}

int Close() {
    KelbrookProcess program;
    int status = CloseOne(AttachKelbrook(program) ? program.MainWindow() : nullptr, L"Kelbrook");
    status |= CloseOne(StandinWindow(), L"the stand-in Publisher");
    if (!WaitUntil([] { return StandinProcesses().empty(); })) {
        status = Fail(L"stand-in processes are left");
    }
    return status;
}

int Usage() {
    return Fail(L"usage: DemoDriver start FILE... | backup | auto | close");
}

}  // namespace
}  // namespace kelbrook::e2e

int wmain(int argc, wchar_t** argv) {
    using namespace kelbrook::e2e;
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    if (command == L"start" && argc > 2)
        return Start(std::vector<std::wstring>(argv + 2, argv + argc));
    if (command == L"backup" && argc == 2) return Backup(true);
    if (command == L"auto" && argc == 2) return Backup(false);
    if (command == L"close" && argc == 2) return Close();
    return Usage();
}
