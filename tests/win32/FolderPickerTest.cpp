#include <gtest/gtest.h>

#include <shlobj.h>
#include <commctrl.h>

#include <filesystem>
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
        ReadOnce(first);
        ReadOnce(second);
    }

    // Wine's folder dialog finds a folder by its whole shell identity, last access time
    // included; a folder read for the first time while the dialog looks for it is then not
    // found. Reading each folder on the way once beforehand settles those times.
    static void ReadOnce(const std::wstring& folder) {
        for (std::filesystem::path step = folder;; step = step.parent_path()) {
            std::error_code ignored;
            for (std::filesystem::directory_iterator it(step, ignored), end; !ignored && it != end;
                 it.increment(ignored)) {
            }
            if (step == step.root_path() || step.parent_path() == step) break;
        }
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

// The text of the folder tree's selected item.
std::wstring SelectedFolderName(HWND dialog) {
    HWND tree = ::FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    if (tree == nullptr) return L"";
    TVITEMW item{};
    wchar_t text[MAX_PATH] = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem == nullptr || !TreeView_GetItem(tree, &item)) return L"";
    return text;
}

// Waits up to 30 s for the dialog to show this folder selected.
bool WaitForSelection(HWND dialog, const std::wstring& name) {
    for (int attempt = 0; attempt < 3000; ++attempt) {
        if (SelectedFolderName(dialog) == name) return true;
        ::Sleep(10);
    }
    return false;
}

std::wstring Normalized(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    ::GetLongPathNameW(path.c_str(), full, MAX_PATH);
    return full;
}

TEST_F(FolderPickerTest, OpensOnTheStartFolderAndReturnsItOnOk) {
    bool promptShown = false;
    bool openedOnStart = false;
    const std::wstring chosen = Pick(L"Please select folder:", first, [&](HWND dialog) {
        promptShown = DialogShowsText(dialog, L"Please select folder:");
        openedOnStart = WaitForSelection(dialog, L"kelbrook-pick-first");
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(promptShown);
    EXPECT_TRUE(openedOnStart);
    EXPECT_EQ(Normalized(chosen), Normalized(first));
}

TEST_F(FolderPickerTest, ReturnsTheFolderTheUserMovesTo) {
    const std::wstring chosen = Pick(L"Where?", first, [&](HWND dialog) {
        WaitForSelection(dialog, L"kelbrook-pick-first");
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(second.c_str()));
        EXPECT_TRUE(WaitForSelection(dialog, L"kelbrook-pick-second"));
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
