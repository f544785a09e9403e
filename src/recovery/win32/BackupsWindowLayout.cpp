// The Backups window's controls, font and layout at the window's DPI.
#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>

#include "core/Failure.h"
#include "recovery/win32/BackupsWindow.h"

namespace kelbrook::win32 {

namespace {

constexpr int kMargin = 10, kGap = 6, kButtonHeight = 26, kRowHeight = 24;
constexpr int kWidth = 1000, kHeight = 560;  // DIPs

struct ButtonRow {
    int id;
    const wchar_t* caption;
    int width;  // DIPs
};
constexpr ButtonRow kButtons[] = {
    {kBackupsOpen, L"&Open", 90},
    {kBackupsShow, L"&Show in folder", 120},
    {kBackupsRestore, L"&Restore a copy", 120},
    {kBackupsRefresh, L"Re&fresh", 90},
};

HWND MakeChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
               DWORD exStyle = 0) {
    HWND child = ::CreateWindowExW(
        exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (child == nullptr) ThrowLastError(L"Creating the Backups window");
    return child;
}

}  // namespace

BackupsWindowImpl::BackupsWindowImpl(HINSTANCE instance,
                                     std::function<Recovery::CatalogueSources()> sources)
    : sources_(std::move(sources)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (!::GetClassInfoExW(instance, kBackupsWindowClass, &windowClass)) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &BackupsWindowImpl::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
        windowClass.lpszClassName = kBackupsWindowClass;
        if (!::RegisterClassExW(&windowClass)) ThrowLastError(L"Creating the Backups window");
    }
    dpi_ = ::GetDpiForSystem();
    window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kBackupsWindowClass,
                                Recovery::kBackupsCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, Scale(kWidth), Scale(kHeight),
                                nullptr, nullptr, instance, this);
    if (window_ == nullptr) ThrowLastError(L"Creating the Backups window");
    const UINT dpi = ::GetDpiForWindow(window_);
    if (dpi != 0 && dpi != dpi_) {  // created on a monitor of another DPI than the system's
        dpi_ = dpi;
        ::SetWindowPos(window_, nullptr, 0, 0, Scale(kWidth), Scale(kHeight),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    try {
        dialogs_.SetOwner(window_);
        CreateFont();
        CreateControls();
        LayOut();
        ::SetTimer(window_, kLogWatch, 1000, nullptr);  // the history log, watched for runs
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::SetForegroundWindow(window_);
        ::SetFocus(Child(kBackupsList));
        StartRefresh();
    } catch (...) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
        throw;
    }
}

// A catalogue still being built is waited for: its listing is bounded, and nothing of the
// program may run on after the program has ended.
BackupsWindowImpl::~BackupsWindowImpl() {
    if (Alive()) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
    if (worker_) ::WaitForSingleObject(worker_.get(), Recovery::kListingMilliseconds + 10000);
}

void BackupsWindowImpl::CreateFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi_)) {
        font_.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
    }
    if (!font_) {
        LOGFONTW face{};
        face.lfHeight = -Scale(12);
        wcscpy_s(face.lfFaceName, L"Tahoma");
        font_.reset(::CreateFontIndirectW(&face));
    }
}

// In the order of Tab: the filter, the list, the buttons.
void BackupsWindowImpl::CreateControls() {
    MakeChild(window_, WC_STATICW, L"&Publication:", SS_LEFT | SS_CENTERIMAGE, kBackupsFilterLabel);
    MakeChild(window_, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
              kBackupsFilter);
    HWND list = MakeChild(
        window_, WC_LISTVIEWW, L"",
        LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER,
        kBackupsList);
    ::SetWindowTheme(list, L"Explorer", nullptr);
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP | LVS_EX_HEADERDRAGDROP);
    for (int column = 0; column < Recovery::kColumnCount; ++column) {
        std::wstring title = Recovery::ColumnTitle(static_cast<Recovery::Column>(column));
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        item.fmt = column == static_cast<int>(Recovery::Column::Size) ? LVCFMT_RIGHT : LVCFMT_LEFT;
        item.cx = Scale(columnWidths_[column]);
        item.pszText = title.data();
        ListView_InsertColumn(list, column, &item);
    }
    MakeChild(window_, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_ENDELLIPSIS, kBackupsStatus);
    for (const ButtonRow& button : kButtons) {
        MakeChild(window_, WC_BUTTONW, button.caption,
                  WS_TABSTOP | (button.id == kBackupsOpen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                  button.id);
    }
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    ShowSortArrow();
    UpdateButtons();
}

void BackupsWindowImpl::LayOut() {
    RECT client{};
    ::GetClientRect(window_, &client);
    const int margin = Scale(kMargin), gap = Scale(kGap), row = Scale(kRowHeight),
              button = Scale(kButtonHeight);
    const int width = client.right - 2 * margin;
    const int labelWidth = Scale(80);
    ::MoveWindow(Child(kBackupsFilterLabel), margin, margin, labelWidth, row, TRUE);
    ::MoveWindow(Child(kBackupsFilter), margin + labelWidth + gap, margin,
                 std::min(Scale(420), std::max(Scale(60), width - labelWidth - gap)), Scale(300),
                 TRUE);
    const int bottom = client.bottom - margin - button;
    const int listTop = margin + row + gap;
    ::MoveWindow(Child(kBackupsList), margin, listTop, std::max(0, width),
                 std::max(0, bottom - gap - listTop), TRUE);
    int right = client.right - margin;
    for (auto it = std::rbegin(kButtons); it != std::rend(kButtons); ++it) {
        right -= Scale(it->width);
        ::MoveWindow(Child(it->id), right, bottom, Scale(it->width), button, TRUE);
        right -= gap;
    }
    ::MoveWindow(Child(kBackupsStatus), margin, bottom, std::max(0, right - margin), button, TRUE);
}

void BackupsWindowImpl::OnDpiChanged(UINT dpi, const RECT& suggested) {
    HWND list = Child(kBackupsList);
    for (int column = 0; column < Recovery::kColumnCount; ++column) {
        columnWidths_[column] =
            ::MulDiv(ListView_GetColumnWidth(list, column), 96, static_cast<int>(dpi_));
    }
    dpi_ = dpi;
    UniqueGdiObject old = std::move(font_);
    CreateFont();
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    for (int column = 0; column < Recovery::kColumnCount; ++column) {
        ListView_SetColumnWidth(list, column, Scale(columnWidths_[column]));
    }
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
}

void BackupsWindowImpl::ShowSortArrow() {
    HWND header = ListView_GetHeader(Child(kBackupsList));
    for (int column = 0; column < Recovery::kColumnCount; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, column, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == static_cast<int>(order_.column)) {
            item.fmt |= order_.descending ? HDF_SORTDOWN : HDF_SORTUP;
        }
        Header_SetItem(header, column, &item);
    }
}

}  // namespace kelbrook::win32
