#include "tray/cSysTray.h"

#include <limits>

#include "core/Failure.h"

namespace kelbrook {

namespace {

// Notification codes (the lParam of message 1125).
constexpr std::uint32_t kMouseMove = 0x200, kLeftDown = 0x201, kLeftUp = 0x202, kLeftDouble = 0x203,
                        kRightDown = 0x204, kRightUp = 0x205, kRightDouble = 0x206;
constexpr std::uint32_t kBalloonHide = 0x403, kBalloonTimeout = 0x404, kBalloonClick = 0x405;

}  // namespace

cSysTray::cSysTray(TrayPorts ports, TrayEvents& events) : ports_(ports), events_(events) {}

void cSysTray::ReadProperties(const TrayProperties& stored) {
    SetInTray(stored.inTray.value_or(false));
    SetTrayIcon(stored.trayIcon.value_or(ports_.window.OwnPicture()));
    SetTrayTip(stored.trayTip.value_or(kDefaultTrayTip));
}

void cSysTray::Terminate() {
    if (inTray_) SetInTray(false);
}

ShellRecord cSysTray::Record(std::uint32_t flags) const {
    ShellRecord record;
    record.window = ports_.window.Handle();
    record.id = static_cast<std::uint32_t>(iconId_);
    record.flags = flags;
    return record;
}

void cSysTray::Send(std::uint32_t message, const ShellRecord& record) {
    ports_.shell.NotifyIcon(message, EncodeShellRecord(record, [&](const std::wstring& text) {
                                return ports_.shell.ToAnsi(text);
                            }));
}

void cSysTray::AddIcon() {
    std::uint32_t flags = kNifMessage;
    if (trayIcon_.kind == TrayPicture::Kind::Icon && trayIcon_.handle != 0) flags |= kNifIcon;
    if (!trayTip_.empty()) flags |= kNifTip;
    ShellRecord record = Record(flags);
    record.callbackMessage = kTrayNotification;
    record.icon = trayIcon_.handle;
    record.tip = trayTip_;
    Send(kNimAdd, record);
}

void cSysTray::SetInTray(bool Show) {
    if (Show == inTray_) return;
    if (Show) {
        ports_.window.InstallTrayWndProc(*this);
        AddIcon();
        iconAdded_ = true;
    } else if (iconAdded_) {
        Send(kNimDelete, Record(0));
        ports_.window.RestoreWindowProc();
        iconAdded_ = false;
    }
    inTray_ = Show;
}

void cSysTray::SetTrayIcon(const TrayPicture& Icon) {
    if (Icon.kind != TrayPicture::Kind::Icon || Icon.handle == 0) return;  // not an icon
    if (iconAdded_) {
        ShellRecord record = Record(kNifIcon);
        record.icon = Icon.handle;
        Send(kNimModify, record);
    }
    trayIcon_ = Icon;
}

void cSysTray::SetTrayTip(const std::wstring& Tip) {
    if (iconAdded_) {
        ShellRecord record = Record(kNifTip);
        record.tip = Tip;
        Send(kNimModify, record);
    }
    trayTip_ = Tip;
}

void cSysTray::ShowBalloon(const std::wstring& Tip, const std::wstring& sTitle,
                           std::int32_t ShowTimer, bool ShowOnce) {
    if (ShowOnce && balloonCount_ >= 1) return;
    if (ShowTimer > std::numeric_limits<std::int32_t>::max() / 1000) throw Failure(L"Overflow");
    ShellRecord record = Record(kNifInfo);
    record.infoTitle = sTitle;
    record.info = Tip;
    if (ShowTimer > 0) record.timeout = static_cast<std::uint32_t>(ShowTimer) * 1000u;
    Send(kNimModify, record);
    balloonShown_ = true;
    if (ShowOnce) ++balloonCount_;

    if (ShowTimer <= 0) return;
    const std::int64_t wait = static_cast<std::int64_t>(ShowTimer) * 1000;
    const std::int64_t start = ports_.pump.NowMilliseconds();
    for (;;) {
        ports_.pump.ProcessPending();  // the shell's balloon notifications, and every event
        const std::int64_t passed = ports_.pump.NowMilliseconds() - start;
        if (!balloonShown_ || passed >= wait) break;
        ports_.pump.WaitForMessages(static_cast<int>(wait - passed));
    }
    if (balloonShown_) Send(kNimModify, Record(kNifInfo));  // empty title and text: down
}

void cSysTray::HandleNotification(std::uint32_t code, std::int32_t id) {
    // What each button code raises, and with which button.
    static constexpr struct {
        std::uint32_t code;
        void (TrayEvents::*raise)(std::int16_t, std::int32_t);
        std::int16_t button;
    } kButtonCodes[] = {
        {kLeftDown, &TrayEvents::MouseDown, 1},       {kLeftUp, &TrayEvents::MouseUp, 1},
        {kLeftDouble, &TrayEvents::MouseDblClick, 1}, {kRightDown, &TrayEvents::MouseDown, 2},
        {kRightUp, &TrayEvents::MouseUp, 2},          {kRightDouble, &TrayEvents::MouseDblClick, 2},
    };
    if (code == kMouseMove) events_.MouseMove(id);
    for (const auto& button : kButtonCodes) {
        if (code == button.code) (events_.*button.raise)(button.button, id);
    }
    if (code == kBalloonHide || code == kBalloonTimeout || code == kBalloonClick) {
        balloonShown_ = false;
    }
    if (code == kBalloonClick) events_.BalloonClick(id);
}

void cSysTray::ShellRestarted() {
    if (iconAdded_) AddIcon();
}

}  // namespace kelbrook
