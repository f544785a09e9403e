// Start-up and closing of Kelbrook.exe, watched from outside: the window it shows, the
// error reports of its start-up steps, the settings it keeps and the single instance.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kErrorReportTitle[] = L"Application Error";
constexpr wchar_t kLoadLocation[] = L"Kelbrookapp2021/08/31.Form1.Form_Load";

// The text of an error report of Form_Load at this step.
std::wstring LoadReport(const std::wstring& description, int step) {
    return description + L"\r\nin " + kLoadLocation + L" at line " + std::to_wstring(step) +
           L"\r\rPlease email screenshot of this message to support@tarnwick.example";
}

std::wstring DesktopWithBackslash() {
    wchar_t buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_DESKTOP, FALSE)) return L"<none>";
    return std::wstring(buffer) + L"\\";
}

// What one start showed up to the Publisher message.
struct StartRecord {
    std::vector<SeenBox> reports;      // error reports, in order, each answered with OK
    std::optional<SeenBox> publisher;  // the closing message of start-up, answered with OK
};

// Start-up tests follow the whole start-up, error reports included, instead of expecting
// it to pass quietly as RunningProgram::Start does.
class KelbrookE2e : public RunningProgram {
  protected:
    // Starts the program and follows its start-up until the Publisher message, answering
    // each error report on the way with OK.
    void StartAndFollow(StartRecord& record) {
        ASSERT_TRUE(program_.Start(workspace_->program()));
        for (int box = 0; box < 16; ++box) {
            std::optional<SeenBox> seen = program_.WaitForMessageBox();
            ASSERT_TRUE(seen) << "no message box came within the deadline";
            ASSERT_TRUE(Answer(*seen, IDOK))
                << "the box \"" << ::testing::PrintToString(seen->title) << "\" did not close";
            if (seen->title == kErrorReportTitle) {
                record.reports.push_back(*seen);
                continue;
            }
            record.publisher = seen;
            break;
        }
        ASSERT_TRUE(record.publisher) << "start-up never ended with the Publisher message";
        ASSERT_EQ(record.publisher->text, kPublisherMissingText);
    }

    StartRecord Start() {
        StartRecord record;
        StartAndFollow(record);
        return record;
    }
};

// Expects one error report of Form_Load, shown while the window was still hidden.
void ExpectEarlyReport(const SeenBox& report, const std::wstring& description, int step) {
    EXPECT_EQ(report.title, kErrorReportTitle);
    EXPECT_EQ(report.text, LoadReport(description, step));
    EXPECT_TRUE(report.ok);
    EXPECT_FALSE(report.yes || report.no || report.cancel);
    EXPECT_TRUE(report.icon) << "the error report carries the warning icon";
    EXPECT_FALSE(report.mainWindowVisible) << "step " << step << " runs before the window shows";
}

// ---- the first start, with nothing stored -----------------------------------------------

class FirstStart : public KelbrookE2e {};

TEST_F(FirstStart, ShowsEveryCaptionAsDesigned) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_EQ(TextOf(program_.MainWindow()), L"Kelbrook");
    const std::map<ControlId, std::wstring> expected = {
        {ControlId::PushButton4, L"Turn Off Backup Save"},
        {ControlId::Frame3, L"Other Options"},
        {ControlId::Option3, L"Create new file on backup"},
        {ControlId::Option4, L"Overwrite old backup file on backup"},
        {ControlId::Check5, L"Load this software on Windows startup"},
        {ControlId::Check8, L"Start in system tray"},
        {ControlId::Frame1, L"Save Location Option"},
        {ControlId::Option2, L"Save all backups to the same folder as the open documents"},
        {ControlId::Option1, L"Save all backups to this location:"},
        {ControlId::PushButton1, L"..."},
        {ControlId::PushButton2, L"Backup Save Now (Test)"},
        {ControlId::PushButton3, L"View History Log"},
        {ControlId::PushButton5, L"Copy History To Clipboard"},
        {ControlId::PushButton11, L"Help"},
        {ControlId::PushButton12, L"Clear History Log"},
    };
    for (const auto& [id, caption] : expected) {
        ASSERT_NE(Control(id), nullptr) << ControlName(id);
        EXPECT_EQ(Caption(id), caption) << ControlName(id);
    }
    EXPECT_EQ(Caption(ControlId::Text1), DesktopWithBackslash());
    // The countdown of "Save every 5 minutes" may have begun while the start-up message was up.
    const std::wstring status = Caption(ControlId::Frame2);
    EXPECT_TRUE(status == L"On. Next backup save will occur in" ||
                status.rfind(L"On. Next backup save will occur in 00:04:", 0) == 0)
        << ::testing::PrintToString(status);
}

TEST_F(FirstStart, ChecksTheDefaultOptionsAndSelectsTheThirdInterval) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(Checked(ControlId::Option1));
    EXPECT_FALSE(Checked(ControlId::Option2));
    EXPECT_TRUE(Checked(ControlId::Option3));
    EXPECT_FALSE(Checked(ControlId::Option4));
    EXPECT_FALSE(Checked(ControlId::Check5));
    EXPECT_FALSE(Checked(ControlId::Check8));
    HWND list = Control(ControlId::ListView1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListRowCount(list), 10);
    EXPECT_EQ(SelectedListRow(list), 2);
}

TEST_F(FirstStart, ShowsTheWindowCentredWithoutMaximizeBox) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    HWND main = program_.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_FALSE(::IsIconic(main));
    const LONG style = ::GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);

    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    RECT frame{};
    ASSERT_TRUE(::GetWindowRect(main, &frame));
    EXPECT_GT(frame.right - frame.left, 200);
    EXPECT_GT(frame.bottom - frame.top, 200);
    EXPECT_LE(std::abs((frame.left + frame.right) - (work.left + work.right)), 4)
        << "window " << frame.left << ".." << frame.right << ", work area " << work.left << ".."
        << work.right;
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (work.top + work.bottom)), 4)
        << "window " << frame.top << ".." << frame.bottom << ", work area " << work.top << ".."
        << work.bottom;
}

TEST_F(FirstStart, TellsThatPublisherIsMissingOnceTheWindowIsVisible) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    const SeenBox& publisher = *record.publisher;
    EXPECT_EQ(publisher.title, L"Kelbrook");
    EXPECT_TRUE(publisher.ok);
    EXPECT_FALSE(publisher.yes || publisher.no || publisher.cancel);
    EXPECT_FALSE(publisher.icon);
    EXPECT_TRUE(publisher.mainWindowVisible);
    EXPECT_TRUE(program_.Running()) << "the program keeps running after the message";
    EXPECT_TRUE(::IsWindowVisible(program_.MainWindow()));
}

// Besides the three settings, the session is marked open, so that an end without the clean
// close is known at the next start.
TEST_F(FirstStart, StoresOnlyPathWhereOptionAndBackupOption) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    const std::map<std::wstring, std::wstring> expected = {
        {L"Path", DesktopWithBackslash()},
        {L"WhereOption", L"1"},
        {L"Backup Option", L"1"},
        {L"Session Open", L"1"},
    };
    EXPECT_EQ(Store::Snapshot(), expected);
    EXPECT_EQ(Store::ValueNames().size(), 4u);
}

// ---- settings found in the store --------------------------------------------------------

class StoredSettings : public KelbrookE2e {};

TEST_F(StoredSettings, StartStopStateOffShowsTheTurnedOffStatus) {
    ASSERT_TRUE(Store::Set(L"StartStopState", L"Off"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(Caption(ControlId::Frame2), L"Auto Save is Turned Off.");
    EXPECT_EQ(Store::Read(L"StartStopState"), L"Off");
}

TEST_F(StoredSettings, StartStopStateInLowerCaseIsNeitherOnNorOff) {
    ASSERT_TRUE(Store::Set(L"StartStopState", L"on"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(Caption(ControlId::Frame2), L"On. Next backup save will occur in");
    EXPECT_EQ(Store::Read(L"StartStopState"), L"on");
}

TEST_F(StoredSettings, WhereOptionOtherThanOneChecksOption2AndIsRewritten) {
    ASSERT_TRUE(Store::Set(L"WhereOption", L"7"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_TRUE(Checked(ControlId::Option2));
    EXPECT_FALSE(Checked(ControlId::Option1));
    EXPECT_EQ(Store::Read(L"WhereOption"), L"2");
}

TEST_F(StoredSettings, BackupOptionIsReadByItsLeadingNumber) {
    struct Case {
        const wchar_t* stored;
        bool overwrite;  // Option4 rather than Option3
        const wchar_t* rewritten;
    };
    for (const Case& c :
         {Case{L" 2", true, L"2"}, Case{L"2x", true, L"2"}, Case{L"x", false, L"1"}}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.stored)));
        // Closed, not killed: a killed program's icon would stay in Wine's notification area.
        if (program_.Running()) {
            ASSERT_NO_FATAL_FAILURE(Close());
        }
        ASSERT_TRUE(WaitUntil([] { return !AnyInstanceAlive(); }));
        ASSERT_TRUE(Store::Clear());
        ASSERT_TRUE(Store::Set(L"Backup Option", c.stored));
        const StartRecord record = Start();
        if (HasFatalFailure()) return;
        EXPECT_TRUE(record.reports.empty());
        EXPECT_EQ(Checked(ControlId::Option4), c.overwrite);
        EXPECT_EQ(Checked(ControlId::Option3), !c.overwrite);
        EXPECT_EQ(Store::Read(L"Backup Option"), std::wstring(c.rewritten));
    }
}

TEST_F(StoredSettings, PathWithoutTrailingBackslashIsShownUnchanged) {
    const std::wstring path = L"C:\\Backups\\Kelbrook copies";
    ASSERT_TRUE(Store::Set(L"Path", path));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_EQ(Caption(ControlId::Text1), path);
    EXPECT_EQ(Store::Read(L"Path"), path);
}

// ---- the interval row of "OftenIndex" ---------------------------------------------------

class OftenIndex : public KelbrookE2e {
  protected:
    // The settings other than the interval still come up as on a first start.
    void ExpectTheOtherSettings() {
        EXPECT_TRUE(::IsWindowVisible(program_.MainWindow()));
        EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
        EXPECT_EQ(Caption(ControlId::Text1), DesktopWithBackslash());
        EXPECT_TRUE(Checked(ControlId::Option1));
        EXPECT_TRUE(Checked(ControlId::Option3));
        EXPECT_EQ(ListRowCount(Control(ControlId::ListView1)), 10);
        EXPECT_EQ(Store::Read(L"WhereOption"), L"1");
        EXPECT_EQ(Store::Read(L"Backup Option"), L"1");
    }
};

TEST_F(OftenIndex, TenSelectsTheLastRow) {
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"10"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_EQ(SelectedListRow(Control(ControlId::ListView1)), 9);
    ExpectTheOtherSettings();
}

TEST_F(OftenIndex, ZeroIsReportedAtStep172AndNoRowIsSelected) {
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"0"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    ASSERT_EQ(record.reports.size(), 1u);
    ExpectEarlyReport(record.reports[0], L"Index out of bounds", 172);
    EXPECT_NE(record.reports[0].text.find(L"Form1.Form_Load at line 172"), std::wstring::npos);
    EXPECT_EQ(SelectedListRow(Control(ControlId::ListView1)), -1);
    ExpectTheOtherSettings();
}

TEST_F(OftenIndex, TextIsReportedAtStep170ThenAt172) {
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"abc"));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    ASSERT_EQ(record.reports.size(), 2u);
    ExpectEarlyReport(record.reports[0], L"Type mismatch", 170);
    ExpectEarlyReport(record.reports[1], L"Index out of bounds", 172);
    EXPECT_EQ(SelectedListRow(Control(ControlId::ListView1)), -1);
    ExpectTheOtherSettings();
    EXPECT_EQ(Store::Read(L"OftenIndex"), L"abc");
}

// ---- the custom pointer beside the program ----------------------------------------------

class CustomPointer : public KelbrookE2e {};

TEST_F(CustomPointer, AnUnreadableCursorFileIsReportedAtStep114) {
    workspace_->WriteFile(L"HAND-M.CUR", std::string("not a cursor \x01\x02\x03\xff\xfe", 18));
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    ASSERT_EQ(record.reports.size(), 1u);
    ExpectEarlyReport(record.reports[0], L"Invalid picture", 114);
    EXPECT_TRUE(record.publisher->mainWindowVisible);
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    EXPECT_EQ(SelectedListRow(Control(ControlId::ListView1)), 2);
}

// ---- the skin beside the program --------------------------------------------------------

class Skin : public KelbrookE2e {
  protected:
    // The colour the screen shows at a point of the main window's client area.
    COLORREF ClientPixel(int x, int y) const {
        POINT point{x, y};
        ::ClientToScreen(program_.MainWindow(), &point);
        HDC screen = ::GetDC(nullptr);
        const COLORREF color = ::GetPixel(screen, point.x, point.y);
        ::ReleaseDC(nullptr, screen);
        return color;
    }
};

TEST_F(Skin, AValidSkinRestylesTheWindowWithoutAReport) {
    workspace_->WriteFile(L"x\\o.cjs",
                          "KelbrookSkin 1\r\nBackground = #C03080\r\nFont = Tahoma\r\n");
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(record.reports.empty());
    EXPECT_TRUE(WaitUntil([&] { return ClientPixel(3, 3) == RGB(0xC0, 0x30, 0x80); }))
        << "the window's background did not take the skin's colour";
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
}

TEST_F(Skin, WithoutASkinTheWindowIsWhite) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(WaitUntil([&] { return ClientPixel(3, 3) == RGB(0xFF, 0xFF, 0xFF); }));
}

TEST_F(Skin, AnInvalidSkinIsReportedAtStep104AndStartUpGoesOn) {
    workspace_->WriteFile(L"x\\o.cjs", "[skin]\r\ncolour=blue\r\n");
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    ASSERT_EQ(record.reports.size(), 1u);
    ExpectEarlyReport(record.reports[0], L"Invalid skin file, line 1: expected \"KelbrookSkin 1\"",
                      104);
    EXPECT_EQ(Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    EXPECT_EQ(SelectedListRow(Control(ControlId::ListView1)), 2);
    // The colours set before the skin failed stay: the button face of the system.
    EXPECT_TRUE(WaitUntil([&] { return ClientPixel(3, 3) == ::GetSysColor(COLOR_BTNFACE); }));
}

// ---- one instance at a time -------------------------------------------------------------

class SecondInstance : public KelbrookE2e {};

TEST_F(SecondInstance, EndsQuietlyAndLeavesTheFirstRunning) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    HWND firstWindow = program_.MainWindow();
    ASSERT_NE(firstWindow, nullptr);
    const std::map<std::wstring, std::wstring> before = Store::Snapshot();
    ASSERT_FALSE(before.empty());

    KelbrookProcess second;
    ASSERT_TRUE(second.Start(workspace_->program()));
    bool sawWindow = false;
    const bool ended = WaitUntil([&] {
        for (HWND window : TopLevelWindows(second.id(), L"")) {
            if (::IsWindowVisible(window) || ClassNameOf(window) == kMainWindowClass) {
                sawWindow = true;
            }
        }
        return !second.Running();
    });
    EXPECT_FALSE(sawWindow) << "the second instance showed a window of its own";
    ASSERT_TRUE(ended) << "the second instance is still running";
    EXPECT_EQ(second.WaitForExit(), std::optional<DWORD>(0));

    EXPECT_TRUE(program_.Running());
    EXPECT_TRUE(::IsWindow(firstWindow));
    EXPECT_TRUE(::IsWindowVisible(firstWindow));
    EXPECT_EQ(program_.FindMessageBox(), nullptr);
    EXPECT_EQ(Store::Snapshot(), before);
}

// ---- closing ----------------------------------------------------------------------------

class Closing : public KelbrookE2e {};

TEST_F(Closing, CloseMessageEndsTheProgram) {
    const StartRecord record = Start();
    if (HasFatalFailure()) return;
    HWND main = program_.MainWindow();
    ASSERT_NE(main, nullptr);
    std::map<std::wstring, std::wstring> before = Store::Snapshot();
    ASSERT_TRUE(::PostMessageW(main, WM_CLOSE, 0, 0));
    EXPECT_EQ(program_.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_TRUE(WaitUntil([] { return !AnyInstanceAlive(); }));
    EXPECT_EQ(before[L"Session Open"], L"1");
    before[L"Session Open"] = L"0";  // the clean close is marked; no setting is written
    EXPECT_EQ(Store::Snapshot(), before);
}

}  // namespace
}  // namespace kelbrook::e2e
