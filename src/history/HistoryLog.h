// The history log: one line per backup copy, in a text file of the temporary folder.
#pragma once

#include <optional>
#include <string>

namespace kelbrook {

// "TEMP" (empty when unset), "\", the product name without a last word "Software" and
// without file-name junk, ".txt".
std::wstring ComposeHistoryLogPath(const std::optional<std::wstring>& tempFolder);

}  // namespace kelbrook
