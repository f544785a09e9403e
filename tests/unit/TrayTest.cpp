#include <gtest/gtest.h>

#include "Form1Harness.h"
#include "tray/cSysTray.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;
namespace L = ShellRecordLayout;

struct RecordedTrayEvents : TrayEvents {
    void MouseMove(std::int32_t id) override { seen.push_back(L"move " + std::to_wstring(id)); }
    void MouseDown(std::int16_t b, std::int32_t id) override { Add(L"down", b, id); }
    void MouseUp(std::int16_t b, std::int32_t id) override { Add(L"up", b, id); }
    void MouseDblClick(std::int16_t b, std::int32_t id) override { Add(L"double", b, id); }
    void Add(const std::wstring& what, std::int16_t b, std::int32_t id) {
        seen.push_back(what + L" " + std::to_wstring(b) + L" " + std::to_wstring(id));
    }
    std::vector<std::wstring> seen;
};

class TrayControlTest : public ::testing::Test {
  protected:
    TrayControlTest() { tray.ReadProperties({}); }
    FakeShellTray shell;
    FakeTrayWindow window;
    FakePump pump;
    RecordedTrayEvents events;
    cSysTray tray{{shell, window, pump}, events};
};

TEST_F(TrayControlTest, EachShellOperationSendsItsRecord) {
    EXPECT_EQ(tray.TrayTip(), L"Telnet Server");
    EXPECT_TRUE(shell.calls.empty()) << "nothing is sent while the icon is not in the tray";
    tray.SetTrayTip(L"Kelbrook");
    tray.SetInTray(true);
    tray.SetInTray(true);  // a second time adds nothing
    tray.SetTrayTip(std::wstring(200, L'x'));
    tray.SetTrayIcon({TrayPicture::Kind::Icon, 0xC2});
    tray.SetTrayIcon({TrayPicture::Kind::Bitmap, 0xD3});  // not an icon: ignored
    tray.ShowBalloon(L"text", L"title", 0, false);
    tray.SetInTray(false);

    ASSERT_EQ(shell.calls.size(), 5u);
    for (const ShellCall& call : shell.calls) {
        ASSERT_EQ(call.bytes.size(), 504u);
        EXPECT_EQ(call.U32(L::CbSize), 504u);
        EXPECT_EQ(call.U64(L::Window), 0x1234u);
        EXPECT_EQ(call.U32(L::Id), 0u);
        EXPECT_EQ(call.U32(L::InfoFlags), 0u);
    }
    const ShellCall& add = shell.calls[0];
    EXPECT_EQ(add.message, kNimAdd);
    EXPECT_EQ(add.flags(), kNifMessage | kNifIcon | kNifTip);
    EXPECT_EQ(add.U32(L::CallbackMessage), 1125u);
    EXPECT_EQ(add.U64(L::Icon), 0xB1u) << "the control's own picture";
    EXPECT_EQ(add.tip(), "Kelbrook");

    const ShellCall& tip = shell.calls[1];
    EXPECT_EQ(tip.message, kNimModify);
    EXPECT_EQ(tip.flags(), kNifTip);
    EXPECT_EQ(tip.tip(), std::string(128, 'x')) << "cut to 128 bytes, without a NUL";
    EXPECT_EQ(tip.U32(L::State), 0u) << "the tip ran over into the next field";
    EXPECT_EQ(tip.U32(L::CallbackMessage), 0u);

    EXPECT_EQ(shell.calls[2].flags(), kNifIcon);
    EXPECT_EQ(shell.calls[2].U64(L::Icon), 0xC2u);
    EXPECT_EQ(tray.TrayIcon(), (TrayPicture{TrayPicture::Kind::Icon, 0xC2}));

    const ShellCall& balloon = shell.calls[3];
    EXPECT_EQ(balloon.flags(), kNifInfo);
    EXPECT_EQ(balloon.info(), "text");
    EXPECT_EQ(balloon.title(), "title");
    EXPECT_EQ(balloon.U32(L::Timeout), 0u);

    EXPECT_EQ(shell.calls[4].message, kNimDelete);
    EXPECT_EQ(shell.calls[4].flags(), 0u);
    EXPECT_EQ(window.installs, 1);
    EXPECT_EQ(window.restores, 1);
    tray.SetInTray(false);
    EXPECT_EQ(shell.calls.size(), 5u) << "an icon not in the tray is not removed again";
}

TEST_F(TrayControlTest, MouseCodesBecomeEventsAndBalloonCodesEndTheBalloon) {
    const std::pair<std::uint32_t, const wchar_t*> table[] = {
        {0x200, L"move 0"},     {0x201, L"down 1 0"}, {0x202, L"up 1 0"},
        {0x203, L"double 1 0"}, {0x204, L"down 2 0"}, {0x205, L"up 2 0"},
        {0x206, L"double 2 0"}, {0x207, nullptr},     {0x402, nullptr},
    };
    for (const auto& [code, event] : table) {
        events.seen.clear();
        tray.HandleNotification(code, 0);
        EXPECT_EQ(events.seen,
                  event ? std::vector<std::wstring>{event} : std::vector<std::wstring>{})
            << std::hex << code;
    }
    for (const std::uint32_t code : {0x403u, 0x404u, 0x405u}) {
        tray.ShowBalloon(L"b", L"t", 0, false);
        EXPECT_TRUE(tray.BalloonShown());
        tray.HandleNotification(code, 0);
        EXPECT_FALSE(tray.BalloonShown()) << std::hex << code;
    }
}

TEST_F(TrayControlTest, ABalloonWaitsUntilClickedOrTakesItselfDownAfterItsTime) {
    tray.SetInTray(true);
    pump.atTimeMs = pump.now + 2000;
    pump.atTime = [&] { tray.HandleNotification(0x405, 0); };  // clicked away after 2 s
    const std::int64_t start = pump.now;
    tray.ShowBalloon(L"b", L"t", 5, true);
    EXPECT_EQ(pump.now - start, 2000);
    EXPECT_EQ(shell.calls.size(), 2u) << "a balloon the user closed is not taken down again";
    EXPECT_EQ(shell.calls[1].U32(L::Timeout), 5000u);
    EXPECT_EQ(tray.BalloonCount(), 1);

    tray.ShowBalloon(L"b", L"t", 5, true);  // once only
    EXPECT_EQ(shell.calls.size(), 2u);

    const std::int64_t again = pump.now;
    tray.ShowBalloon(L"b", L"t", 5, false);  // no notification comes
    EXPECT_EQ(pump.now - again, 5000);
    ASSERT_EQ(shell.calls.size(), 4u);
    EXPECT_EQ(shell.calls[3].flags(), kNifInfo);
    EXPECT_EQ(shell.calls[3].info(), "");
    EXPECT_EQ(shell.calls[3].title(), "");
    EXPECT_EQ(tray.BalloonCount(), 1);
    EXPECT_THROW(tray.ShowBalloon(L"b", L"t", 2147484, false), Failure);
    EXPECT_EQ(shell.calls.size(), 4u) << "an overflowing time puts nothing up";
}

TEST_F(TrayControlTest, TheIconComesBackWhenTheShellRestartsAndGoesAtTheEnd) {
    tray.ShellRestarted();
    EXPECT_TRUE(shell.calls.empty());
    tray.SetInTray(true);
    tray.ShellRestarted();
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].message, kNimAdd);
    tray.Terminate();
    EXPECT_EQ(shell.calls.back().message, kNimDelete);
    EXPECT_FALSE(tray.InTray());
}

// ---- the main window and its tray icon ---------------------------------------------------

class MinimizeToTrayTest : public ::testing::Test, public Form1Harness {
  protected:
    MinimizeToTrayTest() {
        form.Form_Load();
        dialogs.shown.clear();
    }
    void Minimize() { controls.SetWindowState(WindowState::Minimized); }
    void ReleaseOnIcon(std::uint32_t code = 0x202) {
        trayWindow.installed->HandleNotification(code, 0);
    }
    int Balloons() const {
        int n = 0;
        for (const ShellCall& c : shellTray.calls) n += !c.info().empty() ? 1 : 0;
        return n;
    }
};

TEST_F(MinimizeToTrayTest, MinimizingHidesIntoTheTrayAndTheIconBringsTheWindowBack) {
    EXPECT_EQ(shellTray.iconsShown, 1);
    EXPECT_EQ(shellTray.calls.back().tip(), "Kelbrook");
    Minimize();
    EXPECT_FALSE(controls.Visible(ControlId::Form1));
    EXPECT_EQ(controls.windowState, WindowState::Normal);
    EXPECT_TRUE(values.MinimizedToTray);
    ASSERT_EQ(Balloons(), 1);
    const ShellCall& balloon = shellTray.calls[shellTray.calls.size() - 2];
    EXPECT_EQ(balloon.info(),
              "has been minimized to the system tray.\r\nClick on the blue 'T' icon (T for "
              "Tarnwick) to bring the software back.");
    EXPECT_EQ(balloon.title(), "Kelbrook");
    EXPECT_EQ(balloon.U32(L::Timeout), 5000u);

    ReleaseOnIcon();
    EXPECT_TRUE(controls.Visible(ControlId::Form1));
    EXPECT_EQ(controls.focusCount, 1);
    EXPECT_FALSE(values.MinimizedToTray);

    Minimize();
    EXPECT_FALSE(controls.Visible(ControlId::Form1));
    EXPECT_EQ(Balloons(), 1) << "the balloon shows once a run";
    ReleaseOnIcon();
    ReleaseOnIcon();  // already shown: only the focus
    EXPECT_TRUE(controls.Visible(ControlId::Form1));
    EXPECT_EQ(controls.focusCount, 3);

    form.Form_QueryUnload();
    EXPECT_EQ(shellTray.iconsShown, 0);
    EXPECT_EQ(trayWindow.installed, nullptr);
}

TEST_F(MinimizeToTrayTest, AClickOnTheIconDuringTheBalloonBringsTheWindowBackAtOnce) {
    pump.atTimeMs = pump.now + 1000;
    pump.atTime = [&] { ReleaseOnIcon(); };
    Minimize();
    EXPECT_TRUE(controls.Visible(ControlId::Form1));
    EXPECT_FALSE(values.MinimizedToTray);
}

TEST_F(MinimizeToTrayTest, StartInTrayIsStoredAtOnceAndActsAtTheNextStart) {
    controls.SetValue(ControlId::Check8, true);
    EXPECT_EQ(settings.values[L"Minimized"], L"On");
    EXPECT_TRUE(controls.Visible(ControlId::Form1));
    controls.SetValue(ControlId::Check8, false);
    EXPECT_EQ(settings.values[L"Minimized"], L"Off");
}

// The right button's release shows the tray menu; each item does what it says, and a menu
// closed without a choice does nothing. The left button still brings the window back.
TEST_F(MinimizeToTrayTest, TheRightButtonShowsTheTrayMenu) {
    const struct {
        int pick;
        bool shown;      // the window came back
        int backups;     // the Backups window was asked for
        int closes;      // the window was asked to close
        bool backupRun;  // a backup run went over the open publication (its log line)
    } cases[] = {
        {-1, false, 0, 0, false}, {0, true, 0, 0, false},  {1, false, 0, 0, true},
        {2, false, 1, 0, false},  {3, false, 0, 1, false},
    };
    standin::Publication open;
    open.name = L"Open.pub";
    open.pages.resize(1);
    publisher.Run({open});
    for (const auto& c : cases) {
        Minimize();
        ASSERT_FALSE(controls.Visible(ControlId::Form1));
        trayMenu.pick = c.pick;
        trayMenu.shown.clear();
        backups.shows = controls.closeRequests = 0;
        files.contents.erase(values.HistoryLogPath);
        ReleaseOnIcon(0x205);
        ASSERT_EQ(trayMenu.shown.size(), 1u) << c.pick;
        EXPECT_EQ(trayMenu.shown[0],
                  (std::vector<std::wstring>{L"&Open Kelbrook", L"Backup &Save Now",
                                             L"&Backups\x2026", L"E&xit"}));
        EXPECT_EQ(trayMenu.shownDefault, 0);
        EXPECT_EQ(controls.Visible(ControlId::Form1), c.shown) << c.pick;
        EXPECT_EQ(backups.shows, c.backups) << c.pick;
        EXPECT_EQ(controls.closeRequests, c.closes) << c.pick;
        EXPECT_EQ(files.contents.count(values.HistoryLogPath) > 0, c.backupRun) << c.pick;
        ReleaseOnIcon();  // the left button: back, whatever the menu did
        EXPECT_TRUE(controls.Visible(ControlId::Form1));
    }
    EXPECT_EQ(trayMenu.shown.size(), 1u) << "the left button shows no menu";
}

TEST_F(MinimizeToTrayTest, TheBackupsButtonOpensTheBackupsWindow) {
    form.Click(ControlId::BackupsButton);  // as the real button raises it
    form.Click(ControlId::BackupsButton);  // as the real button raises it
    EXPECT_EQ(backups.shows, 2) << "each click asks; the window itself keeps to one";
}

}  // namespace
}  // namespace kelbrook
