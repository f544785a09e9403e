// The tray control's adapters under Wine: the real Shell_NotifyIconA adds and removes the
// icon, and TrayWndProc takes the control window's procedure while the icon is in the tray.
#include <gtest/gtest.h>

#include <string>

#include "core/win32/Win32Platform.h"
#include "tray/cSysTray.h"
#include "tray/win32/mSysTray.h"

namespace kelbrook::win32 {
namespace {

struct Counted : TrayEvents {
    void MouseMove(std::int32_t) override {}
    void MouseDown(std::int16_t, std::int32_t) override {}
    void MouseUp(std::int16_t button, std::int32_t) override { ups += button; }
    void MouseDblClick(std::int16_t, std::int32_t) override {}
    int ups = 0;
};

bool TrayVisible() {
    HWND tray = ::FindWindowW(nullptr, L"Wine System Tray");
    return tray != nullptr && ::IsWindowVisible(tray);
}

bool WaitPumping(bool (*condition)()) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::Sleep(20);
    }
    return condition();
}

TEST(TrayControl, AddsAndRemovesTheIconAndTakesTheWindowProcedureWhileInTheTray) {
    HWND parent = ::CreateWindowExW(0, L"Static", L"holder", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    {
        Win32ShellTray shell;
        TrayControl window;
        window.Create(parent, 1021, ::GetModuleHandleW(nullptr), 1);
        Win32MessagePump pump;
        Counted events;
        cSysTray tray({shell, window, pump}, events);
        tray.ReadProperties({});
        const LONG_PTR before = ::GetWindowLongPtrW(window.window(), GWLP_WNDPROC);

        // A stand-in icon when the test program has none of its own.
        if (tray.TrayIcon().kind != TrayPicture::Kind::Icon) {
            tray.SetTrayIcon({TrayPicture::Kind::Icon, reinterpret_cast<std::uint64_t>(
                                                           ::LoadIconW(nullptr, IDI_APPLICATION))});
        }
        tray.SetTrayTip(L"Kelbrook test");
        tray.SetInTray(true);
        EXPECT_NE(::GetWindowLongPtrW(window.window(), GWLP_WNDPROC), before);
        EXPECT_TRUE(WaitPumping(TrayVisible)) << "no icon reached the notification area";

        // The replaced procedure hands the shell's notifications to the control.
        ::SendMessageW(window.window(), kTrayNotification, 0, WM_RBUTTONUP);
        ::SendMessageW(window.window(), kTrayNotification, 0, WM_LBUTTONUP);
        EXPECT_EQ(events.ups, 3);
        // ... and passes every other message on.
        ::SetWindowTextW(window.window(), L"still a window");
        wchar_t text[32] = {};
        ::GetWindowTextW(window.window(), text, 32);
        EXPECT_STREQ(text, L"still a window");

        tray.SetInTray(false);
        EXPECT_EQ(::GetWindowLongPtrW(window.window(), GWLP_WNDPROC), before);
        EXPECT_TRUE(WaitPumping([] { return !TrayVisible(); })) << "the icon stayed";
        ::SendMessageW(window.window(), kTrayNotification, 0, WM_LBUTTONUP);
        EXPECT_EQ(events.ups, 3) << "the control still hears the shell";
    }
    ::DestroyWindow(parent);
}

}  // namespace
}  // namespace kelbrook::win32
