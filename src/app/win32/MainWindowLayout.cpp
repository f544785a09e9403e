// The main window's appearance: the control table, fonts, colours, layout in twips at the
// window's DPI, and its creation.
#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "core/Failure.h"
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
    RECT area{Pixels(left), Pixels(top), Pixels(left + spec.width), Pixels(top + spec.height)};
    if (spec.frame && (spec.kind == ControlKind::Option || spec.kind == ControlKind::Check)) {
        // The form's bold font is wider than the one these widths were made for: a caption
        // that needs more room takes it, up to its frame's inner edge, so none is clipped.
        const ControlSpec& frameSpec = SpecOf(*spec.frame);
        const LONG limit = Pixels(frameSpec.left + frameSpec.width - spec.left);
        const LONG needed = area.left + CaptionWidth(spec);
        area.right = std::max(area.right, std::min(limit, needed));
    }
    return area;
}

int MainWindow::CaptionWidth(const ControlSpec& spec) const {
    UniqueDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return 0;
    const HGDIOBJ previous = ::SelectObject(dc.get(), FontOf(spec));
    const std::wstring_view text = spec.text;
    SIZE extent{};
    const bool measured =
        ::GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc.get(), previous);
    if (!measured) return 0;
    // The box, the gap the button control leaves after it, and room for the focus rectangle.
    return ::GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi_) + Pixels(150) + extent.cx;
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
