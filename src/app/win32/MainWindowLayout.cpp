// The main window's appearance: its creation from the control table, fonts, colours, layout
// in twips at the window's DPI.
#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <string_view>

#include "core/Failure.h"
#include "app/win32/ControlIds.h"
#include "app/win32/Resources.h"

namespace kelbrook::win32 {

namespace {

// The window's client area and its style.
constexpr const ControlRow& kForm1 = RowOf(ControlId::Form1);
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

// A child window of the main window for the row: every kind but the window itself and the
// tray icon control, whose window is its own.
bool IsChildWindow(const ControlRow& row) {
    return row.kind != ControlKind::Window && row.kind != ControlKind::Tray;
}

COLORREF Resolve(Color color) {
    if (color & 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFFu));
    return static_cast<COLORREF>(color);
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
    for (const ControlRow& row : kControlTable) {
        if (row.background == Background::Window) backColors_[row.id] = kWhite;
    }

    // Created where and as large as it will be shown, so nothing has to move afterwards.
    const RECT place = WindowPlace(nullptr);
    window_ = ::CreateWindowExW(kWindowExStyle, kMainWindowClass, kForm1.caption, kWindowStyle,
                                place.left, place.top, place.right - place.left,
                                place.bottom - place.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) ThrowLastError(L"The main window could not be created");
    const UINT windowDpi = DpiOf(window_);
    const bool otherDpi = windowDpi != dpi_;
    dpi_ = windowDpi;
    CreateFonts();

    for (const ControlRow& row : kControlTable) {
        if (!IsChildWindow(row)) continue;
        const wchar_t* className = WC_BUTTONW;
        DWORD style = control_table::InRecoveryBand(row.id) ? WS_CHILD : WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (row.kind) {
            case ControlKind::PushButton:
                style |= BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
                break;
            case ControlKind::Frame:
                style |= BS_GROUPBOX | WS_GROUP;
                break;
            case ControlKind::Option:
                style |= BS_RADIOBUTTON | WS_TABSTOP;
                if (OptionPartner(row.id) > row.id) style |= WS_GROUP;  // the first of its pair
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
            case ControlKind::Label:
                className = WC_STATICW;
                style |= SS_LEFT | SS_CENTERIMAGE | SS_ENDELLIPSIS | SS_NOPREFIX;
                break;
            case ControlKind::Window:
            case ControlKind::Tray:
                break;
        }
        const RECT area = ControlPlace(row);
        HWND child =
            ::CreateWindowExW(exStyle, className, row.caption, style, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(ChildWindowId(row.id))),
                              instance, nullptr);
        if (child == nullptr)
            ThrowLastError(std::wstring(L"The control ") + row.caption + L" could not be created");
        children_[row.id] = child;
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(row)), FALSE);
        if (row.kind == ControlKind::List) {
            ListView_SetExtendedListViewStyle(child, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        }
        if (row.kind == ControlKind::RichText) {
            ::SendMessageW(child, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO, 0);
        }
    }
    // A frame is drawn behind the controls it groups; the tab order of the others stays.
    for (const ControlRow& row : kControlTable) {
        if (row.kind == ControlKind::Frame) {
            ::SetWindowPos(children_[row.id], HWND_BOTTOM, 0, 0, 0, 0,
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
    RECT frame{0, 0, Pixels(kForm1.width), Pixels(ClientTwips())};
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

RECT MainWindow::ControlPlace(const ControlRow& row) const {
    // A frame's controls are placed relative to it; Form1's place is the client area's origin.
    const ControlRow& container = RowOf(row.container);
    const int left = container.left + row.left;
    const int top = container.top + row.top;
    RECT area{Pixels(left), Pixels(top), Pixels(left + row.width), Pixels(top + row.height)};
    if (container.kind == ControlKind::Frame &&
        (row.kind == ControlKind::Option || row.kind == ControlKind::Check)) {
        // The form's bold font is wider than the one these widths were made for: a caption
        // that needs more room takes it, up to its frame's inner edge, so none is clipped.
        const LONG limit = Pixels(container.left + container.width - row.left);
        const LONG needed = area.left + CaptionWidth(row);
        area.right = std::max(area.right, std::min(limit, needed));
    }
    return area;
}

int MainWindow::CaptionWidth(const ControlRow& row) const {
    UniqueDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return 0;
    const HGDIOBJ previous = ::SelectObject(dc.get(), FontOf(row));
    const std::wstring_view text = row.caption;
    SIZE extent{};
    const bool measured =
        ::GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc.get(), previous);
    if (!measured) return 0;
    // The box, the gap the button control leaves after it, and room for the focus rectangle.
    return ::GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi_) + Pixels(150) + extent.cx;
}

HGDIOBJ MainWindow::FontOf(const ControlRow& row) const {
    return row.kind == ControlKind::PushButton ? buttonFont_.get() : formFont_.get();
}

int MainWindow::ClientTwips() const {
    return kForm1.height + (recoveryBand_ ? control_table::kRecoveryBandTwips : 0);
}

void MainWindow::FitClientArea() {
    // The frame the system really draws may differ from the computed one: size by the client.
    RECT client{}, outer{};
    ::GetClientRect(window_, &client);
    ::GetWindowRect(window_, &outer);
    const int dx = Pixels(kForm1.width) - client.right;
    const int dy = Pixels(ClientTwips()) - client.bottom;
    if (dx == 0 && dy == 0) return;
    ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + dx,
                   outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::LayOut(const RECT* suggested) {
    const RECT place = WindowPlace(suggested);
    ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    for (const ControlRow& row : kControlTable) {
        if (!IsChildWindow(row)) continue;
        const RECT area = ControlPlace(row);
        HWND child = children_[row.id];
        ::SetWindowPos(child, nullptr, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(row)), TRUE);
    }
    if (listColumnTwips_ > 0) {
        ListView_SetColumnWidth(children_[ControlId::ListView1], 0, Pixels(listColumnTwips_));
    }
    ::InvalidateRect(window_, nullptr, TRUE);
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

void MainWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    CreateFonts();
    LayOut(suggested);
    if (bigIcon_) SetApplicationIcon();
}

LRESULT MainWindow::OnControlColor(HDC dc, HWND child) {
    const ControlId id = IdOf(child);
    ::SetBkColor(dc,
                 Resolve(backColors_.count(id) ? backColors_[id] : backColors_[ControlId::Form1]));
    if (textColor_) ::SetTextColor(dc, *textColor_);
    return reinterpret_cast<LRESULT>(BackgroundBrush(id));
}

}  // namespace kelbrook::win32
