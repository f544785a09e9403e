#include "core/win32/RegistrySettingsStore.h"

#include <vector>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

std::wstring RegistrySettingsStore::SectionKeyPath() {
    return std::wstring(L"Software\\") + kSettingsApplication + L"\\" + kSettingsSection;
}

std::optional<std::wstring> RegistrySettingsStore::Read(const std::wstring& key) {
    UniqueKey section;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, SectionKeyPath().c_str(), 0,
                                     KEY_QUERY_VALUE, section.put());
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status), L"Reading " + key);

    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        status = ::RegQueryValueExW(section.get(), key.c_str(), nullptr, &type, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status), L"Reading " + key);
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;  // not ours to read
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(section.get(), key.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) continue;  // it grew in between: ask again
        if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status), L"Reading " + key);
        std::wstring value(buffer.data(), size / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        return value;
    }
    ThrowWin32Error(ERROR_MORE_DATA, L"Reading " + key);
}

void RegistrySettingsStore::Write(const std::wstring& key, const std::wstring& value) {
    UniqueKey section;
    LSTATUS status =
        ::RegCreateKeyExW(HKEY_CURRENT_USER, SectionKeyPath().c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, section.put(), nullptr);
    if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status), L"Writing " + key);
    status = ::RegSetValueExW(section.get(), key.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status), L"Writing " + key);
}

}  // namespace kelbrook::win32
