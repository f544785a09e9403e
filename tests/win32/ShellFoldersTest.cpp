#include <gtest/gtest.h>

#include "core/Main.h"
#include "core/win32/Win32Platform.h"

namespace kelbrook::win32 {
namespace {

TEST(ShellFolders, DesktopFolderPathIsTheDesktopWithOneBackslash) {
    Win32ShellFolders shell;
    const std::wstring desktop = Main::DesktopFolderPath(shell);
    ASSERT_GE(desktop.size(), 4u);
    EXPECT_EQ(desktop.back(), L'\\');
    EXPECT_NE(desktop[desktop.size() - 2], L'\\');
    const DWORD attributes = ::GetFileAttributesW(desktop.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(desktop.find(L"Desktop"), std::wstring::npos);
}

TEST(ShellFolders, AnUnknownFolderNumberGivesAnEmptyPath) {
    Win32ShellFolders shell;
    EXPECT_EQ(shell.SpecialFolderPath(0x7777), L"");
}

TEST(Processes, ProgramFolderIsTheFolderOfTheExecutable) {
    Win32Processes processes;
    const std::wstring folder = processes.ProgramFolder();
    const std::wstring exe = Win32Processes::ModulePath();
    EXPECT_EQ(exe.substr(0, folder.size()), folder);
    EXPECT_EQ(exe.substr(folder.size()), L"\\win32_tests.exe");
}

TEST(Processes, EnvironmentTellsAnUnsetVariableFromAnEmptyOne) {
    Win32Processes processes;
    ::SetEnvironmentVariableW(L"KELBROOK_TEST_VAR", L"a b");
    EXPECT_EQ(processes.Environment(L"KELBROOK_TEST_VAR"), L"a b");
    ::SetEnvironmentVariableW(L"KELBROOK_TEST_VAR", nullptr);
    EXPECT_FALSE(processes.Environment(L"KELBROOK_TEST_VAR").has_value());
}

}  // namespace
}  // namespace kelbrook::win32
