#include "tray/TrayRecord.h"

#include <algorithm>

namespace kelbrook {

namespace {

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t width,
             const std::string& text) {
    const std::size_t length = std::min(text.size(), width);
    std::copy_n(text.begin(), length, bytes.begin() + static_cast<std::ptrdiff_t>(at));
    // The NUL after a shorter text is already there: the record starts zero-filled.
}

}  // namespace

std::vector<std::uint8_t> EncodeShellRecord(const ShellRecord& record, const AnsiText& ansi) {
    namespace L = ShellRecordLayout;
    std::vector<std::uint8_t> bytes(L::Size, 0);
    Put32(bytes, L::CbSize, static_cast<std::uint32_t>(L::Size));
    Put64(bytes, L::Window, record.window);
    Put32(bytes, L::Id, record.id);
    Put32(bytes, L::Flags, record.flags);
    Put32(bytes, L::CallbackMessage, record.callbackMessage);
    Put64(bytes, L::Icon, record.icon);
    PutText(bytes, L::Tip, L::TipBytes, ansi(record.tip));
    PutText(bytes, L::Info, L::InfoBytes, ansi(record.info));
    Put32(bytes, L::Timeout, record.timeout);
    PutText(bytes, L::InfoTitle, L::InfoTitleBytes, ansi(record.infoTitle));
    return bytes;
}

}  // namespace kelbrook
