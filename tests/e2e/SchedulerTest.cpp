// The scheduler driven from outside: the on/off button with its captions, its setting and
// the countdown, and a mouse click on an interval row.
#include <gtest/gtest.h>

#include <string>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

#include <commctrl.h>

#include <chrono>
#include <optional>

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kCountdownPrefix[] = L"On. Next backup save will occur in ";

class SchedulerE2e : public RunningProgram {};

// Off, restarted off, and on again: the captions, the timer and "StartStopState" agree.
TEST_F(SchedulerE2e, TheOnOffButtonSwitchesTheCountdownAndKeepsTheStateAcrossARestart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    ASSERT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(kCountdownPrefix, 0) == 0;
    })) << "the countdown never showed: "
        << ::testing::PrintToString(Caption(ControlId::Frame2));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));
    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(Caption(ControlId::Frame2), L"Auto Save is Off.");
    EXPECT_EQ(Store::Read(L"StartStopState"), L"Off");
    ASSERT_NO_FATAL_FAILURE(Close());

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(Caption(ControlId::Frame2), L"Auto Save is Turned Off.");
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));
    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    EXPECT_EQ(Store::Read(L"StartStopState"), L"On");
    // "Save every 5 minutes": the first tick after the switch shows 00:04:59.
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(std::wstring(kCountdownPrefix) + L"00:04:", 0) == 0;
    })) << ::testing::PrintToString(Caption(ControlId::Frame2));
}

// The rectangle of a list row, read in the program's own memory.
std::optional<RECT> RowRect(DWORD processId, HWND list, int row) {
    UniqueHandle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) return std::nullopt;
    void* remote = ::VirtualAllocEx(process.get(), nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE,
                                    PAGE_READWRITE);
    if (remote == nullptr) return std::nullopt;
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    std::optional<RECT> result;
    SIZE_T done = 0;
    if (::WriteProcessMemory(process.get(), remote, &rect, sizeof(rect), &done) &&
        ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(remote)) &&
        ::ReadProcessMemory(process.get(), remote, &rect, sizeof(rect), &done)) {
        result = rect;
    }
    ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return result;
}

// Presses and releases the left mouse button over a point of a window, as the user would.
bool MouseClick(HWND window, POINT point) {
    ::ClientToScreen(window, &point);
    if (!::SetCursorPos(point.x, point.y)) return false;
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return ::SendInput(2, inputs, sizeof(INPUT)) == 2;
}

// A mouse click on a row stores it and restarts the countdown from its full length: the
// later tick counts from the new length.
TEST_F(SchedulerE2e, AMouseClickOnARowStoresItAndRestartsTheCountdown) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = Control(ControlId::ListView1);
    ASSERT_NE(list, nullptr);
    HWND main = program_.MainWindow();
    ASSERT_TRUE(WaitUntil([&] {
        ::SetForegroundWindow(main);
        return ::GetForegroundWindow() == main;
    })) << "the main window never came to the front";

    const std::optional<RECT> row = RowRect(program_.id(), list, 0);  // "Save every 30 seconds"
    ASSERT_TRUE(row);
    // Real input may be lost while the display settles (now and then under Xvfb): a click that
    // changed nothing within a few seconds is made again, as a user would.
    bool stored = false;
    for (int attempt = 0; attempt < 3 && !stored; ++attempt) {
        ASSERT_TRUE(
            MouseClick(list, POINT{(row->left + row->right) / 2, (row->top + row->bottom) / 2}));
        stored =
            WaitUntil([] { return Store::Read(L"OftenIndex") == L"1"; }, std::chrono::seconds(5));
    }
    EXPECT_TRUE(stored) << "OftenIndex is " << ::testing::PrintToString(Store::Read(L"OftenIndex"));
    EXPECT_EQ(SelectedListRow(list), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(std::wstring(kCountdownPrefix) + L"00:00:2", 0) ==
               0;
    })) << "the countdown did not restart from 30 seconds: "
        << ::testing::PrintToString(Caption(ControlId::Frame2));
    ExpectQuietAfterwards();
}

}  // namespace
}  // namespace kelbrook::e2e
