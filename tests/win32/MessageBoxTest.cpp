#include <gtest/gtest.h>

#include <thread>

#include "core/ErrorReport.h"
#include "DialogWaiting.h"
#include "core/win32/MessageBoxDialogs.h"

namespace kelbrook::win32 {
namespace {

struct SeenBox {
    std::wstring title;
    std::wstring text;
    bool hasOk = false, hasYes = false, hasNo = false, hasCancel = false, hasIcon = false;
};

// Waits for the message box of this process, reads it and presses one of its buttons.
SeenBox AnswerBox(DWORD threadId, int button) {
    SeenBox seen;
    HWND box = WaitForDialog(threadId);
    if (box == nullptr) return seen;
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(box, buffer, 1024);
    seen.title = buffer;
    ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
    seen.text = buffer;
    seen.hasOk = ::GetDlgItem(box, IDOK) != nullptr;
    seen.hasYes = ::GetDlgItem(box, IDYES) != nullptr;
    seen.hasNo = ::GetDlgItem(box, IDNO) != nullptr;
    seen.hasCancel =
        ::GetDlgItem(box, IDCANCEL) != nullptr && ::IsWindowVisible(::GetDlgItem(box, IDCANCEL));
    // The icon's static control: 20 on Windows, 0x440 in Wine.
    for (int id : {0x14, 0x440}) {
        HWND icon = ::GetDlgItem(box, id);
        if (icon != nullptr && ::IsWindowVisible(icon) &&
            ::SendMessageW(icon, STM_GETICON, 0, 0) != 0) {
            seen.hasIcon = true;
        }
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    return seen;
}

TEST(MessageBoxDialogs, TheErrorReportIsOkWithTheWarningIconAndItsText) {
    EXPECT_EQ(MessageBoxDialogs::Style(MessageButtons::Ok, MessageIcon::Warning, true), 48u);
    SeenBox seen;
    const DWORD me = ::GetCurrentThreadId();
    std::thread answer([&] { seen = AnswerBox(me, IDOK); });
    MessageBoxDialogs dialogs;
    ShowErrorReport(dialogs, Location(L"Form1", L"Form_Load"), 136, L"Path not found");
    answer.join();
    EXPECT_EQ(seen.title, L"Application Error");
    EXPECT_EQ(seen.text, ErrorReportText(Location(L"Form1", L"Form_Load"), 136, L"Path not found"));
    EXPECT_TRUE(seen.hasOk);
    EXPECT_FALSE(seen.hasYes);
    EXPECT_TRUE(seen.hasIcon);
}

TEST(MessageBoxDialogs, AQuestionHasYesAndNoWithoutAnIcon) {
    SeenBox seen;
    const DWORD me = ::GetCurrentThreadId();
    std::thread answer([&] { seen = AnswerBox(me, IDNO); });
    MessageBoxDialogs dialogs;
    const MessageAnswer got =
        dialogs.ShowMessage(L"Sure?", L"Kelbrook", MessageButtons::YesNo, MessageIcon::None);
    answer.join();
    EXPECT_EQ(got, MessageAnswer::No);
    EXPECT_EQ(seen.title, L"Kelbrook");
    EXPECT_EQ(seen.text, L"Sure?");
    EXPECT_TRUE(seen.hasYes);
    EXPECT_TRUE(seen.hasNo);
    EXPECT_FALSE(seen.hasIcon);

    std::thread answerYes([&] { seen = AnswerBox(me, IDYES); });
    EXPECT_EQ(dialogs.ShowMessage(L"Sure?", L"Kelbrook", MessageButtons::YesNo, MessageIcon::None),
              MessageAnswer::Yes);
    answerYes.join();
}

}  // namespace
}  // namespace kelbrook::win32
