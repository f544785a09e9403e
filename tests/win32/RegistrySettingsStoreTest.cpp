#include <gtest/gtest.h>

#include "core/win32/RegistrySettingsStore.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {
namespace {

class RegistrySettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarnwick"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarnwick"); }
    RegistrySettingsStore store;
};

TEST_F(RegistrySettingsStoreTest, AnAbsentKeyOrValueReadsAsNothing) {
    EXPECT_FALSE(store.Read(L"Path").has_value());
    store.Write(L"Path", L"C:\\x");
    EXPECT_FALSE(store.Read(L"WhereOption").has_value());
}

TEST_F(RegistrySettingsStoreTest, WritesStringValuesUnderTheSectionKey) {
    store.Write(L"Backup Option", L"2");
    store.Write(L"Windows Startup", L"On");
    store.Write(L"Path", L"C:\\Bäckups\\Zürich");
    store.Write(L"Path", L"D:\\Other");  // replaced
    store.Write(L"Empty", L"");
    EXPECT_EQ(store.Read(L"Backup Option"), L"2");
    EXPECT_EQ(store.Read(L"Windows Startup"), L"On");
    EXPECT_EQ(store.Read(L"Path"), L"D:\\Other");
    EXPECT_EQ(store.Read(L"Empty"), L"");

    UniqueKey key;
    ASSERT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnwick\\Kelbrook", 0, KEY_READ, key.put()),
        ERROR_SUCCESS);
    DWORD type = 0;
    wchar_t data[64] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(::RegQueryValueExW(key.get(), L"Backup Option", nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, L"2");
}

TEST_F(RegistrySettingsStoreTest, ALongValueRoundTrips) {
    const std::wstring longPath(5000, L'x');
    store.Write(L"Path", longPath);
    EXPECT_EQ(store.Read(L"Path"), longPath);
}

TEST_F(RegistrySettingsStoreTest, AValueOfAnotherTypeReadsAsNothing) {
    store.Write(L"Path", L"x");
    UniqueKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnwick\\Kelbrook", 0, KEY_SET_VALUE,
                              key.put()),
              ERROR_SUCCESS);
    const DWORD number = 3;
    ::RegSetValueExW(key.get(), L"OftenIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    EXPECT_FALSE(store.Read(L"OftenIndex").has_value());
}

}  // namespace
}  // namespace kelbrook::win32
