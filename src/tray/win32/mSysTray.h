// mSysTray: the tray icon control's window, its replacement window procedure TrayWndProc,
// and the shell's notification-area call.
#pragma once

#include <windows.h>

#include "core/win32/Win32Support.h"
#include "tray/cSysTray.h"

namespace kelbrook::win32 {

// Shell_NotifyIconA with the record the logic built.
class Win32ShellTray : public ShellTray {
  public:
    void NotifyIcon(std::uint32_t message, const std::vector<std::uint8_t>& record) override;
    std::string ToAnsi(const std::wstring& text) override;
};

// The control's own window: a hidden child of the window that holds the control.
class TrayControl : public TrayControlWindow {
  public:
    TrayControl() = default;
    TrayControl(const TrayControl&) = delete;
    TrayControl& operator=(const TrayControl&) = delete;
    ~TrayControl() override;

    // Creates the window (raises when it cannot) with its own picture, the icon resource.
    void Create(HWND parent, int id, HINSTANCE instance, int iconResource);
    HWND window() const { return window_; }

    std::uint64_t Handle() const override;
    void InstallTrayWndProc(cSysTray& control) override;
    void RestoreWindowProc() override;
    TrayPicture OwnPicture() const override;

  private:
    HWND window_ = nullptr;
    UniqueIcon icon_;
};

// The replacement window procedure: hands message 1125 to the control found in the window's
// user-data slot, and passes every message on to the procedure it replaced.
LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelbrook::win32
