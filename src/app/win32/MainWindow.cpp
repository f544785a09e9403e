#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>

#include <array>
#include <vector>

#include "app/Failure.h"
#include "app/win32/ControlIds.h"
#include "app/win32/Resources.h"

namespace kelbrook::win32 {

enum class ControlKind { PushButton, Frame, Progress, Option, Check, Text, List, RichText };

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    const wchar_t* text;
    std::optional<ControlId> frame;  // positions inside a frame are relative to it
    int left, top, width, height;    // twips
};

namespace {

// The window's controls in definition order.
// clang-format off
constexpr std::array<ControlSpec, 20> kControls = {{
    {ControlId::PushButton4, ControlKind::PushButton, L"Turn On Backup Save", {}, 120, 120, 7800, 405},
    {ControlId::Frame2, ControlKind::Frame, L"On. Next backup save will occur in", {}, 120, 600, 7800, 860},
    {ControlId::ProgressBar1, ControlKind::Progress, L"", ControlId::Frame2, 240, 270, 7280, 405},
    {ControlId::Frame3, ControlKind::Frame, L"Other Options", {}, 120, 3045, 7800, 1755},
    {ControlId::Option3, ControlKind::Option, L"Create new file on backup", ControlId::Frame3, 225, 300, 5415, 255},
    {ControlId::Option4, ControlKind::Option, L"Overwrite old backup file on backup", ControlId::Frame3, 225, 650, 3840, 255},
    {ControlId::Check5, ControlKind::Check, L"Load this software on Windows startup", ControlId::Frame3, 240, 1000, 3930, 240},
    {ControlId::Check8, ControlKind::Check, L"Start in system tray", ControlId::Frame3, 240, 1350, 2580, 240},
    {ControlId::Frame1, ControlKind::Frame, L"Save Location Option", {}, 120, 1560, 7800, 1400},
    {ControlId::Option2, ControlKind::Option, L"Save all backups to the same folder as the open documents", ControlId::Frame1, 240, 1000, 6615, 255},
    {ControlId::Option1, ControlKind::Option, L"Save all backups to this location:", ControlId::Frame1, 240, 300, 3840, 255},
    {ControlId::Text1, ControlKind::Text, L"Text1", ControlId::Frame1, 480, 550, 6135, 345},
    {ControlId::PushButton1, ControlKind::PushButton, L"...", ControlId::Frame1, 6720, 555, 615, 345},
    {ControlId::ListView1, ControlKind::List, L"", {}, 120, 4920, 7800, 1815},
    {ControlId::PushButton2, ControlKind::PushButton, L"Backup Save Now (Test)", {}, 120, 6825, 7800, 405},
    {ControlId::PushButton3, ControlKind::PushButton, L"View History Log", {}, 120, 7335, 3840, 405},
    {ControlId::PushButton5, ControlKind::PushButton, L"Copy History To Clipboard", {}, 4080, 7335, 3840, 405},
    {ControlId::RichTextBox1, ControlKind::RichText, L"", {}, 9000, 240, 4815, 3015},
    {ControlId::PushButton11, ControlKind::PushButton, L"Help", {}, 120, 7845, 3840, 405},
    {ControlId::PushButton12, ControlKind::PushButton, L"Clear History Log", {}, 4080, 7845, 3840, 405},
}};
// clang-format on

constexpr int kClientWidthTwips = 8025;
constexpr int kClientHeightTwips = 8355;
constexpr UINT_PTR kTimer1 = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

const ControlSpec& SpecOf(ControlId id) {
    for (const ControlSpec& spec : kControls) {
        if (spec.id == id) return spec;
    }
    throw Failure(L"No such control");
}

COLORREF Resolve(Color color) {
    if (color & 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFFu));
    return static_cast<COLORREF>(color);
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

UINT DpiOf(HWND window) {
    const UINT dpi = window != nullptr ? ::GetDpiForWindow(window) : ::GetDpiForSystem();
    return dpi == 0 ? 96 : dpi;
}

}  // namespace

MainWindow::MainWindow() {
    INITCOMMONCONTROLSEX common{};
    common.dwSize = sizeof(common);
    common.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&common);
}

MainWindow::~MainWindow() {
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void MainWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // painted in WM_ERASEBKGND with the window's colour
    windowClass.lpszClassName = kMainWindowClass;
    windowClass.hIcon = static_cast<HICON>(::LoadImageW(
        instance, MAKEINTRESOURCEW(IDI_KELBROOK), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ThrowLastError(L"The main window's class could not be registered");
    }
    richEditLibrary_.reset(::LoadLibraryW(L"Msftedit.dll"));

    dpi_ = DpiOf(nullptr);
    backColors_[ControlId::Form1] = kWhite;
    for (const ControlSpec& spec : kControls) {
        if (spec.kind == ControlKind::Frame || spec.kind == ControlKind::Option ||
            spec.kind == ControlKind::Check) {
            backColors_[spec.id] = kWhite;
        }
    }

    // Created where and as large as it will be shown, so nothing has to move afterwards.
    const RECT place = WindowPlace(nullptr);
    window_ = ::CreateWindowExW(kWindowExStyle, kMainWindowClass, L"Form1", kWindowStyle,
                                place.left, place.top, place.right - place.left,
                                place.bottom - place.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) ThrowLastError(L"The main window could not be created");
    const UINT windowDpi = DpiOf(window_);
    const bool otherDpi = windowDpi != dpi_;
    dpi_ = windowDpi;
    CreateFonts();

    for (const ControlSpec& spec : kControls) {
        const wchar_t* className = WC_BUTTONW;
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (spec.kind) {
            case ControlKind::PushButton:
                style |= BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
                break;
            case ControlKind::Frame:
                style |= BS_GROUPBOX | WS_GROUP;
                break;
            case ControlKind::Option:
                style |= BS_RADIOBUTTON | WS_TABSTOP;
                if (spec.id == ControlId::Option3 || spec.id == ControlId::Option2)
                    style |= WS_GROUP;
                break;
            case ControlKind::Check:
                style |= BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
                break;
            case ControlKind::Text:
                className = WC_EDITW;
                style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::List:
                className = WC_LISTVIEWW;
                style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Progress:
                className = PROGRESS_CLASSW;
                style |= PBS_SMOOTH;
                break;
            case ControlKind::RichText:
                className = MSFTEDIT_CLASS;
                style = WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;  // never seen
                break;
        }
        const RECT area = ControlPlace(spec);
        HWND child = ::CreateWindowExW(
            exStyle, className, spec.text, style, area.left, area.top, area.right - area.left,
            area.bottom - area.top, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000 + static_cast<int>(spec.id))),
            instance, nullptr);
        if (child == nullptr)
            ThrowLastError(std::wstring(L"The control ") + spec.text + L" could not be created");
        children_[spec.id] = child;
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(spec)), FALSE);
        if (spec.kind == ControlKind::List) {
            ListView_SetExtendedListViewStyle(child, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        }
        if (spec.kind == ControlKind::RichText) {
            ::SendMessageW(child, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO, 0);
        }
    }
    // A frame is drawn behind the controls it groups; the tab order of the others stays.
    for (const ControlSpec& spec : kControls) {
        if (spec.kind == ControlKind::Frame) {
            ::SetWindowPos(children_[spec.id], HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    ::SendMessageW(children_[ControlId::ProgressBar1], PBM_SETRANGE32, 0, 100);
    if (otherDpi) {
        LayOut();  // the monitor's DPI is not the system's: everything at the window's DPI
    } else {
        FitClientArea();
    }
}

void MainWindow::CreateFonts() {
    LOGFONTW font{};
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy_s(font.lfFaceName, fontFace_.c_str(), _TRUNCATE);
    font.lfHeight = -MulDiv(900, static_cast<int>(dpi_), 7200);  // 9 pt
    formFont_.reset(::CreateFontIndirectW(&font));
    font.lfHeight = -MulDiv(1125, static_cast<int>(dpi_), 7200);  // 11.25 pt
    buttonFont_.reset(::CreateFontIndirectW(&font));
}

RECT MainWindow::WindowPlace(const RECT* suggested) const {
    RECT frame{0, 0, Pixels(kClientWidthTwips), Pixels(kClientHeightTwips)};
    ::AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, kWindowExStyle, dpi_);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (suggested != nullptr) {  // a DPI change: where the system suggests
        return RECT{suggested->left, suggested->top, suggested->left + width,
                    suggested->top + height};
    }
    MONITORINFO monitor{};  // centred on the work area of the window's (or the main) monitor
    monitor.cbSize = sizeof(monitor);
    HMONITOR handle = window_ != nullptr
                          ? ::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY)
                          : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ::GetMonitorInfoW(handle, &monitor);
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    return RECT{x, y, x + width, y + height};
}

RECT MainWindow::ControlPlace(const ControlSpec& spec) const {
    int left = spec.left;
    int top = spec.top;
    if (spec.frame) {
        const ControlSpec& frameSpec = SpecOf(*spec.frame);
        left += frameSpec.left;
        top += frameSpec.top;
    }
    return RECT{Pixels(left), Pixels(top), Pixels(left + spec.width), Pixels(top + spec.height)};
}

HGDIOBJ MainWindow::FontOf(const ControlSpec& spec) const {
    return spec.kind == ControlKind::PushButton ? buttonFont_.get() : formFont_.get();
}

void MainWindow::FitClientArea() {
    // The frame the system really draws may differ from the computed one: size by the client.
    RECT client{}, outer{};
    ::GetClientRect(window_, &client);
    ::GetWindowRect(window_, &outer);
    const int dx = Pixels(kClientWidthTwips) - client.right;
    const int dy = Pixels(kClientHeightTwips) - client.bottom;
    if (dx == 0 && dy == 0) return;
    ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + dx,
                   outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::LayOut(const RECT* suggested) {
    const RECT place = WindowPlace(suggested);
    ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    for (const ControlSpec& spec : kControls) {
        const RECT area = ControlPlace(spec);
        HWND child = children_[spec.id];
        ::SetWindowPos(child, nullptr, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(spec)), TRUE);
    }
    if (listColumnTwips_ > 0) {
        ListView_SetColumnWidth(children_[ControlId::ListView1], 0, Pixels(listColumnTwips_));
    }
    ::InvalidateRect(window_, nullptr, TRUE);
}

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

bool MainWindow::Visible(ControlId id) const {
    return (::GetWindowLongW(Child(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void MainWindow::SetVisible(ControlId id, bool visible) {
    ::ShowWindow(Child(id), visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::SetBackColor(ControlId id, Color color) {
    Child(id);  // raises for an unknown control
    backColors_[id] = color;
    ::InvalidateRect(id == ControlId::Form1 ? window_ : Child(id), nullptr, TRUE);
}

HBRUSH MainWindow::BackgroundBrush(ControlId id) {
    auto it = backColors_.find(id);
    const Color color = it != backColors_.end() ? it->second : backColors_[ControlId::Form1];
    if (color & 0x80000000u) return ::GetSysColorBrush(static_cast<int>(color & 0xFFu));
    UniqueGdiObject& brush = brushes_[color];
    if (!brush) brush.reset(::CreateSolidBrush(Resolve(color)));
    return static_cast<HBRUSH>(brush.get());
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
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
    ::SetForegroundWindow(window_);
}

WindowState MainWindow::GetWindowState() const {
    if (::IsIconic(window_)) return WindowState::Minimized;
    if (::IsZoomed(window_)) return WindowState::Maximized;
    return WindowState::Normal;
}

void MainWindow::SetWindowState(WindowState state) {
    switch (state) {
        case WindowState::Minimized:
            ::ShowWindow(window_, SW_MINIMIZE);
            break;
        case WindowState::Maximized:
            break;  // the window has no maximize box
        case WindowState::Normal:
            if (::IsIconic(window_)) ::ShowWindow(window_, SW_RESTORE);
            break;
    }
}

void MainWindow::SetFocus() {
    ::SetForegroundWindow(window_);
    ::SetActiveWindow(window_);
}

void MainWindow::SetApplicationIcon() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const int big = ::GetSystemMetricsForDpi(SM_CXICON, dpi_);
    const int small = ::GetSystemMetricsForDpi(SM_CXSMICON, dpi_);
    bigIcon_.reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_KELBROOK), IMAGE_ICON, big, big, 0)));
    smallIcon_.reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_KELBROOK), IMAGE_ICON, small, small, 0)));
    if (!bigIcon_ || !smallIcon_) ThrowLastError(L"The application icon could not be loaded");
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void MainWindow::LoadCustomPointer(const std::wstring& path) {
    UniqueCursor cursor(::LoadCursorFromFileW(path.c_str()));
    if (!cursor) throw Failure(L"Invalid picture");
    customCursor_ = std::move(cursor);
}

void MainWindow::ApplySkinStyle(const SkinStyle& style) {
    if (style.background) {
        for (auto& [id, color] : backColors_) color = *style.background;
    }
    if (style.text) textColor_ = Resolve(*style.text);
    if (style.fontFace) {
        fontFace_ = *style.fontFace;
        CreateFonts();
        LayOut();
    }
    ::RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
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
        // A handler without an error report of its own failed: the program goes on.
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
        case WM_CTLCOLORBTN: {
            const ControlId id = IdOf(reinterpret_cast<HWND>(lParam));
            if (id == ControlId::Text1) break;
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkColor(dc, Resolve(backColors_.count(id) ? backColors_[id]
                                                           : backColors_[ControlId::Form1]));
            if (textColor_) ::SetTextColor(dc, *textColor_);
            return reinterpret_cast<LRESULT>(BackgroundBrush(id));
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            CreateFonts();
            LayOut(reinterpret_cast<const RECT*>(lParam));
            if (bigIcon_) SetApplicationIcon();
            return 0;
        }
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
    const auto id = static_cast<ControlId>(childId - 1000);
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
