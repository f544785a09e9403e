// "Load this software on Windows startup" (Check5), driven from outside: the Run value of
// the program's own executable in the real registry, and "Start in system tray" (Check8)
// that goes with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Kelbrook.exe";
constexpr wchar_t kNeighbour[] = L"Kelbrook e2e neighbour";
// Other programs beside Kelbrook.exe: a directory listing may name either of them first.
constexpr const wchar_t* kOtherPrograms[] = {L"Uninstall.exe", L"Aaa Setup.exe"};

// One text value of a Run key; nothing when it is not there.
std::optional<std::wstring> RunValue(HKEY root, const std::wstring& name) {
    return RegistryText(root, kRunPath, name);
}

bool SetRunValue(HKEY root, const std::wstring& name, const std::wstring& text) {
    return SetRegistryText(root, kRunPath, name, text);
}

void DeleteRunValue(HKEY root, const std::wstring& name) {
    DeleteRegistryValue(root, kRunPath, name);
}

// Every name the program might register (its own and the other programs'), in both keys.
std::vector<std::wstring> CandidateNames() {
    std::vector<std::wstring> names{kValueName};
    for (const wchar_t* other : kOtherPrograms) names.emplace_back(other);
    return names;
}

class StartWithWindows : public RunningProgram {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RunningProgram::SetUp());
        ClearRunValues();
        ASSERT_FALSE(RunValue(HKEY_LOCAL_MACHINE, kValueName)) << "a Run value from before stays";
        ASSERT_FALSE(RunValue(HKEY_CURRENT_USER, kValueName)) << "a Run value from before stays";
    }
    // The program is closed first; then the values the test made go.
    void TearDown() override {
        RunningProgram::TearDown();
        ClearRunValues();
    }
    static void ClearRunValues() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            for (const std::wstring& name : CandidateNames()) DeleteRunValue(root, name);
            DeleteRunValue(root, kNeighbour);
        }
    }

    // Copies of the program under other names beside it.
    void PlaceOtherPrograms() {
        const std::optional<std::string> bytes = ReadBytes(workspace_->program());
        ASSERT_TRUE(bytes);
        for (const wchar_t* other : kOtherPrograms) workspace_->WriteFile(other, *bytes);
    }

    void ClickAndSettle(ControlId id) {
        ASSERT_NO_FATAL_FAILURE(Click(id));
        ASSERT_NO_FATAL_FAILURE(ExpectQuietAfterwards());
    }

    std::wstring QuotedProgram() const { return L"\"" + workspace_->program().wstring() + L"\""; }
};

TEST_F(StartWithWindows, TickingRegistersTheProgramItselfInQuotesBesideOtherPrograms) {
    ASSERT_NO_FATAL_FAILURE(PlaceOtherPrograms());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_FALSE(Checked(ControlId::Check5));

    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check5));
    EXPECT_TRUE(Checked(ControlId::Check5));
    EXPECT_TRUE(::IsWindowVisible(Control(ControlId::Check8)));
    EXPECT_EQ(Store::Read(L"Windows Startup"), L"On");
    // Wine grants the machine's key to everyone, so the value lands there.
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kValueName), QuotedProgram());
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, kValueName));
    for (const wchar_t* other : kOtherPrograms) {
        EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE, other)) << ::testing::PrintToString(other);
        EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, other)) << ::testing::PrintToString(other);
    }
}

TEST_F(StartWithWindows, ClearingRemovesTheValueOnlyAndClearsAndHidesStartInTray) {
    ASSERT_TRUE(SetRunValue(HKEY_LOCAL_MACHINE, kNeighbour, L"C:\\other.exe"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check5));
    ASSERT_EQ(RunValue(HKEY_LOCAL_MACHINE, kValueName), QuotedProgram());
    // A value in the user's key too, as a start without administrator rights leaves it.
    ASSERT_TRUE(SetRunValue(HKEY_CURRENT_USER, kValueName, QuotedProgram()));
    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check8));
    ASSERT_TRUE(Checked(ControlId::Check8));

    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check5));
    EXPECT_FALSE(Checked(ControlId::Check5));
    EXPECT_FALSE(Checked(ControlId::Check8));
    EXPECT_FALSE(::IsWindowVisible(Control(ControlId::Check8)));
    EXPECT_EQ(Store::Read(L"Windows Startup"), L"Off");
    EXPECT_EQ(Store::Read(L"Minimized"), L"Off");
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE, kValueName));
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, kValueName));
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kNeighbour), L"C:\\other.exe");

    // Cleared once more with nothing left to delete: quiet.
    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check5));
    ASSERT_NO_FATAL_FAILURE(ClickAndSettle(ControlId::Check5));
    EXPECT_FALSE(Checked(ControlId::Check5));
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE, kValueName));
}

TEST_F(StartWithWindows, StartingWithTheSettingOnTicksTheBoxWithoutWritingTheValue) {
    ASSERT_TRUE(Store::Set(L"Windows Startup", L"On"));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(Checked(ControlId::Check5));
    EXPECT_FALSE(RunValue(HKEY_LOCAL_MACHINE, kValueName));
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, kValueName));
    EXPECT_EQ(Store::Read(L"Windows Startup"), L"On");
}

}  // namespace
}  // namespace kelbrook::e2e
