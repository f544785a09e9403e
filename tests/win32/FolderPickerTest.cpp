#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>
#include <thread>

#include "DialogWaiting.h"
#include "backup/win32/ShellFolderPicker.h"

namespace kelbrook::win32 {
namespace {

bool DialogShowsText(HWND dialog, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        bool found;
    } search{&text, false};
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t buffer[512] = {};
            ::GetWindowTextW(child, buffer, 512);
            if (*s->text == buffer) s->found = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class FolderPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        first = std::wstring(temp) + L"kelbrook-pick-first";
        second = std::wstring(temp) + L"kelbrook-pick-second";
        ::CreateDirectoryW(first.c_str(), nullptr);
        ::CreateDirectoryW(second.c_str(), nullptr);
    }
    void TearDown() override {
        ::RemoveDirectoryW(first.c_str());
        ::RemoveDirectoryW(second.c_str());
    }

    // Runs the picker while another thread acts on its dialog.
    std::wstring Pick(const std::wstring& prompt, const std::wstring& start,
                      const std::function<void(HWND)>& act) {
        const DWORD me = ::GetCurrentThreadId();
        std::thread user([&] {
            HWND dialog = WaitForDialog(me);
            if (dialog != nullptr) act(dialog);
        });
        ShellFolderPicker picker;
        std::wstring result = picker.PickFolder(prompt, start);
        user.join();
        return result;
    }

    std::wstring first, second;
};

std::wstring Normalized(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    ::GetLongPathNameW(path.c_str(), full, MAX_PATH);
    return full;
}

TEST_F(FolderPickerTest, OpensOnTheStartFolderAndReturnsItOnOk) {
    bool promptShown = false;
    const std::wstring chosen = Pick(L"Please select folder:", first, [&](HWND dialog) {
        promptShown = DialogShowsText(dialog, L"Please select folder:");
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(promptShown);
    EXPECT_EQ(Normalized(chosen), Normalized(first));
}

TEST_F(FolderPickerTest, ReturnsTheFolderTheUserMovesTo) {
    const std::wstring chosen = Pick(L"Where?", first, [&](HWND dialog) {
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(second.c_str()));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(Normalized(chosen), Normalized(second));
}

TEST_F(FolderPickerTest, CancelGivesAnEmptyText) {
    const std::wstring chosen = Pick(
        L"Where?", first, [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(chosen, L"");
}

}  // namespace
}  // namespace kelbrook::win32
