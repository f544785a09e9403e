#include "startup/win32/RegistryRunKey.h"

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

HKEY Root(RunKeyScope scope) {
    return scope == RunKeyScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

const wchar_t* Subkey(RunKeyScope scope) {
    return scope == RunKeyScope::Machine ? kMachineRunSubkey : kUserRunSubkey;
}

// True when the key can be read and has no value of this name.
bool HasNoValue(HKEY root, const wchar_t* subkey, const std::wstring& name) {
    UniqueKey key;
    const LSTATUS opened = ::RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, key.put());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    return ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_FILE_NOT_FOUND;
}

}  // namespace

namespace RegStuff {

LSTATUS WriteRegValue(HKEY key, const std::wstring& name, DWORD type, const RegValue& value) {
    switch (type) {
        case REG_SZ: {
            const std::wstring* text = std::get_if<std::wstring>(&value);
            if (text == nullptr) return ERROR_INVALID_PARAMETER;
            return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text->c_str()),
                                    static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
        }
        case REG_DWORD: {
            const DWORD* number = std::get_if<DWORD>(&value);
            if (number == nullptr) return ERROR_INVALID_PARAMETER;
            return ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(number), sizeof(DWORD));
        }
        default:
            return ERROR_SUCCESS;
    }
}

LSTATUS SetRegValue(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const RegValue& value, DWORD type) {
    UniqueKey key;
    const LSTATUS opened = ::RegOpenKeyExW(root, subkey.c_str(), 0, kRunKeyAccess, key.put());
    if (opened != ERROR_SUCCESS) return opened;
    return WriteRegValue(key.get(), name, type, value);
}

LSTATUS DeleteRegValue(HKEY root, const std::wstring& subkey, const std::wstring& name) {
    UniqueKey key;
    const LSTATUS opened = ::RegOpenKeyExW(root, subkey.c_str(), 0, kRunKeyAccess, key.put());
    if (opened != ERROR_SUCCESS) return opened;
    return ::RegDeleteValueW(key.get(), name.c_str());
}

}  // namespace RegStuff

bool RegistryRunKey::SetValue(RunKeyScope scope, const std::wstring& name,
                              const std::wstring& data) {
    return RegStuff::SetRegValue(Root(scope), Subkey(scope), name, data, REG_SZ) == ERROR_SUCCESS;
}

bool RegistryRunKey::DeleteValue(RunKeyScope scope, const std::wstring& name) {
    const LSTATUS status = RegStuff::DeleteRegValue(Root(scope), Subkey(scope), name);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return true;
    // The key would not open for writing (no administrator rights): what matters is whether
    // the value is there at all.
    return HasNoValue(Root(scope), Subkey(scope), name);
}

}  // namespace kelbrook::win32
