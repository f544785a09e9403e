// The Run keys of the real registry, written and deleted through the adapter and through the
// registration of the running executable.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/win32/Win32Platform.h"
#include "core/win32/Win32Support.h"
#include "startup/mStartUp.h"
#include "startup/win32/RegistryRunKey.h"

namespace kelbrook::win32 {
namespace {

constexpr wchar_t kRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kScratch[] = L"Software\\Tarnwick\\KelbrookRunKeyTest";
constexpr wchar_t kName[] = L"KelbrookRunKeyTest.exe";
constexpr wchar_t kNeighbour[] = L"KelbrookRunKeyTest Neighbour";
constexpr wchar_t kWideName[] = L"Zoë Łódź 東京 Kelbrook.exe";

HKEY RootOf(RunKeyScope scope) {
    return scope == RunKeyScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The value as the registry holds it: its type and its text.
struct Stored {
    DWORD type = 0;
    std::wstring text;
    bool operator==(const Stored&) const = default;
};

std::optional<Stored> Read(HKEY root, const wchar_t* path, const std::wstring& name) {
    UniqueKey key;
    if (::RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof(number));
        return Stored{type, std::to_wstring(number)};
    }
    return Stored{type, reinterpret_cast<const wchar_t*>(data.data())};
}

void Write(HKEY root, const wchar_t* path, const std::wstring& name, const std::wstring& text) {
    UniqueKey key;
    ASSERT_EQ(
        ::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void Remove(HKEY root, const wchar_t* path, const std::wstring& name) {
    UniqueKey key;
    if (::RegOpenKeyExW(root, path, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), name.c_str());
    }
}

class RunKeyTest : public ::testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            for (const std::wstring& name : {std::wstring(kName), std::wstring(kNeighbour),
                                             std::wstring(kWideName), OwnName()}) {
                Remove(root, kRunPath, name);
            }
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }
    static std::wstring OwnName() {
        const std::wstring path = Win32Processes::ModulePath();
        return path.substr(path.find_last_of(L'\\') + 1);
    }

    RegistryRunKey runKey;
};

TEST_F(RunKeyTest, WritesAndDeletesATextValueInEitherRunKeyAndLeavesTheOthersAlone) {
    for (const RunKeyScope scope : {RunKeyScope::Machine, RunKeyScope::User}) {
        const HKEY root = RootOf(scope);
        SCOPED_TRACE(scope == RunKeyScope::Machine ? "machine" : "user");
        ASSERT_NO_FATAL_FAILURE(Write(root, kRunPath, kNeighbour, L"C:\\other.exe"));

        EXPECT_TRUE(
            runKey.SetValue(scope, kName, L"\"C:\\Program Files\\Kelbrook\\Kelbrook.exe\""));
        EXPECT_EQ(Read(root, kRunPath, kName),
                  (Stored{REG_SZ, L"\"C:\\Program Files\\Kelbrook\\Kelbrook.exe\""}));
        EXPECT_TRUE(runKey.SetValue(scope, kName, L"\"D:\\K.exe\""));  // replaced
        EXPECT_EQ(Read(root, kRunPath, kName), (Stored{REG_SZ, L"\"D:\\K.exe\""}));
        EXPECT_FALSE(
            Read(RootOf(scope == RunKeyScope::Machine ? RunKeyScope::User : RunKeyScope::Machine),
                 kRunPath, kName))
            << "written into the other key too";

        EXPECT_TRUE(runKey.DeleteValue(scope, kName));
        EXPECT_FALSE(Read(root, kRunPath, kName));
        EXPECT_TRUE(runKey.DeleteValue(scope, kName)) << "an absent value counts as deleted";
        EXPECT_EQ(Read(root, kRunPath, kNeighbour), (Stored{REG_SZ, L"C:\\other.exe"}));
    }
}

TEST_F(RunKeyTest, ANameAndPathOutsideTheAnsiCodePageSurvive) {
    const std::wstring data = L"\"C:\\Werkzeuge\\Zoë Łódź 東京\\Kelbrook.exe\"";
    for (const RunKeyScope scope : {RunKeyScope::Machine, RunKeyScope::User}) {
        EXPECT_TRUE(runKey.SetValue(scope, kWideName, data));
        EXPECT_EQ(Read(RootOf(scope), kRunPath, kWideName), (Stored{REG_SZ, data}));
        EXPECT_TRUE(runKey.DeleteValue(scope, kWideName));
        EXPECT_FALSE(Read(RootOf(scope), kRunPath, kWideName));
    }
}

TEST_F(RunKeyTest, TheRunningExecutableIsRegisteredByItsNameWithItsQuotedPath) {
    Win32Processes processes;
    mStartUp::AddToStartup(processes, runKey);
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, kRunPath, OwnName()),
              (Stored{REG_SZ, L"\"" + Win32Processes::ModulePath() + L"\""}));
    EXPECT_FALSE(Read(HKEY_CURRENT_USER, kRunPath, OwnName()));
    mStartUp::RemoveFromStartup(processes, runKey);
    EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, kRunPath, OwnName()));
}

TEST_F(RunKeyTest, WriteRegValueWritesTextsAndNumbersAndNothingOfOtherTypes) {
    UniqueKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::WriteRegValue(key.get(), L"text", REG_SZ, std::wstring(L"a b")),
              ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::WriteRegValue(key.get(), L"number", REG_DWORD, DWORD{0x01020304}),
              ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::WriteRegValue(key.get(), L"binary", REG_BINARY, std::wstring(L"x")),
              ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::WriteRegValue(key.get(), L"mismatch", REG_DWORD, std::wstring(L"7")),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Read(HKEY_CURRENT_USER, kScratch, L"text"), (Stored{REG_SZ, L"a b"}));
    EXPECT_EQ(Read(HKEY_CURRENT_USER, kScratch, L"number"), (Stored{REG_DWORD, L"16909060"}));
    EXPECT_FALSE(Read(HKEY_CURRENT_USER, kScratch, L"binary"));
    EXPECT_FALSE(Read(HKEY_CURRENT_USER, kScratch, L"mismatch"));
}

TEST_F(RunKeyTest, SetAndDeleteGiveTheStatusOfAKeyThatCannotBeOpened) {
    const std::wstring missing = std::wstring(kScratch) + L"\\Missing";
    EXPECT_EQ(RegStuff::SetRegValue(HKEY_CURRENT_USER, missing, L"v", std::wstring(L"x"), REG_SZ),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegStuff::DeleteRegValue(HKEY_CURRENT_USER, missing, L"v"), ERROR_FILE_NOT_FOUND);
    ASSERT_NO_FATAL_FAILURE(Write(HKEY_CURRENT_USER, kScratch, L"v", L"x"));
    EXPECT_EQ(RegStuff::SetRegValue(HKEY_CURRENT_USER, kScratch, L"v", std::wstring(L"y"), REG_SZ),
              ERROR_SUCCESS);
    EXPECT_EQ(Read(HKEY_CURRENT_USER, kScratch, L"v"), (Stored{REG_SZ, L"y"}));
    EXPECT_EQ(RegStuff::DeleteRegValue(HKEY_CURRENT_USER, kScratch, L"v"), ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::DeleteRegValue(HKEY_CURRENT_USER, kScratch, L"v"), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace kelbrook::win32
