#include "tray/win32/mSysTray.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/Failure.h"

namespace kelbrook::win32 {

namespace {

constexpr wchar_t kTrayControlClass[] = L"KelbrookTrayControl";

// The procedure TrayWndProc replaced: one for the whole process, so at most one control may
// have its icon in the tray at a time.
WNDPROC OldWindowProc = nullptr;

}  // namespace

static_assert(sizeof(NOTIFYICONDATAA) >= ShellRecordLayout::Size, "the record's form");
static_assert(NOTIFYICONDATAA_V2_SIZE == ShellRecordLayout::Size, "the record's form");
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == ShellRecordLayout::Window);
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == ShellRecordLayout::CallbackMessage);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == ShellRecordLayout::Icon);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == ShellRecordLayout::Tip);
static_assert(offsetof(NOTIFYICONDATAA, szInfo) == ShellRecordLayout::Info);
static_assert(offsetof(NOTIFYICONDATAA, uTimeout) == ShellRecordLayout::Timeout);
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) == ShellRecordLayout::InfoTitle);
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) == ShellRecordLayout::InfoFlags);

void Win32ShellTray::NotifyIcon(std::uint32_t message, const std::vector<std::uint8_t>& record) {
    NOTIFYICONDATAA data{};
    std::memcpy(&data, record.data(), std::min(record.size(), sizeof(data)));
    ::Shell_NotifyIconA(message, &data);  // the result is not looked at
}

std::string Win32ShellTray::ToAnsi(const std::wstring& text) {
    return win32::ToAnsi(text);
}

TrayControl::~TrayControl() {
    if (window_ != nullptr && ::IsWindow(window_)) ::DestroyWindow(window_);
}

void TrayControl::Create(HWND parent, int id, HINSTANCE instance, int iconResource) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kTrayControlClass;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ThrowLastError(L"The tray control's class could not be registered");
    }
    window_ =
        ::CreateWindowExW(0, kTrayControlClass, L"cSysTray1", WS_CHILD, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (window_ == nullptr) ThrowLastError(L"The tray control could not be created");
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    icon_.reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, size, size, 0)));
}

std::uint64_t TrayControl::Handle() const {
    return reinterpret_cast<std::uint64_t>(window_);
}

void TrayControl::InstallTrayWndProc(cSysTray& control) {
    OldWindowProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayWndProc)));
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
}

void TrayControl::RestoreWindowProc() {
    if (OldWindowProc == nullptr) return;
    ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWindowProc));
    // The user-data slot keeps the control: nothing reads it without TrayWndProc.
}

TrayPicture TrayControl::OwnPicture() const {
    if (!icon_) return {};
    return {TrayPicture::Kind::Icon, reinterpret_cast<std::uint64_t>(icon_.get())};
}

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrayNotification) {
        auto* control = reinterpret_cast<cSysTray*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (control != nullptr) {
            try {
                control->HandleNotification(static_cast<std::uint32_t>(lParam),
                                            static_cast<std::int32_t>(wParam));
            } catch (...) {
                const std::wstring trace =
                    L"Kelbrook: a tray notification failed: " + DescribeCurrentException() + L"\n";
                ::OutputDebugStringW(trace.c_str());
            }
        }
    }
    return ::CallWindowProcA(OldWindowProc != nullptr ? OldWindowProc : ::DefWindowProcA, window,
                             message, wParam, lParam);
}

}  // namespace kelbrook::win32
