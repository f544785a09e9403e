// Checks the main window's layout at the display's DPI (scripts/screenshots), with the
// end-to-end driver:
//
//   layout_check start   starts Kelbrook.exe from beside this program, answers the Publisher
//                        message that ends its start-up and leaves it running
//   layout_check check   every visible child window of the main window (class
//                        "KelbrookMainWindow") lies inside its client area; each one that
//                        does not is named (hidden ones only noted)
//   layout_check close   closes the main window as its close box would; Kelbrook must exit 0
//
// Exit code 0 when all went as expected, 1 otherwise (the reason on stderr).
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

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

BOOL CALLBACK CollectChild(HWND window, LPARAM list) {
    // Direct children only: a control's own parts (an edit inside a combo box) are its own.
    if (::GetAncestor(window, GA_PARENT) != MainWindow()) return TRUE;
    const int id = ::GetDlgCtrlID(window);
    std::wstring name = ClassNameOf(window) + L" " + std::to_wstring(id);
    const std::wstring text = TextOf(window);
    if (!text.empty()) name += L" \"" + text + L"\"";
    reinterpret_cast<std::vector<Child>*>(list)->push_back({window, name});
    return TRUE;
}

int Check() {
    HWND main = MainWindow();
    if (main == nullptr) return Fail(L"no window of class KelbrookMainWindow");
    RECT client{};
    ::GetClientRect(main, &client);
    const UINT dpi = ::GetDpiForWindow(main);
    Say(L"main window at " + std::to_wstring(dpi) + L" dpi, client area " +
        std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
    std::vector<Child> children;
    ::EnumChildWindows(main, &CollectChild, reinterpret_cast<LPARAM>(&children));
    if (children.empty()) return Fail(L"the main window has no controls");
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
    if (command == L"close") return Close();
    return Fail(L"usage: layout_check start|check|close");
}
