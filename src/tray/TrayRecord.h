// The record the shell's notification-area call takes: the ANSI NOTIFYICONDATA in the form
// that carries the balloon fields (NOTIFYICONDATAA_V2_SIZE), laid out as a 64-bit program
// passes it. The logic fills it; the adapter only hands the bytes to Shell_NotifyIconA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelbrook {

// Shell_NotifyIcon messages and flags.
inline constexpr std::uint32_t kNimAdd = 0, kNimModify = 1, kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 0x1, kNifIcon = 0x2, kNifTip = 0x4, kNifInfo = 0x10;
// The notification message of the tray icon (WM_USER + 101).
inline constexpr std::uint32_t kTrayNotification = 1125;

// The record's size and the places of its fields.
namespace ShellRecordLayout {
inline constexpr std::size_t Size = 504;
inline constexpr std::size_t CbSize = 0, Window = 8, Id = 16, Flags = 20, CallbackMessage = 24,
                             Icon = 32, Tip = 40, TipBytes = 128, State = 168, StateMask = 172,
                             Info = 176, InfoBytes = 256, Timeout = 432, InfoTitle = 436,
                             InfoTitleBytes = 64, InfoFlags = 500;
}  // namespace ShellRecordLayout

struct ShellRecord {
    std::uint64_t window = 0;  // the window that receives the notifications
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    std::uint64_t icon = 0;
    std::wstring tip, info, infoTitle;
    std::uint32_t timeout = 0;  // milliseconds
};

// Text in the ANSI code page (the adapter's conversion).
using AnsiText = std::function<std::string(const std::wstring&)>;

// The record's bytes: zero-filled, each text in the ANSI code page followed by one NUL and
// cut to its field's width (a text as long as the field or longer loses its NUL).
std::vector<std::uint8_t> EncodeShellRecord(const ShellRecord& record, const AnsiText& ansi);

}  // namespace kelbrook
