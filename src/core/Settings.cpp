#include "core/Settings.h"

#include <cmath>

#include "core/Failure.h"

namespace kelbrook {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Parses [sign] digits [. digits] from position i; returns false when no digit is found.
bool ParseDecimal(const std::wstring& text, std::size_t& i, double& value) {
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    bool anyDigit = false;
    double number = 0.0;
    while (i < text.size() && IsDigit(text[i])) {
        number = number * 10.0 + (text[i] - L'0');
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == L'.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && IsDigit(text[i])) {
            number += (text[i] - L'0') * scale;
            scale /= 10.0;
            anyDigit = true;
            ++i;
        }
    }
    value = negative ? -number : number;
    return anyDigit;
}

}  // namespace

std::wstring ReadSetting(SettingsStore& store, const std::wstring& key,
                         const std::wstring& defaultValue) {
    std::optional<std::wstring> value = store.Read(key);
    return value ? *value : defaultValue;
}

int PublisherTimeoutSeconds(SettingsStore& store) {
    constexpr int kDefault = 60, kLongest = 3600;
    try {
        const std::optional<std::wstring> text = store.Read(SettingKey::PublisherTimeout);
        if (!text) return kDefault;
        const int seconds = ToInteger16(*text);
        return seconds >= 1 && seconds <= kLongest ? seconds : kDefault;
    } catch (...) {
        return kDefault;
    }
}

std::uint64_t FreeSpaceFloorBytes(SettingsStore& store) {
    constexpr std::uint64_t kMegabyte = 1024 * 1024, kDefault = 1024, kLargest = 1024 * 1024;
    try {
        const std::optional<std::wstring> text = store.Read(SettingKey::FreeSpaceFloor);
        if (!text || text->empty() || text->size() > 7 ||
            text->find_first_not_of(L"0123456789") != std::wstring::npos) {
            return kDefault * kMegabyte;
        }
        const std::uint64_t megabytes = std::stoull(*text);
        return (megabytes <= kLargest ? megabytes : kDefault) * kMegabyte;
    } catch (...) {
        return kDefault * kMegabyte;
    }
}

std::int16_t ToInteger16(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    double value = 0.0;
    if (!ParseDecimal(text, i, value)) throw Failure(L"Type mismatch");
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) throw Failure(L"Type mismatch");
    const double rounded = std::nearbyint(value);  // the default mode rounds half to even
    if (rounded < -32768.0 || rounded > 32767.0) throw Failure(L"Overflow");
    return static_cast<std::int16_t>(rounded);
}

double LeadingNumber(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == L'\n' || text[i] == L'\r')) ++i;
    double value = 0.0;
    return ParseDecimal(text, i, value) ? value : 0.0;
}

}  // namespace kelbrook
