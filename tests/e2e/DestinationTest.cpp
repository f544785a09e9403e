// Where the backups go, driven from outside: the "..." folder button with its folder
// dialog, typing in Text1, and the option buttons, each kept in the settings store at once
// and shown again on the next start.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kBrowsePrompt[] = L"Please select folder:";

// ---- the "..." button and its folder dialog ---------------------------------------------

class DestinationFolderButton : public RunningProgram {
  protected:
    // Clicks "..." and waits for the folder dialog, which must be modal to the main window
    // and show the prompt.
    void OpenFolderDialog(HWND& dialog) {
        ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton1));
        dialog = program_.WaitForFolderDialog();
        ASSERT_NE(dialog, nullptr) << "no folder dialog came";
        EXPECT_NE(FindChild(dialog, L"Static", kBrowsePrompt), nullptr)
            << "the dialog does not show the prompt";
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), program_.MainWindow());
        EXPECT_FALSE(::IsWindowEnabled(program_.MainWindow())) << "the dialog is not modal";
    }

    // Presses a button of the folder dialog and waits until the dialog has gone.
    void Press(HWND dialog, int button) {
        ASSERT_TRUE(PostClick(::GetDlgItem(dialog, button)));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); })) << "the dialog stays";
    }
};

TEST_F(DestinationFolderButton, CancelLeavesText1AndPathAsTheyWere) {
    const std::wstring stored = L"C:\\Backups\\Kelbrook copies";
    ASSERT_TRUE(Store::Set(L"Path", stored));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(Caption(ControlId::Text1), stored);
    const std::map<std::wstring, std::wstring> before = Store::Snapshot();

    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenFolderDialog(dialog));
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDCANCEL));

    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::Text1), stored);
    EXPECT_EQ(Store::Read(L"Path"), stored);
    EXPECT_EQ(Store::Snapshot(), before);
}

TEST_F(DestinationFolderButton, CancelWithTheDefaultPathLeavesItToo) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::wstring shown = Caption(ControlId::Text1);
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(Store::Read(L"Path"), shown);

    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenFolderDialog(dialog));
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDCANCEL));

    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::Text1), shown);
    EXPECT_EQ(Store::Read(L"Path"), shown);
}

TEST_F(DestinationFolderButton, EachChosenFolderGoesToText1AndPathAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::filesystem::path first = workspace_->folder() / L"Kopien für Kelbrook";
    const std::filesystem::path second = workspace_->folder() / L"second choice";
    ASSERT_TRUE(std::filesystem::create_directory(first));
    ASSERT_TRUE(std::filesystem::create_directory(second));

    for (const std::filesystem::path& folder : {first, second}) {
        const std::wstring expected = folder.wstring();
        SCOPED_TRACE(::testing::PrintToString(expected));
        ASSERT_NE(Caption(ControlId::Text1), expected);

        HWND dialog = nullptr;
        ASSERT_NO_FATAL_FAILURE(OpenFolderDialog(dialog));
        ASSERT_TRUE(SelectFolder(dialog, program_.id(), expected))
            << "the dialog's selection did not move";
        ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));

        EXPECT_TRUE(WaitUntil([&] { return Caption(ControlId::Text1) == expected; }))
            << "Text1 shows " << ::testing::PrintToString(Caption(ControlId::Text1));
        EXPECT_EQ(Store::Read(L"Path"), expected) << "while the program still runs";
        ExpectQuietAfterwards();
        EXPECT_TRUE(program_.Running());
    }
}

// ---- typing in Text1 --------------------------------------------------------------------

class DestinationText1 : public RunningProgram {};

TEST_F(DestinationText1, EveryChangeIsStoredAndShownOnTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND text1 = Control(ControlId::Text1);
    ASSERT_NE(text1, nullptr);
    ASSERT_FALSE(Caption(ControlId::Text1).empty());

    // Everything selected first, so the first key replaces the shown path; "\b" is the
    // backspace key.
    const std::wstring keys = L"E:\\Kopien für Kelbrookx\b\\2025";
    ASSERT_TRUE(::PostMessageW(text1, EM_SETSEL, 0, -1));
    std::wstring typed;
    for (const wchar_t key : keys) {
        if (key == L'\b') {
            typed.pop_back();
        } else {
            typed.push_back(key);
        }
        SCOPED_TRACE(::testing::PrintToString(typed));
        ASSERT_TRUE(::PostMessageW(text1, WM_CHAR, key, 1));
        ASSERT_TRUE(WaitUntil([&] {
            return Caption(ControlId::Text1) == typed && Store::Read(L"Path") == typed;
        })) << "Text1 "
            << ::testing::PrintToString(Caption(ControlId::Text1)) << ", Path "
            << ::testing::PrintToString(Store::Read(L"Path"));
    }
    ASSERT_EQ(typed, L"E:\\Kopien für Kelbrook\\2025");
    ExpectQuietAfterwards();

    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(Store::Read(L"Path"), typed);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Caption(ControlId::Text1), typed);
    EXPECT_EQ(Store::Read(L"Path"), typed);
}

TEST_F(DestinationText1, EmptiedTextIsStoredAsAnEmptyPath) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND text1 = Control(ControlId::Text1);
    ASSERT_NE(text1, nullptr);
    ASSERT_FALSE(Caption(ControlId::Text1).empty());

    ASSERT_TRUE(::PostMessageW(text1, EM_SETSEL, 0, -1));
    ASSERT_TRUE(::PostMessageW(text1, WM_CHAR, L'\b', 1));
    EXPECT_TRUE(WaitUntil([&] { return Store::Read(L"Path") == std::wstring(); }))
        << "Path " << ::testing::PrintToString(Store::Read(L"Path"));
    EXPECT_EQ(Caption(ControlId::Text1), L"");

    ASSERT_NO_FATAL_FAILURE(Close());
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Caption(ControlId::Text1), L"") << "an empty Path is still a stored Path";
    EXPECT_EQ(Store::Read(L"Path"), std::wstring());
}

// ---- the option buttons -----------------------------------------------------------------

struct OptionPair {
    const char* name;
    ControlId chosen;   // the option button clicked
    ControlId partner;  // the other button of its group
    const wchar_t* setting;
};

void PrintTo(const OptionPair& pair, std::ostream* out) {
    *out << pair.name;
}

class DestinationOptions : public RunningProgram,
                           public ::testing::WithParamInterface<OptionPair> {};

TEST_P(DestinationOptions, ClickStoresTwoAtOnceAndTheNextStartShowsIt) {
    const OptionPair& pair = GetParam();
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Checked(pair.partner));
    ASSERT_FALSE(Checked(pair.chosen));
    ASSERT_EQ(Store::Read(pair.setting), std::wstring(L"1"));

    ASSERT_NO_FATAL_FAILURE(Click(pair.chosen));
    EXPECT_TRUE(WaitUntil([&] { return Store::Read(pair.setting) == L"2"; }))
        << "stored " << ::testing::PrintToString(Store::Read(pair.setting));
    EXPECT_TRUE(Checked(pair.chosen));
    EXPECT_FALSE(Checked(pair.partner));
    ExpectQuietAfterwards();

    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(Store::Read(pair.setting), std::wstring(L"2"));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(Checked(pair.chosen));
    EXPECT_FALSE(Checked(pair.partner));
    EXPECT_EQ(Store::Read(pair.setting), std::wstring(L"2"));
}

TEST_P(DestinationOptions, ClickingThePartnerBackStoresOne) {
    const OptionPair& pair = GetParam();
    ASSERT_TRUE(Store::Set(pair.setting, L"2"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Checked(pair.chosen));
    ASSERT_FALSE(Checked(pair.partner));

    ASSERT_NO_FATAL_FAILURE(Click(pair.partner));
    EXPECT_TRUE(WaitUntil([&] { return Store::Read(pair.setting) == L"1"; }))
        << "stored " << ::testing::PrintToString(Store::Read(pair.setting));
    EXPECT_TRUE(Checked(pair.partner));
    EXPECT_FALSE(Checked(pair.chosen));
    ExpectQuietAfterwards();
}

TEST_P(DestinationOptions, ClickLeavesTheOtherGroupAlone) {
    const OptionPair& pair = GetParam();
    ASSERT_NO_FATAL_FAILURE(Start());
    std::map<std::wstring, std::wstring> expected = Store::Snapshot();
    expected[pair.setting] = L"2";
    const bool option1 = Checked(ControlId::Option1), option3 = Checked(ControlId::Option3);

    ASSERT_NO_FATAL_FAILURE(Click(pair.chosen));
    EXPECT_TRUE(WaitUntil([&] { return Store::Read(pair.setting) == L"2"; }));
    ExpectQuietAfterwards();
    EXPECT_EQ(Store::Snapshot(), expected);
    if (pair.chosen == ControlId::Option2) {
        EXPECT_EQ(Checked(ControlId::Option3), option3);
    } else {
        EXPECT_EQ(Checked(ControlId::Option1), option1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , DestinationOptions,
    ::testing::Values(OptionPair{"Option2", ControlId::Option2, ControlId::Option1, L"WhereOption"},
                      OptionPair{"Option4", ControlId::Option4, ControlId::Option3,
                                 L"Backup Option"}),
    [](const ::testing::TestParamInfo<OptionPair>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelbrook::e2e
