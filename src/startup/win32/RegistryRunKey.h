// The Run keys of the real registry, through the wide registry calls (RegOpenKeyExW,
// RegSetValueExW, RegDeleteValueW), so a path outside the ANSI code page survives.
#pragma once

#include <windows.h>

#include <string>
#include <variant>

#include "startup/RunKey.h"

namespace kelbrook::win32 {

inline constexpr wchar_t kMachineRunSubkey[] =
    L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";
inline constexpr wchar_t kUserRunSubkey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Query and set value, create and enumerate subkeys, notify, create link; no standard rights.
inline constexpr REGSAM kRunKeyAccess = 0x3F;

namespace RegStuff {

// A value to write: a text for REG_SZ, a number for REG_DWORD.
using RegValue = std::variant<std::wstring, DWORD>;

// Writes one value into an open key: REG_SZ takes the text, REG_DWORD the number's 4 bytes; for
// any other type it writes nothing and gives 0 (ERROR_SUCCESS). A value of the wrong kind for
// its type writes nothing and gives ERROR_INVALID_PARAMETER. The status of RegSetValueExW.
LSTATUS WriteRegValue(HKEY key, const std::wstring& name, DWORD type, const RegValue& value);
// Opens the subkey (options 0, access 0x3F), writes one value through WriteRegValue and
// closes the key; the status of the open, or else of the write.
LSTATUS SetRegValue(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const RegValue& value, DWORD type);
// Opens the subkey (options 0, access 0x3F), deletes one value and closes the key; the
// status of the open, or else of the delete.
LSTATUS DeleteRegValue(HKEY root, const std::wstring& subkey, const std::wstring& name);

}  // namespace RegStuff

class RegistryRunKey : public RunKey {
  public:
    bool SetValue(RunKeyScope scope, const std::wstring& name, const std::wstring& data) override;
    bool DeleteValue(RunKeyScope scope, const std::wstring& name) override;
};

}  // namespace kelbrook::win32
