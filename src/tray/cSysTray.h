// cSysTray: one icon in the notification area, its tip, its balloon, and its mouse
// activity raised as events. The shell's notifications reach the control through TrayWndProc
// (mSysTray), which replaces the window procedure of the control's own window while the
// icon is in the tray.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Platform.h"
#include "tray/TrayRecord.h"

namespace kelbrook {

// A picture as the control knows it: an icon, a bitmap, or nothing.
struct TrayPicture {
    enum class Kind { None, Icon, Bitmap };
    Kind kind = Kind::None;
    std::uint64_t handle = 0;
    bool operator==(const TrayPicture&) const = default;
};

// The shell's notification-area call; its result is not looked at.
class ShellTray {
  public:
    virtual ~ShellTray() = default;
    virtual void NotifyIcon(std::uint32_t message, const std::vector<std::uint8_t>& record) = 0;
    // The ANSI code page form of a text, for the record.
    virtual std::string ToAnsi(const std::wstring& text) = 0;
};

class cSysTray;

// The control's own window.
class TrayControlWindow {
  public:
    virtual ~TrayControlWindow() = default;
    virtual std::uint64_t Handle() const = 0;
    // Installs TrayWndProc as the window's procedure, keeping the one it replaces, and puts
    // the control in the window's user-data slot.
    virtual void InstallTrayWndProc(cSysTray& control) = 0;
    // Puts the replaced procedure back.
    virtual void RestoreWindowProc() = 0;
    // The control's own picture (the blue "T").
    virtual TrayPicture OwnPicture() const = 0;
};

// What the control raises; Button 1 is the left, 2 the right button, Id the icon's (0).
class TrayEvents {
  public:
    virtual ~TrayEvents() = default;
    virtual void MouseMove(std::int32_t id) = 0;
    virtual void MouseDown(std::int16_t button, std::int32_t id) = 0;
    virtual void MouseUp(std::int16_t button, std::int32_t id) = 0;
    virtual void MouseDblClick(std::int16_t button, std::int32_t id) = 0;
    // The user clicked the balloon.
    virtual void BalloonClick(std::int32_t) {}
};

// The control's stored properties; an absent one takes its default when read.
struct TrayProperties {
    std::optional<bool> inTray;
    std::optional<TrayPicture> trayIcon;
    std::optional<std::wstring> trayTip;
};

inline constexpr wchar_t kDefaultTrayTip[] = L"Telnet Server";

struct TrayPorts {
    ShellTray& shell;
    TrayControlWindow& window;
    MessagePump& pump;
};

class cSysTray {
  public:
    cSysTray(TrayPorts ports, TrayEvents& events);
    cSysTray(const cSysTray&) = delete;
    cSysTray& operator=(const cSysTray&) = delete;
    ~cSysTray() { Terminate(); }

    // Lifecycle: restoring its properties when the window that holds it loads, and the end
    // (which takes the icon away). The window keeps none of them, so nothing saves them; the
    // control's window is hidden and without area, so nothing resizes it.
    void ReadProperties(const TrayProperties& stored);
    void Terminate();

    bool InTray() const { return inTray_; }
    void SetInTray(bool Show);
    const TrayPicture& TrayIcon() const { return trayIcon_; }
    void SetTrayIcon(const TrayPicture& Icon);
    const std::wstring& TrayTip() const { return trayTip_; }
    void SetTrayTip(const std::wstring& Tip);

    // Puts a balloon up; with ShowTimer above 0 waits that many seconds (processing the
    // program's messages) or until the shell reports it closed, then takes it down.
    void ShowBalloon(const std::wstring& Tip, const std::wstring& sTitle, std::int32_t ShowTimer,
                     bool ShowOnce);

    // A notification of the shell (message 1125): lParam is the mouse or balloon code,
    // wParam the icon's identifier.
    void HandleNotification(std::uint32_t code, std::int32_t id);
    // The shell has started again (its taskbar was created anew): an icon in the tray is
    // added again.
    void ShellRestarted();

    bool BalloonShown() const { return balloonShown_; }
    std::int32_t BalloonCount() const { return balloonCount_; }

  private:
    ShellRecord Record(std::uint32_t flags) const;
    void Send(std::uint32_t message, const ShellRecord& record);
    void AddIcon();

    TrayPorts ports_;
    TrayEvents& events_;
    bool inTray_ = false;
    TrayPicture trayIcon_;
    std::wstring trayTip_;
    std::int32_t iconId_ = 0;
    bool iconAdded_ = false;
    bool balloonShown_ = false;
    std::int32_t balloonCount_ = 0;
};

}  // namespace kelbrook
