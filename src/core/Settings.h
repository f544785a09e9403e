// The per-user settings store (application "Tarnwick", section "Kelbrook") and the
// conversions that decide what a stored text means.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelbrook {

inline constexpr wchar_t kSettingsApplication[] = L"Tarnwick";
inline constexpr wchar_t kSettingsSection[] = L"Kelbrook";

namespace SettingKey {
inline constexpr wchar_t Path[] = L"Path";
inline constexpr wchar_t WhereOption[] = L"WhereOption";
inline constexpr wchar_t OftenIndex[] = L"OftenIndex";
inline constexpr wchar_t StartStopState[] = L"StartStopState";
inline constexpr wchar_t BackupOption[] = L"Backup Option";
inline constexpr wchar_t WindowsStartup[] = L"Windows Startup";
inline constexpr wchar_t Minimized[] = L"Minimized";
// "On" when older backups are thinned out after each good backup ("Off" when absent).
inline constexpr wchar_t ThinOutBackups[] = L"Thin Out Backups";
// Seconds a call into a copy instance of Publisher may take (1 to 3600, 60 when absent or
// not a whole number in range). No control writes it: it is for tests and support.
inline constexpr wchar_t PublisherTimeout[] = L"Publisher Timeout";
// Megabytes a backup must leave free on its volume (0 to 1048576, 1024 when absent or not a
// whole number in range). No control writes it: it is for tests and support.
inline constexpr wchar_t FreeSpaceFloor[] = L"Free Space Floor";
}  // namespace SettingKey

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when the key has no value.
    virtual std::optional<std::wstring> Read(const std::wstring& key) = 0;
    // Creates or replaces the value (and the keys above it).
    virtual void Write(const std::wstring& key, const std::wstring& value) = 0;
};

// The "Publisher Timeout" setting's seconds; never raises.
int PublisherTimeoutSeconds(SettingsStore& store);
// The "Free Space Floor" setting in bytes; never raises.
std::uint64_t FreeSpaceFloorBytes(SettingsStore& store);

// Read with a default for an absent value.
std::wstring ReadSetting(SettingsStore& store, const std::wstring& key,
                         const std::wstring& defaultValue);

// A whole number in the 16-bit signed range, as "OftenIndex" is read: blanks around the
// number are allowed, a fraction is rounded half to even. Raises "Type mismatch" for a
// text that is no number and "Overflow" for a number outside -32768..32767.
std::int16_t ToInteger16(const std::wstring& text);

// The leading numeric part of a text, as "Backup Option" is read: leading blanks are
// skipped, then an optional sign, digits and a fraction; no numeric part gives 0.
double LeadingNumber(const std::wstring& text);

}  // namespace kelbrook
