// The tray icon driven from outside: minimizing hides the window into the tray, the icon
// brings it back, "Start in system tray" starts hidden, and closing leaves no icon. Wine's
// shell shows the notification area as its own "Wine System Tray" window while it holds an
// icon, and a balloon as a visible tooltip window; the icon's mouse activity is simulated
// by sending the tray control's notification message 1125 to the control's window.
#include <gtest/gtest.h>

#include <string>

#include "Driver.h"
#include "TrayDriver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr UINT kTrayNotification = 1125;

// Wine's notification area, shown while some program has an icon in it.
bool TrayShowsAnIcon() {
    HWND tray = ::FindWindowW(nullptr, L"Wine System Tray");
    return tray != nullptr && ::IsWindowVisible(tray);
}

class TrayE2e : public RunningProgram {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RunningProgram::SetUp());
        ASSERT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); })) << "an icon from before";
    }
    void ReleaseButtonOnIcon(LPARAM code = WM_LBUTTONUP) {
        HWND control = Control(ControlId::cSysTray1);
        ASSERT_NE(control, nullptr) << "the tray control's window";
        ASSERT_TRUE(::PostMessageW(control, kTrayNotification, 0, code));
    }
    bool MainVisible() const { return ::IsWindowVisible(program_.MainWindow()) != FALSE; }
};

TEST_F(TrayE2e, MinimizingHidesIntoTheTrayOnceWithABalloonAndTheIconBringsItBack) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitUntil(TrayShowsAnIcon)) << "start-up put no icon into the tray";
    HWND main = program_.MainWindow();

    ASSERT_TRUE(::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0));
    ASSERT_TRUE(WaitUntil([&] { return !MainVisible(); })) << "the window stayed on screen";
    EXPECT_TRUE(WaitUntil(BalloonShown)) << "the first minimize showed no balloon";
    // A click on the icon while the balloon is up brings the window back at once.
    ASSERT_NO_FATAL_FAILURE(ReleaseButtonOnIcon());
    ASSERT_TRUE(WaitUntil([&] { return MainVisible(); })) << "the icon did not bring it back";
    EXPECT_FALSE(::IsIconic(main)) << "the window came back minimized";
    EXPECT_TRUE(WaitUntil([] { return !BalloonShown(); })) << "the balloon stayed";

    ASSERT_TRUE(::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0));
    ASSERT_TRUE(WaitUntil([&] { return !MainVisible(); }));
    EXPECT_FALSE(WaitUntil(BalloonShown, std::chrono::milliseconds(4000)))
        << "the second minimize showed the balloon again";
    ASSERT_NO_FATAL_FAILURE(ReleaseButtonOnIcon());
    ASSERT_TRUE(WaitUntil([&] { return MainVisible(); }));
    ExpectQuietAfterwards();

    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); })) << "closing left the icon";
}

// "Start in system tray" is stored at once; the next start shows only the icon, and
// closing from the tray leaves no icon and a clean exit.
TEST_F(TrayE2e, StartInTrayShowsOnlyTheIconAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::Check8));
    ExpectQuietAfterwards();
    EXPECT_EQ(Store::Read(L"Minimized"), L"On");
    EXPECT_TRUE(MainVisible()) << "ticking the box hid the window at once";
    ASSERT_NO_FATAL_FAILURE(Close());

    ASSERT_TRUE(program_.Start(workspace_->program()));
    const std::optional<SeenBox> box = program_.WaitForMessageBox();
    ASSERT_TRUE(box) << "start-up showed no message";
    EXPECT_EQ(box->text, kPublisherMissingText);
    EXPECT_FALSE(box->mainWindowVisible) << "the window showed at a start in the tray";
    ASSERT_TRUE(Answer(*box, IDOK));
    EXPECT_TRUE(WaitUntil(TrayShowsAnIcon));
    EXPECT_FALSE(MainVisible());
    EXPECT_TRUE(Checked(ControlId::Check8));

    ASSERT_NO_FATAL_FAILURE(Close());  // from the tray, as the session's end would
    EXPECT_TRUE(WaitUntil([] { return !TrayShowsAnIcon(); })) << "closing left the icon";
}

}  // namespace
}  // namespace kelbrook::e2e
