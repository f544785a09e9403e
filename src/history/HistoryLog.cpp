#include "history/HistoryLog.h"

#include "app/Globals.h"

namespace kelbrook {

std::wstring ComposeHistoryLogPath(const std::optional<std::wstring>& tempFolder) {
    const std::wstring stem =
        Globals::CleanFileName(Globals::DropTrailingWord(kProductName, L"Software"));
    return tempFolder.value_or(L"") + L"\\" + stem + L".txt";
}

}  // namespace kelbrook
