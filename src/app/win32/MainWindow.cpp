// The main window's behaviour as a window: the control access of its logic and the window
// procedure that forwards real notifications to it.
#include "app/win32/MainWindow.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "core/Failure.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::win32 {

namespace {

constexpr UINT_PTR kTimer1 = 1;

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

}  // namespace

HWND MainWindow::Child(ControlId id) const {
    if (id == ControlId::Form1) return window_;
    auto it = children_.find(id);
    if (it == children_.end()) throw Failure(L"No such control");
    return it->second;
}

ControlId MainWindow::IdOf(HWND child) const {
    for (const auto& [id, handle] : children_) {
        if (handle == child) return id;
    }
    return ControlId::Form1;
}

std::wstring MainWindow::Caption(ControlId id) const {
    return WindowText(Child(id));
}

void MainWindow::SetCaption(ControlId id, const std::wstring& caption) {
    // An edit control notifies EN_CHANGE for the new text, which raises Text1's Change.
    if (!::SetWindowTextW(Child(id), caption.c_str())) ThrowLastError(L"Setting a caption");
}

bool MainWindow::Value(ControlId id) const {
    return ::SendMessageW(Child(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::SetValue(ControlId id, bool value) {
    HWND button = Child(id);
    if (IsOptionButton(id)) {
        ::SendMessageW(button, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        if (!value) return;
        ::SendMessageW(Child(OptionPartner(id)), BM_SETCHECK, BST_UNCHECKED, 0);
        if (events_ != nullptr) events_->Click(id);
        return;
    }
    const bool changed = Value(id) != value;
    ::SendMessageW(button, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (changed && events_ != nullptr) events_->Click(id);
}

bool MainWindow::Enabled(ControlId id) const {
    return ::IsWindowEnabled(Child(id)) != FALSE;
}

void MainWindow::SetEnabled(ControlId id, bool enabled) {
    ::EnableWindow(Child(id), enabled ? TRUE : FALSE);
}

bool MainWindow::Visible(ControlId id) const {
    return (::GetWindowLongW(Child(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void MainWindow::SetVisible(ControlId id, bool visible) {
    if (id == ControlId::Form1 && visible && restoreWhenShown_) {
        restoreWhenShown_ = false;
        ::ShowWindow(window_, SW_RESTORE);  // shown and normal in one step
        return;
    }
    ::ShowWindow(Child(id), visible ? SW_SHOW : SW_HIDE);
    if (id == ControlId::RecoveryLine && visible != recoveryBand_) {
        recoveryBand_ = visible;  // the window grows by the band, or loses it again
        FitClientArea();
    }
}

void MainWindow::SetSelectionStart(ControlId id, int start) {
    if (start < 0) throw Failure(L"Invalid property value");
    ::SendMessageW(Child(id), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start));
}

void MainWindow::SetSelectionLength(ControlId id, int length) {
    if (length < 0) throw Failure(L"Invalid property value");
    HWND box = Child(id);
    DWORD start = 0;
    ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    ::SendMessageW(box, EM_SETSEL, start, static_cast<LPARAM>(start + static_cast<DWORD>(length)));
}

void MainWindow::CopySelection(ControlId id) {
    ::SendMessageW(Child(id), WM_COPY, 0, 0);
    // The rich edit puts an OLE data object on the clipboard whose code lives in its library.
    // Flushed now, the clipboard holds plain data that needs neither our process nor our
    // libraries: the text stays after the program has ended, and its exit cannot crash.
    ::OleFlushClipboard();
}

void MainWindow::AddListColumn(const std::wstring& header) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(header.c_str());
    column.cx = Pixels(1440);
    HWND list = Child(ControlId::ListView1);
    const int count = Header_GetItemCount(ListView_GetHeader(list));
    if (ListView_InsertColumn(list, count, &column) < 0)
        throw Failure(L"The column could not be added");
}

void MainWindow::SetListColumnWidth(int twips) {
    listColumnTwips_ = twips;
    if (!ListView_SetColumnWidth(Child(ControlId::ListView1), 0, Pixels(twips))) {
        throw Failure(L"Invalid property value");
    }
}

void MainWindow::AddListRow(const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListRowCount();
    item.pszText = const_cast<wchar_t*>(text.c_str());
    if (ListView_InsertItem(Child(ControlId::ListView1), &item) < 0) {
        throw Failure(L"The row could not be added");
    }
}

int MainWindow::ListRowCount() const {
    return ListView_GetItemCount(Child(ControlId::ListView1));
}

int MainWindow::SelectedListRow() const {
    return ListView_GetNextItem(Child(ControlId::ListView1), -1, LVNI_SELECTED) + 1;
}

void MainWindow::SelectListRow(int row) {
    if (row < 1 || row > ListRowCount()) throw Failure(L"Index out of bounds");
    HWND list = Child(ControlId::ListView1);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row - 1, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row - 1, FALSE);
}

std::wstring MainWindow::ListRowText(int row) const {
    if (row < 1 || row > ListRowCount()) throw Failure(L"Index out of bounds");
    std::vector<wchar_t> buffer(512, L'\0');
    ListView_GetItemText(Child(ControlId::ListView1), row - 1, 0, buffer.data(),
                         static_cast<int>(buffer.size()));
    return buffer.data();
}

int MainWindow::ProgressMax() const {
    return static_cast<int>(::SendMessageW(Child(ControlId::ProgressBar1), PBM_GETRANGE, FALSE, 0));
}

void MainWindow::SetProgressMax(int max) {
    HWND bar = Child(ControlId::ProgressBar1);
    const int low = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
    ::SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(max));
}

int MainWindow::ProgressValue() const {
    return static_cast<int>(::SendMessageW(Child(ControlId::ProgressBar1), PBM_GETPOS, 0, 0));
}

void MainWindow::SetProgressValue(int value) {
    ::SendMessageW(Child(ControlId::ProgressBar1), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void MainWindow::SetTimerInterval(int milliseconds) {
    if (milliseconds < 0) throw Failure(L"Invalid property value");
    if (milliseconds == 0) {
        ::KillTimer(window_, kTimer1);
    } else if (!::SetTimer(window_, kTimer1, static_cast<UINT>(milliseconds), nullptr)) {
        ThrowLastError(L"The timer could not be started");
    }
    timerInterval_ = milliseconds;
}

void MainWindow::ShowWindow() {
    ::ShowWindow(window_, std::exchange(restoreWhenShown_, false) ? SW_RESTORE : SW_SHOW);
    ::UpdateWindow(window_);
    ::SetForegroundWindow(window_);
}

WindowState MainWindow::GetWindowState() const {
    if (restoreWhenShown_) return WindowState::Normal;
    if (::IsIconic(window_)) return WindowState::Minimized;
    if (::IsZoomed(window_)) return WindowState::Maximized;
    return WindowState::Normal;
}

void MainWindow::SetWindowState(WindowState state) {
    switch (state) {
        case WindowState::Minimized:
            restoreWhenShown_ = false;
            ::ShowWindow(window_, SW_MINIMIZE);
            break;
        case WindowState::Maximized:
            break;  // the window has no maximize box
        case WindowState::Normal:
            if (!::IsIconic(window_)) break;
            if (::IsWindowVisible(window_)) {
                ::ShowWindow(window_, SW_RESTORE);
            } else {
                // Restoring a hidden window would show it: it comes back normal when shown.
                restoreWhenShown_ = true;
            }
            break;
    }
}

void MainWindow::SetFocus() {
    ::SetForegroundWindow(window_);
    ::SetActiveWindow(window_);
}

void MainWindow::Close() {
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
}

void MainWindow::LoadCustomPointer(const std::wstring& path) {
    UniqueCursor cursor(::LoadCursorFromFileW(path.c_str()));
    if (!cursor) throw Failure(L"Invalid picture");
    customCursor_ = std::move(cursor);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // A failure the logic did not trace: leave a trace of it, and the program goes on.
        const std::wstring trace = L"Kelbrook: window message " + std::to_wstring(message) +
                                   L" failed: " + DescribeCurrentException() + L"\n";
        ::OutputDebugStringW(trace.c_str());
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        if (events_ != nullptr) events_->ShellRestarted();
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_SETCURSOR:
            return OnSetCursor(reinterpret_cast<HWND>(wParam), lParam);
        case WM_ERASEBKGND: {
            RECT client{};
            ::GetClientRect(window_, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, BackgroundBrush(ControlId::Form1));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (IdOf(reinterpret_cast<HWND>(lParam)) == ControlId::Text1) break;
            return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_NOTIFY: {
            // A mouse click on the interval list is its Click; the keyboard only moves the
            // selection, which the next tick reads.
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (events_ != nullptr && header != nullptr && header->code == NM_CLICK &&
                header->hwndFrom == Child(ControlId::ListView1)) {
                events_->Click(ControlId::ListView1);
            }
            break;
        }
        case WM_SIZE:
            if (events_ != nullptr) events_->Resize();
            return 0;
        case WM_TIMER:
            if (wParam == kTimer1 && events_ != nullptr) events_->Tick();
            return 0;
        case WM_CLOSE:
            if (!closing_) {
                closing_ = true;
                if (events_ != nullptr) events_->QueryUnload();
                ::DestroyWindow(window_);
            }
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam && !closing_) {
                closing_ = true;
                if (events_ != nullptr) events_->QueryUnload();
            }
            return 0;
        case WM_DESTROY:
            ::KillTimer(window_, kTimer1);
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCommand(int childId, int code) {
    if (events_ == nullptr) return;
    const auto id = static_cast<ControlId>(childId - ChildWindowId(ControlId::Form1));
    if (children_.find(id) == children_.end()) return;
    if (id == ControlId::Text1) {
        if (code == EN_CHANGE) events_->Change(id);
        return;
    }
    if (code != BN_CLICKED) return;
    if (IsOptionButton(id)) {
        SetValue(id, true);  // checks it, clears its partner and raises its Click
    } else {
        events_->Click(id);
    }
}

LRESULT MainWindow::OnSetCursor(HWND over, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return ::DefWindowProcW(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), lParam);
    if (events_ != nullptr && HIWORD(lParam) == WM_MOUSEMOVE) events_->MouseMove(IdOf(over));
    if (pointer_ == Pointer::Custom) {
        ::SetCursor(customCursor_ ? customCursor_.get() : ::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    return ::DefWindowProcW(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), lParam);
}

}  // namespace kelbrook::win32