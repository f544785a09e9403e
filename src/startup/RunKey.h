// The registry's Run keys as the start-with-Windows registration needs them: one text value
// written into, or deleted from, the machine's or the current user's Run key.
#pragma once

#include <string>

namespace kelbrook {

// HKEY_LOCAL_MACHINE "SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN\" (opened with the access
// mask 0x3F), or HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Run".
enum class RunKeyScope { Machine, User };

class RunKey {
  public:
    virtual ~RunKey() = default;
    // Writes the value as a text (REG_SZ); false when the key cannot be opened or the value
    // cannot be written (without administrator rights, for the machine's key). Never raises.
    virtual bool SetValue(RunKeyScope scope, const std::wstring& name,
                          const std::wstring& data) = 0;
    // Deletes the value; true when the key holds no such value afterwards (it was deleted, or
    // it was never there), false when a value that is there could not be deleted. Never raises.
    virtual bool DeleteValue(RunKeyScope scope, const std::wstring& name) = 0;
};

}  // namespace kelbrook
