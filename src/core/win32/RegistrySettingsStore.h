// The settings store in the registry: string values of HKCU\Software\Tarnwick\Kelbrook.
#pragma once

#include "core/Settings.h"

namespace kelbrook::win32 {

class RegistrySettingsStore : public SettingsStore {
  public:
    std::optional<std::wstring> Read(const std::wstring& key) override;
    void Write(const std::wstring& key, const std::wstring& value) override;

    static std::wstring SectionKeyPath();  // "Software\Tarnwick\Kelbrook"
};

}  // namespace kelbrook::win32
