#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/Failure.h"
#include "app/win32/ControlIds.h"
#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>

namespace kelbrook::win32 {
namespace {

struct RecordedEvents : ControlEvents {
    void Click(ControlId id) override { events.push_back(L"click " + Name(id)); }
    void Change(ControlId id) override { events.push_back(L"change " + Name(id)); }
    void MouseMove(ControlId) override {}
    void QueryUnload() override { events.push_back(L"query-unload"); }
    void Tick() override { events.push_back(L"tick"); }
    static std::wstring Name(ControlId id) { return std::to_wstring(static_cast<int>(id)); }
    std::vector<std::wstring> events;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

RECT ClientRectOf(HWND child, HWND parent) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Create(::GetModuleHandleW(nullptr));
        window.Connect(&events);
        dpi = ::GetDpiForWindow(window.Handle());
    }
    int Px(int twips) const { return MulDiv(twips, static_cast<int>(dpi), 1440); }
    DWORD StyleOf(ControlId id) const {
        return static_cast<DWORD>(::GetWindowLongW(window.Child(id), GWL_STYLE));
    }

    MainWindow window;
    RecordedEvents events;
    UINT dpi = 96;
};

TEST_F(MainWindowTest, HasEveryControlAsTheStandardControlOfItsKind) {
    EXPECT_EQ(ClassOf(window.Child(ControlId::PushButton4)), L"Button");
    EXPECT_EQ(StyleOf(ControlId::PushButton4) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(StyleOf(ControlId::Frame1) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(StyleOf(ControlId::Option3) & BS_TYPEMASK, static_cast<DWORD>(BS_RADIOBUTTON));
    EXPECT_EQ(StyleOf(ControlId::Check8) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
    EXPECT_EQ(ClassOf(window.Child(ControlId::Text1)), L"Edit");
    EXPECT_EQ(ClassOf(window.Child(ControlId::ListView1)), L"SysListView32");
    EXPECT_EQ(StyleOf(ControlId::ListView1) & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_EQ(ClassOf(window.Child(ControlId::ProgressBar1)), L"msctls_progress32");
    EXPECT_EQ(_wcsicmp(ClassOf(window.Child(ControlId::RichTextBox1)).c_str(), MSFTEDIT_CLASS), 0);
    EXPECT_EQ(::GetDlgCtrlID(window.Child(ControlId::PushButton12)), 1020);
    EXPECT_EQ(window.Caption(ControlId::Frame3), L"Other Options");
    EXPECT_EQ(window.Caption(ControlId::Option2),
              L"Save all backups to the same folder as the open documents");
    EXPECT_EQ(window.Caption(ControlId::PushButton1), L"...");
    EXPECT_FALSE(window.Value(ControlId::Option1));
    EXPECT_FALSE(window.Value(ControlId::Check5));
    EXPECT_FALSE(::IsWindowVisible(window.Handle()));  // shown by start-up, not by creation
}

// Every row of the control table is a child window with its identifier and its caption; the
// first option button of a pair opens the pair's group, so the arrow keys stay inside it.
TEST_F(MainWindowTest, CreatesEveryRowOfTheControlTable) {
    for (const ControlRow& row : kControlTable) {
        if (row.kind == ControlKind::Window || row.kind == ControlKind::Tray) continue;
        SCOPED_TRACE(::testing::Message() << row.name);
        HWND child = window.Child(row.id);  // raises for a row without a window
        EXPECT_EQ(::GetParent(child), window.Handle());
        EXPECT_EQ(::GetDlgCtrlID(child), ChildWindowId(row.id));
        EXPECT_EQ(window.Caption(row.id), row.caption);
        if (row.kind == ControlKind::Option) {
            EXPECT_EQ((StyleOf(row.id) & WS_GROUP) != 0, OptionPartner(row.id) > row.id);
        }
    }
    EXPECT_EQ(ChildWindowId(ControlId::cSysTray1), 1021) << "the tray control's window's own";
}

TEST_F(MainWindowTest, LaysOutTwipsAtTheWindowsDpiWithAFixedBorder) {
    RECT client{};
    ::GetClientRect(window.Handle(), &client);
    EXPECT_EQ(client.right, Px(8025));
    EXPECT_EQ(client.bottom, Px(8705));
    const auto style = static_cast<DWORD>(::GetWindowLongW(window.Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    // A control of the window and one inside a frame (positions relative to the frame).
    const RECT button = ClientRectOf(window.Child(ControlId::PushButton4), window.Handle());
    EXPECT_EQ(button.left, Px(120));
    EXPECT_EQ(button.top, Px(120));
    EXPECT_EQ(button.right - button.left, Px(7800));
    const RECT option = ClientRectOf(window.Child(ControlId::Option4), window.Handle());
    EXPECT_EQ(option.left, Px(120 + 225));
    EXPECT_EQ(option.top, Px(3045 + 650));
    const RECT rich = ClientRectOf(window.Child(ControlId::RichTextBox1), window.Handle());
    EXPECT_GE(rich.left, client.right);  // outside the client area, never seen
    // Arial bold, 9 pt on the form's controls and 11.25 pt on the push buttons.
    LOGFONTW small{}, large{};
    ::GetObjectW(
        reinterpret_cast<HFONT>(::SendMessageW(window.Child(ControlId::Option1), WM_GETFONT, 0, 0)),
        sizeof(small), &small);
    ::GetObjectW(reinterpret_cast<HFONT>(
                     ::SendMessageW(window.Child(ControlId::PushButton2), WM_GETFONT, 0, 0)),
                 sizeof(large), &large);
    EXPECT_STREQ(small.lfFaceName, L"Arial");
    EXPECT_EQ(small.lfWeight, FW_BOLD);
    EXPECT_EQ(small.lfHeight, -MulDiv(9, static_cast<int>(dpi), 72));
    EXPECT_EQ(large.lfHeight, -MulDiv(1125, static_cast<int>(dpi), 7200));
}

// Option buttons and check boxes are at least as wide as their twips and wide enough for
// their caption in the bold form font, without leaving their frame.
TEST_F(MainWindowTest, OptionAndCheckCaptionsFitInsideTheirFrames) {
    const std::pair<ControlId, ControlId> boxes[] = {
        {ControlId::Option3, ControlId::Frame3}, {ControlId::Option4, ControlId::Frame3},
        {ControlId::Check5, ControlId::Frame3},  {ControlId::Check8, ControlId::Frame3},
        {ControlId::Option1, ControlId::Frame1}, {ControlId::Option2, ControlId::Frame1}};
    for (const auto& [id, frame] : boxes) {
        HWND box = window.Child(id);
        const std::wstring caption = window.Caption(id);
        HDC dc = ::GetDC(box);
        ASSERT_NE(dc, nullptr);
        const HGDIOBJ previous =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)));
        SIZE text{};
        ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
        ::SelectObject(dc, previous);
        ::ReleaseDC(box, dc);
        const RECT place = ClientRectOf(box, window.Handle());
        const RECT group = ClientRectOf(window.Child(frame), window.Handle());
        EXPECT_GE(place.right - place.left, text.cx + ::GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi))
            << "clipped: " << std::string(caption.begin(), caption.end());
        EXPECT_LT(place.right, group.right) << std::string(caption.begin(), caption.end());
    }
    const RECT check8 = ClientRectOf(window.Child(ControlId::Check8), window.Handle());
    EXPECT_GE(check8.right - check8.left, Px(2580));
}

TEST_F(MainWindowTest, ADpiChangeScalesTheWindowItsControlsAndFonts) {
    RECT suggested{40, 30, 41, 31};
    ::SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT client{}, outer{};
    ::GetClientRect(window.Handle(), &client);
    ::GetWindowRect(window.Handle(), &outer);
    EXPECT_EQ(client.right, MulDiv(8025, 144, 1440));
    EXPECT_EQ(client.bottom, MulDiv(8705, 144, 1440));
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    const RECT button = ClientRectOf(window.Child(ControlId::PushButton3), window.Handle());
    EXPECT_EQ(button.top, MulDiv(7685, 144, 1440));
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(
                     ::SendMessageW(window.Child(ControlId::PushButton3), WM_GETFONT, 0, 0)),
                 sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(1125, 144, 7200));
}

TEST_F(MainWindowTest, SelectingAnOptionClearsItsPartnerAndRaisesItsClick) {
    window.SetValue(ControlId::Option1, true);
    window.SetValue(ControlId::Option2, true);
    EXPECT_TRUE(window.Value(ControlId::Option2));
    EXPECT_FALSE(window.Value(ControlId::Option1));
    EXPECT_FALSE(window.Value(ControlId::Option3));  // the other pair is untouched
    EXPECT_EQ(events.events, (std::vector<std::wstring>{L"click 11", L"click 10"}));
}

TEST_F(MainWindowTest, AUserClickOnAnOptionSelectsItAndRaisesItsClick) {
    window.SetValue(ControlId::Option3, true);
    events.events.clear();
    ::SendMessageW(window.Child(ControlId::Option4), BM_CLICK, 0, 0);
    EXPECT_TRUE(window.Value(ControlId::Option4));
    EXPECT_FALSE(window.Value(ControlId::Option3));
    EXPECT_EQ(events.events, std::vector<std::wstring>{L"click 6"});
}

TEST_F(MainWindowTest, ACheckBoxRaisesItsClickOnlyWhenItsValueChanges) {
    window.SetValue(ControlId::Check8, false);
    window.SetValue(ControlId::Check8, true);
    window.SetValue(ControlId::Check8, true);
    EXPECT_TRUE(window.Value(ControlId::Check8));
    EXPECT_EQ(events.events, std::vector<std::wstring>{L"click 8"});
    window.SetVisible(ControlId::Check8, false);
    EXPECT_FALSE(window.Visible(ControlId::Check8));
}

TEST_F(MainWindowTest, SettingText1RaisesItsChangeWithTheNewText) {
    window.SetCaption(ControlId::Text1, L"D:\\Backups\\Zürich");
    EXPECT_EQ(window.Caption(ControlId::Text1), L"D:\\Backups\\Zürich");
    EXPECT_EQ(events.events, std::vector<std::wstring>{L"change 12"});
}

TEST_F(MainWindowTest, TheListSelectsByCodeWithoutEvents) {
    window.AddListColumn(L"How often?");
    window.SetListColumnWidth(6400);
    for (const wchar_t* row : {L"a", L"b", L"c"}) window.AddListRow(row);
    EXPECT_EQ(window.ListRowCount(), 3);
    EXPECT_EQ(window.SelectedListRow(), 0);
    window.SelectListRow(3);
    EXPECT_EQ(window.SelectedListRow(), 3);
    EXPECT_EQ(window.ListRowText(3), L"c");
    EXPECT_THROW(window.SelectListRow(4), Failure);
    EXPECT_EQ(window.SelectedListRow(), 3);
    EXPECT_EQ(ListView_GetColumnWidth(window.Child(ControlId::ListView1), 0), Px(6400));
    EXPECT_TRUE(events.events.empty());
}

TEST_F(MainWindowTest, ProgressAndTimerKeepTheirValues) {
    window.SetProgressMax(300);
    window.SetProgressValue(120);
    EXPECT_EQ(window.ProgressMax(), 300);
    EXPECT_EQ(window.ProgressValue(), 120);
    window.SetTimerInterval(1000);
    EXPECT_EQ(window.TimerInterval(), 1000);
    window.SetTimerInterval(0);
    EXPECT_EQ(window.TimerInterval(), 0);
    EXPECT_THROW(window.SetTimerInterval(-1), Failure);
}

// Timer1's ticks reach the logic while it runs, and none arrives once it is stopped.
TEST_F(MainWindowTest, TheTimerTicksReachTheLogicUntilItIsStopped) {
    window.SetTimerInterval(10);
    const auto ticks = [&] {
        return std::count(events.events.begin(), events.events.end(), L"tick");
    };
    const DWORD deadline = ::GetTickCount() + 10000;
    MSG message;
    while (ticks() < 3 && ::GetTickCount() < deadline) {
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    EXPECT_GE(ticks(), 3);
    window.SetTimerInterval(0);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    const auto stoppedAt = ticks();
    ::Sleep(100);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    EXPECT_EQ(ticks(), stoppedAt) << "a tick arrived after the timer was stopped";
}

TEST_F(MainWindowTest, AFileThatIsNoCursorIsRefused) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"kelbrook-not-a-cursor.cur";
    {
        UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), "garbage!", 8, &written, nullptr);
    }
    try {
        window.LoadCustomPointer(path);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Description(), L"Invalid picture");
    }
    ::DeleteFileW(path.c_str());
}

TEST_F(MainWindowTest, ASkinChangesTheFontFaceAndTheBackground) {
    SkinStyle style;
    style.background = 0x00336699;
    style.fontFace = L"Courier New";
    window.ApplySkinStyle(style);
    LOGFONTW font{};
    ::GetObjectW(
        reinterpret_cast<HFONT>(::SendMessageW(window.Child(ControlId::Frame1), WM_GETFONT, 0, 0)),
        sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"Courier New");
    // The frame asks its parent for its colours; the skin's background comes back.
    HDC dc = ::GetDC(window.Child(ControlId::Frame1));
    ::SendMessageW(window.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(window.Child(ControlId::Frame1)));
    EXPECT_EQ(::GetBkColor(dc), static_cast<COLORREF>(0x00336699));
    ::ReleaseDC(window.Child(ControlId::Frame1), dc);
}

TEST_F(MainWindowTest, TheRichTextBoxCopiesItsSelectionToTheClipboard) {
    const std::wstring text = L"Flyer was backup saved as C:\\a.pub\r\nMenü was backup saved\r\n";
    window.SetCaption(ControlId::RichTextBox1, text);
    window.SetSelectionStart(ControlId::RichTextBox1, 0);
    window.SetSelectionLength(ControlId::RichTextBox1,
                              static_cast<int>(window.Caption(ControlId::RichTextBox1).size()));
    window.CopySelection(ControlId::RichTextBox1);
    ASSERT_TRUE(::OpenClipboard(window.Handle()));
    std::wstring copied;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            copied = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    EXPECT_EQ(copied, text);
}

TEST_F(MainWindowTest, ClosingRaisesQueryUnloadOnceAndDestroysTheWindow) {
    HWND handle = window.Handle();
    ::SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(events.events, std::vector<std::wstring>{L"query-unload"});
    EXPECT_FALSE(::IsWindow(handle));
    MSG message;  // the window posted its quit message: take it so later tests see none
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace
}  // namespace kelbrook::win32
